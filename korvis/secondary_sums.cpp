// The densities transposed (source fastest) once, then for each block of
// receivers a pass over the elements that adds every source's term in one
// vector loop over the sources.
#include "korvis/secondary_sums.h"

#include <algorithm>
#include <atomic>

#include "common/worker_pool.h"

namespace korvis {

namespace {

constexpr std::size_t blockRows = 4;

// acc[b*S + s] += row_b[j]*sigmaT[j*S + s] for the rows of one block, in
// increasing j.
void blockSums(const double* const* row, std::size_t count, std::size_t n,
               const double* __restrict sigmaT, std::size_t S, double* __restrict acc) {
  for (std::size_t j = 0; j < n; ++j) {
    const double* __restrict x = sigmaT + j * S;
    for (std::size_t b = 0; b < count; ++b) {
      const double a = row[b][j];
      double* __restrict sum = acc + b * S;
      for (std::size_t s = 0; s < S; ++s) sum[s] += a * x[s];
    }
  }
}

}  // namespace

void addSecondarySums(const std::vector<const double*>& rows, std::size_t n, const float* sigma,
                      std::size_t ld, std::size_t S, double w, int threads,
                      std::vector<double>& secondary) {
  const std::size_t R = rows.size();
  // Widened once here: the product row*double(sigma) is the same either way.
  std::vector<double> sigmaT(n * S);
  for (std::size_t s = 0; s < S; ++s) {
    for (std::size_t j = 0; j < n; ++j) sigmaT[j * S + s] = static_cast<double>(sigma[s * ld + j]);
  }
  const std::size_t blocks = (R + blockRows - 1) / blockRows;
  std::atomic<std::size_t> next{0};
  common::runParallel(threads, [&](int) {
    std::vector<double> acc(blockRows * S);
    for (std::size_t b = next.fetch_add(1); b < blocks; b = next.fetch_add(1)) {
      const std::size_t first = b * blockRows;
      const std::size_t count = std::min(blockRows, R - first);
      std::fill(acc.begin(), acc.end(), 0.0);
      blockSums(rows.data() + first, count, n, sigmaT.data(), S, acc.data());
      for (std::size_t k = 0; k < count; ++k) {
        for (std::size_t s = 0; s < S; ++s) secondary[s * R + first + k] += w * acc[k * S + s];
      }
    }
  });
}

}  // namespace korvis
