// The result tables of the log korvis.txt: the ordinary table (one row per
// spacing, positions across), the gradient table of kind 17 and the
// electric-field table of kind 19. Each routine returns the lines of one
// table; the run appends them to the log in the order of the passes.
#pragma once

#include <string>

namespace korvis {

// Title (flag 0: "APP.RESISTIVITY", 1: "APP.CHARGEABILITY"), heading with the
// position axis start + (p-1)*step (F7.1, ten per line), a rule of 70 "-",
// then per spacing j: Spac(j) (F9.3) and grid(1..nPos, j) (F9.3 and a blank,
// ten per line). grid is column-major with leading dimension nPos.
std::string ordinaryTable(float step, float start, int nPos, const float* Spac, int nSpac,
                          const float* grid, int flag);

// Title, "point   Rok" (flag 0) or "point   Eta" (flag 1), then per position
// the axis value (F10.5) and grid(p, 1) (F15.7).
std::string gradientTable(float step, float start, int nPos, const float* grid, int flag);

// "Electrical field", the column heading, then per position X0 + (p-1)*dX,
// Z0 + (p-1)*dZ (F10.4) and grid(p, 1) (E10.4).
std::string electricFieldTable(float dX, float X0, float dZ, float Z0, int nPos, const float* grid);

}  // namespace korvis
