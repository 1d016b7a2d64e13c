// Interpolating profiles of the charge density along straight runs of
// boundary elements. Neighbours are found by matching element ends, sorted
// along x, so that a run may be listed in any order (telm lists the thirds
// of an edge out of order).
#include "korvis/charge_profile.h"

#include <algorithm>
#include <cmath>

namespace korvis {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Two ends of a run meet within this fraction of the shorter element. The
// table holds single-precision centres and lengths, summed in single
// precision along each run, so the ends of the short elements graded toward
// a corner miss each other by up to some 100 units in the last place of
// their coordinates: 6 % of the element at dens 64 for a corner 25 m from
// the origin. Elements of a run never overlap, so an end within a quarter
// of the shorter length is its neighbour's.
constexpr double endTolerance = 0.25;

struct End {
  double x, z;
  int element;
  int side;  // -1: the end at t = -dL/2, +1: at t = +dL/2
};

}  // namespace

std::vector<ChargeProfile> chargeProfiles(const common::NodeTable& nodes,
                                          const common::ModelGeometry& model) {
  const int n = nodes.N;
  std::vector<End> ends;
  ends.reserve(at(2 * n));
  for (int j = 0; j < n; ++j) {
    const std::size_t u = at(j);
    const double half = 0.5 * static_cast<double>(nodes.dL[u]);
    const double tx = -static_cast<double>(nodes.zn[u]), tz = static_cast<double>(nodes.xn[u]);
    const double x = nodes.x[u], z = nodes.z[u];
    ends.push_back({x - half * tx, z - half * tz, j, -1});
    ends.push_back({x + half * tx, z + half * tz, j, +1});
  }
  std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) { return a.x < b.x; });

  // neighbour[2j] at t < 0, neighbour[2j + 1] at t > 0; -1 for none.
  std::vector<int> neighbour(at(2 * n), -1);
  auto nearVertex = [&](double x, double z, double tolerance) {
    for (int v = 0; v < model.nP; ++v) {
      if (std::hypot(x - static_cast<double>(model.xp[at(v)]),
                     z - static_cast<double>(model.zp[at(v)])) <= tolerance)
        return true;
    }
    return false;
  };
  for (std::size_t a = 0; a < ends.size(); ++a) {
    const End& e = ends[a];
    const std::size_t ue = at(e.element);
    const double tolerance = endTolerance * static_cast<double>(nodes.dL[ue]);
    for (std::size_t b = a + 1; b < ends.size() && ends[b].x - e.x <= tolerance; ++b) {
      const End& f = ends[b];
      const std::size_t uf = at(f.element);
      const double limit = endTolerance * static_cast<double>(std::min(nodes.dL[ue], nodes.dL[uf]));
      if (f.element == e.element || e.side == f.side || nodes.xn[ue] != nodes.xn[uf] ||
          nodes.zn[ue] != nodes.zn[uf] || std::hypot(f.x - e.x, f.z - e.z) > limit ||
          nearVertex(e.x, e.z, limit))
        continue;
      neighbour[2 * ue + (e.side > 0 ? 1 : 0)] = f.element;
      neighbour[2 * uf + (f.side > 0 ? 1 : 0)] = e.element;
    }
  }

  std::vector<ChargeProfile> profiles(at(n));
  for (int j = 0; j < n; ++j) {
    const std::size_t u = at(j);
    // The interpolation points: the element itself at t = 0 and its neighbours.
    int node[3] = {j, 0, 0};
    double t[3] = {0.0, 0.0, 0.0};
    int count = 1;
    for (int side = 0; side < 2; ++side) {
      const int k = neighbour[2 * u + at(side)];
      if (k < 0) continue;
      const double gap =
          0.5 * (static_cast<double>(nodes.dL[u]) + static_cast<double>(nodes.dL[at(k)]));
      node[count] = k;
      t[count] = side == 0 ? -gap : gap;
      ++count;
    }
    ChargeProfile& p = profiles[u];
    p.count = count;
    for (int i = 0; i < count; ++i) {
      p.node[i] = node[i];
      // Lagrange basis: product over the other points of (t - t_m)/(t_i - t_m).
      double poly[3] = {1.0, 0.0, 0.0};
      for (int m = 0; m < count; ++m) {
        if (m == i) continue;
        const double scale = 1.0 / (t[i] - t[m]);
        const double next[3] = {-t[m] * poly[0] * scale, (poly[0] - t[m] * poly[1]) * scale,
                                (poly[1] - t[m] * poly[2]) * scale};
        for (int d = 0; d < 3; ++d) poly[d] = next[d];
      }
      for (int d = 0; d < 3; ++d) p.c[i][d] = poly[d];
    }
  }
  return profiles;
}

}  // namespace korvis
