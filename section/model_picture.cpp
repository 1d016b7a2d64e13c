// Model picture. varga.xy is read through the same free-format record reader
// as the programs' own inputs, so a file the programs accept reads here too.
// The picture keeps one metre the same length across and down: a distorted
// model would misrepresent dips and element sizes, the point of looking.
#include "section/model_picture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "common/model.h"
#include "common/record_reader.h"
#include "section/chart_frame.h"
#include "section/colour_scale.h"
#include "section/svg.h"

namespace section {

namespace {

constexpr int maxNodes = 4200;  // telm's capacity, the larger of the two programs

void checkRange(const common::RecordReader& in, int value, int lo, int hi, const char* field) {
  if (value < lo || value > hi) {
    throw common::InputError(in.where("expected " + std::string(field) + " from " + std::to_string(lo) + " to " +
                                      std::to_string(hi) + ", found " + std::to_string(value)));
  }
}

void readSurvey(const std::string& path, ModelDrawing& m) {
  common::RecordReader in(path);
  common::ArrayFile a;
  in.record(a.dX, "dX", a.dZ, "dZ", a.X0, "X0", a.Z0, "Z0", a.nPos, "nPos", a.nSpac, "nSpac");
  checkRange(in, a.nPos, 0, common::maxPositions, "nPos");
  in.record(a.XA, "XA", a.ZA, "ZA", a.XB, "XB", a.ZB, "ZB", a.XMN, "XMN", a.keyArr, "keyArr", a.iDir, "iDir");
  const float z0 = a.keyArr == 18 ? 0.0f : a.Z0;
  for (int p = 0; p < a.nPos; ++p) {
    const float step = static_cast<float>(p);
    m.positions.push_back({a.X0 + step * a.dX, z0 + step * a.dZ});
  }
  // Kinds 17 and 19 keep A and B where the file puts them; the other kinds
  // move them with the position or put them at infinity.
  if (a.keyArr == 17 || a.keyArr == 19) {
    for (const Point e : {Point{a.XA, a.ZA}, Point{a.XB, a.ZB}}) {
      if (std::fabs(e.x) < 10000.0) m.sources.push_back(e);
    }
  }
  m.titles.push_back(std::filesystem::path(path).filename().string() + ": " + std::to_string(a.nPos) +
                     " positions, array kind " + std::to_string(a.keyArr));
}

double area(const std::vector<Point>& ring) {
  double sum = 0.0;
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const Point& a = ring[k];
    const Point& b = ring[(k + 1) % ring.size()];
    sum += a.x * b.z - b.x * a.z;
  }
  return std::fabs(sum) / 2;
}

}  // namespace

ModelDrawing readModel(const std::string& modelPath, const std::string& arrayPath) {
  common::RecordReader in(modelPath);
  int nP = 0, nT = 0, nPOnSurface = 0, keyIP = 0;
  in.record(nP, "nP", nT, "nT", nPOnSurface, "nPOnSurface", keyIP, "keyIP");
  checkRange(in, nP, 1, common::maxVertices, "nP");
  checkRange(in, nT, 1, common::maxBodies, "nT");
  checkRange(in, nPOnSurface, 0, std::min(nP, common::maxSurface), "nPOnSurface");
  std::vector<int> list(static_cast<std::size_t>(nPOnSurface));
  in.readList(list.data(), nPOnSurface, "surfaceList");
  in.readList(list.data(), std::max(nPOnSurface - 1, 0), "surfaceBodies");

  ModelDrawing m;
  std::vector<std::vector<int>> rings;
  for (int i = 0; i < nT; ++i) {
    float Ro = 0, RO_IP = 0;
    int nVer = 0;
    in.record(Ro, "Ro", RO_IP, "RO_IP", nVer, "nVer");
    checkRange(in, nVer, 1, common::maxRing - 1, "nVer");
    std::vector<int> ring(static_cast<std::size_t>(nVer) + 1);
    in.readList(ring.data(), nVer + 1, "vertexRing");
    for (int v : ring) checkRange(in, v, 1, nP, "vertex numbers");
    ring.pop_back();  // the closing repeat of the first vertex
    m.bodies.push_back({Ro, {}});
    rings.push_back(std::move(ring));
  }
  std::vector<Point> vertices(static_cast<std::size_t>(nP));
  for (auto& v : vertices) {
    float xp = 0, zp = 0;
    in.record(xp, "xp", zp, "zp");
    v = {xp, zp};
  }
  for (std::size_t i = 0; i < rings.size(); ++i) {
    for (int v : rings[i]) m.bodies[i].outline.push_back(vertices[static_cast<std::size_t>(v - 1)]);
  }
  int N = 0;
  in.record(N, "N");
  checkRange(in, N, 0, maxNodes, "N");
  for (int k = 0; k < N; ++k) {
    float x = 0, z = 0, dL = 0, xn = 0, zn = 0, q = 0, qIP = 0;
    in.record(x, "x", z, "z", dL, "dL", xn, "xn", zn, "zn", q, "q", qIP, "qIP");
    m.nodes.push_back({x, z, dL, xn, zn});
  }
  m.titles.push_back(std::filesystem::path(modelPath).filename().string() + ": " + std::to_string(nT) +
                     " bodies, " + std::to_string(N) + " nodes");
  std::error_code ec;
  if (std::filesystem::is_regular_file(arrayPath, ec)) readSurvey(arrayPath, m);
  return m;
}

