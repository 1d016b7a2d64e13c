// Kernels of the 2.5D point-source problem in the wavenumber domain: the
// tabulated G(r, ky) = ky*K1(ky*r)/r and its projection on a direction. The
// kernels are evaluated N^2 times per wavenumber, so they are defined here,
// inline, over a constant table; the table of logarithms that the
// exponential interpolation needs is filled once at start-up (kernels.cpp).
//
// Precision of every step (float = IEEE single, double = IEEE double):
//   x = double(r)*double(ky) (exact); thresholds double(0.04f), double(71.1f);
//   interval k = the first k >= 2 with x <= X(k) (the search upwards from the
//   guess trunc(ln(float(25x))*3.4743562f) + 2 finds the same k, whether ln
//   is taken in float or double: the guess never passes it);
//   interpolation in double, L rounded to float, h = float(exp(double(L)));
//   2*r*r in float; G = float(h/(2*r*r)).
//   directionalKernel: dx, dz, f in double, r = float(sqrt(dz*dz + dx*dx)),
//   result = float(((double(w1)*w2)*G)*f).
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace korvis {

// The 28 points (X(k), V(k)) of V = 2*x*K1(x), k = 1..28 stored at [k-1],
// each the float of the tabulated decimal held in double, with the per-
// interval constants of the interpolation: entry [k-1] serves the interval
// (X(k-1), X(k)].
struct K1Table {
  static constexpr int size = 28;
  std::array<double, size> X{};
  std::array<double, size> V{};
  std::array<double, size> dX{};       // X(k) - X(k-1)
  std::array<double, size> dV{};       // V(k) - V(k-1)
  std::array<double, size> lnV{};      // ln V(k-1)
  std::array<double, size> lnRatio{};  // ln(V(k)/V(k-1))
  // Lower bound of the interval number k for x in each eighth of a binade
  // [2^e * (1 + b/8), 2^e * (1 + (b+1)/8)), e = -5..6: the search starts
  // there and moves up at most twice.
  static constexpr int firstExponent = -5;
  static constexpr int buckets = 12 * 8;
  std::array<std::int8_t, buckets> startK{};
};

extern const K1Table k1Table;

namespace detail {

inline constexpr double k1SmallLimit = static_cast<double>(0.04f);
inline constexpr double k1LargeLimit = static_cast<double>(71.1f);

// 1-based interval number k of x in (0.04, 71.1]: the first k >= 2 with
// x <= X(k). Equal to the search from the logarithmic first guess of the
// table's description because that guess never passes this k (checked over
// every float s in the tests), so the logarithm is not needed.
inline int k1Interval(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  constexpr auto base = std::bit_cast<std::uint64_t>(0.03125) >> 49;
  int k = k1Table.startK[static_cast<std::size_t>((bits >> 49) - base)];
  while (x > k1Table.X[static_cast<std::size_t>(k - 1)]) ++k;
  return k;
}

// The kernel for r > 0 and x = r*ky in (0.04, 71.1] (ky > 0).
inline float k1Interpolated(float r, double x) {
  const int k = k1Interval(x);
  const auto c = static_cast<std::size_t>(k - 1);
  const double t = x - k1Table.X[c - 1];
  float h;
  if (k >= 11 && k <= 26) {
    const auto L = static_cast<float>(k1Table.lnV[c] + t * k1Table.lnRatio[c] / k1Table.dX[c]);
    h = static_cast<float>(std::exp(static_cast<double>(L)));
  } else {
    h = static_cast<float>(k1Table.V[c - 1] + t * k1Table.dV[c] / k1Table.dX[c]);
  }
  // float(double(h)/double(2rr)) equals the single-precision quotient: double
  // has more than 2*24+2 bits, so rounding twice is innocuous for a quotient.
  return h / (2.0f * r * r);
}

}  // namespace detail

// G(r, ky) = ky*K1(ky*r)/r, from the table of 2*x*K1(x) (x = ky*r); 1/r^2
// for ky = 0 or ky*r <= 0.04, 0 above 71.1. r > 0.
inline void k1Kernel(float r, float ky, float& G) {
  if (ky == 0.0f) {
    G = 2.0f / (2.0f * r * r);
    return;
  }
  const double x = static_cast<double>(r) * static_cast<double>(ky);
  if (x <= detail::k1SmallLimit) {
    G = 2.0f / (2.0f * r * r);
  } else if (!(x <= detail::k1LargeLimit)) {  // a NaN finds no interval either: 0
    G = 0.0f;
  } else {
    G = detail::k1Interpolated(r, x);
  }
}

// x*K1(x) for x > 0 in double, from the polynomial approximations of
// Abramowitz and Stegun 9.8.3, 9.8.7 and 9.8.8 (absolute error below 1e-8
// for x <= 2, relative error below 2e-7 above):
//   x <= 2: x*ln(x/2)*I1(x) + sum c_k (x/2)^(2k), I1 from 9.8.3 (t = x/3.75);
//   x > 2:  sqrt(x)*exp(-x) * sum d_k (2/x)^k.
inline double xK1(double x) {
  if (x <= 2.0) {
    const double t = x / 3.75;
    const double t2 = t * t;
    const double i1 = x * (0.5 + t2 * (0.87890594 + t2 * (0.51498869 + t2 * (0.15084934 +
                      t2 * (0.02658733 + t2 * (0.00301532 + t2 * 0.00032411))))));
    const double y = x * x / 4.0;
    return x * std::log(x / 2.0) * i1 +
           (1.0 + y * (0.15443144 + y * (-0.67278579 + y * (-0.18156897 +
            y * (-0.01919402 + y * (-0.00110404 + y * -0.00004686))))));
  }
  const double y = 2.0 / x;
  return std::sqrt(x) * std::exp(-x) *
         (1.25331414 + y * (0.23498619 + y * (-0.03655620 + y * (0.01504268 +
          y * (-0.00780353 + y * (0.00325614 + y * -0.00068245))))));
}

// G(r, ky) = ky*K1(ky*r)/r = float(xK1(ky*r)/(r*r)) in double; 1/r^2 for
// ky = 0, 0 beyond x = 700 (where K1 is below 1e-300). r > 0. The vector
// loops of the survey mode take its twin smoothK1Lanes (bessel_lanes.h).
inline void smoothK1Kernel(float r, float ky, float& G) {
  const double rr = static_cast<double>(r) * static_cast<double>(r);
  const double x = static_cast<double>(r) * static_cast<double>(ky);
  if (!(x > 0.0)) {
    G = static_cast<float>(1.0 / rr);
  } else if (!(x <= 700.0)) {
    G = 0.0f;
  } else {
    G = static_cast<float>(xK1(x) / rr);
  }
}

// The weight-free part of directionalKernel: G at the separation and the
// projection f of the separation on the direction. Shared by the DC and IP
// matrices, whose weights differ.
struct KernelGeometry {
  float G;
  double f;
};

// The two kernels of G(r, ky): the tabulated one of every fixed run, and
// one without the table's steps for the survey mode, whose wavenumber
// quadrature converges only on a smooth integrand.
struct TableK1 {
  static void kernel(float r, float ky, float& G) { k1Kernel(r, ky, G); }
};
struct SmoothK1 {
  static void kernel(float r, float ky, float& G) { smoothK1Kernel(r, ky, G); }
};

// G and f for the separation (dx, dz) (double) with length dist =
// sqrt(dz*dz + dx*dx), for callers that already hold that root.
template <class Kernel = TableK1>
inline KernelGeometry kernelGeometryAt(double dx, double dz, double dist, float nx, float nz,
                                       float ky) {
  KernelGeometry g;
  Kernel::kernel(static_cast<float>(dist), ky, g.G);
  g.f = dz * static_cast<double>(nz) + dx * static_cast<double>(nx);
  return g;
}

// dx = x1 - x2 and dz = z1' - z2, z1' = -z1 when z1 < 0 and z2 < 0 (the
// observation point mirrored above the surface), else z1.
template <class Kernel = TableK1>
inline KernelGeometry kernelGeometry(float x1, float z1, float x2, float z2, float nx, float nz,
                                     float ky) {
  const double dx = static_cast<double>(x1) - static_cast<double>(x2);
  const float z1m = (z2 < 0.0f && z1 < 0.0f) ? -z1 : z1;
  const double dz = static_cast<double>(z1m) - static_cast<double>(z2);
  return kernelGeometryAt<Kernel>(dx, dz, std::sqrt(dz * dz + dx * dx), nx, nz, ky);
}

// float(w1*w2*G*f), the products in double from left to right.
inline float weighKernel(float w1, float w2, const KernelGeometry& g) {
  return static_cast<float>(static_cast<double>(w1) * static_cast<double>(w2) *
                            static_cast<double>(g.G) * g.f);
}

// w1*w2*G(|P1'-P2|, ky)*((P1'-P2).(nx,nz)): the field component along
// (nx, nz) at P1 = (x1, z1) of the source at P2 = (x2, z2), where P1' is P1
// mirrored to -z1 when both z1 < 0 and z2 < 0.
template <class Kernel = TableK1>
inline float directionalKernel(float x1, float z1, float x2, float z2, float nx, float nz,
                               float w1, float w2, float ky) {
  return weighKernel(w1, w2, kernelGeometry<Kernel>(x1, z1, x2, z2, nx, nz, ky));
}

}  // namespace korvis
