// Field moments and the fixed kinds as field measurements: the moments are
// the derivatives of the potential moments, the half-space field that of the
// half-space potential, and the fixed layouts become the measurements the
// plain run evaluates.
#include "korvis/element_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "korvis/fixed_survey.h"

namespace korvis {
namespace {

// Minus the derivative along (nx, nz) of elementMoments at the point, by
// central differences: the field moments come out with the opposite sign of
// the field, as d/dn of the potential moments.
void differencedMoments(double xo, double zo, double nx, double nz, double xc, double zc, double dL,
                        double ex, double ez, double ky, double step, double (&moment)[3]) {
  double plus[3], minus[3];
  elementMoments(xo + step * nx, zo + step * nz, xc, zc, dL, ex, ez, ky, plus);
  elementMoments(xo - step * nx, zo - step * nz, xc, zc, dL, ex, ez, ky, minus);
  for (int k = 0; k < 3; ++k) moment[k] = (plus[k] - minus[k]) / (2.0 * step);
}

TEST(ElementFieldMoments, AreTheDerivativesOfThePotentialMoments) {
  struct Row {
    std::string name;
    double xo, zo, nx, nz, ky;
  };
  // The element: centre (0, 10), normal (1, 0), 2 m long, t running down.
  const Row rows[] = {
      {"far, across", 30.0, 12.0, 1.0, 0.0, 0.05},
      {"far, along a slant", -12.0, 3.0, 0.6, 0.8, 0.5},
      {"near, beside the middle", 0.3, 10.2, 1.0, 0.0, 0.1},
      {"near, beside the middle, along the element", 0.3, 10.2, 0.0, 1.0, 0.1},
      {"close, a slant, large ky", -0.05, 9.4, 0.8, -0.6, 20.0},
      {"on the line beyond the end", 0.0, 11.6, 0.0, 1.0, 0.3},
      {"beside the end", 0.2, 11.0, 0.6, 0.8, 1.0},
  };
  for (const Row& r : rows) {
    double field[3], expected[3];
    elementFieldMoments(r.xo, r.zo, r.nx, r.nz, 0.0, 10.0, 2.0, 1.0, 0.0, r.ky, field);
    const double distance = std::hypot(r.xo, r.zo - 10.0);
    differencedMoments(r.xo, r.zo, r.nx, r.nz, 0.0, 10.0, 2.0, 1.0, 0.0, r.ky, 1e-4 * distance,
                       expected);
    const double scale =
        std::max({std::fabs(expected[0]), std::fabs(expected[1]), std::fabs(expected[2])});
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(field[k], expected[k], 2e-6 * scale) << r.name << ", moment " << k;
    }
  }
}

TEST(ElementFieldMoments, OnTheElementTheNormalPartIsTheMeanOfBothSides) {
  // Straddling the element the normal field jumps by the charge's 2 pi;
  // on it the moment is the mean of both sides, and the part along the
  // element is the principal value, the same from both sides.
  double on[3], left[3], right[3];
  elementFieldMoments(0.0, 10.3, 1.0, 0.0, 0.0, 10.0, 2.0, 1.0, 0.0, 0.2, on);
  elementFieldMoments(-1e-7, 10.3, 1.0, 0.0, 0.0, 10.0, 2.0, 1.0, 0.0, 0.2, left);
  elementFieldMoments(1e-7, 10.3, 1.0, 0.0, 0.0, 10.0, 2.0, 1.0, 0.0, 0.2, right);
  EXPECT_NEAR(right[0] - left[0], -2.0 * std::numbers::pi, 1e-4);
  EXPECT_NEAR(on[0], 0.5 * (left[0] + right[0]), 1e-4);
  double alongOn[3], alongLeft[3];
  elementFieldMoments(0.0, 10.3, 0.0, 1.0, 0.0, 10.0, 2.0, 1.0, 0.0, 0.2, alongOn);
  elementFieldMoments(-1e-7, 10.3, 0.0, 1.0, 0.0, 10.0, 2.0, 1.0, 0.0, 0.2, alongLeft);
  EXPECT_NEAR(alongOn[0], alongLeft[0], 1e-4 * std::fabs(alongLeft[0]));
}

TEST(HalfSpaceField, IsMinusTheDerivativeOfTheHalfSpacePotential) {
  struct Row {
    FieldPoint p;
    PotentialPoint s;
  };
  const Row rows[] = {{{10.0, 0.0, 1.0, 0.0}, {0.0, 0.0}},
                      {{-3.0, 0.0, 1.0, 0.0}, {5.0, 0.0}},
                      {{2.0, 7.0, 0.0, 1.0}, {2.0, 17.0}},
                      {{4.0, 3.0, 0.6, 0.8}, {-1.0, 2.0}}};
  for (const Row& r : rows) {
    const double h = 1e-5;
    const double up = halfSpacePotential({r.p.x + h * r.p.nx, r.p.z + h * r.p.nz}, r.s, 100.0);
    const double down = halfSpacePotential({r.p.x - h * r.p.nx, r.p.z - h * r.p.nz}, r.s, 100.0);
    const double expected = -(up - down) / (2.0 * h);
    EXPECT_NEAR(halfSpaceField(r.p, r.s, 100.0), expected, 1e-6 * std::fabs(expected))
        << r.p.x << " " << r.p.z;
  }
}

TEST(FixedSurvey, LaysEachEvaluationOutAsAFieldMeasurement) {
  struct Row {
    int kind, nSpac;
    std::size_t electrodes, fields, data;
    bool bAbsent;
  };
  // Two positions (x = 0, 10), spacings 10 and 20 (and 40 for three).
  const Row rows[] = {
      {1, 2, 6, 2, 4, false},   // A = X - s, B = X + s: -10 10 -20 20, 0 (30)
      {2, 2, 3, 2, 4, true},    // B at infinity: A at -10 -20, 0
      {18, 2, 2, 6, 8, true},   // A at X, receivers X + s and, second, X - s
      {17, 3, 2, 2, 2, false},  // fixed A and B, one spacing evaluated
  };
  for (const Row& r : rows) {
    auto st = std::make_unique<KorvisState>();
    common::ArrayFile& a = st->arr;
    a.keyArr = r.kind;
    a.nPos = 2;
    a.dX = 10.0f;
    a.nSpac = r.nSpac;
    a.Spac[0] = 10.0f;
    a.Spac[1] = 20.0f;
    a.Spac[2] = 40.0f;
    a.XA = -100.0f;
    a.XB = 100.0f;
    const FixedSurvey s = fixedSurvey(*st);
    const std::string at = "kind " + std::to_string(r.kind);
    EXPECT_EQ(s.electrodes.size(), r.electrodes) << at;
    EXPECT_EQ(s.fields.size(), r.fields) << at;
    ASSERT_EQ(s.data.size(), r.data) << at;
    for (const Quadrupole& q : s.data) {
      EXPECT_GE(q.a, 0) << at;
      EXPECT_EQ(q.b < 0, r.bAbsent) << at;
      EXPECT_GE(q.field, 0) << at;
    }
  }
  // Kind 18: the second receiver of position 2 (x = 10), spacing 20, at x = -10.
  auto st = std::make_unique<KorvisState>();
  st->arr.keyArr = 18;
  st->arr.nPos = 2;
  st->arr.dX = 10.0f;
  st->arr.nSpac = 2;
  st->arr.Spac[0] = 10.0f;
  st->arr.Spac[1] = 20.0f;
  const FixedSurvey s = fixedSurvey(*st);
  const FieldPoint& second = s.fields[static_cast<std::size_t>(s.data[4 + 3].field)];
  EXPECT_EQ(second.x, -10.0);
  EXPECT_EQ(s.electrodes[static_cast<std::size_t>(s.data[3].a)].x, 10.0);
}

}  // namespace
}  // namespace korvis
