// The mean normal field of a near source over an element against a
// brute-force midpoint sum of a million points, for sources beside the
// element, over its end, nearly on it and on its line, and wavenumbers from
// 0 to far beyond the element's scale.
#include "korvis/source_field.h"

#include <gtest/gtest.h>

#include <cmath>

#include "korvis/kernels.h"

namespace korvis {
namespace {

double bruteForce(double x, double z, double xn, double zn, double dL, double xs, double zs,
                  double w, float ky) {
  constexpr int points = 1000000;
  double sum = 0.0;
  for (int p = 0; p < points; ++p) {
    const double t = -0.5 * dL + (p + 0.5) * dL / points;
    const double px = x - zn * t, pz = z + xn * t;
    const double dx = px - xs, dz = pz - zs;
    const double r = std::hypot(dx, dz);
    const double G = ky > 0.0f ? xK1(r * static_cast<double>(ky)) / (r * r) : 1.0 / (r * r);
    sum += G * (dx * xn + dz * zn);
  }
  return w * sum / points;
}

TEST(MeanSourceField, MatchesAFineSum) {
  struct Row {
    float xs, zs, ky;
  };
  // Element centred on (0, 10), horizontal, 2 m long, normal (0, 1).
  const Row rows[] = {
      {0.0f, 9.5f, 0.0f},    {0.0f, 9.5f, 0.01f},  {0.0f, 9.95f, 0.3f},  {0.3f, 10.02f, 1.0f},
      {1.0f, 9.9f, 0.1f},    {1.5f, 9.8f, 3.0f},   {-0.7f, 10.4f, 30.0f}, {0.0f, 5.0f, 0.05f},
      {0.2f, 9.999f, 0.5f},
  };
  for (const Row& r : rows) {
    const double got = meanSourceField(0.0f, 10.0f, 0.0f, 1.0f, 2.0f, r.xs, r.zs, 1.5f, r.ky);
    const double want = bruteForce(0, 10, 0, 1, 2, r.xs, r.zs, 1.5, r.ky);
    EXPECT_NEAR(got, want, 1e-4 * std::fabs(want) + 1e-9)
        << "source (" << r.xs << ", " << r.zs << "), ky " << r.ky;
  }
  // A source on the element's line sees no normal field.
  EXPECT_EQ(meanSourceField(0.0f, 10.0f, 0.0f, 1.0f, 2.0f, 3.0f, 10.0f, 1.0f, 0.2f), 0.0);
}

}  // namespace
}  // namespace korvis
