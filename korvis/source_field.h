// The mean over a boundary element of the normal field of a point source,
// for a source close to the element (closer than about its length). There
// the field varies like h/r^2 over a stretch of the element about h long,
// h the source's distance from the element's line, which a midpoint rule of
// a few points misses by tens of per cent once the source is a fraction of
// the element's length away. The integral is taken by 8-point
// Gauss-Legendre on panels that grow geometrically from the foot of the
// source on the element's line (edges at t0, t0 +- |h|, t0 +- 2|h|,
// t0 +- 4|h|, ...), on each of which the integrand is smooth whatever ky.
#pragma once

namespace korvis {

// Mean of w*G(r, ky)*((p - s).n) over the points p of the element centred
// on (x, z) with normal (xn, zn) and length dL, for the source s = (xs, zs),
// with G = ky*K1(ky*r)/r (xK1(ky*r)/r^2; 1/r^2 for ky = 0), in double. A
// source on the element's line gives 0.
double meanSourceField(float x, float z, float xn, float zn, float dL, float xs, float zs, float w,
                       float ky);

// The field along (nx, nz) at (xo, zo) of unit charge density on the element
// centred on (xc, zc) with normal (ex, ez) and length dL: the integral over
// its points s of G(r, ky)*((o - s).n), G as above, by the same graded
// panels from the foot of o on the element's line. The boundary system of
// the survey mode takes it for pairs of elements closer than about twice
// the source element's length, where a midpoint rule of a few parts misses
// the field of the near end (two interfaces meeting at a corner, the ground
// surface and an interface at an outcrop).
double segmentField(float xo, float zo, float nx, float nz, float xc, float zc, float dL, float ex, float ez,
                    float ky);

}  // namespace korvis
