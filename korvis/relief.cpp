// The surface's elements, the sources on it and the shift to the mirror
// plane of a model with relief.
#include "korvis/relief.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "common/model_checks.h"

namespace korvis {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Whether the node lies on the surface line or its level continuations,
// facing up out of the ground. varga.xy gives the centres with 5 decimals.
bool onSurfaceLine(const common::GroundSurface& g, double x, double z, double xn, double zn, double tolerance) {
  const std::size_t last = g.x.size() - 1;
  if (x < g.x.front() - tolerance) return std::fabs(z - g.z.front()) < tolerance && zn < -0.99;
  if (x > g.x[last] + tolerance) return std::fabs(z - g.z[last]) < tolerance && zn < -0.99;
  for (std::size_t k = 0; k < last; ++k) {
    const double dx = g.x[k + 1] - g.x[k], dz = g.z[k + 1] - g.z[k];
    const double L = std::hypot(dx, dz);
    if (!(L > 0.0)) continue;
    const double t = ((x - g.x[k]) * dx + (z - g.z[k]) * dz) / L;
    const double off = std::fabs((x - g.x[k]) * dz - (z - g.z[k]) * dx) / L;
    if (t < -tolerance || t > L + tolerance || off > tolerance) continue;
    if ((dz / L) * xn + (-dx / L) * zn > 0.99) return true;
  }
  return false;
}

}  // namespace

Relief findRelief(const KorvisState& st, double mirrorAbove) {
  Relief r;
  if (!(mirrorAbove > 0.0) && !common::hasRelief(st.model)) return r;
  std::string problem;
  if (!common::findGroundSurface(st.model, r.ground, problem)) return r;
  r.active = true;
  r.mirror = r.ground.top() - mirrorAbove;
  const double tolerance = std::max(2e-4, 1e-6 * std::fabs(r.ground.x.back() - r.ground.x.front()));
  r.airNode.assign(at(st.nodes.N), 0);
  for (int i = 0; i < st.nodes.N; ++i) {
    const std::size_t n = at(i);
    const auto wide = [](float v) { return static_cast<double>(v); };
    r.airNode[n] = onSurfaceLine(r.ground, wide(st.nodes.x[n]), wide(st.nodes.z[n]), wide(st.nodes.xn[n]),
                                 wide(st.nodes.zn[n]), tolerance)
                       ? 1
                       : 0;
  }
  return r;
}

std::string meshFormulationMismatch(const KorvisState& st, const Relief& relief, const std::string& mesh) {
  const auto onSurface = [&](int i) {
    return relief.active ? relief.airNode[at(i)] != 0
                         : std::fabs(st.nodes.z[at(i)]) < 1e-4f && st.nodes.zn[at(i)] < -0.99f;
  };
  int count = 0;
  for (int i = 0; i < st.nodes.N; ++i) count += onSurface(i) ? 1 : 0;
  if (relief.active && count == 0) {
    return mesh + ": the mesh has no elements on the ground surface, which leaves the plane the sources are "
                  "mirrored in: prepare it with telm --survey (given the same --mirror-above as korvis)";
  }
  if (!relief.active && count > 0) {
    return mesh + ": " + std::to_string(count) + " elements lie on the flat ground surface (telm --survey "
                  "--mirror-above prepared the mesh): give korvis the same --mirror-above, or prepare the mesh "
                  "without it";
  }
  return {};
}

void surfaceSources(const KorvisState& st, const Relief& relief, const std::vector<PotentialPoint>& electrodes,
                    const std::vector<char>& onSurface, std::vector<float> (&rho)[2], std::vector<double>& strength,
                    std::vector<char>& bare) {
  rho[0].assign(electrodes.size(), -1.0f);
  rho[1].assign(electrodes.size(), -1.0f);
  strength.assign(electrodes.size(), 1.0);
  bare.assign(electrodes.size(), 0);
  for (std::size_t e = 0; e < electrodes.size(); ++e) {
    if (e >= onSurface.size() || onSurface[e] == 0) continue;
    const common::GroundSurface& g = relief.ground;
    int k = g.segmentAt(electrodes[e].x);
    if (k < 0) k = electrodes[e].x < g.x.front() ? 0 : static_cast<int>(g.bodies.size()) - 1;
    const int body = g.bodies[at(k)] - 1;
    rho[0][e] = st.model.Ro[at(body)];
    rho[1][e] = st.model.RO_IP[at(body)];
    strength[e] = 2.0 * std::numbers::pi / g.openingAngle(electrodes[e].x);
    bare[e] = 1;
  }
}

void shiftToMirror(KorvisState& st, const Relief& relief, std::vector<PotentialPoint>& electrodes) {
  const auto shift = static_cast<float>(relief.mirror);
  for (int v = 0; v < st.model.nP; ++v) st.model.zp[at(v)] -= shift;
  for (int i = 0; i < st.nodes.N; ++i) st.nodes.z[at(i)] -= shift;
  for (PotentialPoint& p : electrodes) p.z -= relief.mirror;
}

double poleScale(const std::vector<PotentialPoint>& electrodes, int a, int b, int m, int n) {
  double scale = 0.0;
  for (int s : {a, b}) {
    for (int r : {m, n}) {
      if (s < 0 || r < 0) continue;
      const double d = std::hypot(electrodes[at(s)].x - electrodes[at(r)].x, electrodes[at(s)].z - electrodes[at(r)].z);
      scale = std::max(scale, 1.0 / (2.0 * std::numbers::pi * d));
    }
  }
  return scale;
}

void homogeneousUnderRelief(const KorvisState& st, const Relief& relief, KorvisState& out) {
  out.model = st.model;
  out.limits = st.limits;
  out.keyIP = 0;
  out.nodes.setCapacity(std::max(st.nodes.N, 1));
  for (int b = 0; b <= st.model.nT; ++b) {
    out.model.Ro[at(b)] = 1.0f;
    out.model.RO_IP[at(b)] = 1.0f;
  }
  auto& n = out.nodes;
  n.N = 0;
  for (int i = 0; i < st.nodes.N; ++i) {
    const std::size_t s = at(i);
    if (relief.airNode[s] == 0) continue;
    const std::size_t d = at(n.N++);
    n.x[d] = st.nodes.x[s];
    n.z[d] = st.nodes.z[s];
    n.dL[d] = st.nodes.dL[s];
    n.xn[d] = st.nodes.xn[s];
    n.zn[d] = st.nodes.zn[s];
    n.q[d] = 2.0f;
    n.qIP[d] = 2.0f;
  }
}

}  // namespace korvis
