// The fields of a current electrode at the nodes far from it, for all nodes
// at once in a vector loop: the survey mode's right-hand sides take, for
// every electrode and wavenumber, the normal field of the electrode and of
// its image at every element, and almost every element lies further from
// the electrode than its own length, where the field is the point formula
// with the smooth kernel. The nodes that need more (a near element, a node
// above the surface, an element through a bare pole) are marked and left to
// the scalar code of the right-hand sides.
#pragma once

#include <cmath>

#include "korvis/korvis_state.h"

namespace korvis {

// Whether (xs, zs) lies on the line of the element centred on (x, z) with
// normal (xn, zn), to the rounding of coordinates stored in single precision
// from a file with 5 decimals.
inline bool onElementLine(float x, float z, float xn, float zn, float xs, float zs) {
  const double offset = (static_cast<double>(x) - static_cast<double>(xs)) * static_cast<double>(xn) +
                        (static_cast<double>(z) - static_cast<double>(zs)) * static_cast<double>(zn);
  const double scale = std::fabs(static_cast<double>(x)) + std::fabs(static_cast<double>(z)) +
                       std::fabs(static_cast<double>(xs)) + std::fabs(static_cast<double>(zs));
  return std::fabs(offset) < 1e-4 + 4e-7 * scale;
}

// For every node i (centre (x, z), normal (xn, zn), length dL) and the
// electrode at (xs, zs) with weight w and image weight wImage (0 for a bare
// pole):
//   special[i] = 1 when dL > 0.705f*|P - S| (in float), z < 0, or wImage = 0
//     and the electrode lies on the element's line (onElementLine);
//   else E[i] = float(w*G(r)*f) and EImage[i] = float(wImage*G(r')*f'), the
//     separations P - S and P - S' (S' = (xs, -zs)) in double, r, r' their
//     lengths rounded to float, f, f' their projections on (xn, zn),
//     G = smoothK1Lanes; the entries of special nodes are left as they were.
void farSourceFields(const common::NodeTable& nodes, float xs, float zs, float w, float wImage,
                     float ky, float* E, float* EImage, unsigned char* special);

}  // namespace korvis
