// The far pairs of a survey-mode column, written as one loop without jumps
// over the rows (the kernel branch-free, the special rows marked rather than
// skipped) so that it compiles to vector code. The arithmetic of an entry is
// that of the boundary fill's point formula with the smooth kernel.
#include "korvis/smooth_columns.h"

#include <cmath>
#include <cstddef>

#include "korvis/bessel_lanes.h"

namespace korvis {

namespace {

// The node arrays of one column's pairs. No two overlap; the restrict
// qualifiers (honoured on parameters) spare the loop the run-time checks of
// every pair of arrays, which the compiler would otherwise give up on.
struct ColumnArrays {
  const float* __restrict x;
  const float* __restrict z;
  const float* __restrict xn;
  const float* __restrict zn;
};

// The rows of column j: out0 (q0, weight0) and, when W == 2, out1 (q1,
// weight1), which W == 1 leaves unread.
template <int W>
void farRows(int n, int j, float xj, float zj, float dLj, float ky, ColumnArrays a,
             const float* __restrict q0, const float* __restrict q1, double weight0,
             double weight1, float* __restrict out0, float* __restrict out1,
             unsigned char* __restrict mark) {
  constexpr double factor = static_cast<double>(0.9f);
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
    const auto Gd = static_cast<double>(smoothK1Lanes(static_cast<float>(rootDirect), ky));
    const auto Gi = static_cast<double>(smoothK1Lanes(static_cast<float>(rootImage), ky));
    const double fd = dz * static_cast<double>(a.zn[ui]) + dx * static_cast<double>(a.xn[ui]);
    const double fi = sz * static_cast<double>(a.zn[ui]) + dx * static_cast<double>(a.xn[ui]);
    const auto direct0 = static_cast<float>(weight0 * Gd * fd);
    const auto image0 = static_cast<float>(weight0 * Gi * fi);
    out0[ui] = lanes::select(marked, out0[ui], -(direct0 + image0) * q0[ui]);
    if constexpr (W == 2) {
      const auto direct1 = static_cast<float>(weight1 * Gd * fd);
      const auto image1 = static_cast<float>(weight1 * Gi * fi);
      out1[ui] = lanes::select(marked, out1[ui], -(direct1 + image1) * q1[ui]);
    }
  }
}

}  // namespace

template <int W>
void smoothFarColumn(const common::NodeTable& nodes, int j, float ky, const float (&g)[W],
                     const float* const (&q)[W], float* const (&column)[W],
                     unsigned char* special) {
  static_assert(W == 1 || W == 2);
  const auto uj = static_cast<std::size_t>(j);
  const float dLj = nodes.dL[uj];
  const ColumnArrays a{nodes.x.data(), nodes.z.data(), nodes.xn.data(), nodes.zn.data()};
  const double weight0 = static_cast<double>(dLj) * static_cast<double>(g[0]);
  const double weight1 = static_cast<double>(dLj) * static_cast<double>(g[W - 1]);
  farRows<W>(nodes.N, j, nodes.x[uj], nodes.z[uj], dLj, ky, a, q[0], W == 2 ? q[W - 1] : nullptr,
             weight0, weight1, column[0], W == 2 ? column[W - 1] : nullptr, special);
}

template void smoothFarColumn<1>(const common::NodeTable&, int, float, const float (&)[1],
                                 const float* const (&)[1], float* const (&)[1], unsigned char*);
template void smoothFarColumn<2>(const common::NodeTable&, int, float, const float (&)[2],
                                 const float* const (&)[2], float* const (&)[2], unsigned char*);

}  // namespace korvis
