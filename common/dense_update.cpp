#include "common/dense_update.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/worker_pool.h"

namespace common {
namespace {

using std::ptrdiff_t;

// Register blocking (Goto & van de Geijn, "Anatomy of high-performance
// matrix multiplication", 2008): a tile of 2 vectors x tileCols columns of C
// stays in registers while the packed operands stream through it. Without
// fused multiply-add every term costs a multiply and a subtraction, which go
// to different execution ports, so the tile needs no more registers than the
// usual FMA kernel.
#if defined(__AVX512F__)
constexpr int vecLen = 16;
constexpr int nr = 12;
#elif defined(__AVX__)
constexpr int vecLen = 8;
constexpr int nr = 6;
#else
constexpr int vecLen = 4;
constexpr int nr = 6;
#endif
constexpr int mr = 2 * vecLen;

using Vec = float __attribute__((vector_size(vecLen * sizeof(float)), aligned(4), may_alias));

// Cache blocking: kc terms per pass over a tile of C, an mc x kc block of A
// in L2, a kc x nc block of B in L3.
constexpr int kc = 256;
constexpr int mc = 8 * 16;
constexpr int nc = 16 * 96;
static_assert(mc % mr == 0 && nc % nr == 0);

// Bounds of the columns of X per task when an elimination block is applied:
// a task reuses each block of the packed multipliers (from L3 once, then
// from L2) over all of its columns, so tasks are kept wide.
constexpr int minChunkCols = 16 * nr;
constexpr int maxChunkCols = 128 * nr;

// Rows of the smallest triangle of solveUnitLower, solved directly.
constexpr int triangleLeaf = 16;

inline Vec loadVec(const float* p) { return *reinterpret_cast<const Vec*>(p); }
inline void storeVec(float* p, Vec v) { *reinterpret_cast<Vec*>(p) = v; }

// c(mr x nr tile, leading dimension ldc) -= a * b over k terms in order.
// a: k groups of mr floats; b: k groups of nr floats.
inline void tileKernel(int k, const float* __restrict a, const float* __restrict b, float* c,
                       ptrdiff_t ldc) {
  Vec acc[nr][2];
  for (int j = 0; j < nr; ++j) {
    acc[j][0] = loadVec(c + j * ldc);
    acc[j][1] = loadVec(c + j * ldc + vecLen);
  }
#pragma GCC unroll 4
  for (int p = 0; p < k; ++p) {
    const Vec a0 = loadVec(a);
    const Vec a1 = loadVec(a + vecLen);
    for (int j = 0; j < nr; ++j) {
      const float bj = b[j];
      acc[j][0] = acc[j][0] - a0 * bj;
      acc[j][1] = acc[j][1] - a1 * bj;
    }
    a += mr;
    b += nr;
  }
  for (int j = 0; j < nr; ++j) {
    storeVec(c + j * ldc, acc[j][0]);
    storeVec(c + j * ldc + vecLen, acc[j][1]);
  }
}

// A partial tile goes through a full-size copy; its padding lanes compute
// on zeros and are dropped, the valid lanes get exactly the same operations.
void edgeTile(int rows, int cols, int k, const float* a, const float* b, float* c, ptrdiff_t ldc) {
  alignas(64) float tile[mr * nr] = {};
  for (int j = 0; j < cols; ++j)
    for (int i = 0; i < rows; ++i) tile[j * mr + i] = c[i + j * ldc];
  tileKernel(k, a, b, tile, mr);
  for (int j = 0; j < cols; ++j)
    for (int i = 0; i < rows; ++i) c[i + j * ldc] = tile[j * mr + i];
}

// Tiles of A (tile stride aStride floats) against the packed panels of B,
// for an m x n block of C and k terms.
void macroKernel(int m, int n, int k, const float* aTiles, ptrdiff_t aStride, const float* bPanels,
                 float* C, ptrdiff_t ldc) {
  for (int j0 = 0; j0 < n; j0 += nr) {
    const int cols = std::min(nr, n - j0);
    const float* b = bPanels + static_cast<ptrdiff_t>(j0 / nr) * nr * k;
    for (int i0 = 0; i0 < m; i0 += mr) {
      const int rows = std::min(mr, m - i0);
      const float* a = aTiles + static_cast<ptrdiff_t>(i0 / mr) * aStride;
      float* c = C + i0 + j0 * ldc;
      // The kernel's first subtractions wait for the tile of C; fetch the
      // next tile while this one is computed.
      const float* following = i0 + mr < m ? c + mr : (j0 + nr < n ? C + (j0 + nr) * ldc : nullptr);
      if (following) {
        const int nextCols = i0 + mr < m ? cols : std::min(nr, n - j0 - nr);
        for (int j = 0; j < nextCols; ++j) {
          __builtin_prefetch(following + j * ldc, 1);
          __builtin_prefetch(following + j * ldc + mr - 1, 1);
        }
      }
      if (rows == mr && cols == nr)
        tileKernel(k, a, b, c, ldc);
      else
        edgeTile(rows, cols, k, a, b, c, ldc);
    }
  }
}

// B (k x n) into panels of nr columns: panel q holds, for p = 0..k-1, the
// nr entries B(p, q*nr ..), zero-padded.
void packPanels(int k, int n, const float* B, ptrdiff_t ldb, float* packed) {
  for (int j0 = 0; j0 < n; j0 += nr) {
    const int cols = std::min(nr, n - j0);
    float* dst = packed + static_cast<ptrdiff_t>(j0 / nr) * nr * k;
    for (int j = 0; j < cols; ++j) {
      const float* src = B + (j0 + j) * ldb;
      for (int p = 0; p < k; ++p) dst[p * nr + j] = src[p];
    }
    for (int j = cols; j < nr; ++j)
      for (int p = 0; p < k; ++p) dst[p * nr + j] = 0.0f;
  }
}

void packTilesStrided(int m, int k, const float* A, ptrdiff_t lda, float* packed,
                      ptrdiff_t tileStride) {
  for (int i0 = 0; i0 < m; i0 += mr) {
    const int rows = std::min(mr, m - i0);
    float* dst = packed + static_cast<ptrdiff_t>(i0 / mr) * tileStride;
    for (int p = 0; p < k; ++p) {
      const float* src = A + i0 + p * lda;
      float* d = dst + p * mr;
      for (int i = 0; i < rows; ++i) d[i] = src[i];
      for (int i = rows; i < mr; ++i) d[i] = 0.0f;
    }
  }
}

// The triangle of a leaf is a chain of dependent steps down each column,
// so it is vectorised across 8 columns at a time: the 16 x 8 block is
// transposed into row vectors, eliminated, and transposed back.
using Vec8 = float __attribute__((vector_size(8 * sizeof(float)), aligned(4), may_alias));

void transpose8(Vec8 (&r)[8]) {
  Vec8 t[8], u[8];
  for (int q = 0; q < 4; ++q) {
    t[2 * q] = __builtin_shufflevector(r[2 * q], r[2 * q + 1], 0, 8, 1, 9, 4, 12, 5, 13);
    t[2 * q + 1] = __builtin_shufflevector(r[2 * q], r[2 * q + 1], 2, 10, 3, 11, 6, 14, 7, 15);
  }
  for (int h = 0; h < 2; ++h) {
    const Vec8* a = t + 4 * h;
    u[4 * h + 0] = __builtin_shufflevector(a[0], a[2], 0, 1, 8, 9, 4, 5, 12, 13);
    u[4 * h + 1] = __builtin_shufflevector(a[0], a[2], 2, 3, 10, 11, 6, 7, 14, 15);
    u[4 * h + 2] = __builtin_shufflevector(a[1], a[3], 0, 1, 8, 9, 4, 5, 12, 13);
    u[4 * h + 3] = __builtin_shufflevector(a[1], a[3], 2, 3, 10, 11, 6, 7, 14, 15);
  }
  for (int q = 0; q < 4; ++q) {
    r[q] = __builtin_shufflevector(u[q], u[q + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    r[q + 4] = __builtin_shufflevector(u[q], u[q + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// solveUnitLower for exactly triangleLeaf rows, on the leading multiple of 8
// columns; returns the number of columns done.
int fullLeaf(int n, const float* L, ptrdiff_t ldl, float* X, ptrdiff_t ldx) {
  static_assert(triangleLeaf == 16);
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    Vec8 top[8], bottom[8];
    for (int c = 0; c < 8; ++c) {
      top[c] = *reinterpret_cast<const Vec8*>(X + (j + c) * ldx);
      bottom[c] = *reinterpret_cast<const Vec8*>(X + (j + c) * ldx + 8);
    }
    transpose8(top);
    transpose8(bottom);
    Vec8 row[16];
    for (int i = 0; i < 8; ++i) {
      row[i] = top[i];
      row[i + 8] = bottom[i];
    }
    for (int p = 0; p < 15; ++p)
      for (int i = p + 1; i < 16; ++i) row[i] = row[i] - L[i + p * ldl] * row[p];
    for (int i = 0; i < 8; ++i) {
      top[i] = row[i];
      bottom[i] = row[i + 8];
    }
    transpose8(top);
    transpose8(bottom);
    for (int c = 0; c < 8; ++c) {
      *reinterpret_cast<Vec8*>(X + (j + c) * ldx) = top[c];
      *reinterpret_cast<Vec8*>(X + (j + c) * ldx + 8) = bottom[c];
    }
  }
  return j;
}

// Per-thread packing storage, sized on first use and then reused.
struct Scratch {
  std::vector<float> data;
  float* get(std::size_t count) {
    if (data.size() < count + 16) data.resize(count + 16);
    auto address = reinterpret_cast<std::uintptr_t>(data.data());
    return data.data() + ((64 - address % 64) % 64) / sizeof(float);
  }
};

thread_local Scratch aScratch;
thread_local Scratch bScratch;

// One thread; A either packed here block by block (packedA == nullptr) or
// given as whole packed tiles.
void productSerial(int m, int n, int k, const float* A, ptrdiff_t lda, const float* packedA,
                   const float* B, ptrdiff_t ldb, float* C, ptrdiff_t ldc) {
  if (m <= 0 || n <= 0 || k <= 0) return;
  float* bPack = bScratch.get(static_cast<std::size_t>(kc) * nc);
  float* aPack = packedA ? nullptr : aScratch.get(static_cast<std::size_t>(mc) * kc);
  const ptrdiff_t packedStride = static_cast<ptrdiff_t>(mr) * k;
  for (int j0 = 0; j0 < n; j0 += nc) {
    const int nb = std::min(nc, n - j0);
    for (int p0 = 0; p0 < k; p0 += kc) {
      const int kb = std::min(kc, k - p0);
      packPanels(kb, nb, B + p0 + j0 * ldb, ldb, bPack);
      for (int i0 = 0; i0 < m; i0 += mc) {
        const int mb = std::min(mc, m - i0);
        if (packedA) {
          macroKernel(mb, nb, kb, packedA + (i0 / mr) * packedStride + p0 * mr, packedStride, bPack,
                      C + i0 + j0 * ldc, ldc);
        } else {
          packTilesStrided(mb, kb, A + i0 + p0 * lda, lda, aPack, static_cast<ptrdiff_t>(mr) * kb);
          macroKernel(mb, nb, kb, aPack, static_cast<ptrdiff_t>(mr) * kb, bPack, C + i0 + j0 * ldc,
                      ldc);
        }
      }
    }
  }
}

// Below this many terms a parallel region costs more than it saves.
constexpr double parallelWork = 1 << 21;

// Hands out column ranges to the threads of a parallel region: wide ranges
// first, narrower ones as the columns run out, so that the threads finish
// together even when one of them starts late (look-ahead) or runs slower.
class ColumnDispenser {
 public:
  ColumnDispenser(int n, int threads) : n_(n), threads_(threads) {}

  bool next(int& first, int& count) {
    int start = next_.load(std::memory_order_relaxed);
    for (;;) {
      const int left = n_ - start;
      if (left <= 0) return false;
      int size = threads_ == 1 ? maxChunkCols : (left + 2 * threads_ - 1) / (2 * threads_);
      size = std::clamp((size + nr - 1) / nr * nr, minChunkCols, maxChunkCols);
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
  const int n_, threads_;
};

}  // namespace

int tileRows() { return mr; }
int tileCols() { return nr; }

void subtractProduct(int m, int n, int k, const float* A, int lda, const float* B, int ldb,
                     float* C, int ldc, int threads) {
  if (m <= 0 || n <= 0 || k <= 0) return;
  threads = resolveThreads(threads);
  if (static_cast<double>(m) * n * k < parallelWork) threads = 1;
  if (threads == 1) {
    productSerial(m, n, k, A, lda, nullptr, B, ldb, C, ldc);
    return;
  }
  // Split the dimension with more tiles; every part is a complete product of
  // its own entries.
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
      productSerial(m, last - first, k, A, lda, nullptr, B + static_cast<ptrdiff_t>(first) * ldb,
                    ldb, C + static_cast<ptrdiff_t>(first) * ldc, ldc);
    else
      productSerial(last - first, n, k, A + first, lda, nullptr, B, ldb, C + first, ldc);
  });
}

std::size_t packedTilesSize(int m, int k) {
  if (m <= 0 || k <= 0) return 0;
  return static_cast<std::size_t>((m + mr - 1) / mr) * mr * static_cast<std::size_t>(k);
}

void packTiles(int m, int k, const float* A, int lda, float* packed) {
  packTilesStrided(m, k, A, lda, packed, static_cast<ptrdiff_t>(mr) * k);
}

void subtractPackedProduct(int m, int n, int k, const float* packedA, const float* B, int ldb,
                           float* C, int ldc) {
  productSerial(m, n, k, nullptr, 0, packedA, B, ldb, C, ldc);
}

void solveUnitLower(int m, int n, const float* L, int ldl, float* X, int ldx) {
  if (m <= 1 || n <= 0) return;
  if (m <= triangleLeaf) {
    const int done = m == triangleLeaf ? fullLeaf(n, L, ldl, X, ldx) : 0;
    for (int j = done; j < n; ++j) {
      float* __restrict x = X + static_cast<ptrdiff_t>(j) * ldx;
      for (int p = 0; p < m - 1; ++p) {
        const float xp = x[p];
        const float* __restrict l = L + static_cast<ptrdiff_t>(p) * ldl;
        for (int i = p + 1; i < m; ++i) x[i] = x[i] - l[i] * xp;
      }
    }
    return;
  }
  // Rows of the upper part are final before the lower part needs them, and
  // the lower part takes their terms in increasing p: first the product,
  // then its own triangle.
  int half = (m / 2 + mr - 1) / mr * mr;
  if (half >= m) half = m / 2;
  solveUnitLower(half, n, L, ldl, X, ldx);
  productSerial(m - half, n, half, L + half, ldl, nullptr, X, ldx, X + half, ldx);
  solveUnitLower(m - half, n, L + half + static_cast<ptrdiff_t>(half) * ldl, ldl, X + half, ldx);
}

void EliminationBlock::prepare(int rows, int w, const float* L, int ldl, const int* swaps) {
  rows_ = rows;
  w_ = w;
  L_ = L;
  ldl_ = ldl;
  swaps_ = swaps;
  packedL21_ = nullptr;
  if (rows > w && w > 0) {
    const std::size_t size = packedTilesSize(rows - w, w);
    if (storage_.size() < size + 16) storage_.resize(size + 16);
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    float* packed = storage_.data() + ((64 - address % 64) % 64) / sizeof(float);
    packTiles(rows - w, w, L + w, ldl, packed);
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
  solveUnitLower(w_, n, L_, ldl_, X, ldx);
  if (packedL21_) productSerial(rows_ - w_, n, w_, nullptr, 0, packedL21_, X, ldx, X + w_, ldx);
}

void applyEliminationBlock(int rows, int w, const float* L, int ldl, const int* swaps, int n,
                           float* X, int ldx, int threads) {
  if (rows <= 0 || w <= 0 || n <= 0) return;
  thread_local EliminationBlock block;
  block.prepare(rows, w, L, ldl, swaps);
  threads = resolveThreads(threads);
  if (static_cast<double>(rows) * w * n < parallelWork) threads = 1;
  threads = std::min(threads, (n + minChunkCols - 1) / minChunkCols);
  ColumnDispenser columns(n, threads);
  const EliminationBlock& prepared = block;
  runParallel(threads, [&](int) {
    for (int first = 0, count = 0; columns.next(first, count);)
      prepared.apply(count, X + static_cast<ptrdiff_t>(first) * ldx, ldx);
  });
}

void applyWithLookAhead(const EliminationBlock& block, int n, float* X, int ldx, int lead,
                        int threads, const std::function<void(int)>& factorLead) {
  threads = resolveThreads(threads);
  const int rest = n - lead;
  if (threads == 1 || rest < lead) {
    ColumnDispenser columns(n, threads);
    runParallel(threads, [&](int) {
      for (int first = 0, count = 0; columns.next(first, count);)
        block.apply(count, X + static_cast<ptrdiff_t>(first) * ldx, ldx);
    });
    factorLead(threads);
    return;
  }
  float* restX = X + static_cast<ptrdiff_t>(lead) * ldx;
  ColumnDispenser columns(rest, threads);
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
            Vec8 block[8];
            for (int c = 0; c < 8; ++c)
              block[c] =
                  *reinterpret_cast<const Vec8*>(U + i + static_cast<ptrdiff_t>(j + c) * ldu);
            transpose8(block);
            for (int r = 0; r < 8; ++r) *reinterpret_cast<Vec8*>(Ut + base[r] + j) = block[r];
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
