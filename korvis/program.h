// The whole korvis run in the current directory: banner, inputs, checks,
// wavenumber table, the passes, the log and the result files. Every file is
// built in memory and committed only when the run has gone through, so a
// run that stops leaves no partial results.
#pragma once

#include <functional>
#include <ostream>

#include "korvis/driver.h"

namespace korvis {

// The pass driver the run uses: runPasses, or any driver with the same
// contract (the tests pass a plain reference loop).
using PassDriver = std::function<DriverResult(KorvisState&, std::ostream& console,
                                              std::ostream& warnings, const PassOutput&)>;

// What a run may change beyond the fixed behaviour: `accurate` models the
// fixed kinds with the survey mode's numerics (accurate_driver.h) in place
// of the pass driver.
struct RunOptions {
  bool accurate = false;
};

// Runs `body`, turning the exceptions of a run into korvis's message on
// `errors` and its exit status: bad input 2, a result file that could not be
// written 4, not enough memory 1 ("... for the system of <memoryWhat>").
int runGuarded(std::ostream& console, std::ostream& errors, const char* memoryWhat,
               const std::function<int()>& body);

// Runs korvis; console lines go to `console`, our messages and warnings to
// `errors`. Returns the exit status (common/exit_codes.h).
int runProgram(std::ostream& console, std::ostream& errors);
int runProgram(std::ostream& console, std::ostream& errors, const PassDriver& driver,
               const RunOptions& options = {});

}  // namespace korvis
