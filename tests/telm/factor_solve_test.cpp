// The blocked, threaded elimination with row interchanges of telm and its
// substitutions against the literal loops of the method (kept here only):
// identical factors, pivots and solutions over block edges, pivot ties and
// thread counts, and the reuse of the factors in mode 2.
#include "telm/factor_solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "common/bit_compare.h"

#include "telm/system2d.h"

namespace telm {
namespace {

// Elimination with row interchanges as stated: pivot p = the row of largest
// |a(r,i)|, r = i..n, scanning down and keeping a later row on >=; swap rows
// i and p in columns i..n; for r > i: l = a(r,i)/a(i,i), a(r,j) -= l*a(i,j)
// for j = i+1..n, a(r,i) = l.
void literalFactor(float* a, int n, int ld, int* pivot) {
  for (int i = 0; i < n; ++i) {
    int p = i;
    float biggest = std::fabs(a[i + i * ld]);
    for (int r = i + 1; r < n; ++r)
      if (std::fabs(a[r + i * ld]) >= biggest) {
        biggest = std::fabs(a[r + i * ld]);
        p = r;
      }
    pivot[i] = p + 1;
    for (int j = i; j < n; ++j) std::swap(a[i + j * ld], a[p + j * ld]);
    for (int r = i + 1; r < n; ++r) {
      const float l = a[r + i * ld] / a[i + i * ld];
      for (int j = i + 1; j < n; ++j) a[r + j * ld] = a[r + j * ld] - l * a[i + j * ld];
      a[r + i * ld] = l;
    }
  }
}

void literalSolve(const float* a, int n, int ld, const int* pivot, float* b, float* x) {
  for (int i = 0; i < n - 1; ++i) {
    std::swap(b[i], b[pivot[i] - 1]);
    for (int r = i + 1; r < n; ++r) b[r] = b[r] - a[r + i * ld] * b[i];
  }
  for (int i = n - 1; i >= 0; --i) {
    float s = 0.0f;
    for (int j = i + 1; j < n; ++j) s = s + a[i + j * ld] * x[j];
    x[i] = (b[i] - s) / a[i + i * ld];
  }
}

// General entries: the pivot search moves rows at almost every step.
std::vector<float> generalMatrix(int n, int ld, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::uniform_int_distribution<int> e(-6, 3);
  std::vector<float> a(static_cast<std::size_t>(ld) * n, -3.0f);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) a[i + j * ld] = std::ldexp(u(gen), e(gen));
  return a;
}

// Entries from {-2, -1, 1, 2} (and a few zeros): many candidates of equal
// magnitude, of both signs, at every step.
std::vector<float> tiedMatrix(int n, int ld, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> pick(0, 8);
  const float values[] = {-2.0f, -1.0f, 1.0f, 2.0f, 2.0f, -2.0f, 1.0f, -1.0f, 0.0f};
  std::vector<float> a(static_cast<std::size_t>(ld) * n, 0.0f);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) a[i + j * ld] = values[pick(gen)];
  return a;
}

using testing_support::randomVector;
using testing_support::sameBits;

void expectLiteralFactors(const std::vector<float>& a0, int n, int ld, const char* what) {
  auto expected = a0;
  std::vector<int> expectedPivot(static_cast<std::size_t>(n));
  literalFactor(expected.data(), n, ld, expectedPivot.data());
  for (int threads : {1, 2}) {
    auto a = a0;
    std::vector<int> pivot(static_cast<std::size_t>(n), -7);
    factorLinpack(a.data(), n, ld, pivot.data(), threads);
    EXPECT_EQ(pivot, expectedPivot) << what << " n " << n << " threads " << threads;
    EXPECT_TRUE(sameBits(a.data(), expected.data(), a.size()))
        << what << " n " << n << " threads " << threads;
  }
}

TEST(FactorLinpack, BitIdenticalToLiteralEliminationOverBlockEdges) {
  for (int n : {1, 2, 3, 15, 16, 17, 33, 255, 256, 257, 300, 529})
    expectLiteralFactors(generalMatrix(n, n + 3, static_cast<unsigned>(n)), n, n + 3, "general");
}

