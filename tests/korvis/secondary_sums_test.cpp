// The secondary sums against the plain loop over (r, s, j), bit for bit:
// blocks of receivers that do not fill the last block, a source count that
// fills no vector, padding between the density columns, and any number of
// threads.
#include "korvis/secondary_sums.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace korvis {
namespace {

TEST(SecondarySums, AreThePlainLoopBitForBit) {
  struct Case {
    std::size_t R, S, n, ld;
    int threads;
  };
  const Case cases[] = {{1, 1, 1, 1, 1}, {7, 13, 300, 301, 1}, {9, 64, 517, 520, 3}, {4, 3, 40, 40, 2}};
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (const Case& c : cases) {
    std::vector<double> table(c.R * c.n);
    std::vector<float> sigma(c.S * c.ld);
    for (double& v : table) v = value(rng) * 1e-3;
    for (float& v : sigma) v = static_cast<float>(value(rng));
    std::vector<const double*> rows;
    for (std::size_t r = 0; r < c.R; ++r) rows.push_back(table.data() + r * c.n);
    std::vector<double> want(c.R * c.S, 0.5), got(want);
    const double w = 0.37;
    for (std::size_t r = 0; r < c.R; ++r) {
      for (std::size_t s = 0; s < c.S; ++s) {
        double sum = 0.0;
        for (std::size_t j = 0; j < c.n; ++j) sum += rows[r][j] * static_cast<double>(sigma[s * c.ld + j]);
        want[s * c.R + r] += w * sum;
      }
    }
    addSecondarySums(rows, c.n, sigma.data(), c.ld, c.S, w, c.threads, got);
    EXPECT_EQ(std::memcmp(got.data(), want.data(), want.size() * sizeof(double)), 0)
        << "R " << c.R << " S " << c.S << " n " << c.n;
  }
}

}  // namespace
}  // namespace korvis
