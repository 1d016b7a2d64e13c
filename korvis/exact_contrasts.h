// The contrast coefficients of the survey mode, recomputed from the bodies.
// varga.xy carries q and qIP with 9 decimals, which is plenty for ordinary
// resistivities but not as they grow: q = 2(Ra - Rb)/((Ra + Rb) Ro(1))
// shrinks as 1/Ro, and at a million ohm-m the rounded field keeps one or two
// digits. The file does not say which bodies a node separates, but the node
// lies on an outline side that exactly two bodies share, and its normal
// points from the one into the other; from their resistivities q and qIP
// follow in single precision, the way telm computes them. The fixed kinds
// keep the file's values, as their results always have.
#pragma once

#include <array>
#include <ostream>
#include <vector>
#include <string>
#include <vector>

#include "common/model.h"
#include "korvis/korvis_state.h"

namespace korvis {

// The bodies (0-based) on the two sides of a node: `in`, the one its normal
// leaves, and `out`, the one it points into.
struct NodeBodies {
  int in = -1, out = -1;
};

// Finds the outline side nearest to the node centre (x, z) among the sides
// parallel to the node (normal (xn, zn)), within the precision of the
// file's coordinates, and the two bodies that share it: `in` is the body
// whose outline runs along the side so that the node's normal is the side's
// normal (z down: (dz, -dx)/L for a side running (dx, dz)). False when no
// side is near enough, or the side is not shared by exactly two bodies in
// opposite directions.
bool bodiesAcross(const common::ModelGeometry& model, float x, float z, float xn, float zn,
                  NodeBodies& bodies);

// 2(Ra - Rb)/((Ra + Rb) R0) in single precision with Ra of `out`, Rb of
// `in` and R0 of body 1, from `resistivity` (Ro, or RO_IP for qIP).
float contrastBetween(const std::vector<float>& resistivity, NodeBodies bodies);

// How the nodes fared: recomputed, or kept with the file's values (the
// first such node and why).
struct ContrastRecovery {
  int recomputed = 0, kept = 0;
  int firstKept = -1;         // 0-based node
  bool firstUnmatched = false;  // its coefficient disagrees with its bodies (else: no bodies found)
  bool firstIP = false;         // the coefficient that disagrees is qIP
  NodeBodies firstBodies;
  float firstComputed = 0.0f;
};

// Replaces q, and qIP when keyIP is not 0, of every node by the value
// recomputed from the bodies across it, when that value agrees with the
// file's to within the rounding of its field (and of the resistivities the
// file gives with 7 digits); a disagreement means the node does not follow
// from the outlines (a hand-made file), and the node keeps the file's
// values. Nodes that keep them are reported once on `warnings`, naming
// `file`.
// Nodes marked in `air` (the ground surface of a model with relief) take
// the contrast against the air, 2/Ro(1) and 2/RO_IP(1).
ContrastRecovery useExactContrasts(KorvisState& st, const std::string& file, std::ostream& warnings,
                                   const std::vector<char>* air = nullptr);

}  // namespace korvis
