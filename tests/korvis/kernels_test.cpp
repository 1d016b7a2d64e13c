// k1Kernel and directionalKernel: the branches and thresholds of the table
// lookup, the mirror rule, the interval search without a logarithm (proved
// over every float s the first guess can see), and bit identity with the
// literal versions on random arguments.
#include "korvis/kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "korvis/reference_kernels.h"

namespace korvis {
namespace {

float kernel(float r, float ky) {
  float G = -1.0f;
  k1Kernel(r, ky, G);
  return G;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(K1Kernel, ZeroWavenumberIsInverseSquareForAnyDistance) {
  for (float r : {1e-3f, 0.37f, 1.0f, 3.0f, 1234.5f, 9.9e4f}) {
    EXPECT_EQ(kernel(r, 0.0f), 1.0f / (r * r)) << r;
  }
}

TEST(K1Kernel, SmallArgumentThresholdIsInclusive) {
  // r*ky = 0.04f exactly: the two-dimensional kernel, not the table.
  EXPECT_EQ(kernel(0.04f, 1.0f), 1.0f / (0.04f * 0.04f));
  EXPECT_EQ(kernel(4.0f, 0.01f), 1.0f / 16.0f);  // double(4*0.01f) < double(0.04f)

  // Just above: linear between X(2) and X(3), about V(2)/(2r^2), below 1/r^2.
  const float r = std::nextafter(0.04f, 1.0f);
  const float G = kernel(r, 1.0f);
  EXPECT_LT(G, 1.0f / (r * r));
  EXPECT_NEAR(double(G) / (double(1.99386f) / (2.0 * double(r) * double(r))), 1.0, 1e-6);
}

TEST(K1Kernel, TablePointFourGivesV18) {
  const float G = kernel(4.0f, 1.0f);
  EXPECT_NEAR(double(G) / (double(0.099868f) / 32.0), 1.0, 2e-7);
  EXPECT_EQ(kernel(8.0f, 0.5f), G / 4.0f);
}

TEST(K1Kernel, LargeArgumentCutOff) {
  const float r = 71.1f;
  const float atLimit = kernel(r, 1.0f);
  EXPECT_GT(atLimit, 0.0f);
  EXPECT_LT(atLimit, float(1.25895e-22 / (2.0 * double(r) * double(r))));
  EXPECT_EQ(kernel(std::nextafter(r, 100.0f), 1.0f), 0.0f);
  EXPECT_EQ(kernel(1e6f, 1.0f), 0.0f);
  EXPECT_EQ(kernel(std::nanf(""), 1.0f), 0.0f);
}

TEST(K1Kernel, LinearUpToPointFourExponentialAbove) {
  using reference::V;
  using reference::X;
  const double at = double(0.4f);
  const float linearAt = float(V[8] + (at - X[8]) * (V[9] - V[8]) / (X[9] - X[8]));
  EXPECT_EQ(kernel(0.4f, 1.0f), linearAt / (2.0f * 0.4f * 0.4f));

  const float r = std::nextafter(0.4f, 1.0f);
  const double above = double(r);
  const float L = float(std::log(V[9]) + (above - X[9]) * std::log(V[10] / V[9]) / (X[10] - X[9]));
  const float expAbove = float(std::exp(double(L)));
  EXPECT_EQ(kernel(r, 1.0f), expAbove / (2.0f * r * r));
}

TEST(K1Kernel, BitIdenticalToLiteralVersion) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> logX(std::log(0.01f), std::log(100.0f));
  std::uniform_real_distribution<float> logR(std::log(0.01f), std::log(1000.0f));
  for (int n = 0; n < 2000000; ++n) {
    const float r = std::exp(logR(rng));
    const float ky = std::exp(logX(rng)) / r;
    float G;
    reference::k1Kernel(r, ky, G);
    ASSERT_TRUE(sameBits(kernel(r, ky), G)) << r << " " << ky;
  }
  // Every tabulated abscissa and its float neighbours, with ky = 1.
  for (double x : reference::X) {
    const float at = float(x);
    for (float r : {std::nextafter(at, 0.0f), at, std::nextafter(at, 100.0f)}) {
      if (r <= 0.0f) continue;
      float G;
      reference::k1Kernel(r, 1.0f, G);
      ASSERT_TRUE(sameBits(kernel(r, 1.0f), G)) << r;
    }
  }
}

// The interval search may start from any k not beyond the true interval.
// The logarithmic first guess depends on x only through s = float(25x); every
// x that rounds to s is larger than prev(s)/25 (bounded from below by the
// double one step under the rounded quotient), and the true interval number
// grows with x. So checking guess(s) <= trueInterval(prev(s)/25) for every
// float s from 25*0.04 to 25*71.1 shows that the guess, in float or in
// double, never passes the true interval: the search from the guess and the
// search from k1Table.startK find the same k for every x.
TEST(K1Kernel, LogarithmicGuessNeverPassesTheTrueInterval) {
  const float sLow = float(25.0 * double(0.04f));
  const float sHigh = float(25.0 * double(71.1f));
  const auto first = std::bit_cast<std::uint32_t>(sLow) - 1;
  const auto last = std::bit_cast<std::uint32_t>(sHigh);
  int k = 2;  // true interval of the lower bound, which grows with s
  for (std::uint32_t bits = first; bits <= last; ++bits) {
    const float s = std::bit_cast<float>(bits);
    const double quotient = double(std::bit_cast<float>(bits - 1)) / 25.0;
    const double below = std::bit_cast<double>(std::bit_cast<std::uint64_t>(quotient) - 1);
    while (below > reference::X[k - 1]) ++k;
    const int guessFloat = std::max(2, int(std::log(s) * 3.4743562f) + 2);
    const int guessDouble = std::max(2, int(std::log(double(s)) * double(3.4743562f)) + 2);
    ASSERT_LE(guessFloat, k) << s;
    ASSERT_LE(guessDouble, k) << s;
    ASSERT_GE(guessFloat, k - 2) << s;  // and it is a good guess
  }
  EXPECT_GT(last - first, 90000000u);
}

TEST(DirectionalKernel, MirrorRuleOnlyWhenBothPointsAreAbove) {
  // ky = 0: G = 1/r^2, so the result is dz/r^2 along (0, 1).
  EXPECT_EQ(directionalKernel(0, -1, 0, -2, 0, 1, 1, 1, 0), float(3.0 / 9.0));  // z1' = 1
  EXPECT_EQ(directionalKernel(0, -1, 0, 2, 0, 1, 1, 1, 0), float(-3.0 / 9.0));  // z1' = z1
  EXPECT_EQ(directionalKernel(0, 1, 0, -2, 0, 1, 1, 1, 0), float(3.0 / 9.0));
  EXPECT_EQ(directionalKernel(0, -1, 0, -2, 1, 0, 1, 1, 0), 0.0f);
}

TEST(DirectionalKernel, PerpendicularSeparationGivesExactlyZero) {
  EXPECT_EQ(directionalKernel(5, 3, 1, 3, 0, 1, 2, 7, 0.3f), 0.0f);
  EXPECT_EQ(directionalKernel(1, 1, 2, 2, 0.70710678f, -0.70710678f, 1, 1, 0.0f), 0.0f);
}

TEST(DirectionalKernel, BitIdenticalToLiteralVersion) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(-60.0f, 60.0f);
  std::uniform_real_distribution<float> angle(0.0f, 6.2831853f);
  std::uniform_real_distribution<float> logKy(std::log(1e-3f), std::log(30.0f));
  for (int n = 0; n < 500000; ++n) {
    const float x1 = coord(rng), z1 = coord(rng), x2 = coord(rng), z2 = coord(rng);
    const float a = angle(rng);
    const float nx = std::cos(a), nz = std::sin(a);
    const float w1 = coord(rng), w2 = coord(rng);
    const float ky = (n % 17 == 0) ? 0.0f : std::exp(logKy(rng));
    const float want = reference::directionalKernel(x1, z1, x2, z2, nx, nz, w1, w2, ky);
    ASSERT_TRUE(sameBits(directionalKernel(x1, z1, x2, z2, nx, nz, w1, w2, ky), want));
  }
}

}  // namespace
}  // namespace korvis
