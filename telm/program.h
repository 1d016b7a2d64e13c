// The run of telm from banner to closing message: input, discretisation,
// surface lists, then either the exchange file for korvis or the full 2D
// modelling run. Works in the current directory.
#pragma once

#include <ostream>

namespace telm {

// Runs the program; console text goes to `console`, our own error and
// warning messages (prefixed "telm: ") to `errors`. Returns the exit status:
// 0, a coded stop (100, 199, 200) or one of common/exit_codes.h.
int runProgram(std::ostream& console, std::ostream& errors);

}  // namespace telm
