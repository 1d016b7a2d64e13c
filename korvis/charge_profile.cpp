// Interpolating profiles of the charge density along straight runs of
// boundary elements.
#include "korvis/charge_profile.h"

#include <cmath>

namespace korvis {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The signed distance from the centre of j to the centre of k along j's
// direction (-zn, xn), or NaN when k is not j's neighbour on a straight run.
double neighbourOffset(const common::NodeTable<maxNodes>& nd, int j, int k) {
  const std::size_t uj = at(j), uk = at(k);
  if (nd.xn[uj] != nd.xn[uk] || nd.zn[uj] != nd.zn[uk]) return NAN;
  const double dx = static_cast<double>(nd.x[uk]) - static_cast<double>(nd.x[uj]);
  const double dz = static_cast<double>(nd.z[uk]) - static_cast<double>(nd.z[uj]);
  const double tx = -static_cast<double>(nd.zn[uj]), tz = static_cast<double>(nd.xn[uj]);
  const double along = dx * tx + dz * tz;
  const double across = dx * static_cast<double>(nd.xn[uj]) + dz * static_cast<double>(nd.zn[uj]);
  const double gap = 0.5 * (static_cast<double>(nd.dL[uj]) + static_cast<double>(nd.dL[uk]));
  const double tolerance = 1e-3 * gap;
  if (!(gap > 0.0) || std::fabs(across) > tolerance || std::fabs(std::fabs(along) - gap) > tolerance)
    return NAN;
  return along;
}

}  // namespace

std::vector<ChargeProfile> chargeProfiles(const common::NodeTable<maxNodes>& nodes) {
  const int n = nodes.N;
  std::vector<ChargeProfile> profiles(at(n));
  for (int j = 0; j < n; ++j) {
    // The interpolation points: the element itself at t = 0 and its neighbours.
    int node[3] = {j, 0, 0};
    double t[3] = {0.0, 0.0, 0.0};
    int count = 1;
    for (int k : {j - 1, j + 1}) {
      if (k < 0 || k >= n) continue;
      const double offset = neighbourOffset(nodes, j, k);
      if (std::isnan(offset)) continue;
      node[count] = k;
      t[count] = offset;
      ++count;
    }
    ChargeProfile& p = profiles[at(j)];
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
