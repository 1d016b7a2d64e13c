// Profile drawing: one polyline per series with a marker per finite value; a
// missing value interrupts the line so that no false trend is drawn across it.
#include "section/profile_chart.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "section/chart_frame.h"
#include "section/svg.h"

namespace section {

std::string renderProfile(const Profile& profile) {
  static constexpr std::array<const char*, 4> palette{"#1f4fb4", "#c0392b", "#2e8b57", "#8e44ad"};
  double xLo = 0.0, xHi = 0.0, yLo = 0.0, yHi = 0.0;
  bool anyX = false, anyY = false;
  for (std::size_t i = 0; i < profile.x.size(); ++i) {
    xLo = anyX ? std::min(xLo, profile.x[i]) : profile.x[i];
    xHi = anyX ? std::max(xHi, profile.x[i]) : profile.x[i];
    anyX = true;
    for (const auto& s : profile.series) {
      const double v = s.values[i];
      if (!std::isfinite(v)) continue;
      yLo = anyY ? std::min(yLo, v) : v;
      yHi = anyY ? std::max(yHi, v) : v;
      anyY = true;
    }
  }
  constexpr double plotHeight = 360.0;
  const double top = titleHeight(profile.titles.size()) + 10.0;
  SvgDocument svg(pageWidth, top + plotHeight + 70.0);
  drawTitles(svg, profile.titles);
  const ChartFrame frame(top, plotHeight, padded(xLo, xHi, 0.03), padded(yLo, yHi, 0.08), false);
  frame.drawAxes(svg, profile.xLabel, profile.yLabel);

  for (std::size_t k = 0; k < profile.series.size(); ++k) {
    const auto& s = profile.series[k];
    const char* colour = palette[k % palette.size()];
    std::string points;
    auto flush = [&] {
      if (!points.empty()) {
        svg.add("polyline", {{"class", "profile"}, {"points", points}, {"fill", "none"},
                             {"stroke", colour}, {"stroke-width", "1.5"}});
      }
      points.clear();
    };
    for (std::size_t i = 0; i < profile.x.size(); ++i) {
      if (!std::isfinite(s.values[i])) {
        flush();
        continue;
      }
      const double x = frame.px(profile.x[i]), y = frame.py(s.values[i]);
      if (!points.empty()) points += ' ';
      points.append(num(x)).append(",").append(num(y));
      svg.add("circle", {{"class", "point"}, {"cx", num(x)}, {"cy", num(y)}, {"r", "2.5"}, {"fill", colour}});
    }
    flush();
    const double y = top + 20.0 + 18.0 * static_cast<double>(k);
    svg.add("line", {{"x1", num(colourBarLeft)}, {"y1", num(y)}, {"x2", num(colourBarLeft + 20)},
                     {"y2", num(y)}, {"stroke", colour}, {"stroke-width", "2"}});
    svg.add("text", {{"x", num(colourBarLeft + 26)}, {"y", num(y + 4)}}, s.name);
  }
  return svg.str();
}

}  // namespace section
