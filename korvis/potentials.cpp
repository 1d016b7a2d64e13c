// K0, element potentials and the half-space potential of a point source.
#include "korvis/potentials.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "common/worker_pool.h"
#include "korvis/quadrature.h"

namespace korvis {

namespace {

// -(s*ln(s^2 + d^2)/2 - s + d*atan(s/d)): the integral of -ln(sqrt(s^2 + d^2)) ds.
double negativeLogIntegral(double s, double d) {
  const double r2 = s * s + d * d;
  const double logPart = r2 > 0.0 ? 0.5 * s * std::log(r2) : 0.0;
  const double angle = d > 0.0 ? d * std::atan(s / d) : 0.0;
  return -(logPart - s + angle);
}

struct GaussRule {
  std::vector<double> x, w;
  explicit GaussRule(int n) { gaussLegendre(n, x, w); }
};
const GaussRule gauss8(8);

}  // namespace

double besselK0(double x) {
  if (x <= 2.0) {
    const double t = x / 3.75;
    const double t2 = t * t;
    const double i0 =
        1.0 + t2 * (3.5156229 +
                    t2 * (3.0899424 +
                          t2 * (1.2067492 + t2 * (0.2659732 + t2 * (0.0360768 + t2 * 0.0045813)))));
    const double y = x * x / 4.0;
    return -std::log(x / 2.0) * i0 +
           (-0.57721566 +
            y * (0.42278420 +
                 y * (0.23069756 +
                      y * (0.03488590 + y * (0.00262698 + y * (0.00010750 + y * 0.00000740))))));
  }
  const double y = 2.0 / x;
  return std::exp(-x) / std::sqrt(x) *
         (1.25331414 +
          y * (-0.07832358 +
               y * (0.02189568 +
                    y * (-0.01062446 + y * (0.00587872 + y * (-0.00251540 + y * 0.00053208))))));
}

double elementPotential(double xo, double zo, double xc, double zc, double dL, double ex, double ez,
                        double ky) {
  const double dx = xo - xc;
  const double dz = zo - zc;
  const double dist = std::sqrt(dx * dx + dz * dz);
  if (!(dL > 0.705 * dist)) return dL * besselK0(ky * dist);

  // Along the element from its first end: direction (-ez, ex).
  const double tx = -ez, tz = ex;
  const double along = dx * tx + dz * tz;  // from the centre
  const double across = std::fabs(dx * ex + dz * ez);
  const double a = -0.5 * dL - along;  // ends relative to the foot of the perpendicular
  const double b = 0.5 * dL - along;
  const double singular = negativeLogIntegral(b, across) - negativeLogIntegral(a, across);

  // The rest on each side of the foot, in panels no longer than 1/ky.
  double rest = 0.0;
  auto side = [&](double s0, double s1) {
    const double length = s1 - s0;
    if (!(length > 0.0)) return;
    const int panels = std::clamp(static_cast<int>(std::ceil(length * ky)), 1, 64);
    const double h = length / panels;
    for (int p = 0; p < panels; ++p) {
      for (std::size_t i = 0; i < gauss8.x.size(); ++i) {
        const double s = s0 + h * (p + 0.5 * (gauss8.x[i] + 1.0));
        const double rho = std::sqrt(s * s + across * across);
        rest += 0.5 * h * gauss8.w[i] * (besselK0(ky * rho) + std::log(rho));
      }
    }
  };
  if (a < 0.0 && b > 0.0) {
    side(a, 0.0);
    side(0.0, b);
  } else {
    side(a, b);
  }
  return singular + rest;
}

void elementPotentialTable(const common::NodeTable<maxNodes>& nodes,
                           const std::vector<PotentialPoint>& points, double ky,
                           std::vector<double>& table, int threads) {
  const auto n = static_cast<std::size_t>(nodes.N);
  table.assign(points.size() * n, 0.0);
  std::atomic<std::size_t> next{0};
  common::runParallel(common::resolveThreads(threads), [&](int) {
    for (std::size_t p = next.fetch_add(1); p < points.size(); p = next.fetch_add(1)) {
      const PotentialPoint& e = points[p];
      double* row = table.data() + p * n;
      for (std::size_t j = 0; j < n; ++j) {
        const double xc = nodes.x[j], zc = nodes.z[j], dL = nodes.dL[j];
        const double ex = nodes.xn[j], ez = nodes.zn[j];
        row[j] = elementPotential(e.x, e.z, xc, zc, dL, ex, ez, ky) +
                 elementPotential(e.x, -e.z, xc, zc, dL, ex, ez, ky);
      }
    }
  });
}

double halfSpacePotential(PotentialPoint p, PotentialPoint s, double rho) {
  const double dx = p.x - s.x;
  const double direct = std::sqrt(dx * dx + (p.z - s.z) * (p.z - s.z));
  const double image = std::sqrt(dx * dx + (p.z + s.z) * (p.z + s.z));
  return rho / (4.0 * std::numbers::pi) * (1.0 / direct + 1.0 / image);
}

}  // namespace korvis
