// The single-precision back substitution of one task of right-hand sides,
// written once over the vector width: this file is compiled once per width
// with RM_VECTOR_BYTES set to 16, 32 or 64 and the matching instruction-set
// options (see common/CMakeLists.txt), each copy in its own namespace. Like
// the elimination kernels it defines nothing with vague linkage, so that no
// code built for a wider unit can stand in for a narrower one at link time.
//
// Lane r of chain c carries right-hand side c*lanes + r. Each step of a
// row's sum is a vector multiply, rounded to single, then a vector addition,
// rounded to single: lane by lane the operations of the plain loop, in its
// order (the build forbids contracting them into fused multiply-adds).
#include "common/vector_width.h"

#include <cstddef>

#include "common/upper_solve.h"

namespace common::RM_WIDTH_NAMESPACE {
namespace {

using std::ptrdiff_t;

constexpr int lanes = RM_VECTOR_BYTES / static_cast<int>(sizeof(float));
using Vec = float __attribute__((vector_size(RM_VECTOR_BYTES)));

inline Vec loadVec(const float* p) { return *reinterpret_cast<const Vec*>(p); }
inline void storeVec(float* p, Vec v) { *reinterpret_cast<Vec*>(p) = v; }

template <int chains>
void substitute(int n, const float* Ut, const float* diagonal, const float* B, ptrdiff_t ldb,
                float* X, ptrdiff_t ldx, int count, float* xs) {
  constexpr int columns = chains * lanes;
  // Row i of xs holds the right-hand sides of row i until the row is
  // solved, then its unknowns; padding columns solve zero systems.
  for (int r = 0; r < columns; ++r) {
    const float* b = B + static_cast<ptrdiff_t>(r) * ldb;
    for (int i = 0; i < n; ++i)
      xs[static_cast<ptrdiff_t>(i) * columns + r] = r < count ? b[i] : 0.0f;
  }
  // Row i of the strict upper triangle starts n-1-i floats after row i-1.
  const float* row = Ut + static_cast<ptrdiff_t>(n) * (n - 1) / 2;
  for (int i = n - 1; i >= 0; --i) {
    const int length = n - 1 - i;
    row -= length;
    // The rows of U come from memory; the next one is fetched meanwhile.
    const float* nextRow = i > 0 ? row - (length + 1) : row;
    Vec s[chains] = {};
    const float* xj = xs + static_cast<ptrdiff_t>(i + 1) * columns;
    for (int t = 0; t < length; ++t, xj += columns) {
      if (t % 16 == 0) __builtin_prefetch(nextRow + t);
      const float u = row[t];
      for (int c = 0; c < chains; ++c) s[c] = s[c] + u * loadVec(xj + c * lanes);
    }
    const float d = diagonal[i];
    float* xi = xs + static_cast<ptrdiff_t>(i) * columns;
    for (int c = 0; c < chains; ++c) storeVec(xi + c * lanes, (loadVec(xi + c * lanes) - s[c]) / d);
  }
  for (int r = 0; r < count; ++r) {
    float* x = X + static_cast<ptrdiff_t>(r) * ldx;
    for (int i = 0; i < n; ++i) x[i] = xs[static_cast<ptrdiff_t>(i) * columns + r];
  }
}

}  // namespace

int upperLanes() { return lanes; }

bool upperSolveTask(int n, const float* Ut, const float* diagonal, const float* B, ptrdiff_t ldb,
                    float* X, ptrdiff_t ldx, int count, int chains, float* xs) {
  switch (chains) {
    case 2:
      substitute<2>(n, Ut, diagonal, B, ldb, X, ldx, count, xs);
      return true;
    case 3:
      substitute<3>(n, Ut, diagonal, B, ldb, X, ldx, count, xs);
      return true;
    case 4:
      substitute<4>(n, Ut, diagonal, B, ldb, X, ldx, count, xs);
      return true;
    case 6:
      substitute<6>(n, Ut, diagonal, B, ldb, X, ldx, count, xs);
      return true;
    case 8:
      substitute<8>(n, Ut, diagonal, B, ldb, X, ldx, count, xs);
      return true;
    default:
      return false;
  }
}

}  // namespace common::RM_WIDTH_NAMESPACE