TEST(FactorLinpack, BitIdenticalOnAnAssembledSystemMatrix) {
  // Two touching blocks of different resistivity in 0.5 m elements (520
  // nodes), with the element lengths varying so that near-field entries
  // appear: the matrix of a real run.
  auto nodes = std::make_unique<Nodes>(maxNodes);
  const auto add = [&](float x, float z, float dL, float xn, float zn, float q) {
    const int i = nodes->N++;
    nodes->x[i] = x;
    nodes->z[i] = z;
    nodes->dL[i] = dL;
    nodes->xn[i] = xn;
    nodes->zn[i] = zn;
    nodes->q[i] = q;
    nodes->qIP[i] = q;
  };
  for (int k = 0; k < 130; ++k) {
    const float t = static_cast<float>(k);
    add(-32.25f + 0.5f * t, 5.0f + 0.01f * t, 0.5f, 0, -1, 0.8f);
    add(32.25f - 0.5f * t, 25.0f, 0.5f, 0, 1, -0.6f);
    add(0.5f, 5.25f + 0.15f * t, 0.15f, 1, 0, 0.3f);
    add(-33.0f, 24.75f - 0.15f * t, 0.15f, -1, 0, 0.8f);
  }
  const int n = nodes->N, ld = n + 2;
  const float rho[] = {100.0f, 10.0f, 500.0f};
  ActiveColumns act;
  act.coef = nodes->q.data();
  act.rho = rho;
  std::vector<float> a0(static_cast<std::size_t>(ld) * n, 0.0f);
  assembleSystemMatrix(*nodes, act, n, a0.data(), ld, 1, 2);
  expectLiteralFactors(a0, n, ld, "assembled");
}

TEST(FactorLinpack, TiesGoToTheLaterRow) {
  // Column 1 holds 1, -3, 3, -3, 2: the last of the three magnitudes 3 wins.
  const int n = 5;
  std::vector<float> a = {1, -3, 3, -3, 2};
  a.resize(static_cast<std::size_t>(n) * n, 0.0f);
  for (int i = 0; i < n; ++i) a[static_cast<std::size_t>(i + i * n)] += i == 0 ? 0.0f : 10.0f;
  std::vector<int> pivot(static_cast<std::size_t>(n));
  EXPECT_EQ(factorLinpack(a.data(), n, n, pivot.data(), 1), 0);
  EXPECT_EQ(pivot[0], 4);

  for (int n2 : {7, 40, 270, 530})
    expectLiteralFactors(tiedMatrix(n2, n2 + 1, static_cast<unsigned>(n2 + 1)), n2, n2 + 1, "ties");
}

TEST(FactorLinpack, ReportsTheFirstZeroPivotWithoutFailing) {
  // A zero column stays zero under elimination: its step has no pivot.
  const int n = 530, ld = n;
  auto a = generalMatrix(n, ld, 9);
  for (int i = 0; i < n; ++i) {
    a[static_cast<std::size_t>(i + 300 * ld)] = 0.0f;
    a[static_cast<std::size_t>(i + 400 * ld)] = 0.0f;
  }
  std::vector<int> pivot(static_cast<std::size_t>(n));
  for (int threads : {1, 2}) {
    auto f = a;
    EXPECT_EQ(factorLinpack(f.data(), n, ld, pivot.data(), threads), 301);
    for (int i = 0; i < n; ++i) {
      EXPECT_GE(pivot[static_cast<std::size_t>(i)], i + 1);
      EXPECT_LE(pivot[static_cast<std::size_t>(i)], n);
    }
  }
  float single = 0.0f;
  int p = 0;
  EXPECT_EQ(factorLinpack(&single, 1, 1, &p, 1), 1);
  EXPECT_EQ(p, 1);
}