std::string renderModel(const ModelDrawing& m) {
  std::vector<Point> extent;
  for (const auto& n : m.nodes) extent.push_back({n.x, n.z});
  extent.insert(extent.end(), m.positions.begin(), m.positions.end());
  extent.insert(extent.end(), m.sources.begin(), m.sources.end());
  if (extent.empty()) {
    for (const auto& b : m.bodies) extent.insert(extent.end(), b.outline.begin(), b.outline.end());
  }
  double xLo = 0, xHi = 0, zLo = 0, zHi = 0;
  if (!extent.empty()) xLo = xHi = extent[0].x;
  for (const auto& p : extent) {
    xLo = std::min(xLo, p.x);
    xHi = std::max(xHi, p.x);
    zLo = std::min(zLo, p.z);
    zHi = std::max(zHi, p.z);
  }
  Range xr = padded(xLo, xHi, 0.05);
  Range zr = padded(zLo, zHi, 0.05);
  // Equal scales: widen whichever range is short for the page's proportions.
  const double height = std::clamp(plotWidth * (zr.hi - zr.lo) / (xr.hi - xr.lo), 200.0, 640.0);
  const double metresPerPixel = std::max((xr.hi - xr.lo) / plotWidth, (zr.hi - zr.lo) / height);
  const double xMid = (xr.lo + xr.hi) / 2;
  xr = {xMid - metresPerPixel * plotWidth / 2, xMid + metresPerPixel * plotWidth / 2};
  zr.hi = zr.lo + metresPerPixel * height;

  const double top = titleHeight(m.titles.size()) + 10.0;
  SvgDocument svg(pageWidth, top + height + 70.0);
  drawTitles(svg, m.titles);
  const ChartFrame frame(top, height, xr, zr, true);

  std::vector<double> resistivities;
  for (const auto& b : m.bodies) resistivities.push_back(b.Ro);
  const ColourScale scale(resistivities, ScaleKind::logarithmic);

  svg.open("clipPath", {{"id", "plot"}});
  svg.add("rect", {{"x", num(plotLeft)}, {"y", num(top)}, {"width", num(plotWidth)}, {"height", num(height)}});
  svg.close("clipPath");
  svg.open("g", {{"clip-path", "url(#plot)"}});
  // Largest first, so that a body drawn over a background body stays visible.
  std::vector<std::size_t> order(m.bodies.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](auto a, auto b) { return area(m.bodies[a].outline) > area(m.bodies[b].outline); });
  for (std::size_t i : order) {
    std::string points;
    for (const auto& p : m.bodies[i].outline) points += num(frame.px(p.x)) + ',' + num(frame.py(p.z)) + ' ';
    svg.add("polygon", {{"class", "body"}, {"points", points}, {"fill", scale.colour(m.bodies[i].Ro)},
                        {"stroke", "#606060"}, {"stroke-width", "0.5"}});
  }
  svg.add("line", {{"class", "surface"}, {"x1", num(plotLeft)}, {"y1", num(frame.py(0))},
                   {"x2", num(plotLeft + plotWidth)}, {"y2", num(frame.py(0))}, {"stroke", "black"},
                   {"stroke-width", "1.5"}});
  for (const auto& n : m.nodes) {
    // The boundary runs across the normal: tangent (-zn, xn).
    const double hx = -n.zn * n.dL / 2, hz = n.xn * n.dL / 2;
    const double cx = frame.px(n.x), cz = frame.py(n.z);
    svg.add("line", {{"class", "node"}, {"x1", num(frame.px(n.x - hx))}, {"y1", num(frame.py(n.z - hz))},
                     {"x2", num(frame.px(n.x + hx))}, {"y2", num(frame.py(n.z + hz))}, {"stroke", "black"},
                     {"stroke-width", "1.5"}});
    svg.add("line", {{"class", "normal"}, {"x1", num(cx)}, {"y1", num(cz)}, {"x2", num(cx + 8 * n.xn)},
                     {"y2", num(cz + 8 * n.zn)}, {"stroke", "black"}, {"stroke-width", "1"}});
  }
  for (const auto& p : m.positions) {
    const double x = frame.px(p.x), y = frame.py(p.z);
    svg.add("polygon", {{"class", "electrode"},
                        {"points", num(x - 4) + ',' + num(y - 8) + ' ' + num(x + 4) + ',' + num(y - 8) + ' ' +
                                       num(x) + ',' + num(y)},
                        {"fill", "black"}});
  }
  for (std::size_t k = 0; k < m.sources.size(); ++k) {
    const double x = frame.px(m.sources[k].x), y = frame.py(m.sources[k].z);
    svg.add("circle", {{"class", "source"}, {"cx", num(x)}, {"cy", num(y)}, {"r", "4"}, {"fill", "white"},
                       {"stroke", "black"}});
    svg.add("text", {{"x", num(x + 6)}, {"y", num(y - 6)}}, k == 0 ? "A" : "B");
  }
  svg.close("g");
  frame.drawAxes(svg, "x, m", "z, m");
  drawColourBar(svg, scale, "\u03c1, ohm-m", top + 20.0, std::min(height - 40.0, 360.0), false);
  return svg.str();
}

}  // namespace section
