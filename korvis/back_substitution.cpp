#include "korvis/back_substitution.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "common/dense_update.h"

namespace korvis {
namespace {

using std::ptrdiff_t;

using Vec4d = double __attribute__((vector_size(4 * sizeof(double)), aligned(8), may_alias));
using Vec4l = std::int64_t __attribute__((vector_size(4 * sizeof(std::int64_t))));

// Rows of U per block: the sums of a block's rows over the solutions below
// it are one matrix product, then the block is solved row by row.
constexpr int blockRows = 64;
// Columns of U per packed chunk (blockRows x chunkCols doubles stay in the
// core's L2 cache while the right-hand sides pass by in panels).
constexpr int chunkCols = 128;
// Register tile: tileRows rows of U times tileCols right-hand sides; a panel
// of right-hand sides is packed once per chunk for all tiles of the block.
constexpr int tileRows = 8;
constexpr int tileCols = 4;
constexpr int panelCols = 3 * tileCols;
constexpr int panelVectors = panelCols / 4;
// Columns over which |U| and |sigma| are summed and maximised for the
// bound B: narrower is tighter and costs more.
constexpr int boundCols = 32;
constexpr int boundsPerChunk = chunkCols / boundCols;

std::size_t at(ptrdiff_t i) { return static_cast<std::size_t>(i); }

Vec4d load(const double* p) { return *reinterpret_cast<const Vec4d*>(p); }
void store(double* p, Vec4d v) { *reinterpret_cast<Vec4d*>(p) = v; }
Vec4d magnitude(Vec4d v) { return (Vec4d)((Vec4l)v & INT64_MAX); }

// Keeps a loaded vector in a register: without it the compiler reloads it
// from memory for every product, and the loads, not the arithmetic, bound
// the kernel.
inline void keepInRegister([[maybe_unused]] Vec4d& v) {
#if defined(__GNUC__) && defined(__x86_64__) && defined(__AVX__)
  asm("" : "+x"(v));
#endif
}

// c(8 rows x 4 right-hand sides) += U(8 rows, kc columns) * X(kc x 4), the
// terms of each entry added in increasing column order, each a double
// product then a double sum. up: for each column, the 8 rows; xp: for each
// column, the solutions (4 used, panelCols apart); c: for each right-hand
// side, the 8 rows (blockRows apart).
void tileProduct(const double* __restrict up, const double* __restrict xp, int kc,
                 double* __restrict c) {
  Vec4d top[tileCols], bottom[tileCols];
  for (int r = 0; r < tileCols; ++r) {
    top[r] = load(c + r * blockRows);
    bottom[r] = load(c + r * blockRows + 4);
  }
  for (int j = 0; j < kc; ++j, up += tileRows, xp += panelCols) {
    Vec4d u0 = load(up), u1 = load(up + 4);
    keepInRegister(u0);
    keepInRegister(u1);
#pragma GCC unroll 4
    for (int r = 0; r < tileCols; ++r) {
      top[r] = top[r] + u0 * xp[r];
      bottom[r] = bottom[r] + u1 * xp[r];
    }
  }
  for (int r = 0; r < tileCols; ++r) {
    store(c + r * blockRows, top[r]);
    store(c + r * blockRows + 4, bottom[r]);
  }
}

// sigma(i) = float((b - s) / d) as the plain loop forms it.
float solution(double b, double s, double d) { return static_cast<float>((b - s) / d); }

// The plain sum of row i for column sigma (solutions below i already final).
double plainSum(const float* row, int n, int i, const float* sigma) {
  double s = 0.0;
  for (int j = i + 1; j < n; ++j)
    s += static_cast<double>(row[j - i - 1]) * static_cast<double>(sigma[j]);
  return s;
}

}  // namespace

long long BackSubstitution::solve(const float* M, int n, ptrdiff_t ld, const float* Ut,
                                  const float* B, ptrdiff_t ldb, float* Sigma, ptrdiff_t lds,
                                  int r0, int r1) {
  if (n <= 0 || r1 <= r0) return 0;
  const int panels = (r1 - r0 + panelCols - 1) / panelCols;
  const std::size_t panelSize = at(blockRows) * panelCols;
  const int boundRows = (n + boundCols - 1) / boundCols;
  // The solutions found so far in double, per panel row by row, and their
  // largest magnitudes per boundCols rows: written once, read by every
  // block above.
  const std::size_t solvedSize = at(n) * panelCols;
  const std::size_t topSize = at(boundRows) * panelCols;
  solved_.resize(at(panels) * solvedSize);
  xMax_.resize(at(panels) * topSize);
  up_.resize(at(blockRows) * chunkCols);
  upAbs_.resize(at(blockRows) * boundsPerChunk);
  sums_.resize(at(panels) * panelSize);
  bounds_.resize(at(panels) * panelSize);
  long long recomputed = 0;

  // Blocks start at multiples of blockRows, so the boundCols groups of rows
  // never straddle two blocks.
  for (int i1 = n; i1 > 0;) {
    const int i0 = (i1 - 1) / blockRows * blockRows;
    const int rows = i1 - i0;
    const int tiles = (rows + tileRows - 1) / tileRows;
    std::fill(sums_.begin(), sums_.end(), 0.0);
    std::fill(bounds_.begin(), bounds_.end(), 0.0);

    // The block's sums over the solutions of the rows below it.
    for (int j0 = i1; j0 < n; j0 += chunkCols) {
      const int kc = std::min(chunkCols, n - j0);
      const int bounds = (kc + boundCols - 1) / boundCols;
      std::fill(up_.begin(), up_.end(), 0.0);
      for (int row = 0; row < rows; ++row) {
        const int i = i0 + row;
        const float* u = Ut + common::upperRowStart(n, i) + (j0 - i - 1);
        double* packed = up_.data() + at(row / tileRows) * at(kc) * tileRows + row % tileRows;
        for (int b = 0; b < bounds; ++b) {
          double sum = 0.0;
          for (int j = b * boundCols; j < std::min(kc, (b + 1) * boundCols); ++j) {
            packed[at(j) * tileRows] = static_cast<double>(u[j]);
            sum += std::fabs(static_cast<double>(u[j]));
          }
          upAbs_[at(b) * blockRows + at(row)] = sum;
        }
      }
      for (int p = 0; p < panels; ++p) {
        const double* x = solved_.data() + at(p) * solvedSize + at(j0) * panelCols;
        double* sums = sums_.data() + at(p) * panelSize;
        for (int t = 0; t < tiles; ++t)
          for (int r = 0; r < panelCols; r += tileCols)
            tileProduct(up_.data() + at(t) * at(kc) * tileRows, x + r, kc,
                        sums + at(r) * blockRows + at(t) * tileRows);
        const double* xTop = xMax_.data() + at(p) * topSize + at(j0 / boundCols) * panelCols;
        double* bound = bounds_.data() + at(p) * panelSize;
        for (int r = 0; r < panelCols; ++r)
          for (int b = 0; b < bounds; ++b) {
            const double top = xTop[at(b) * panelCols + at(r)];
            for (int row = 0; row < rows; ++row)
              bound[at(r) * blockRows + at(row)] += upAbs_[at(b) * blockRows + at(row)] * top;
          }
      }
    }

    // The block itself, row by row from the bottom.
    for (int p = 0; p < panels; ++p) {
      const int c0 = r0 + p * panelCols;
      const int cols = std::min(panelCols, r1 - c0);
      double* solved = solved_.data() + at(p) * solvedSize;
      for (int i = i1 - 1; i >= i0; --i) {
        const int row = i - i0;
        const double* sums = sums_.data() + at(p) * panelSize + at(row);
        const double* bounds = bounds_.data() + at(p) * panelSize + at(row);
        Vec4d sum[panelVectors], bound[panelVectors];
        for (int r = 0; r < panelCols; ++r) {
          sum[r / 4][r % 4] = sums[at(r) * blockRows];
          bound[r / 4][r % 4] = bounds[at(r) * blockRows];
        }
        const float* u = Ut + common::upperRowStart(n, i);
        for (int j = i + 1; j < i1; ++j) {
          const double uj = static_cast<double>(u[j - i - 1]);
          const double ua = std::fabs(uj);
          const double* x = solved + at(j) * panelCols;
          for (int v = 0; v < panelVectors; ++v) {
            const Vec4d xv = load(x + 4 * v);
            sum[v] = sum[v] + uj * xv;
            bound[v] = bound[v] + ua * magnitude(xv);
          }
        }
        const double d = static_cast<double>(M[i + i * ld]);
        const double margin = static_cast<double>(n - 1 - i + 2) * 0x1p-50;
        double* x = solved + at(i) * panelCols;
        for (int r = 0; r < panelCols; ++r) {
          if (r >= cols) {
            x[r] = 0.0;
            continue;
          }
          const double s = sum[r / 4][r % 4];
          const double e = bound[r / 4][r % 4] * margin;
          const ptrdiff_t column = c0 + r;
          const double b = static_cast<double>(B[i + column * ldb]);
          const float low = solution(b, s + e, d);
          const float high = solution(b, s - e, d);
          float sigma = low;
          if (!(std::isfinite(s) && std::isfinite(e) && std::isfinite(low) && low != 0.0f &&
                std::bit_cast<std::uint32_t>(low) == std::bit_cast<std::uint32_t>(high))) {
            sigma = solution(b, plainSum(u, n, i, Sigma + column * lds), d);
            ++recomputed;
          }
          Sigma[i + column * lds] = sigma;
          x[r] = static_cast<double>(sigma);
        }
      }
      // The largest magnitudes of the block's solutions, per boundCols rows.
      double* xTop = xMax_.data() + at(p) * topSize;
      for (int g = i0 / boundCols; g * boundCols < i1; ++g)
        for (int r = 0; r < panelCols; ++r) {
          double top = 0.0;
          for (int j = g * boundCols; j < std::min(i1, (g + 1) * boundCols); ++j)
            top = std::max(top, std::fabs(solved[at(j) * panelCols + at(r)]));
          xTop[at(g) * panelCols + at(r)] = top;
        }
    }
    i1 = i0;
  }
  return recomputed;
}

}  // namespace korvis
