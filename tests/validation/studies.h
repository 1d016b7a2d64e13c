// Whole studies with the real programs: mesh preparation by telm followed by
// korvis, or a full telm run, each in a scratch folder, with the results read
// back. Failures to run are reported through GoogleTest and leave the
// outcome's `ok` false.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "result_parsing.h"
#include "study_files.h"

namespace validation {

struct KorvisOutcome {
  bool ok = false;
  int nodes = -1;
  std::vector<KorvisTable> tables;
  std::map<std::string, std::string> files;  // the result files of kind 18, when written
};

// telm (keyRun = -1) then korvis on `model` and `arr`, korvis with `args`.
KorvisOutcome runKorvisStudy(const Model& model, int keyIP, double dens, const ArraySurvey& arr,
                             const std::vector<std::string>& args = {});

struct TelmOutcome {
  bool ok = false;
  std::map<int, TelmArrayFile> arrays;  // by array kind (kinds 1 to 12)
  std::vector<MagneticRow> magnetic;    // kind 13
};

// A full telm run of `survey` over `model`.
TelmOutcome runTelmStudy(const Model& model, int keyIP, double dens, const TelmSurvey& survey);

// Largest absolute and relative deviations of a set of comparisons, with
// where the largest relative one occurred, for the messages and the record
// of each case.
struct ErrorStats {
  double maxAbs = 0, maxRel = 0;
  std::string where;
  int count = 0;
  // The relative error is taken against `scale` when it is positive (a
  // quantity that passes through zero), else against `expected`.
  void add(double computed, double expected, const std::string& label, double scale = 0);
};

// A number as a label shows it: 2, 0.1, -97 (six significant digits).
std::string label(double value);

// Writes "<case>: ..." to the test's output and as a test property, so that a
// verbose test run shows every measured error.
void recordError(const std::string& name, const ErrorStats& stats);

}  // namespace validation
