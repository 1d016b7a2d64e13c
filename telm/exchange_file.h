// The surface lists (vertices on the ground surface ordered by x, and the
// body under each surface segment) and the geometry exchange file varga.xy
// that carries the discretised model to korvis.
#pragma once

#include <ostream>
#include <string>

#include "telm/telm_state.h"

namespace telm {

// surfaceList: the vertices with zp < 0.001 in a stable insertion sort by
// increasing xp (equal xp keep vertex-number order). surfaceBodies: for each
// pair (a, b) of neighbouring surface vertices, every body with an outline
// side running from a to b, in body and side order; nSurfaceBodies counts
// them. A segment with no such body or with several is reported on
// `warnings`. Throws common::InputError when surfaceBodies would pass its
// capacity.
void buildSurfaceLists(TelmState& st, std::ostream& warnings);

// The text of varga.xy: free-format records (one line each) for the header,
// surface lists, bodies with their closed outlines, vertices and N, then one
// 119-character line per node (F12.5, F12.5, F14.7, 4 x F14.9, blanks between,
// then " x z dL xn zn q qIP"). Stores vertexRing(i, nVer+1) = vertexRing(i, 1).
std::string exchangeFileText(TelmState& st);

// Replaces `path` with exchangeFileText() and prints
// "   The file "VARga.xy" is saved"; returns the text written. Throws
// common::OutputError.
std::string writeExchangeFile(TelmState& st, const std::string& path, std::ostream& console);

}  // namespace telm
