// The blocked, threaded elimination and substitutions of korvis against the
// literal loops of the method (kept here only): identical bits for every
// size that crosses a tile, leaf or block edge, any thread count, and the
// flag path of luSolve.
#include "korvis/lu_solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "common/bit_compare.h"
#include "common/dense_update.h"

#include "korvis/back_substitution.h"
#include "korvis/boundary.h"
#include "korvis/korvis_state.h"

namespace korvis {
namespace {

// Gaussian elimination in the natural order, as stated: for k = 1..N-1,
// r = 1/M(k,k) in long double; for i > k: mu = M(i,k)*r rounded to single,
// work(i) = mu, M(i,j) -= float(M(k,j)*mu) for j = k..N, then M(i,k) = mu.
void literalFactor(float* M, int n, int ld, float* work) {
  for (int k = 0; k < n - 1; ++k) {
    const long double r = 1.0L / static_cast<long double>(M[k + k * ld]);
    for (int i = k + 1; i < n; ++i) {
      const auto mu = static_cast<float>(static_cast<long double>(M[i + k * ld]) * r);
      work[i] = mu;
      for (int j = k; j < n; ++j) M[i + j * ld] = M[i + j * ld] - M[k + j * ld] * mu;
      M[i + k * ld] = mu;
    }
  }
}

void literalSubstitute(const float* M, int n, int ld, float* b, float* sigma, float* work) {
  for (int k = 0; k < n - 1; ++k)
    for (int i = k + 1; i < n; ++i) {
      work[i] = M[i + k * ld];
      b[i] = b[i] - b[k] * work[i];
    }
  for (int i = n - 1; i >= 0; --i) {
    double s = 0.0;
    for (int j = i + 1; j < n; ++j)
      s = s + static_cast<double>(M[i + j * ld]) * static_cast<double>(sigma[j]);
    sigma[i] =
        static_cast<float>((static_cast<double>(b[i]) - s) / static_cast<double>(M[i + i * ld]));
  }
}

// Strictly diagonally dominant like a boundary-element matrix, the
// off-diagonal terms spread over several binades (each below 2/n).
std::vector<float> systemMatrix(int n, int ld, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::uniform_int_distribution<int> e(-12, -2);
  const float scale = 8.0f / static_cast<float>(n);
  std::vector<float> M(static_cast<std::size_t>(ld) * n, 7.0f);  // padding rows hold junk
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      M[i + j * ld] = i == j ? 3.0f + u(gen) : std::ldexp(u(gen), e(gen)) * scale;
  return M;
}

using testing_support::randomVector;
using testing_support::sameBits;

TEST(LuFactor, BitIdenticalToLiteralEliminationOverBlockEdges) {
  for (int n : {1, 2, 3, 15, 16, 17, 31, 32, 33, 127, 255, 256, 257, 301, 513, 530}) {
    const int ld = n + 2;
    const auto M0 = systemMatrix(n, ld, static_cast<unsigned>(n));
    auto expected = M0;
    std::vector<float> work(static_cast<std::size_t>(n));
    literalFactor(expected.data(), n, ld, work.data());
    for (int threads : {1, 2}) {
      auto M = M0;
      EXPECT_EQ(luFactor(M.data(), n, ld, threads), 0);
      EXPECT_TRUE(sameBits(M.data(), expected.data(), M.size()))
          << "n " << n << " threads " << threads;
    }
  }
}

TEST(LuFactor, ReportsTheFirstZeroPivotWithoutFailing) {
  // Row 201 repeats row 11: elimination step 11 leaves it exactly zero, so
  // the pivot of step 201 is zero; a later repeat does not change the answer.
  const int n = 300, ld = n;
  auto M = systemMatrix(n, ld, 3);
  for (int j = 0; j < n; ++j) {
    M[200 + j * ld] = M[10 + j * ld];
    M[260 + j * ld] = M[30 + j * ld];
  }
  for (int threads : {1, 2}) {
    auto A = M;
    EXPECT_EQ(luFactor(A.data(), n, ld, threads), 201);
  }
  std::vector<float> zero(1, 0.0f);
  EXPECT_EQ(luFactor(zero.data(), 1, 1, 1), 1);
  std::vector<float> leading = {0.0f, 1.0f, 1.0f, 1.0f};
  EXPECT_EQ(luFactor(leading.data(), 2, 2, 1), 1);
  std::vector<float> last = {2.0f, 4.0f, 1.0f, 2.0f};  // second pivot 2 - 1*2 = 0
  EXPECT_EQ(luFactor(last.data(), 2, 2, 1), 2);
}

TEST(LuSubstitute, BitIdenticalToLiteralSubstitution) {
  for (int n : {1, 2, 17, 300}) {
    const int ld = n + 1;
    auto M = systemMatrix(n, ld, 11);
    std::vector<float> work(static_cast<std::size_t>(n));
    literalFactor(M.data(), n, ld, work.data());
    auto b = randomVector(static_cast<std::size_t>(n), 12);
    auto bExpected = b;
    std::vector<float> sigma(static_cast<std::size_t>(n)), expected(static_cast<std::size_t>(n));
    literalSubstitute(M.data(), n, ld, bExpected.data(), expected.data(), work.data());
    luSubstitute(M.data(), n, ld, b.data(), sigma.data());
    EXPECT_TRUE(sameBits(sigma.data(), expected.data(), sigma.size())) << n;
    EXPECT_TRUE(sameBits(b.data(), bExpected.data(), b.size())) << "forward result kept in b";
  }
}

TEST(LuSubstituteMany, EachColumnBitIdenticalToTheSingleSolve) {
  for (int n : {1, 3, 257, 520}) {
    const int ld = n + 3;
    auto M = systemMatrix(n, ld, 21);
    ASSERT_EQ(luFactor(M.data(), n, ld, 2), 0);
    for (int nrhs : {1, 11, 12, 13, 24, 25, 100}) {
      const int ldb = n + 1, lds = n + 5;
      const auto B0 =
          randomVector(static_cast<std::size_t>(ldb) * nrhs, static_cast<unsigned>(nrhs));
      std::vector<float> bExpected = B0;
      std::vector<float> expected(static_cast<std::size_t>(lds) * nrhs, 0.0f);
      for (int r = 0; r < nrhs; ++r)
        luSubstitute(M.data(), n, ld, bExpected.data() + r * ldb, expected.data() + r * lds);
      for (int threads : {1, 2}) {
        auto B = B0;
        std::vector<float> Sigma(expected.size(), 0.0f);
        luSubstituteMany(M.data(), n, ld, B.data(), ldb, Sigma.data(), lds, nrhs, threads);
        EXPECT_TRUE(sameBits(Sigma.data(), expected.data(), Sigma.size()))
            << "n " << n << " nrhs " << nrhs << " threads " << threads;
        for (int r = 0; r < nrhs; ++r)
          EXPECT_TRUE(sameBits(B.data() + r * ldb, bExpected.data() + r * ldb,
                               static_cast<std::size_t>(n)));
      }
    }
  }
}

TEST(BackSubstituteMany, EveryVectorWidthAndChainCountBitIdenticalToTheLiteralSubstitution) {
  // Widths the processor cannot run are skipped; 16 bytes always runs. A
  // zero on the diagonal sends infinities and NaNs up the rows above it.
  struct Case {
    int n, nrhs, zeroDiagonal;
  };
  const Case cases[] = {{1, 1, -1},   {2, 3, -1},   {33, 15, -1},  {300, 70, -1},
                        {257, 129, -1}, {40, 17, 20}, {40, 9, 39}};
  for (const Case& c : cases) {
    const int n = c.n, ld = n + 2, ldb = n + 1, lds = n + 3;
    auto M = systemMatrix(n, ld, 31);
    std::vector<float> work(static_cast<std::size_t>(n));
    literalFactor(M.data(), n, ld, work.data());
    if (c.zeroDiagonal >= 0) M[c.zeroDiagonal + c.zeroDiagonal * ld] = 0.0f;
    auto B = randomVector(static_cast<std::size_t>(ldb) * c.nrhs, 32);
    std::vector<float> expected(static_cast<std::size_t>(lds) * c.nrhs, -1.0f);
    for (int r = 0; r < c.nrhs; ++r)
      literalSubstitute(M.data(), n, ld, B.data() + r * ldb, expected.data() + r * lds,
                        work.data());
    std::vector<float> Ut(static_cast<std::size_t>(n) * n + 1);
    common::packUpperRows(n, M.data(), ld, Ut.data(), 1);
    for (int bytes : {16, 32, 64}) {
      if (!backSubstitutionRuns(bytes)) continue;
      for (int chains : {4, 6, 8}) {
        for (int threads : {1, 2}) {
          std::vector<float> Sigma(expected.size(), -1.0f);
          backSubstituteMany(M.data(), n, ld, Ut.data(), B.data(), ldb, Sigma.data(), lds,
                             c.nrhs, threads, bytes, chains);
          EXPECT_TRUE(sameBits(Sigma.data(), expected.data(), Sigma.size()))
              << "n " << n << " nrhs " << c.nrhs << " bytes " << bytes << " chains " << chains
              << " threads " << threads;
        }
      }
    }
  }
  EXPECT_TRUE(backSubstitutionRuns(16));
  EXPECT_TRUE(backSubstitutionRuns(backSubstitutionWidth()));
  EXPECT_FALSE(backSubstitutionRuns(24));
}

TEST(LuFactor, BitIdenticalOnAnAssembledBoundaryMatrix) {
  // The outline of a 40 m x 20 m conductive block in 0.25 m elements (480
  // nodes), at a small and a large wavenumber: the matrices of a real run.
  auto nodes = std::make_unique<common::NodeTable>(maxNodes);
  const float q = 90.0f / 110.0f;
  const auto add = [&](float x, float z, float xn, float zn) {
    const int i = nodes->N++;
    nodes->x[i] = x;
    nodes->z[i] = z;
    nodes->dL[i] = 0.25f;
    nodes->xn[i] = xn;
    nodes->zn[i] = zn;
    nodes->q[i] = q;
    nodes->qIP[i] = q;
  };
  for (int k = 0; k < 160; ++k) add(-19.875f + 0.25f * static_cast<float>(k), 10.0f, 0, -1);
  for (int k = 0; k < 80; ++k) add(20.0f, 10.125f + 0.25f * static_cast<float>(k), 1, 0);
  for (int k = 0; k < 160; ++k) add(19.875f - 0.25f * static_cast<float>(k), 30.0f, 0, 1);
  for (int k = 0; k < 80; ++k) add(-20.0f, 29.875f - 0.25f * static_cast<float>(k), -1, 0);
  const int n = nodes->N, ld = n + 1;
  for (float ky : {0.001f, 0.5f}) {
    std::vector<float> M0(static_cast<std::size_t>(ld) * n, 0.0f);
    std::ostringstream console;
    assembleBoundaryMatrix(*nodes, nodes->q.data(), 100.0f, M0.data(), ld, ky, console);
    auto expected = M0;
    std::vector<float> work(static_cast<std::size_t>(n));
    literalFactor(expected.data(), n, ld, work.data());
    auto M = M0;
    ASSERT_EQ(luFactor(M.data(), n, ld, 2), 0);
    EXPECT_TRUE(sameBits(M.data(), expected.data(), M.size())) << "ky " << ky;

    const int nrhs = 30;
    const auto B0 = randomVector(static_cast<std::size_t>(n) * nrhs, 8);
    auto bExpected = B0;
    std::vector<float> sigmaExpected(B0.size()), Sigma(B0.size());
    for (int r = 0; r < nrhs; ++r)
      literalSubstitute(expected.data(), n, ld, bExpected.data() + r * n,
                        sigmaExpected.data() + r * n, work.data());
    auto B = B0;
    luSubstituteMany(M.data(), n, ld, B.data(), n, Sigma.data(), n, nrhs, 2);
    EXPECT_TRUE(sameBits(Sigma.data(), sigmaExpected.data(), Sigma.size())) << "ky " << ky;
  }
}

TEST(LuSolve, FactorOnceThenReuseGivesTheFreshSolution) {
  const int n = 280, ld = 300;
  const auto M0 = systemMatrix(n, ld, 5);
  std::vector<float> work(static_cast<std::size_t>(n)), sigma(static_cast<std::size_t>(n));
  auto M = M0;
  auto b1 = randomVector(static_cast<std::size_t>(n), 6);
  EXPECT_EQ(luSolve(M.data(), ld, sigma.data(), b1.data(), n, work.data(), 1), 0);
  auto b2 = randomVector(static_cast<std::size_t>(n), 7);
  const auto b2Copy = b2;
  std::vector<float> reused(static_cast<std::size_t>(n));
  EXPECT_EQ(luSolve(M.data(), ld, reused.data(), b2.data(), n, work.data(), 2), 0);

  auto fresh = M0;
  auto b3 = b2Copy;
  std::vector<float> afresh(static_cast<std::size_t>(n));
  EXPECT_EQ(luSolve(fresh.data(), ld, afresh.data(), b3.data(), n, work.data(), 1), 0);
  EXPECT_TRUE(sameBits(reused.data(), afresh.data(), reused.size()));
  EXPECT_TRUE(sameBits(M.data(), fresh.data(), M.size())) << "flag 2 leaves the factors alone";

  // And the solution solves the system to single-precision accuracy.
  double worst = 0.0;
  for (int i = 0; i < n; ++i) {
    double r = -static_cast<double>(b2Copy[static_cast<std::size_t>(i)]);
    for (int j = 0; j < n; ++j)
      r += static_cast<double>(M0[i + j * ld]) *
           static_cast<double>(reused[static_cast<std::size_t>(j)]);
    worst = std::max(worst, std::fabs(r));
  }
  EXPECT_LT(worst, 1e-5);
}

TEST(LuSolve, SingleEquation) {
  float M = 4.0f, b = 3.0f, sigma = 0.0f, work = 0.0f;
  EXPECT_EQ(luSolve(&M, 1, &sigma, &b, 1, &work, 1), 0);
  EXPECT_EQ(sigma, static_cast<float>(3.0 / 4.0));
  EXPECT_EQ(M, 4.0f);
}

}  // namespace
}  // namespace korvis
