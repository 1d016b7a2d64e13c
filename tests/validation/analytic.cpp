#include "analytic.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

namespace validation {

namespace {

constexpr double pi = std::numbers::pi;

// Field along x at the surface point xm of a surface electrode at xs in a
// uniform half-space of unit resistivity.
double surfaceField(double xm, double xs) {
  const double d = xm - xs;
  return d / (2.0 * pi * std::abs(d) * d * d);
}

}  // namespace

double halfSpacePointField(Point m, Point s, double rho, double nx, double nz) {
  double ex = 0, ez = 0;
  for (double zs : {s.z, -s.z}) {
    const double dx = m.x - s.x;
    const double dz = m.z - zs;
    const double r = std::hypot(dx, dz);
    ex += dx / (r * r * r);
    ez += dz / (r * r * r);
  }
  return rho / (4.0 * pi) * (ex * nx + ez * nz);
}

double contactPointField(double xm, double xs, double rhoLeft, double rhoRight) {
  const bool sourceLeft = xs < 0;
  const double own = sourceLeft ? rhoLeft : rhoRight;
  const double other = sourceLeft ? rhoRight : rhoLeft;
  const double k = (other - own) / (other + own);
  if ((xm < 0) == sourceLeft) return own * (surfaceField(xm, xs) + k * surfaceField(xm, -xs));
  return own * (1.0 + k) * surfaceField(xm, xs);
}

double halfSpaceLinePotential(Point p, Point s, double rho) {
  const double direct = std::hypot(p.x - s.x, p.z - s.z);
  const double image = std::hypot(p.x - s.x, p.z + s.z);
  return -rho / (2.0 * pi) * (std::log(direct) + std::log(image));
}

double contactLinePotential(double xp, double xs, double rhoLeft, double rhoRight) {
  const bool sourceLeft = xs < 0;
  const double own = sourceLeft ? rhoLeft : rhoRight;
  const double other = sourceLeft ? rhoRight : rhoLeft;
  const double k = (other - own) / (other + own);
  const double direct = -std::log(std::abs(xp - xs)) / pi;
  if ((xp < 0) == sourceLeft) return own * (direct - k * std::log(std::abs(xp + xs)) / pi);
  return own * (1.0 + k) * direct;
}

double twoLayerSchlumberger(double rho1, double rho2, double h, double s) {
  const double k = (rho2 - rho1) / (rho2 + rho1);
  double sum = 0, kn = 1;
  for (int n = 1; n < 100000; ++n) {
    kn *= k;
    const double d = 2.0 * n * h;
    const double term = kn * s * s * s / std::pow(s * s + d * d, 1.5);
    sum += term;
    if (std::abs(term) < 1e-15) break;
  }
  return rho1 * (1.0 + 2.0 * sum);
}

void cylinderAnomaly(Point p, Point c, double a, double kappa, double bx, double bz, double& hx,
                     double& hz) {
  const double mu = 1.0 + kappa;
  const double strength = a * a * (mu - 1.0) / (mu + 1.0);
  const double rx = p.x - c.x, rz = p.z - c.z;
  const double r2 = rx * rx + rz * rz;
  const double along = bx * rx + bz * rz;
  hx = strength * (2.0 * along * rx - r2 * bx) / (r2 * r2);
  hz = strength * (2.0 * along * rz - r2 * bz) / (r2 * r2);
}

}  // namespace validation
