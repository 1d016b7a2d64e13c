// The branch-free x*K1 and K0 of the survey mode's vector loops against the
// double polynomials they replace there (the same approximations with the
// library's logarithm and exponential) over the whole range of x the loops
// take, and against the Bessel functions themselves.
#include "korvis/bessel_lanes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "korvis/kernels.h"
#include "korvis/potentials.h"

namespace korvis {
namespace {

double relative(double got, double want) { return std::fabs(got / want - 1.0); }

// Every x of a geometric grid from 1e-7 to 700 (ratio 1 + 2e-5: about 1.1
// million points, every binade of the logarithm's reduction and every
// rounding of n in the exponential's), plus both sides of the switch at 2
// and the far end of the range.
TEST(BesselLanes, AgreeWithTheDoublePolynomialsToRoundOff) {
  // The logarithm and the exponential are a few units in the last place of
  // the library's; the polynomials amplify that at most tenfold.
  constexpr double tolerance = 1e-14;
  double worstK1 = 0.0, worstK0 = 0.0, worstLog = 0.0, worstExp = 0.0;
  auto check = [&](double x) {
    worstK1 = std::max(worstK1, relative(xK1Lanes(x), xK1(x)));
    worstK0 = std::max(worstK0, relative(besselK0Lanes(x), besselK0(x)));
    worstLog = std::max(worstLog, relative(lanes::log(x), std::log(x)) * (x == 1.0 ? 0.0 : 1.0));
    worstExp = std::max(worstExp, relative(lanes::exp(-x), std::exp(-x)));
  };
  for (double x = 1e-7; x <= 700.0; x *= 1.00002) check(x);
  for (double x : {1e-300, 1e-30, 1.9999999999999998, 2.0, 2.0000000000000004, 699.99, 700.0}) check(x);
  EXPECT_LT(worstK1, tolerance);
  EXPECT_LT(worstK0, tolerance);
  EXPECT_LT(worstLog, 1e-15);
  EXPECT_LT(worstExp, 1e-15);
}

// The polynomials' own error, which the replacement keeps: below 2e-7
// relative (measured 1.7e-7 for x*K1 and 1.5e-7 for K0, both near x = 2)
// against the library's Bessel functions in long double.
TEST(BesselLanes, WithinThePolynomialsErrorOfTheBesselFunctions) {
  double worstK1 = 0.0, worstK0 = 0.0;
  for (double x = 1e-6; x <= 700.0; x *= 1.002) {
    const auto lx = static_cast<long double>(x);
    const auto k1 = static_cast<double>(lx * std::cyl_bessel_k(1.0L, lx));
    const auto k0 = static_cast<double>(std::cyl_bessel_k(0.0L, lx));
    worstK1 = std::max(worstK1, relative(xK1Lanes(x), k1));
    worstK0 = std::max(worstK0, relative(besselK0Lanes(x), k0));
  }
  EXPECT_LT(worstK1, 2e-7);
  EXPECT_LT(worstK0, 2e-7);
}

// G = ky*K1(ky*r)/r in float equals smoothK1Kernel's but where the two
// doubles round to neighbouring floats, and takes its ends: 1/r^2 for ky = 0,
// 0 beyond ky*r = 700, NaN for a NaN distance.
TEST(BesselLanes, SmoothKernelMatchesTheScalarOneAndItsEnds) {
  int differing = 0, total = 0;
  for (float r = 0.01f; r < 3000.0f; r *= 1.37f) {
    for (float ky = 1e-5f; ky < 200.0f; ky *= 1.91f) {
      float want = 0.0f;
      smoothK1Kernel(r, ky, want);
      const float got = smoothK1Lanes(r, ky);
      ++total;
      if (got == want) continue;
      ++differing;
      EXPECT_LE(std::fabs(got - want), std::fabs(want) * 1.2e-7f) << "r " << r << " ky " << ky;
    }
  }
  EXPECT_LT(differing, total / 100);
  // ky = 0; x = 700 exactly (K1 about 1e-304: 0 in float); x = 702.
  const float ends[][3] = {{2.0f, 0.0f, 0.25f}, {2.0f, 350.0f, 0.0f}, {2.0f, 351.0f, 0.0f}};
  for (const auto& e : ends) {
    float want = 0.0f;
    smoothK1Kernel(e[0], e[1], want);
    EXPECT_EQ(want, e[2]);
    EXPECT_EQ(smoothK1Lanes(e[0], e[1]), e[2]) << e[0] << " " << e[1];
  }
  EXPECT_TRUE(std::isnan(smoothK1Lanes(std::numeric_limits<float>::quiet_NaN(), 1.0f)));
}

// Each formula alone gives the bits of the selection on its side of x = 2,
// so that a run of kernels known to lie on one side may take it alone.
TEST(BesselLanes, EachFormulaAloneIsTheSelectionOnItsSide) {
  const float ky = 0.37f;
  for (float r = 1e-6f; r < 4000.0f; r *= 1.0007f) {
    const double x = static_cast<double>(r) * static_cast<double>(ky);
    const float both = smoothK1Lanes(r, ky);
    const float alone = x <= 2.0 ? smoothK1SmallLanes(r, ky) : smoothK1LargeLanes(r, ky);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(alone), std::bit_cast<std::uint32_t>(both)) << "r " << r;
  }
  EXPECT_EQ(smoothK1SmallLanes(2.0f, 0.0f), 0.25f);
  EXPECT_EQ(smoothK1LargeLanes(std::numeric_limits<float>::infinity(), 1.0f), 0.0f);
}

}  // namespace
}  // namespace korvis
