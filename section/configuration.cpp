// Midpoint and pseudo-depth of a configuration. The median depth follows
// from the signal share of a pole-pole pair, 1/L - 1/sqrt(L^2 + 4 z^2) from
// above depth z, summed over the pairs of the array with their signs.
#include "section/configuration.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace section {

namespace {

struct Pair {
  double weight, separation;
};

double along(const Electrode& e, bool vertical) { return vertical ? e.z : e.x; }

bool verticalLine(const Configuration& c) {
  double xLo = 0, xHi = 0, zLo = 0, zHi = 0;
  bool any = false;
  for (const Electrode* e : {&c.a, &c.b, &c.m, &c.n}) {
    if (e->remote || (e == &c.n && c.pointReceiver)) continue;
    xLo = any ? std::min(xLo, e->x) : e->x;
    xHi = any ? std::max(xHi, e->x) : e->x;
    zLo = any ? std::min(zLo, e->z) : e->z;
    zHi = any ? std::max(zHi, e->z) : e->z;
    any = true;
  }
  return zHi - zLo > xHi - xLo;
}

std::vector<Pair> pairsOf(const Configuration& c, bool vertical) {
  std::vector<Pair> pairs;
  double span = 0.0;
  for (const Electrode* e : {&c.a, &c.b}) {
    if (!e->remote && !c.m.remote) span = std::max(span, std::fabs(along(*e, vertical) - along(c.m, vertical)));
  }
  // The field at a point is the limit of a short dipole through it.
  const double epsilon = span * 1e-6;
  const double mAt = along(c.m, vertical);
  const double nAt = c.pointReceiver ? mAt + epsilon : along(c.n, vertical);
  const bool nRemote = c.pointReceiver ? c.m.remote : c.n.remote;
  const struct {
    const Electrode& e;
    double sign;
  } currents[] = {{c.a, 1.0}, {c.b, -1.0}};
  for (const auto& source : currents) {
    if (source.e.remote) continue;
    const double t = along(source.e, vertical);
    if (!c.m.remote) pairs.push_back({source.sign, std::fabs(t - mAt)});
    if (!nRemote) pairs.push_back({-source.sign, std::fabs(t - nAt)});
  }
  return pairs;
}

// Share of the signal from below depth z: sum w / sqrt(L^2 + 4 z^2) / total.
double shareBelow(const std::vector<Pair>& pairs, double total, double z) {
  double sum = 0.0;
  for (const auto& p : pairs) sum += p.weight / std::sqrt(p.separation * p.separation + 4.0 * z * z);
  return sum / total;
}

}  // namespace

double medianDepth(const Configuration& c) {
  const auto pairs = pairsOf(c, verticalLine(c));
  double total = 0.0, longest = 0.0;
  for (const auto& p : pairs) {
    if (!(p.separation > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    total += p.weight / p.separation;
    longest = std::max(longest, p.separation);
  }
  if (pairs.empty() || !(std::fabs(total) > 1e-9 / longest)) return std::numeric_limits<double>::quiet_NaN();
  // The share need not fall monotonically (dipole-dipole arrays have
  // negative sensitivity near the surface): step down to the first depth
  // where it drops below one half, then bisect.
  double lo = 0.0, hi = longest * 1e-3;
  while (shareBelow(pairs, total, hi) > 0.5) {
    lo = hi;
    hi *= 1.1;
    if (hi > longest * 1e6) return std::numeric_limits<double>::quiet_NaN();
  }
  for (int k = 0; k < 100; ++k) {
    const double mid = (lo + hi) / 2;
    (shareBelow(pairs, total, mid) > 0.5 ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

Placement placeConfiguration(const Configuration& c) {
  Placement p;
  p.vertical = verticalLine(c);
  const auto centre = [&](const Electrode& e1, const Electrode& e2, bool secondAbsent) {
    if (e1.remote && (secondAbsent || e2.remote)) return std::numeric_limits<double>::quiet_NaN();
    if (e1.remote) return along(e2, p.vertical);
    if (secondAbsent || e2.remote) return along(e1, p.vertical);
    return (along(e1, p.vertical) + along(e2, p.vertical)) / 2;
  };
  const double current = centre(c.a, c.b, false);
  const double potential = centre(c.m, c.n, c.pointReceiver);
  const double median = medianDepth(c);
  p.along = (current + potential) / 2;
  if (!std::isfinite(p.along) || !std::isfinite(median)) return p;
  p.depth = median;
  if (!p.vertical) {
    double sum = 0.0;
    int count = 0;
    for (const Electrode* e : {&c.a, &c.b, &c.m, &c.n}) {
      if (e->remote || (e == &c.n && c.pointReceiver)) continue;
      sum += e->z;
      ++count;
    }
    p.depth += sum / count;
  }
  p.valid = true;
  return p;
}

double dipoleDipoleLevel(const Configuration& c) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (c.a.remote || c.b.remote || c.m.remote || c.n.remote || c.pointReceiver) return nan;
  const double ab = std::hypot(c.a.x - c.b.x, c.a.z - c.b.z), mn = std::hypot(c.m.x - c.n.x, c.m.z - c.n.z);
  if (!(ab > 0.0) || std::fabs(ab - mn) > 1e-6 * ab) return nan;
  const double abLo = std::min(c.a.x, c.b.x), abHi = std::max(c.a.x, c.b.x);
  const double mnLo = std::min(c.m.x, c.n.x), mnHi = std::max(c.m.x, c.n.x);
  const double gap = mnLo >= abHi ? mnLo - abHi : abLo >= mnHi ? abLo - mnHi : -1.0;
  return gap > 0.0 ? gap / ab : nan;
}

}  // namespace section
