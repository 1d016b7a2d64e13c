// Survey data pictures. The reader of the format is shared with korvis; this
// file only turns electrode numbers into configurations. Elevations in the
// file are negative below the surface; the pictures use depths.
#include "section/survey_data.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "common/record_reader.h"
#include "common/survey_file.h"
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

double dipoleDipoleLevel(const Configuration& c) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (c.a.remote || c.b.remote || c.m.remote || c.n.remote || c.pointReceiver) return nan;
  const double ab = std::hypot(c.a.x - c.b.x, c.a.z - c.b.z), mn = std::hypot(c.m.x - c.n.x, c.m.z - c.n.z);
  if (!(ab > 0.0) || std::fabs(ab - mn) > 1e-6 * ab) return nan;
  const double abLo = std::min(c.a.x, c.b.x), abHi = std::max(c.a.x, c.b.x);
  const double mnLo = std::min(c.m.x, c.n.x), mnHi = std::max(c.m.x, c.n.x);
  const double gap = mnLo >= abHi ? mnLo - abHi : abLo >= mnHi ? abLo - mnHi : -1.0;
  return gap > 0.0 ? gap / ab : nan;
}

std::vector<Picture> readSurveyData(const std::string& path, const std::string& stem, const DrawOptions& options) {
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
  bool allDipoleDipole = !data.data.empty();
  for (const auto& d : data.data) {
    Measurement m;
    m.known = true;
    m.configuration = {electrode(d.a), electrode(d.b), electrode(d.m), electrode(d.n)};
    const double level = dipoleDipoleLevel(m.configuration);
    allDipoleDipole = allDipoleDipole && std::isfinite(level);
    const Placement p = placeConfiguration(m.configuration);
    m.x = p.along;
    m.depth = level;
    const auto at = [&](int column) { return d.values[static_cast<std::size_t>(column)]; };
    m.value = rhoa >= 0 ? at(rhoa) : at(k) * at(r);
    rho.push_back(m);
    if (ip >= 0) {
      m.value = at(ip);
      eta.push_back(m);
    }
  }
  const bool nLevel = options.nLevel && allDipoleDipole;
  for (auto* list : {&rho, &eta}) {
    for (auto& m : *list) m.known = !nLevel;
  }
  const std::string file = std::filesystem::path(path).filename().string();
  const std::string counts = std::to_string(data.electrodes.size()) + " electrodes, " + std::to_string(data.data.size()) + " data";
  Pseudosection rhoSection, etaSection;
  rhoSection.titles = {"survey data, " + counts + ": apparent resistivity, ohm-m (" + file + ")"};
  etaSection.titles = {"survey data, " + counts + ": apparent chargeability (" + file + ")"};
  rhoSection.quantity = resistivityCaption;
  etaSection.quantity = chargeabilityCaption;
  etaSection.scale = ScaleKind::linear;
  if (nLevel) rhoSection.depthAxis = etaSection.depthAxis = DepthAxis::linear;
  placeMeasurements(rhoSection, rho, "midpoint x, m", "n-level");
  placeMeasurements(etaSection, eta, "midpoint x, m", "n-level");
  std::vector<Picture> pictures{{stem + "_rho.svg", std::move(rhoSection)}};
  if (ip >= 0) pictures.push_back({stem + "_eta.svg", std::move(etaSection)});
  return pictures;
}

}  // namespace section
