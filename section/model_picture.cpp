// Model picture. varga.xy is read through the same free-format record reader
// as the programs' own inputs, so a file the programs accept reads here too.
// The picture keeps one metre the same length across and down: a distorted
// model would misrepresent dips and element sizes, the point of looking.
// The survey's electrodes come from korvis's own layout of its kinds.
#include "section/model_picture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <set>

#include "common/memory_limit.h"
#include "common/mesh_survey.h"
#include "common/model.h"
#include "common/model_checks.h"
#include "common/record_reader.h"
#include "common/survey_file.h"
#include "section/chart_frame.h"
#include "section/array_layouts.h"
#include "section/colour_scale.h"
#include "section/configuration.h"
#include "section/ground_line.h"
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

// Every electrode place of the survey and its largest pseudo-depth.
void readSurvey(const std::string& path, ModelDrawing& m) {
  const common::ArrayFile a = readArrayFile(path);
  std::set<std::pair<long, long>> seen;
  auto add = [&](const Electrode& e, bool current) {
    if (e.remote || !seen.insert({std::lround(e.x * 1000), std::lround(e.z * 1000)}).second) return;
    m.electrodes.push_back({{e.x, e.z}, current});
  };
  const int spacings = a.keyArr == 17 || a.keyArr == 19 ? std::min(a.nSpac, 1) : a.nSpac;
  for (int p = 1; p <= a.nPos; ++p) {
    for (int j = 1; j <= spacings; ++j) {
      for (const bool reverse : {false, true}) {
        if (reverse && a.keyArr != 18) continue;
        const Configuration c = korvisConfiguration(a, p, j, reverse);
        add(c.a, true);
        add(c.b, true);
        add(c.m, false);
        const Placement place = placeConfiguration(c);
        if (place.valid && !place.vertical) m.deepest = std::max(m.deepest, place.depth);
      }
    }
  }
  m.titles.push_back(std::filesystem::path(path).filename().string() + ": " + korvisKindName(a.keyArr) + ", " +
                     std::to_string(a.nPos) + " positions");
}

