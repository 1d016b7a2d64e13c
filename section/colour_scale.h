// Colour scale of a picture: maps values to colours over the range of the
// finite data, logarithmically for resistivities (which span decades) and
// linearly for chargeabilities; values without a place on the scale are grey.
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
  static std::string rampColour(double fraction);
  // Labelled values of the bar: the minimum, round values inside, the maximum.
  std::vector<double> ticks() const;

 private:
  ScaleKind kind_;
  bool hasData_ = false;
  double minimum_ = 0.0, maximum_ = 0.0;
};

// Round tick values (1, 2 or 5 times a power of ten) inside [lo, hi].
std::vector<double> niceTicks(double lo, double hi, int wanted);

}  // namespace section
