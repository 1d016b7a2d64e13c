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

TEST(ChargeProfiles, InterpolateAlongStraightRunsBetweenVertices) {
  auto nodes = std::make_unique<common::NodeTable>(maxNodes);
  // A graded vertical run of four elements from z = 2 down (normal (1, 0),
  // so its direction (-zn, xn) is +z), listed out of order; then a fifth
  // below it across a model vertex, a horizontal element, one vertical
  // element with a gap before it and one with another normal.
  const float sizes[] = {0.5f, 0.75f, 1.125f, 1.6875f};
  float top[4];
  float z = 2.0f;
  for (int j = 0; j < 4; ++j) {
    top[j] = z;
    z += sizes[j];
  }
  for (int j : {2, 0, 3, 1}) addNode(*nodes, 5.0f, top[j] + sizes[j] / 2, sizes[j], 1.0f, 0.0f, 0.1f, 0.1f);
  addNode(*nodes, 5.0f, z + 0.5f, 1.0f, 1.0f, 0.0f, 0.1f, 0.1f);
  addNode(*nodes, 6.0f, z, 2.0f, 0.0f, 1.0f, 0.1f, 0.1f);
  addNode(*nodes, 6.0f, z + 3.0f, 1.0f, 0.0f, 1.0f, 0.1f, 0.1f);
  addNode(*nodes, 6.0f, z + 4.0f, 1.0f, 0.6f, 0.8f, 0.1f, 0.1f);
  common::ModelGeometry model;
  model.nP = 2;
  model.xp[0] = 5.0f;
  model.zp[0] = z;  // the run stops here
  model.xp[1] = 100.0f;
  model.zp[1] = 0.0f;
  const std::vector<ChargeProfile> profiles = chargeProfiles(*nodes, model);
  ASSERT_EQ(profiles.size(), 8u);
  struct Row {
    int element, count;
  };
  // Table positions: 0 holds the third element of the run, 1 the first,
  // 2 the fourth, 3 the second.
  for (const Row& r : {Row{1, 2}, Row{3, 3}, Row{0, 3}, Row{2, 2}, Row{4, 1}, Row{5, 1},
                       Row{6, 1}, Row{7, 1}}) {
    EXPECT_EQ(profiles[static_cast<std::size_t>(r.element)].count, r.count)
        << "element " << r.element;
  }
  // Densities of degree 2 along the run (and 1 at its ends) come back exactly.
  std::vector<double> sigma(8, 0.0), slope(8, 0.0);
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
  EXPECT_EQ(profiles[5].node[0], 5);
  EXPECT_EQ(profiles[5].c[0][0], 1.0);
  EXPECT_EQ(profiles[5].c[0][1], 0.0);
  EXPECT_EQ(profiles[5].c[0][2], 0.0);
}

// The elements that telm grades toward a corner, 25 m from the origin: sizes
// from 0.2 mm growing by 1.4, their centres and lengths in single precision
// as the node table holds them. The ends of such short elements miss each
// other by several units in the last place of the coordinates, more than a
// thousandth of their length; every element still joins its run (a profile
// of three points inside it, two at its ends), as on a run of metres.
TEST(ChargeProfiles, JoinShortElementsNearACorner) {
  auto nodes = std::make_unique<common::NodeTable>(maxNodes);
  struct Row {
    float corner, first;
  };
  for (const Row& r : {Row{25.0f, 2e-4f}, Row{25.0f, 1e-2f}, Row{-9.99999f, 1e-4f}}) {
    nodes->N = 0;
    float start = r.corner, size = r.first;
    for (int j = 0; j < 24; ++j) {
      const float end = start - size;  // leftwards along the top of a body, normal (0, 1)
      addNode(*nodes, start - size / 2, 5.0f, start - end, 0.0f, 1.0f, 0.1f, 0.1f);
      start = end;
      size *= 1.4f;
    }
    common::ModelGeometry model;
    model.nP = 1;
    model.xp[0] = r.corner;
    model.zp[0] = 5.0f;
    const std::vector<ChargeProfile> profiles = chargeProfiles(*nodes, model);
    for (std::size_t j = 0; j < profiles.size(); ++j) {
      EXPECT_EQ(profiles[j].count, j == 0 || j + 1 == profiles.size() ? 2 : 3)
          << "corner " << r.corner << ", first " << r.first << ", element " << j;
    }
  }
}

}  // namespace
}  // namespace korvis
