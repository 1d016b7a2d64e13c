// The far elements' potential moments in one loop without jumps (the kernel
// branch-free, the near elements marked rather than skipped), so that it
// compiles to vector code; the arithmetic of a moment is elementMoments'.
#include "korvis/far_potentials.h"

#include <cmath>
#include <cstddef>

#include "korvis/bessel_lanes.h"
#include "korvis/node_lanes.h"

namespace korvis {

namespace {


struct FarMoments {
  double m0, m1, m2;
  bool near;
};

// The three-point moments of one element seen from (dx, dz) = o - C.
inline FarMoments threePoint(double dx, double dz, double dL, double tx, double tz, double ky) {
  static constexpr double node = 0.7745966692414834, outer = 5.0 / 9.0, inner = 8.0 / 9.0;
  const double dist = std::sqrt(dx * dx + dz * dz);
  const double h = 0.5 * dL;
  const double ax = dx + node * h * tx, az = dz + node * h * tz;
  const double bx = dx - node * h * tx, bz = dz - node * h * tz;
  const double x0 = ky * dist;
  const double xm = ky * std::sqrt(ax * ax + az * az);
  const double xp = ky * std::sqrt(bx * bx + bz * bz);
  // Bitwise, not logical: a short-circuit is a jump.
  const bool near = (dL > 0.35 * dist) | !(dist > 0.0) | !(x0 <= 700.0) | !(xm <= 700.0) |
                    !(xp <= 700.0) | !(xm > 0.0) | !(xp > 0.0);
  const double k0 = besselK0Lanes(lanes::select(near, 1.0, x0));
  const double km = besselK0Lanes(lanes::select(near, 1.0, xm));
  const double kp = besselK0Lanes(lanes::select(near, 1.0, xp));
  const double t = node * h;
  return {h * (inner * k0 + outer * (km + kp)), h * outer * t * (kp - km),
          h * outer * t * t * (km + kp), near};
}

void farElements(int n, double xo, double zo, double ky, NodeLanes a,
                 double* __restrict moment0, double* __restrict moment1,
                 double* __restrict moment2, unsigned char* __restrict special) {
  for (int j = 0; j < n; ++j) {
    const auto uj = static_cast<std::size_t>(j);
    const auto xc = static_cast<double>(a.x[uj]), zc = static_cast<double>(a.z[uj]);
    const auto dL = static_cast<double>(a.dL[uj]);
    const double tx = -static_cast<double>(a.zn[uj]), tz = static_cast<double>(a.xn[uj]);
    const FarMoments direct = threePoint(xo - xc, zo - zc, dL, tx, tz, ky);
    const FarMoments image = threePoint(xo - xc, -zo - zc, dL, tx, tz, ky);
    const bool near = direct.near | image.near;
    special[uj] = near ? 1 : 0;
    moment0[uj] = lanes::select(near, moment0[uj], direct.m0 + image.m0);
    moment1[uj] = lanes::select(near, moment1[uj], direct.m1 + image.m1);
    moment2[uj] = lanes::select(near, moment2[uj], direct.m2 + image.m2);
  }
}

}  // namespace

void farPotentialMoments(const common::NodeTable& nodes, double xo, double zo, double ky,
                         double* moment0, double* moment1, double* moment2,
                         unsigned char* special) {
  const NodeLanes a = nodeLanes(nodes);
  farElements(nodes.N, xo, zo, ky, a, moment0, moment1, moment2, special);
}

}  // namespace korvis
