// Recomputation of q and qIP from the bodies across each node. The side
// under a node is found geometrically, in double precision, among the sides
// parallel to the node; the nodes' centres are single-precision values
// written with 5 decimals, so "on the side" allows for both roundings.
#include "korvis/exact_contrasts.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/shown_value.h"

namespace korvis {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// A node's normal and a side's agree to this cosine (the normals are written
// with 9 decimals; sides that meet at a corner differ by far more).
constexpr double parallel = 0.9999;

struct Side {
  int start = 0, end = 0;  // vertex numbers, 1-based
};

Side sideOf(const common::ModelGeometry& m, int body, int k) {
  const auto& ring = m.vertexRing[at(body)];
  return {ring[at(k)], k + 1 < m.nVer[at(body)] ? ring[at(k + 1)] : ring[0]};
}

struct Vector {
  double x = 0, z = 0;
};

Vector vertex(const common::ModelGeometry& m, int number) {
  return {static_cast<double>(m.xp[at(number - 1)]), static_cast<double>(m.zp[at(number - 1)])};
}

// The normal of a side as telm gives it to the nodes cut from it.
Vector sideNormal(const common::ModelGeometry& m, Side s) {
  const Vector a = vertex(m, s.start), b = vertex(m, s.end);
  const double length = std::hypot(b.x - a.x, b.z - a.z);
  return {(b.z - a.z) / length, (a.x - b.x) / length};
}

// Largest of the field's rounding (half of 1e-9), the float reading of a
// large value, and the 7-digit rounding of the resistivities it comes from
// (which moves q by about 1e-7 of 2/R0).
bool agrees(float file, float computed, float r0) {
  const double scale = std::fabs(static_cast<double>(computed)) + 1.0 / std::fabs(static_cast<double>(r0));
  return std::isfinite(scale) &&
         std::fabs(static_cast<double>(file) - static_cast<double>(computed)) <= 1e-9 + 2e-6 * scale;
}

std::string point(float x, float z) {
  return "(x " + common::shownValue(x) + ", z " + common::shownValue(z) + ")";
}

}  // namespace

bool bodiesAcross(const common::ModelGeometry& model, float x, float z, float xn, float zn,
                  NodeBodies& bodies) {
  const Vector p{static_cast<double>(x), static_cast<double>(z)};
  const Vector normal{static_cast<double>(xn), static_cast<double>(zn)};
  double best = HUGE_VAL, bestTolerance = 0.0;
  Side found;
  for (int i = 0; i < model.nT; ++i) {
    for (int k = 0; k < model.nVer[at(i)]; ++k) {
      const Side s = sideOf(model, i, k);
      const Vector a = vertex(model, s.start), b = vertex(model, s.end);
      const Vector d{b.x - a.x, b.z - a.z};
      const double squared = d.x * d.x + d.z * d.z;
      if (squared == 0.0) continue;
      // The side's normal is (dz, -dx)/L.
      if (std::fabs(d.z * normal.x - d.x * normal.z) < parallel * std::sqrt(squared)) continue;
      const double t = std::clamp(((p.x - a.x) * d.x + (p.z - a.z) * d.z) / squared, 0.0, 1.0);
      const double off = std::hypot(p.x - (a.x + t * d.x), p.z - (a.z + t * d.z));
      if (off < best) {
        best = off;
        found = s;
        // 5 decimals of the centre, and a few units in the last place of
        // single-precision coordinates of this size.
        const double size = std::max({std::fabs(p.x), std::fabs(p.z), std::fabs(a.x), std::fabs(a.z),
                                      std::fabs(b.x), std::fabs(b.z)});
        bestTolerance = 2e-5 + 1e-6 * size;
      }
    }
  }
  if (!(best <= bestTolerance)) return false;

  NodeBodies across;
  int sharing = 0;
  for (int i = 0; i < model.nT; ++i) {
    for (int k = 0; k < model.nVer[at(i)]; ++k) {
      const Side s = sideOf(model, i, k);
      if (!((s.start == found.start && s.end == found.end) || (s.start == found.end && s.end == found.start))) {
        continue;
      }
      ++sharing;
      const Vector n = sideNormal(model, s);
      if (n.x * normal.x + n.z * normal.z > 0.0) {
        across.in = i;
      } else {
        across.out = i;
      }
    }
  }
  if (sharing != 2 || across.in < 0 || across.out < 0) return false;
  bodies = across;
  return true;
}

float contrastBetween(const std::vector<float>& resistivity, NodeBodies bodies) {
  const float Ra = resistivity[at(bodies.out)];
  const float Rb = resistivity[at(bodies.in)];
  const float R0 = resistivity[0];
  return 2.0f * (Ra - Rb) / ((Ra + Rb) * R0);
}

ContrastRecovery useExactContrasts(KorvisState& st, const std::string& file, std::ostream& warnings,
                                   const std::vector<char>* air) {
  ContrastRecovery result;
  auto& nodes = st.nodes;
  const common::ModelGeometry& m = st.model;
  for (int i = 0; i < nodes.N; ++i) {
    const std::size_t n = at(i);
    if (air != nullptr && n < air->size() && (*air)[n] != 0) {
      nodes.q[n] = 2.0f / m.Ro[0];
      if (st.keyIP != 0) nodes.qIP[n] = 2.0f / m.RO_IP[0];
      ++result.recomputed;
      continue;
    }
    NodeBodies bodies;
    const bool found = bodiesAcross(m, nodes.x[n], nodes.z[n], nodes.xn[n], nodes.zn[n], bodies);
    const float q = found ? contrastBetween(m.Ro, bodies) : 0.0f;
    const float qIP = found ? contrastBetween(m.RO_IP, bodies) : 0.0f;
    const bool qAgrees = found && agrees(nodes.q[n], q, m.Ro[0]);
    const bool qIPAgrees = found && (st.keyIP == 0 || agrees(nodes.qIP[n], qIP, m.RO_IP[0]));
    if (qAgrees && qIPAgrees) {
      nodes.q[n] = q;
      if (st.keyIP != 0) nodes.qIP[n] = qIP;
      ++result.recomputed;
      continue;
    }
    if (result.kept++ > 0) continue;
    result.firstKept = i;
    result.firstUnmatched = found;
    result.firstIP = qAgrees;
    result.firstBodies = bodies;
    result.firstComputed = qAgrees ? qIP : q;
  }
  if (result.kept == 0) return result;

  const std::size_t n = at(result.firstKept);
  std::ostringstream text;
  text << "korvis: warning: " << file << ": node " << result.firstKept + 1 << " "
       << point(nodes.x[n], nodes.z[n]);
  if (result.firstUnmatched) {
    const char* name = result.firstIP ? "qIP" : "q";
    text << " has " << name << " = " << common::shownValue(result.firstIP ? nodes.qIP[n] : nodes.q[n])
         << ", but bodies " << result.firstBodies.in + 1 << " and " << result.firstBodies.out + 1
         << " on its two sides give " << common::shownValue(result.firstComputed);
  } else {
    text << " lies on no outline side that two bodies share";
  }
  if (result.kept > 1) text << " (and " << result.kept - 1 << (result.kept > 2 ? " more nodes)" : " more node)");
  text << ": the survey mode uses the file's q and qIP, rounded to 9 decimals, for "
       << (result.kept > 1 ? "them" : "it") << "\n";
  warnings << text.str();
  return result;
}

}  // namespace korvis
