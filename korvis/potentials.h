// Potentials in the wavenumber domain: the modified Bessel function K0, the
// moments of K0 along a boundary element seen from a point (the potential
// of a density that varies along the element), and the table of the
// potentials of the boundary charges at a set of electrodes. The field kernels of the boundary system are the
// directional derivatives of these (d/dr K0(ky*r) = -ky*K1(ky*r)); the
// potential of unit charge density on an element is the integral of
// K0(ky*rho) along it, rho the distance from the point.
//
// Precision: everything in double; the table is stored in double.
#pragma once

#include <vector>

#include "korvis/charge_profile.h"
#include "korvis/korvis_state.h"

namespace korvis {

// K0(x) for x > 0, from the polynomial approximations of Abramowitz and
// Stegun 9.8.1, 9.8.5 and 9.8.6 (absolute error below 1e-8 for x <= 2,
// relative error below 2e-7 above):
//   x <= 2: -ln(x/2)*I0(x) + sum c_k (x/2)^(2k), I0 from 9.8.1 (t = x/3.75);
//   x > 2:  exp(-x)/sqrt(x) * sum d_k (2/x)^k.
double besselK0(double x);

// The moments m_k = integral of t^k K0(ky*rho) dt, k = 0, 1, 2, over the
// element centred on (xc, zc) with unit normal (ex, ez) and length dL, t
// from the centre along (-ez, ex), rho the distance from (xo, zo); ky > 0:
//   far (dL <= 0.35*|P - C|): three-point Gauss-Legendre;
//   near: the logarithm -ln(rho), the singular part of K0, in closed form
//   (the integrals of -s^k ln(sqrt(s^2 + d^2)), s along the element from the
//   foot of the perpendicular, d the distance from the element's line), plus
//   the smooth rest K0 + ln(rho) by 8-point Gauss-Legendre on each side of
//   the foot, in min(64, ceil(ky*length)) equal panels; t = s + (the foot's
//   place).
void elementMoments(double xo, double zo, double xc, double zc, double dL, double ex, double ez,
                    double ky, double (&moment)[3]);

// A point where potentials are evaluated (an electrode; z positive down).
struct PotentialPoint {
  double x = 0, z = 0;
};

// table[p*N + j]: the potential at point p of the densities of the
// boundary system, sum over j of sigma_j*table[p*N + j], with each
// element's density varying along it as its charge profile says
// (profiles, from chargeProfiles) and each element's image (centre (x, -z), normal
// (xn, -zn)) counted, which equals the element seen from the mirrored point
// (x(p), -z(p)): row p gets, for every element j and every point k of j's
// profile, c_k0*M0 + c_k1*M1 + c_k2*M2 at column node_k, M the
// elementMoments of j at p and at its mirror, summed. The elements far from
// both take their three-point moments from farPotentialMoments
// (far_potentials.h), whose K0 differs from besselK0 by rounding only.
// Filled on `threads` threads (<= 0: all); the entries do not depend on the
// count.
void elementPotentialTable(const common::NodeTable& nodes,
                           const std::vector<ChargeProfile>& profiles,
                           const std::vector<PotentialPoint>& points, double ky,
                           std::vector<double>& table, int threads);

// The potential of a unit point current at s, with its image in the surface,
// at p in a half-space of resistivity rho: rho/(4 pi) (1/|p - s| + 1/|p - s'|).
double halfSpacePotential(PotentialPoint p, PotentialPoint s, double rho);

// The same pole without its image: rho/(4 pi |p - s|).
double barePolePotential(PotentialPoint p, PotentialPoint s, double rho);

}  // namespace korvis
