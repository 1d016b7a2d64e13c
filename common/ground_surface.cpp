// The upper boundary of a polygon model, found from the outer sides of its
// bodies. Everything in double with the geometry checks' tolerance, so a
// shared vertex listed twice under two numbers still joins the line.
#include "common/ground_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "common/model_checks.h"
#include "common/survey_checks.h"

namespace common {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

struct Side {
  int a = 0, b = 0;  // vertex numbers, in the outline's direction
  int body = 0;      // 1-based
};

double px(const ModelGeometry& m, int v) { return static_cast<double>(m.xp[at(v - 1)]); }
double pz(const ModelGeometry& m, int v) { return static_cast<double>(m.zp[at(v - 1)]); }

bool samePoint(const ModelGeometry& m, int v, int w, double tolerance) {
  return v == w || std::hypot(px(m, v) - px(m, w), pz(m, v) - pz(m, w)) <= tolerance;
}

std::string shown(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", v == 0.0 ? 0.0 : v);
  return std::string(text);
}

std::string pointText(double x, double z) {
  return "(x " + shown(x) + ", z " + shown(z) + ")";
}

}  // namespace

double GroundSurface::top() const {
  double t = z.empty() ? 0.0 : z[0];
  for (double v : z) t = std::min(t, v);
  return t;
}

bool GroundSurface::flat() const {
  return std::all_of(z.begin(), z.end(), [](double v) { return std::fabs(v) < static_cast<double>(surfaceBand); });
}

int GroundSurface::segmentAt(double xq) const {
  for (std::size_t k = 0; k + 1 < x.size(); ++k) {
    if (xq >= x[k] && xq <= x[k + 1] && x[k + 1] > x[k]) return static_cast<int>(k);
  }
  return -1;
}

double GroundSurface::depthAt(double xq) const {
  if (x.empty()) return 0.0;
  if (xq <= x.front()) return z.front();
  if (xq >= x.back()) return z.back();
  const int k = segmentAt(xq);
  const auto s = at(k);
  const double t = (xq - x[s]) / (x[s + 1] - x[s]);
  return z[s] + t * (z[s + 1] - z[s]);
}

double GroundSurface::openingAngle(double xq) const {
  const double tolerance = 1e-9 * std::max(1.0, std::fabs(xq));
  for (std::size_t k = 0; k < x.size(); ++k) {
    if (std::fabs(x[k] - xq) > tolerance) continue;
    // Directions to the neighbours, the ground lying between them on the
    // side of +z; beyond the ends the surface runs on level.
    const double leftX = k > 0 ? x[k - 1] - x[k] : -1.0, leftZ = k > 0 ? z[k - 1] - z[k] : 0.0;
    const double rightX = k + 1 < x.size() ? x[k + 1] - x[k] : 1.0, rightZ = k + 1 < x.size() ? z[k + 1] - z[k] : 0.0;
    double angle = std::atan2(leftZ, leftX) - std::atan2(rightZ, rightX);
    if (angle <= 0.0) angle += 2.0 * std::numbers::pi;
    return angle;
  }
  return std::numbers::pi;
}

bool findGroundSurface(const ModelGeometry& m, GroundSurface& surface, std::string& problem) {
  surface = GroundSurface();
  problem.clear();
  const double tolerance = pointTolerance(m);
  double xMin = 0.0, xMax = 0.0;
  bool any = false;
  std::vector<Side> sides;
  for (int i = 0; i < m.nT; ++i) {
    const int n = m.nVer[at(i)];
    for (int k = 0; k < n; ++k) {
      const int a = m.vertexRing[at(i)][at(k)];
      const int b = m.vertexRing[at(i)][at(k + 1 < n ? k + 1 : 0)];
      if (a < 1 || a > m.nP || b < 1 || b > m.nP) continue;
      sides.push_back({a, b, i + 1});
      xMin = any ? std::min(xMin, px(m, a)) : px(m, a);
      xMax = any ? std::max(xMax, px(m, a)) : px(m, a);
      any = true;
    }
  }
  // Outer sides: no other body runs along them.
  std::vector<Side> outer;
  for (const Side& s : sides) {
    bool shared = false;
    for (const Side& o : sides) {
      if (o.body == s.body) continue;
      shared = shared || (samePoint(m, o.a, s.b, tolerance) && samePoint(m, o.b, s.a, tolerance)) ||
               (samePoint(m, o.a, s.a, tolerance) && samePoint(m, o.b, s.b, tolerance));
    }
    if (!shared) outer.push_back(s);
  }
  const auto facesUp = [&](const Side& s) { return px(m, s.b) > px(m, s.a) + tolerance; };
  const auto isStep = [&](const Side& s) {
    return std::fabs(px(m, s.b) - px(m, s.a)) <= tolerance && px(m, s.a) > xMin + tolerance &&
           px(m, s.a) < xMax - tolerance;
  };
  const Side* first = nullptr;
  int upward = 0;
  for (const Side& s : outer) {
    if (!facesUp(s)) continue;
    ++upward;
    if (first == nullptr || px(m, s.a) < px(m, first->a)) first = &s;
  }
  if (first == nullptr) {
    problem = "no outline side faces up: the model has no ground surface";
    return false;
  }
  std::vector<char> used(outer.size(), 0);
  const Side* s = first;
  surface.vertices.push_back(s->a);
  int visited = 0;
  while (s != nullptr) {
    used[at(static_cast<int>(s - outer.data()))] = 1;
    if (facesUp(*s)) ++visited;
    surface.vertices.push_back(s->b);
    surface.bodies.push_back(s->body);
    const Side* next = nullptr;
    for (const Side& o : outer) {
      if (used[at(static_cast<int>(&o - outer.data()))] == 0 && samePoint(m, o.a, s->b, tolerance) &&
          (facesUp(o) || isStep(o))) {
        next = &o;
        break;
      }
    }
    s = next;
  }
  for (int v : surface.vertices) {
    surface.x.push_back(px(m, v));
    surface.z.push_back(pz(m, v));
  }
  if (visited != upward) {
    for (const Side& o : outer) {
      if (!facesUp(o) || used[at(static_cast<int>(&o - outer.data()))] != 0) continue;
      problem = "the side of body " + std::to_string(o.body) + " from vertex " + std::to_string(o.a) + " " +
                pointText(px(m, o.a), pz(m, o.a)) + " to vertex " + std::to_string(o.b) + " " +
                pointText(px(m, o.b), pz(m, o.b)) +
                " faces up but is not on the ground surface that runs from " + pointText(surface.x.front(), surface.z.front()) +
                " to " + pointText(surface.x.back(), surface.z.back()) +
                ": the surface must be one line from the model's left end to its right end, with no overhang "
                "and no body above another's outer side";
      return false;
    }
  }
  if (surface.x.front() > xMin + tolerance || surface.x.back() < xMax - tolerance) {
    problem = "the ground surface runs from " + pointText(surface.x.front(), surface.z.front()) + " to " +
              pointText(surface.x.back(), surface.z.back()) + ", not across the whole model (x from " + shown(xMin) + " to " + shown(xMax) +
              "): it must reach both ends";
    return false;
  }
  return true;
}

bool hasRelief(const ModelGeometry& m) {
  for (int v = 0; v < m.nP; ++v) {
    if (m.zp[at(v)] < -surfaceBand) return true;
  }
  GroundSurface surface;
  std::string problem;
  return findGroundSurface(m, surface, problem) && !surface.flat();
}

}  // namespace common
