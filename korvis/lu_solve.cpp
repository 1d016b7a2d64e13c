#include "korvis/lu_solve.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/dense_update.h"
#include "common/worker_pool.h"

namespace korvis {
namespace {

using std::ptrdiff_t;

// Columns per block of the right-looking elimination: the block is factored
// by recursive halving, then its steps are applied to the rest of the matrix
// in one product per column chunk (one load and store of each trailing entry
// per block).
constexpr int blockWidth = 256;
// Columns eliminated one by one at the bottom of the recursion.
constexpr int leafWidth = 16;
// Right-hand sides per task of the back substitution. Each row's sum is a
// chain of dependent double additions over all later solutions, so the
// solutions of a task (n x this, double) are read once per row: they are
// kept in the core's L2 cache (393 KB of 512 KB at n = 4100), whose
// bandwidth, not the arithmetic, bounds this step. Three vectors of four
// also cover the latency of the addition.
constexpr int backColumns = 12;

using Vec4d = double __attribute__((vector_size(4 * sizeof(double)), aligned(8), may_alias));

// Steps k = c0..c1-1 of the elimination on columns c0..c1-1, rows k+1..n-1,
// the columns having received every earlier step:
//   r = 1/M(k,k) in long double; mu = float(M(i,k)*r) stored in M(i,k);
//   M(i,j) = float(M(i,j) - float(M(k,j)*mu)) for j = k+1..c1-1.
// The update of column k by its own step is skipped: the plain loop
// overwrites it with mu.
int eliminateLeaf(float* M, int n, ptrdiff_t ld, int c0, int c1) {
  int zeroPivot = 0;
  for (int k = c0; k < c1; ++k) {
    float* __restrict colK = M + k * ld;
    const float pivot = colK[k];
    if (pivot == 0.0f && zeroPivot == 0) zeroPivot = k + 1;
    const long double r = 1.0L / static_cast<long double>(pivot);
    for (int i = k + 1; i < n; ++i)
      colK[i] = static_cast<float>(static_cast<long double>(colK[i]) * r);
    for (int j = k + 1; j < c1; ++j) {
      float* __restrict colJ = M + j * ld;
      const float u = colJ[k];
      for (int i = k + 1; i < n; ++i) colJ[i] = colJ[i] - u * colK[i];
    }
  }
  return zeroPivot;
}

// Columns c0..c1-1 (rows c0..n-1), recursively: the left half is factored,
// its steps are applied to the right half (triangle on top, product below),
// then the right half is factored. Every entry still takes its terms in
// increasing k.
int factorColumns(float* M, int n, ptrdiff_t ld, int c0, int c1, int threads) {
  if (c1 - c0 <= leafWidth) return eliminateLeaf(M, n, ld, c0, c1);
  const int cm = c0 + std::max(leafWidth, (c1 - c0) / 2 / leafWidth * leafWidth);
  const int left = factorColumns(M, n, ld, c0, cm, threads);
  const int h = cm - c0;
  common::solveUnitLower(h, c1 - cm, M + c0 + c0 * ld, static_cast<int>(ld), M + c0 + cm * ld,
                         static_cast<int>(ld));
  common::subtractProduct(n - cm, c1 - cm, h, M + cm + c0 * ld, static_cast<int>(ld),
                          M + c0 + cm * ld, static_cast<int>(ld), M + cm + cm * ld,
                          static_cast<int>(ld), threads);
  const int right = factorColumns(M, n, ld, cm, c1, threads);
  return left != 0 ? left : right;
}

// The upper factor's rows, packed, shared by the threads of one call.
thread_local std::vector<float> upperRows;
// Per-thread partial solutions of the back substitution, in double,
// 64-byte aligned.
thread_local std::vector<double> partialSolutions;

double* alignedSolutions(std::size_t count) {
  if (partialSolutions.size() < count + 8) partialSolutions.resize(count + 8);
  const auto address = reinterpret_cast<std::uintptr_t>(partialSolutions.data());
  return partialSolutions.data() + ((64 - address % 64) % 64) / sizeof(double);
}

// Back substitution of right-hand sides r0..r0+count-1 (count <= backColumns):
//   s = sum_{j>i} double(U(i,j))*double(sigma(j)) in increasing j from 0,
//   sigma(i) = float((double(b(i)) - s)/double(U(i,i))).
// x holds the solutions found so far as doubles, row j at x + j*backColumns.
void backSubstituteBlock(const float* M, int n, ptrdiff_t ld, const float* Ut, const float* B,
                         ptrdiff_t ldb, float* Sigma, ptrdiff_t lds, int r0, int count, double* x) {
  constexpr int vecs = backColumns / 4;
  for (int i = n - 1; i >= 0; --i) {
    Vec4d s[vecs] = {};
    const float* row = Ut + common::upperRowStart(n, i);
    // The rows of U come from memory; the next one is fetched meanwhile.
    const float* nextRow = i > 0 ? Ut + common::upperRowStart(n, i - 1) : row;
    const double* xj = x + static_cast<ptrdiff_t>(i + 1) * backColumns;
    for (int t = 0; t < n - 1 - i; ++t, xj += backColumns) {
      if (t % 16 == 0) __builtin_prefetch(nextRow + t);
      const double u = static_cast<double>(row[t]);
      for (int v = 0; v < vecs; ++v) s[v] = s[v] + u * *reinterpret_cast<const Vec4d*>(xj + 4 * v);
    }
    const double diagonal = static_cast<double>(M[i + i * ld]);
    double* xi = x + static_cast<ptrdiff_t>(i) * backColumns;
    for (int r = 0; r < backColumns; ++r) {
      if (r < count) {
        const ptrdiff_t column = r0 + r;
        const double b = static_cast<double>(B[i + column * ldb]);
        const auto sigma = static_cast<float>((b - s[r / 4][r % 4]) / diagonal);
        Sigma[i + column * lds] = sigma;
        xi[r] = static_cast<double>(sigma);
      } else {
        xi[r] = 0.0;
      }
    }
  }
}

}  // namespace

int luFactor(float* M, int n, int ld, int threads) {
  if (n <= 0) return 0;
  threads = common::resolveThreads(threads);
  thread_local common::EliminationBlock block;
  int zeroPivot = factorColumns(M, n, ld, 0, std::min(n, blockWidth), threads);
  for (int c0 = 0; c0 + blockWidth < n; c0 += blockWidth) {
    const int c1 = c0 + blockWidth;
    const int c2 = std::min(n, c1 + blockWidth);
    block.prepare(n - c0, blockWidth, M + c0 + static_cast<ptrdiff_t>(c0) * ld, ld, nullptr);
    int found = 0;
    common::applyWithLookAhead(
        block, n - c1, M + c0 + static_cast<ptrdiff_t>(c1) * ld, ld, c2 - c1, threads,
        [&](int leadThreads) { found = factorColumns(M, n, ld, c1, c2, leadThreads); });
    if (zeroPivot == 0) zeroPivot = found;
  }
  return zeroPivot;
}

void luSubstitute(const float* M, int n, int ld, float* b, float* sigma) {
  for (int k = 0; k + 1 < n; ++k) {
    const float bk = b[k];
    const float* __restrict colK = M + static_cast<ptrdiff_t>(k) * ld;
    for (int i = k + 1; i < n; ++i) b[i] = b[i] - bk * colK[i];
  }
  for (int i = n - 1; i >= 0; --i) {
    double s = 0.0;
    for (int j = i + 1; j < n; ++j)
      s += static_cast<double>(M[i + static_cast<ptrdiff_t>(j) * ld]) *
           static_cast<double>(sigma[j]);
    sigma[i] = static_cast<float>((static_cast<double>(b[i]) - s) /
                                  static_cast<double>(M[i + static_cast<ptrdiff_t>(i) * ld]));
  }
}

void luSubstituteMany(const float* M, int n, int ld, float* B, int ldb, float* Sigma, int lds,
                      int nrhs, int threads) {
  if (n <= 0 || nrhs <= 0) return;
  threads = common::resolveThreads(threads);
  for (int c0 = 0; c0 + 1 < n; c0 += blockWidth) {
    const int c1 = std::min(n, c0 + blockWidth);
    common::applyEliminationBlock(n - c0, c1 - c0, M + c0 + static_cast<ptrdiff_t>(c0) * ld, ld,
                                  nullptr, nrhs, B + c0, ldb, threads);
  }

  const std::size_t packed = common::upperRowStart(n, n - 1) + 1;
  if (upperRows.size() < packed) upperRows.resize(packed);
  common::packUpperRows(n, M, ld, upperRows.data(), threads);
  const float* Ut = upperRows.data();
  const int blocks = (nrhs + backColumns - 1) / backColumns;
  std::atomic<int> next{0};
  common::runParallel(std::min(threads, blocks), [&](int) {
    double* x = alignedSolutions(static_cast<std::size_t>(n) * backColumns);
    for (int blk = next.fetch_add(1); blk < blocks; blk = next.fetch_add(1)) {
      const int r0 = blk * backColumns;
      backSubstituteBlock(M, n, ld, Ut, B, ldb, Sigma, lds, r0, std::min(backColumns, nrhs - r0),
                          x);
    }
  });
}

int luSolve(float* M, int ld, float* sigma, float* b, int n, float* /*work*/, int flag) {
  const int zeroPivot = flag < 2 ? luFactor(M, n, ld, 0) : 0;
  luSubstitute(M, n, ld, b, sigma);
  return zeroPivot;
}

}  // namespace korvis
