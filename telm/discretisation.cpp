// Edge table, node-length law and the division of interface pieces into
// boundary elements. Every expression is evaluated in single precision in the
// order written, because the node table it fills defines the later results
// bit for bit; logarithms are the float ones (std::log(float)).
#include "telm/discretisation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/edit_format.h"
#include "common/free_format.h"
#include "common/output_file.h"
#include "common/record_reader.h"
#include "common/survey_checks.h"
#include "telm/coded_stop.h"
#include "telm/relief_mesh.h"

namespace telm {

namespace {

constexpr float third = 0.33333334f;
// The step at a junction of a graded mesh, relative to the step there: the
// charge density of a corner is singular, and elements of the model's size
// there leave the potentials of a conductive body several per cent off.
// Grading down to a thousandth (the run of sizes from there is geometric)
// brings them within a few tenths of a per cent for about three times the
// nodes of a block model.
constexpr float gradedJunction = 0.001f;
constexpr float contact = 0.001f;  // distance below which two points are the same vertex

// On a survey-sized mesh an interface grows away from the electrodes to at
// most this many times the depth law's step (sizingDistance).
constexpr float reachDepths = 2.0f;

// dens for the corner rule: on a survey-sized mesh elements near a corner
// are d/(3 dens) at distance d, not d/dens. The mesh no longer spends nodes
// far from the line, and the corners of bodies under it are where the data
// converge slowest: over the dyke of the survey example this took the worst
// datum at dens 4 from 9.9 % (d/dens) to 1.0 % off a fine mesh, for twice
// the nodes, still fewer than the depth-sized mesh's. It is at least 1: with
// a slope of more than 2 an element laid by the law at its centre could
// reach a corner whole, at any dens below a sixth.
float cornerDens(const TelmState& st) { return st.electrodeReach > 0.0f ? std::max(3.0f * st.dens, 1.0f) : st.dens; }

float distance(Point a, Point b) {
  const float dx = a.x - b.x;
  const float dz = a.z - b.z;
  return std::sqrt(dx * dx + dz * dz);
}

Point vertex(const TelmState& st, int number) { return {st.model.xp[number - 1], st.model.zp[number - 1]}; }

// Integer part of a non-negative count; values no table could hold (and
// NaN from degenerate geometry) become a count that fails the capacity test.
int countOf(float value) {
  constexpr float huge = 1.0e9f;
  return value < huge ? static_cast<int>(value) : static_cast<int>(huge);
}

bool propertiesDiffer(const TelmState& st, int i, int k) {
  const auto& Ro = st.model.Ro;
  const float contrast = std::fabs((Ro[i] - Ro[k]) / Ro[i]);
  if (st.firstArrayKind == 13) {
    return contrast >= 1.0e-7f || std::fabs(st.M1[i] - st.M1[k]) >= 0.0001f ||
           std::fabs(st.M2[i] - st.M2[k]) >= 0.0001f;
  }
  return contrast >= 0.0001f || std::fabs(st.eta[i] - st.eta[k]) >= 0.001f;
}

void addEdge(TelmState& st, int s, int e, int bodyIn, int bodyOut) {
  for (int k = 0; k < st.nEdges; ++k) {
    const Edge& old = st.edgeTable[k];
    if ((old.start == s && old.end == e) || (old.start == e && old.end == s)) return;
  }
  // With memory-bounded limits the sides are held by the node limit
  // instead: every side takes at least three nodes.
  if (st.nEdges == maxEdges && !st.limits.memoryBounded) {
    throw common::InputError(st.modelFileName + ": expected at most " + std::to_string(maxEdges) +
                             " interface sides between bodies of different properties, found more");
  }
  // A side of zero length has no normal; its nodes would carry NaN.
  const Point a = vertex(st, s);
  const Point b = vertex(st, e);
  if (a.x == b.x && a.z == b.z) {
    throw common::InputError(st.modelFileName + ": expected the interface side from vertex " + std::to_string(s) +
                             " to vertex " + std::to_string(e) + " to have a length, found both at the same point");
  }
  if (static_cast<std::size_t>(st.nEdges) == st.edgeTable.size()) st.edgeTable.resize(st.edgeTable.size() * 2);
  st.edgeTable[static_cast<std::size_t>(st.nEdges++)] = Edge{s, e, bodyIn, bodyOut};
}

// Vertex numbers of side m of body i, the last side closing the outline.
std::pair<int, int> side(const TelmState& st, int i, int m) {
  const auto& ring = st.model.vertexRing[i];
  const int next = m + 1 < st.model.nVer[i] ? ring[m + 1] : ring[0];
  return {ring[m], next};
}

// First other body (0-based) with a side joining s and e, or -1.
int neighbourAlong(const TelmState& st, int i, int s, int e) {
  for (int k = 0; k < st.model.nT; ++k) {
    if (k == i) continue;
    for (int m = 0; m < st.model.nVer[k]; ++m) {
      const auto [a, b] = side(st, k, m);
      if ((a == s && b == e) || (a == e && b == s)) return k;
    }
  }
  return -1;
}

// Where an interface's end lies on the ground surface: at z = 0 on a flat
// model, on the surface line with relief.
bool onGround(const TelmState& st, Point p) {
  if (!st.relief) return p.z == 0.0f;
  return std::fabs(static_cast<double>(p.z) - st.ground.depthAt(static_cast<double>(p.x))) <
         static_cast<double>(contact);
}

float surfaceContact(const TelmState& st) {
  return static_cast<float>(common::pointTolerance(st.model));
}

[[noreturn]] void nodeTableFull(int number, std::ostream& console) {
  console << common::formatLine("(/,1X,'ERROR: Nel > =',I4,'!!!')", {number});
  console << (common::FreeRecord(common::FreeStyle::telm) << "====> Error !!! The model is too complex. ").str();
  console << (common::FreeRecord(common::FreeStyle::telm) << "      Maximal number of nodes is 4200 ").str();
  throw CodedStop{199};
}

struct Coefficients {
  float q, qIP;
};

Coefficients contrast(const TelmState& st, const Edge& edge, float xn, float zn) {
  const auto& Ro = st.model.Ro;
  if (edge.bodyOut == airBody) {
    // The limit Ra -> infinity: the air carries no current.
    const float R0IP = Ro[0] / (1.0f - 0.01f * st.eta[0]);
    return {2.0f / Ro[0], 2.0f / R0IP};
  }
  const int out = edge.bodyOut - 1;
  const int in = edge.bodyIn - 1;
  const float Ra = Ro[out];
  const float Rb = Ro[in];
  const float R0 = Ro[0];
  const float q = 2.0f * (Ra - Rb) / ((Ra + Rb) * R0);
  if (st.firstArrayKind == 13) {
    const float Ma = st.M1[out] * xn + st.M2[out] * zn;
    const float Mb = st.M1[in] * xn + st.M2[in] * zn;
    return {q, -2.0f * Ra * Rb / ((Ra + Rb) * R0) * (Ma - Mb)};
  }
  const float RaIP = Ra / (1.0f - 0.01f * st.eta[out]);
  const float RbIP = Rb / (1.0f - 0.01f * st.eta[in]);
  const float R0IP = R0 / (1.0f - 0.01f * st.eta[0]);
  return {q, 2.0f * (RaIP - RbIP) / ((RaIP + RbIP) * R0IP)};
}

// Appends one node of edge e (the table has room for it).
void appendNode(TelmState& st, int e, Point centre, float dL, float xn, float zn, const Coefficients& c) {
  auto& nodes = st.nodes;
  const int i = nodes.N++;
  nodes.x[i] = centre.x;
  nodes.z[i] = centre.z;
  nodes.dL[i] = dL;
  nodes.xn[i] = xn;
  nodes.zn[i] = zn;
  nodes.q[i] = c.q;
  nodes.qIP[i] = c.qIP;
  st.nodeEdge[i] = e;
}

}  // namespace

float powInt(float x, int m) {
  unsigned n = m < 0 ? 0u - static_cast<unsigned>(m) : static_cast<unsigned>(m);
  float y = n % 2 ? x : 1.0f;
  while (n >>= 1) {
    x = x * x;
    if (n % 2) y = y * x;
  }
  return m < 0 ? 1.0f / y : y;
}

int buildEdgeTable(TelmState& st) {
  st.nEdges = 0;
  const common::ModelGeometry& g = st.model;
  for (int i = 0; i < g.nT; ++i) {
    for (int m = 0; m < g.nVer[i]; ++m) {
      const auto [s, e] = side(st, i, m);
      const int k = neighbourAlong(st, i, s, e);
      if (k >= 0) {
        if (propertiesDiffer(st, i, k)) addEdge(st, s, e, i + 1, k + 1);
      } else if (st.firstArrayKind == 13 &&
                 (g.Ro[i] < 0.9999999f || st.M1[i] != 0.0f || st.M2[i] != 0.0f)) {
        addEdge(st, s, e, i + 1, g.nT + 1);
      }
    }
  }
  if (st.relief) {
    const common::GroundSurface& ground = st.ground;
    for (std::size_t k = 0; k + 1 < ground.vertices.size(); ++k) {
      // A stretch in the mirror plane needs no charge: the images keep the
      // current along it.
      const auto level = [&](std::size_t v) { return std::fabs(ground.z[v] - static_cast<double>(st.mirrorDepth)) < 1e-6; };
      if (level(k) && level(k + 1)) continue;
      addEdge(st, ground.vertices[k], ground.vertices[k + 1], ground.bodies[k], airBody);
    }
  }
  return st.nEdges;
}

namespace {

// The distance that sizes an interface at p, whose depth (below the ground)
// is `depth`: the depth itself, or on a survey-sized mesh the larger of it
// and electrodeReach times the distance to the nearest survey electrode,
// but no more than reachDepths times the depth. The charge an electrode
// induces at distance d varies on the scale of d, so far from the line the
// depth law spends most of the nodes of a shallow interface on charges that
// vary slowly. The elements must still be short beside the interface's
// distance to its own image: in a conductive layer over a resistive base
// the current runs on in the layer, and pole-pole data 190 m long over a
// 40 m layer (dens 2) were 1.0 % off with the growth unbounded, 0.14 % with
// it bounded at twice the depth, 0.05 % with the depth law.
float sizingDistance(const TelmState& st, Point p, float depth) {
  if (!(st.electrodeReach > 0.0f)) return depth;
  float nearest = HUGE_VALF;
  for (std::size_t i = 0; i < st.surveyX.size(); ++i) {
    nearest = std::min(nearest, distance(p, {st.surveyX[i], st.surveyZ[i]}));
  }
  return std::max(depth, std::min(st.electrodeReach * nearest, reachDepths * depth));
}

// The step law of a model with relief. Depth counts from the ground
// surface above the point. On the surface itself the charge a surface
// electrode induces is smooth (its primary field runs along the surface),
// so the step follows the distance to the nearest electrode, no finer than
// the smallest spacing, and is graded toward the interfaces that meet the
// surface (the grading of a graded mesh), not toward its own corners.
float reliefStepWith(const TelmState& st, int e, Point p, bool electrodes) {
  const bool onSurface = st.edgeTable[e].bodyOut == airBody;
  float h = 0.0f;
  if (onSurface) {
    float nearest = HUGE_VALF;
    for (std::size_t i = 0; i < st.surveyX.size(); ++i) {
      nearest = std::min(nearest, distance(p, {st.surveyX[i], st.surveyZ[i]}));
    }
    h = std::max(1.8f * nearest, st.surfaceStep) * st.surfaceScale / st.dens;
  } else {
    const auto below = static_cast<float>(static_cast<double>(p.z) - st.ground.depthAt(static_cast<double>(p.x)));
    h = 0.9f * sizingDistance(st, p, std::fabs(below)) / st.dens;
    if (electrodes && st.refineFlag == 3) {
      for (std::size_t i = 0; i < st.surveyX.size(); ++i) {
        h = std::min(h, std::max(distance(p, {st.surveyX[i], st.surveyZ[i]}), 0.05f) / st.dens);
      }
    }
  }
  bool junction = false, interfaceCorner = false;
  for (int k = 0; k < st.nEdges; ++k) {
    // The surface's own corners leave its smooth charge smooth: only the
    // interfaces' vertices refine it.
    if (k == e || (onSurface && st.edgeTable[k].bodyOut == airBody)) continue;
    for (const int v : {st.edgeTable[k].start, st.edgeTable[k].end}) {
      const float d = distance(p, vertex(st, v));
      if (d > contact) h = std::min(h, d / cornerDens(st));
      if (d < contact) {
        junction = true;
        interfaceCorner = interfaceCorner || st.edgeTable[k].bodyOut != airBody;
      }
    }
  }
  if (!junction) return h;
  return h * (st.gradedCorners && interfaceCorner ? gradedJunction : third);
}

float stepWith(const TelmState& st, int e, Point p, bool electrodes) {
  if (st.relief) return reliefStepWith(st, e, p, electrodes);
  float h = st.electrodeReach > 0.0f ? 0.9f * sizingDistance(st, p, std::fabs(p.z)) / st.dens
                                     : std::fabs(0.9f * p.z) / st.dens;
  if (electrodes && (st.refineFlag == 1 || st.refineFlag == 2)) {
    const float dA = std::max(distance(p, {st.refAx, st.refAz}), 0.05f);
    const float dB = std::max(distance(p, {st.refBx, st.refBz}), 0.05f);
    h = std::min(h, dB / st.dens);
    h = std::min(h, dA / st.dens);
  } else if (electrodes && st.refineFlag == 3) {
    for (std::size_t i = 0; i < st.surveyX.size(); ++i) {
      h = std::min(h, std::max(distance(p, {st.surveyX[i], st.surveyZ[i]}), 0.05f) / st.dens);
    }
  }
  bool junction = false;
  for (int k = 0; k < st.nEdges; ++k) {
    if (k == e) continue;
    for (const int v : {st.edgeTable[k].start, st.edgeTable[k].end}) {
      const float d = distance(p, vertex(st, v));
      if (d > contact) h = std::min(h, d / cornerDens(st));
      if (d < contact) junction = true;
    }
  }
  if (!junction) return h;
  return h * (st.gradedCorners ? gradedJunction : third);
}

// Break points (fractions of the edge) that grade edge e from p1 to p2
// toward its nearest point to every grading electrode (gradeX, gradeZ) that
// sees it closer than the model's own step there. The charge that a source induces on an
// interface at distance d is concentrated within a few d of the nearest
// point; stepAt sampled only at the ends and thirds of a long edge would
// leave elements many times d long there, and the primary field of a
// buried electrode a metre or two from a contact would be wrong by tens of
// per cent. The points lie at the foot and at d, 2d, 4d, ... on either side
// while the electrode's rule is finer than the model's, so every piece
// between two of them is sized by stepAt at its ends.
std::vector<float> electrodeBreaks(const TelmState& st, int e, Point p1, Point p2) {
  std::vector<float> breaks;
  const float dx = p2.x - p1.x;
  const float dz = p2.z - p1.z;
  const float L = std::sqrt(dx * dx + dz * dz);
  const float ux = dx / L;
  const float uz = dz / L;
  const auto at = [&](float s) { return Point{p1.x + s * ux, p1.z + s * uz}; };
  const bool onSurface = st.relief && st.edgeTable[e].bodyOut == airBody;
  for (std::size_t i = 0; i < st.gradeX.size(); ++i) {
    const Point electrode{st.gradeX[i], st.gradeZ[i]};
    const float foot = (electrode.x - p1.x) * ux + (electrode.z - p1.z) * uz;
    if (!(foot > 0.0f && foot < L)) continue;
    if (onSurface) {
      // An electrode standing on the surface ends an element, never lies
      // at a node's centre.
      if (distance(electrode, at(foot)) < surfaceContact(st)) breaks.push_back(foot / L);
      continue;
    }
    const float d = std::max(distance(electrode, at(foot)), 0.05f);
    if (d / st.dens >= stepWith(st, e, at(foot), false)) continue;
    breaks.push_back(foot / L);
    for (int side : {-1, 1}) {
      for (float off = d; off < L; off *= 2.0f) {
        const float s = foot + static_cast<float>(side) * off;
        if (!(s > 0.0f && s < L)) break;
        if (std::sqrt(d * d + off * off) / st.dens >= stepWith(st, e, at(s), false)) break;
        breaks.push_back(s / L);
      }
    }
  }
  return breaks;
}

}  // namespace

float stepAt(const TelmState& st, int e, Point p) { return stepWith(st, e, p, true); }

namespace {

// stepAt, and no more than d/dens at distance d from an electrode that
// grades the mesh (the same rule as stepAt's for a survey's electrodes).
float gradedStepAt(const TelmState& st, int e, Point p) {
  float h = stepAt(st, e, p);
  if (st.relief && st.edgeTable[e].bodyOut == airBody) return h;
  for (std::size_t i = 0; i < st.gradeX.size(); ++i) {
    h = std::min(h, std::max(distance(p, {st.gradeX[i], st.gradeZ[i]}), 0.05f) / st.dens);
  }
  return h;
}

}  // namespace

GeometricRun geometricCount(float a, float b, float L) {
  const auto g = [&](float r) { return std::log(((r - 1.0f) * L + a) / (r * a)) / std::log(r); };
  float r = (L - a) / (L - b);
  if (r > 1.62f) r = 1.62f;
  int m = countOf(g(r));
  b = a * powInt(r, m);
  r = (L - a) / (L - b);
  m = countOf(g(r) + 0.5f);
  const float total = a * (powInt(r, m + 1) - 1.0f) / (r - 1.0f);
  a = a * L / total;
  b = a * powInt(r, m);
  return {a, b, r, m};
}

void splitSegment(TelmState& st, int e, Point s, Point end, float hs, float he, std::ostream& console) {
  const float floor = 0.01f / st.dens;
  if (floor > hs) hs = floor;
  if (floor > he) he = floor;
  const float dx = end.x - s.x;
  const float dz = end.z - s.z;
  const float L = std::sqrt(dx * dx + dz * dz);
  const float ux = dx / L;
  const float uz = dz / L;
  const float xn = (end.z - s.z) / L;
  const float zn = (s.x - end.x) / L;
  const Coefficients c = contrast(st, st.edgeTable[e], xn, zn);

  auto& nodes = st.nodes;
  auto append = [&](float x, float z, float dL) { appendNode(st, e, {x, z}, dL, xn, zn, c); };
  // A full table of memory-bounded limits counts the pieces beyond it.
  const bool counting = st.limits.memoryBounded;
  auto uniform = [&](int n) {
    if (counting && (st.nodesBeyond > 0 || nodes.N + n > nodes.capacity)) {
      st.nodesBeyond += n;
      return;
    }
    if (nodes.N + n > nodes.capacity) nodeTableFull(nodes.capacity + 1, console);
    const float pieces = static_cast<float>(n);
    for (int k = 1; k <= n; ++k) {
      const float at = static_cast<float>(k) - 0.5f;
      append(s.x + at * dx / pieces, s.z + at * dz / pieces, L / pieces);
    }
  };

  if (hs + he >= L) {
    if (hs > 3.0f * he) {
      hs = hs * third;
    } else if (he > 3.0f * hs) {
      he = he * third;
    } else {
      hs = hs * third;
      he = he * third;
    }
  }

  if (0.9f * he < hs && hs < 1.1f * he && hs + he < L) {
    uniform(countOf(L / hs));
    return;
  }
  if (hs + he >= L) {
    uniform(2);
    return;
  }

  float first = 0;
  float ratio = 0;
  int m = 0;
  if (he < hs) {
    const GeometricRun run = geometricCount(he, hs, L);
    first = run.b;
    ratio = 1.0f / run.r;
    m = run.m;
  } else {
    const GeometricRun run = geometricCount(hs, he, L);
    first = run.a;
    ratio = run.r;
    m = run.m;
  }
  if (counting && (st.nodesBeyond > 0 || nodes.N + m + 1 > nodes.capacity)) {
    st.nodesBeyond += m + 1;
    return;
  }
  if (nodes.N + m + 1 > nodes.capacity) nodeTableFull(nodes.N + m + 1, console);
  float before = 0.0f;
  for (int j = 0; j <= m; ++j) {
    const float size = first * powInt(ratio, j);
    const float along = before + size / 2.0f;
    append(s.x + along * ux, s.z + along * uz, size);
    before = before + size;
  }
}

namespace {

// The nodes of edge e cut at its thirds and at `breaks`, piece after piece
// from p1 to p2. A break point that would leave a piece shorter than the
// steps at both its ends is dropped (the electrodes of a borehole, each
// with its own points, would otherwise cut the edge into pieces of two
// nodes each, finer than any of them asks).
void discretiseAlong(TelmState& st, int e, Point p1, Point p2, float h1, float h2,
                     std::vector<float> breaks, std::ostream& console) {
  breaks.push_back(0.3333333f);
  breaks.push_back(0.6666667f);
  std::sort(breaks.begin(), breaks.end());
  const auto at = [&](float t) { return Point{p1.x + t * (p2.x - p1.x), p1.z + t * (p2.z - p1.z)}; };
  const float L = distance(p1, p2);
  Point start = p1;
  float hStart = h1;
  float tStart = 0.0f;
  for (const float t : breaks) {
    const Point p = at(t);
    const float h = gradedStepAt(st, e, p);
    if ((t - tStart) * L < std::min(hStart, h) || (1.0f - t) * L < std::min(h, h2)) continue;
    splitSegment(st, e, start, p, hStart, h, console);
    start = p;
    hStart = h;
    tStart = t;
  }
  splitSegment(st, e, start, p2, hStart, h2, console);
}

// Appends elements of the given lengths along the straight piece S..E of
// edge e, end to end from S (their sum is the piece's length).
void appendElements(TelmState& st, int e, Point s, Point end, const std::vector<float>& sizes,
                    std::ostream& console) {
  const float L = distance(s, end);
  const float ux = (end.x - s.x) / L;
  const float uz = (end.z - s.z) / L;
  const float xn = (end.z - s.z) / L;
  const float zn = (s.x - end.x) / L;
  const Coefficients c = contrast(st, st.edgeTable[e], xn, zn);
  auto& nodes = st.nodes;
  const int n = static_cast<int>(sizes.size());
  if (st.limits.memoryBounded && (st.nodesBeyond > 0 || nodes.N + n > nodes.capacity)) {
    st.nodesBeyond += n;
    return;
  }
  if (nodes.N + n > nodes.capacity) nodeTableFull(nodes.N + n, console);
  float before = 0.0f;
  for (const float size : sizes) {
    const float along = before + 0.5f * size;
    appendNode(st, e, {s.x + along * ux, s.z + along * uz}, size, xn, zn, c);
    before += size;
  }
}

// The elements of a survey-sized piece S..E, marched from S: each as long as
// the law at its centre, and no longer than the piece's end sizes hs, he
// grown by 1/cornerDens per metre from S and E (the law's own growth from a
// corner), so that the run starts and ends at the sizes the ends ask and
// neighbours never differ by more than the law's gradient. The run is then
// stretched or shrunk to the piece's length (the last element dropped when
// that is the smaller change).
std::vector<float> marchedSizes(const TelmState& st, int e, Point s, Point end, float hs, float he) {
  const float L = distance(s, end);
  const float floor = 0.01f / st.dens;
  const auto law = [&](float t) {
    const float along = std::clamp(t, 0.0f, L);
    const Point p{s.x + along / L * (end.x - s.x), s.z + along / L * (end.z - s.z)};
    const float cone = std::min(hs + along / cornerDens(st), he + (L - along) / cornerDens(st));
    return std::max(std::min(gradedStepAt(st, e, p), cone), floor);
  };
  std::vector<float> sizes;
  double sum = 0.0;
  while (sum < static_cast<double>(L)) {
    const auto t = static_cast<float>(sum);
    const float h = law(t + 0.5f * std::min(law(t), L - t));
    sizes.push_back(h);
    sum += static_cast<double>(h);
  }
  const double over = static_cast<double>(L) / sum;
  const double under = sizes.size() > 1 ? static_cast<double>(L) / (sum - static_cast<double>(sizes.back())) : HUGE_VAL;
  double scale = over;
  if (under - 1.0 < 1.0 - over) {
    sizes.pop_back();
    scale = under;
  }
  for (float& h : sizes) h = static_cast<float>(static_cast<double>(h) * scale);
  return sizes;
}

// A survey-sized edge: marched piece by piece between the break points
// that must end an element (the electrodes standing on a relief surface).
void marchEdge(TelmState& st, int e, Point p1, Point p2, float h1, float h2, std::vector<float> breaks,
               std::ostream& console) {
  std::sort(breaks.begin(), breaks.end());
  breaks.push_back(1.0f);
  const auto at = [&](float t) { return Point{p1.x + t * (p2.x - p1.x), p1.z + t * (p2.z - p1.z)}; };
  Point start = p1;
  float hStart = h1;
  for (const float t : breaks) {
    const Point p = t < 1.0f ? at(t) : p2;
    const float h = t < 1.0f ? gradedStepAt(st, e, p) : h2;
    if (distance(start, p) <= 0.0f) continue;
    appendElements(st, e, start, p, marchedSizes(st, e, start, p, hStart, h), console);
    start = p;
    hStart = h;
  }
}

}  // namespace

void discretise(TelmState& st, std::ostream& console) {
  buildEdgeTable(st);
  st.nodes.N = 0;
  st.nodesBeyond = 0;
  for (int e = 0; e < st.nEdges; ++e) {
    const Point p1 = vertex(st, st.edgeTable[e].start);
    const Point p2 = vertex(st, st.edgeTable[e].end);
    const Point p13{p1.x + 0.3333333f * (p2.x - p1.x), p1.z + 0.3333333f * (p2.z - p1.z)};
    const Point p23{p1.x + 0.6666667f * (p2.x - p1.x), p1.z + 0.6666667f * (p2.z - p1.z)};
    const bool surfaceEdge = st.relief && st.edgeTable[e].bodyOut == airBody;
    const float h1 = !surfaceEdge && onGround(st, p1) ? 0.5f / st.dens : stepAt(st, e, p1);
    const float h2 = !surfaceEdge && onGround(st, p2) ? 0.2f / st.dens : stepAt(st, e, p2);
    const float h13 = stepAt(st, e, p13);
    const float h23 = stepAt(st, e, p23);
    std::vector<float> breaks = electrodeBreaks(st, e, p1, p2);
    if (st.electrodeReach > 0.0f) {
      marchEdge(st, e, p1, p2, h1, h2, surfaceEdge ? breaks : std::vector<float>{}, console);
      continue;
    }
    if (!breaks.empty()) {
      discretiseAlong(st, e, p1, p2, h1, h2, breaks, console);
      continue;
    }
    splitSegment(st, e, p1, p13, h1, h13, console);
    splitSegment(st, e, p23, p2, h23, h2, console);
    splitSegment(st, e, p13, p23, h13, h23, console);
  }
  if (st.relief) addSurfaceTails(st, console);
  if (st.keyRun == 1) {
    common::OutputFile listing("XZ.txt");
    listing << nodeListing(st);
    listing.commit();
    console << (common::FreeRecord(common::FreeStyle::telm) << " The file XY.txt is saved").str();
    throw CodedStop{200};
  }
}

std::string nodeListing(const TelmState& st) {
  std::string text = common::formatLine("(1X,'Nel =',I4)", {st.nodes.N});
  text += common::formatLine("(1X,A)", {std::string("      X         Z         Q         dL         Xn        Zn")});
  const auto& n = st.nodes;
  for (int i = 0; i < n.N; ++i) {
    text += common::formatLine("(1X,E10.3,1X,E10.3,1X,F9.5,1X,E10.3,1X,E10.3,1X,E10.3)",
                               {n.x[i], n.z[i], n.q[i], n.dL[i], n.xn[i], n.zn[i]});
  }
  return text;
}

}  // namespace telm
