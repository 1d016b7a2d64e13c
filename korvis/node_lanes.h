// The node table's columns as the vector loops of the survey fill read them.
// No two arrays overlap, nor overlap the loops' outputs; the restrict
// qualifiers (honoured on parameters) spare each loop the run-time checks of
// every pair of arrays, which the compiler would otherwise give up on.
#pragma once

#include "common/model.h"

namespace korvis {

struct NodeLanes {
  const float* __restrict x;
  const float* __restrict z;
  const float* __restrict dL;
  const float* __restrict xn;
  const float* __restrict zn;
};

inline NodeLanes nodeLanes(const common::NodeTable& nodes) {
  return {nodes.x.data(), nodes.z.data(), nodes.dL.data(), nodes.xn.data(), nodes.zn.data()};
}

}  // namespace korvis
