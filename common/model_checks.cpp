// The geometry and electrode-extent checks of a polygon model. Geometry is
// tested in double with a distance tolerance of max(0.001 m, 1e-6 of the
// model's size): two points closer than that are the same point, a vertex
// closer than that to a side lies on it. Crossings count only when they are
// clear of that tolerance, so vertices that are merely close never raise an
// error.
#include "common/model_checks.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <sstream>

namespace common {

namespace {

struct Point {
  double x = 0, z = 0;
};

class Geometry {
 public:
  explicit Geometry(const ModelGeometry& m) : m_(m) {
    double xMin = 0, xMax = 0, zMin = 0, zMax = 0;
    for (int v = 0; v < m.nP; ++v) {
      const auto u = static_cast<std::size_t>(v);
      xMin = std::min(xMin, static_cast<double>(m.xp[u]));
      xMax = std::max(xMax, static_cast<double>(m.xp[u]));
      zMin = std::min(zMin, static_cast<double>(m.zp[u]));
      zMax = std::max(zMax, static_cast<double>(m.zp[u]));
    }
    tolerance = std::max(0.001, 1e-6 * std::max(xMax - xMin, zMax - zMin));
  }

  Point vertex(int number) const {
    const auto u = static_cast<std::size_t>(number - 1);
    return {static_cast<double>(m_.xp[u]), static_cast<double>(m_.zp[u])};
  }
  int ringSize(int body) const { return m_.nVer[static_cast<std::size_t>(body - 1)]; }
  // Vertex number of outline entry k (0-based, taken round the ring).
  int ringVertex(int body, int k) const {
    const int n = ringSize(body);
    return m_.vertexRing[static_cast<std::size_t>(body - 1)][static_cast<std::size_t>(((k % n) + n) % n)];
  }
  bool lists(int body, int vertexNumber) const {
    for (int k = 0; k < ringSize(body); ++k) {
      if (ringVertex(body, k) == vertexNumber) return true;
    }
    return false;
  }

  double tolerance = 0.001;

 private:
  const ModelGeometry& m_;
};

double cross(Point o, Point a, Point b) { return (a.x - o.x) * (b.z - o.z) - (a.z - o.z) * (b.x - o.x); }

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.z - b.z); }

// -1, 0 or +1: the side of the line a->b on which p lies, 0 within tol.
int sideOf(Point a, Point b, Point p, double tol) {
  const double length = distance(a, b);
  if (length == 0) return 0;
  const double d = cross(a, b, p) / length;
  return d > tol ? 1 : (d < -tol ? -1 : 0);
}

// The sides p1-p2 and q1-q2 cross at a point inside both, clear of the
// tolerance.
bool crossClearly(Point p1, Point p2, Point q1, Point q2, double tol) {
  const int s1 = sideOf(q1, q2, p1, tol), s2 = sideOf(q1, q2, p2, tol);
  const int s3 = sideOf(p1, p2, q1, tol), s4 = sideOf(p1, p2, q2, tol);
  return s1 * s2 < 0 && s3 * s4 < 0;
}

// p lies on the side a-b, away from both ends.
bool onSide(Point a, Point b, Point p, double tol) {
  const double length = distance(a, b);
  if (length <= 2 * tol || distance(a, p) <= tol || distance(b, p) <= tol) return false;
  if (std::abs(cross(a, b, p)) / length > tol) return false;
  const double t = ((p.x - a.x) * (b.x - a.x) + (p.z - a.z) * (b.z - a.z)) / (length * length);
  return t > 0 && t < 1;
}

// Twice the signed area; positive for an outline that runs clockwise with x
// to the right and z downwards.
double doubleArea(const Geometry& g, int body) {
  double sum = 0;
  for (int k = 0; k < g.ringSize(body); ++k) {
    const Point a = g.vertex(g.ringVertex(body, k)), b = g.vertex(g.ringVertex(body, k + 1));
    sum += a.x * b.z - b.x * a.z;
  }
  return sum;
}

// Winding number of the outline of `body` about p (non-zero: p is inside).
int winding(const Geometry& g, int body, Point p) {
  int w = 0;
  for (int k = 0; k < g.ringSize(body); ++k) {
    const Point a = g.vertex(g.ringVertex(body, k)), b = g.vertex(g.ringVertex(body, k + 1));
    if (a.z <= p.z) {
      if (b.z > p.z && cross(a, b, p) > 0) ++w;
    } else if (b.z <= p.z && cross(a, b, p) < 0) {
      --w;
    }
  }
  return w;
}

