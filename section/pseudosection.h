// Pseudosection pictures: one coloured cell per measured value, placed at the
// station (or receiver centre) along x and at the spacing as pseudo-depth,
// with depth growing downwards.
#pragma once

#include <string>
#include <vector>

#include "section/colour_scale.h"

namespace section {

// Colour bar captions; the picture titles carry the quantities in words.
inline constexpr const char* resistivityCaption = "\u03c1a, ohm-m";
inline constexpr const char* chargeabilityCaption = "\u03b7a, %";

struct SectionValue {
  double x = 0.0, depth = 0.0, value = 0.0;  // value may be NaN: drawn grey
};

struct Pseudosection {
  std::vector<std::string> titles;
  std::string quantity;                 // colour bar label, with unit
  std::string depthLabel = "spacing, m";
  ScaleKind scale = ScaleKind::logarithmic;
  std::vector<SectionValue> values;
};

// Cell boundaries of sorted distinct coordinates: midpoints between
// neighbours, and half the neighbouring gap beyond the ends (n + 1 edges).
std::vector<double> cellEdges(const std::vector<double>& sortedDistinct);

std::string renderPseudosection(const Pseudosection& section);

}  // namespace section
