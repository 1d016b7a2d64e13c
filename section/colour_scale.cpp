// Value-to-colour mapping and the tick values of the colour bar. Resistivity
// uses a diverging map from dark blue (low) through pale yellow to dark red
// (high), sequential chargeability a map from dark purple through green to
// yellow; both are tables of anchor colours of published colour-blind-safe
// maps, interpolated in between.
#include "section/colour_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace section {

ColourScale::ColourScale(const std::vector<double>& values, ScaleKind kind)
    : kind_(kind), sequential_(kind == ScaleKind::linear) {
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

std::string ColourScale::rampColour(double fraction) const {
  using Anchors = std::array<std::array<double, 3>, 11>;
  static constexpr Anchors diverging{{{{49, 54, 149}}, {{69, 117, 180}}, {{116, 173, 209}}, {{171, 217, 233}},
                                      {{224, 243, 248}}, {{255, 255, 191}}, {{254, 224, 144}}, {{253, 174, 97}},
                                      {{244, 109, 67}}, {{215, 48, 39}}, {{165, 0, 38}}}};
  static constexpr Anchors sequential{{{{68, 1, 84}}, {{72, 36, 117}}, {{65, 68, 135}}, {{53, 95, 141}},
                                       {{42, 120, 142}}, {{33, 145, 140}}, {{34, 168, 132}}, {{68, 191, 112}},
                                       {{122, 209, 81}}, {{189, 223, 38}}, {{253, 231, 37}}}};
  const Anchors& anchors = sequential_ ? sequential : diverging;
  const double t = std::clamp(fraction, 0.0, 1.0) * static_cast<double>(anchors.size() - 1);
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
  return kind_ == ScaleKind::logarithmic ? logTicks(minimum_, maximum_) : niceTicks(minimum_, maximum_, 6);
}

std::vector<double> logTicks(double lo, double hi) {
  if (!(lo > 0.0) || !(hi > lo)) return {};
  const double first = std::floor(std::log10(lo));
  const double last = std::ceil(std::log10(hi));
  const bool manyDecades = last - first > 4;
  std::vector<double> ticks;
  for (double e = first; e <= last; ++e) {
    for (double m : {1.0, 2.0, 5.0}) {
      if (manyDecades && m != 1.0) continue;
      // A decimal literal, not m * pow: 0.2 must print as 0.2.
      const double v = std::stod(std::to_string(static_cast<int>(m)) + "e" + std::to_string(static_cast<int>(e)));
      if (v >= lo * (1 - 1e-12) && v <= hi * (1 + 1e-12)) ticks.push_back(v);
    }
  }
  if (ticks.size() >= 3) return ticks;
  return niceTicks(lo, hi, 6);
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