std::string number(double v) {
  std::ostringstream s;
  s << static_cast<float>(v);
  return s.str();
}

std::string at(Point p) {
  std::ostringstream s;
  s << "(" << static_cast<float>(p.x) << ", " << static_cast<float>(p.z) << ")";
  return s.str();
}

std::string vertexText(const Geometry& g, int v) { return "vertex " + std::to_string(v) + " " + at(g.vertex(v)); }

std::string sideText(const Geometry& g, int a, int b) {
  return "side " + std::to_string(a) + "-" + std::to_string(b) + " " + at(g.vertex(a)) + "-" + at(g.vertex(b));
}

std::string outlineText(const Geometry& g, int body) {
  std::ostringstream s;
  for (int k = 0; k < g.ringSize(body); ++k) s << (k ? " " : "") << g.ringVertex(body, k);
  return s.str();
}

// The first pair of sides of `body` that cross, as text, or "".
std::string selfCrossing(const Geometry& g, int body) {
  const int n = g.ringSize(body);
  for (int k = 0; k < n; ++k) {
    for (int l = k + 2; l < n; ++l) {
      if (k == 0 && l == n - 1) continue;  // neighbours through the closing vertex
      const int a = g.ringVertex(body, k), b = g.ringVertex(body, k + 1);
      const int c = g.ringVertex(body, l), d = g.ringVertex(body, l + 1);
      if (crossClearly(g.vertex(a), g.vertex(b), g.vertex(c), g.vertex(d), g.tolerance)) {
        return sideText(g, a, b) + " crosses " + sideText(g, c, d);
      }
    }
  }
  return {};
}

// A point where bodies i and j both have area, as text, or "": a clear
// crossing of their sides, or a point just inside a side of one that lies
// inside the other.
std::string overlapPoint(const Geometry& g, int i, int j) {
  for (int k = 0; k < g.ringSize(i); ++k) {
    const Point a = g.vertex(g.ringVertex(i, k)), b = g.vertex(g.ringVertex(i, k + 1));
    for (int l = 0; l < g.ringSize(j); ++l) {
      const Point c = g.vertex(g.ringVertex(j, l)), d = g.vertex(g.ringVertex(j, l + 1));
      if (crossClearly(a, b, c, d, g.tolerance)) {
        return "their sides " + sideText(g, g.ringVertex(i, k), g.ringVertex(i, k + 1)) + " and " +
               sideText(g, g.ringVertex(j, l), g.ringVertex(j, l + 1)) + " cross";
      }
    }
  }
  for (const auto& [inner, outer] : {std::pair{i, j}, std::pair{j, i}}) {
    for (int k = 0; k < g.ringSize(inner); ++k) {
      const Point a = g.vertex(g.ringVertex(inner, k)), b = g.vertex(g.ringVertex(inner, k + 1));
      const double length = distance(a, b);
      if (length <= 2 * g.tolerance) continue;
      // Clockwise outlines have their inside to the right of each side
      // (x to the right, z downwards): direction (dx, dz) turns to (-dz, dx).
      const double step = 1e-3 * length;
      const Point p{(a.x + b.x) / 2 - (b.z - a.z) / length * step, (a.z + b.z) / 2 + (b.x - a.x) / length * step};
      if (winding(g, outer, p) != 0) return "the point " + at(p) + " lies in both";
    }
  }
  return {};
}

void add(Findings& out, Severity s, std::string message) { out.push_back({s, std::move(message)}); }

}  // namespace

bool hasErrors(const Findings& findings) {
  return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::error; });
}

void printFindings(const Findings& findings, const std::string& program, std::ostream& out) {
  for (const Severity s : {Severity::error, Severity::warning}) {
    for (const Finding& f : findings) {
      if (f.severity != s) continue;
      out << program << (s == Severity::error ? ": error: " : ": warning: ") << f.message << "\n";
    }
  }
}

std::vector<SurfaceStretch> surfaceStretches(const ModelGeometry& m) {
  std::vector<int> surface;
  for (int v = 1; v <= m.nP; ++v) {
    if (m.zp[static_cast<std::size_t>(v - 1)] < surfaceBand) surface.push_back(v);
  }
  std::stable_sort(surface.begin(), surface.end(), [&](int a, int b) {
    return m.xp[static_cast<std::size_t>(a - 1)] < m.xp[static_cast<std::size_t>(b - 1)];
  });
  const Geometry g(m);
  std::vector<SurfaceStretch> stretches;
  for (std::size_t k = 0; k + 1 < surface.size(); ++k) {
    SurfaceStretch s{surface[k], surface[k + 1], {}};
    for (int body = 1; body <= m.nT; ++body) {
      for (int e = 0; e < g.ringSize(body); ++e) {
        if (g.ringVertex(body, e) == s.left && g.ringVertex(body, e + 1) == s.right) s.bodies.push_back(body);
      }
    }
    stretches.push_back(s);
  }
  return stretches;
}

