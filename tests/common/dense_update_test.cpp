// The blocked elimination kernels against plain loops that apply the terms
// of every entry one by one in increasing order: bit identity over shapes
// that cross the register tiles and cache blocks, with one and two threads,
// for every vector width the kernels are built for and this processor runs
// (the 16-byte kernels always).
#include "common/dense_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/worker_pool.h"

namespace common {
namespace {

// Entries spread over several binades, so that a reordered sum would round
// differently.
std::vector<float> randomMatrix(std::size_t count, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-6, 6);
  std::vector<float> v(count);
  for (auto& x : v) x = std::ldexp(mantissa(gen), exponent(gen));
  return v;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

void plainProduct(int m, int n, int k, const float* A, int lda, const float* B, int ldb, float* C,
                  int ldc) {
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j)
      for (int p = 0; p < k; ++p) {
        const float t = A[i + p * lda] * B[p + j * ldb];
        C[i + j * ldc] = C[i + j * ldc] - t;
      }
}

void plainUnitLower(int m, int n, const float* L, int ldl, float* X, int ldx) {
  for (int j = 0; j < n; ++j)
    for (int p = 0; p < m; ++p)
      for (int i = p + 1; i < m; ++i) {
        const float t = L[i + p * ldl] * X[p + j * ldx];
        X[i + j * ldx] = X[i + j * ldx] - t;
      }
}

// Runs each test once per kernel width; a width this processor cannot run
// is skipped, and says so.
class KernelWidth : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!eliminationWidthRuns(GetParam()))
      GTEST_SKIP() << "the " << GetParam()
                   << "-byte kernels are not built or this processor cannot run them";
  }
  static int bytes() { return GetParam(); }
};

using SubtractProduct = KernelWidth;
using SolveUnitLower = KernelWidth;
using ApplyEliminationBlock = KernelWidth;

std::string widthName(const ::testing::TestParamInfo<int>& info) {
  return std::to_string(info.param) + "bytes";
}

INSTANTIATE_TEST_SUITE_P(Width, SubtractProduct, ::testing::Values(16, 32, 64), widthName);
INSTANTIATE_TEST_SUITE_P(Width, SolveUnitLower, ::testing::Values(16, 32, 64), widthName);
INSTANTIATE_TEST_SUITE_P(Width, ApplyEliminationBlock, ::testing::Values(16, 32, 64), widthName);

TEST(KernelWidths, TheBuildsWidthAndTheGenericOneRunTheOthersAreRefused) {
  EXPECT_TRUE(eliminationWidthRuns(eliminationWidth()));
  EXPECT_TRUE(eliminationWidthRuns(16));
  for (int bytes : {0, 8, 24, 128}) EXPECT_FALSE(eliminationWidthRuns(bytes)) << bytes;
  // A tile is two vectors of the width; 0 stands for the build's width.
  for (int bytes : {16, 32, 64}) {
    if (eliminationWidthRuns(bytes)) {
      EXPECT_EQ(tileRows(bytes), 2 * bytes / 4) << bytes;
    }
  }
  EXPECT_EQ(tileRows(0), tileRows(eliminationWidth()));
  EXPECT_EQ(tileCols(0), tileCols(eliminationWidth()));
}

TEST_P(SubtractProduct, MatchesTermByTermLoopsAcrossTileAndBlockEdges) {
  const int r = tileRows(bytes()), c = tileCols(bytes());
  const int sizes[][3] = {{1, 1, 1},      {2, 3, 1},          {r - 1, c - 1, 7},
                          {r, c, 16},     {r + 1, c + 1, 17}, {3 * r + 5, 4 * c + 1, 255},
                          {130, 97, 256}, {129, 1537, 257},   {300, 50, 600},
                          {1, 700, 33},   {700, 1, 33}};
  unsigned seed = 1;
  for (const auto& s : sizes) {
    const int m = s[0], n = s[1], k = s[2];
    const int lda = m + 3, ldb = k + 1, ldc = m + 5;
    const auto A = randomMatrix(static_cast<std::size_t>(lda) * k, seed++);
    const auto B = randomMatrix(static_cast<std::size_t>(ldb) * n, seed++);
    const auto C0 = randomMatrix(static_cast<std::size_t>(ldc) * n, seed++);
    auto expected = C0;
    plainProduct(m, n, k, A.data(), lda, B.data(), ldb, expected.data(), ldc);
    for (int threads : {1, 2}) {
      auto C = C0;
      subtractProduct(m, n, k, A.data(), lda, B.data(), ldb, C.data(), ldc, threads, bytes());
      EXPECT_TRUE(sameBits(C, expected)) << m << "x" << n << "x" << k << " threads " << threads;
    }
    std::vector<float> packed(packedTilesSize(m, k, bytes()));
    packTiles(m, k, A.data(), lda, packed.data(), bytes());
    auto C = C0;
    subtractPackedProduct(m, n, k, packed.data(), B.data(), ldb, C.data(), ldc, bytes());
    EXPECT_TRUE(sameBits(C, expected)) << "packed " << m << "x" << n << "x" << k;
  }
}

