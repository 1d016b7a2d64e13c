// The electrode layout of the nineteen array kinds of varga.arr: where the
// current electrodes A and B and the receiver stand for position p and
// spacing j. korvis evaluates every configuration from it; telm takes the
// buried current electrodes from it to grade the mesh toward them.
#pragma once

#include "common/model.h"

namespace common {

// An electrode at x = -10000 (A) or 10000 (B) stands for one at infinity.
inline constexpr float absentA = -10000.0f;
inline constexpr float absentB = 10000.0f;

// One source configuration: the current electrodes, the receiver and its
// measuring direction.
struct Configuration {
  float XA = 0, ZA = 0, XB = 0, ZB = 0;  // current electrodes
  float xr = 0, zr = 0;                  // receiver
  float nx = 1, nz = 0;                  // measuring direction
};

// The electrodes, receivers and flags of one evaluation (position p, spacing
// j, both 1-based). X = X0 + (p-1)*dX, Z = Z0 + (p-1)*dZ, s = Spac(j).
struct Placement {
  Configuration first;         // A, B, first receiver and its direction
  float xr2 = 0, zr2 = 0;      // kind 18: the second receiver (X - s, 0)
  int solveFlag = 1;           // kinds 15, 16, 18: j (solve for j = 1 only)
  bool unknownKind = false;    // keyArr outside 1..19: laid out as kind 1
};

Placement placeElectrodes(const ArrayFile& a, int p, int j);

// The spacings evaluated per position: 1 for kinds 17 and 19, else nSpac.
int evaluatedSpacings(const ArrayFile& a);

}  // namespace common
