// The closed-form references themselves: the boundary conditions they must
// meet and their limits, so that a comparison failure points at the
// programs and not at the reference.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "analytic.h"

namespace validation {
namespace {

constexpr double rhoLeft = 100, rhoRight = 1000;

// Across the contact the potential is continuous and so is the normal
// current, E / rho, for sources on either side.
TEST(ClosedForms, ContactLinePotentialMeetsTheInterfaceConditions) {
  const double eps = 1e-6, h = 1e-4;
  for (double xs : {-37.0, -3.0, 5.0, 61.0}) {
    const auto v = [&](double x) { return contactLinePotential(x, xs, rhoLeft, rhoRight); };
    EXPECT_NEAR(v(-eps), v(eps), 1e-4 * std::abs(v(eps))) << "source " << xs;
    const double eLeft = -(v(-eps) - v(-eps - h)) / h;
    const double eRight = -(v(eps + h) - v(eps)) / h;
    EXPECT_NEAR(eLeft / rhoLeft, eRight / rhoRight, 1e-3 * std::abs(eRight / rhoRight))
        << "source " << xs;
  }
}

TEST(ClosedForms, ContactPointFieldCarriesTheCurrentAcross) {
  const double eps = 1e-9;
  for (double xs : {-37.0, -3.0, 5.0, 61.0}) {
    const double left = contactPointField(-eps, xs, rhoLeft, rhoRight);
    const double right = contactPointField(eps, xs, rhoLeft, rhoRight);
    EXPECT_NEAR(left / rhoLeft, right / rhoRight, 1e-6 * std::abs(right / rhoRight));
  }
  // Equal sides: the half-space field.
  EXPECT_DOUBLE_EQ(contactPointField(20, -30, 50, 50),
                   halfSpacePointField({20, 0}, {-30, 0}, 50, 1, 0));
}

TEST(ClosedForms, HalfSpaceFieldsOfASurfaceSource) {
  // rho / (2 pi r^2) along the surface, pointing away from the source.
  EXPECT_NEAR(halfSpacePointField({10, 0}, {0, 0}, 2 * std::numbers::pi, 1, 0), 0.01, 1e-15);
  EXPECT_NEAR(halfSpacePointField({-10, 0}, {0, 0}, 2 * std::numbers::pi, 1, 0), -0.01, 1e-15);
  EXPECT_NEAR(halfSpacePointField({10, 0}, {0, 0}, 2 * std::numbers::pi, 0, 1), 0.0, 1e-15);
  // Line source: -rho/pi ln r on the surface.
  EXPECT_NEAR(halfSpaceLinePotential({std::exp(1.0), 0}, {0, 0}, std::numbers::pi), -1.0, 1e-12);
}

TEST(ClosedForms, TwoLayerSchlumbergerLimits) {
  EXPECT_DOUBLE_EQ(twoLayerSchlumberger(70, 70, 10, 25), 70);
  EXPECT_NEAR(twoLayerSchlumberger(100, 1000, 20, 0.01), 100, 1e-3);
  EXPECT_NEAR(twoLayerSchlumberger(100, 1000, 20, 1e5), 1000, 1);
  EXPECT_NEAR(twoLayerSchlumberger(500, 50, 20, 1e5), 50, 0.1);
}

TEST(ClosedForms, CylinderDipole) {
  double hx = 1, hz = 1;
  cylinderAnomaly({30, 0}, {0, 30}, 10, 0.0, 3e4, 4e4, hx, hz);
  EXPECT_EQ(hx, 0.0);
  EXPECT_EQ(hz, 0.0);
  // Straight above the axis in a vertical field the anomaly follows the
  // field, a^2 (mu - 1)/(mu + 1) B / d^2; beside the axis it opposes it.
  const double strength = 100.0 / 3.0 * 5e4 / 900;
  cylinderAnomaly({0, 0}, {0, 30}, 10, 1.0, 0, 5e4, hx, hz);
  EXPECT_NEAR(hx, 0.0, 1e-9);
  EXPECT_NEAR(hz, strength, 1e-9);
  cylinderAnomaly({30, 30}, {0, 30}, 10, 1.0, 0, 5e4, hx, hz);
  EXPECT_NEAR(hx, 0.0, 1e-9);
  EXPECT_NEAR(hz, -strength, 1e-9);
}

}  // namespace
}  // namespace validation
