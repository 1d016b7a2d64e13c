// Value-to-colour mapping and the tick values of the colour bar. The ramp runs
// from blue (low) through cyan, green and yellow to red (high), the usual
// reading of resistivity sections; grey stays outside it.
#include "section/colour_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace section {

ColourScale::ColourScale(const std::vector<double>& values, ScaleKind kind) : kind_(kind) {
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    if (v <= 0.0) kind_ = ScaleKind::linear;
    minimum_ = hasData_ ? std::min(minimum_, v) : v;
    maximum_ = hasData_ ? std::max(maximum_, v) : v;
    hasData_ = true;
  }
}

double ColourScale::fraction(double value) const {
  if (!hasData_ || !std::isfinite(value) || value < minimum_ || value > maximum_) return -1.0;
  if (minimum_ == maximum_) return 0.5;
  if (kind_ == ScaleKind::logarithmic) {
    return std::log(value / minimum_) / std::log(maximum_ / minimum_);
  }
  return (value - minimum_) / (maximum_ - minimum_);
}

std::string ColourScale::colour(double value) const {
  const double f = fraction(value);
  return f < 0.0 ? noValueColour : rampColour(f);
}

std::string ColourScale::rampColour(double fraction) {
  static constexpr std::array<std::array<double, 3>, 5> anchors{{
      {{40, 60, 200}}, {{40, 190, 220}}, {{80, 190, 80}}, {{240, 220, 60}}, {{210, 40, 40}}}};
  const double t = std::clamp(fraction, 0.0, 1.0) * (anchors.size() - 1);
  const auto lower = std::min(static_cast<std::size_t>(t), anchors.size() - 2);
  const double w = t - static_cast<double>(lower);
  char buffer[8];
  int rgb[3];
  for (std::size_t c = 0; c < 3; ++c) {
    rgb[c] = static_cast<int>(std::lround(anchors[lower][c] * (1.0 - w) + anchors[lower + 1][c] * w));
  }
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return buffer;
}

std::vector<double> ColourScale::ticks() const {
  if (!hasData_) return {};
  if (constant()) return {minimum_};
  std::vector<double> inner;
  if (kind_ == ScaleKind::logarithmic) {
    const double first = std::floor(std::log10(minimum_));
    const double last = std::ceil(std::log10(maximum_));
    for (double e = first; e <= last; ++e) {
      for (double m : {1.0, 2.0, 5.0}) inner.push_back(m * std::pow(10.0, e));
    }
    // Over many decades the 2 and 5 ticks would crowd the bar.
    if (last - first > 4) std::erase_if(inner, [](double v) {
      const double m = v / std::pow(10.0, std::floor(std::log10(v)));
      return std::fabs(m - 1.0) > 1e-9;
    });
  } else {
    inner = niceTicks(minimum_, maximum_, 6);
  }
  // The end labels are exact; round values too close to them would overlap.
  std::vector<double> result{minimum_};
  for (double v : inner) {
    const double f = fraction(v);
    if (f > 0.06 && f < 0.94) result.push_back(v);
  }
  result.push_back(maximum_);
  return result;
}

std::vector<double> niceTicks(double lo, double hi, int wanted) {
  if (!(hi > lo) || wanted < 1) return {};
  const double rough = (hi - lo) / wanted;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (double m : {2.0, 5.0, 10.0}) {
    if (step >= rough) break;
    step = m * power;
  }
  std::vector<double> ticks;
  for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
  }
  return ticks;
}

}  // namespace section
