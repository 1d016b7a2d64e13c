// Gauss-Legendre on panels graded from the source's foot on the element.
#include "korvis/source_field.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "korvis/kernels.h"

namespace korvis {

namespace {

// Nodes and weights of 8-point Gauss-Legendre on [-1, 1] (positive half).
constexpr double gaussNode[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                 0.9602898564975363};
constexpr double gaussWeight[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                   0.1012285362903763};

}  // namespace

double meanSourceField(float x, float z, float xn, float zn, float dL, float xs, float zs, float w,
                       float ky) {
  const double nx = xn, nz = zn;
  const double cx = static_cast<double>(x) - static_cast<double>(xs);
  const double cz = static_cast<double>(z) - static_cast<double>(zs);
  // p(t) - s = h n + (t - t0) (-nz, nx) for t along the element from its centre.
  const double h = cx * nx + cz * nz;
  const double t0 = cx * nz - cz * nx;
  const double half = 0.5 * static_cast<double>(dL);
  if (!(std::fabs(h) > 1e-9 * half)) return 0.0;

  std::vector<double> edges{-half, half};
  if (t0 > -half && t0 < half) edges.push_back(t0);
  for (double step = std::fabs(h); step < 4.0 * half; step *= 2.0) {
    for (double t : {t0 - step, t0 + step}) {
      if (t > -half && t < half) edges.push_back(t);
    }
  }
  std::sort(edges.begin(), edges.end());

  const auto field = [&](double t) {
    const double rr = h * h + (t - t0) * (t - t0);
    const double G = ky > 0.0f ? xK1(std::sqrt(rr) * static_cast<double>(ky)) / rr : 1.0 / rr;
    return h * G;
  };
  double sum = 0.0;
  for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
    const double mid = 0.5 * (edges[k] + edges[k + 1]);
    const double radius = 0.5 * (edges[k + 1] - edges[k]);
    double panel = 0.0;
    for (int g = 0; g < 4; ++g) {
      panel += gaussWeight[g] * (field(mid - radius * gaussNode[g]) + field(mid + radius * gaussNode[g]));
    }
    sum += radius * panel;
  }
  return static_cast<double>(w) * sum / static_cast<double>(dL);
}

double segmentField(float xo, float zo, float nx, float nz, float xc, float zc, float dL, float ex, float ez,
                    float ky) {
  const double cx = static_cast<double>(xo) - static_cast<double>(xc);
  const double cz = static_cast<double>(zo) - static_cast<double>(zc);
  // s(t) = c + t (-ez, ex); o - s(t) = h e + (t0 - t) (-ez, ex).
  const double tx = -static_cast<double>(ez), tz = static_cast<double>(ex);
  const double h = cx * tz - cz * tx;
  const double t0 = cx * tx + cz * tz;
  const double half = 0.5 * static_cast<double>(dL);
  std::vector<double> edges{-half, half};
  if (t0 > -half && t0 < half) edges.push_back(t0);
  const double first = std::max(std::fabs(h), 1e-6 * half);
  for (double step = first; step < 4.0 * half + std::fabs(t0); step *= 2.0) {
    for (double t : {t0 - step, t0 + step}) {
      if (t > -half && t < half) edges.push_back(t);
    }
  }
  std::sort(edges.begin(), edges.end());

  const auto field = [&](double t) {
    const double px = h * static_cast<double>(ex) + (t0 - t) * tx;
    const double pz = h * static_cast<double>(ez) + (t0 - t) * tz;
    const double rr = px * px + pz * pz;
    const double G = ky > 0.0f ? xK1(std::sqrt(rr) * static_cast<double>(ky)) / rr : 1.0 / rr;
    return G * (px * static_cast<double>(nx) + pz * static_cast<double>(nz));
  };
  double sum = 0.0;
  for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
    const double mid = 0.5 * (edges[k] + edges[k + 1]);
    const double radius = 0.5 * (edges[k + 1] - edges[k]);
    double panel = 0.0;
    for (int g = 0; g < 4; ++g) {
      panel += gaussWeight[g] * (field(mid - radius * gaussNode[g]) + field(mid + radius * gaussNode[g]));
    }
    sum += radius * panel;
  }
  return sum;
}

}  // namespace korvis
