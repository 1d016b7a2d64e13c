// Electrode layouts of the nineteen array kinds and the spacings each kind
// evaluates.
#include "korvis/driver.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvis {
namespace {

common::ArrayFile survey(int keyArr) {
  common::ArrayFile a;
  a.dX = 10.0f;
  a.dZ = 1.0f;
  a.X0 = 100.0f;
  a.Z0 = 2.0f;
  a.nPos = 5;
  a.nSpac = 2;
  a.XA = -30.0f;
  a.ZA = 4.0f;
  a.XB = 35.0f;
  a.ZB = 6.0f;
  a.XMN = 50.0f;
  a.keyArr = keyArr;
  a.iDir = -2;
  a.Spac[0] = 3.0f;
  a.Spac[1] = 9.0f;
  return a;
}

struct Expected {
  int keyArr;
  float XA, ZA, XB, ZB, xr, zr, nx, nz;
  int solveFlag;
};

// Position 3 (X = 120, Z = 4), spacing 2 (s = 9).
TEST(ElectrodePlacement, EveryKindAtOnePositionAndSpacing) {
  const float far = 10000.0f;
  const float along = 10.0f / std::sqrt(101.0f), down = 1.0f / std::sqrt(101.0f);
  const Expected table[] = {
      {1, 111, 0, 129, 0, 120, 4, 1, 0, 1},
      {2, 111, 0, far, 0, 120, 4, 1, 0, 1},
      {3, -far, 0, 129, 0, 120, 4, 1, 0, 1},
      {4, 96, 0, 108, 0, 120, 4, 1, 0, 1},
      {5, 132, 0, 144, 0, 120, 4, 1, 0, 1},
      {6, 111, 0, 129, 0, 120, 4, 1, 0, 1},
      {7, 111, 0, 129, 0, 120, 4, 1, 0, 1},
      {8, 111, 0, 129, 0, 120, 4, 1, 0, 1},
      {9, -30, 13, far, 0, -30, 4, 0, 1, 1},
      {10, -30, -5, far, 0, -30, 4, 0, 1, 1},
      {11, -30, -6, 35, 6, 50, 4, 0, 1, 1},  // 2 + (-2)*(3 + 1*1)
      {12, 111, 0, 129, 0, 120, 4, 1, 0, 1},
      {13, -far, 4, 129, 6, 120, 6, 1, 0, 1},
      {14, 111, 4, far, 6, 120, 6, 1, 0, 1},
      {15, 120, 0, far, 0, 129, 4, 1, 0, 2},
      {16, -far, 0, 120, 0, 111, 4, 1, 0, 2},
      {17, -30, 4, 35, 6, 120, 4, along, down, 1},
      {18, 120, 0, far, 0, 129, 4, 1, 0, 2},
      {19, -30, 4, 35, 6, 120, 4, along, down, 1},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(e.keyArr);
    const Placement pl = placeElectrodes(survey(e.keyArr), 3, 2);
    const Configuration& c = pl.first;
    EXPECT_EQ(c.XA, e.XA);
    EXPECT_EQ(c.ZA, e.ZA);
    EXPECT_EQ(c.XB, e.XB);
    EXPECT_EQ(c.ZB, e.ZB);
    EXPECT_EQ(c.xr, e.xr);
    EXPECT_EQ(c.zr, e.zr);
    EXPECT_EQ(c.nx, e.nx);
    EXPECT_EQ(c.nz, e.nz);
    EXPECT_EQ(pl.solveFlag, e.solveFlag);
    EXPECT_FALSE(pl.unknownKind);
  }
  const Placement half = placeElectrodes(survey(18), 3, 2);
  EXPECT_EQ(half.xr2, 111.0f);
  EXPECT_EQ(half.zr2, 0.0f);
}

TEST(ElectrodePlacement, DipoleKindsUseTheSinglePrecisionThirds) {
  // s = 0.7: t = 1.4, d = t*0.33333334 rounded; A and B of kind 4 sit at
  // X - (t + d) and X - (t - d), kind 5 mirrors them.
  common::ArrayFile a = survey(4);
  a.Spac[0] = 0.7f;
  const float t = 2.0f * 0.7f;
  const float d = t * 0.33333334f;
  Placement pl = placeElectrodes(a, 1, 1);
  EXPECT_EQ(pl.first.XA, 100.0f - (t + d));
  EXPECT_EQ(pl.first.XB, 100.0f - (t - d));
  EXPECT_NEAR(pl.first.XA, 100.0 - 8.0 * 0.7 / 3.0, 1e-5);
  a.keyArr = 5;
  pl = placeElectrodes(a, 1, 1);
  EXPECT_EQ(pl.first.XA, 100.0f + (t - d));
  EXPECT_EQ(pl.first.XB, 100.0f + (t + d));
}

TEST(ElectrodePlacement, UnknownKindsTakeTheSymmetricLayoutAndAreFlagged) {
  for (int kind : {0, 20, -3}) {
    const Placement pl = placeElectrodes(survey(kind), 3, 2);
    EXPECT_TRUE(pl.unknownKind);
    EXPECT_EQ(pl.first.XA, 111.0f);
    EXPECT_EQ(pl.first.XB, 129.0f);
    EXPECT_EQ(pl.solveFlag, 1);
  }
}

TEST(ElectrodePlacement, SolveFlagFollowsTheSpacingForKindsWithOneSourcePerPosition) {
  for (int kind : {15, 16, 18}) {
    EXPECT_EQ(placeElectrodes(survey(kind), 2, 1).solveFlag, 1);
    EXPECT_EQ(placeElectrodes(survey(kind), 2, 2).solveFlag, 2);
  }
  EXPECT_EQ(placeElectrodes(survey(1), 2, 2).solveFlag, 1);
}

TEST(ElectrodePlacement, GradientKindsEvaluateOneSpacing) {
  EXPECT_EQ(evaluatedSpacings(survey(17)), 1);
  EXPECT_EQ(evaluatedSpacings(survey(19)), 1);
  EXPECT_EQ(evaluatedSpacings(survey(1)), 2);
  common::ArrayFile none = survey(18);
  none.nSpac = 0;
  EXPECT_EQ(evaluatedSpacings(none), 0);
}

}  // namespace
}  // namespace korvis
