// Choice of the single-precision back-substitution kernel by vector width
// and chain count, and the sharing of its tasks over threads.
#include "common/upper_solve.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "common/aligned_scratch.h"
#include "common/dense_update.h"
#include "common/worker_pool.h"

namespace common {
namespace {

// Per-thread rows of unknowns of the task in hand.
thread_local AlignedScratch taskRows;

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
  const int lanes = lanesOf(width);
  if (!offered(chains)) chains = upperSolveChains(width);
  threads = std::max(1, std::min(resolveThreads(threads), (nrhs + lanes - 1) / lanes));

  // Each thread's equal share of the right-hand sides in tasks of `chains`
  // chains, the rest of a share in one task of the fewest chains that hold
  // it: the threads then finish together, where whole tasks alone would
  // leave one of them a task behind.
  struct Task {
    int first, count, chains;
  };
  std::vector<Task> tasks;
  const int share = (nrhs + threads - 1) / threads;
  for (int s0 = 0; s0 < nrhs; s0 += share) {
    const int s1 = std::min(nrhs, s0 + share);
    for (int r0 = s0; r0 < s1; r0 += chains * lanes) {
      const int count = std::min(chains * lanes, s1 - r0);
      int fewest = chains;
      for (int c : upperSolveChainCounts)
        if (c * lanes >= count) {
          fewest = std::min(fewest, c);
          break;
        }
      tasks.push_back({r0, count, fewest});
    }
  }
  const auto taskCount = static_cast<int>(tasks.size());
  std::atomic<int> next{0};
  runParallel(std::min(threads, taskCount), [&](int) {
    float* xs = taskRows.get(static_cast<std::size_t>(n) * static_cast<std::size_t>(chains * lanes));
    for (int t = next.fetch_add(1); t < taskCount; t = next.fetch_add(1)) {
      const Task& task = tasks[static_cast<std::size_t>(t)];
      const float* b = B + static_cast<std::ptrdiff_t>(task.first) * ldb;
      float* x = X + static_cast<std::ptrdiff_t>(task.first) * ldx;
      switch (width) {
#if defined(RM_UPPER_WIDTH64)
        case 64:
          width64::upperSolveTask(n, Ut, diagonal, b, ldb, x, ldx, task.count, task.chains, xs);
          break;
#endif
#if defined(RM_UPPER_WIDTH32)
        case 32:
          width32::upperSolveTask(n, Ut, diagonal, b, ldb, x, ldx, task.count, task.chains, xs);
          break;
#endif
        default:
          width16::upperSolveTask(n, Ut, diagonal, b, ldb, x, ldx, task.count, task.chains, xs);
          break;
      }
    }
  });
}

}  // namespace common
