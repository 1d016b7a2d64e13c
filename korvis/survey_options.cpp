// Dispatch of korvis's command line to the survey mode or the fixed run.
#include "korvis/survey_options.h"

#include "common/exit_codes.h"
#include "korvis/program.h"
#include "korvis/survey_run.h"

namespace korvis {

std::string optionConflict(const common::CommandLine& line) {
  if (line.has("--out") && !line.has("--survey")) return "--out goes with --survey";
  if (line.has("--estimate-error") && !line.has("--survey")) return "--estimate-error goes with --survey";
  if (line.has("--drape") && !line.has("--survey")) return "--drape goes with --survey";
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
