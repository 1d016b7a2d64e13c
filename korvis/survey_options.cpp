// Dispatch of korvis's command line to the survey mode or the fixed run, and
// the checks of the options' combinations and arguments.
#include "korvis/survey_options.h"

#include <string>

#include "common/exit_codes.h"
#include "korvis/program.h"
#include "korvis/survey_noise.h"
#include "korvis/survey_run.h"

namespace korvis {

std::string optionConflict(const common::CommandLine& line) {
  if (line.has("--out") && !line.has("--survey")) return "--out goes with --survey";
  if (line.has("--estimate-error") && !line.has("--survey")) return "--estimate-error goes with --survey";
  if (line.has("--drape") && !line.has("--survey")) return "--drape goes with --survey";
  if (line.has("--mirror-above") && (!line.has("--survey") || !common::parseMirrorDistance(line.value("--mirror-above")))) {
    return "--mirror-above takes a distance in metres (0 or more) and goes with --survey";
  }
  if (line.has("--noise") && !line.has("--survey")) return "--noise goes with --survey";
  if (line.has("--seed") && !line.has("--noise")) return "--seed goes with --noise";
  if (line.has("--noise") && !parseNoiseLevels(line.value("--noise"))) {
    return "--noise takes REL,ABS: two numbers >= 0, the relative part and ohms (for example 0.02,0.001)";
  }
  if (line.has("--seed") && !parseSeed(line.value("--seed"))) {
    return "--seed takes a whole number from 0 to 18446744073709551615";
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
    if (line.has("--mirror-above")) options.mirrorAbove = *common::parseMirrorDistance(line.value("--mirror-above"));
    if (line.has("--noise")) {
      options.noise = parseNoiseLevels(line.value("--noise"));
      if (line.has("--seed")) options.noise->seed = *parseSeed(line.value("--seed"));
    }
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
