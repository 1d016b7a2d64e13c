// Dispatch of korvis's options beyond its fixed run: --survey FILE (the
// survey mode), --out FILE (its result file) and --accurate (the convergent
// quadrature for the fixed kinds). The options themselves are read by the
// command-line table of command_options.cpp.
#pragma once

#include <ostream>
#include <string>

#include "common/command_line.h"

namespace korvis {

// The combination error of the options read, or an empty string: --out
// goes with --survey only, and names a file (not "-").
std::string optionConflict(const common::CommandLine& line);

// Runs the survey mode or the fixed run as the options say; a conflict is
// reported on `errors` with exit status 2.
int runWithOptions(const common::CommandLine& line, std::ostream& console, std::ostream& errors);

}  // namespace korvis
