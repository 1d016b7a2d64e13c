// Growth of the model and node tables to the counts of a survey-mode model.
#include "common/model.h"

#include <algorithm>

namespace common {

namespace {

template <typename T>
void growTo(std::vector<T>& v, int count) {
  const auto n = static_cast<std::size_t>(std::max(count, 0));
  if (v.size() < n) v.resize(n);
}

}  // namespace

void ModelGeometry::makeRoom(int bodies, int vertices, int surface) {
  growTo(Ro, bodies + 1);
  growTo(RO_IP, bodies + 1);
  growTo(nVer, bodies + 1);
  growTo(vertexRing, bodies + 1);
  growTo(xp, vertices);
  growTo(zp, vertices);
  growTo(surfaceList, surface);
  growTo(surfaceBodies, surface);
}

void ModelGeometry::makeRingRoom(int i, int count) { growTo(vertexRing[static_cast<std::size_t>(i)], count + 1); }

void NodeTable::setCapacity(int newCapacity) {
  capacity = std::max(newCapacity, 0);
  const auto n = static_cast<std::size_t>(capacity);
  for (std::vector<float>* column : {&x, &z, &dL, &xn, &zn, &q, &qIP}) column->resize(n);
  N = std::min(N, capacity);
}

}  // namespace common
