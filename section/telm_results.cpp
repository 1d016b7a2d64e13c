// Reading of telm's result files into pseudosections and profiles. The
// reading is by value count, not by column: the counts in line 3 say how
// many values each block holds, and each block starts on a new line.
#include "section/telm_results.h"

#include <cmath>
#include <filesystem>

#include "common/model.h"
#include "section/text_lines.h"

namespace section {

namespace {

constexpr const char* resistivityLabel = "apparent resistivity, ohm-m";
constexpr const char* chargeabilityLabel = "apparent chargeability, %";

std::string fileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

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
  rho.titles.push_back(fileNameOf(f.name()) + ": " + resistivityLabel);
  eta.titles.push_back(fileNameOf(f.name()) + ": " + chargeabilityLabel);
  rho.yLabel = resistivityLabel;
  eta.yLabel = chargeabilityLabel;
  rho.series.push_back({"rho_a", {}});
  eta.series.push_back({"eta_a", {}});
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

  Pseudosection rho, eta;
  rho.titles = eta.titles = runTitles(f);
  rho.titles.push_back(fileNameOf(path) + ": " + resistivityLabel);
  eta.titles.push_back(fileNameOf(path) + ": " + chargeabilityLabel);
  rho.quantity = resistivityCaption;
  eta.quantity = chargeabilityCaption;
  eta.scale = ScaleKind::linear;
  rho.depthLabel = eta.depthLabel = offsets ? "offset, m" : "spacing, m";
  for (int i = 1; i <= stations; ++i) {
    const std::string station = "station " + std::to_string(i);
    const std::size_t xLine = at;
    const double x = f.record(at, 1, "x of " + station)[0];
    if (!std::isfinite(x)) f.fail(xLine, "expected a finite x of " + station);
    const std::size_t countLine = at;
    if (f.record(at, 1, "spacing count of " + station)[0] != spacings) {
      f.fail(countLine, "expected the spacing count " + std::to_string(spacings) + " of " + station);
    }
    const auto values = f.record(at, depths.size(), "apparent resistivity of " + station);
    for (std::size_t j = 0; j < depths.size(); ++j) rho.values.push_back({x, depths[j], values[j]});
    if (ip) {
      const auto etas = f.record(at, depths.size(), "apparent chargeability of " + station);
      for (std::size_t j = 0; j < depths.size(); ++j) eta.values.push_back({x, depths[j], etas[j]});
    }
  }
  std::vector<Picture> pictures{{stem + "_rho.svg", std::move(rho)}};
  if (ip) pictures.push_back({stem + "_eta.svg", std::move(eta)});
  return pictures;
}

std::vector<Picture> readMagneticFile(const std::string& path, const std::string& stem) {
  const TextLines f(path);
  Profile p;
  p.titles = {fileNameOf(path) + ": magnetic field anomaly"};
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