// The electrodes that the measurements of a survey file use, and the
// largest pseudo-depth of its measurements.
void readSurveyFileElectrodes(const std::string& path, ModelDrawing& m) {
  const common::SurveyData data = common::readSurveyFile(path);
  std::vector<char> role(data.electrodes.size(), 0);  // 1 receiver, 2 current
  auto electrode = [&](int number) {
    if (number == 0) return Electrode{};
    const auto& e = data.electrodes[static_cast<std::size_t>(number - 1)];
    return Electrode{e.x, -e.z, false};
  };
  for (const common::SurveyDatum& d : data.data) {
    for (const int a : {d.a, d.b}) {
      if (a > 0) role[static_cast<std::size_t>(a - 1)] = 2;
    }
    for (const int r : {d.m, d.n}) {
      if (r > 0) role[static_cast<std::size_t>(r - 1)] = std::max<char>(role[static_cast<std::size_t>(r - 1)], 1);
    }
    const Placement place = placeConfiguration({electrode(d.a), electrode(d.b), electrode(d.m), electrode(d.n)});
    if (place.valid && !place.vertical) m.deepest = std::max(m.deepest, place.depth);
  }
  for (std::size_t e = 0; e < role.size(); ++e) {
    if (role[e] != 0) m.electrodes.push_back({{data.electrodes[e].x, -data.electrodes[e].z}, role[e] == 2});
  }
  m.titles.push_back(std::filesystem::path(path).filename().string() + ": " + std::to_string(data.electrodes.size()) +
                     " electrodes, " + std::to_string(data.data.size()) + " data");
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

ModelDrawing readModel(const std::string& modelPath, const std::string& arrayPath, const std::string& surveyPath) {
  // A mesh that telm --survey prepared (its record beside it) has the
  // survey mode's memory-bounded limits.
  const common::ModelLimits limits = common::readMeshSurvey(modelPath)
                                         ? common::surveyLimits(common::availableMemory())
                                         : common::ModelLimits{.nodes = maxNodes};
  common::RecordReader in(modelPath);
  int nP = 0, nT = 0, nPOnSurface = 0, keyIP = 0;
  in.record(nP, "nP", nT, "nT", nPOnSurface, "nPOnSurface", keyIP, "keyIP");
  checkRange(in, nP, 1, limits.vertices, "nP");
  checkRange(in, nT, 1, limits.bodies, "nT");
  checkRange(in, nPOnSurface, 0, std::min(nP, limits.surface), "nPOnSurface");
  std::vector<int> list(static_cast<std::size_t>(nPOnSurface)), surfaceBodies(list.size());
  in.readList(list.data(), nPOnSurface, "surfaceList");
  for (int v : list) checkRange(in, v, 1, nP, "surface vertex numbers");
  in.readList(surfaceBodies.data(), std::max(nPOnSurface - 1, 0), "surfaceBodies");

  ModelDrawing m;
  m.ip = keyIP != 0;
  std::vector<std::vector<int>> rings;
  for (int i = 0; i < nT; ++i) {
    float Ro = 0, RO_IP = 0;
    int nVer = 0;
    in.record(Ro, "Ro", RO_IP, "RO_IP", nVer, "nVer");
    checkRange(in, nVer, 1, limits.ringVertices, "nVer");
    std::vector<int> ring(static_cast<std::size_t>(nVer) + 1);
    in.readList(ring.data(), nVer + 1, "vertexRing");
    for (int v : ring) checkRange(in, v, 1, nP, "vertex numbers");
    ring.pop_back();  // the closing repeat of the first vertex
    m.bodies.push_back({Ro, RO_IP, {}});
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
  for (int v : list) m.ground.push_back(vertices[static_cast<std::size_t>(v - 1)]);
  int N = 0;
  in.record(N, "N");
  checkRange(in, N, 0, limits.nodes, "N");
  for (int k = 0; k < N; ++k) {
    float x = 0, z = 0, dL = 0, xn = 0, zn = 0, q = 0, qIP = 0;
    in.record(x, "x", z, "z", dL, "dL", xn, "xn", zn, "zn", q, "q", qIP, "qIP");
    m.nodes.push_back({x, z, dL, xn, zn});
  }
  const std::string title = modelTitle(std::filesystem::path(modelPath).parent_path().string());
  if (!title.empty()) m.titles.push_back(title);
  m.titles.push_back(std::filesystem::path(modelPath).filename().string() + ": " + std::to_string(nT) +
                     " bodies, " + std::to_string(N) + " nodes");
  std::error_code ec;
  if (std::filesystem::is_regular_file(arrayPath, ec)) {
    readSurvey(arrayPath, m);
  } else if (!surveyPath.empty()) {
    readSurveyFileElectrodes(surveyPath, m);
  }
  return m;
}

namespace {

struct Box {
  double xLo = 0, xHi = 0, zLo = 0, zHi = 0;
};

bool insidePolygon(const std::vector<Point>& ring, double x, double z) {
  bool in = false;
  for (std::size_t k = 0, l = ring.size() - 1; k < ring.size(); l = k++) {
    if ((ring[k].z > z) != (ring[l].z > z) &&
        x < (ring[l].x - ring[k].x) * (z - ring[k].z) / (ring[l].z - ring[k].z) + ring[k].x) {
      in = !in;
    }
  }
  return in;
}

// The vertices' extent.
Box extentOf(const ModelDrawing& m) {
  Box model;
  bool first = true;
  for (const auto& b : m.bodies) {
    for (const auto& p : b.outline) {
      model = first ? Box{p.x, p.x, p.z, p.z}
                    : Box{std::min(model.xLo, p.x), std::max(model.xHi, p.x), std::min(model.zLo, p.z),
                          std::max(model.zHi, p.z)};
      first = false;
    }
  }
  return model;
}

bool hasRelief(const ModelDrawing& m) { return leavesDatum(m.ground, common::surfaceBand); }

// The part of the picture to show: the surveyed ground (the electrodes with
// a margin, down to beyond the largest pseudo-depth) within the model, or
// the whole model. Over relief the frame reaches up past the highest ground
// in it by a quarter of the relief's height, so that the air shows above
// the crests.
Box frameOf(const ModelDrawing& m) {
  const Box model = extentOf(m);
  if (m.full || m.electrodes.empty()) return model;
  Box survey{m.electrodes[0].at.x, m.electrodes[0].at.x, 0.0, m.deepest};
  for (const auto& e : m.electrodes) {
    survey = {std::min(survey.xLo, e.at.x), std::max(survey.xHi, e.at.x), std::min(survey.zLo, e.at.z),
              std::max(survey.zHi, e.at.z)};
  }
  const double margin = 0.1 * std::max(survey.xHi - survey.xLo, survey.zHi - survey.zLo) + 1.0;
  survey = {survey.xLo - margin, survey.xHi + margin, std::min(survey.zLo, 0.0), survey.zHi * 1.2 + margin};
  Box cut{std::max(survey.xLo, model.xLo), std::min(survey.xHi, model.xHi), std::max(survey.zLo, model.zLo),
          std::min(survey.zHi, model.zHi)};
  if (hasRelief(m)) {
    double high = std::min(groundDepthAt(m.ground, cut.xLo), groundDepthAt(m.ground, cut.xHi));
    double low = std::max(groundDepthAt(m.ground, cut.xLo), groundDepthAt(m.ground, cut.xHi));
    for (const auto& p : m.ground) {
      if (p.x > cut.xLo && p.x < cut.xHi) high = std::min(high, p.z), low = std::max(low, p.z);
    }
    for (const auto& e : m.electrodes) high = std::min(high, e.at.z);
    cut.zLo = high - 0.25 * (low - high);
  }
  return cut.xHi > cut.xLo && cut.zHi > cut.zLo ? cut : model;
}

// Colour of text on a fill: white on dark colours, black on light ones.
std::string textColourOn(const std::string& fill) {
  const auto channel = [&](std::size_t at) { return std::stoi(fill.substr(at, 2), nullptr, 16); };
  const double luma = 0.2126 * channel(1) + 0.7152 * channel(3) + 0.0722 * channel(5);
  return luma < 110.0 ? "white" : "black";
}

// One panel: the bodies coloured by `valueOf` on `scale`, their labels, the
// interfaces, the surface, the nodes on request and the electrodes.
void drawPanel(SvgDocument& svg, const ModelDrawing& m, const ChartFrame& frame, Range xr, double height,
               const ColourScale& scale, bool chargeability, const std::string& clipId) {
  const double top = frame.top();
  svg.open("clipPath", {{"id", clipId}});
  svg.add("rect", {{"x", num(plotLeft)}, {"y", num(top)}, {"width", num(plotWidth)}, {"height", num(height)}});
  svg.close("clipPath");
  svg.open("g", {{"clip-path", "url(#" + clipId + ")"}});
  // Largest first, so that a body drawn over a background body stays visible.
  std::vector<std::size_t> order(m.bodies.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](auto a, auto b) { return area(m.bodies[a].outline) > area(m.bodies[b].outline); });
  const auto valueOf = [&](const ModelBody& b) { return chargeability ? b.eta() : b.Ro; };
  for (std::size_t i : order) {
    std::string points;
    for (const auto& p : m.bodies[i].outline) points += num(frame.px(p.x)) + ',' + num(frame.py(p.z)) + ' ';
    svg.add("polygon", {{"class", "body"}, {"points", points}, {"fill", scale.colour(valueOf(m.bodies[i]))},
                        {"stroke", "#404040"}, {"stroke-width", "1"}});
  }
  if (hasRelief(m)) {
    // Level beyond the line's ends, as the modelling programs continue it.
    std::string points = num(plotLeft) + ',' + num(frame.py(groundDepthAt(m.ground, xr.lo))) + ' ';
    for (const auto& p : m.ground) {
      if (p.x > xr.lo && p.x < xr.hi) points += num(frame.px(p.x)) + ',' + num(frame.py(p.z)) + ' ';
    }
    points += num(plotLeft + plotWidth) + ',' + num(frame.py(groundDepthAt(m.ground, xr.hi)));
    svg.add("polyline", {{"class", "surface"}, {"points", points}, {"fill", "none"}, {"stroke", "black"},
                         {"stroke-width", "1.5"}});
  } else {
    svg.add("line", {{"class", "surface"}, {"x1", num(plotLeft)}, {"y1", num(frame.py(0))},
                     {"x2", num(plotLeft + plotWidth)}, {"y2", num(frame.py(0))}, {"stroke", "black"},
                     {"stroke-width", "1.5"}});
  }
  if (m.showNodes) {
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
  }
  // Labels: the body number and its value, at the place nearest the middle
  // of the body's visible part where the text fits inside the body.
  for (std::size_t i = 0; i < m.bodies.size(); ++i) {
    const auto& b = m.bodies[i];
    const std::string line1 = std::to_string(i + 1) + ": " + formatLabel(b.Ro) + " ohm-m";
    const std::string line2 = m.ip ? "\u03b7 " + formatLabel(b.eta()) + " %" : std::string();
    // Half the text's extent plus a clearance from the body's edges.
    const double halfWidth = 3.4 * static_cast<double>(std::max(line1.size(), line2.size())) + 10.0;
    const double halfHeight = m.ip ? 24.0 : 16.0;
    std::vector<Point> page;
    for (const auto& p : b.outline) page.push_back({frame.px(p.x), frame.py(p.z)});
    const double pxLo = std::max(plotLeft, std::min_element(page.begin(), page.end(), [](auto a, auto c) { return a.x < c.x; })->x);
    const double pxHi =
        std::min(plotLeft + plotWidth, std::max_element(page.begin(), page.end(), [](auto a, auto c) { return a.x < c.x; })->x);
    const double pzLo = std::max(top, std::min_element(page.begin(), page.end(), [](auto a, auto c) { return a.z < c.z; })->z);
    const double pzHi =
        std::min(top + height, std::max_element(page.begin(), page.end(), [](auto a, auto c) { return a.z < c.z; })->z);
    if (pxHi - pxLo < 2 * halfWidth || pzHi - pzLo < 2 * halfHeight) continue;
    const double cx = (pxLo + pxHi) / 2, cz = (pzLo + pzHi) / 2;
    double bestX = 0, bestZ = 0, bestDistance = INFINITY;
    constexpr int steps = 16;
    for (int u = 0; u <= steps; ++u) {
      for (int v = 0; v <= steps; ++v) {
        const double x = pxLo + halfWidth + (pxHi - pxLo - 2 * halfWidth) * u / steps;
        const double z = pzLo + halfHeight + (pzHi - pzLo - 2 * halfHeight) * v / steps;
        const double distance = std::hypot(x - cx, z - cz);
        if (distance >= bestDistance) continue;
        // The whole box inside: a grid of test points no more than 6 px apart.
        bool fits = true;
        const int across = static_cast<int>(2 * halfWidth / 6) + 1, down = static_cast<int>(2 * halfHeight / 6) + 1;
        for (int a = 0; a <= across && fits; ++a) {
          for (int d = 0; d <= down && fits; ++d) {
            fits = insidePolygon(page, x - halfWidth + 2 * halfWidth * a / across, z - halfHeight + 2 * halfHeight * d / down);
          }
        }
        for (const auto& e : m.electrodes) {
          fits = fits && (std::fabs(frame.px(e.at.x) - x) > halfWidth || std::fabs(frame.py(e.at.z) - z) > halfHeight);
        }
        if (fits) bestX = x, bestZ = z, bestDistance = distance;
      }
    }
    if (!std::isfinite(bestDistance)) continue;
    const std::string ink = textColourOn(scale.colour(chargeability ? b.eta() : b.Ro));
    svg.add("text", {{"class", "body-label"}, {"x", num(bestX)}, {"y", num(bestZ + (m.ip ? -2 : 4))},
                     {"text-anchor", "middle"}, {"fill", ink}}, line1);
    if (m.ip) {
      svg.add("text", {{"class", "body-label"}, {"x", num(bestX)}, {"y", num(bestZ + 13)}, {"text-anchor", "middle"},
                       {"fill", ink}}, line2);
    }
  }
  svg.close("g");
  // Electrodes: a triangle standing on the surface point (current
  // electrodes filled), a diamond at depth. Outside the clip, so that the
  // triangles show above a surface at the frame's top edge. Over relief an
  // electrode that is not below the ground stands on it at its x, where
  // the programs put it (exactly, or with --drape).
  const bool relief = hasRelief(m);
  // The programs' tolerance for an electrode on the surface.
  const Box model = extentOf(m);
  const double onGround = std::max(0.001, 1e-6 * std::max(model.xHi - model.xLo, model.zHi - model.zLo));
  for (const auto& e : m.electrodes) {
    const double ground = groundDepthAt(m.ground, e.at.x);
    const bool standing = relief ? e.at.z <= ground + onGround : std::abs(e.at.z) < 1e-6;
    const double x = frame.px(e.at.x), y = frame.py(relief && standing ? ground : e.at.z);
    if (x < plotLeft || x > plotLeft + plotWidth || y < top - 1 || y > top + height) continue;
    const std::string fill = e.current ? "black" : "white";
    const std::string points = standing
                                   ? num(x - 5) + ',' + num(y - 10) + ' ' + num(x + 5) + ',' + num(y - 10) + ' ' +
                                         num(x) + ',' + num(y)
                                   : num(x) + ',' + num(y - 6) + ' ' + num(x + 5) + ',' + num(y) + ' ' + num(x) +
                                         ',' + num(y + 6) + ' ' + num(x - 5) + ',' + num(y);
    svg.add("polygon", {{"class", "electrode"}, {"points", points}, {"fill", fill}, {"stroke", "black"},
                        {"stroke-width", "1"}});
  }
}

}  // namespace

std::string renderModel(const ModelDrawing& m) {
  const Box box = frameOf(m);
  Range xr{box.xLo, box.xHi}, zr{box.zLo, box.zHi};
  if (!(xr.hi > xr.lo)) xr = padded(xr.lo, xr.hi, 0.05);
  if (!(zr.hi > zr.lo)) zr = padded(zr.lo, zr.hi, 0.05);
  // Equal scales: widen whichever range is short for the page's proportions.
  const double height = std::clamp(plotWidth * (zr.hi - zr.lo) / (xr.hi - xr.lo), 100.0, 560.0);
  const double metresPerPixel = std::max((xr.hi - xr.lo) / plotWidth, (zr.hi - zr.lo) / height);
  const double xMid = (xr.lo + xr.hi) / 2;
  xr = {xMid - metresPerPixel * plotWidth / 2, xMid + metresPerPixel * plotWidth / 2};
  zr.hi = zr.lo + metresPerPixel * height;

  std::vector<std::string> titles = m.titles;
  if (!m.full && !m.electrodes.empty()) titles.push_back("the surveyed ground (section --full shows the whole model)");
  const double top = titleHeight(titles.size()) + 10.0;
  const double panelGap = 60.0;
  const int panels = m.ip ? 2 : 1;
  SvgDocument svg(pageWidth, top + panels * (height + panelGap) + 10.0);
  drawTitles(svg, titles);

  std::vector<double> resistivities, chargeabilities;
  for (const auto& b : m.bodies) {
    resistivities.push_back(b.Ro);
    chargeabilities.push_back(b.eta());
  }
  for (int panel = 0; panel < panels; ++panel) {
    const bool eta = panel == 1;
    const double panelTop = top + panel * (height + panelGap);
    const ChartFrame frame(panelTop, height, xr, zr, true);
    const ColourScale scale(eta ? chargeabilities : resistivities, eta ? ScaleKind::linear : ScaleKind::logarithmic);
    drawPanel(svg, m, frame, xr, height, scale, eta, eta ? "plot-eta" : "plot");
    frame.drawAxes(svg, "x, m", "depth, m");
    drawColourBar(svg, scale, eta ? "\u03b7, %" : "\u03c1, ohm-m", panelTop + 20.0, std::min(height - 40.0, 360.0),
                  false);
  }
  return svg.str();
}

}  // namespace section
