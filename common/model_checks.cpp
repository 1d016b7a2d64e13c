// The geometry and electrode-extent checks of a polygon model. Geometry is
// tested in double with a distance tolerance of max(0.001 m, 1e-6 of the
// model's size): two points closer than that are the same point, a vertex
// closer than that to a side lies on it. Crossings count only when they are
// clear of that tolerance, so vertices that are merely close never raise an
// error.
#include "common/model_checks.h"

#include "common/ground_surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <sstream>
#include <tuple>
#include <utility>

#include "common/ground_surface.h"
#include "common/input_text.h"

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
  Point ringPoint(int body, int k) const { return vertex(ringVertex(body, k)); }
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

const std::string overlapAdvice =
    "; every piece of ground belongs to one body, and bodies that touch share the vertices of their common sides";

// Distance from p to the segment a-b.
double segmentDistance(Point a, Point b, Point p) {
  const double dx = b.x - a.x, dz = b.z - a.z, length2 = dx * dx + dz * dz;
  const double t = length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.z - a.z) * dz) / length2, 0.0, 1.0) : 0.0;
  return distance(p, {a.x + t * dx, a.z + t * dz});
}

double outlineDistance(const Geometry& g, int body, Point p) {
  double d = std::numeric_limits<double>::infinity();
  for (int k = 0; k < g.ringSize(body); ++k) d = std::min(d, segmentDistance(g.ringPoint(body, k), g.ringPoint(body, k + 1), p));
  return d;
}

// Where the outline of one body lies against another body. Each side is cut
// where it meets the other outline (a crossing, or a vertex of the other
// outline within the tolerance of the side), and every piece lies wholly
// inside the other body, outside it or along its outline; the piece's
// midpoint tells which. Nothing is probed at a distance from a side, so
// bodies thinner than any such distance are judged as exactly as wide ones.
struct Contact {
  int vertexInside = 0;  // the first vertex inside the other body, or 0
  int sideInside = -1;   // the outline entry of the first side with a piece inside, or -1
  Point pointInside;     // the midpoint of that piece
  int sideAlong = -1, otherSideAlong = -1;  // the first pair of sides that run along each other the same way
  bool outside = false;                     // a piece of a side lies outside the other body
  bool alongOutline = false;                // a piece of a side lies along the other outline

  // Inside the other body, touching its outline at most at vertices.
  bool enclosed() const { return (vertexInside != 0 || sideInside >= 0) && !outside && !alongOutline; }
};

Contact contact(const Geometry& g, int body, int other) {
  const double tol = g.tolerance;
  Contact c;
  for (int k = 0; k < g.ringSize(body); ++k) {
    const Point p = g.ringPoint(body, k);
    if (outlineDistance(g, other, p) <= tol) continue;
    if (winding(g, other, p) == 0) {
      c.outside = true;
    } else if (c.vertexInside == 0) {
      c.vertexInside = g.ringVertex(body, k);
    }
  }
  for (int k = 0; k < g.ringSize(body); ++k) {
    const Point a = g.ringPoint(body, k), b = g.ringPoint(body, k + 1);
    const double length = distance(a, b);
    if (length == 0) continue;
    std::vector<double> cuts{0.0, 1.0};
    for (int l = 0; l < g.ringSize(other); ++l) {
      const Point c0 = g.ringPoint(other, l), d0 = g.ringPoint(other, l + 1);
      if (segmentDistance(a, b, c0) <= tol) {
        cuts.push_back(std::clamp(((c0.x - a.x) * (b.x - a.x) + (c0.z - a.z) * (b.z - a.z)) / (length * length), 0.0, 1.0));
      }
      if (sideOf(a, b, c0, tol) * sideOf(a, b, d0, tol) < 0) {
        const double ca = cross(c0, d0, a), cb = cross(c0, d0, b);
        const double t = ca / (ca - cb);
        if (t > 0 && t < 1) cuts.push_back(t);
      }
    }
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t n = 0; n + 1 < cuts.size(); ++n) {
      if (cuts[n + 1] <= cuts[n]) continue;
      const Point p0{a.x + cuts[n] * (b.x - a.x), a.z + cuts[n] * (b.z - a.z)};
      const Point p1{a.x + cuts[n + 1] * (b.x - a.x), a.z + cuts[n + 1] * (b.z - a.z)};
      const Point mid{(p0.x + p1.x) / 2, (p0.z + p1.z) / 2};
      if (outlineDistance(g, other, mid) > tol) {
        if (winding(g, other, mid) == 0) {
          c.outside = true;
        } else if (c.sideInside < 0) {
          c.sideInside = k;
          c.pointInside = mid;
        }
        continue;
      }
      c.alongOutline = true;
      // A piece along a side of the other outline that runs the same way has
      // both bodies on its right: both lie on the same side of it. (Sides
      // that bodies share run opposite ways.)
      if (c.sideAlong >= 0 || distance(p0, p1) <= 3 * tol) continue;
      for (int l = 0; l < g.ringSize(other); ++l) {
        const Point c0 = g.ringPoint(other, l), d0 = g.ringPoint(other, l + 1);
        const double otherLength = distance(c0, d0);
        if (otherLength == 0 || segmentDistance(c0, d0, p0) > 1.5 * tol || segmentDistance(c0, d0, p1) > 1.5 * tol) continue;
        const double cosine = ((b.x - a.x) * (d0.x - c0.x) + (b.z - a.z) * (d0.z - c0.z)) / (length * otherLength);
        if (cosine > 0.9) {
          c.sideAlong = k;
          c.otherSideAlong = l;
          break;
        }
      }
    }
  }
  return c;
}

