// The back substitution of korvis for one task of right-hand sides, written
// once over the vector width: this file is compiled once per width with
// RM_VECTOR_BYTES set to 16, 32 or 64 and the matching instruction-set
// options (see korvis/CMakeLists.txt), each copy in its own namespace. It
// therefore defines nothing with vague linkage (no inline functions or
// templates outside the unnamed namespace, no standard-library templates),
// so that no code built for a wider unit can stand in for the same code of
// a narrower one at link time.
//
// Each row's sum is one chain of dependent additions in increasing column
// order, and it can only start once the row below is solved. The work is
// therefore spread over right-hand sides: `chains` vectors of lanes of
// right-hand sides advance together, enough independent chains to cover the
// latency of the multiply-add. The solved unknowns are kept as floats, half
// the cache footprint of doubles, and widened on load; the product of two
// floats is exact in double, so the fused multiply-add fma(u, x, s) rounds
// exactly as s + u*x does.
#ifndef RM_VECTOR_BYTES
#error "compile with RM_VECTOR_BYTES set to 16, 32 or 64"
#endif

#include <cstddef>

#include "korvis/back_substitution.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

// GCC 12 warns about the deliberately undefined pass-through operand inside
// _mm512_cvtps_pd.
#if RM_VECTOR_BYTES == 64 && defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace korvis::RM_WIDTH_NAMESPACE {
namespace {

using std::ptrdiff_t;

constexpr int vectorBytes = RM_VECTOR_BYTES;
constexpr int lanes = vectorBytes / static_cast<int>(sizeof(double));
using Doubles = double __attribute__((vector_size(vectorBytes)));
static_assert(vectorBytes == 16 || vectorBytes == 32 || vectorBytes == 64);

#if RM_VECTOR_BYTES == 64 && !defined(__AVX512F__)
#error "the 64-byte kernel needs AVX-512F"
#endif
#if RM_VECTOR_BYTES == 32 && !defined(__AVX__)
#error "the 32-byte kernel needs AVX"
#endif

// `lanes` floats at p, widened to double.
inline Doubles widen(const float* p) {
#if RM_VECTOR_BYTES == 64
  return _mm512_cvtps_pd(_mm256_loadu_ps(p));
#elif RM_VECTOR_BYTES == 32
  return _mm256_cvtps_pd(_mm_loadu_ps(p));
#elif defined(__SSE2__)
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
#else
  Doubles d;
  for (int l = 0; l < lanes; ++l) d[l] = static_cast<double>(p[l]);
  return d;
#endif
}

inline Doubles broadcast(double v) {
#if RM_VECTOR_BYTES == 64
  return _mm512_set1_pd(v);
#elif RM_VECTOR_BYTES == 32
  return _mm256_set1_pd(v);
#elif defined(__SSE2__)
  return _mm_set1_pd(v);
#else
  Doubles d;
  for (int l = 0; l < lanes; ++l) d[l] = v;
  return d;
#endif
}

// s + u*x with the single rounding of the addition; u and x hold floats.
inline Doubles addProduct(Doubles s, Doubles u, Doubles x) {
#if RM_VECTOR_BYTES == 64
  return _mm512_fmadd_pd(u, x, s);
#elif RM_VECTOR_BYTES == 32 && defined(__FMA__)
  return _mm256_fmadd_pd(u, x, s);
#elif RM_VECTOR_BYTES == 16 && defined(__FMA__)
  return _mm_fmadd_pd(u, x, s);
#else
  return s + u * x;
#endif
}

template <int chains>
void substitute(const BackTask& task, float* xs) {
  constexpr int columns = chains * lanes;
  const int n = task.n;
  // Row i of xs holds the right-hand sides of row i until the row is
  // solved, then its unknowns; the padding columns solve zero systems.
  for (int r = 0; r < columns; ++r) {
    const float* b = task.B + static_cast<ptrdiff_t>(r) * task.ldb;
    for (int i = 0; i < n; ++i)
      xs[static_cast<ptrdiff_t>(i) * columns + r] = r < task.count ? b[i] : 0.0f;
  }
  // Row i of the strict upper triangle starts n-1-i floats after row i-1.
  const float* row = task.Ut + (static_cast<ptrdiff_t>(n) * (n - 1) / 2);
  for (int i = n - 1; i >= 0; --i) {
    const int length = n - 1 - i;
    row -= length;
    // The rows of U come from memory; the next one is fetched meanwhile.
    const float* nextRow = i > 0 ? row - (length + 1) : row;
    Doubles s[chains] = {};
    const float* xj = xs + static_cast<ptrdiff_t>(i + 1) * columns;
    for (int t = 0; t < length; ++t, xj += columns) {
      if (t % 16 == 0) __builtin_prefetch(nextRow + t);
      const Doubles u = broadcast(static_cast<double>(row[t]));
      for (int c = 0; c < chains; ++c) s[c] = addProduct(s[c], u, widen(xj + c * lanes));
    }
    const double diagonal = static_cast<double>(task.M[i + static_cast<ptrdiff_t>(i) * task.ld]);
    float* xi = xs + static_cast<ptrdiff_t>(i) * columns;
    for (int c = 0; c < chains; ++c) {
      const Doubles x = (widen(xi + c * lanes) - s[c]) / diagonal;
      for (int l = 0; l < lanes; ++l) xi[c * lanes + l] = static_cast<float>(x[l]);
    }
  }
  for (int r = 0; r < task.count; ++r) {
    float* sigma = task.Sigma + static_cast<ptrdiff_t>(r) * task.lds;
    for (int i = 0; i < n; ++i) sigma[i] = xs[static_cast<ptrdiff_t>(i) * columns + r];
  }
}

}  // namespace

int backColumns(int chains) { return chains * lanes; }

bool backSubstituteTask(const BackTask& task, int chains, float* xs) {
  switch (chains) {
    case 4:
      substitute<4>(task, xs);
      return true;
    case 6:
      substitute<6>(task, xs);
      return true;
    case 8:
      substitute<8>(task, xs);
      return true;
    default:
      return false;
  }
}

}  // namespace korvis::RM_WIDTH_NAMESPACE
