// Field moments of an element, the field table of a set of receivers, and
// the half-space field of a point source.
#include "korvis/element_fields.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "common/worker_pool.h"
#include "korvis/graded_panels.h"
#include "korvis/kernels.h"

namespace korvis {

void elementFieldMoments(double xo, double zo, double nx, double nz, double xc, double zc,
                         double dL, double ex, double ez, double ky, double (&moment)[3]) {
  const double tx = -ez, tz = ex;  // along the element, as elementMoments takes t
  const double dx = xo - xc;
  const double dz = zo - zc;
  const double normal = dx * nx + dz * nz;  // (P - C).n
  const double slope = tx * nx + tz * nz;   // how (P - p(t)).n falls with t
  // d/dn K0(ky*rho) at t: -(x K1(x)/rho^2) (P - p(t)).n, x = ky*rho.
  const auto field = [&](double t) {
    const double rx = dx - t * tx, rz = dz - t * tz;
    const double rr = rx * rx + rz * rz;
    return -xK1(std::sqrt(rr) * ky) / rr * (normal - t * slope);
  };
  moment[0] = moment[1] = moment[2] = 0.0;
  const double half = 0.5 * dL;
  if (!(dL > 0.35 * std::hypot(dx, dz))) {
    static constexpr double node = 0.7745966692414834, outer = 5.0 / 9.0, inner = 8.0 / 9.0;
    const double t = node * half;
    const double f0 = field(0.0), fm = field(-t), fp = field(t);
    moment[0] = half * (inner * f0 + outer * (fm + fp));
    moment[1] = half * outer * t * (fp - fm);
    moment[2] = half * outer * t * t * (fm + fp);
    return;
  }

  const double foot = dx * tx + dz * tz;  // the foot of the perpendicular, from the centre
  const double across = std::fabs(dx * ex + dz * ez);
  const double beyond = std::max(0.0, std::fabs(foot) - half);
  // The integrand varies on the scale of the point's distance from the
  // element; a point on the element gets the symmetric principal value.
  const double grade = std::max({across, beyond, 1e-9 * half});
  std::vector<double> edges{-half, half};
  if (foot > -half && foot < half) edges.push_back(foot);
  for (double step = grade; step < 2.0 * dL + std::fabs(foot); step *= 2.0) {
    for (double t : {foot - step, foot + step}) {
      if (t > -half && t < half) edges.push_back(t);
    }
  }
  std::sort(edges.begin(), edges.end());
  for (std::size_t e = 0; e + 1 < edges.size(); ++e) {
    const double length = edges[e + 1] - edges[e];
    if (!(length > 0.0)) continue;
    const int panels = std::clamp(static_cast<int>(std::ceil(length * ky)), 1, 64);
    const double radius = 0.5 * length / panels;
    for (int p = 0; p < panels; ++p) {
      const double mid = edges[e] + radius * (2 * p + 1);
      for (int g = 0; g < 4; ++g) {
        for (const double t : {mid - radius * gaussNode[g], mid + radius * gaussNode[g]}) {
          const double f = radius * gaussWeight[g] * field(t);
          moment[0] += f;
          moment[1] += f * t;
          moment[2] += f * t * t;
        }
      }
    }
  }
}

void elementFieldTable(const common::NodeTable& nodes,
                       const std::vector<ChargeProfile>& profiles,
                       const std::vector<FieldPoint>& points, double ky, std::vector<double>& table,
                       int threads) {
  const auto n = static_cast<std::size_t>(nodes.N);
  table.assign(points.size() * n, 0.0);
  std::atomic<std::size_t> next{0};
  common::runParallel(common::resolveThreads(threads), [&](int) {
    for (std::size_t p = next.fetch_add(1); p < points.size(); p = next.fetch_add(1)) {
      const FieldPoint& r = points[p];
      double* row = table.data() + p * n;
      for (std::size_t j = 0; j < n; ++j) {
        const double xc = nodes.x[j], zc = nodes.z[j], dL = nodes.dL[j];
        const double ex = nodes.xn[j], ez = nodes.zn[j];
        double direct[3], image[3];
        elementFieldMoments(r.x, r.z, r.nx, r.nz, xc, zc, dL, ex, ez, ky, direct);
        // The image element seen from the mirrored point, along the mirrored direction.
        elementFieldMoments(r.x, -r.z, r.nx, -r.nz, xc, zc, dL, ex, ez, ky, image);
        const ChargeProfile& profile = profiles[j];
        for (int k = 0; k < profile.count; ++k) {
          const double* c = profile.c[k];
          // The field is minus the derivative of the potential.
          row[static_cast<std::size_t>(profile.node[k])] -=
              c[0] * (direct[0] + image[0]) + c[1] * (direct[1] + image[1]) +
              c[2] * (direct[2] + image[2]);
        }
      }
    }
  });
}

double halfSpaceField(const FieldPoint& p, PotentialPoint s, double rho) {
  const double dx = p.x - s.x;
  const double dz = p.z - s.z, dzImage = p.z + s.z;
  const double direct = std::hypot(dx, dz), image = std::hypot(dx, dzImage);
  return rho / (4.0 * std::numbers::pi) *
         ((dx * p.nx + dz * p.nz) / (direct * direct * direct) +
          (dx * p.nx + dzImage * p.nz) / (image * image * image));
}

}  // namespace korvis