TEST(SolveFactored, BitIdenticalToLiteralSubstitutionInBothModes) {
  for (int n : {1, 2, 40, 300}) {
    const int ld = n + 2;
    const auto a0 = tiedMatrix(n, ld, 77);
    auto a = a0;
    auto expectedA = a0;
    std::vector<int> pivot(static_cast<std::size_t>(n)), expectedPivot(static_cast<std::size_t>(n));
    literalFactor(expectedA.data(), n, ld, expectedPivot.data());
    auto b = randomVector(static_cast<std::size_t>(n), 1);
    auto bExpected = b;
    std::vector<float> x(static_cast<std::size_t>(n)), expected(static_cast<std::size_t>(n));
    literalSolve(expectedA.data(), n, ld, expectedPivot.data(), bExpected.data(), expected.data());
    factorAndSolve(a.data(), n, ld, b.data(), x.data(), pivot.data(), 1);
    EXPECT_TRUE(sameBits(x.data(), expected.data(), x.size())) << "mode 1, n " << n;

    // Mode 2 with a new right-hand side: the stored factors and pivots.
    auto b2 = randomVector(static_cast<std::size_t>(n), 2);
    auto b2Expected = b2;
    literalSolve(expectedA.data(), n, ld, expectedPivot.data(), b2Expected.data(), expected.data());
    EXPECT_EQ(factorAndSolve(a.data(), n, ld, b2.data(), x.data(), pivot.data(), 2), 0);
    EXPECT_TRUE(sameBits(x.data(), expected.data(), x.size())) << "mode 2, n " << n;
    EXPECT_TRUE(sameBits(a.data(), expectedA.data(), a.size()));
  }
}

TEST(SolveFactoredMany, EachColumnBitIdenticalToTheSingleSolve) {
  for (int n : {1, 5, 256, 257, 531}) {
    const int ld = n + 1;
    auto a = generalMatrix(n, ld, 5);
    std::vector<int> pivot(static_cast<std::size_t>(n));
    factorLinpack(a.data(), n, ld, pivot.data(), 2);
    for (int nrhs : {1, 23, 24, 25, 70}) {
      const int ldb = n + 2, ldx = n + 3;
      const auto B0 =
          randomVector(static_cast<std::size_t>(ldb) * nrhs, static_cast<unsigned>(nrhs));
      auto bExpected = B0;
      std::vector<float> expected(static_cast<std::size_t>(ldx) * nrhs, 0.0f);
      for (int r = 0; r < nrhs; ++r)
        solveFactored(a.data(), n, ld, pivot.data(), bExpected.data() + r * ldb,
                      expected.data() + r * ldx);
      for (int threads : {1, 2}) {
        auto B = B0;
        std::vector<float> X(expected.size(), 0.0f);
        solveFactoredMany(a.data(), n, ld, pivot.data(), B.data(), ldb, X.data(), ldx, nrhs,
                          threads);
        EXPECT_TRUE(sameBits(X.data(), expected.data(), X.size()))
            << "n " << n << " nrhs " << nrhs << " threads " << threads;
      }
      // Factors laid out once, the right-hand sides in two batches.
      PreparedFactors factors;
      factors.prepare(a.data(), n, ld, pivot.data(), 2);
      auto B = B0;
      std::vector<float> X(expected.size(), 0.0f);
      const int first = nrhs / 3;
      factors.solveMany(B.data(), ldb, X.data(), ldx, first, 1);
      factors.solveMany(B.data() + first * ldb, ldb, X.data() + first * ldx, ldx, nrhs - first, 2);
      EXPECT_TRUE(sameBits(X.data(), expected.data(), X.size())) << "n " << n << " nrhs " << nrhs;
    }
  }
}

TEST(SolveFactored, SolvesTheSystem) {
  const int n = 200, ld = n;
  const auto a0 = generalMatrix(n, ld, 31);
  auto a = a0;
  std::vector<int> pivot(static_cast<std::size_t>(n));
  auto b = randomVector(static_cast<std::size_t>(n), 32);
  const auto b0 = b;
  std::vector<float> x(static_cast<std::size_t>(n));
  ASSERT_EQ(factorAndSolve(a.data(), n, ld, b.data(), x.data(), pivot.data(), 1), 0);
  double worst = 0.0, scale = 0.0;
  for (int i = 0; i < n; ++i) {
    double r = -static_cast<double>(b0[static_cast<std::size_t>(i)]);
    for (int j = 0; j < n; ++j) {
      const double t = static_cast<double>(a0[static_cast<std::size_t>(i + j * ld)]) *
                       static_cast<double>(x[static_cast<std::size_t>(j)]);
      r += t;
      scale = std::max(scale, std::fabs(t));
    }
    worst = std::max(worst, std::fabs(r));
  }
  EXPECT_LT(worst, 1e-4 * scale);
}

}  // namespace
}  // namespace telm
