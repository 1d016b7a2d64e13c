// Dense LU solution of the korvis boundary system: Gaussian elimination in the
// natural order (no pivoting), factors kept in place, later right-hand sides
// solved with the stored factors.
//
// Arithmetic, which every routine here reproduces bit for bit:
//   factorisation, k = 1..n-1:  r = 1/M(k,k) in long double;
//     for i > k: mu = float(M(i,k) * r);  for j = k..n: M(i,j) = M(i,j) - float(M(k,j)*mu);
//     then M(i,k) = mu.
//   forward:  for k = 1..n-1, i = k+1..n: b(i) = b(i) - float(b(k)*M(i,k)).
//   back:     for i = n..1: s = sum_{j>i} double(M(i,j))*double(sigma(j)) in
//             increasing j, in double from 0; sigma(i) = float((b(i) - s) / M(i,i)).
// Matrices are column-major with leading dimension ld >= n.
#pragma once

namespace korvis {

// Factorises in place. Returns 0, or the 1-based row of the first zero pivot,
// M(n,n) included since the back substitution divides by it (the
// elimination still runs to the end without failing; the factors are then
// meaningless). threads <= 0 uses every core; the factors do not depend on
// the thread count.
int luFactor(float* M, int n, int ld, int threads = 0);

// Forward and back substitution for one right-hand side; b is overwritten.
// The back substitution walks rows of the column-major factor one dependent
// addition at a time (tens of milliseconds at n = 4100); right-hand sides
// that share the factors are far cheaper together in luSubstituteMany.
void luSubstitute(const float* M, int n, int ld, float* b, float* sigma);

// The same for nrhs right-hand sides at once: column r of B (leading
// dimension ldb) gives column r of Sigma (leading dimension lds), each
// bit-identical to luSubstitute on that column. B is overwritten.
void luSubstituteMany(const float* M, int n, int ld, float* B, int ldb, float* Sigma, int lds,
                      int nrhs, int threads = 0);

// The two halves of luSubstituteMany: the forward substitution of the nrhs
// columns of B in place, then the back substitution from them into Sigma.
void luForwardMany(const float* M, int n, int ld, float* B, int ldb, int nrhs, int threads = 0);
void luBackMany(const float* M, int n, int ld, const float* B, int ldb, float* Sigma, int lds,
                int nrhs, int threads = 0);

// The routine as the solver calls it: factorises when flag < 2, then
// substitutes. work holds n floats; the blocked elimination does not need
// it. Returns luFactor's result (0 when flag >= 2).
int luSolve(float* M, int ld, float* sigma, float* b, int n, float* work, int flag);

}  // namespace korvis