void checkGeometry(const ModelGeometry& m, const std::string& file, const std::string& fix, Findings& out) {
  const Geometry g(m);
  const auto error = [&](const std::string& message) { add(out, Severity::error, file + ": " + message + fix); };
  const auto warning = [&](const std::string& message) { add(out, Severity::warning, file + ": " + message); };

  for (int v = 1; v <= m.nP; ++v) {
    if (g.vertex(v).z < -static_cast<double>(surfaceBand)) {
      error(vertexText(g, v) +
            " lies above the ground surface: the method mirrors the sources in a flat surface at z = 0 "
            "(z is depth, positive downwards); give it z = 0 or a depth below the surface");
    }
  }

  // Bodies whose outline is usable for the tests between bodies.
  std::vector<bool> sound(static_cast<std::size_t>(m.nT) + 1, false);
  for (int body = 1; body <= m.nT; ++body) {
    const std::string name = "body " + std::to_string(body) + " (outline " + outlineText(g, body) + ")";
    if (g.ringSize(body) < 3) {
      error(name + " has fewer than 3 vertices: an outline needs at least 3");
      continue;
    }
    if (const std::string crossing = selfCrossing(g, body); !crossing.empty()) {
      error("the outline of " + name + " crosses itself: its " + crossing +
            "; list the vertices in the order in which they follow each other round the body");
      continue;
    }
    double perimeter = 0;
    for (int k = 0; k < g.ringSize(body); ++k) {
      perimeter += distance(g.vertex(g.ringVertex(body, k)), g.vertex(g.ringVertex(body, k + 1)));
    }
    const double area2 = doubleArea(g, body);
    if (std::abs(area2) <= g.tolerance * perimeter) {
      error(name + " encloses no area: its vertices lie on one line");
      continue;
    }
    if (area2 < 0) {
      error("the outline of " + name +
            " runs anticlockwise: outlines run clockwise with x to the right and z downwards "
            "(a side on the ground surface runs towards larger x); list its vertices in the opposite order");
      continue;
    }
    sound[static_cast<std::size_t>(body)] = true;
  }

  for (int i = 1; i <= m.nT; ++i) {
    for (int j = i + 1; j <= m.nT; ++j) {
      if (!sound[static_cast<std::size_t>(i)] || !sound[static_cast<std::size_t>(j)]) continue;
      if (const std::string where = overlapPoint(g, i, j); !where.empty()) {
        error("bodies " + std::to_string(i) + " and " + std::to_string(j) + " overlap: " + where +
              "; every piece of ground belongs to one body, and bodies that touch share the vertices "
              "of their common sides");
      }
    }
  }

  // The surface stretches, once every outline is known to run clockwise.
  if (std::all_of(sound.begin() + 1, sound.end(), [](bool b) { return b; })) {
    bool bodyOneAtSurface = false;
    const auto stretches = surfaceStretches(m);
    for (const SurfaceStretch& s : stretches) {
      const std::string stretch = "the ground surface from " + vertexText(g, s.left) + " to " + vertexText(g, s.right);
      if (s.bodies.empty()) {
        error(stretch + " lies under no body: the body below it must list vertex " + std::to_string(s.left) +
              " and then vertex " + std::to_string(s.right) + " in its outline (vertices with z below " +
              "0.001 all count as lying on the surface)");
      } else if (s.bodies.size() > 1) {
        error(stretch + " lies under " + std::to_string(s.bodies.size()) + " bodies (" + std::to_string(s.bodies[0]) +
              " and " + std::to_string(s.bodies[1]) + "): only the body below it may list that side");
      }
      for (const int b : s.bodies) bodyOneAtSurface = bodyOneAtSurface || b == 1;
    }
    if (!stretches.empty() && !bodyOneAtSurface && !stretches.front().bodies.empty()) {
      warning("body 1 does not lie under the ground surface (body " + std::to_string(stretches.front().bodies[0]) +
              " does): the reference resistivity is Ro(1), and with only two surface vertices every surface "
              "electrode takes Ro(1) as well; number the body under the surface 1");
    }
  }

  // Vertices of other bodies on a side that does not list them: one report
  // per side, naming the first such vertex and every body it is a corner of.
  for (int i = 1; i <= m.nT; ++i) {
    for (int k = 0; k < g.ringSize(i); ++k) {
      const int a = g.ringVertex(i, k), b = g.ringVertex(i, k + 1);
      int v = 0;
      for (int j = 1; j <= m.nT && v == 0; ++j) {
        for (int l = 0; l < g.ringSize(j) && j != i && v == 0; ++l) {
          const int candidate = g.ringVertex(j, l);
          if (candidate == a || candidate == b) continue;
          if (onSide(g.vertex(a), g.vertex(b), g.vertex(candidate), g.tolerance) && !g.lists(i, candidate)) {
            v = candidate;
          }
        }
      }
      if (v == 0) continue;
      std::string corners;
      for (int j = 1; j <= m.nT; ++j) {
        if (j != i && g.lists(j, v)) corners += (corners.empty() ? "" : ", ") + std::to_string(j);
      }
      warning(vertexText(g, v) + ", a corner of body " + corners + ", lies on the " + sideText(g, a, b) +
              " of body " + std::to_string(i) + ", whose outline does not list it: body " + std::to_string(i) +
              " has no interface with body " + corners + " there; add vertex " + std::to_string(v) +
              " to the outline of body " + std::to_string(i) + " between " + std::to_string(a) + " and " +
              std::to_string(b));
    }
  }
}

