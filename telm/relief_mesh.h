// The ground surface of a model with relief as telm --survey meshes it. The
// sources are mirrored in the level plane through the surface's highest
// point, so every image lies in the air and a level stretch at that height
// needs no charge; every other stretch of the surface is a boundary against
// the air (contrast coefficient 2/Ro(1), the limit of an infinitely
// resistive neighbour), and so are its continuations beyond the model's
// ends, level at the height of each end, out to the truncation distance.
#pragma once

#include <ostream>

#include "telm/telm_state.h"

namespace telm {

// How far the surface runs on beyond each end of the model, in multiples of
// the model's width: the charge it carries at distance d from the survey
// falls off as 1/d^2, and what lies beyond moves the results by (width /
// truncation)^2 of the relief's effect at most.
inline constexpr float truncationFactor = 10.0f;

// The relief of st.model (found by the checks): st.ground, the mirror plane
// at its highest point, the truncation distance, the smallest step on the
// surface (the smallest distance between two electrodes of the survey),
// and the surface lists of varga.xy (the surface line's vertices and the
// body under each segment). Throws common::InputError when the lists would
// pass their capacity.
void prepareRelief(TelmState& st);

// The nodes of the surface's continuations beyond the model's ends (none
// where an end lies in the mirror plane): one geometric run each from the
// step at the end to a tenth of the truncation distance.
void addSurfaceTails(TelmState& st, std::ostream& console);

}  // namespace telm