TEST_P(SubtractProduct, KeepsNegativeZeroAndSpecialValuesEntryByEntry) {
  // -0 - (+0) stays -0; a zero product never turns -0 into +0 when the
  // operands are in the tile's padding or in the valid part.
  const int m = tileRows(bytes()) + 3, n = tileCols(bytes()) + 2, k = 5;
  std::vector<float> A(static_cast<std::size_t>(m) * k, 0.0f),
      B(static_cast<std::size_t>(k) * n, 1.0f);
  std::vector<float> C(static_cast<std::size_t>(m) * n, -0.0f);
  A[1] = INFINITY;
  B[static_cast<std::size_t>(k)] = NAN;  // B(0,1)
  auto expected = C;
  plainProduct(m, n, k, A.data(), m, B.data(), k, expected.data(), m);
  subtractProduct(m, n, k, A.data(), m, B.data(), k, C.data(), m, 1, bytes());
  EXPECT_TRUE(sameBits(C, expected));
  EXPECT_TRUE(std::signbit(C[0]));
}

TEST_P(SolveUnitLower, MatchesStepByStepEliminationOnManySizes) {
  unsigned seed = 100;
  for (int m : {1, 2, 15, 16, 17, 31, 33, 64, 100, 257, 300}) {
    for (int n : {1, 5, 97}) {
      const int ldl = m + 2, ldx = m + 1;
      auto L = randomMatrix(static_cast<std::size_t>(ldl) * m, seed++);
      for (auto& x : L) x *= 0.25f;
      const auto X0 = randomMatrix(static_cast<std::size_t>(ldx) * n, seed++);
      auto expected = X0;
      plainUnitLower(m, n, L.data(), ldl, expected.data(), ldx);
      auto X = X0;
      solveUnitLower(m, n, L.data(), ldl, X.data(), ldx, bytes());
      EXPECT_TRUE(sameBits(X, expected)) << m << "x" << n;
    }
  }
}

TEST_P(ApplyEliminationBlock, EqualsItsStepsAppliedOneAfterAnother) {
  unsigned seed = 500;
  for (int rows : {1, 7, 40, 300, 700}) {
    for (int w : {1, 3, 16, 37, 256}) {
      if (w > rows) continue;
      const int n = 2 * tileCols(bytes()) * 16 + 5;  // several column chunks, one partial
      const int ldl = rows + 1, ldx = rows + 4;
      auto L = randomMatrix(static_cast<std::size_t>(ldl) * w, seed++);
      for (auto& x : L) x *= 0.125f;
      const auto X0 = randomMatrix(static_cast<std::size_t>(ldx) * n, seed++);
      std::mt19937 gen(seed++);
      std::vector<int> swaps(static_cast<std::size_t>(w));
      for (int s = 0; s < w; ++s) swaps[s] = std::uniform_int_distribution<int>(s, rows - 1)(gen);

      for (bool withSwaps : {false, true}) {
        auto expected = X0;
        for (int j = 0; j < n; ++j) {
          float* x = expected.data() + static_cast<std::size_t>(j) * ldx;
          for (int s = 0; s < w && withSwaps; ++s) std::swap(x[s], x[swaps[s]]);
          for (int p = 0; p < w; ++p)
            for (int i = p + 1; i < rows; ++i) x[i] = x[i] - L[i + p * ldl] * x[p];
        }
        for (int threads : {1, 2}) {
          auto X = X0;
          applyEliminationBlock(rows, w, L.data(), ldl, withSwaps ? swaps.data() : nullptr, n,
                                X.data(), ldx, threads, bytes());
          EXPECT_TRUE(sameBits(X, expected))
              << rows << " rows, " << w << " steps, swaps " << withSwaps << ", threads " << threads;
        }
      }
    }
  }
}

TEST_P(ApplyEliminationBlock, WideInterchangedBlocksOverSeveralTasks) {
  const int rows = 700, w = 256, n = 900, ld = rows + 3;
  auto L = randomMatrix(static_cast<std::size_t>(ld) * w, 41);
  for (auto& x : L) x *= 0.125f;
  const auto X0 = randomMatrix(static_cast<std::size_t>(ld) * n, 42);
  std::mt19937 gen(43);
  std::vector<int> swaps(static_cast<std::size_t>(w));
  for (int s = 0; s < w; ++s) swaps[s] = std::uniform_int_distribution<int>(s, rows - 1)(gen);
  auto expected = X0;
  for (int j = 0; j < n; ++j) {
    float* x = expected.data() + static_cast<std::size_t>(j) * ld;
    for (int s = 0; s < w; ++s) std::swap(x[s], x[swaps[s]]);
    for (int p = 0; p < w; ++p)
      for (int i = p + 1; i < rows; ++i) x[i] = x[i] - L[i + p * ld] * x[p];
  }
  for (int threads : {1, 2}) {
    auto X = X0;
    applyEliminationBlock(rows, w, L.data(), ld, swaps.data(), n, X.data(), ld, threads, bytes());
    EXPECT_TRUE(sameBits(X, expected)) << "threads " << threads;
  }
}

