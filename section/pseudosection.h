// Pseudosection pictures: every measured value at the midpoint of its
// electrodes across and at its pseudo-depth down (or, for borehole arrays,
// at its midpoint depth down and its distance from the borehole across),
// each marked by a dot in a cell of its colour; the cells tile the covered
// area.
#pragma once

#include <string>
#include <vector>

#include "section/colour_scale.h"
#include "section/configuration.h"
#include "section/section_overlay.h"

namespace section {

// Colour bar captions; the picture titles carry the quantities in words.
inline constexpr const char* resistivityCaption = "\u03c1a, ohm-m";
inline constexpr const char* chargeabilityCaption = "\u03b7a, %";

struct SectionValue {
  double x = 0.0, depth = 0.0, value = 0.0;  // value may be NaN: drawn grey
};

enum class DepthAxis { automatic, linear, logarithmic };

struct Pseudosection {
  std::vector<std::string> titles;
  std::string quantity;  // colour bar label, with unit
  std::string xLabel = "midpoint x, m";
  std::string depthLabel = "pseudo-depth, m";
  ScaleKind scale = ScaleKind::logarithmic;
  // Automatic: logarithmic when the depths are positive and grow by factors
  // rather than by steps (spacings 10, 20, 50, 100 ...).
  DepthAxis depthAxis = DepthAxis::automatic;
  std::vector<SectionValue> values;
  // The dipole-dipole n of every value, when every value is one (else empty).
  std::vector<double> nLevels;
  // Both axes are true positions (x and depth of cross-hole data): they are
  // fitted to the values and the electrodes, with one scale across and down.
  bool truePositions = false;
  SectionOverlay overlay;
};

// Draws `s` against the n-level instead of the pseudo-depth, when it has them.
void useNLevels(Pseudosection& s);

// A measured value with its electrodes, or with a place of its own (x and
// depth) when the survey is not known.
struct Measurement {
  bool known = false;
  Configuration configuration;
  double x = 0.0, depth = 0.0;
  double value = 0.0;
};

// Fills the values and axis labels of `s`. When every configuration is known
// and has a median depth, surface and buried-line arrays go to (midpoint,
// pseudo-depth) and borehole arrays to (distance from the borehole, midpoint
// depth); otherwise each value goes to its midpoint (or x) across and its own
// depth down, the axes named by the fallback labels. Records the n-levels
// when every configuration is a dipole-dipole one.
void placeMeasurements(Pseudosection& s, const std::vector<Measurement>& measurements, const std::string& fallbackXLabel,
                       const std::string& fallbackDepthLabel);

// Whether distinct depths call for a logarithmic axis: all positive, a
// range of at least a factor of four, and the largest step between
// neighbouring depths at least 2.5 times the smallest.
bool depthsAreGeometric(std::vector<double> depths);

std::string renderPseudosection(const Pseudosection& section);

}  // namespace section
