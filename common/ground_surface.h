// The model's ground surface: the upper boundary of the union of its
// bodies, the outline sides that have no body above them, as one line from
// the model's left end to its right end. A flat model has it at z = 0 and
// the sources are mirrored in it; a model with relief (a vertex above
// z = 0, or a surface that dips below it) has it as one more boundary of
// the problem, an interface against the air. Depths are positive down, so
// a point above the datum has a negative z.
#pragma once

#include <string>
#include <vector>

#include "common/model.h"

namespace common {

struct GroundSurface {
  // The line's vertices from left to right (1-based numbers), their
  // coordinates, and the body (1-based) under each of its segments.
  std::vector<int> vertices;
  std::vector<double> x, z;
  std::vector<int> bodies;

  // The highest point's depth (the smallest z).
  double top() const;
  // Every vertex within surfaceBand of z = 0.
  bool flat() const;
  // The depth of the surface at x, and the segment holding x (the left one
  // at a vertex, the upper end of a vertical step); -1 beyond the ends.
  int segmentAt(double x) const;
  double depthAt(double x) const;
  // The angle (radians) under which the ground is seen from the point at
  // x on the surface: pi on a straight stretch, less on a crest, more in a
  // valley floor. Beyond the line's ends the surface runs on horizontally.
  double openingAngle(double x) const;
};

// The upper boundary of the model's bodies. Sides that no other body
// shares (to the tolerance of the geometry checks) are outer sides; those
// running toward larger x face up, vertical ones between the model's ends
// are steps. The line starts at the leftmost upward side and follows them
// end to start. False with `problem` worded for the user when the sides
// facing up do not form one such line (an overhang, a body floating above
// the others).
bool findGroundSurface(const ModelGeometry& m, GroundSurface& surface, std::string& problem);

// Whether the model's ground surface leaves z = 0: a vertex above the
// datum, or an upper boundary found and not flat.
bool hasRelief(const ModelGeometry& m);

}  // namespace common
