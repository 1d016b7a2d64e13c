// Where a four-electrode measurement belongs in a pseudosection: the
// midpoint of its electrodes along the line they lie on, and the median depth
// of investigation (Edwards 1977) of the configuration over a homogeneous
// half-space, the pseudo-depth the common inversion packages plot.
#pragma once

namespace section {

struct Electrode {
  double x = 0.0, z = 0.0;  // z positive downwards
  bool remote = true;       // at infinity: takes no part in the geometry
};

// A, B current electrodes; M, N potential electrodes. A point receiver
// measures the field at M along (dx, dz) and has no N.
struct Configuration {
  Electrode a, b, m, n;
  bool pointReceiver = false;
  double dx = 1.0, dz = 0.0;
};

struct Placement {
  bool valid = false;     // false when no electrode pair gives a signal
  bool vertical = false;  // the electrodes lie along a borehole (x fixed)
  double along = 0.0;     // midpoint along the line: x, or depth when vertical
                          // (set also when only the depth is undefined)
  double depth = 0.0;     // pseudo-depth, or the distance from the borehole when vertical
};

// Median depth of investigation of electrodes at positions t along a line
// (point sources, homogeneous half-space). With the weights w = +-1 of the
// pairs (A,M), (A,N), (B,M), (B,N) and their separations L, the share of the
// signal coming from above depth z is
//   C(z) = 1 - sum w / sqrt(L^2 + 4 z^2) / sum w / L,
// and the median depth is the z where C(z) = 1/2 (for a pole-pole pair of
// spacing a, z = a sqrt(3)/2). A point receiver takes the derivative along
// the line instead of the N terms. NaN when sum w / L is zero.
double medianDepth(const Configuration& c);

// The midpoint of the configuration, halfway between the centre of its
// current electrodes and the centre of its potential electrodes (electrodes
// at infinity left out), along the line of the array: horizontal when the
// finite electrodes spread at least as far across as down, else vertical.
// The pseudo-depth of a horizontal array is the mean depth of its finite
// electrodes plus the median depth of their projection on the line.
Placement placeConfiguration(const Configuration& c);

// n of a dipole-dipole quadrupole (AB and MN of one length a, side by side
// along x): the distance between the nearer electrodes of the two dipoles
// over a; NaN for any other configuration.
double dipoleDipoleLevel(const Configuration& c);

}  // namespace section
