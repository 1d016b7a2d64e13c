// K0, element potentials and the half-space potential of a point source.
#include "korvis/potentials.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "common/worker_pool.h"
#include "korvis/far_potentials.h"
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

// The integral of -s*ln(sqrt(s^2 + d^2)) ds: -((s^2 + d^2)*ln(s^2 + d^2) - s^2)/4.
double negativeLogMoment1(double s, double d) {
  const double r2 = s * s + d * d;
  const double logPart = r2 > 0.0 ? r2 * std::log(r2) : 0.0;
  return -0.25 * (logPart - s * s);
}

// The integral of -s^2*ln(sqrt(s^2 + d^2)) ds:
// -(s^3*ln(s^2 + d^2)/3 - 2s^3/9 + 2d^2*s/3 - 2d^3*atan(s/d)/3)/2.
double negativeLogMoment2(double s, double d) {
  const double r2 = s * s + d * d;
  const double s3 = s * s * s;
  const double logPart = r2 > 0.0 ? s3 * std::log(r2) / 3.0 : 0.0;
  const double angle = d > 0.0 ? 2.0 * d * d * d * std::atan(s / d) / 3.0 : 0.0;
  return -0.5 * (logPart - 2.0 * s3 / 9.0 + 2.0 * d * d * s / 3.0 - angle);
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

void elementMoments(double xo, double zo, double xc, double zc, double dL, double ex, double ez,
                    double ky, double (&moment)[3]) {
  const double tx = -ez, tz = ex;  // along the element from its first end
  const double dx = xo - xc;
  const double dz = zo - zc;
  const double dist = std::sqrt(dx * dx + dz * dz);
  if (!(dL > 0.35 * dist)) {
    // Three-point Gauss-Legendre: the nearest singularity is at least 2.8
    // half-lengths away.
    static constexpr double node = 0.7745966692414834, outer = 5.0 / 9.0, inner = 8.0 / 9.0;
    const double h = 0.5 * dL;
    const double k0 = besselK0(ky * dist);
    const double km = besselK0(ky * std::hypot(dx + node * h * tx, dz + node * h * tz));
    const double kp = besselK0(ky * std::hypot(dx - node * h * tx, dz - node * h * tz));
    const double t = node * h;
    moment[0] = h * (inner * k0 + outer * (km + kp));
    moment[1] = h * outer * t * (kp - km);
    moment[2] = h * outer * t * t * (km + kp);
    return;
  }

  const double along = dx * tx + dz * tz;  // the foot of the perpendicular, from the centre
  const double across = std::fabs(dx * ex + dz * ez);
  const double a = -0.5 * dL - along;  // ends relative to the foot
  const double b = 0.5 * dL - along;
  // Integrals I_k of s^k K0 over [a, b], s from the foot: the logarithm in
  // closed form, the smooth rest on each side of the foot in panels no
  // longer than 1/ky.
  double I[3] = {negativeLogIntegral(b, across) - negativeLogIntegral(a, across),
                 negativeLogMoment1(b, across) - negativeLogMoment1(a, across),
                 negativeLogMoment2(b, across) - negativeLogMoment2(a, across)};
  auto side = [&](double s0, double s1) {
    const double length = s1 - s0;
    if (!(length > 0.0)) return;
    const int panels = std::clamp(static_cast<int>(std::ceil(length * ky)), 1, 64);
    const double h = length / panels;
    for (int p = 0; p < panels; ++p) {
      for (std::size_t i = 0; i < gauss8.x.size(); ++i) {
        const double s = s0 + h * (p + 0.5 * (gauss8.x[i] + 1.0));
        const double rho = std::sqrt(s * s + across * across);
        const double f = 0.5 * h * gauss8.w[i] * (besselK0(ky * rho) + std::log(rho));
        I[0] += f;
        I[1] += f * s;
        I[2] += f * s * s;
      }
    }
  };
  if (a < 0.0 && b > 0.0) {
    side(a, 0.0);
    side(0.0, b);
  } else {
    side(a, b);
  }
  // t = s + along about the centre.
  moment[0] = I[0];
  moment[1] = I[1] + along * I[0];
  moment[2] = I[2] + 2.0 * along * I[1] + along * along * I[0];
}

void elementPotentialTable(const common::NodeTable& nodes,
                           const std::vector<ChargeProfile>& profiles,
                           const std::vector<PotentialPoint>& points, double ky,
                           std::vector<double>& table, int threads) {
  const auto n = static_cast<std::size_t>(nodes.N);
  table.assign(points.size() * n, 0.0);
  std::atomic<std::size_t> next{0};
  common::runParallel(common::resolveThreads(threads), [&](int) {
    // The far elements' moments (direct and image summed) from the vector
    // loop; the elements it marks take elementMoments.
    std::vector<double> far0(n), far1(n), far2(n);
    std::vector<unsigned char> special(n);
    for (std::size_t p = next.fetch_add(1); p < points.size(); p = next.fetch_add(1)) {
      const PotentialPoint& e = points[p];
      double* row = table.data() + p * n;
      farPotentialMoments(nodes, e.x, e.z, ky, far0.data(), far1.data(), far2.data(),
                          special.data());
      for (std::size_t j = 0; j < n; ++j) {
        double sum[3] = {far0[j], far1[j], far2[j]};
        if (special[j] != 0) {
          const double xc = nodes.x[j], zc = nodes.z[j], dL = nodes.dL[j];
          const double ex = nodes.xn[j], ez = nodes.zn[j];
          double direct[3], image[3];
          elementMoments(e.x, e.z, xc, zc, dL, ex, ez, ky, direct);
          elementMoments(e.x, -e.z, xc, zc, dL, ex, ez, ky, image);
          for (int k = 0; k < 3; ++k) sum[k] = direct[k] + image[k];
        }
        const ChargeProfile& profile = profiles[j];
        for (int k = 0; k < profile.count; ++k) {
          const double* c = profile.c[k];
          row[static_cast<std::size_t>(profile.node[k])] +=
              c[0] * sum[0] + c[1] * sum[1] + c[2] * sum[2];
        }
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

double barePolePotential(PotentialPoint p, PotentialPoint s, double rho) {
  return rho / (4.0 * std::numbers::pi) / std::hypot(p.x - s.x, p.z - s.z);
}

}  // namespace korvis
