// A quadrature of the inverse strike transform that converges with the
// number of wavenumbers. The potential of a point source over a 2D earth is
// V = (1/pi) * integral over ky from 0 to infinity of the transformed
// potential, a sum of terms c*K0(ky*r) with r the distances between the
// electrodes and the charged boundary elements (the fields: c*ky*K1(ky*r)).
// Such an integrand has a logarithmic singularity at ky = 0, a bump around
// ky ~ 1/r on a logarithmic axis, and an exponential tail beyond 1/r. The
// rule covers [0, infinity) in three parts, set by the shortest distance
// rShort and the longest distance rLong that matter:
//   [0, kLow], kLow = 0.5/rLong: ky = kLow*u^4, Gauss-Legendre in u (the
//     substitution turns the logarithm into the smooth u^3*ln(u));
//   [kLow, kHigh], kHigh = 8/rShort: panels of equal width, at most 3, in
//     ln(ky), Gauss-Legendre in each (weights times ky);
//   [kHigh, infinity): ky = kHigh + t*0.5/rShort, Gauss-Laguerre in t.
// With order 1 (4, 6 per panel, 4 points) and panels of width 3 the rule
// integrates K0(ky*r) and ky*K1(ky*r) to within 1.5e-4 for every r in
// [rShort, rLong] when rLong/rShort is 1000 (32 wavenumbers); order 2
// doubles every count and the error falls below 1e-6. The potentials of a
// survey, sums of such terms weighted by charges that themselves depend on
// ky, need the narrower panels of width 2 (38 wavenumbers at a ratio of
// 1000). Six points per panel rather than five took a survey of 2753 data
// from 0.08 % to 0.007 % of the converged transform (order 3) for four or
// five wavenumbers more; wider panels or more of them gained less per point.
// The rule depends on rShort and rLong only.
#pragma once

#include <vector>

namespace korvis {

struct TransformRule {
  std::vector<double> ky;      // increasing, all positive
  std::vector<double> weight;  // integral of f over [0, inf) ~ sum weight*f(ky)
};

// Nodes and weights of the n-point Gauss-Legendre rule on [-1, 1].
void gaussLegendre(int n, std::vector<double>& x, std::vector<double>& w);

// Nodes and weights of the n-point Gauss-Laguerre rule for the weight
// exp(-t) on [0, inf).
void gaussLaguerre(int n, std::vector<double>& x, std::vector<double>& w);

// The distance ratio the rule spans at most: a shorter rShort is raised to
// rLong/maxDistanceRatio, which keeps order 1 with panels of width 3 at 33
// wavenumbers or fewer (48 with width 2).
inline constexpr double maxDistanceRatio = 2.0e5;

// The rule described above for the distances rShort <= rLong (rLong is
// raised to 2*rShort when shorter, rShort to rLong/maxDistanceRatio), order
// 1, 2, ... (every point count times the order) and panels of at most
// panelWidth in ln(ky).
inline constexpr int panelPoints = 6;  // Gauss-Legendre points per panel and order
inline constexpr double surveyPanelWidth = 2.0;
inline constexpr double fixedKindPanelWidth = 3.0;
TransformRule convergentRule(double rShort, double rLong, int order = 1,
                             double panelWidth = surveyPanelWidth);

}  // namespace korvis
