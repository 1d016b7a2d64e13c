// The serial kernels of the dense elimination, written once over the vector
// width: this file is compiled once per width with RM_VECTOR_BYTES set to
// 16, 32 or 64 and the matching instruction-set options (see
// common/CMakeLists.txt), each copy in its own namespace. It therefore
// defines nothing with vague linkage (no inline functions or templates
// outside the unnamed namespace, no standard-library templates), so that no
// code built for a wider unit can stand in for the same code of a narrower
// one at link time.
#include "common/vector_width.h"

#include "common/dense_update_kernel.h"

#include <cstddef>

#include "common/transpose8.h"

namespace common::RM_WIDTH_NAMESPACE {
namespace {

using std::ptrdiff_t;

// Register blocking (Goto & van de Geijn, "Anatomy of high-performance
// matrix multiplication", 2008): a tile of 2 vectors x nr columns of C stays
// in registers while the packed operands stream through it. Without fused
// multiply-add every term costs a multiply and a subtraction, which go to
// different execution ports, so the tile needs no more registers than the
// usual FMA kernel: 2*nr accumulators, 2 vectors of A and a broadcast of B
// fit the 32 registers of AVX-512 with nr = 12 and the 16 of AVX or SSE
// with nr = 6.
constexpr int vecLen = RM_VECTOR_BYTES / static_cast<int>(sizeof(float));
constexpr int nr = RM_VECTOR_BYTES == 64 ? 12 : 6;
constexpr int mr = 2 * vecLen;

using Vec = float __attribute__((vector_size(RM_VECTOR_BYTES), aligned(4), may_alias));

// Cache blocking: kc terms per pass over a tile of C, an mc x kc block of A
// in L2, a kc x nc block of B in L3.
constexpr int kc = 256;
constexpr int mc = 8 * 16;
constexpr int nc = 16 * 96;
static_assert(mc % mr == 0 && nc % nr == 0);

// Rows of the smallest triangle of solveLowerSerial, solved directly.
constexpr int triangleLeaf = 16;

inline int smaller(int a, int b) { return a < b ? a : b; }

inline Vec loadVec(const float* p) { return *reinterpret_cast<const Vec*>(p); }
inline void storeVec(float* p, Vec v) { *reinterpret_cast<Vec*>(p) = v; }

// c(mr x nr tile, leading dimension ldc) -= a * b over k terms in order.
// a: k groups of mr floats; b: k groups of nr floats.
inline void tileKernel(int k, const float* __restrict a, const float* __restrict b, float* c,
                       ptrdiff_t ldc) {
  Vec acc[nr][2];
  for (int j = 0; j < nr; ++j) {
    acc[j][0] = loadVec(c + j * ldc);
    acc[j][1] = loadVec(c + j * ldc + vecLen);
  }
#pragma GCC unroll 4
  for (int p = 0; p < k; ++p) {
    const Vec a0 = loadVec(a);
    const Vec a1 = loadVec(a + vecLen);
    for (int j = 0; j < nr; ++j) {
      const float bj = b[j];
      acc[j][0] = acc[j][0] - a0 * bj;
      acc[j][1] = acc[j][1] - a1 * bj;
    }
    a += mr;
    b += nr;
  }
  for (int j = 0; j < nr; ++j) {
    storeVec(c + j * ldc, acc[j][0]);
    storeVec(c + j * ldc + vecLen, acc[j][1]);
  }
}

// A partial tile goes through a full-size copy; its padding lanes compute
// on zeros and are dropped, the valid lanes get exactly the same operations.
void edgeTile(int rows, int cols, int k, const float* a, const float* b, float* c, ptrdiff_t ldc) {
  alignas(64) float tile[mr * nr] = {};
  for (int j = 0; j < cols; ++j)
    for (int i = 0; i < rows; ++i) tile[j * mr + i] = c[i + j * ldc];
  tileKernel(k, a, b, tile, mr);
  for (int j = 0; j < cols; ++j)
    for (int i = 0; i < rows; ++i) c[i + j * ldc] = tile[j * mr + i];
}

// Tiles of A (tile stride aStride floats) against the packed panels of B,
// for an m x n block of C and k terms.
void macroKernel(int m, int n, int k, const float* aTiles, ptrdiff_t aStride, const float* bPanels,
                 float* C, ptrdiff_t ldc) {
  for (int j0 = 0; j0 < n; j0 += nr) {
    const int cols = smaller(nr, n - j0);
    const float* b = bPanels + static_cast<ptrdiff_t>(j0 / nr) * nr * k;
    for (int i0 = 0; i0 < m; i0 += mr) {
      const int rows = smaller(mr, m - i0);
      const float* a = aTiles + static_cast<ptrdiff_t>(i0 / mr) * aStride;
      float* c = C + i0 + j0 * ldc;
      // The kernel's first subtractions wait for the tile of C; fetch the
      // next tile while this one is computed.
      const float* following = i0 + mr < m ? c + mr : (j0 + nr < n ? C + (j0 + nr) * ldc : nullptr);
      if (following) {
        const int nextCols = i0 + mr < m ? cols : smaller(nr, n - j0 - nr);
        for (int j = 0; j < nextCols; ++j) {
          __builtin_prefetch(following + j * ldc, 1);
          __builtin_prefetch(following + j * ldc + mr - 1, 1);
        }
      }
      if (rows == mr && cols == nr)
        tileKernel(k, a, b, c, ldc);
      else
        edgeTile(rows, cols, k, a, b, c, ldc);
    }
  }
}

// B (k x n) into panels of nr columns: panel q holds, for p = 0..k-1, the
// nr entries B(p, q*nr ..), zero-padded.
void packPanels(int k, int n, const float* B, ptrdiff_t ldb, float* packed) {
  for (int j0 = 0; j0 < n; j0 += nr) {
    const int cols = smaller(nr, n - j0);
    float* dst = packed + static_cast<ptrdiff_t>(j0 / nr) * nr * k;
    for (int j = 0; j < cols; ++j) {
      const float* src = B + (j0 + j) * ldb;
      for (int p = 0; p < k; ++p) dst[p * nr + j] = src[p];
    }
    for (int j = cols; j < nr; ++j)
      for (int p = 0; p < k; ++p) dst[p * nr + j] = 0.0f;
  }
}

// The triangle of a leaf is a chain of dependent steps down each column,
// so it is vectorised across 8 columns at a time: the 16 x 8 block is
// transposed into row vectors, eliminated, and transposed back. Returns the
// number of columns done (the leading multiple of 8).
int fullLeaf(int n, const float* L, ptrdiff_t ldl, float* X, ptrdiff_t ldx) {
  static_assert(triangleLeaf == 16);
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    Floats8 top[8], bottom[8];
    for (int c = 0; c < 8; ++c) {
      top[c] = *reinterpret_cast<const Floats8*>(X + (j + c) * ldx);
      bottom[c] = *reinterpret_cast<const Floats8*>(X + (j + c) * ldx + 8);
    }
    transpose8(top);
    transpose8(bottom);
    Floats8 row[16];
    for (int i = 0; i < 8; ++i) {
      row[i] = top[i];
      row[i + 8] = bottom[i];
    }
    for (int p = 0; p < 15; ++p)
      for (int i = p + 1; i < 16; ++i) row[i] = row[i] - L[i + p * ldl] * row[p];
    for (int i = 0; i < 8; ++i) {
      top[i] = row[i];
      bottom[i] = row[i + 8];
    }
    transpose8(top);
    transpose8(bottom);
    for (int c = 0; c < 8; ++c) {
      *reinterpret_cast<Floats8*>(X + (j + c) * ldx) = top[c];
      *reinterpret_cast<Floats8*>(X + (j + c) * ldx + 8) = bottom[c];
    }
  }
  return j;
}

}  // namespace

