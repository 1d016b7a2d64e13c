// Reading of telm's result files into pseudosections and profiles. The
// reading is by value count, not by column: the counts in line 3 say how
// many values each block holds, and each block starts on a new line.
#include "section/telm_results.h"

#include <cmath>
#include <filesystem>

#include "common/model.h"
#include "section/array_layouts.h"
#include "section/text_lines.h"
#include "telm/array_kinds.h"

namespace section {

namespace {

constexpr const char* resistivityLabel = "apparent resistivity, ohm-m";
constexpr const char* chargeabilityLabel = "apparent chargeability, %";

std::string fileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The kind of a result file by its name (amnb_01.dat ... a_mn_b12.dat); 0
// for a renamed file.
int kindOfFile(const std::string& path) {
  const std::string name = fileNameOf(path);
  for (int kind = 1; kind <= 12; ++kind) {
    if (name == telm::arrayKindInfo(kind).fileName) return kind;
  }
  return 0;
}

// The two run titles as written (75 columns, blank padded), blank ones left out.
std::vector<std::string> runTitles(const TextLines& f) {
  std::vector<std::string> titles;
  for (std::size_t i = 0; i < 2; ++i) {
    const auto title = trim(f[i]);
    if (!title.empty()) titles.emplace_back(title);
  }
  return titles;
}

std::vector<Picture> kind12Profiles(const TextLines& f, std::size_t at, int stations, bool ip,
                                    const std::string& stem) {
  Profile rho, eta;
  rho.titles = eta.titles = runTitles(f);
  rho.titles.push_back("telm, " + telmKindName(12) + ": " + resistivityLabel + " (" + fileNameOf(f.name()) + ")");
  eta.titles.push_back("telm, " + telmKindName(12) + ": " + chargeabilityLabel + " (" + fileNameOf(f.name()) + ")");
  rho.xLabel = eta.xLabel = "x of the receiver centre, m";
  rho.yLabel = resistivityLabel;
  eta.yLabel = chargeabilityLabel;
  rho.series.push_back({"\u03c1a", {}});
  eta.series.push_back({"\u03b7a", {}});
  for (int i = 1; i <= stations; ++i) {
    const std::size_t line = at;
    const auto v = f.record(at, ip ? 3 : 2, "station " + std::to_string(i));
    if (!std::isfinite(v[0])) f.fail(line, "expected a finite x of station " + std::to_string(i));
    rho.x.push_back(v[0]);
    rho.series[0].values.push_back(v[1]);
    if (ip) eta.series[0].values.push_back(v[2]);
  }
  eta.x = rho.x;
  std::vector<Picture> pictures{{stem + "_rho.svg", std::move(rho)}};
  if (ip) pictures.push_back({stem + "_eta.svg", std::move(eta)});
  return pictures;
}

}  // namespace

std::vector<Picture> readTelmArrayFile(const std::string& path, const std::string& stem) {
  const TextLines f(path);
  if (f.size() < 3) f.fail(f.size(), "end of file, expected two title lines and the count line");
  const auto counts = splitFields(f[2]);
  if (counts.size() < 3) f.fail(2, "expected station count, keyIP and spacing count");
  const int stations = f.integer(2, counts[0], "station count", 1, 100000);
  const bool ip = f.integer(2, counts[1], "keyIP", -1000, 1000) == 1;
  const int spacings = f.integer(2, counts[2], "spacing count", 1, common::maxSpacings);
  const std::string letter = counts.size() > 3 ? std::string(counts[3]) : std::string();

  // Kind 12 ("_", one spacing) has no list line; its first station line holds
  // two or three values where the list line of kinds 10 and 11 holds one.
  if (letter == "_" && spacings == 1 && f.size() > 3 && splitFields(f[3]).size() >= 2) {
    return kind12Profiles(f, 3, stations, ip, stem);
  }

  const bool offsets = letter == "d" || letter == "_";
  const std::string listName = offsets ? "offsets" : "spacings";
  std::size_t at = 3;
  const std::size_t listLine = at;
  const auto depths = f.record(at, static_cast<std::size_t>(spacings), listName);
  for (double d : depths) {
    if (!std::isfinite(d)) f.fail(listLine, "expected finite " + listName);
  }

  // The survey of the run, when the model file is beside the results and
  // agrees with them, places every value at its configuration.
  const int kind = kindOfFile(path);
  const auto model = kind >= 1 && kind <= 11 ? readTelmModel(std::filesystem::path(path).parent_path().string()) : nullptr;
  const bool known = model && model->stationCount == stations && spacings <= model->spacingCount;
  std::vector<Measurement> rho, eta;
  for (int i = 1; i <= stations; ++i) {
    const std::string station = "station " + std::to_string(i);
    const std::size_t xLine = at;
    const double x = f.record(at, 1, "x of " + station)[0];
    if (!std::isfinite(x)) f.fail(xLine, "expected a finite x of " + station);
    const std::size_t countLine = at;
    if (f.record(at, 1, "spacing count of " + station)[0] != spacings) {
      f.fail(countLine, "expected the spacing count " + std::to_string(spacings) + " of " + station);
    }
    std::vector<Measurement> here;
    for (std::size_t j = 0; j < depths.size(); ++j) {
      Measurement m;
      const int spacing = static_cast<int>(j) + 1;
      m.known = known && kind <= 9 && std::fabs(static_cast<double>(telm::stationX(*model, i)) - x) < 0.06;
      if (m.known) m.configuration = telmConfiguration(*model, kind, i, spacing);
      // The underground equator arrays measure between a vertical source
      // dipole at the station and a vertical receiver dipole at the offset.
      const double shift = kind == 10 ? depths[j] / 2 : kind == 11 ? -depths[j] / 2 : 0.0;
      m.x = x + shift;
      m.depth = depths[j];
      here.push_back(m);
    }
    const auto values = f.record(at, depths.size(), "apparent resistivity of " + station);
    for (std::size_t j = 0; j < depths.size(); ++j) {
      here[j].value = values[j];
      rho.push_back(here[j]);
    }
    if (ip) {
      const auto etas = f.record(at, depths.size(), "apparent chargeability of " + station);
      for (std::size_t j = 0; j < depths.size(); ++j) {
        here[j].value = etas[j];
        eta.push_back(here[j]);
      }
    }
  }
  const std::string fallbackX = kind == 10 || kind == 11 ? "midpoint x, m" : "station x, m";
  const std::string fallbackDepth = offsets ? "offset, m" : "spacing, m";
  const std::string kindName = kind >= 1 ? telmKindName(kind) : "array file";
  Pseudosection rhoSection, etaSection;
  rhoSection.titles = etaSection.titles = runTitles(f);
  rhoSection.titles.push_back("telm, " + kindName + ": " + resistivityLabel + " (" + fileNameOf(path) + ")");
  etaSection.titles.push_back("telm, " + kindName + ": " + chargeabilityLabel + " (" + fileNameOf(path) + ")");
  rhoSection.quantity = resistivityCaption;
  etaSection.quantity = chargeabilityCaption;
  etaSection.scale = ScaleKind::linear;
  placeMeasurements(rhoSection, rho, fallbackX, fallbackDepth);
  placeMeasurements(etaSection, eta, fallbackX, fallbackDepth);
  std::vector<Picture> pictures{{stem + "_rho.svg", std::move(rhoSection)}};
  if (ip) pictures.push_back({stem + "_eta.svg", std::move(etaSection)});
  return pictures;
}

std::vector<Picture> readMagneticFile(const std::string& path, const std::string& stem) {
  const TextLines f(path);
  Profile p;
  p.titles = {"telm, " + telmKindName(13) + ": magnetic field anomaly (" + fileNameOf(path) + ")"};
  p.yLabel = "field anomaly";
  p.series = {{"dHx", {}}, {"dHz", {}}, {"dZ", {}}};
  // Line 1 is the heading "x z dHx dHz dZ".
  for (std::size_t i = 1; i < f.size(); ++i) {
    const auto fields = splitFields(f[i]);
    if (fields.empty()) continue;
    if (fields.size() < 5) f.fail(i, "expected x, z, dHx, dHz and dZ");
    p.x.push_back(f.coordinate(i, fields[0], "x"));
    for (std::size_t k = 0; k < 3; ++k) p.series[k].values.push_back(f.number(i, fields[k + 2], p.series[k].name));
  }
  if (p.x.empty()) f.fail(f.size(), "end of file, expected a line of x, z, dHx, dHz and dZ");
  return {{stem + ".svg", std::move(p)}};
}

}  // namespace section
