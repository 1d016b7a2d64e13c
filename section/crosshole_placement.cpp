// Cross-hole placement. The depth difference runs from the current
// electrodes to the potential electrodes (positive: the receivers deeper),
// as korvis's cross-hole kind is drawn, so that the pictures of the two
// agree.
#include "section/crosshole_placement.h"

#include <algorithm>
#include <cmath>

namespace section {

namespace {

struct Centre {
  double x = 0.0, depth = 0.0;
  int count = 0;
  void add(const Electrode& e) {
    if (e.remote) return;
    x += e.x, depth += e.z, ++count;
  }
  double meanX() const { return x / count; }
  double meanDepth() const { return depth / count; }
};

}  // namespace

std::size_t hiddenValues(const std::vector<SectionValue>& values, double tolerance) {
  std::vector<SectionValue> sorted = values;
  std::sort(sorted.begin(), sorted.end(), [](const SectionValue& a, const SectionValue& b) {
    return a.x < b.x || (a.x == b.x && a.depth < b.depth);
  });
  std::size_t hidden = 0;
  for (std::size_t k = 1; k < sorted.size(); ++k) {
    // Any earlier value within the tolerance across (the sort is by x).
    for (std::size_t j = k; j-- > 0 && sorted[k].x - sorted[j].x <= tolerance;) {
      if (std::fabs(sorted[k].depth - sorted[j].depth) <= tolerance) {
        ++hidden;
        break;
      }
    }
  }
  return hidden;
}

void placeCrossHole(Pseudosection& s, const std::vector<Measurement>& measurements, double tolerance) {
  s.values.clear();
  s.nLevels.clear();
  std::vector<SectionValue> byDifference;
  for (const auto& m : measurements) {
    Centre all, currents, potentials;
    for (const Electrode* e : {&m.configuration.a, &m.configuration.b}) all.add(*e), currents.add(*e);
    for (const Electrode* e : {&m.configuration.m, &m.configuration.n}) all.add(*e), potentials.add(*e);
    s.values.push_back({all.meanX(), all.meanDepth(), m.value});
    byDifference.push_back({potentials.meanDepth() - currents.meanDepth(), all.meanDepth(), m.value});
  }
  s.depthAxis = DepthAxis::linear;
  s.truePositions = hiddenValues(s.values, tolerance) == 0;
  if (s.truePositions) {
    s.xLabel = "x, m (centroid of the electrodes)";
    s.depthLabel = "depth, m (centroid of the electrodes)";
  } else {
    s.values = std::move(byDifference);
    s.xLabel = "depth of the potential electrodes \u2212 depth of the current electrodes, m";
    s.depthLabel = "mean depth of the electrodes, m";
  }
}

}  // namespace section
