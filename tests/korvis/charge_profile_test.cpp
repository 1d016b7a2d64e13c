// Charge profiles: which elements are joined into a straight run, and that
// the interpolation through their centres reproduces a density of the
// degree it claims.
#include "korvis/charge_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "test_nodes.h"

namespace korvis {
namespace {

using testing::addNode;

// sigma_j(t) from a profile and the densities at the element centres.
double profileAt(const ChargeProfile& p, const std::vector<double>& sigma, double t) {
  double v = 0.0;
  for (int k = 0; k < p.count; ++k) {
    const double* c = p.c[k];
    v += sigma[static_cast<std::size_t>(p.node[k])] * (c[0] + c[1] * t + c[2] * t * t);
  }
  return v;
}

TEST(ChargeProfiles, InterpolateAlongStraightRunsOnly) {
  auto nodes = std::make_unique<common::NodeTable<maxNodes>>();
  // A graded vertical run of four elements going down (normal (1, 0), so
  // its direction (-zn, xn) is +z), then a horizontal element, then one
  // vertical element with a gap before it, then one with another normal.
  float z = 2.0f;
  for (float dL : {0.5f, 0.75f, 1.125f, 1.6875f}) {
    addNode(*nodes, 5.0f, z + dL / 2, dL, 1.0f, 0.0f, 0.1f, 0.1f);
    z += dL;
  }
  addNode(*nodes, 6.0f, z, 2.0f, 0.0f, 1.0f, 0.1f, 0.1f);
  addNode(*nodes, 6.0f, z + 3.0f, 1.0f, 0.0f, 1.0f, 0.1f, 0.1f);
  addNode(*nodes, 6.0f, z + 4.0f, 1.0f, 0.6f, 0.8f, 0.1f, 0.1f);
  const std::vector<ChargeProfile> profiles = chargeProfiles(*nodes);
  ASSERT_EQ(profiles.size(), 7u);
  struct Row {
    int element, count;
  };
  for (const Row& r : {Row{0, 2}, Row{1, 3}, Row{2, 3}, Row{3, 2}, Row{4, 1}, Row{5, 1},
                       Row{6, 1}}) {
    EXPECT_EQ(profiles[static_cast<std::size_t>(r.element)].count, r.count)
        << "element " << r.element;
  }
  // Densities of degree 2 along the run (and 1 at its ends) come back exactly.
  std::vector<double> sigma(7, 0.0), slope(7, 0.0);
  auto quadratic = [](double depth) { return 3.0 - 0.8 * depth + 0.15 * depth * depth; };
  auto line = [](double depth) { return 1.0 + 0.5 * depth; };
  for (std::size_t j = 0; j < 4; ++j) {
    sigma[j] = quadratic(nodes->z[j]);
    slope[j] = line(nodes->z[j]);
  }
  for (std::size_t j = 0; j < 4; ++j) {
    for (double t : {-0.5, -0.2, 0.0, 0.3, 0.5}) {
      const double at = static_cast<double>(nodes->dL[j]) * t;
      const double depth = static_cast<double>(nodes->z[j]) + at;
      EXPECT_NEAR(profileAt(profiles[j], slope, at), line(depth), 1e-12) << j << " " << t;
      if (profiles[j].count == 3) {
        EXPECT_NEAR(profileAt(profiles[j], sigma, at), quadratic(depth), 1e-12) << j << " " << t;
      }
    }
  }
  // An element alone keeps its constant density.
  EXPECT_EQ(profiles[4].node[0], 4);
  EXPECT_EQ(profiles[4].c[0][0], 1.0);
  EXPECT_EQ(profiles[4].c[0][1], 0.0);
  EXPECT_EQ(profiles[4].c[0][2], 0.0);
}

}  // namespace
}  // namespace korvis
