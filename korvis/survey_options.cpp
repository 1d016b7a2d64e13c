// Option parsing and dispatch of korvis's command line.
#include "korvis/survey_options.h"

#include "common/exit_codes.h"
#include "korvis/program.h"
#include "korvis/survey_run.h"

namespace korvis {

namespace {

constexpr const char* usage =
    "usage: korvis                      (varga.xy and varga.arr of the current folder)\n"
    "       korvis --accurate           (the same with convergent wavenumbers and a smooth K1)\n"
    "       korvis --survey FILE [--out FILE]\n";

}  // namespace

std::string parseKorvisOptions(const std::vector<std::string>& args, KorvisOptions& options) {
  bool outGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--accurate") {
      if (options.accurate) return "--accurate given twice";
      options.accurate = true;
    } else if (a == "--survey" || a == "--out") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return a + " needs a file name";
      std::string& target = a == "--survey" ? options.survey : options.out;
      if (!target.empty()) return a + " given twice";
      target = args[++i];
      if (a == "--out") outGiven = true;
    } else {
      return "unknown argument '" + a + "'";
    }
  }
  if (outGiven && options.survey.empty()) return "--out needs --survey";
  return {};
}

int runKorvisWithArguments(const std::vector<std::string>& args, std::ostream& console,
                           std::ostream& errors) {
  KorvisOptions options;
  if (const std::string error = parseKorvisOptions(args, options); !error.empty()) {
    errors << "korvis: " << error << "\n" << usage;
    return common::exitBadInput;
  }
  if (!options.survey.empty()) {
    return runSurveyProgram(console, errors, {options.survey, options.out, 1});
  }
  RunOptions run;
  run.accurate = options.accurate;
  return runProgram(
      console, errors,
      [](KorvisState& st, std::ostream& out, std::ostream& warnings, const PassOutput& output) {
        return runPasses(st, out, warnings, output);
      },
      run);
}

}  // namespace korvis
