// Sizing of the telm state record's tables to its limits.
#include "telm/telm_state.h"

#include <algorithm>

namespace telm {

void TelmState::makeRoom(int bodies, int vertices, int surface) {
  model.makeRoom(bodies, vertices, surface);
  const auto n = static_cast<std::size_t>(std::max(bodies + 1, 0));
  for (std::vector<float>* column : {&eta, &M1, &M2}) {
    if (column->size() < n) column->resize(n);
  }
}

void TelmState::setNodeCapacity(int capacity) {
  nodes.setCapacity(capacity);
  nodeEdge.resize(static_cast<std::size_t>(nodes.capacity));
}

void TelmState::setLimits(const common::ModelLimits& newLimits) {
  limits = newLimits;
  setNodeCapacity(limits.nodes);
}

}  // namespace telm
