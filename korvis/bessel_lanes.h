// x*K1(x) and K0(x) without branches or library calls, for loops that the
// compiler turns into vector code (the survey mode's matrix fill and element
// potentials evaluate them hundreds of millions of times per run). They are
// the polynomial approximations of xK1 (kernels.h) and besselK0
// (potentials.h), term for term; only the logarithm and the exponential are
// our own: the logarithm of the mantissa from the series of atanh, the
// exponential from a reduction by ln 2 and a Taylor polynomial, both a few
// units in the last place of double, far below the polynomials' own errors
// (1e-8 absolute, 2e-7 relative). Both branches of each approximation are
// evaluated and one is selected, so the loop needs no jump; a caller that
// knows which side of x = 2 a run of arguments lies on takes that branch
// alone (smoothK1SmallLanes, smoothK1LargeLanes), with the same bits.
//
// Precision: double throughout; -ffp-contract=off keeps every product and
// sum rounded as written.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace korvis {

namespace lanes {

// c ? a : b through the bits: both values are computed whatever c, and no
// floating-point operation is left under a condition (which the compiler
// would keep as a jump, since it might trap).
inline double select(bool c, double a, double b) {
  const std::uint64_t mask = 0 - static_cast<std::uint64_t>(c);
  return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                               (std::bit_cast<std::uint64_t>(b) & ~mask));
}
inline float select(bool c, float a, float b) {
  const std::uint32_t mask = 0 - static_cast<std::uint32_t>(c);
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                              (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// ln(x) for normal x > 0: x = m*2^e with m in [sqrt(1/2), sqrt(2)),
// ln x = e*ln 2 + 2*atanh(s), s = (m - 1)/(m + 1), |s| < 0.1716, the series
// 2*(s + s^3/3 + ... + s^21/21) (truncation below 1e-18).
inline double log(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const auto exponent = static_cast<std::int64_t>(bits >> 52) - 1023;
  const std::uint64_t unitBits = (bits & 0x000fffffffffffffULL) | 0x3ff0000000000000ULL;
  // m in [sqrt(1/2), sqrt(2)): the mantissa in [1, 2), halved (one off its
  // exponent field) above sqrt(2); integer steps, so that no jump is needed.
  const auto upper = static_cast<std::uint64_t>(std::bit_cast<double>(unitBits) > 1.4142135623730951);
  const double m = std::bit_cast<double>(unitBits - (upper << 52));
  const double e = static_cast<double>(exponent + static_cast<std::int64_t>(upper));
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  const double series =
      s2 * (1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9 + s2 * (1.0 / 11 +
      s2 * (1.0 / 13 + s2 * (1.0 / 15 + s2 * (1.0 / 17 + s2 * (1.0 / 19 + s2 * (1.0 / 21))))))))));
  // ln 2 in two parts, the first with 32 bits so that e*ln2High is exact.
  constexpr double ln2High = 0x1.62e42feep-1, ln2Low = 0x1.a39ef35793c76p-33;
  return e * ln2High + (e * ln2Low + (2.0 * s + 2.0 * s * series));
}

// exp(y) for y in [-1000, 0]: y = n*ln 2 + r, |r| <= ln(2)/2, n rounded to
// the nearest integer by the shift 1.5*2^52, exp(r) by its Taylor
// polynomial of degree 13 (truncation below 1e-18), times 2^n built from
// the bits of n (2^n stays normal for n >= -1022, y >= -708).
inline double exp(double y) {
  constexpr double shift = 0x1.8p52, log2e = 1.4426950408889634;
  constexpr double ln2High = 0x1.62e42feep-1, ln2Low = 0x1.a39ef35793c76p-33;
  const double shifted = y * log2e + shift;
  const double n = shifted - shift;
  const double r = (y - n * ln2High) - n * ln2Low;
  const double p =
      1.0 + r * (1.0 + r * (1.0 / 2 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 +
      r * (1.0 / 720 + r * (1.0 / 5040 + r * (1.0 / 40320 + r * (1.0 / 362880 +
      r * (1.0 / 3628800 + r * (1.0 / 39916800 + r * (1.0 / 479001600 + r * (1.0 / 6227020800.0)))))))))))));
  // The low bits of `shifted` hold n; n + 1023 shifted into the exponent field.
  const double scale = std::bit_cast<double>((std::bit_cast<std::uint64_t>(shifted) + 1023) << 52);
  return p * scale;
}

}  // namespace lanes

