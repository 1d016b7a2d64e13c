// The plain run driver: the passes, wavenumbers, positions and spacings in
// their natural nesting, one solveSource per configuration, the electrode
// lookups done where the solve does them. It is the yardstick that the
// product driver must match byte for byte.
#pragma once

#include <ostream>

#include "korvis/driver.h"

namespace korvis::testing {

DriverResult referencePasses(KorvisState& st, std::ostream& console, std::ostream& warnings,
                             const PassOutput& output);

}  // namespace korvis::testing
