// The blocked back substitution against the plain increasing-j double sum:
// identical bits over block, chunk, bound-group and panel edges; exact
// rounding ties and special values, where the blocked sum cannot decide the
// float and the plain sum must be redone, give the plain result too.
#include "korvis/back_substitution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "common/bit_compare.h"
#include "common/dense_update.h"

namespace korvis {
namespace {

using testing_support::sameBits;

// The back substitution as stated, one column at a time.
void plainBack(const float* U, int n, int ld, const float* b, float* sigma) {
  for (int i = n - 1; i >= 0; --i) {
    double s = 0.0;
    for (int j = i + 1; j < n; ++j)
      s = s + static_cast<double>(U[i + j * ld]) * static_cast<double>(sigma[j]);
    sigma[i] =
        static_cast<float>((static_cast<double>(b[i]) - s) / static_cast<double>(U[i + i * ld]));
  }
}

struct Problem {
  int n = 0, ld = 0, nrhs = 0;
  std::vector<float> U, B;
};

// Solves columns r0..r1-1 both ways; returns the recomputed count.
long long expectPlainBits(const Problem& p, int r0, int r1) {
  std::vector<float> Ut(common::upperRowStart(p.n, p.n - 1) + 1);
  common::packUpperRows(p.n, p.U.data(), p.ld, Ut.data(), 1);
  const int lds = p.n + 2;
  std::vector<float> sigma(static_cast<std::size_t>(lds) * p.nrhs, -1.0f);
  std::vector<float> expected = sigma;
  for (int r = r0; r < r1; ++r)
    plainBack(p.U.data(), p.n, p.ld, p.B.data() + r * p.ld, expected.data() + r * lds);
  BackSubstitution solver;
  const long long recomputed = solver.solve(p.U.data(), p.n, p.ld, Ut.data(), p.B.data(), p.ld,
                                            sigma.data(), lds, r0, r1);
  EXPECT_TRUE(sameBits(sigma.data(), expected.data(), sigma.size()))
      << "n " << p.n << " columns " << r0 << ".." << r1;
  return recomputed;
}

// An upper factor like korvis' (diagonal near 3, small terms over several
// binades) and right-hand sides of mixed magnitude.
Problem randomProblem(int n, int nrhs, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::uniform_int_distribution<int> e(-14, 3);
  Problem p{n, n + 1, nrhs, {}, {}};
  p.U.assign(static_cast<std::size_t>(p.ld) * n, 9.0f);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i <= j; ++i)
      p.U[i + j * p.ld] = i == j ? 3.0f + u(gen) : std::ldexp(u(gen), e(gen)) / 8.0f;
  p.B.resize(static_cast<std::size_t>(p.ld) * nrhs);
  for (auto& v : p.B) v = std::ldexp(u(gen), e(gen));
  return p;
}

TEST(BackSubstitution, PlainBitsOverEveryBlockEdge) {
  for (int n : {1, 2, 31, 32, 33, 63, 64, 65, 127, 128, 129, 192, 193, 321}) {
    for (int nrhs : {1, 4, 12, 13, 25}) {
      const Problem p = randomProblem(n, nrhs, static_cast<unsigned>(n * 100 + nrhs));
      expectPlainBits(p, 0, nrhs);
    }
  }
  const Problem p = randomProblem(200, 40, 7);
  expectPlainBits(p, 13, 38);  // a column range of its own, as a thread gets
}

TEST(BackSubstitution, ExactTiesAreRedoneInPlainOrder) {
  // Integers everywhere: every sum is exact, and (b - s) is often an odd
  // integer between 2^24 and 2^25, halfway between two floats. The blocked
  // sum's error margin then straddles the tie and the sum must be redone.
  std::mt19937 gen(5);
  std::uniform_int_distribution<int> term(-1, 1), rhs(0, 1 << 20);
  const int n = 150, nrhs = 14;
  Problem p{n, n, nrhs, std::vector<float>(static_cast<std::size_t>(n) * n, 0.0f), {}};
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < j; ++i)
      p.U[i + j * n] = j - i < 4 ? static_cast<float>(term(gen)) : 0.0f;
  for (int i = 0; i < n; ++i) p.U[i + i * n] = 1.0f;
  p.B.resize(static_cast<std::size_t>(n) * nrhs);
  for (auto& v : p.B) v = static_cast<float>((1 << 24) + 2 * rhs(gen) + 1);
  EXPECT_GT(expectPlainBits(p, 0, nrhs), 0);
}

TEST(BackSubstitution, ASumThatRoundsDifferentlyInBlockOrderKeepsThePlainFloat) {
  // Row 0 has near terms 1, 2^-23, 2^-25 and, two blocks down, two terms of
  // 2^-53. In plain order the small ones come last and each is a tie that
  // rounds back (s = 1 + 5*2^-25); summed first they add up to 2^-52
  // (s = 1 + 5*2^-25 + 2^-52). With b = 2, d = 1 the plain (b - s) is the
  // float midpoint 1 - 5*2^-25, whose tie goes up to 1 - 2^-23; the blocked
  // one lies just below it and would round down.
  const int n = 66;
  Problem p{n, n, 1, std::vector<float>(static_cast<std::size_t>(n) * n, 0.0f),
            std::vector<float>(static_cast<std::size_t>(n), 0.0f)};
  for (int i = 0; i < n; ++i) p.U[i + i * n] = 1.0f;
  const auto term = [&](int j, float u) {
    p.U[0 + j * n] = u;
    p.B[static_cast<std::size_t>(j)] = 1.0f;  // sigma(j) = 1
  };
  term(1, 1.0f);
  term(2, 0x1p-23f);
  term(3, 0x1p-25f);
  term(64, 0x1p-53f);
  term(65, 0x1p-53f);
  p.B[0] = 2.0f;
  EXPECT_GT(expectPlainBits(p, 0, 1), 0);

  std::vector<float> sigma(static_cast<std::size_t>(n));
  plainBack(p.U.data(), n, n, p.B.data(), sigma.data());
  EXPECT_EQ(sigma[0], 1.0f - 0x1p-23f);
}

TEST(BackSubstitution, SpecialValuesGiveThePlainResult) {
  Problem p = randomProblem(130, 13, 9);
  const auto column = [&](int r) { return p.B.data() + r * p.ld; };
  std::fill(column(0), column(0) + p.n, 0.0f);   // all-zero solution
  std::fill(column(1), column(1) + p.n, -0.0f);  // negative zeros
  column(2)[100] = std::numeric_limits<float>::infinity();
  column(3)[70] = std::numeric_limits<float>::quiet_NaN();
  column(4)[120] = 3.0e38f;  // overflows once multiplied up
  column(5)[5] = 1.0e-44f;   // subnormal
  p.U[64 + 64 * p.ld] = 0.0f;  // a zero pivot: infinities from row 64 up
  p.U[10 + 11 * p.ld] = std::numeric_limits<float>::max();
  EXPECT_GT(expectPlainBits(p, 0, p.nrhs), 0);
}

}  // namespace
}  // namespace korvis