// How bodies i and j overlap, for the message, or "" when their areas are
// apart: sides that cross clearly, one body wholly inside the other, a
// vertex or a piece of a side of one inside the other, or sides that run
// along each other the same way.
std::string overlap(const Geometry& g, int i, int j) {
  for (int k = 0; k < g.ringSize(i); ++k) {
    for (int l = 0; l < g.ringSize(j); ++l) {
      if (crossClearly(g.ringPoint(i, k), g.ringPoint(i, k + 1), g.ringPoint(j, l), g.ringPoint(j, l + 1),
                       g.tolerance)) {
        return "bodies " + std::to_string(i) + " and " + std::to_string(j) + " overlap: their sides " +
               sideText(g, g.ringVertex(i, k), g.ringVertex(i, k + 1)) + " and " +
               sideText(g, g.ringVertex(j, l), g.ringVertex(j, l + 1)) + " cross" + overlapAdvice;
      }
    }
  }
  const Contact ij = contact(g, i, j), ji = contact(g, j, i);
  for (const auto& [inner, outer, c] : {std::tuple{j, i, &ji}, std::tuple{i, j, &ij}}) {
    if (!c->enclosed()) continue;
    const std::string host = std::to_string(outer), body = std::to_string(inner);
    return "body " + body + " lies inside body " + host + ": an outline cannot have a hole; split body " + host +
           " into two bodies around body " + body + " that share its vertices (as examples/chargeable-body does)";
  }
  const std::string both = "bodies " + std::to_string(i) + " and " + std::to_string(j) + " overlap: ";
  for (const auto& [inner, outer, c] : {std::tuple{i, j, &ij}, std::tuple{j, i, &ji}}) {
    if (c->vertexInside != 0) {
      return both + vertexText(g, c->vertexInside) + " of body " + std::to_string(inner) + " lies inside body " +
             std::to_string(outer) + overlapAdvice;
    }
  }
  for (const auto& [inner, outer, c] : {std::tuple{i, j, &ij}, std::tuple{j, i, &ji}}) {
    if (c->sideInside >= 0) {
      return both + "the " + sideText(g, g.ringVertex(inner, c->sideInside), g.ringVertex(inner, c->sideInside + 1)) +
             " of body " + std::to_string(inner) + " runs inside body " + std::to_string(outer) + " through " +
             at(c->pointInside) + overlapAdvice;
    }
  }
  for (const auto& [inner, outer, c] : {std::tuple{i, j, &ij}, std::tuple{j, i, &ji}}) {
    if (c->sideAlong < 0) continue;
    const int a = g.ringVertex(inner, c->sideAlong), b = g.ringVertex(inner, c->sideAlong + 1);
    const int oa = g.ringVertex(outer, c->otherSideAlong), ob = g.ringVertex(outer, c->otherSideAlong + 1);
    const std::string sides = a == oa && b == ob
                                  ? "both outlines run along their " + sideText(g, a, b)
                                  : "the " + sideText(g, a, b) + " of body " + std::to_string(inner) + " and the " +
                                        sideText(g, oa, ob) + " of body " + std::to_string(outer) + " run along each other";
    return both + sides + " the same way, so both bodies lie on the same side" + overlapAdvice;
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
      out << program << (s == Severity::error ? ": error: " : ": warning: ") << escapedText(f.message) << "\n";
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

void checkGeometry(const ModelGeometry& m, const std::string& file, const std::string& fix, Findings& out,
                   bool relief) {
  const Geometry g(m);
  const auto error = [&](const std::string& message) { add(out, Severity::error, file + ": " + message + fix); };
  const auto warning = [&](const std::string& message) { add(out, Severity::warning, file + ": " + message); };

  for (int v = 1; v <= m.nP && !relief; ++v) {
    if (g.vertex(v).z < -static_cast<double>(surfaceBand)) {
      error(vertexText(g, v) +
            " lies above the ground surface: the method mirrors the sources in a flat surface at z = 0 "
            "(z is depth, positive downwards); give it z = 0 or a depth below the surface, or model the "
            "relief with a survey file (--survey)");
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

  // Bodies whose outlines are apart by more than the tolerance cannot
  // overlap: their boxes tell most pairs apart at once.
  std::vector<std::array<double, 4>> box(static_cast<std::size_t>(m.nT) + 1);
  for (int body = 1; body <= m.nT; ++body) {
    auto& b = box[static_cast<std::size_t>(body)];
    b = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
         std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (int k = 0; k < g.ringSize(body); ++k) {
      const Point p = g.ringPoint(body, k);
      b = {std::min(b[0], p.x), std::max(b[1], p.x), std::min(b[2], p.z), std::max(b[3], p.z)};
    }
  }
  for (int i = 1; i <= m.nT; ++i) {
    for (int j = i + 1; j <= m.nT; ++j) {
      if (!sound[static_cast<std::size_t>(i)] || !sound[static_cast<std::size_t>(j)]) continue;
      const auto& bi = box[static_cast<std::size_t>(i)];
      const auto& bj = box[static_cast<std::size_t>(j)];
      if (bi[0] > bj[1] + g.tolerance || bj[0] > bi[1] + g.tolerance || bi[2] > bj[3] + g.tolerance ||
          bj[2] > bi[3] + g.tolerance) {
        continue;
      }
      if (const std::string how = overlap(g, i, j); !how.empty()) error(how);
    }
  }

  // The ground surface of a model with relief: one line across the model.
  if (relief && std::all_of(sound.begin() + 1, sound.end(), [](bool b) { return b; })) {
    GroundSurface surface;
    std::string problem;
    if (!findGroundSurface(m, surface, problem)) {
      error(problem);
    } else if (std::find(surface.bodies.begin(), surface.bodies.end(), 1) == surface.bodies.end()) {
      warning("body 1 does not lie under the ground surface (body " + std::to_string(surface.bodies[0]) +
              " does): the reference resistivity is Ro(1); number the body under the surface 1");
    }
  }

  // The surface stretches, once every outline is known to run clockwise.
  if (!relief && std::all_of(sound.begin() + 1, sound.end(), [](bool b) { return b; })) {
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

  // Vertices of other bodies on a side whose outline does not list them: no
  // interface is formed along that side, and the model loses it without a
  // trace. One error names every such vertex, side by side and in order
  // along each side, with the run of vertex numbers that mends the outline.
  std::string missing;
  for (int i = 1; i <= m.nT; ++i) {
    for (int k = 0; k < g.ringSize(i); ++k) {
      const int a = g.ringVertex(i, k), b = g.ringVertex(i, k + 1);
      const Point pa = g.vertex(a), pb = g.vertex(b);
      std::vector<std::pair<double, int>> passed;  // (distance from a, vertex number)
      for (int j = 1; j <= m.nT; ++j) {
        for (int l = 0; l < g.ringSize(j) && j != i; ++l) {
          const int v = g.ringVertex(j, l);
          if (v == a || v == b || g.lists(i, v) || !onSide(pa, pb, g.vertex(v), g.tolerance)) continue;
          if (std::none_of(passed.begin(), passed.end(), [v](const auto& p) { return p.second == v; })) {
            passed.push_back({distance(pa, g.vertex(v)), v});
          }
        }
      }
      if (passed.empty()) continue;
      std::sort(passed.begin(), passed.end());
      std::string list, run = std::to_string(a);
      for (std::size_t n = 0; n < passed.size(); ++n) {
        const int v = passed[n].second;
        if (n > 0) list += n + 1 == passed.size() ? " and " : ", ";
        list += std::to_string(v) + " " + at(g.vertex(v));
        run += ' ' + std::to_string(v);
      }
      if (!missing.empty()) missing += "; ";
      missing += "the " + sideText(g, a, b) + " of body " +
                 std::to_string(i) + " passes " + list + " (write " + run + " " + std::to_string(b) +
                 " in its outline)";
    }
  }
  if (!missing.empty()) {
    error("sides pass vertices of other bodies that their outlines do not list, so no interface is formed along "
          "them: " + missing);
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
