// The far pairs of a survey-mode column in three loops over the rows (the
// geometry, the kernels, the entries), each without jumps (the kernel
// branch-free, the special rows marked rather than skipped) so that it
// compiles to vector code. The arithmetic of an entry is that of the
// boundary fill's point formula with the smooth kernel.
#include "korvis/smooth_columns.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "korvis/bessel_lanes.h"
#include "korvis/node_lanes.h"

namespace korvis {

namespace {


// Stage 1: the geometry of every row of column j: the marks, the kernel
// arguments r (direct at [i], image at [n + i]) and the projections.
void rowGeometry(int n, int j, float xj, float zj, float dLj, NodeLanes a,
                 float* __restrict r, double* __restrict f, unsigned char* __restrict mark) {
  constexpr double factor = static_cast<double>(0.9f);
  const auto un = static_cast<std::size_t>(n);
  for (int i = 0; i < n; ++i) {
    const auto ui = static_cast<std::size_t>(i);
    const float zi = a.z[ui];
    const double dx = static_cast<double>(a.x[ui]) - static_cast<double>(xj);
    const double dz = static_cast<double>(zi) - static_cast<double>(zj);
    const double sz = static_cast<double>(zi) + static_cast<double>(zj);
    const double rootDirect = std::sqrt(dx * dx + dz * dz);
    const double rootImage = std::sqrt(dx * dx + sz * sz);
    const auto d = static_cast<float>(factor * rootDirect);
    const auto dImage = static_cast<float>(factor * rootImage);
    // Bitwise, not logical: a short-circuit is a jump.
    const bool marked = (i == j) | (zi < 0.0f) | (static_cast<double>(dLj) > 0.5 * sz) |
                        (dLj > 0.5f * d) | (dLj > d) | (dLj > dImage) |
                        ((d <= 1e-5f) & (dImage <= 1e-5f));
    mark[ui] = marked ? 1 : 0;
    r[ui] = static_cast<float>(rootDirect);
    r[un + ui] = static_cast<float>(rootImage);
    f[ui] = dz * static_cast<double>(a.zn[ui]) + dx * static_cast<double>(a.xn[ui]);
    f[un + ui] = sz * static_cast<double>(a.zn[ui]) + dx * static_cast<double>(a.xn[ui]);
  }
}

// Stage 2: G of every argument, in runs of 32. A run whose every x = ky*r
// is at most 2 (or every x above 2) takes that formula of xK1 alone, which
// gives the same bits there as the selection between both; the rows of a
// column come in stretches of one boundary, so that most runs of a
// wavenumber lie on one side of 2.
enum class Formula { small, large, both };

template <Formula formula>
void evaluate(std::size_t count, float ky, const float* __restrict r, double* __restrict G) {
  for (std::size_t k = 0; k < count; ++k) {
    float g;
    if constexpr (formula == Formula::small) {
      g = smoothK1SmallLanes(r[k], ky);
    } else if constexpr (formula == Formula::large) {
      g = smoothK1LargeLanes(r[k], ky);
    } else {
      g = smoothK1Lanes(r[k], ky);
    }
    G[k] = static_cast<double>(g);
  }
}

void kernels(std::size_t count, float ky, const float* __restrict r, double* __restrict G) {
  constexpr std::size_t run = 32;
  // Distances are not negative: their bit patterns order as they do, and
  // one above that of infinity is a NaN, which takes both formulas.
  constexpr std::uint32_t infinity = 0x7f800000u;
  for (std::size_t start = 0; start < count; start += run) {
    const std::size_t m = std::min(run, count - start);
    std::uint32_t low = ~0u, high = 0;
    for (std::size_t k = 0; k < m; ++k) {
      const auto bits = std::bit_cast<std::uint32_t>(r[start + k]);
      low = std::min(low, bits);
      high = std::max(high, bits);
    }
    const double xLow = static_cast<double>(std::bit_cast<float>(low)) * static_cast<double>(ky);
    const double xHigh = static_cast<double>(std::bit_cast<float>(high)) * static_cast<double>(ky);
    if (high <= infinity && xHigh <= 2.0) {
      evaluate<Formula::small>(m, ky, r + start, G + start);
    } else if (high <= infinity && xLow > 2.0) {
      evaluate<Formula::large>(m, ky, r + start, G + start);
    } else {
      evaluate<Formula::both>(m, ky, r + start, G + start);
    }
  }
}

// Stage 3: the entries of out0 (q0, weight0) and, when W == 2, out1 (q1,
// weight1), which W == 1 leaves unread.
template <int W>
void entries(int n, const double* __restrict G, const double* __restrict f,
             const unsigned char* __restrict mark, const float* __restrict q0,
             const float* __restrict q1, double weight0, double weight1,
             float* __restrict out0, float* __restrict out1) {
  const auto un = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < un; ++i) {
    const bool marked = mark[i] != 0;
    const auto direct0 = static_cast<float>(weight0 * G[i] * f[i]);
    const auto image0 = static_cast<float>(weight0 * G[un + i] * f[un + i]);
    out0[i] = lanes::select(marked, out0[i], -(direct0 + image0) * q0[i]);
    if constexpr (W == 2) {
      const auto direct1 = static_cast<float>(weight1 * G[i] * f[i]);
      const auto image1 = static_cast<float>(weight1 * G[un + i] * f[un + i]);
      out1[i] = lanes::select(marked, out1[i], -(direct1 + image1) * q1[i]);
    }
  }
}

}  // namespace

template <int W>
void smoothFarColumn(const common::NodeTable& nodes, int j, float ky, const float (&g)[W],
                     const float* const (&q)[W], float* const (&column)[W],
                     unsigned char* special, SmoothColumnScratch& scratch) {
  static_assert(W == 1 || W == 2);
  const auto uj = static_cast<std::size_t>(j);
  const float dLj = nodes.dL[uj];
  const NodeLanes a = nodeLanes(nodes);
  const double weight0 = static_cast<double>(dLj) * static_cast<double>(g[0]);
  const double weight1 = static_cast<double>(dLj) * static_cast<double>(g[W - 1]);
  const auto n = static_cast<std::size_t>(nodes.N);
  scratch.r.resize(2 * n);
  scratch.f.resize(2 * n);
  scratch.G.resize(2 * n);
  rowGeometry(nodes.N, j, nodes.x[uj], nodes.z[uj], dLj, a, scratch.r.data(), scratch.f.data(),
              special);
  kernels(2 * n, ky, scratch.r.data(), scratch.G.data());
  entries<W>(nodes.N, scratch.G.data(), scratch.f.data(), special, q[0],
             W == 2 ? q[W - 1] : nullptr, weight0, weight1, column[0],
             W == 2 ? column[W - 1] : nullptr);
}

template void smoothFarColumn<1>(const common::NodeTable&, int, float, const float (&)[1],
                                 const float* const (&)[1], float* const (&)[1], unsigned char*,
                                 SmoothColumnScratch&);
template void smoothFarColumn<2>(const common::NodeTable&, int, float, const float (&)[2],
                                 const float* const (&)[2], float* const (&)[2], unsigned char*,
                                 SmoothColumnScratch&);

}  // namespace korvis
