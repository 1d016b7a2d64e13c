// Relief in the survey mode of korvis. The model's ground surface (the
// upper boundary of its bodies, common/ground_surface.h) is a boundary of
// the problem wherever it leaves the level plane through its highest
// point: telm --survey puts elements on it and on its level continuations
// beyond the model's ends, and their charges keep the current in the
// ground (a contrast against an infinitely resistive air, q = 2/Ro(1)).
// The sources are mirrored in that plane, which lies at or above every
// point of the ground, so every image stands in the air and the boundary
// system, its kernels and the inverse transform are those of a flat model
// whose surface is the plane: the run shifts every depth by the plane's.
//
// The primary field of a surface electrode is a bare pole, without an
// image, 2 pi/alpha times as strong as a pole in a full space, alpha the
// angle of ground it sees: such a pole sends exactly the current into the
// ground (alpha/(2 pi) of its flux), where an image or a half-space pole
// would send the wrong share at a crest, in a valley floor, or below the
// mirror plane, and the difference would sit in a charge concentrated at
// the electrode that no element resolves. Its field runs along every
// straight stretch through the electrode, so only smooth charges are left
// for the elements.
#pragma once

#include <string>
#include <vector>

#include "common/ground_surface.h"
#include "common/survey_checks.h"
#include "korvis/korvis_state.h"
#include "korvis/potentials.h"

namespace korvis {

struct Relief {
  bool active = false;
  common::GroundSurface ground;
  double mirror = 0.0;         // depth of the mirror plane (before the shift)
  std::vector<char> airNode;   // per node: an element of the ground surface
};

// The relief of a loaded mesh: active when the model's surface leaves z = 0
// (or `mirrorAbove` > 0, a test of the formulation on any model, its plane
// that far above the surface's highest point). Marks the nodes that lie on
// the surface line, or level beyond its ends, with their normal pointing
// up out of the ground.
Relief findRelief(const KorvisState& st, double mirrorAbove = 0.0);

// Whether the mesh was prepared for the same formulation: over relief some
// nodes lie on the ground surface, on a flat model none do (telm --survey
// and korvis --survey given different --mirror-above). The error's text, or
// empty.
std::string meshFormulationMismatch(const KorvisState& st, const Relief& relief, const std::string& mesh);

// The sources of the survey's electrodes over relief: for an electrode on
// the surface (onSurface), the resistivity of the body under it (Ro and
// RO_IP), 2 pi over the angle of ground it sees, and a bare pole; -1 (looked
// up), 1 and a pole with its image for the others.
void surfaceSources(const KorvisState& st, const Relief& relief, const std::vector<PotentialPoint>& electrodes,
                    const std::vector<char>& onSurface, std::vector<float> (&rho)[2], std::vector<double>& strength,
                    std::vector<char>& bare);

// Every depth of the model, the nodes and `electrodes` less the mirror's.
void shiftToMirror(KorvisState& st, const Relief& relief, std::vector<PotentialPoint>& electrodes);

// The size of the four pole potentials of a measurement, 1/(2 pi r) over a
// flat ground of unit resistivity for each current and potential electrode
// pair present: the scale below which the homogeneous response of a null
// array is rounding, not signal.
double poleScale(const std::vector<PotentialPoint>& electrodes, int a, int b, int m, int n);

// A copy of the mesh with only the surface's elements and every body of
// resistivity 1 and no polarisation: the homogeneous earth under the same
// relief, whose response gives the geometric factors.
void homogeneousUnderRelief(const KorvisState& st, const Relief& relief, KorvisState& out);

}  // namespace korvis