// x*K1(x) for x in (0, 2] by the first formula of xK1 (kernels.h), with
// the logarithm above: x*ln(x/2)*I1(x) + sum c_k (x/2)^(2k), I1 from 9.8.3
// (t = x/3.75).
inline double xK1SmallLanes(double x) {
  const double t = x / 3.75;
  const double t2 = t * t;
  const double i1 = x * (0.5 + t2 * (0.87890594 + t2 * (0.51498869 + t2 * (0.15084934 +
                    t2 * (0.02658733 + t2 * (0.00301532 + t2 * 0.00032411))))));
  const double y = x * x / 4.0;
  return x * lanes::log(x / 2.0) * i1 +
         (1.0 + y * (0.15443144 + y * (-0.67278579 + y * (-0.18156897 +
          y * (-0.01919402 + y * (-0.00110404 + y * -0.00004686))))));
}

// x*K1(x) for x in [2, 700] by the second formula, with the exponential
// above: sqrt(x)*exp(-x) * sum d_k (2/x)^k.
inline double xK1LargeLanes(double x) {
  const double y = 2.0 / x;
  return std::sqrt(x) * lanes::exp(-x) *
         (1.25331414 + y * (0.23498619 + y * (-0.03655620 + y * (0.01504268 +
          y * (-0.00780353 + y * (0.00325614 + y * -0.00068245))))));
}

// x*K1(x) for x in (0, 700] as xK1 gives it, both formulas evaluated (each
// at x held inside its range) and one selected. Relative difference from
// xK1 below 1e-14 over (1e-300, 700].
inline double xK1Lanes(double x) {
  const bool small = x <= 2.0;
  return lanes::select(small, xK1SmallLanes(lanes::select(small, x, 2.0)),
                       xK1LargeLanes(lanes::select(small, 2.0, x)));
}

// K0(x) for x in (0, 700] as besselK0 (potentials.h) gives it:
//   x <= 2: -ln(x/2)*I0(x) + sum c_k (x/2)^(2k), I0 from 9.8.1 (t = x/3.75);
//   x > 2:  exp(-x)/sqrt(x) * sum d_k (2/x)^k.
// Relative difference from besselK0 below 1e-14 over (1e-300, 700].
inline double besselK0Lanes(double x) {
  const double small = lanes::select(x <= 2.0, x, 2.0);
  const double t = small / 3.75;
  const double t2 = t * t;
  const double i0 =
      1.0 + t2 * (3.5156229 + t2 * (3.0899424 + t2 * (1.2067492 + t2 * (0.2659732 +
            t2 * (0.0360768 + t2 * 0.0045813)))));
  const double ys = small * small / 4.0;
  const double below = -lanes::log(small / 2.0) * i0 +
                       (-0.57721566 + ys * (0.42278420 + ys * (0.23069756 + ys * (0.03488590 +
                        ys * (0.00262698 + ys * (0.00010750 + ys * 0.00000740))))));
  const double large = lanes::select(x <= 2.0, 2.0, x);
  const double y = 2.0 / large;
  const double above = lanes::exp(-large) / std::sqrt(large) *
                       (1.25331414 + y * (-0.07832358 + y * (0.02189568 + y * (-0.01062446 +
                        y * (0.00587872 + y * (-0.00251540 + y * 0.00053208))))));
  return lanes::select(x <= 2.0, below, above);
}

// smoothK1Kernel (kernels.h) on these: G(r, ky) = float(xK1(ky*r)/(r*r)),
// 1/r^2 for ky*r <= 0 (ky = 0), 0 beyond ky*r = 700. r > 0.
inline float smoothK1Lanes(float r, float ky) {
  const double rr = static_cast<double>(r) * static_cast<double>(r);
  const double x = static_cast<double>(r) * static_cast<double>(ky);
  const bool inside = x <= 700.0;
  const double held = lanes::select(inside, lanes::select(x > 1e-300, x, 1e-300), 700.0);
  const double v = lanes::select(x > 0.0, lanes::select(inside, xK1Lanes(held), 0.0), 1.0);
  return static_cast<float>(v / rr);
}

// The same where ky*r <= 2 is known: the first formula alone, equal to
// smoothK1Lanes there.
inline float smoothK1SmallLanes(float r, float ky) {
  const double rr = static_cast<double>(r) * static_cast<double>(r);
  const double x = static_cast<double>(r) * static_cast<double>(ky);
  const double v = lanes::select(x > 0.0, xK1SmallLanes(lanes::select(x > 1e-300, x, 1e-300)), 1.0);
  return static_cast<float>(v / rr);
}

// The same where ky*r > 2 is known: the second formula alone (0 beyond
// 700), equal to smoothK1Lanes there.
inline float smoothK1LargeLanes(float r, float ky) {
  const double rr = static_cast<double>(r) * static_cast<double>(r);
  const double x = static_cast<double>(r) * static_cast<double>(ky);
  const bool inside = x <= 700.0;
  const double v = lanes::select(inside, xK1LargeLanes(lanes::select(inside, x, 700.0)), 0.0);
  return static_cast<float>(v / rr);
}

}  // namespace korvis
