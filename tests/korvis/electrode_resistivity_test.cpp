// Resistivity at the current electrodes: subtended angles, the running angle
// sum over body outlines of either orientation, the surface-segment lookup,
// and the fourteen rules with absent electrodes.
#include "korvis/electrode_resistivity.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <vector>

namespace korvis {
namespace {

// Bodies given as vertex lists; rings are closed here.
common::ModelGeometry polygons(const std::vector<std::vector<std::pair<float, float>>>& bodies,
                               const std::vector<float>& Ro) {
  common::ModelGeometry m;
  for (std::size_t b = 0; b < bodies.size(); ++b) {
    const auto& outline = bodies[b];
    for (std::size_t k = 0; k < outline.size(); ++k) {
      m.xp[m.nP] = outline[k].first;
      m.zp[m.nP] = outline[k].second;
      m.vertexRing[b][k] = ++m.nP;
    }
    m.vertexRing[b][outline.size()] = m.vertexRing[b][0];
    m.nVer[b] = static_cast<int>(outline.size());
    m.Ro[b] = Ro[b];
  }
  m.nT = static_cast<int>(bodies.size());
  return m;
}

// Square [x0, x1] x [z0, z1], from +X towards +Z about its centre, or reversed.
std::vector<std::pair<float, float>> square(float x0, float x1, float z0, float z1,
                                            bool reversed = false) {
  if (reversed) return {{x0, z0}, {x0, z1}, {x1, z1}, {x1, z0}};
  return {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}};
}

TEST(SubtendedAngle, SignedAndWrappedIntoMinusPiToPi) {
  EXPECT_FLOAT_EQ(subtendedAngle(piSingle, 0, 0, 1, 0, 0, 1), 1.5707963f);
  EXPECT_FLOAT_EQ(subtendedAngle(piSingle, 0, 0, 0, 1, 1, 0), -1.5707963f);
  // Across the negative x axis the raw difference is near -2pi.
  EXPECT_NEAR(subtendedAngle(piSingle, 0, 0, -1, 0.1f, -1, -0.1f), 0.19933730f, 1e-6f);
  EXPECT_NEAR(subtendedAngle(piSingle, 0, 0, -1, -0.1f, -1, 0.1f), -0.19933730f, 1e-6f);
}

TEST(BodyAtPoint, PositiveOutlineEnclosingThePointGivesItsBody) {
  const auto m = polygons({square(10, 20, 10, 20), square(30, 40, 10, 20)}, {100, 20});
  std::ostringstream console;
  float rho = -1.0f;
  bodyAtPoint(m, piSingle, 35, 15, rho, console);
  EXPECT_EQ(rho, 20.0f);
  bodyAtPoint(m, piSingle, 15, 15, rho, console);
  EXPECT_EQ(rho, 100.0f);
  EXPECT_EQ(console.str(), "");

  rho = -1.0f;
  bodyAtPoint(m, piSingle, 25, 50, rho, console);
  EXPECT_EQ(rho, -1.0f);
  EXPECT_EQ(console.str(), " ni~ego ne na{li\n");
}

TEST(BodyAtPoint, ReversedOutlineLeavesMinusTwoPiInTheRunningSum) {
  // Body 1 (reversed) and body 2 both enclose the point: their sums cancel,
  // so the point is attributed to body 3, the next body enclosing it.
  const auto m = polygons(
      {square(-50, 50, 1, 60, true), square(-30, 30, 5, 40), square(-10, 10, 10, 20)},
      {100, 20, 5});
  std::ostringstream console;
  float rho = 0.0f;
  bodyAtPoint(m, piSingle, 0, 15, rho, console);
  EXPECT_EQ(rho, 5.0f);
  EXPECT_EQ(console.str(), "");
  // Inside bodies 1 and 2 only: nothing found.
  bodyAtPoint(m, piSingle, 0, 30, rho, console);
  EXPECT_EQ(rho, 5.0f);
  EXPECT_EQ(console.str(), " ni~ego ne na{li\n");
}

// Two blocks side by side under a three-point surface line:
// body 1 = [-100, 0] x [0, 50] (Ro 100), body 2 = [0, 100] x [0, 50] (Ro 20).
common::ModelGeometry sideBySide(int nPOnSurface) {
  auto m = polygons({square(-100, 0, 0, 50), square(0, 100, 0, 50)}, {100, 20});
  if (nPOnSurface == 3) {
    m.xp[m.nP] = 100.0f;  // the surface line needs its right end as a vertex
    m.zp[m.nP] = 0.0f;
    ++m.nP;
    m.nPOnSurface = 3;
    m.surfaceList[0] = 1;  // (-100, 0)
    m.surfaceList[1] = 2;  // (0, 0)
    m.surfaceList[2] = m.nP;
    m.surfaceBodies[0] = 1;
    m.surfaceBodies[1] = 2;
    m.nSurfaceBodies = 2;
  } else {
    m.nPOnSurface = 2;
    m.surfaceList[0] = 1;
    m.surfaceList[1] = 6;  // (100, 0), second body's second vertex
    m.surfaceBodies[0] = 2;  // ignored: two surface points mean Ro(1)
    m.nSurfaceBodies = 1;
  }
  return m;
}

TEST(BodyUnderSurface, SharedVertexTakesTheSegmentToItsLeft) {
  const auto m = sideBySide(3);
  std::ostringstream console;
  float rho = -1.0f;
  bodyUnderSurface(m, 0.0f, rho, console);
  EXPECT_EQ(rho, 100.0f);
  bodyUnderSurface(m, 50.0f, rho, console);
  EXPECT_EQ(rho, 20.0f);
  bodyUnderSurface(m, -100.0f, rho, console);
  EXPECT_EQ(rho, 100.0f);
  EXPECT_EQ(console.str(), "");
  bodyUnderSurface(m, 150.0f, rho, console);
  EXPECT_EQ(rho, 100.0f);
  EXPECT_EQ(console.str(), " ni~eg ne na{li\n");
}

TEST(ElectrodeResistivities, FourteenRulesInOrder) {
  struct Case {
    int rule, nPOnSurface;
    float XA, ZA, XB, ZB, rhoA, rhoB;
  };
  const Case cases[] = {
      {1, 3, -10000, 0, 10000, 0, 0, 0},   {2, 2, -10000, 0, 50, 0, 0, 100},
      {3, 3, -10000, 0, 50, 0, 0, 20},     {4, 3, -10000, 0, 50, 10, 0, 20},
      {5, 2, 50, 0, 10000, 0, 100, 0},     {6, 3, 50, 0, 10000, 0, 20, 0},
      {6, 3, 0, 0, 10000, 0, 100, 0},      {7, 3, 50, 10, 10000, 0, 20, 0},
      {8, 2, 50, 0, 50, 10, 100, 20},      {9, 3, 50, 0, -50, 10, 20, 100},
      {10, 2, 50, 10, 50, 0, 20, 100},     {11, 3, -50, 10, 50, 0, 100, 20},
      {12, 2, 50, 0, 60, 0, 100, 100},     {13, 3, -50, 0, 50, 0, 100, 20},
      {14, 3, 50, 10, -50, 10, 20, 100},   {4, 2, -10000, -5, -50, 10, 0, 100},
  };
  for (const Case& c : cases) {
    const auto m = sideBySide(c.nPOnSurface);
    std::ostringstream console;
    float rhoA = -1.0f, rhoB = -1.0f;
    electrodeResistivities(m, c.XA, c.ZA, c.XB, c.ZB, rhoA, rhoB, console);
    EXPECT_EQ(rhoA, c.rhoA) << "rule " << c.rule;
    EXPECT_EQ(rhoB, c.rhoB) << "rule " << c.rule;
    EXPECT_EQ(console.str(), "") << "rule " << c.rule;
  }
}

TEST(ElectrodeResistivities, ElectrodeAboveTheSurfaceSendsBothToThePolygonLookup) {
  // ZA < 0 matches none of rules 2 to 13: B on the surface is then looked
  // up by polygon too; both lookups fail and keep the previous values.
  const auto m = sideBySide(3);
  std::ostringstream console;
  float rhoA = 7.0f, rhoB = 8.0f;
  electrodeResistivities(m, 50, -5, 150, 0, rhoA, rhoB, console);
  EXPECT_EQ(rhoA, 7.0f);
  EXPECT_EQ(rhoB, 8.0f);
  EXPECT_EQ(console.str(), " ni~ego ne na{li\n ni~ego ne na{li\n");
}

TEST(ElectrodeResistivities, AbsentElectrodeGetsZeroEvenAfterAFailedLookup) {
  const auto m = sideBySide(3);
  std::ostringstream console;
  float rhoA = 7.0f, rhoB = 8.0f;
  electrodeResistivities(m, 150, 0, 10000, 0, rhoA, rhoB, console);
  EXPECT_EQ(rhoA, 7.0f);
  EXPECT_EQ(rhoB, 0.0f);
  EXPECT_EQ(console.str(), " ni~eg ne na{li\n");
}

}  // namespace
}  // namespace korvis
