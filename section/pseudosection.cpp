// Pseudosection drawing. The cells are the Voronoi cells of the points on
// the page (so that one pixel means the same across and down), clipped to the
// points' hull widened by half the typical gap between neighbours.
#include "section/pseudosection.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "section/chart_frame.h"
#include "section/svg.h"
#include "section/voronoi_cells.h"

namespace section {

namespace {

// One metre the same length across and down, as in the model picture: the
// plot's height follows the shape of the ranges (within bounds), and the
// shorter range is widened about its middle. Depths stay below the surface
// when the shallowest thing drawn is.
void fitOneScale(Range& x, Range& depth, double shallowest, double& height) {
  const double xSpan = x.hi - x.lo, dSpan = depth.hi - depth.lo;
  height = std::clamp(plotWidth * dSpan / xSpan, 200.0, 560.0);
  const double metresPerPixel = std::max(xSpan / plotWidth, dSpan / height);
  const double xMid = (x.lo + x.hi) / 2, dMid = (depth.lo + depth.hi) / 2;
  x = {xMid - metresPerPixel * plotWidth / 2, xMid + metresPerPixel * plotWidth / 2};
  depth = {dMid - metresPerPixel * height / 2, dMid + metresPerPixel * height / 2};
  if (depth.lo < 0.0 && shallowest >= 0.0) depth = {0.0, depth.hi - depth.lo};
}

}  // namespace

void placeMeasurements(Pseudosection& s, const std::vector<Measurement>& measurements, const std::string& fallbackXLabel,
                       const std::string& fallbackDepthLabel) {
  std::vector<Placement> places;
  bool allPlaced = !measurements.empty(), allVertical = true;
  s.nLevels.clear();
  for (const auto& m : measurements) {
    places.push_back(m.known ? placeConfiguration(m.configuration) : Placement{});
    allPlaced = allPlaced && places.back().valid;
    allVertical = allVertical && places.back().vertical;
    s.nLevels.push_back(m.known ? dipoleDipoleLevel(m.configuration) : std::numeric_limits<double>::quiet_NaN());
  }
  if (!std::all_of(s.nLevels.begin(), s.nLevels.end(), [](double n) { return std::isfinite(n); })) s.nLevels.clear();
  s.values.clear();
  for (std::size_t k = 0; k < measurements.size(); ++k) {
    const auto& m = measurements[k];
    const auto& p = places[k];
    if (!allPlaced) {
      s.values.push_back({std::isfinite(p.along) && m.known && !p.vertical ? p.along : m.x, m.depth, m.value});
    } else if (allVertical) {
      s.values.push_back({p.depth, p.along, m.value});
    } else {
      s.values.push_back({p.along, p.depth, m.value});
    }
  }
  if (!allPlaced) {
    s.xLabel = fallbackXLabel;
    s.depthLabel = fallbackDepthLabel;
  } else if (allVertical) {
    s.xLabel = "distance from the borehole (median depth of investigation), m";
    s.depthLabel = "midpoint depth, m";
    s.depthAxis = DepthAxis::linear;
  } else {
    s.xLabel = "midpoint x, m";
    s.depthLabel = "pseudo-depth (median depth of investigation), m";
  }
}

void useNLevels(Pseudosection& s) {
  if (s.nLevels.size() != s.values.size() || s.nLevels.empty()) return;
  for (std::size_t k = 0; k < s.values.size(); ++k) s.values[k].depth = s.nLevels[k];
  s.depthLabel = "n-level";
  s.depthAxis = DepthAxis::linear;
}

bool depthsAreGeometric(std::vector<double> d) {
  std::sort(d.begin(), d.end());
  d.erase(std::unique(d.begin(), d.end(), [](double a, double b) { return std::fabs(a - b) <= 1e-6 * std::fabs(b); }),
          d.end());
  if (d.size() < 3 || !(d.front() > 0.0) || d.back() < 4.0 * d.front()) return false;
  double smallest = INFINITY, largest = 0.0;
  for (std::size_t k = 1; k < d.size(); ++k) {
    smallest = std::min(smallest, d[k] - d[k - 1]);
    largest = std::max(largest, d[k] - d[k - 1]);
  }
  return largest >= 2.5 * smallest;
}

std::string renderPseudosection(const Pseudosection& section) {
  // A value needs a place: the readers reject non-finite coordinates, and
  // the drawing must not be thrown off should one slip through.
  std::vector<SectionValue> placed;
  std::copy_if(section.values.begin(), section.values.end(), std::back_inserter(placed),
               [](const SectionValue& v) { return std::isfinite(v.x) && std::isfinite(v.depth); });
  std::vector<double> depths, data;
  double xLo = 0, xHi = 0, dLo = 0, dHi = 0;
  for (std::size_t k = 0; k < placed.size(); ++k) {
    const auto& v = placed[k];
    depths.push_back(v.depth);
    data.push_back(v.value);
    xLo = k == 0 ? v.x : std::min(xLo, v.x);
    xHi = k == 0 ? v.x : std::max(xHi, v.x);
    dLo = k == 0 ? v.depth : std::min(dLo, v.depth);
    dHi = k == 0 ? v.depth : std::max(dHi, v.depth);
  }
  // The electrodes drawn belong in the picture too (across; down only on
  // true positions, a pseudosection has them on its top edge).
  if (!placed.empty()) {
    for (const auto& e : section.overlay.electrodes) {
      xLo = std::min(xLo, e.at.x), xHi = std::max(xHi, e.at.x);
      if (section.truePositions) dLo = std::min(dLo, e.at.z), dHi = std::max(dHi, e.at.z);
    }
  }
  const bool logDepth = !section.truePositions && (section.depthAxis == DepthAxis::logarithmic ||
                                                   (section.depthAxis == DepthAxis::automatic && depthsAreGeometric(depths)));
  // Linear depth axes start at the surface (or the shallowest value above
  // it); logarithmic ones leave a fifth of the range around the data. True
  // positions are fitted to what is drawn.
  Range depthRange;
  if (placed.empty()) {
    depthRange = {0.0, 1.0};
  } else if (section.truePositions) {
    depthRange = padded(dLo, dHi, 0.05);
  } else if (logDepth) {
    const double pad = std::pow(dHi / dLo, 0.08);
    depthRange = {dLo / pad, dHi * pad};
  } else {
    const double span = dHi > dLo ? dHi - dLo : std::max(std::fabs(dHi), 1.0);
    depthRange = {std::min(0.0, dLo - 0.08 * span), dHi + 0.1 * span};
  }
  Range xRange = padded(xLo, xHi, section.truePositions ? 0.05 : 0.04);

  double plotHeight = 400.0;
  if (section.truePositions) fitOneScale(xRange, depthRange, dLo, plotHeight);
  const double top = titleHeight(section.titles.size()) + 10.0;
  // The cells reach a margin beyond the outermost points; widen the ranges
  // so that the margin stays inside the frame.
  const auto pagePoints = [&](const ChartFrame& frame) {
    std::vector<PagePoint> page;
    for (const auto& v : placed) page.push_back({frame.px(v.x), frame.py(v.depth)});
    return page;
  };
  {
    const double margin = 1.3 * std::max(typicalHalfGap(pagePoints(ChartFrame(top, plotHeight, xRange, depthRange, true, logDepth))), 3.0);
    const double mx = margin * (xRange.hi - xRange.lo) / plotWidth;
    xRange = {std::min(xRange.lo, xLo - mx), std::max(xRange.hi, xHi + mx)};
    if (logDepth) {
      const double factor = std::exp(margin / plotHeight * std::log(depthRange.hi / depthRange.lo));
      depthRange = {std::min(depthRange.lo, dLo / factor), std::max(depthRange.hi, dHi * factor)};
    } else if (!placed.empty()) {
      const double my = margin * (depthRange.hi - depthRange.lo) / plotHeight;
      // Depth axes of surface arrays keep the surface as their top.
      const double lo = dLo >= 0.0 ? std::max(0.0, dLo - my) : dLo - my;
      depthRange = {std::min(depthRange.lo, lo), std::max(depthRange.hi, dHi + my)};
    }
  }
  if (section.truePositions) fitOneScale(xRange, depthRange, dLo, plotHeight);
  SvgDocument svg(pageWidth, top + plotHeight + 70.0);
  drawTitles(svg, section.titles);
  const ColourScale scale(data, section.scale);
  const ChartFrame frame(top, plotHeight, xRange, depthRange, true, logDepth);
  const auto page = pagePoints(frame);
  const double halfGap = typicalHalfGap(page);
  const auto cells = voronoiCells(page, std::max(halfGap, 3.0));
  // Dots small enough to leave the colour of dense surveys visible.
  const std::string dot = num(std::clamp(0.3 * halfGap, 0.5, 1.4));

  bool anyMissing = false;
  svg.open("clipPath", {{"id", "plot"}});
  svg.add("rect", {{"x", num(plotLeft)}, {"y", num(top)}, {"width", num(plotWidth)}, {"height", num(plotHeight)}});
  svg.close("clipPath");
  svg.open("g", {{"clip-path", "url(#plot)"}});
  for (std::size_t k = 0; k < placed.size(); ++k) {
    anyMissing = anyMissing || !std::isfinite(placed[k].value);
    if (cells[k].size() < 3) continue;
    std::string points;
    for (const auto& c : cells[k]) points += num(c.x) + ',' + num(c.y) + ' ';
    points.pop_back();
    const std::string colour = scale.colour(placed[k].value);
    // A thin outline of the cell's own colour hides the anti-aliasing seams
    // between neighbours.
    svg.add("polygon", {{"class", "cell"}, {"points", points}, {"fill", colour}, {"stroke", colour},
                        {"stroke-width", "0.6"}});
  }
  if (!section.overlay.outlines.empty()) {
    // A logarithmic axis has no place for the surface: the outlines run up
    // out of the frame instead.
    SectionOverlay shown = section.overlay;
    if (logDepth) {
      for (auto& ring : shown.outlines) {
        for (auto& p : ring) p.z = std::max(p.z, depthRange.lo / 10);
      }
    }
    drawOutlines(svg, frame, shown, !section.truePositions);
  }
  for (const auto& p : page) {
    svg.add("circle", {{"class", "datum"}, {"cx", num(p.x)}, {"cy", num(p.y)}, {"r", dot}, {"fill", "#202020"}});
  }
  svg.close("g");
  drawElectrodes(svg, frame, section.overlay, section.truePositions ? frame.py(0.0) : frame.top());
  if (placed.empty()) {
    svg.add("text", {{"x", num(plotLeft + plotWidth / 2)}, {"y", num(top + plotHeight / 2)},
                     {"text-anchor", "middle"}}, "no values in the file");
  }
  frame.drawAxes(svg, section.xLabel, section.depthLabel);
  if (!section.overlay.note.empty()) {
    svg.add("text", {{"class", "overlay-note"}, {"x", num(plotLeft + plotWidth / 2)}, {"y", num(frame.bottom() + 56)},
                     {"text-anchor", "middle"}, {"fill", "#404040"}}, section.overlay.note);
  }
  drawColourBar(svg, scale, section.quantity, top + 20.0, plotHeight - 40.0, anyMissing);
  return svg.str();
}

}  // namespace section
