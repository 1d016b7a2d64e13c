// Fields in the wavenumber domain: the moments of the field of a boundary
// element's charge density seen from a point along a direction, and the
// table of the fields of the boundary charges at a set of receivers. They
// are the directional derivatives, at the observation point, of the
// potential moments of potentials.h: d/dn K0(ky*rho) = -ky*K1(ky*rho) times
// the projection of the unit separation on n. A receiver measuring the
// field is the limit of a potential dipole shrunk about a point, which the
// fixed array kinds of varga.arr measure; taking the same charge profiles
// and moments as the potentials gives both the same accuracy.
//
// Precision: everything in double; the table is stored in double.
#pragma once

#include <vector>

#include "korvis/charge_profile.h"
#include "korvis/korvis_state.h"
#include "korvis/potentials.h"

namespace korvis {

// A receiver of the field along the unit direction (nx, nz) at (x, z), z
// positive down.
struct FieldPoint {
  double x = 0, z = 0, nx = 1, nz = 0;
};

// The moments f_k = d/dn of integral of t^k K0(ky*rho) dt, k = 0, 1, 2, over
// the element centred on (xc, zc) with unit normal (ex, ez) and length dL,
// t from the centre along (-ez, ex), rho the distance from the observation
// point (xo, zo), the derivative taken at that point along (nx, nz); ky > 0:
//   far (dL <= 0.35*|P - C|): three-point Gauss-Legendre;
//   near: 8-point Gauss-Legendre on panels graded from the foot of the
//   perpendicular (edges at the foot +- g, 2g, 4g, ..., g the point's
//   distance from the element's line, or from the element when the foot
//   lies beyond it), each split into min(64, ceil(ky*length)) panels.
// A point on the element itself gets the mean of the two sides' values.
void elementFieldMoments(double xo, double zo, double nx, double nz, double xc, double zc,
                         double dL, double ex, double ez, double ky, double (&moment)[3]);

// table[p*N + j]: the field along the direction of point p of the densities
// of the boundary system, sum over j of sigma_j*table[p*N + j], with each
// element's density varying along it as its charge profile says and each
// element's image counted (as elementPotentialTable does for potentials),
// so that it is minus the derivative of elementPotentialTable's row. Filled
// on `threads` threads (<= 0: all); the entries do not depend on the count.
void elementFieldTable(const common::NodeTable& nodes,
                       const std::vector<ChargeProfile>& profiles,
                       const std::vector<FieldPoint>& points, double ky, std::vector<double>& table,
                       int threads);

// The field along the point's direction of a unit point current at s, with
// its image in the surface, in a half-space of resistivity rho:
// rho/(4 pi) ((p - s).n/|p - s|^3 + (p - s').n/|p - s'|^3).
double halfSpaceField(const FieldPoint& p, PotentialPoint s, double rho);

}  // namespace korvis
