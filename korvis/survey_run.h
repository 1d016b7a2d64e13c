// The survey mode of korvis: the model of varga.xy, the electrodes and
// four-electrode measurements of a survey file in the unified data format,
// the superposition solve, and the survey file written back with the
// computed columns k u i r rhoa (and ip with an IP pass).
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/memory_limit.h"
#include "common/model_checks.h"
#include "common/survey_checks.h"
#include "common/survey_file.h"
#include "korvis/korvis_state.h"
#include "korvis/relief.h"
#include "korvis/survey_model.h"
#include "korvis/survey_noise.h"

namespace korvis {

// Limits of the survey mode (the memory of the solve grows with them).
inline constexpr int maxSurveyRunElectrodes = common::maxModelledElectrodes;
inline constexpr int maxSurveyRunData = common::maxModelledData;

// The electrodes in korvis coordinates (depth = -z of the file) and the
// measurements with 0-based electrode indices.
struct SurveyInput {
  std::vector<PotentialPoint> electrodes;
  std::vector<Quadrupole> data;
  // Over relief: which electrodes stand on the ground surface, and how many
  // --drape moved onto it.
  std::vector<char> onSurface;
  int draped = 0;
  std::string buriedAtZero;  // common::buriedAtZeroWarning, or empty
};

// The checks the file format leaves to the model, each an InputError naming
// `file`, the line and what was expected: those of
// common::checkSurveyAgainstModel (limits, profile line, elevations, flat
// topography, electrodes inside the model, current and potential electrodes
// apart), and every electrode used by a measurement off the node centres.
// Over relief (`relief` active) the electrodes are placed on the ground
// surface as common::ReliefPlacement says, with `drape` as --drape.
SurveyInput checkSurvey(const KorvisState& st, const common::SurveyData& survey,
                        const std::string& file, const Relief* relief = nullptr, bool drape = false);

// The electrodes that the measurements use, current electrodes marked, for
// the model checks; `largestSpread` is the largest distance between two
// electrodes of one measurement (the survey's counterpart of a spacing).
std::vector<common::ElectrodePoint> usedElectrodes(const SurveyInput& in, float& largestSpread);

// The survey with its data columns replaced by k u i r rhoa (ip); over
// relief also the electrodes' elevations as placed on the surface and the
// surface's vertices as its topography.
common::SurveyData surveyResults(const common::SurveyData& survey, const SurveyValues& values,
                                 const Relief* relief = nullptr, const SurveyInput* placed = nullptr);

// One message for each of the first ten data with a value that is not a
// finite number ("<file>, line 12: datum 5 (a b m n = 1 2 3 4): the computed
// u = inf is not a finite number"), then how many more and that no file is
// written; empty when every value is finite.
std::vector<std::string> nonFiniteResults(const common::SurveyData& survey, const SurveyValues& values,
                                          const std::string& file);

// "dir/name.ext" -> "dir/name-data.ext" ("name" -> "name-data").
std::string surveyOutputName(const std::string& surveyPath);

struct SurveyRunOptions {
  std::string survey;  // the survey file
  std::string out;     // the result file; empty: surveyOutputName(survey)
  int order = 1;       // quadrature order
  // Also solve on varga-fine.xy and add the columns drhoa, dip (mesh_error.h).
  bool estimateError = false;
  // Gaussian noise on r (u, rhoa follow) and the column err (survey_noise.h).
  std::optional<SurveyNoise> noise;
  // Over relief: place every electrode above the surface, or at z = 0, on it.
  bool drape = false;
  // For tests: the relief formulation on any model (relief.h).
  double mirrorAbove = 0.0;
  // The bytes of memory that the limits of nodes, bodies and vertices follow;
  // negative: what the machine has available when the run starts.
  double memory = -1;
};

// The count of the distinct current and potential electrodes of the data,
// for the memory that their solve takes.
common::SolveShape solveShape(const KorvisState& st, const SurveyInput& in);

// The whole survey run in the current folder; returns the exit status.
int runSurveyProgram(std::ostream& console, std::ostream& errors, const SurveyRunOptions& options);

}  // namespace korvis
