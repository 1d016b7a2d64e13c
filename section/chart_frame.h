// Page furniture shared by every picture: the title block, a plot area that
// maps data coordinates to the page with labelled axes, and the colour bar.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "section/colour_scale.h"
#include "section/svg.h"

namespace section {

struct Range {
  double lo = 0.0, hi = 1.0;
};

inline constexpr double pageWidth = 900.0;
inline constexpr double plotLeft = 80.0;
inline constexpr double plotWidth = 640.0;  // leaves room on the right for the colour bar
inline constexpr double colourBarLeft = plotLeft + plotWidth + 40.0;

class ChartFrame {
 public:
  // With yDown the y values grow downwards (depth); otherwise upwards. With
  // yLog the y axis is logarithmic (its range must then be positive).
  ChartFrame(double top, double height, Range x, Range y, bool yDown, bool yLog = false);

  double px(double x) const;
  double py(double y) const;
  double top() const { return top_; }
  double bottom() const { return top_ + height_; }

  // Frame, ticks with labels and the axis names.
  void drawAxes(SvgDocument& svg, std::string_view xLabel, std::string_view yLabel) const;

 private:
  double top_, height_;
  Range x_, y_;
  bool yDown_, yLog_;
};

// Height taken by a title block of `lines` lines.
double titleHeight(std::size_t lines);
void drawTitles(SvgDocument& svg, const std::vector<std::string>& lines);

// A vertical bar of the scale's colours with its tick values, and a grey
// "no value" swatch below it when some data are not finite.
void drawColourBar(SvgDocument& svg, const ColourScale& scale, std::string_view label, double top,
                   double height, bool showNoValue);

// The data range widened by `share` of its width on both sides; an empty or
// degenerate range gets a width of its own.
Range padded(double lo, double hi, double share);

}  // namespace section
