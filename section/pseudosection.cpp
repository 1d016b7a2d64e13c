// Pseudosection drawing. Cells tile each row like a Voronoi diagram: every
// distinct depth gets an interval reaching halfway to the neighbouring depths,
// and within a row every x one reaching halfway to its neighbours in that row.
// Rows are taken on their own because the receiver centres of one station can
// shift with the spacing (dipole-dipole lists); triangular coverage leaves
// gaps at the ends instead of stretched cells.
#include "section/pseudosection.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

#include "section/chart_frame.h"
#include "section/svg.h"

namespace section {

std::vector<double> cellEdges(const std::vector<double>& v) {
  std::vector<double> edges;
  if (v.empty()) return edges;
  if (v.size() == 1) {
    const double half = v[0] == 0.0 ? 0.5 : std::fabs(v[0]) * 0.5;
    return {v[0] - half, v[0] + half};
  }
  edges.push_back(v[0] - (v[1] - v[0]) / 2);
  for (std::size_t i = 0; i + 1 < v.size(); ++i) edges.push_back((v[i] + v[i + 1]) / 2);
  edges.push_back(v.back() + (v.back() - v[v.size() - 2]) / 2);
  return edges;
}

namespace {

std::vector<double> distinct(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

std::size_t indexOf(const std::vector<double>& sorted, double v) {
  return static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), v) - sorted.begin());
}

}  // namespace

std::string renderPseudosection(const Pseudosection& section) {
  // A value needs a place: the readers reject non-finite coordinates, and
  // the drawing must not index past the cell edges should one slip through.
  std::vector<SectionValue> placed;
  std::copy_if(section.values.begin(), section.values.end(), std::back_inserter(placed),
               [](const SectionValue& v) { return std::isfinite(v.x) && std::isfinite(v.depth); });
  std::vector<double> depths, data;
  std::map<double, std::vector<double>> rows;  // depth -> its distinct x, sorted
  for (const auto& v : placed) {
    depths.push_back(v.depth);
    data.push_back(v.value);
    rows[v.depth].push_back(v.x);
  }
  depths = distinct(std::move(depths));
  const auto depthEdges = cellEdges(depths);
  // A row of one value takes the smallest station step of the other rows.
  double step = 0.0;
  for (auto& [depth, xs] : rows) {
    xs = distinct(std::move(xs));
    for (std::size_t k = 1; k < xs.size(); ++k) {
      step = step == 0.0 ? xs[k] - xs[k - 1] : std::min(step, xs[k] - xs[k - 1]);
    }
  }
  std::map<double, std::vector<double>> rowEdges;
  Range xRange;
  for (const auto& [depth, xs] : rows) {
    const auto& edges = rowEdges[depth] = xs.size() == 1 && step > 0.0
                                              ? std::vector<double>{xs[0] - step / 2, xs[0] + step / 2}
                                              : cellEdges(xs);
    const bool first = rowEdges.size() == 1;
    xRange = {first ? edges.front() : std::min(xRange.lo, edges.front()),
              first ? edges.back() : std::max(xRange.hi, edges.back())};
  }

  constexpr double plotHeight = 400.0;
  const double top = titleHeight(section.titles.size()) + 10.0;
  SvgDocument svg(pageWidth, top + plotHeight + 70.0);
  drawTitles(svg, section.titles);
  const ColourScale scale(data, section.scale);
  const Range depthRange = depthEdges.empty() ? Range{} : Range{depthEdges.front(), depthEdges.back()};
  const ChartFrame frame(top, plotHeight, xRange, depthRange, true);

  bool anyMissing = false;
  // Crisp edges: anti-aliased neighbours would show hairline seams.
  svg.open("g", {{"shape-rendering", "crispEdges"}});
  for (const auto& v : placed) {
    const auto& xs = rows.at(v.depth);
    const auto& xEdges = rowEdges.at(v.depth);
    const std::size_t i = indexOf(xs, v.x);
    const std::size_t j = indexOf(depths, v.depth);
    const double x0 = frame.px(xEdges[i]), x1 = frame.px(xEdges[i + 1]);
    const double y0 = frame.py(depthEdges[j]), y1 = frame.py(depthEdges[j + 1]);
    anyMissing = anyMissing || !std::isfinite(v.value);
    svg.add("rect", {{"class", "cell"}, {"x", num(x0)}, {"y", num(y0)}, {"width", num(x1 - x0)},
                     {"height", num(y1 - y0)}, {"fill", scale.colour(v.value)}});
  }
  svg.close("g");
  if (placed.empty()) {
    svg.add("text", {{"x", num(plotLeft + plotWidth / 2)}, {"y", num(top + plotHeight / 2)},
                     {"text-anchor", "middle"}}, "no values in the file");
  }
  frame.drawAxes(svg, "x, m", section.depthLabel);
  drawColourBar(svg, scale, section.quantity, top + 20.0, plotHeight - 40.0, anyMissing);
  return svg.str();
}

}  // namespace section