TEST_P(ApplyEliminationBlock, LookAheadHandsOverTheLeadColumnsAlreadyUpdated) {
  // One row per case: rows, steps, columns, lead columns (the next block of
  // an elimination), with and without interchanges.
  const struct {
    int rows, w, n, lead;
    bool withSwaps;
  } cases[] = {{300, 32, 260, 32, false}, {300, 32, 260, 32, true}, {700, 256, 900, 256, true},
               {90, 16, 20, 16, false},   {90, 16, 10, 16, true}};
  unsigned seed = 900;
  for (const auto& c : cases) {
    const int ld = c.rows + 2;
    auto L = randomMatrix(static_cast<std::size_t>(ld) * c.w, seed++);
    for (auto& x : L) x *= 0.125f;
    const auto X0 = randomMatrix(static_cast<std::size_t>(ld) * c.n, seed++);
    std::mt19937 gen(seed++);
    std::vector<int> swaps(static_cast<std::size_t>(c.w));
    for (int s = 0; s < c.w; ++s) swaps[s] = std::uniform_int_distribution<int>(s, c.rows - 1)(gen);
    auto expected = X0;
    for (int j = 0; j < c.n; ++j) {
      float* x = expected.data() + static_cast<std::size_t>(j) * ld;
      for (int s = 0; s < c.w && c.withSwaps; ++s) std::swap(x[s], x[swaps[s]]);
      for (int p = 0; p < c.w; ++p)
        for (int i = p + 1; i < c.rows; ++i) x[i] = x[i] - L[i + p * ld] * x[p];
    }
    const int lead = std::min(c.lead, c.n);
    const std::vector<float> expectedLead(expected.begin(),
                                          expected.begin() + static_cast<std::ptrdiff_t>(lead) * ld);
    for (int threads : {1, 2}) {
      EliminationBlock block;
      block.prepare(c.rows, c.w, L.data(), ld, c.withSwaps ? swaps.data() : nullptr, bytes());
      EXPECT_EQ(block.width(), bytes());
      auto X = X0;
      std::vector<float> leadSeen;
      int calls = 0;
      applyWithLookAhead(block, c.n, X.data(), ld, lead, threads, [&](int) {
        ++calls;
        leadSeen.assign(X.begin(), X.begin() + static_cast<std::ptrdiff_t>(lead) * ld);
      });
      const std::string what = std::to_string(c.rows) + " rows, " + std::to_string(c.w) +
                               " steps, " + std::to_string(c.n) + " columns, threads " +
                               std::to_string(threads);
      EXPECT_EQ(calls, 1) << what;
      EXPECT_TRUE(sameBits(leadSeen, expectedLead)) << "lead columns when handed over: " << what;
      EXPECT_TRUE(sameBits(X, expected)) << what;
    }
  }
}

TEST(PackUpperRows, RowsOfTheStrictUpperTriangleBackToBack) {
  for (int n : {1, 2, 31, 32, 33, 100, 300}) {
    const int ld = n + 3;
    const auto U = randomMatrix(static_cast<std::size_t>(ld) * n, 7);
    std::vector<float> Ut(static_cast<std::size_t>(n) * n, -1.0f);
    packUpperRows(n, U.data(), ld, Ut.data(), 2);
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(upperRowStart(n, i), at);
      for (int j = i + 1; j < n; ++j, ++at)
        ASSERT_EQ(Ut[at], U[i + j * ld]) << n << ": " << i << "," << j;
    }
    EXPECT_EQ(Ut[at], -1.0f) << "nothing written past the triangle";
  }
}

TEST(WorkerPool, EveryBodyRunsOnceAndNestedRegionsRunInline) {
  std::vector<std::atomic<int>> runs(3);
  std::atomic<int> inner{0};
  runParallel(3, [&](int t) {
    runs[static_cast<std::size_t>(t)].fetch_add(1);
    runParallel(2, [&](int) { inner.fetch_add(1); });
  });
  for (auto& r : runs) EXPECT_EQ(r.load(), 1);
  EXPECT_EQ(inner.load(), 6);
  EXPECT_GE(resolveThreads(0), 1);
  EXPECT_EQ(resolveThreads(5), 5);
}

}  // namespace
}  // namespace common