int tileRows() { return mr; }
int tileCols() { return nr; }

void packRowTiles(int m, int k, const float* A, ptrdiff_t lda, float* packed,
                  ptrdiff_t tileStride) {
  for (int i0 = 0; i0 < m; i0 += mr) {
    const int rows = smaller(mr, m - i0);
    float* dst = packed + static_cast<ptrdiff_t>(i0 / mr) * tileStride;
    for (int p = 0; p < k; ++p) {
      const float* src = A + i0 + p * lda;
      float* d = dst + p * mr;
      for (int i = 0; i < rows; ++i) d[i] = src[i];
      for (int i = rows; i < mr; ++i) d[i] = 0.0f;
    }
  }
}

void productSerial(int m, int n, int k, const float* A, ptrdiff_t lda, const float* packedA,
                   const float* B, ptrdiff_t ldb, float* C, ptrdiff_t ldc) {
  if (m <= 0 || n <= 0 || k <= 0) return;
  float* bPack = packingScratch(1, static_cast<std::size_t>(kc) * nc);
  float* aPack = packedA ? nullptr : packingScratch(0, static_cast<std::size_t>(mc) * kc);
  const ptrdiff_t packedStride = static_cast<ptrdiff_t>(mr) * k;
  for (int j0 = 0; j0 < n; j0 += nc) {
    const int nb = smaller(nc, n - j0);
    for (int p0 = 0; p0 < k; p0 += kc) {
      const int kb = smaller(kc, k - p0);
      packPanels(kb, nb, B + p0 + j0 * ldb, ldb, bPack);
      for (int i0 = 0; i0 < m; i0 += mc) {
        const int mb = smaller(mc, m - i0);
        if (packedA) {
          macroKernel(mb, nb, kb, packedA + (i0 / mr) * packedStride + p0 * mr, packedStride, bPack,
                      C + i0 + j0 * ldc, ldc);
        } else {
          packRowTiles(mb, kb, A + i0 + p0 * lda, lda, aPack, static_cast<ptrdiff_t>(mr) * kb);
          macroKernel(mb, nb, kb, aPack, static_cast<ptrdiff_t>(mr) * kb, bPack, C + i0 + j0 * ldc,
                      ldc);
        }
      }
    }
  }
}

void solveLowerSerial(int m, int n, const float* L, ptrdiff_t ldl, float* X, ptrdiff_t ldx) {
  if (m <= 1 || n <= 0) return;
  if (m <= triangleLeaf) {
    const int done = m == triangleLeaf ? fullLeaf(n, L, ldl, X, ldx) : 0;
    for (int j = done; j < n; ++j) {
      float* __restrict x = X + static_cast<ptrdiff_t>(j) * ldx;
      for (int p = 0; p < m - 1; ++p) {
        const float xp = x[p];
        const float* __restrict l = L + static_cast<ptrdiff_t>(p) * ldl;
        for (int i = p + 1; i < m; ++i) x[i] = x[i] - l[i] * xp;
      }
    }
    return;
  }
  // Rows of the upper part are final before the lower part needs them, and
  // the lower part takes their terms in increasing p: first the product,
  // then its own triangle.
  int half = (m / 2 + mr - 1) / mr * mr;
  if (half >= m) half = m / 2;
  solveLowerSerial(half, n, L, ldl, X, ldx);
  productSerial(m - half, n, half, L + half, ldl, nullptr, X, ldx, X + half, ldx);
  solveLowerSerial(m - half, n, L + half + static_cast<ptrdiff_t>(half) * ldl, ldl, X + half, ldx);
}

}  // namespace common::RM_WIDTH_NAMESPACE
