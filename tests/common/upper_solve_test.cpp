// The single-precision back substitution for many right-hand sides against
// the plain row-by-row loop: bit identity for every vector width this
// processor runs, every chain count, task edges, padded leading dimensions
// and one or two threads.
#include "common/upper_solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/bit_compare.h"
#include "common/dense_update.h"

namespace common {
namespace {

using testing_support::randomVector;
using testing_support::sameBits;

// x(i) = (b(i) - s)/U(i,i), s the sum of U(i,j)*x(j) for j = i+1..n-1 in
// increasing j, every operation rounded to single.
void plainBack(int n, const float* U, int ldu, const float* b, float* x) {
  for (int i = n - 1; i >= 0; --i) {
    float s = 0.0f;
    for (int j = i + 1; j < n; ++j) s = s + U[i + j * ldu] * x[j];
    x[i] = (b[i] - s) / U[i + i * ldu];
  }
}

class UpperSolve : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!eliminationWidthRuns(GetParam()))
      GTEST_SKIP() << "the " << GetParam()
                   << "-byte kernels are not built or this processor cannot run them";
  }
};

std::string widthName(const ::testing::TestParamInfo<int>& info) {
  return std::to_string(info.param) + "bytes";
}

INSTANTIATE_TEST_SUITE_P(Width, UpperSolve, ::testing::Values(16, 32, 64), widthName);

TEST_P(UpperSolve, EveryColumnBitIdenticalToThePlainLoop) {
  const int bytes = GetParam();
  struct Case {
    int n, extraColumns, chains, threads;
  };
  // extraColumns: right-hand sides beyond two full tasks (negative: fewer);
  // chains 0 and 5 take the width's own count.
  const Case cases[] = {{1, 0, 0, 1},   {2, -1, 2, 2},  {37, 1, 3, 2},  {300, 5, 4, 2},
                        {300, -7, 6, 1}, {129, 0, 8, 2}, {64, 3, 5, 2}};
  for (const Case& c : cases) {
    const int n = c.n, ldu = n + 3, ldb = n + 1, ldx = n + 2;
    const int nrhs = std::max(1, 2 * upperSolveColumns(bytes, c.chains) + c.extraColumns);
    auto U = randomVector(static_cast<std::size_t>(ldu) * n, static_cast<unsigned>(n));
    for (int i = 0; i < n; ++i) U[static_cast<std::size_t>(i + i * ldu)] += 2.0f;
    // Entries over several binades, so that a reordered sum would round
    // differently.
    for (std::size_t k = 0; k < U.size(); k += 3)
      U[k] = std::ldexp(U[k], static_cast<int>(k % 9) - 4);
    const auto B = randomVector(static_cast<std::size_t>(ldb) * nrhs, 11);
    std::vector<float> expected(static_cast<std::size_t>(ldx) * nrhs, 0.0f);
    for (int r = 0; r < nrhs; ++r)
      plainBack(n, U.data(), ldu, B.data() + r * ldb, expected.data() + r * ldx);

    std::vector<float> Ut(static_cast<std::size_t>(n) * n), diagonal(static_cast<std::size_t>(n));
    packUpperRows(n, U.data(), ldu, Ut.data(), 1);
    for (int i = 0; i < n; ++i)
      diagonal[static_cast<std::size_t>(i)] = U[static_cast<std::size_t>(i + i * ldu)];
    std::vector<float> X(expected.size(), 0.0f);
    solveUpperMany(n, Ut.data(), diagonal.data(), B.data(), ldb, X.data(), ldx, nrhs, c.threads,
                   bytes, c.chains);
    EXPECT_TRUE(sameBits(X.data(), expected.data(), X.size()))
        << "n " << n << " nrhs " << nrhs << " chains " << c.chains << " threads " << c.threads;
  }
}

TEST(UpperSolveColumns, ChainsTimesLanesWithTheWidthsOwnCountAsDefault) {
  EXPECT_EQ(upperSolveColumns(16, 3), 12);
  EXPECT_EQ(upperSolveColumns(16, 0), 32);
  EXPECT_EQ(upperSolveColumns(16, 7), 32);  // not offered
  EXPECT_EQ(upperSolveColumns(0, 0), upperSolveColumns(eliminationWidth(), 0));
  if (eliminationWidthRuns(32)) {
    EXPECT_EQ(upperSolveColumns(32, 0), 48);
  }
  if (eliminationWidthRuns(64)) {
    EXPECT_EQ(upperSolveColumns(64, 0), 48);
  }
  EXPECT_EQ(upperSolveColumns(24, 2), 8) << "a width not built falls back to 16 bytes";
}

}  // namespace
}  // namespace common
