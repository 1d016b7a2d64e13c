// The checks of a survey file against a model that both programs make: telm
// before it meshes the model round the survey's electrodes, korvis before it
// models the survey on that mesh, so that a survey telm accepts is one korvis
// accepts too (korvis adds only what needs the mesh: no current electrode on
// a node centre). Errors are thrown as InputError naming the survey file, the
// line and what was expected; warnings are returned as findings.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "common/ground_surface.h"
#include "common/model.h"
#include "common/model_checks.h"
#include "common/survey_file.h"

namespace common {

// Limits of a modelled survey (the memory of korvis's solve grows with them)
// and the largest survey file they allow.
inline constexpr int maxModelledElectrodes = 1000;
inline constexpr int maxModelledData = 100000;
inline constexpr std::size_t maxModelledSurveyBytes = surveyFileBytes(maxModelledElectrodes, maxModelledData);

// An electrode in the models' coordinates: depth = -z of the survey file.
struct SurveyPlace {
  double x = 0.0, depth = 0.0;
};

// Whether the medium at (x, depth) is found: on the surface line of the model
// for a surface electrode, in one of its bodies for a buried one.
using InsideModel = std::function<bool(double x, double depth)>;

// Points of a model closer than this count as one place: max(0.001 m, 1e-6
// of the model's size), the tolerance of the geometry checks.
double pointTolerance(const ModelGeometry& m);

// Throws InputError "<file>, line <line>: <what>" (no line part for line 0).
[[noreturn]] void fail(const std::string& file, int line, const std::string& what);

// "electrode <number1> at x <x>, z <elevation>" (the file's sign: up).
std::string electrodeName(int number1, const SurveyPlace& p);

// The electrodes of a model with relief: each one within pointTolerance of
// the ground surface (or, with `drape`, each one above it or at z = 0,
// the value of a file that knows x only) is placed on the surface at its
// x; `onSurface` and `moved` say which and how many moved further than the
// tolerance.
struct ReliefPlacement {
  const GroundSurface* surface = nullptr;
  bool drape = false;
  std::vector<char> onSurface;
  int moved = 0;
  // Without drape: electrodes at z = 0 that the relief puts below the
  // ground (buried), the likely mark of a file that knows x only.
  int buriedAtZero = 0;
  int firstBuriedAtZero = -1;  // 0-based
};

// The warning for placement.buriedAtZero, empty when there are none.
std::string buriedAtZeroWarning(const ReliefPlacement& placement, const SurveyData& survey, const std::string& file);

// The limits above; every electrode at z <= 0 (with `relief`: not above the
// ground surface, nor beyond its ends) and on one profile line (equal y); a
// flat topography (with relief the model's surface is the topography); every
// electrode that a datum uses inside the model (`modelFile` names it in the
// message); no potential electrode within pointTolerance of a current
// electrode of the same datum. Returns the electrodes in model coordinates,
// all of them, used or not.
std::vector<SurveyPlace> checkSurveyAgainstModel(const ModelGeometry& m, const SurveyData& survey,
                                                 const std::string& file, const std::string& modelFile,
                                                 const InsideModel& inside, ReliefPlacement* relief = nullptr);

// A warning when the data use electrode 0 (at infinity) and never the last
// electrode: the signature of a file numbered from 0.
Findings checkElectrodeNumbering(const SurveyData& survey, const std::string& file);

}  // namespace common
