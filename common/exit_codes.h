// Exit statuses of both programs. 0, 100, 199 and 200 are the coded stops
// that scripts around the programs rely on; the others are ours and are
// documented in the README.
#pragma once

namespace common {

inline constexpr int exitNormal = 0;
inline constexpr int exitStepNotPositive = 100;  // telm: varga.arr kind 18 with dX <= 0
inline constexpr int exitTooManyNodes = 199;
inline constexpr int exitNodeListing = 200;      // telm: keyRun = 1, XZ.txt written
inline constexpr int exitBadInput = 2;           // missing, malformed or out-of-range input
inline constexpr int exitNumerical = 3;          // zero pivot: the model cannot be solved
inline constexpr int exitOutputFailed = 4;       // a result file could not be written

}  // namespace common
