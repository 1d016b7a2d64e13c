#include "telm/factor_solve.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/dense_update.h"
#include "common/upper_solve.h"
#include "common/worker_pool.h"

namespace telm {
namespace {

using std::ptrdiff_t;

// Columns per block of the right-looking elimination (see luFactor of
// korvis for the layout of the work).
constexpr int blockWidth = 256;
// Columns eliminated one by one at the bottom of the recursion.
constexpr int leafWidth = 16;
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

void PreparedFactors::prepare(const float* a, int n, int ld, const int* pivot, int threads) {
  n_ = std::max(n, 0);
  threads = common::resolveThreads(threads);
  const int blocks = n_ > 1 ? (n_ - 2) / blockWidth + 1 : 0;  // those with b0 + 1 < n
  swaps_.assign(static_cast<std::size_t>(blocks) * blockWidth, 0);
  triangles_.assign(static_cast<std::size_t>(blocks) * blockWidth * blockWidth, 0.0f);
  blocks_.resize(static_cast<std::size_t>(blocks));

  // The stored multipliers of step i are in the row order of step i; the
  // block is applied with all of its interchanges first, so a copy of its
  // multipliers is brought into the final row order of the block.
  std::atomic<int> next{0};
  common::runParallel(std::min(threads, std::max(blocks, 1)), [&](int) {
    std::vector<float> copy;
    for (int k = next.fetch_add(1); k < blocks; k = next.fetch_add(1)) {
      const int b0 = k * blockWidth;
      const int w = std::min(n_, b0 + blockWidth) - b0;
      const int rows = n_ - b0;
      int* swaps = swaps_.data() + static_cast<ptrdiff_t>(k) * blockWidth;
      for (int s = 0; s < w; ++s) swaps[s] = pivot[b0 + s] - 1 - b0;
      copy.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(w));
      float* triangle = triangles_.data() + static_cast<ptrdiff_t>(k) * blockWidth * blockWidth;
      for (int c = 0; c < w; ++c) {
        const float* src = a + b0 + static_cast<ptrdiff_t>(b0 + c) * ld;
        float* dst = copy.data() + static_cast<ptrdiff_t>(c) * rows;
        std::copy(src, src + rows, dst);
        replaySwaps(dst, swaps, c + 1, w);
        std::copy(dst, dst + w, triangle + static_cast<ptrdiff_t>(c) * w);
      }
      blocks_[static_cast<std::size_t>(k)].prepare(rows, w, triangle, w, copy.data() + w, rows,
                                                   swaps);
    }
  });

  upperRows_.resize(n_ > 1 ? common::upperRowStart(n_, n_ - 1) + 1 : 0);
  common::packUpperRows(n_, a, ld, upperRows_.data(), threads);
  diagonal_.resize(static_cast<std::size_t>(n_));
  for (int i = 0; i < n_; ++i)
    diagonal_[static_cast<std::size_t>(i)] = a[i + static_cast<ptrdiff_t>(i) * ld];
}

void PreparedFactors::forward(float* B, int ldb, int nrhs, int threads) const {
  for (std::size_t k = 0; k < blocks_.size(); ++k)
    common::applyEliminationBlock(blocks_[k], nrhs, B + static_cast<ptrdiff_t>(k) * blockWidth,
                                  ldb, threads);
}

void PreparedFactors::back(const float* B, int ldb, float* X, int ldx, int nrhs,
                           int threads) const {
  common::solveUpperMany(n_, upperRows_.data(), diagonal_.data(), B, ldb, X, ldx, nrhs, threads);
}

void PreparedFactors::solveMany(float* B, int ldb, float* X, int ldx, int nrhs,
                                int threads) const {
  forward(B, ldb, nrhs, threads);
  back(B, ldb, X, ldx, nrhs, threads);
}

void solveFactoredMany(const float* a, int n, int ld, const int* pivot, float* B, int ldb, float* X,
                       int ldx, int nrhs, int threads) {
  if (n <= 0 || nrhs <= 0) return;
  PreparedFactors factors;
  factors.prepare(a, n, ld, pivot, threads);
  factors.solveMany(B, ldb, X, ldx, nrhs, threads);
}

int factorAndSolve(float* a, int n, int ld, float* b, float* x, int* pivot, int mode) {
  const int zeroPivot = mode < 2 ? factorLinpack(a, n, ld, pivot, 0) : 0;
  solveFactored(a, n, ld, pivot, b, x);
  return zeroPivot;
}

}  // namespace telm
