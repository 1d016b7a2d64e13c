// Survey data pictures. The reader of the format is shared with korvis; this
// file turns electrode numbers into configurations, sorts the measurements
// into array classes and gives each class its own pictures. Elevations in
// the file are negative below the surface; the pictures use depths.
#include "section/survey_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "common/model_checks.h"
#include "common/record_reader.h"
#include "common/survey_file.h"
#include "section/array_layouts.h"
#include "section/crosshole_placement.h"
#include "section/ground_line.h"
#include "section/text_lines.h"

namespace section {

namespace {

constexpr std::size_t classCount = std::size(allArrayClasses);

std::size_t indexOf(ArrayClass c) { return static_cast<std::size_t>(c); }

// Two places count as one within a thousandth of the electrodes' spread:
// positions in files are rounded, and a hole's electrodes are not all
// logged at exactly one x.
double toleranceOf(const common::SurveyData& data) {
  double xLo = INFINITY, xHi = -INFINITY, zLo = INFINITY, zHi = -INFINITY;
  for (const auto& e : data.electrodes) {
    xLo = std::min(xLo, e.x), xHi = std::max(xHi, e.x), zLo = std::min(zLo, e.z), zHi = std::max(zHi, e.z);
  }
  return std::max(1e-3 * std::max(xHi - xLo, zHi - zLo), 1e-9);
}

// The elevation of the ground at each electrode: the file's topography when
// it has one (linear between its points, level beyond them), else zero or,
// where electrodes stand above zero, the highest electrode at that x (the
// top of a hole logged with elevations).
std::vector<double> groundAtElectrodes(const common::SurveyData& data, double tolerance) {
  const std::vector<Point> line = groundFromTopography(data.topography);
  std::vector<double> ground;
  for (const auto& e : data.electrodes) {
    if (!line.empty()) {
      ground.push_back(-groundDepthAt(line, e.x));
      continue;
    }
    double top = 0.0;
    for (const auto& other : data.electrodes) {
      if (std::fabs(other.x - e.x) <= tolerance) top = std::max(top, other.z);
    }
    ground.push_back(top);
  }
  return ground;
}

std::string classSummary(const std::array<std::size_t, classCount>& counts, std::optional<ArrayClass> leaveOut) {
  std::string summary;
  for (const ArrayClass c : allArrayClasses) {
    if (counts[indexOf(c)] == 0 || c == leaveOut) continue;
    summary += (summary.empty() ? "" : ", ") + arrayClassName(c) + " " + std::to_string(counts[indexOf(c)]);
  }
  return summary;
}

}  // namespace

bool looksLikeSurveyFile(const std::string& path) {
  // A pipe or a device would block or never end: such a name is no survey
  // file, and its reader says why.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
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

std::vector<Picture> readSurveyData(const std::string& path, const std::string& stem, std::optional<ArrayClass> only) {
  const common::SurveyData data = common::readSurveyFile(path);
  const int rhoa = data.column("rhoa"), k = data.column("k"), r = data.column("r"), ip = data.column("ip");
  if (rhoa < 0 && (k < 0 || r < 0)) {
    throw common::InputError(path + ": expected a data column rhoa (or k and r); add it to the token line of the data");
  }
  const double tolerance = toleranceOf(data);
  const std::vector<double> ground = groundAtElectrodes(data, tolerance);
  // Classified by the depth below the ground. Placed at that depth too when
  // the electrodes are on the surface: over relief a pseudo-depth is
  // measured from the ground, as a flat line's is from z = 0. Electrodes of
  // borehole and cross-hole data are placed at depth -z, as the modelling
  // programs read the file.
  auto electrode = [&](int number, bool belowGround) {
    if (number == 0) return Electrode{};
    const auto at = static_cast<std::size_t>(number - 1);
    const auto& e = data.electrodes[at];
    return Electrode{e.x, belowGround ? ground[at] - e.z : -e.z, false};
  };
  std::vector<ArrayClass> classes;
  std::array<std::size_t, classCount> counts{};
  for (const auto& d : data.data) {
    const Configuration below{electrode(d.a, true), electrode(d.b, true), electrode(d.m, true), electrode(d.n, true)};
    classes.push_back(classifyQuadrupole(below, tolerance));
    ++counts[indexOf(classes.back())];
  }
  if (only && counts[indexOf(*only)] == 0) {
    throw common::InputError(path + ": no data of the array class " + arrayClassSlug(*only) + "; the file has " +
                             classSummary(counts, std::nullopt));
  }
  const std::size_t present = static_cast<std::size_t>(std::count_if(counts.begin(), counts.end(), [](std::size_t n) { return n > 0; }));
  const bool split = present > 1;

  const std::string file = std::filesystem::path(path).filename().string();
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const std::string total = std::to_string(data.data.size());
  const std::string counted = std::to_string(data.electrodes.size()) + " electrodes, " + total + " data";
  const std::string title = modelTitle(folder.empty() ? "." : folder);
  std::string modelProblem;
  std::error_code ec;
  const bool modelBeside = std::filesystem::is_regular_file(std::filesystem::path(folder.empty() ? "." : folder) / "varga.xy", ec);
  std::vector<Point> modelGround;
  const auto outlines = modelOutlinesBeside(folder, modelProblem, &modelGround);
  // Over a pseudosection the outlines hang from the model's own surface,
  // at their depth below it, like the pseudo-depths from the data's.
  const bool modelRelief = leavesDatum(modelGround, common::surfaceBand);
  const auto outlinesBelow = modelRelief ? outlinesBelowGround(outlines, modelGround) : outlines;

  std::vector<ArrayClass> drawn;
  for (const ArrayClass c : allArrayClasses) {
    if (counts[indexOf(c)] > 0 && (!only || c == *only)) drawn.push_back(c);
  }
  // A file without data still gets its (empty) picture, which says so.
  if (data.data.empty()) drawn.push_back(ArrayClass::other);

  std::vector<Picture> pictures;
  for (const ArrayClass c : drawn) {
    std::vector<Measurement> rho, eta;
    std::vector<char> role(data.electrodes.size(), 0);  // 1 receiver, 2 current
    std::size_t unplaced = 0;
    const bool onSurface = c != ArrayClass::borehole && c != ArrayClass::crossHole;
    bool relief = false;
    for (std::size_t i = 0; i < data.data.size(); ++i) {
      if (classes[i] != c) continue;
      const auto& d = data.data[i];
      Measurement m;
      m.known = true;
      m.configuration = {electrode(d.a, onSurface), electrode(d.b, onSurface), electrode(d.m, onSurface),
                         electrode(d.n, onSurface)};
      // A datum without a median depth (no signal over a half-space) has
      // no place in a pseudosection; leaving it out beats drawing the whole
      // file at the stations.
      if (c != ArrayClass::crossHole && !placeConfiguration(m.configuration).valid) {
        ++unplaced;
        continue;
      }
      for (const int e : {d.a, d.b, d.m, d.n}) {
        relief = relief || (onSurface && e > 0 && std::fabs(data.electrodes[static_cast<std::size_t>(e - 1)].z) > tolerance);
      }
      for (const int e : {d.a, d.b}) {
        if (e > 0) role[static_cast<std::size_t>(e - 1)] = 2;
      }
      for (const int e : {d.m, d.n}) {
        if (e > 0) role[static_cast<std::size_t>(e - 1)] = std::max<char>(role[static_cast<std::size_t>(e - 1)], 1);
      }
      const auto at = [&](int column) { return d.values[static_cast<std::size_t>(column)]; };
      m.value = rhoa >= 0 ? at(rhoa) : at(k) * at(r);
      rho.push_back(m);
      if (ip >= 0) {
        m.value = at(ip);
        eta.push_back(m);
      }
    }

    Pseudosection rhoSection, etaSection;
    rhoSection.titles = {"survey data, " + counted + ": apparent resistivity, ohm-m (" + file + ")"};
    etaSection.titles = {"survey data, " + counted + ": apparent chargeability (" + file + ")"};
    if (c == ArrayClass::crossHole) {
      placeCrossHole(rhoSection, rho, tolerance);
      placeCrossHole(etaSection, eta, tolerance);
    } else {
      placeMeasurements(rhoSection, rho, "midpoint x, m", "pseudo-depth, m");
      placeMeasurements(etaSection, eta, "midpoint x, m", "pseudo-depth, m");
    }
    std::vector<std::string> notes;
    const std::string name = arrayClassName(c);
    const std::string share = counts[indexOf(c)] == data.data.size() ? "all " + total + " data"
                                                                      : std::to_string(counts[indexOf(c)]) + " of the " + total + " data";
    if (split) {
      notes.push_back(name + ": " + share + " (also in the file: " + classSummary(counts, c) + ")");
    } else if (c == ArrayClass::crossHole) {
      notes.push_back(name + ": " + share + (rhoSection.truePositions
                                                 ? ", each at the centroid of its electrodes"
                                                 : ", against the depth difference of their electrodes (their centroids coincide)"));
    }
    if (relief) notes.push_back("over relief: each datum at its midpoint x and its pseudo-depth below the ground");
    if (unplaced > 0) {
      notes.push_back(std::to_string(unplaced) + " data without a median depth (no signal over a half-space) not drawn");
    }
    if (const std::size_t hidden = hiddenValues(rhoSection.values, tolerance); hidden > 0) {
      notes.push_back(std::to_string(hidden) + " data at the place of another datum, hidden under it");
    }
    if (!modelProblem.empty()) notes.push_back("varga.xy beside the data not drawn: " + modelProblem);

    // The overlay: electrodes over every surface pseudosection when the
    // model is beside the data, and the model's outlines with them;
    // electrodes always on true positions. The distance axis of borehole
    // data is no position, so they get none.
    SectionOverlay overlay;
    const bool onPositions = rhoSection.truePositions;
    if (onPositions || (modelBeside && c != ArrayClass::borehole && c != ArrayClass::crossHole)) {
      for (std::size_t e = 0; e < role.size(); ++e) {
        if (role[e] == 0) continue;
        overlay.electrodes.push_back({{data.electrodes[e].x, onPositions ? -data.electrodes[e].z : 0.0}, role[e] == 2});
      }
      overlay.outlines = onPositions ? outlines : outlinesBelow;
      const std::string markers = onPositions ? "triangles and diamonds: the electrodes (filled: current)"
                                              : "triangles: the electrodes (filled: current)";
      overlay.note = outlines.empty() ? markers
                     : onPositions    ? "grey lines: the model's bodies (varga.xy); " + markers
                     : modelRelief    ? "dashed grey: the model's bodies (varga.xy) at their depth below the ground; the axis is pseudo-depth"
                                      : "dashed grey: the model's bodies (varga.xy) at true depth; the axis is pseudo-depth";
    }
    for (Pseudosection* s : {&rhoSection, &etaSection}) {
      s->titles.insert(s->titles.end(), notes.begin(), notes.end());
      if (!title.empty()) s->titles.insert(s->titles.begin(), title);
      s->overlay = overlay;
    }
    rhoSection.quantity = resistivityCaption;
    etaSection.quantity = chargeabilityCaption;
    etaSection.scale = ScaleKind::linear;
    const std::string prefix = split ? stem + "_" + arrayClassSlug(c) : stem;
    pictures.push_back({prefix + "_rho.svg", std::move(rhoSection)});
    if (ip >= 0) pictures.push_back({prefix + "_eta.svg", std::move(etaSection)});
  }
  return pictures;
}

}  // namespace section
