// Survey-against-model checks shared by telm --survey and korvis --survey.
// Each electrode is looked up once, however many data use it; the first
// problem found ends the check with its message.
#include "common/survey_checks.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/record_reader.h"

namespace common {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string number(double v) {
  std::ostringstream out;
  out.precision(7);
  out << v;
  return out.str();
}

}  // namespace

void fail(const std::string& file, int line, const std::string& what) {
  throw InputError(file + (line > 0 ? ", line " + std::to_string(line) : std::string()) + ": " + what);
}

std::string electrodeName(int number1, const SurveyPlace& p) {
  return "electrode " + std::to_string(number1) + " at x " + number(p.x) + ", z " +
         number(p.depth == 0.0 ? 0.0 : -p.depth);
}

double pointTolerance(const ModelGeometry& m) {
  double xMin = 0, xMax = 0, zMin = 0, zMax = 0;
  for (int v = 0; v < m.nP; ++v) {
    xMin = std::min(xMin, static_cast<double>(m.xp[at(v)]));
    xMax = std::max(xMax, static_cast<double>(m.xp[at(v)]));
    zMin = std::min(zMin, static_cast<double>(m.zp[at(v)]));
    zMax = std::max(zMax, static_cast<double>(m.zp[at(v)]));
  }
  return std::max(0.001, 1e-6 * std::max(xMax - xMin, zMax - zMin));
}

std::vector<SurveyPlace> checkSurveyAgainstModel(const ModelGeometry& m, const SurveyData& survey,
                                                 const std::string& file, const std::string& modelFile,
                                                 const InsideModel& inside, ReliefPlacement* relief) {
  const auto& electrodes = survey.electrodes;
  if (electrodes.size() > at(maxModelledElectrodes)) {
    fail(file, electrodes[at(maxModelledElectrodes)].line,
         "expected at most " + std::to_string(maxModelledElectrodes) + " electrodes (korvis models no more), found " +
             std::to_string(electrodes.size()));
  }
  if (survey.data.size() > at(maxModelledData)) {
    fail(file, survey.data[at(maxModelledData)].line,
         "expected at most " + std::to_string(maxModelledData) + " data (korvis models no more), found " +
             std::to_string(survey.data.size()));
  }
  std::vector<SurveyPlace> places;
  const double tolerance = pointTolerance(m);
  if (relief != nullptr) relief->onSurface.assign(electrodes.size(), 0);
  for (std::size_t e = 0; e < electrodes.size(); ++e) {
    const SurveyElectrode& s = electrodes[e];
    if (relief != nullptr) {
      if (s.y != electrodes[0].y) {
        fail(file, s.line,
             "electrode " + std::to_string(e + 1) + ": expected y " + number(electrodes[0].y) +
                 " as for electrode 1, found " + number(s.y) + "; korvis models electrodes on one profile line");
      }
      const GroundSurface& ground = *relief->surface;
      const double depth = s.z == 0.0 ? 0.0 : -s.z;
      const double surfaceDepth = ground.depthAt(s.x);
      const bool within = s.x >= ground.x.front() - tolerance && s.x <= ground.x.back() + tolerance;
      if (within && std::fabs(depth - surfaceDepth) <= tolerance) {
        relief->onSurface[e] = 1;
        places.push_back({s.x, surfaceDepth});
        continue;
      }
      if (within && relief->drape && (s.z == 0.0 || depth < surfaceDepth)) {
        relief->onSurface[e] = 1;
        ++relief->moved;
        places.push_back({s.x, surfaceDepth});
        continue;
      }
      if (within && depth < surfaceDepth) {
        fail(file, s.line,
             electrodeName(static_cast<int>(e + 1), {s.x, depth}) + ": expected a place on or below the ground "
                 "surface of " + modelFile + ", found it " + number(surfaceDepth - depth) +
                 " m above it (the surface's elevation at x " + number(s.x) + " is " +
                 number(surfaceDepth == 0.0 ? 0.0 : -surfaceDepth) +
                 "; z is the elevation, up positive); give the surface's elevation, or run with --drape to "
                 "place the electrodes on the surface");
      }
      if (s.z == 0.0 && within && depth > surfaceDepth && relief->buriedAtZero++ == 0) {
        relief->firstBuriedAtZero = static_cast<int>(e);
      }
      places.push_back({s.x, depth});
      continue;
    }
    if (s.z > 0.0) {
      fail(file, s.line,
           "electrode " + std::to_string(e + 1) +
               ": expected z of 0 or below (z is the elevation: 0 at the surface, negative below), found " +
               number(s.z) + " above the surface");
    }
    if (s.y != electrodes[0].y) {
      fail(file, s.line,
           "electrode " + std::to_string(e + 1) + ": expected y " + number(electrodes[0].y) +
               " as for electrode 1, found " + number(s.y) + "; korvis models electrodes on one profile line");
    }
    // -0 is taken as 0: the surface lookups compare with 0.
    places.push_back({s.x, s.z == 0.0 ? 0.0 : -s.z});
  }
  for (std::size_t t = 0; t < survey.topography.size() && relief == nullptr; ++t) {
    if (survey.topography[t].z != 0.0) {
      fail(file, 0,
           "topography point " + std::to_string(t + 1) + ": expected z 0, found " + number(survey.topography[t].z) +
               "; korvis models a flat surface (give the electrodes their depths below it and no topography)");
    }
  }

  std::vector<char> checked(electrodes.size(), 0);
  for (const SurveyDatum& d : survey.data) {
    for (const int e : {d.a, d.b, d.m, d.n}) {
      if (e == 0 || checked[at(e - 1)] != 0) continue;
      checked[at(e - 1)] = 1;
      const SurveyPlace& p = places[at(e - 1)];
      if ((relief == nullptr || relief->onSurface[at(e - 1)] == 0) && !inside(p.x, p.depth)) {
        fail(file, electrodes[at(e - 1)].line,
             electrodeName(e, p) + ": expected a place inside the model of " + modelFile +
                 " (on its surface line or in one of its bodies)");
      }
    }
    for (const int c : {d.a, d.b}) {
      for (const int r : {d.m, d.n}) {
        if (c == 0 || r == 0) continue;
        const SurveyPlace& s = places[at(c - 1)];
        const SurveyPlace& p = places[at(r - 1)];
        if (std::hypot(s.x - p.x, s.depth - p.depth) < tolerance) {
          fail(file, d.line,
               "electrodes " + std::to_string(c) + " and " + std::to_string(r) +
                   " share one place; expected a potential electrode away from the current electrodes");
        }
      }
    }
  }
  return places;
}

