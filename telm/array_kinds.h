// The thirteen array kinds of a full telm run: their console titles, result
// files, letter codes and electrode layouts along the profile.
#pragma once

#include "telm/system2d.h"
#include "telm/telm_state.h"

namespace telm {

// Which list heads a result file: the source distances, the receiver
// offsets, or none (pole-dipole and magnetic-field arrays).
enum class SpacingHeading { spacings, offsets, none };

struct ArrayKindInfo {
  const char* title;     // console title line
  const char* fileName;  // result file
  const char* letter;    // code in line 3 of the result file
  SpacingHeading heading;
};

// Kinds outside 2..13 are computed and written as kind 1 (Schlumberger).
int effectiveKind(int arrayKind);

// The entry of an effective kind 1..13.
const ArrayKindInfo& arrayKindInfo(int kind);

// x of station i (1-based): (i - 1) stationStep + firstStation.
float stationX(const TelmState& st, int i);

// Electrodes of station i and spacing j (both 1-based) for effective kind
// `kind`, with x = stationX(i), s, o, m the j-th source distance, offset and
// MN length, zM = zN = profileDepth unless given:
//    1  A = x-s, B = x+s, M = x-m/2, N = x+m/2
//    2  as 1 with B at +100000
//    3  as 1 with A at -100000
//    4  A = x, B at +100000, M,N = x+s -+ m/2
//    5  A at -100000, B = x, M,N = x-s -+ m/2
//    6  A = x-s, B = x+s, M,N = x+o -+ m
//    7  as 6 with M,N = x-o -+ m
//    8  A = x, B = (-5000, 1000), M = x+s, N = (5000, -1000)
//    9  A = x, B = (x, 400), M = x-s, N = (x, 399)
//   10  A = (x, ZA+s), B = (x, ZB-s), M = (x+o, depth+m), N = (x+o, depth-m)
//   11  as 10 with the receivers at x-o
//   12  A, B fixed, M,N = x -+ m(1)/2
//   13  A slots the normal field, M = (x, depth)
// Every array starts from the electrodes of the model file: coordinates a
// kind does not place are those read, never what an earlier array left, and
// the buried sources of kinds 10 and 11 sit at the depths read +- s at every
// configuration.
Electrodes placeElectrodes(const TelmState& st, int kind, int i, int j);

}  // namespace telm
