#include "telm/factor_solve.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/dense_update.h"
#include "common/worker_pool.h"

namespace telm {
namespace {

using std::ptrdiff_t;

// Columns per block of the right-looking elimination (see luFactor of
// korvis for the layout of the work).
constexpr int blockWidth = 256;
// Columns eliminated one by one at the bottom of the recursion.
constexpr int leafWidth = 16;
// Right-hand sides per task of the back substitution; their solutions
// (n x this floats) stay in the core's L2 cache, whose bandwidth bounds the
// step (see korvis' luSubstituteMany).
constexpr int backColumns = 24;

using Vec8f = float __attribute__((vector_size(8 * sizeof(float)), aligned(4), may_alias));

// The pivot row among col[0..count-1] by the scan of the elimination: the
// running maximum starts at |col[0]| and every later entry whose magnitude
// is >= it takes its place. A NaN never compares >=, so the scan ends on the
// last entry of largest non-NaN magnitude, or on entry 0 when |col[0]| is
// NaN or the largest on its own. The two passes below give that entry.
int pivotRow(const float* col, int count) {
  const float first = std::fabs(col[0]);
  if (std::isnan(first)) return 0;
  float best = first;
  for (int r = 1; r < count; ++r) {
    const float m = std::fabs(col[r]);
    best = m > best ? m : best;
  }
  for (int r = count - 1; r > 0; --r)
    if (std::fabs(col[r]) == best) return r;
  return 0;
}

// Steps i = c0..c1-1 on columns c0..c1-1 of the block [b0, b1), rows i..n-1,
// the columns having received every earlier step:
//   p = pivotRow of column i; rows i and p exchanged; l = float(a(r,i)/a(i,i))
//   stored in a(r,i); a(r,j) = float(a(r,j) - float(l*a(i,j))), j = i+1..c1-1.
// Row interchanges are made across all columns of the block, so that the
// multipliers of the block are in the row order of the trailing columns when
// the block is applied to them; factorLinpack moves them back afterwards.
int eliminateLeaf(float* a, int n, ptrdiff_t ld, int b0, int b1, int c0, int c1, int* pivot) {
  int zeroPivot = 0;
  for (int i = c0; i < c1; ++i) {
    float* __restrict colI = a + i * ld;
    const int p = i + pivotRow(colI + i, n - i);
    pivot[i] = p + 1;
    if (colI[p] == 0.0f && zeroPivot == 0) zeroPivot = i + 1;
    if (p != i)
      for (int j = b0; j < b1; ++j) std::swap(a[i + j * ld], a[p + j * ld]);
    const float diagonal = colI[i];
    for (int r = i + 1; r < n; ++r) colI[r] = colI[r] / diagonal;
    for (int j = i + 1; j < c1; ++j) {
      float* __restrict colJ = a + j * ld;
      const float u = colJ[i];
      for (int r = i + 1; r < n; ++r) colJ[r] = colJ[r] - colI[r] * u;
    }
  }
  return zeroPivot;
}

// Columns c0..c1-1 of the block [b0, b1) by recursive halving, as in korvis.
int factorColumns(float* a, int n, ptrdiff_t ld, int b0, int b1, int c0, int c1, int* pivot,
                  int threads) {
  if (c1 - c0 <= leafWidth) return eliminateLeaf(a, n, ld, b0, b1, c0, c1, pivot);
  const int cm = c0 + std::max(leafWidth, (c1 - c0) / 2 / leafWidth * leafWidth);
  const int left = factorColumns(a, n, ld, b0, b1, c0, cm, pivot, threads);
  const int h = cm - c0;
  common::solveUnitLower(h, c1 - cm, a + c0 + c0 * ld, static_cast<int>(ld), a + c0 + cm * ld,
                         static_cast<int>(ld));
  common::subtractProduct(n - cm, c1 - cm, h, a + cm + c0 * ld, static_cast<int>(ld),
                          a + c0 + cm * ld, static_cast<int>(ld), a + cm + cm * ld,
                          static_cast<int>(ld), threads);
  const int right = factorColumns(a, n, ld, b0, b1, cm, c1, pivot, threads);
  return left != 0 ? left : right;
}

// Row interchanges s = s0..w-1 of a block (0-based, relative to the block's
// first row) applied in order (forward) or undone in reverse order to one
// multiplier column.
void replaySwaps(float* col, const int* swaps, int s0, int w) {
  for (int s = s0; s < w; ++s) std::swap(col[s], col[swaps[s]]);
}
void undoSwaps(float* col, const int* swaps, int s0, int w) {
  for (int s = w - 1; s >= s0; --s) std::swap(col[s], col[swaps[s]]);
}

// Per-call scratch of the calling thread.
thread_local std::vector<float> blockMultipliers;
thread_local std::vector<float> upperRows;
// Per-thread partial solutions of the back substitution, 64-byte aligned.
thread_local std::vector<float> partialSolutions;

float* alignedSolutions(std::size_t count) {
  if (partialSolutions.size() < count + 16) partialSolutions.resize(count + 16);
  const auto address = reinterpret_cast<std::uintptr_t>(partialSolutions.data());
  return partialSolutions.data() + ((64 - address % 64) % 64) / sizeof(float);
}

// Back substitution of right-hand sides r0..r0+count-1 (count <= backColumns):
//   s = 0; s = float(s + float(a(i,j)*x(j))) for j = i+1..n-1;
//   x(i) = float(float(b(i) - s)/a(i,i)).
// xs holds the solutions found so far, row j at xs + j*backColumns.
void backSubstituteBlock(const float* a, int n, ptrdiff_t ld, const float* Ut, const float* B,
                         ptrdiff_t ldb, float* X, ptrdiff_t ldx, int r0, int count, float* xs) {
  constexpr int vecs = backColumns / 8;
  for (int i = n - 1; i >= 0; --i) {
    Vec8f s[vecs] = {};
    const float* row = Ut + common::upperRowStart(n, i);
    // The rows of U come from memory; the next one is fetched meanwhile.
    const float* nextRow = i > 0 ? Ut + common::upperRowStart(n, i - 1) : row;
    const float* xj = xs + static_cast<ptrdiff_t>(i + 1) * backColumns;
    for (int t = 0; t < n - 1 - i; ++t, xj += backColumns) {
      if (t % 16 == 0) __builtin_prefetch(nextRow + t);
      const float u = row[t];
      for (int v = 0; v < vecs; ++v) s[v] = s[v] + u * *reinterpret_cast<const Vec8f*>(xj + 8 * v);
    }
    const float diagonal = a[i + i * ld];
    float* xi = xs + static_cast<ptrdiff_t>(i) * backColumns;
    for (int r = 0; r < backColumns; ++r) {
      if (r < count) {
        const ptrdiff_t column = r0 + r;
        const float x = (B[i + column * ldb] - s[r / 8][r % 8]) / diagonal;
        X[i + column * ldx] = x;
        xi[r] = x;
      } else {
        xi[r] = 0.0f;
      }
    }
  }
}

}  // namespace

int factorLinpack(float* a, int n, int ld, int* pivot, int threads) {
  if (n <= 0) return 0;
  threads = common::resolveThreads(threads);
  thread_local common::EliminationBlock block;
  int swaps[blockWidth];
  int zeroPivot = factorColumns(a, n, ld, 0, std::min(n, blockWidth), 0, std::min(n, blockWidth),
                                pivot, threads);
  for (int b0 = 0; b0 < n; b0 += blockWidth) {
    const int b1 = std::min(n, b0 + blockWidth);
    const int w = b1 - b0;
    for (int s = 0; s < w; ++s) swaps[s] = pivot[b0 + s] - 1 - b0;
    float* blockStart = a + b0 + static_cast<ptrdiff_t>(b0) * ld;
    if (b1 < n) {
      const int b2 = std::min(n, b1 + blockWidth);
      block.prepare(n - b0, w, blockStart, ld, swaps);
      int found = 0;
      common::applyWithLookAhead(block, n - b1, a + b0 + static_cast<ptrdiff_t>(b1) * ld, ld,
                                 b2 - b1, threads, [&](int leadThreads) {
                                   found =
                                       factorColumns(a, n, ld, b1, b2, b1, b2, pivot, leadThreads);
                                 });
      if (zeroPivot == 0) zeroPivot = found;
    }
    // The multipliers of step i stay in the rows they had at step i: the
    // later interchanges of the block are taken back out of column i.
    for (int c = 0; c + 1 < w; ++c)
      undoSwaps(blockStart + static_cast<ptrdiff_t>(c) * ld, swaps, c + 1, w);
  }
  return zeroPivot;
}

void solveFactored(const float* a, int n, int ld, const int* pivot, float* b, float* x) {
  for (int i = 0; i + 1 < n; ++i) {
    std::swap(b[i], b[pivot[i] - 1]);
    const float bi = b[i];
    const float* __restrict colI = a + static_cast<ptrdiff_t>(i) * ld;
    for (int r = i + 1; r < n; ++r) b[r] = b[r] - colI[r] * bi;
  }
  for (int i = n - 1; i >= 0; --i) {
    float s = 0.0f;
    for (int j = i + 1; j < n; ++j) s = s + a[i + static_cast<ptrdiff_t>(j) * ld] * x[j];
    x[i] = (b[i] - s) / a[i + static_cast<ptrdiff_t>(i) * ld];
  }
}

void solveFactoredMany(const float* a, int n, int ld, const int* pivot, float* B, int ldb, float* X,
                       int ldx, int nrhs, int threads) {
  if (n <= 0 || nrhs <= 0) return;
  threads = common::resolveThreads(threads);

  // Forward pass block by block. The stored multipliers of step i are in the
  // row order of step i; the block is applied with all of its interchanges
  // first, so a copy of its multipliers is brought into the final row order
  // of the block.
  int swaps[blockWidth];
  for (int b0 = 0; b0 + 1 < n; b0 += blockWidth) {
    const int b1 = std::min(n, b0 + blockWidth);
    const int w = b1 - b0;
    const int rows = n - b0;
    for (int s = 0; s < w; ++s) swaps[s] = pivot[b0 + s] - 1 - b0;
    const std::size_t need = static_cast<std::size_t>(rows) * static_cast<std::size_t>(w);
    if (blockMultipliers.size() < need) blockMultipliers.resize(need);
    float* L = blockMultipliers.data();
    for (int c = 0; c < w; ++c) {
      const float* src = a + b0 + static_cast<ptrdiff_t>(b0 + c) * ld;
      float* dst = L + static_cast<ptrdiff_t>(c) * rows;
      std::copy(src, src + rows, dst);
      replaySwaps(dst, swaps, c + 1, w);
    }
    common::applyEliminationBlock(rows, w, L, rows, swaps, nrhs, B + b0, ldb, threads);
  }

  const std::size_t packed = common::upperRowStart(n, n - 1) + 1;
  if (upperRows.size() < packed) upperRows.resize(packed);
  common::packUpperRows(n, a, ld, upperRows.data(), threads);
  const float* Ut = upperRows.data();
  const int blocks = (nrhs + backColumns - 1) / backColumns;
  std::atomic<int> next{0};
  common::runParallel(std::min(threads, blocks), [&](int) {
    float* xs = alignedSolutions(static_cast<std::size_t>(n) * backColumns);
    for (int blk = next.fetch_add(1); blk < blocks; blk = next.fetch_add(1)) {
      const int r0 = blk * backColumns;
      backSubstituteBlock(a, n, ld, Ut, B, ldb, X, ldx, r0, std::min(backColumns, nrhs - r0), xs);
    }
  });
}

int factorAndSolve(float* a, int n, int ld, float* b, float* x, int* pivot, int mode) {
  const int zeroPivot = mode < 2 ? factorLinpack(a, n, ld, pivot, 0) : 0;
  solveFactored(a, n, ld, pivot, b, x);
  return zeroPivot;
}

}  // namespace telm
