// The one state record of a korvis run: geometry and nodes loaded from
// varga.xy, the survey of varga.arr, the wavenumber table and the result
// grids. Created once at start-up with the fixed kinds' limits; the survey
// mode sets memory-bounded ones (limits) before it reads varga.xy.
#pragma once

#include <array>
#include <vector>

#include "common/model.h"

namespace korvis {

inline constexpr int maxNodes = 4100;
inline constexpr int maxWavenumbers = 35;
inline constexpr int gridCells = common::maxPositions * common::maxSpacings;

struct KorvisState {
  common::ModelLimits limits{.nodes = maxNodes};
  common::ModelGeometry model;
  common::NodeTable nodes{maxNodes};
  int keyIP = 0;
  common::ArrayFile arr;

  int nKy = 0;
  std::array<float, maxWavenumbers> Ky{};
  std::array<float, maxWavenumbers> WKy{};

  // Result grids, nPos rows by nSpac columns, column by column (position
  // index fastest, leading dimension nPos).
  std::array<float, gridCells> ResF{}, ResR{}, NrmF{}, NrmR{}, DcF{}, DcR{};
};

}  // namespace korvis
