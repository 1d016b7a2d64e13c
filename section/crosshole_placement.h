// Where cross-hole data go: each datum at the centroid of its electrodes
// (mean x and mean depth, electrodes at infinity left out), on axes that are
// true positions. Between two holes with as many electrodes of a datum in
// each, every centroid lies on the vertical halfway between the holes, and
// most data would hide under others; such surveys are drawn against the
// depth difference of their electrodes instead, which keeps every pair of
// source and receiver depths apart.
#pragma once

#include <vector>

#include "section/pseudosection.h"

namespace section {

// Fills the values, axis labels and axes of `s` from the measurements (all
// with known electrodes, z depths). `tolerance`: the distance within which
// two centroids count as one place. True positions are marked in
// `s.truePositions`.
void placeCrossHole(Pseudosection& s, const std::vector<Measurement>& measurements, double tolerance);

// How many values sit at the place of an earlier one (within `tolerance`
// across and down) and so cannot be seen.
std::size_t hiddenValues(const std::vector<SectionValue>& values, double tolerance);

}  // namespace section
