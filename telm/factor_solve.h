// Dense solution of the telm boundary system: Gaussian elimination with row
// interchanges in the classical column-oriented form (the pivot row is
// swapped with row i in columns i..n only; multipliers stay where they were
// computed), and solution with the stored factors.
//
// Arithmetic, which every routine here reproduces bit for bit:
//   factorisation, i = 1..n: p = row of largest |a(r,i)|, r = i..n, a later
//     row winning on equal magnitude (>=); pivot(i) = p; swap rows i and p in
//     columns i..n; for r > i: l = a(r,i) / a(i,i) (single);
//     for j = i+1..n: a(r,j) = a(r,j) - float(l*a(i,j)); a(r,i) = l.
//   forward, i = 1..n-1: swap b(i), b(pivot(i)); for r > i: b(r) = b(r) - float(a(r,i)*b(i)).
//   back, i = n..1: s = 0 (single); for j = i+1..n: s = float(s + float(a(i,j)*x(j)));
//     x(i) = float(float(b(i) - s) / a(i,i)).
// Matrices are column-major with leading dimension ld >= n.
#pragma once

#include <vector>

#include "common/dense_update.h"

namespace telm {

// Factorises in place, filling pivot[0..n) with 1-based pivot rows. Returns 0
// or the 1-based step whose pivot is zero (the elimination still runs to the
// end without failing; the factors are then meaningless). threads <= 0 uses
// every core; the factors do not depend on the thread count.
int factorLinpack(float* a, int n, int ld, int* pivot, int threads = 0);

// Solves with the factors; b (length n) is overwritten, x receives the solution.
// The back substitution walks rows of the column-major factor one dependent
// addition at a time (tens of milliseconds at n = 4200); right-hand sides
// that share the factors are far cheaper together in PreparedFactors.
void solveFactored(const float* a, int n, int ld, const int* pivot, float* b, float* x);

// The factors of factorLinpack laid out once for many solves: for each block
// of columns its multipliers in the block's final row order (the triangle
// kept, the rest packed for the elimination kernels) and its interchanges;
// the strict upper triangle row by row; the diagonal. A factorisation's
// right-hand sides usually come in many batches, and laying the factors out
// costs about as much as solving a batch of a few hundred; once prepared,
// nothing refers back to the matrix.
class PreparedFactors {
 public:
  // threads <= 0 uses every core; the layout does not depend on it.
  void prepare(const float* a, int n, int ld, const int* pivot, int threads = 0);

  // nrhs right-hand sides at once (B overwritten, X the solutions), each
  // column bit-identical to solveFactored with the factors prepared.
  void solveMany(float* B, int ldb, float* X, int ldx, int nrhs, int threads = 0) const;
  // Its two halves: the forward elimination in place on B, then the back
  // substitution from B into X.
  void forward(float* B, int ldb, int nrhs, int threads = 0) const;
  void back(const float* B, int ldb, float* X, int ldx, int nrhs, int threads = 0) const;

 private:
  int n_ = 0;
  std::vector<int> swaps_;           // per block, relative to its first row
  std::vector<float> triangles_;     // per block, its w x w multipliers
  std::vector<common::EliminationBlock> blocks_;
  std::vector<float> upperRows_, diagonal_;
};

// nrhs right-hand sides at once, each column bit-identical to solveFactored:
// PreparedFactors::prepare, then solveMany.
void solveFactoredMany(const float* a, int n, int ld, const int* pivot, float* B, int ldb,
                       float* X, int ldx, int nrhs, int threads = 0);

// mode 1: factorise, then solve; mode 2: solve with the stored factors.
// Returns factorLinpack's result (0 in mode 2).
int factorAndSolve(float* a, int n, int ld, float* b, float* x, int* pivot, int mode);

}  // namespace telm
