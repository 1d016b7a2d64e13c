// Back substitution of many right-hand sides through korvis' upper factor U,
// reproducing for every column r, bit for bit, the plain loop
//   for i = n-1..0:  s = sum_{j>i} double(U(i,j))*double(sigma(j)), added in
//                    increasing j to a double starting at 0;
//                    sigma(i) = float((double(b(i)) - s) / double(U(i,i))).
//
// In the plain order each row is one chain of dependent double additions
// over all later solutions, so the solutions are streamed from the caches
// once per row and the caches' bandwidth sets the speed. Here the sums are
// formed as a blocked matrix product instead (rows of U against the
// solutions already known), in another order of addition. Every product of
// two floats is exact in double, so the plain sum and the blocked one are
// both recursive summations of the same m = n-1-i terms, each within
// gamma_{m-1} * sum|p_j| of the exact sum (Higham, Accuracy and Stability of
// Numerical Algorithms, 2nd ed., eq. 4.4). The plain s thus lies within
// E = 8 (m+2) u B of the blocked one, B >= sum|p_j|, u = 2^-53 (the factor 8
// also covers the rounding of B, of E and of s -+ E). sigma(i) is a monotone
// function of s (every rounding is monotone), so when both ends of the
// interval give the same finite non-zero float, the plain order gives that
// float as well. Otherwise, which is rare, that one sum is recomputed in the
// plain order. The result never depends on the blocking or the threads.
#pragma once

#include <cstddef>
#include <vector>

namespace korvis {

// Scratch of one thread, allocated on first use and kept.
class BackSubstitution {
 public:
  // Columns r0..r1-1 of B (the right-hand sides after the forward
  // elimination, leading dimension ldb) give the same columns of Sigma
  // (leading dimension lds). M holds U on and above its diagonal (leading
  // dimension ld); Ut holds U's strict upper triangle in the packed rows of
  // common::packUpperRows. Returns how many sums were recomputed in the
  // plain order.
  long long solve(const float* M, int n, std::ptrdiff_t ld, const float* Ut, const float* B,
                  std::ptrdiff_t ldb, float* Sigma, std::ptrdiff_t lds, int r0, int r1);

 private:
  std::vector<double> up_, upAbs_, xMax_, sums_, bounds_, solved_;
};

}  // namespace korvis
