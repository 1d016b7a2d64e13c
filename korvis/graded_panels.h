// 8-point Gauss-Legendre on panels graded geometrically from a point: the
// quadrature of kernels that peak at a point t0 on or near a segment, like
// h/((t - t0)^2 + h^2), smooth on every panel whatever their width.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace korvis {

// Nodes and weights of 8-point Gauss-Legendre on [-1, 1] (positive half).
inline constexpr double gaussNode[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                        0.9602898564975363};
inline constexpr double gaussWeight[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                          0.1012285362903763};

// The integral of f over [-half, half] on panels with edges at t0 (when
// inside) and t0 -+ first, t0 -+ 2 first, t0 -+ 4 first, ... while the
// step is below `reach`.
template <class F>
double gradedPanelIntegral(double half, double t0, double first, double reach, const F& f) {
  std::vector<double> edges{-half, half};
  if (t0 > -half && t0 < half) edges.push_back(t0);
  for (double step = first; step < reach; step *= 2.0) {
    for (double t : {t0 - step, t0 + step}) {
      if (t > -half && t < half) edges.push_back(t);
    }
  }
  std::sort(edges.begin(), edges.end());
  double sum = 0.0;
  for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
    const double mid = 0.5 * (edges[k] + edges[k + 1]);
    const double radius = 0.5 * (edges[k + 1] - edges[k]);
    double panel = 0.0;
    for (int g = 0; g < 4; ++g) panel += gaussWeight[g] * (f(mid - radius * gaussNode[g]) + f(mid + radius * gaussNode[g]));
    sum += radius * panel;
  }
  return sum;
}

}  // namespace korvis
