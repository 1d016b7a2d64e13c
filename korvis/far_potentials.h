// The potential moments of the elements far from a point, for all elements
// at once in a vector loop. A potential electrode of a survey sees almost
// every element (and every image) from further than three of the element's
// lengths, where elementMoments (potentials.h) takes three-point
// Gauss-Legendre; those moments are computed here with the branch-free K0
// of bessel_lanes.h, so that the compiler evaluates several elements per
// instruction. Elements that need the near formula are marked and left to
// elementMoments.
#pragma once

#include "korvis/korvis_state.h"

namespace korvis {

// For every element j (centre (x_j, z_j), normal (xn_j, zn_j), length dL_j)
// seen from the point o = (xo, zo) and from its mirror o' = (xo, -zo):
//   special[j] = 1 when dL_j > 0.35*|o - C_j| or dL_j > 0.35*|o' - C_j|, or
//     either distance is not above 0 or ky times a distance to one of the
//     three Gauss points exceeds 700;
//   else moment0..2[j] = M_k(o) + M_k(o'), M_k the three-point moments of
//     elementMoments: h = dL/2, t = 0.7745966692414834*h, K0 at the centre
//     and at C -+ t*(-zn, xn) (k0, km, kp, the distances sqrt(dx^2 + dz^2)),
//     M0 = h*(8/9*k0 + 5/9*(km + kp)), M1 = h*5/9*t*(kp - km),
//     M2 = h*5/9*t*t*(km + kp), K0 = besselK0Lanes.
// The moments of special elements are left as they were.
void farPotentialMoments(const common::NodeTable& nodes, double xo, double zo, double ky,
                         double* moment0, double* moment1, double* moment2,
                         unsigned char* special);

}  // namespace korvis
