// The wavenumber table (its worked examples, the cap and the floor on its
// length, the weights) and the combination of the per-wavenumber values into
// apparent resistivity, calibrated field and chargeability.
#include "korvis/wavenumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

namespace korvis {
namespace {

// One node at (0, depth) under a single profile position at the origin.
std::unique_ptr<KorvisState> nodeBelowPosition(float depth) {
  auto st = std::make_unique<KorvisState>();
  st->nodes.N = 1;
  st->nodes.z[0] = depth;
  st->arr.nPos = 1;
  st->arr.nSpac = 1;
  st->arr.keyArr = 1;
  return st;
}

TEST(Wavenumbers, WorkedExamplesOfTheTableLength) {
  auto st = nodeBelowPosition(2.0f);
  setUpWavenumbers(*st, 100.0f);
  EXPECT_EQ(st->nKy, 15);
  EXPECT_EQ(st->Ky[0], 0.0f);
  EXPECT_EQ(st->Ky[1], 0.002f);
  EXPECT_NEAR(st->Ky[14], 0.002 * std::pow(10.0, 13.0 / 4.0), 1e-5);
  EXPECT_EQ(wavenumberLine(*st), "  nKy  KyMIN  KyMAX - 15  0.2000E-02  0.3557E+01\n");

  // ln(10000)/0.5756463 is just below 16 with the single-precision constant.
  st = nodeBelowPosition(1.0f);
  setUpWavenumbers(*st, 100.0f);
  EXPECT_EQ(st->nKy, 16);

  // A position on a node: the distance is taken as 1e-4 m.
  st = nodeBelowPosition(0.0f);
  setUpWavenumbers(*st, 400.0f);
  EXPECT_EQ(st->nKy, 35);
}

TEST(Wavenumbers, TableLengthIsCappedAndNeverBelowTwo) {
  EXPECT_EQ(wavenumberCount(2000.0f, 5.0e-6f), 35);   // n + 1 = 35
  EXPECT_EQ(wavenumberCount(7.5e14f, 1.0f), 35);      // n + 1 = 60
  EXPECT_EQ(wavenumberCount(12.0f, 1.0f), 5);         // ln 12 / 0.5756463 = 4.32
  EXPECT_EQ(wavenumberCount(1.5f, 1.0f), 2);          // n = 0: one wavenumber short
  EXPECT_EQ(wavenumberCount(0.01f, 1.0f), 2);         // n < 0
  EXPECT_EQ(wavenumberCount(0.0f, 1.0f), 2);          // no spacing at all

  // The two-entry table keeps ky = 0 and one step.
  auto st = nodeBelowPosition(1.0f);
  setUpWavenumbers(*st, 0.01f);
  ASSERT_EQ(st->nKy, 2);
  EXPECT_EQ(st->Ky[1], 1.0f / (5.0f * 0.01f));
  EXPECT_EQ(st->WKy[0], 0.5f * st->Ky[1]);
  EXPECT_EQ(st->WKy[1], st->Ky[1]);
}

TEST(Wavenumbers, WeightsForFourWavenumbers) {
  auto st = nodeBelowPosition(1.0f);
  setUpWavenumbers(*st, 0.075f);  // rmax / rmin = 0.375 / 0.05 = 7.5
  ASSERT_EQ(st->nKy, 4);
  const auto& Ky = st->Ky;
  EXPECT_FLOAT_EQ(st->WKy[0], Ky[1] / 2);
  EXPECT_FLOAT_EQ(st->WKy[1], Ky[2] / 2);
  EXPECT_FLOAT_EQ(st->WKy[2], Ky[3] / 2);
  EXPECT_FLOAT_EQ(st->WKy[3], Ky[3] - Ky[2]);
  EXPECT_FLOAT_EQ(Ky[3], 1.7782794f * 1.7782794f / 0.375f);
}

TEST(Wavenumbers, FixedElectrodesOfGradientKindsLengthenTheTable) {
  auto st = nodeBelowPosition(7.0f);
  st->arr.XA = 0.0f;
  st->arr.ZA = 6.5f;  // half a metre from the node
  setUpWavenumbers(*st, 100.0f);
  const int ordinary = st->nKy;
  for (int kind : {17, 19}) {
    st->arr.keyArr = kind;
    setUpWavenumbers(*st, 100.0f);
    EXPECT_EQ(st->nKy, ordinary + 5) << kind;  // 14 times closer: 4.6 more steps
  }
}

TEST(Wavenumbers, NearestNodeDistanceIsCappedAt10000) {
  auto st = nodeBelowPosition(3.0f);
  st->nodes.N = 2;
  st->nodes.x[1] = 4.0f;
  st->nodes.z[1] = 3.0f;
  EXPECT_EQ(nearestNodeDistance(st->nodes, 4.0f, 3.0f), 0.0f);
  EXPECT_EQ(nearestNodeDistance(st->nodes, 0.0f, -1.0f), 4.0f);
  EXPECT_EQ(nearestNodeDistance(st->nodes, 0.0f, 20000.0f), 10000.0f);
  st->nodes.N = 0;
  EXPECT_EQ(nearestNodeDistance(st->nodes, 0.0f, 0.0f), 10000.0f);
}

TEST(Wavenumbers, AnalyticFieldIsThatOfPointSourcesOnAHalfSpace) {
  // E = rho*I/(2*pi*r^2) per electrode on the surface, for unit resistivity.
  const double single = 1.0 / (2.0 * M_PI * 100.0);
  EXPECT_NEAR(analyticFieldMagnitude(10, 0, 0, 0, 10000, 0, 1, 0), single, 1e-9);
  EXPECT_NEAR(analyticFieldMagnitude(0, 0, -10, 0, 10, 0, 5, 7), 2 * single, 1e-9);
  // B without a positive resistivity adds nothing; the resistivities only
  // switch the electrodes on.
  EXPECT_NEAR(analyticFieldMagnitude(0, 0, -10, 0, 10, 0, 5, 0), single, 1e-9);
  EXPECT_EQ(analyticFieldMagnitude(0, 0, -10, 0, 10, 0, 0, 0), 0.0f);
  // A buried source and its image: vertical components cancel on the surface.
  EXPECT_NEAR(analyticFieldMagnitude(3, 0, 0, 4, 10000, 0, 1, 0),
              2.0 * 3.0 / 125.0 / (4.0 * M_PI), 1e-9);
}

// Two positions, one spacing, weights 0.5 and 0.25.
std::unique_ptr<KorvisState> gridState(int keyArr) {
  auto st = std::make_unique<KorvisState>();
  st->arr.nPos = 2;
  st->arr.nSpac = 1;
  st->arr.keyArr = keyArr;
  st->nKy = 2;
  st->WKy[0] = 0.5f;
  st->WKy[1] = 0.25f;
  return st;
}

TEST(Wavenumbers, AccumulationWeighsFieldsAndUnitPrimaryFields) {
  auto st = gridState(18);
  Evaluation ev;
  ev.value = 4.0f;
  ev.EA = 30.0f;
  ev.EB = -10.0f;
  ev.value2 = 8.0f;
  ev.EA2 = 60.0f;
  ev.EB2 = -20.0f;
  ev.rhoA = 10.0f;
  ev.rhoB = 0.0f;  // absent B: no term
  accumulate(*st, 0, 1, ev, 0, 0, 0, 0, 0, 0);
  accumulate(*st, 1, 1, ev, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(st->ResF[1], 3.0f);
  EXPECT_EQ(st->NrmF[1], 2.25f);
  EXPECT_EQ(st->ResR[1], 6.0f);
  EXPECT_EQ(st->NrmR[1], 4.5f);
  EXPECT_EQ(st->ResF[0], 0.0f);

  ev.rhoA = 0.0f;
  ev.rhoB = 5.0f;
  accumulate(*st, 0, 0, ev, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(st->NrmF[0], 1.0f);  // -0.5*(-10)/5
  std::ostringstream warnings;
  finishPass(*st, 1, warnings);
  EXPECT_EQ(st->ResF[1], 3.0f / 2.25f);
  EXPECT_EQ(st->ResR[1], 6.0f / 4.5f);
  EXPECT_EQ(st->ResF[0], 2.0f);
  EXPECT_EQ(warnings.str(), "");
}

TEST(Wavenumbers, GradientKindCalibratesTheFieldWithTheAnalyticOne) {
  auto st = gridState(19);
  Evaluation ev;
  ev.value = 2.0f;
  ev.EA = 3.0f;   // horizontal
  ev.EB = 0.0f;
  ev.EA2 = 4.0f;  // vertical
  ev.EB2 = 0.0f;
  ev.rhoA = 1.0f;
  ev.rhoB = 0.0f;
  accumulate(*st, 0, 0, ev, 10, 0, 0, 0, 10000, 0);
  const float analytic = st->ResR[0];
  EXPECT_EQ(analytic, analyticFieldMagnitude(10, 0, 0, 0, 10000, 0, 1, 0));
  accumulate(*st, 1, 0, ev, 20, 0, 0, 0, 10000, 0);
  EXPECT_EQ(st->ResR[0], analytic) << "only the first wavenumber sets the analytic field";

  // Cell 1 has no primary field at all: r = 0 takes the fixed factor.
  ev.rhoA = 0.0f;
  accumulate(*st, 0, 1, ev, 10, 0, 0, 0, 10000, 0);
  std::ostringstream warnings;
  finishPass(*st, 1, warnings);
  EXPECT_FLOAT_EQ(st->ResF[0], 1.5f * analytic / 3.75f);  // |(2.25, 3)| = 3.75
  EXPECT_EQ(st->ResF[1], 0.18518518f * 1.0f);
  EXPECT_EQ(warnings.str(), "");
}

TEST(Wavenumbers, ZeroPrimaryFieldSumIsReportedAndKept) {
  auto st = gridState(18);
  st->ResF[0] = 1.0f;
  st->NrmF[0] = 1.0f;
  st->ResR[0] = 1.0f;
  st->NrmR[0] = 1.0f;
  st->ResF[1] = 2.0f;
  st->ResR[1] = 0.0f;
  std::ostringstream warnings;
  finishPass(*st, 2, warnings);
  EXPECT_TRUE(std::isinf(st->ResF[1]));
  EXPECT_TRUE(std::isnan(st->ResR[1]));
  EXPECT_EQ(warnings.str(),
            "korvis: warning: IP pass, position 2, spacing 1, forward array: the primary-field "
            "sum is zero, the apparent value is not finite\n"
            "korvis: warning: IP pass, position 2, spacing 1, reverse array: the primary-field "
            "sum is zero, the apparent value is not finite\n");
}

TEST(Wavenumbers, ChargeabilityInPercent) {
  auto st = gridState(18);
  st->ResF[0] = 125.0f;
  st->DcF[0] = 100.0f;
  st->ResR[1] = 50.0f;
  st->DcR[1] = 60.0f;
  st->ResF[1] = 1.0f;
  st->ResR[0] = 1.0f;
  computeChargeability(*st);
  EXPECT_EQ(st->DcF[0], 20.0f);
  EXPECT_EQ(st->DcR[1], -20.0f);
}

}  // namespace
}  // namespace korvis
