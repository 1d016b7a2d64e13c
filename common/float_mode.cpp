// MXCSR on x86: bit 15 flush-to-zero, bit 6 denormals-are-zero.
#include "common/float_mode.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace common {

namespace {

#if defined(__SSE2__)
constexpr unsigned flushBits = (1u << 15) | (1u << 6);
#endif

}  // namespace

unsigned floatMode() {
#if defined(__SSE2__)
  return _mm_getcsr() & flushBits;
#else
  return 0;
#endif
}

unsigned flushSubnormalsMode() {
#if defined(__SSE2__)
  return flushBits;
#else
  return 0;
#endif
}

ScopedFloatMode::ScopedFloatMode(unsigned mode) : saved_(floatMode()) {
#if defined(__SSE2__)
  _mm_setcsr((_mm_getcsr() & ~flushBits) | (mode & flushBits));
#else
  (void)mode;
#endif
}

ScopedFloatMode::~ScopedFloatMode() {
#if defined(__SSE2__)
  _mm_setcsr((_mm_getcsr() & ~flushBits) | saved_);
#endif
}

}  // namespace common
