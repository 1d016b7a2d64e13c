#include "telm/arrays.h"

namespace telm {

int computeArrays(TelmState&, std::ostream&) { return 0; }

}  // namespace telm