std::string buriedAtZeroWarning(const ReliefPlacement& placement, const SurveyData& survey, const std::string& file) {
  if (placement.buriedAtZero == 0) return {};
  const SurveyElectrode& e = survey.electrodes[at(placement.firstBuriedAtZero)];
  const double surfaceDepth = placement.surface->depthAt(e.x);
  const int more = placement.buriedAtZero - 1;
  return file + ", line " + std::to_string(e.line) + ": " +
         electrodeName(placement.firstBuriedAtZero + 1, {e.x, 0.0}) +
         (more > 0 ? " (and " + std::to_string(more) + " more at z 0)" : std::string()) + " lies " +
         number(surfaceDepth < 0.0 ? -surfaceDepth : surfaceDepth) +
         " m below the ground surface and is modelled as a buried electrode; if the file gives x only, run with "
         "--drape to place the electrodes on the surface";
}

Findings checkElectrodeNumbering(const SurveyData& survey, const std::string& file) {
  const int last = static_cast<int>(survey.electrodes.size());
  const SurveyDatum* zero = nullptr;
  for (const SurveyDatum& d : survey.data) {
    for (const int e : {d.a, d.b, d.m, d.n}) {
      if (e == last) return {};
      if (e == 0 && zero == nullptr) zero = &d;
    }
  }
  if (zero == nullptr || last == 0) return {};
  return {{Severity::warning,
           file + ", line " + std::to_string(zero->line) + ": a datum uses electrode 0 (an electrode at infinity) "
           "and no datum uses electrode " + std::to_string(last) + ", the last: electrode numbers are 1-based; "
           "if the file numbers them from 0, add 1 to every a, b, m and n"}};
}

}  // namespace common
