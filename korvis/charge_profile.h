// The charge density along a boundary element as a polynomial in the
// distance t from the element's centre, interpolated through the densities
// of the element and its neighbours on the same straight run of elements.
// The boundary system gives one density per element, its value at the
// centre; taken as constant over the element, the potential it makes at a
// distant point is off by a relative amount of order (element length /
// depth)^2, the same sign on every element of a graded mesh, so it does
// not average out. The quadratic through three centres cuts that to the
// next order; the ends of a run take the straight line through two
// centres, an element alone its constant. A run ends at every vertex of
// the model: the density jumps there, or is singular at a corner.
#pragma once

#include <vector>

#include "korvis/korvis_state.h"

namespace korvis {

// sigma_j(t) = sum over k < count of sigma[node[k]] *
//              (c[k][0] + c[k][1]*t + c[k][2]*t^2),
// t along the element from its centre in the direction (-zn, xn).
struct ChargeProfile {
  int count = 1;
  int node[3] = {0, 0, 0};
  double c[3][3] = {};
};

// One profile per element of the table. Two elements are neighbours when
// they share the normal and an end (to a quarter of the shorter length:
// the node table rounds the ends of short elements by more than a
// thousandth of their length), that end being no vertex of `model` (to the
// same tolerance). The table order of the elements does not matter.
std::vector<ChargeProfile> chargeProfiles(const common::NodeTable& nodes,
                                          const common::ModelGeometry& model);

}  // namespace korvis
