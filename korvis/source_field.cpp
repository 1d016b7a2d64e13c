// Gauss-Legendre on panels graded from the source's foot on the element.
#include "korvis/source_field.h"

#include <algorithm>
#include <cmath>

#include "korvis/graded_panels.h"
#include "korvis/kernels.h"

namespace korvis {

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

  const auto field = [&](double t) {
    const double rr = h * h + (t - t0) * (t - t0);
    const double G = ky > 0.0f ? xK1(std::sqrt(rr) * static_cast<double>(ky)) / rr : 1.0 / rr;
    return h * G;
  };
  const double sum = gradedPanelIntegral(half, t0, std::fabs(h), 4.0 * half, field);
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
  const auto field = [&](double t) {
    const double px = h * static_cast<double>(ex) + (t0 - t) * tx;
    const double pz = h * static_cast<double>(ez) + (t0 - t) * tz;
    const double rr = px * px + pz * pz;
    const double G = ky > 0.0f ? xK1(std::sqrt(rr) * static_cast<double>(ky)) / rr : 1.0 / rr;
    return G * (px * static_cast<double>(nx) + pz * static_cast<double>(nz));
  };
  return gradedPanelIntegral(half, t0, std::max(std::fabs(h), 1e-6 * half), 4.0 * half + std::fabs(t0), field);
}

}  // namespace korvis
