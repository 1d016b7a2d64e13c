// Resistivity of the medium at the current electrodes: the body under the
// surface segment holding a surface electrode, or the body whose outline
// encloses a buried one (running sum of subtended angles).
#pragma once

#include <ostream>

#include "common/model.h"

namespace korvis {

inline constexpr float piSingle = 3.1415925f;  // one ulp below float(pi), as the lookups use it

// Signed angle in [-pi, pi] under which the segment (xa,za)->(xb,zb) is seen from (x0,z0).
float subtendedAngle(float pi, float x0, float z0, float xa, float za, float xb, float zb);

// Sets rho to Ro of the body under the surface segment holding x; when none
// does, writes " ni~eg ne na{li" to console and leaves rho unchanged.
void bodyUnderSurface(const common::ModelGeometry& model, float x, float& rho, std::ostream& console);

// Sets rho to Ro of the first body after which the running angle sum exceeds
// 6.0; when none, writes " ni~ego ne na{li" and leaves rho unchanged.
void bodyAtPoint(const common::ModelGeometry& model, float pi, float x, float z, float& rho,
                 std::ostream& console);

// The fourteen rules; absent electrodes (XA = -10000, XB = 10000) end with 0.
// rhoA and rhoB keep their previous values where a lookup finds nothing.
void electrodeResistivities(const common::ModelGeometry& model, float XA, float ZA, float XB,
                            float ZB, float& rhoA, float& rhoB, std::ostream& console);

}  // namespace korvis
