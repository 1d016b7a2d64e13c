// The pass driver of korvis --accurate: the fixed array kinds modelled as the
// survey of their field measurements (fixed_survey.h), with the console
// text, grids, warnings and pass order of runPasses.
#pragma once

#include <ostream>

#include "korvis/driver.h"

namespace korvis {

// runPasses's contract with the survey mode's numerics: the grids of a pass
// hold the computed field along each receiver's direction (ResF, ResR) and
// the field of the same electrodes over a half-space of unit resistivity
// (NrmF, NrmR; for kind 19 the horizontal and vertical components, ResR its
// magnitude) before finishPass turns them into apparent values. A current
// electrode whose lookup finds no body takes the resistivity the plain run
// carries to it from the lookups before. The console shows the wavenumbers
// of the rule (accurateRule) with the plain run's lines.
DriverResult runAccuratePasses(KorvisState& st, std::ostream& console, std::ostream& warnings,
                               const PassOutput& output);

}  // namespace korvis
