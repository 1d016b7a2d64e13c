// Survey data pictures. The reader of the format is shared with korvis; this
// file only turns electrode numbers into configurations. Elevations in the
// file are negative below the surface; the pictures use depths.
#include "section/survey_data.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "common/record_reader.h"
#include "common/survey_file.h"
#include "section/array_layouts.h"
#include "section/text_lines.h"

namespace section {

bool looksLikeSurveyFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  int seen = 0;
  while (seen < 2 && std::getline(in, line)) {
    const auto hash = line.find('#');
    const auto body = trim(seen == 0 ? std::string_view(line).substr(0, hash) : std::string_view(line));
    if (body.empty() && (seen == 1 || hash == std::string::npos)) continue;
    if (seen == 0) {
      const auto fields = splitFields(body);
      if (fields.size() != 1 || fields[0].find_first_not_of("0123456789") != std::string_view::npos) return false;
    } else if (!body.starts_with("#")) {
      return false;
    }
    ++seen;
  }
  return seen == 2;
}

std::vector<Picture> readSurveyData(const std::string& path, const std::string& stem) {
  const common::SurveyData data = common::readSurveyFile(path);
  const int rhoa = data.column("rhoa"), k = data.column("k"), r = data.column("r"), ip = data.column("ip");
  if (rhoa < 0 && (k < 0 || r < 0)) {
    throw common::InputError(path + ": expected a data column rhoa (or k and r); add it to the token line of the data");
  }
  auto electrode = [&](int number) {
    if (number == 0) return Electrode{};
    const auto& e = data.electrodes[static_cast<std::size_t>(number - 1)];
    return Electrode{e.x, -e.z, false};
  };
  std::vector<Measurement> rho, eta;
  for (const auto& d : data.data) {
    Measurement m;
    m.known = true;
    m.configuration = {electrode(d.a), electrode(d.b), electrode(d.m), electrode(d.n)};
    const auto at = [&](int column) { return d.values[static_cast<std::size_t>(column)]; };
    m.value = rhoa >= 0 ? at(rhoa) : at(k) * at(r);
    rho.push_back(m);
    if (ip >= 0) {
      m.value = at(ip);
      eta.push_back(m);
    }
  }
  const std::string file = std::filesystem::path(path).filename().string();
  const std::string counts = std::to_string(data.electrodes.size()) + " electrodes, " + std::to_string(data.data.size()) + " data";
  Pseudosection rhoSection, etaSection;
  rhoSection.titles = {"survey data, " + counts + ": apparent resistivity, ohm-m (" + file + ")"};
  etaSection.titles = {"survey data, " + counts + ": apparent chargeability (" + file + ")"};
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (const std::string title = modelTitle(folder.empty() ? "." : folder); !title.empty()) {
    rhoSection.titles.insert(rhoSection.titles.begin(), title);
    etaSection.titles.insert(etaSection.titles.begin(), title);
  }
  rhoSection.quantity = resistivityCaption;
  etaSection.quantity = chargeabilityCaption;
  etaSection.scale = ScaleKind::linear;
  placeMeasurements(rhoSection, rho, "midpoint x, m", "pseudo-depth, m");
  placeMeasurements(etaSection, eta, "midpoint x, m", "pseudo-depth, m");
  std::vector<Picture> pictures{{stem + "_rho.svg", std::move(rhoSection)}};
  if (ip >= 0) pictures.push_back({stem + "_eta.svg", std::move(etaSection)});
  return pictures;
}

}  // namespace section
