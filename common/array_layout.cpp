// The electrode layout of each array kind, in the single-precision steps in
// which korvis has always placed its electrodes.
#include "common/array_layout.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace common {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

}  // namespace

int evaluatedSpacings(const ArrayFile& a) {
  return a.keyArr == 17 || a.keyArr == 19 ? std::min(a.nSpac, 1) : a.nSpac;
}

Placement placeElectrodes(const ArrayFile& a, int p, int j) {
  const float X = a.X0 + static_cast<float>(p - 1) * a.dX;
  const float Z = a.Z0 + static_cast<float>(p - 1) * a.dZ;
  const float s = a.Spac[at(j - 1)];
  Placement pl;
  Configuration& c = pl.first;
  c.xr = X;
  c.zr = Z;
  // A dipole 4s/3 .. 8s/3 off the receiver, in the single-precision steps of
  // the layout: t = 2s, d = t/3.
  const float t = 2.0f * s;
  const float d = t * 0.33333334f;
  switch (a.keyArr) {
    case 2:
      c = {X - s, 0.0f, absentB, 0.0f, X, Z, 1.0f, 0.0f};
      break;
    case 3:
      c = {absentA, 0.0f, X + s, 0.0f, X, Z, 1.0f, 0.0f};
      break;
    case 4:
      c = {X - (t + d), 0.0f, X - (t - d), 0.0f, X, Z, 1.0f, 0.0f};
      break;
    case 5:
      c = {X + (t - d), 0.0f, X + (t + d), 0.0f, X, Z, 1.0f, 0.0f};
      break;
    case 9:
      c = {a.XA, Z + s, absentB, 0.0f, a.XA, Z, 0.0f, 1.0f};
      break;
    case 10:
      c = {a.XA, Z - s, absentB, 0.0f, a.XA, Z, 0.0f, 1.0f};
      break;
    case 11: {
      const float depth =
          a.Z0 + static_cast<float>(a.iDir) * (a.Spac[0] + static_cast<float>(j - 1) * a.dZ);
      c = {a.XA, depth, a.XB, a.ZB, a.XMN, Z, 0.0f, 1.0f};
      break;
    }
    case 13:
      c = {absentA, a.ZA, X + s, a.ZB, X, a.ZB, 1.0f, 0.0f};
      break;
    case 14:
      c = {X - s, a.ZA, absentB, a.ZB, X, a.ZB, 1.0f, 0.0f};
      break;
    case 15:
      c = {X, 0.0f, absentB, 0.0f, X + s, Z, 1.0f, 0.0f};
      pl.solveFlag = j;
      break;
    case 16:
      c = {absentA, 0.0f, X, 0.0f, X - s, Z, 1.0f, 0.0f};
      pl.solveFlag = j;
      break;
    case 17:
    case 19: {
      const float length = std::sqrt(a.dX * a.dX + a.dZ * a.dZ);
      c = {a.XA, a.ZA, a.XB, a.ZB, X, Z, a.dX / length, a.dZ / length};
      break;
    }
    case 18:
      c = {X, 0.0f, absentB, 0.0f, X + s, Z, 1.0f, 0.0f};
      pl.xr2 = X - s;
      pl.zr2 = 0.0f;
      pl.solveFlag = j;
      break;
    default:
      // Kinds 1, 6, 7, 8, 12, and unknown kinds, which are laid out the same.
      c = {X - s, 0.0f, X + s, 0.0f, X, Z, 1.0f, 0.0f};
      pl.unknownKind = a.keyArr < 1 || a.keyArr > 19;
      break;
  }
  return pl;
}

}  // namespace common
