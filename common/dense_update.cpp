// The dense elimination's routines for callers: the choice of the kernels'
// vector width (the build's, or one a test names) and the sharing of the
// work over threads. The kernels themselves are in
// common/dense_update_kernel.cpp.
#include "common/dense_update.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "common/aligned_scratch.h"
#include "common/dense_update_kernel.h"
#include "common/transpose8.h"
#include "common/worker_pool.h"

namespace common {
namespace {

using std::ptrdiff_t;

// One width's kernels, as the dispatch sees them.
struct Kernels {
  int bytes, mr, nr;
  void (*packRowTiles)(int, int, const float*, ptrdiff_t, float*, ptrdiff_t);
  void (*productSerial)(int, int, int, const float*, ptrdiff_t, const float*, const float*,
                        ptrdiff_t, float*, ptrdiff_t);
  void (*solveLowerSerial)(int, int, const float*, ptrdiff_t, float*, ptrdiff_t);
};

#define RM_KERNELS(space, width)                                                          \
  Kernels {                                                                               \
    width, space::tileRows(), space::tileCols(), space::packRowTiles, space::productSerial, \
        space::solveLowerSerial                                                           \
  }

bool built(int bytes) {
  switch (bytes) {
    case 16:
      return true;
#if defined(RM_DENSE_WIDTH32)
    case 32:
      return true;
#endif
#if defined(RM_DENSE_WIDTH64)
    case 64:
      return true;
#endif
    default:
      return false;
  }
}

bool processorRuns(int bytes) {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (bytes >= 32 && !__builtin_cpu_supports("avx")) return false;
  if (bytes >= 64 && !__builtin_cpu_supports("avx512f")) return false;
#endif
  return bytes > 0;
}

// The kernels of `bytes` (0: the build's width); the 16-byte ones when that
// width does not run here.
const Kernels& kernelsFor(int bytes) {
  static const Kernels k16 = RM_KERNELS(width16, 16);
#if defined(RM_DENSE_WIDTH32)
  static const Kernels k32 = RM_KERNELS(width32, 32);
  static const bool runs32 = processorRuns(32);
#endif
#if defined(RM_DENSE_WIDTH64)
  static const Kernels k64 = RM_KERNELS(width64, 64);
  static const bool runs64 = processorRuns(64);
#endif
  switch (bytes == 0 ? eliminationWidth() : bytes) {
#if defined(RM_DENSE_WIDTH64)
    case 64:
      return runs64 ? k64 : k16;
#endif
#if defined(RM_DENSE_WIDTH32)
    case 32:
      return runs32 ? k32 : k16;
#endif
    default:
      return k16;
  }
}

#undef RM_KERNELS

// Bounds of the columns of X per task when an elimination block is applied,
// in register tiles: a task reuses each block of the packed multipliers
// (from L3 once, then from L2) over all of its columns, so tasks are kept
// wide.
constexpr int minChunkTiles = 16;
constexpr int maxChunkTiles = 128;

// Per-thread packing storage, sized on first use and then reused.
thread_local AlignedScratch scratch[2];

// Below this many terms a parallel region costs more than it saves.
constexpr double parallelWork = 1 << 21;

// Hands out column ranges to the threads of a parallel region: wide ranges
// first, narrower ones as the columns run out, so that the threads finish
// together even when one of them starts late (look-ahead) or runs slower.
// Ranges are whole register tiles of nr columns where they can be.
// With evenShares, columns too few for two ranges of the minimum width per
// thread go out as one equal share per thread: a region over a few hundred
// columns (a batch of right-hand sides) then keeps every thread busy to the
// end instead of leaving one with a minimum-width range on its own.
class ColumnDispenser {
 public:
  ColumnDispenser(int n, int threads, int nr, bool evenShares = false)
      : n_(n), threads_(threads), nr_(nr), evenShares_(evenShares) {}

  bool next(int& first, int& count) {
    int start = next_.load(std::memory_order_relaxed);
    for (;;) {
      const int left = n_ - start;
      if (left <= 0) return false;
      const int widest = maxChunkTiles * nr_;
      int size = threads_ == 1 ? widest : (left + 2 * threads_ - 1) / (2 * threads_);
      int narrowest = minChunkTiles * nr_;
      if (evenShares_ && size < narrowest) {
        size = (left + threads_ - 1) / threads_;
        narrowest = nr_;
      }
      size = std::clamp((size + nr_ - 1) / nr_ * nr_, narrowest, widest);
      size = std::min(size, left);
      if (next_.compare_exchange_weak(start, start + size, std::memory_order_relaxed)) {
        first = start;
        count = size;
        return true;
      }
    }
  }

