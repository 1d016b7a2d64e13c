// Closed-form solutions that the programs are checked against. Coordinates:
// x along the profile, z downwards, the ground surface at z = 0; current 1 A
// (1 A per metre of strike for line sources).
#pragma once

namespace validation {

struct Point {
  double x = 0, z = 0;
};

// Electric field along (nx, nz) at m of a point electrode at s in a uniform
// half-space of resistivity rho (the electrode and its image in the surface).
double halfSpacePointField(Point m, Point s, double rho, double nx, double nz);

// A vertical contact x = 0 between two half-spaces, rhoLeft for x < 0 and
// rhoRight for x > 0, both under the ground surface. Horizontal field at the
// surface point xm of a point electrode at the surface point xs (neither on
// the contact): on the electrode's side the electrode plus its image in the
// contact plane weighted by k = (rhoOther - rhoOwn) / (rhoOther + rhoOwn),
// on the other side the electrode alone weighted by 1 + k.
double contactPointField(double xm, double xs, double rhoLeft, double rhoRight);

// Potential at p of a line electrode at s in a uniform half-space:
// -rho / (2 pi) (ln|p - s| + ln|p - s'|), s' the image of s in the surface.
double halfSpaceLinePotential(Point p, Point s, double rho);

// The same contact for line electrodes, surface points only: the logarithmic
// potential with the same image weights.
double contactLinePotential(double xp, double xs, double rhoLeft, double rhoRight);

// Apparent resistivity of a Schlumberger array with half-spacing s and a
// vanishing MN (the field at the centre) over a layer of resistivity rho1
// and thickness h on a basement rho2: rho1 (1 + 2 sum k^n s^3 /
// (s^2 + (2nh)^2)^(3/2)), k = (rho2 - rho1) / (rho2 + rho1), summed until
// the terms no longer count.
double twoLayerSchlumberger(double rho1, double rho2, double h, double s);

// Anomalous field (hx, hz) outside a circular cylinder of radius a and
// susceptibility kappa (permeability 1 + kappa, outside 1) centred on c, in
// the uniform field (bx, bz): the two-dimensional dipole
// a^2 (mu - 1) / (mu + 1) (2 (B.r) r - r^2 B) / r^4, r = p - c.
void cylinderAnomaly(Point p, Point c, double a, double kappa, double bx, double bz, double& hx,
                     double& hz);

}  // namespace validation
