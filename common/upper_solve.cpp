// Choice of the single-precision back-substitution kernel by vector width
// and chain count, and the sharing of its tasks over threads.
#include "common/upper_solve.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/dense_update.h"
#include "common/worker_pool.h"

namespace common {
namespace {

// Per-thread rows of unknowns of the task in hand, 64-byte aligned.
thread_local std::vector<float> taskRows;

float* alignedRows(std::size_t count) {
  if (taskRows.size() < count + 16) taskRows.resize(count + 16);
  const auto address = reinterpret_cast<std::uintptr_t>(taskRows.data());
  return taskRows.data() + ((64 - address % 64) % 64) / sizeof(float);
}

// The width that runs for a request of `bytes` (0: the build's).
int widthFor(int bytes) {
  if (bytes == 0) bytes = eliminationWidth();
#if !defined(RM_UPPER_WIDTH32)
  if (bytes == 32) return 16;
#endif
#if !defined(RM_UPPER_WIDTH64)
  if (bytes == 64) return 16;
#endif
  return eliminationWidthRuns(bytes) ? bytes : 16;
}

bool offered(int chains) {
  return std::find(std::begin(upperSolveChainCounts), std::end(upperSolveChainCounts), chains) !=
         std::end(upperSolveChainCounts);
}

int lanesOf(int bytes) { return bytes / static_cast<int>(sizeof(float)); }

}  // namespace

int upperSolveChains(int bytes) {
  const int width = widthFor(bytes);
  return width == 16 ? 8 : 48 / lanesOf(width);
}

int upperSolveColumns(int bytes, int chains) {
  const int width = widthFor(bytes);
  return (offered(chains) ? chains : upperSolveChains(width)) * lanesOf(width);
}

void solveUpperMany(int n, const float* Ut, const float* diagonal, const float* B, int ldb,
                    float* X, int ldx, int nrhs, int threads, int bytes, int chains) {
  if (n <= 0 || nrhs <= 0) return;
  const int width = widthFor(bytes);
  if (!offered(chains)) chains = upperSolveChains(width);
  const int columns = chains * lanesOf(width);
  const int tasks = (nrhs + columns - 1) / columns;
  std::atomic<int> next{0};
  runParallel(std::min(resolveThreads(threads), tasks), [&](int) {
    float* xs = alignedRows(static_cast<std::size_t>(n) * static_cast<std::size_t>(columns));
    for (int t = next.fetch_add(1); t < tasks; t = next.fetch_add(1)) {
      const std::ptrdiff_t r0 = static_cast<std::ptrdiff_t>(t) * columns;
      const int count = std::min(columns, nrhs - static_cast<int>(r0));
      const float* b = B + r0 * ldb;
      float* x = X + r0 * ldx;
      switch (width) {
#if defined(RM_UPPER_WIDTH64)
        case 64:
          width64::upperSolveTask(n, Ut, diagonal, b, ldb, x, ldx, count, chains, xs);
          break;
#endif
#if defined(RM_UPPER_WIDTH32)
        case 32:
          width32::upperSolveTask(n, Ut, diagonal, b, ldb, x, ldx, count, chains, xs);
          break;
#endif
        default:
          width16::upperSolveTask(n, Ut, diagonal, b, ldb, x, ldx, count, chains, xs);
          break;
      }
    }
  });
}

}  // namespace common