 private:
  std::atomic<int> next_{0};
  const int n_, threads_, nr_;
  const bool evenShares_;
};

}  // namespace

float* packingScratch(int which, std::size_t count) { return scratch[which].get(count); }

int eliminationWidth() {
#if defined(__AVX512F__) && defined(RM_DENSE_WIDTH64)
  return 64;
#elif defined(__AVX__) && defined(RM_DENSE_WIDTH32)
  return 32;
#else
  return 16;
#endif
}

bool eliminationWidthRuns(int bytes) { return built(bytes) && processorRuns(bytes); }

int tileRows(int bytes) { return kernelsFor(bytes).mr; }
int tileCols(int bytes) { return kernelsFor(bytes).nr; }

void subtractProduct(int m, int n, int k, const float* A, int lda, const float* B, int ldb,
                     float* C, int ldc, int threads, int bytes) {
  if (m <= 0 || n <= 0 || k <= 0) return;
  const Kernels& kernels = kernelsFor(bytes);
  threads = resolveThreads(threads);
  if (static_cast<double>(m) * n * k < parallelWork) threads = 1;
  if (threads == 1) {
    kernels.productSerial(m, n, k, A, lda, nullptr, B, ldb, C, ldc);
    return;
  }
  // Split the dimension with more tiles; every part is a complete product of
  // its own entries.
  const int mr = kernels.mr, nr = kernels.nr;
  const bool byColumns = (n + nr - 1) / nr >= (m + mr - 1) / mr;
  const int unit = byColumns ? nr : mr;
  const int units = ((byColumns ? n : m) + unit - 1) / unit;
  threads = std::min(threads, units);
  runParallel(threads, [&](int t) {
    const int first = static_cast<int>(static_cast<long long>(units) * t / threads) * unit;
    const int last =
        std::min(byColumns ? n : m,
                 static_cast<int>(static_cast<long long>(units) * (t + 1) / threads) * unit);
    if (first >= last) return;
    if (byColumns)
      kernels.productSerial(m, last - first, k, A, lda, nullptr,
                            B + static_cast<ptrdiff_t>(first) * ldb, ldb,
                            C + static_cast<ptrdiff_t>(first) * ldc, ldc);
    else
      kernels.productSerial(last - first, n, k, A + first, lda, nullptr, B, ldb, C + first, ldc);
  });
}

std::size_t packedTilesSize(int m, int k, int bytes) {
  if (m <= 0 || k <= 0) return 0;
  const int mr = kernelsFor(bytes).mr;
  return static_cast<std::size_t>((m + mr - 1) / mr) * static_cast<std::size_t>(mr) *
         static_cast<std::size_t>(k);
}

void packTiles(int m, int k, const float* A, int lda, float* packed, int bytes) {
  const Kernels& kernels = kernelsFor(bytes);
  kernels.packRowTiles(m, k, A, lda, packed, static_cast<ptrdiff_t>(kernels.mr) * k);
}

void subtractPackedProduct(int m, int n, int k, const float* packedA, const float* B, int ldb,
                           float* C, int ldc, int bytes) {
  kernelsFor(bytes).productSerial(m, n, k, nullptr, 0, packedA, B, ldb, C, ldc);
}

void solveUnitLower(int m, int n, const float* L, int ldl, float* X, int ldx, int bytes) {
  kernelsFor(bytes).solveLowerSerial(m, n, L, ldl, X, ldx);
}

void EliminationBlock::prepare(int rows, int w, const float* L, int ldl, const int* swaps,
                               int bytes) {
  prepare(rows, w, L, ldl, L + w, ldl, swaps, bytes);
}

void EliminationBlock::prepare(int rows, int w, const float* L11, int ld11, const float* L21,
                               int ld21, const int* swaps, int bytes) {
  rows_ = rows;
  w_ = w;
  L_ = L11;
  ldl_ = ld11;
  swaps_ = swaps;
  bytes_ = kernelsFor(bytes).bytes;
  packedL21_ = nullptr;
  if (rows > w && w > 0) {
    const std::size_t size = packedTilesSize(rows - w, w, bytes_);
    float* packed = storage_.get(size);
    packTiles(rows - w, w, L21, ld21, packed, bytes_);
    packedL21_ = packed;
  }
}

void EliminationBlock::apply(int n, float* X, int ldx) const {
  if (n <= 0 || w_ <= 0) return;
  if (swaps_) {
    for (int j = 0; j < n; ++j) {
      float* col = X + static_cast<ptrdiff_t>(j) * ldx;
      for (int s = 0; s < w_; ++s) std::swap(col[s], col[swaps_[s]]);
    }
  }
  const Kernels& kernels = kernelsFor(bytes_);
  kernels.solveLowerSerial(w_, n, L_, ldl_, X, ldx);
  if (packedL21_)
    kernels.productSerial(rows_ - w_, n, w_, nullptr, 0, packedL21_, X, ldx, X + w_, ldx);
}

void applyEliminationBlock(int rows, int w, const float* L, int ldl, const int* swaps, int n,
                           float* X, int ldx, int threads, int bytes) {
  if (rows <= 0 || w <= 0 || n <= 0) return;
  thread_local EliminationBlock block;
  block.prepare(rows, w, L, ldl, swaps, bytes);
  applyEliminationBlock(block, n, X, ldx, threads);
}

void applyEliminationBlock(const EliminationBlock& block, int n, float* X, int ldx, int threads) {
  if (block.rows() <= 0 || block.steps() <= 0 || n <= 0) return;
  const int nr = tileCols(block.width());
  threads = resolveThreads(threads);
  if (static_cast<double>(block.rows()) * block.steps() * n < parallelWork) threads = 1;
  threads = std::min(threads, (n + minChunkTiles * nr - 1) / (minChunkTiles * nr));
  ColumnDispenser columns(n, threads, nr, true);
  runParallel(threads, [&](int) {
    for (int first = 0, count = 0; columns.next(first, count);)
      block.apply(count, X + static_cast<ptrdiff_t>(first) * ldx, ldx);
  });
}

void applyWithLookAhead(const EliminationBlock& block, int n, float* X, int ldx, int lead,
                        int threads, const std::function<void(int)>& factorLead) {
  threads = resolveThreads(threads);
  const int nr = tileCols(block.width());
  const int rest = n - lead;
  if (threads == 1 || rest < lead) {
    ColumnDispenser columns(n, threads, nr);
    runParallel(threads, [&](int) {
      for (int first = 0, count = 0; columns.next(first, count);)
        block.apply(count, X + static_cast<ptrdiff_t>(first) * ldx, ldx);
    });
    factorLead(threads);
    return;
  }
  float* restX = X + static_cast<ptrdiff_t>(lead) * ldx;
  ColumnDispenser columns(rest, threads, nr);
  runParallel(threads, [&](int t) {
    if (t == 0) {
      block.apply(lead, X, ldx);
      factorLead(1);
    }
    for (int first = 0, count = 0; columns.next(first, count);)
      block.apply(count, restX + static_cast<ptrdiff_t>(first) * ldx, ldx);
  });
}

std::size_t upperRowStart(int n, int i) {
  const auto row = static_cast<std::size_t>(i);
  return row * static_cast<std::size_t>(n - 1) - row * (row - 1) / 2;
}

void packUpperRows(int n, const float* U, int ldu, float* Ut, int threads) {
  if (n <= 1) return;
  // Square tiles keep both the columns read and the rows written within the
  // TLB and L1; each row of a tile is written contiguously.
  constexpr int tile = 128;
  const int blocks = (n + tile - 1) / tile;
  threads = std::min(resolveThreads(threads), blocks);
  if (static_cast<double>(n) * n < parallelWork) threads = 1;
  std::atomic<int> next{0};
  runParallel(threads, [&](int) {
    for (int b = next.fetch_add(1); b < blocks; b = next.fetch_add(1)) {
      const int j0 = b * tile;
      const int j1 = std::min(n, j0 + tile);
      for (int i0 = 0; i0 < j1; i0 += tile) {
        const int i1 = std::min(j1, i0 + tile);
        // Groups of 8 rows; away from the diagonal, 8 x 8 blocks go through
        // a register transpose.
        for (int i = i0; i < i1; i += 8) {
          const int rows = std::min(8, i1 - i);
          ptrdiff_t base[8];  // U(i+r, j) goes to Ut[base[r] + j]
          for (int r = 0; r < rows; ++r)
            base[r] = static_cast<ptrdiff_t>(upperRowStart(n, i + r)) - (i + r + 1);
          int j = std::max(j0, i + 1);
          const int vectorFrom = rows == 8 ? std::max(j, i + 8) : j1;
          for (; j < std::min(vectorFrom, j1); ++j)
            for (int r = 0; r < rows && i + r < j; ++r)
              Ut[base[r] + j] = U[i + r + static_cast<ptrdiff_t>(j) * ldu];
          for (; j + 8 <= j1; j += 8) {
            Floats8 block[8];
            for (int c = 0; c < 8; ++c)
              block[c] =
                  *reinterpret_cast<const Floats8*>(U + i + static_cast<ptrdiff_t>(j + c) * ldu);
            transpose8(block);
            for (int r = 0; r < 8; ++r) *reinterpret_cast<Floats8*>(Ut + base[r] + j) = block[r];
          }
          for (; j < j1; ++j)
            for (int r = 0; r < rows; ++r)
              Ut[base[r] + j] = U[i + r + static_cast<ptrdiff_t>(j) * ldu];
        }
      }
    }
  });
}

}  // namespace common
