#include "korvis/lu_solve.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "common/dense_update.h"
#include "common/worker_pool.h"
#include "korvis/back_substitution.h"

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

void luForwardMany(const float* M, int n, int ld, float* B, int ldb, int nrhs, int threads) {
  if (n <= 0 || nrhs <= 0) return;
  threads = common::resolveThreads(threads);
  for (int c0 = 0; c0 + 1 < n; c0 += blockWidth) {
    const int c1 = std::min(n, c0 + blockWidth);
    common::applyEliminationBlock(n - c0, c1 - c0, M + c0 + static_cast<ptrdiff_t>(c0) * ld, ld,
                                  nullptr, nrhs, B + c0, ldb, threads);
  }
}

void luBackMany(const float* M, int n, int ld, const float* B, int ldb, float* Sigma, int lds,
                int nrhs, int threads) {
  if (n <= 0 || nrhs <= 0) return;
  threads = common::resolveThreads(threads);
  const std::size_t packed = common::upperRowStart(n, n - 1) + 1;
  if (upperRows.size() < packed) upperRows.resize(packed);
  common::packUpperRows(n, M, ld, upperRows.data(), threads);
  backSubstituteMany(M, n, ld, upperRows.data(), B, ldb, Sigma, lds, nrhs, threads,
                     backSubstitutionWidth());
}

void luSubstituteMany(const float* M, int n, int ld, float* B, int ldb, float* Sigma, int lds,
                      int nrhs, int threads) {
  luForwardMany(M, n, ld, B, ldb, nrhs, threads);
  luBackMany(M, n, ld, B, ldb, Sigma, lds, nrhs, threads);
}

int luSolve(float* M, int ld, float* sigma, float* b, int n, float* /*work*/, int flag) {
  const int zeroPivot = flag < 2 ? luFactor(M, n, ld, 0) : 0;
  luSubstitute(M, n, ld, b, sigma);
  return zeroPivot;
}

}  // namespace korvis
