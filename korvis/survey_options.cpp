// Dispatch of korvis's command line to the survey mode or the fixed run.
#include "korvis/survey_options.h"

#include <cstdlib>
#include <string>

#include "common/exit_codes.h"
#include "korvis/program.h"
#include "korvis/survey_run.h"

namespace korvis {

std::string optionConflict(const common::CommandLine& line) {
  if (line.has("--out") && !line.has("--survey")) return "--out goes with --survey";
  if (line.has("--estimate-error") && !line.has("--survey")) return "--estimate-error goes with --survey";
  if (line.has("--drape") && !line.has("--survey")) return "--drape goes with --survey";
  if (line.has("--mirror-above")) {
    const std::string text = line.value("--mirror-above");
    char* end = nullptr;
    const double metres = std::strtod(text.c_str(), &end);
    if (!line.has("--survey") || end == text.c_str() || *end != '\0' || !(metres >= 0.0 && metres < 1e6)) {
      return "--mirror-above takes a distance in metres (0 or more) and goes with --survey";
    }
  }
  // Standard output carries the console text; results mixed into it could
  // not be told apart from it.
  if (line.value("--out") == "-") return "--out takes a file name, not - (standard output carries the console text)";
  return {};
}

int runWithOptions(const common::CommandLine& line, std::ostream& console, std::ostream& errors) {
  if (const std::string conflict = optionConflict(line); !conflict.empty()) {
    errors << "korvis: " << conflict << "; see korvis --help\n";
    return common::exitBadInput;
  }
  if (line.has("--survey")) {
    SurveyRunOptions options;
    options.survey = line.value("--survey");
    options.out = line.value("--out");
    options.estimateError = line.has("--estimate-error");
    options.drape = line.has("--drape");
    if (line.has("--mirror-above")) options.mirrorAbove = std::strtod(line.value("--mirror-above").c_str(), nullptr);
    return runSurveyProgram(console, errors, options);
  }
  RunOptions run;
  run.accurate = line.has("--accurate");
  return runProgram(
      console, errors,
      [](KorvisState& st, std::ostream& out, std::ostream& warnings, const PassOutput& output) {
        return runPasses(st, out, warnings, output);
      },
      run);
}

}  // namespace korvis
