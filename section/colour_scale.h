// Colour scale of a picture: maps values to colours over the range of the
// finite data, logarithmically for resistivities (which span decades, on a
// diverging blue-to-red map) and linearly for chargeabilities (on a
// sequential map); values without a place on the scale are grey. Both maps
// are perceptually ordered and read by colour-blind viewers.
#pragma once

#include <string>
#include <vector>

namespace section {

enum class ScaleKind { logarithmic, linear };

inline constexpr const char* noValueColour = "#a0a0a0";

class ColourScale {
 public:
  // A logarithmic scale falls back to linear when a finite value is not
  // positive, so that no datum silently turns grey.
  ColourScale(const std::vector<double>& values, ScaleKind kind);

  bool hasData() const { return hasData_; }
  bool constant() const { return hasData_ && minimum_ == maximum_; }
  bool logarithmic() const { return kind_ == ScaleKind::logarithmic; }
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }

  // Position of a value on the bar, 0 at the minimum and 1 at the maximum
  // (0.5 for a constant field); negative for a value off the scale.
  double fraction(double value) const;
  std::string colour(double value) const;
  // Colour at a position of the bar.
  std::string rampColour(double fraction) const;
  // Labelled values of the bar: round values inside the range (1, 2, 5 per
  // decade on a logarithmic scale), at least two of them where the range
  // allows; the value itself for a constant field.
  std::vector<double> ticks() const;

 private:
  ScaleKind kind_;
  bool sequential_;
  bool hasData_ = false;
  double minimum_ = 0.0, maximum_ = 0.0;
};

// Round tick values (1, 2 or 5 times a power of ten) inside [lo, hi].
std::vector<double> niceTicks(double lo, double hi, int wanted);
// Ticks of a logarithmic axis over [lo, hi] (lo > 0): 1, 2 and 5 per decade,
// only the powers of ten over many decades, linear round values when the
// range holds fewer than three of those.
std::vector<double> logTicks(double lo, double hi);

}  // namespace section
