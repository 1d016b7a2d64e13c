// Small polygon models for the tests of the geometry checks: vertices and
// outlines as the model file lists them, every body 100 ohm-m.
#pragma once

#include <utility>
#include <vector>

#include "common/model.h"

namespace common::testing {

using Outline = std::vector<int>;

inline ModelGeometry outlineModel(const std::vector<std::pair<float, float>>& vertices,
                                  const std::vector<Outline>& outlines) {
  ModelGeometry m;
  m.nP = static_cast<int>(vertices.size());
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    m.xp[v] = vertices[v].first;
    m.zp[v] = vertices[v].second;
  }
  m.nT = static_cast<int>(outlines.size());
  for (std::size_t b = 0; b < outlines.size(); ++b) {
    m.Ro[b] = 100.0f;
    m.RO_IP[b] = 100.0f;
    m.nVer[b] = static_cast<int>(outlines[b].size());
    for (std::size_t k = 0; k <= outlines[b].size(); ++k) m.vertexRing[b][k] = outlines[b][k % outlines[b].size()];
  }
  return m;
}

}  // namespace common::testing
