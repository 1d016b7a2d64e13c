// Drawing of axes, titles and colour bars. The layout is fixed (a 900-pixel
// page, plot on the left, bar on the right) so that pictures of one survey
// line up when viewed side by side.
#include "section/chart_frame.h"

#include <cmath>

namespace section {

ChartFrame::ChartFrame(double top, double height, Range x, Range y, bool yDown, bool yLog)
    : top_(top), height_(height), x_(x), y_(y), yDown_(yDown), yLog_(yLog) {}

double ChartFrame::px(double x) const { return plotLeft + (x - x_.lo) / (x_.hi - x_.lo) * plotWidth; }

double ChartFrame::py(double y) const {
  const double f = yLog_ ? std::log(y / y_.lo) / std::log(y_.hi / y_.lo) : (y - y_.lo) / (y_.hi - y_.lo);
  return yDown_ ? top_ + f * height_ : top_ + (1.0 - f) * height_;
}

void ChartFrame::drawAxes(SvgDocument& svg, std::string_view xLabel, std::string_view yLabel) const {
  svg.add("rect", {{"x", num(plotLeft)}, {"y", num(top_)}, {"width", num(plotWidth)},
                   {"height", num(height_)}, {"fill", "none"}, {"stroke", "black"}});
  for (double v : niceTicks(x_.lo, x_.hi, 8)) {
    const double x = px(v);
    svg.add("line", {{"x1", num(x)}, {"y1", num(bottom())}, {"x2", num(x)}, {"y2", num(bottom() + 5)},
                     {"stroke", "black"}});
    svg.add("text", {{"class", "x-tick"}, {"x", num(x)}, {"y", num(bottom() + 18)}, {"text-anchor", "middle"}},
            formatLabel(v));
  }
  for (double v : yLog_ ? logTicks(y_.lo, y_.hi) : niceTicks(y_.lo, y_.hi, 6)) {
    const double y = py(v);
    svg.add("line", {{"x1", num(plotLeft - 5)}, {"y1", num(y)}, {"x2", num(plotLeft)}, {"y2", num(y)},
                     {"stroke", "black"}});
    svg.add("text", {{"class", "y-tick"}, {"x", num(plotLeft - 8)}, {"y", num(y + 4)}, {"text-anchor", "end"}},
            formatLabel(v));
  }
  svg.add("text", {{"x", num(plotLeft + plotWidth / 2)}, {"y", num(bottom() + 38)},
                   {"text-anchor", "middle"}}, xLabel);
  const double middle = top_ + height_ / 2;
  svg.add("text", {{"x", "22"}, {"y", num(middle)}, {"text-anchor", "middle"},
                   {"transform", "rotate(-90 22 " + num(middle) + ")"}}, yLabel);
}

double titleHeight(std::size_t lines) { return 20.0 + 18.0 * static_cast<double>(lines); }

void drawTitles(SvgDocument& svg, const std::vector<std::string>& lines) {
  double y = 24.0;
  for (const auto& line : lines) {
    svg.add("text", {{"class", "title"}, {"x", num(pageWidth / 2)}, {"y", num(y)},
                     {"text-anchor", "middle"}, {"font-size", "14"}}, line);
    y += 18.0;
  }
}

void drawColourBar(SvgDocument& svg, const ColourScale& scale, std::string_view label, double top,
                   double height, bool showNoValue) {
  constexpr double barWidth = 18.0;
  svg.add("text", {{"x", num(colourBarLeft)}, {"y", num(top - 10)}}, label);
  if (scale.constant()) {
    svg.add("rect", {{"x", num(colourBarLeft)}, {"y", num(top)}, {"width", num(barWidth)},
                     {"height", num(height)}, {"fill", scale.colour(scale.minimum())}, {"stroke", "black"}});
  } else if (scale.hasData()) {
    // One gradient per bar: a page may carry two (model resistivity and
    // chargeability).
    const std::string id = "ramp" + num(top).substr(0, num(top).find('.'));
    svg.open("linearGradient", {{"id", id}, {"x1", "0"}, {"y1", "1"}, {"x2", "0"}, {"y2", "0"}});
    for (int k = 0; k <= 20; ++k) {
      const double f = k / 20.0;
      svg.add("stop", {{"offset", num(f)}, {"stop-color", scale.rampColour(f)}});
    }
    svg.close("linearGradient");
    svg.add("rect", {{"x", num(colourBarLeft)}, {"y", num(top)}, {"width", num(barWidth)},
                     {"height", num(height)}, {"fill", "url(#" + id + ")"}, {"stroke", "black"}});
  }
  for (double v : scale.ticks()) {
    const double y = top + (1.0 - scale.fraction(v)) * height;
    svg.add("line", {{"x1", num(colourBarLeft + barWidth)}, {"y1", num(y)},
                     {"x2", num(colourBarLeft + barWidth + 4)}, {"y2", num(y)}, {"stroke", "black"}});
    svg.add("text", {{"class", "bar-label"}, {"x", num(colourBarLeft + barWidth + 7)}, {"y", num(y + 4)}},
            formatLabel(v));
  }
  if (showNoValue) {
    const double y = top + height + 16;
    svg.add("rect", {{"x", num(colourBarLeft)}, {"y", num(y)}, {"width", num(barWidth)}, {"height", "12"},
                     {"fill", noValueColour}, {"stroke", "black"}});
    svg.add("text", {{"x", num(colourBarLeft + barWidth + 7)}, {"y", num(y + 10)}}, "no value");
  }
}

Range padded(double lo, double hi, double share) {
  if (!(hi > lo)) {
    const double half = lo == 0.0 ? 1.0 : std::fabs(lo) * 0.1;
    return {lo - half, lo + half};
  }
  const double pad = (hi - lo) * share;
  return {lo - pad, hi + pad};
}

}  // namespace section