ElectrodeName electrodeNamer(const std::string& positionWord) {
  return [positionWord](const ElectrodePoint& e) {
    std::string text = std::string(e.current ? "current" : "receiver") + " electrode " + e.letter + " of " +
                       positionWord + " " + std::to_string(e.position);
    if (e.spacing > 0) text += ", spacing " + std::to_string(e.spacing);
    return text;
  };
}

void reportFailedLookups(const std::vector<ElectrodePoint>& failed, const std::string& surveyFile,
                         const ElectrodeName& name, const std::string& fallback, Findings& out) {
  if (failed.empty()) return;
  const ElectrodePoint& e = failed.front();
  std::string text = surveyFile + ": " + name(e) + " at " + at({static_cast<double>(e.x), static_cast<double>(e.z)}) + " stands in no body";
  if (failed.size() > 1) text += " (and " + std::to_string(failed.size() - 1) + " more)";
  add(out, Severity::warning,
      text + ": its resistivity falls back to " + fallback +
          "; move the electrode into the model or extend the model to it");
}

void checkElectrodeExtent(const ModelGeometry& m, const std::vector<ElectrodePoint>& electrodes,
                          float largestSpacing, const std::string& surveyFile, const ElectrodeName& name,
                          Findings& out) {
  const Geometry g(m);
  bool any = false;
  double xMin = 0, xMax = 0;
  for (int body = 1; body <= m.nT; ++body) {
    for (int k = 0; k < g.ringSize(body); ++k) {
      const double x = g.vertex(g.ringVertex(body, k)).x;
      xMin = any ? std::min(xMin, x) : x;
      xMax = any ? std::max(xMax, x) : x;
      any = true;
    }
  }
  if (!any) return;
  const double margin = std::abs(static_cast<double>(largestSpacing));
  const ElectrodePoint* outside = nullptr;
  const ElectrodePoint* near = nullptr;
  int outsideCount = 0, nearCount = 0;
  for (const ElectrodePoint& e : electrodes) {
    const auto x = static_cast<double>(e.x);
    if (x < xMin - g.tolerance || x > xMax + g.tolerance) {
      if (outsideCount++ == 0) outside = &e;
    } else if (x < xMin + margin || x > xMax - margin) {
      if (nearCount++ == 0) near = &e;
    }
  }
  const std::string extent = "the model spans x = " + number(xMin) + " to " + number(xMax);
  const auto more = [](int count) {
    return count > 1 ? " (and " + std::to_string(count - 1) + " more electrode positions)" : std::string();
  };
  if (outside) {
    add(out, Severity::warning,
        surveyFile + ": " + name(*outside) + " at x = " + number(static_cast<double>(outside->x)) + " lies outside the model" +
            more(outsideCount) + ": " + extent +
            "; beyond its ends the bodies stop, so values there are wrong: extend the model or move the survey");
  }
  if (near) {
    add(out, Severity::warning,
        surveyFile + ": " + name(*near) + " at x = " + number(static_cast<double>(near->x)) + " lies nearer to an end of the model than " +
            "the largest spacing " + number(margin) + more(nearCount) + ": " + extent +
            "; the ends of the bodies may show in the values (edge effects): extend the model");
  }
}

}  // namespace common
