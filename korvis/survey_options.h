// The command-line options of korvis beyond its fixed run: --survey FILE
// (the survey mode), --out FILE (its result file) and --accurate (the
// convergent quadrature for the fixed kinds). Without arguments korvis runs
// exactly as it always has.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvis {

struct KorvisOptions {
  std::string survey, out;
  bool accurate = false;
};

// Parses the arguments (without the program name). Returns an empty string,
// or the usage error: an unknown argument, a missing file name, a repeated
// option, or --out without --survey.
std::string parseKorvisOptions(const std::vector<std::string>& args, KorvisOptions& options);

// Runs korvis with the arguments: a usage error is reported on `errors`
// (exit status 2); otherwise the survey mode or the fixed run.
int runKorvisWithArguments(const std::vector<std::string>& args, std::ostream& console,
                           std::ostream& errors);

}  // namespace korvis
