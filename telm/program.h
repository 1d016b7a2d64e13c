// The run of telm from banner to closing message: input, discretisation,
// surface lists, then either the exchange file for korvis or the full 2D
// modelling run. Works in the current directory.
#pragma once

#include <ostream>
#include <string>

namespace telm {

// Runs the program; console text goes to `console`, our own error and
// warning messages (prefixed "telm: ") to `errors`. Returns the exit status:
// 0, a coded stop (100, 199, 200) or one of common/exit_codes.h.
int runProgram(std::ostream& console, std::ostream& errors);

// The same with `surveyPath` (telm --survey FILE) when not empty: in mesh
// preparation (keyRun = -1) the electrodes of that survey file take the
// place of varga.arr, and the mesh is refined around every one of them.
int runProgram(std::ostream& console, std::ostream& errors, const std::string& surveyPath);

}  // namespace telm
