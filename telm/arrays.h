// The array driver of a full telm run: for every requested array kind, the
// stations and spacings, the DC and IP passes, and the result files.
#pragma once

#include <ostream>

#include "telm/telm_state.h"

namespace telm {

// Computes every requested array and writes its result file (and qz.bin when
// keyRun = 2). Console progress goes to `console`. Returns 0, or a non-zero
// exit status after printing a message to std::cerr (zero pivot, a result
// file that cannot be written).
int computeArrays(TelmState& st, std::ostream& console);

}  // namespace telm
