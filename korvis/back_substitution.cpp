// Choice of the back-substitution kernel by vector width, and the sharing of
// its tasks over threads.
#include "korvis/back_substitution.h"

#include <algorithm>
#include <atomic>

#include "common/aligned_scratch.h"
#include "common/worker_pool.h"

namespace korvis {
namespace {

// Per-thread rows of unknowns of the task in hand.
thread_local common::AlignedScratch taskRows;

bool built(int bytes) {
  switch (bytes) {
    case 16:
      return true;
#if defined(RM_BACK_WIDTH32)
    case 32:
      return true;
#endif
#if defined(RM_BACK_WIDTH64)
    case 64:
      return true;
#endif
    default:
      return false;
  }
}

}  // namespace

int backSubstitutionWidth() {
#if defined(__AVX512F__) && defined(RM_BACK_WIDTH64)
  return 64;
#elif defined(__AVX2__) && defined(RM_BACK_WIDTH32)
  return 32;
#else
  return 16;
#endif
}

bool backSubstitutionRuns(int bytes) {
  if (!built(bytes)) return false;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (bytes >= 32 && !(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")))
    return false;
  if (bytes >= 64 &&
      !(__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq")))
    return false;
#endif
  return true;
}

int backSubstitutionColumns(int bytes, int chains) {
  return chains * bytes / static_cast<int>(sizeof(double));
}

void backSubstituteMany(const float* M, int n, int ld, const float* Ut, const float* B, int ldb,
                        float* Sigma, int lds, int nrhs, int threads, int bytes, int chains) {
  if (n <= 0 || nrhs <= 0 || !backSubstitutionRuns(bytes)) return;
  const int columns = backSubstitutionColumns(bytes, chains);
  const int tasks = (nrhs + columns - 1) / columns;
  std::atomic<int> next{0};
  common::runParallel(std::min(common::resolveThreads(threads), tasks), [&](int) {
    float* xs = taskRows.get(static_cast<std::size_t>(n) * static_cast<std::size_t>(columns));
    for (int t = next.fetch_add(1); t < tasks; t = next.fetch_add(1)) {
      const std::ptrdiff_t r0 = static_cast<std::ptrdiff_t>(t) * columns;
      const BackTask task{n,       Ut,         M,     ld, B + r0 * ldb, ldb, Sigma + r0 * lds,
                          lds, std::min(columns, nrhs - static_cast<int>(r0))};
      switch (bytes) {
#if defined(RM_BACK_WIDTH64)
        case 64:
          width64::backSubstituteTask(task, chains, xs);
          break;
#endif
#if defined(RM_BACK_WIDTH32)
        case 32:
          width32::backSubstituteTask(task, chains, xs);
          break;
#endif
        default:
          width16::backSubstituteTask(task, chains, xs);
          break;
      }
    }
  });
}

}  // namespace korvis
