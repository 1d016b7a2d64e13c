// The contrast coefficients q and qIP as varga.xy carries them: in fields of
// 14 columns with 9 decimals. A coefficient too large for its field would be
// written as asterisks that korvis cannot read back, so it stops the run
// before the file is written, naming the two bodies of its interface. One
// that the 9 decimals round by more than 1e-5 of its value is reported once:
// q = 2(Ra - Rb)/((Ra + Rb) Ro(1)) shrinks as the resistivities grow, and
// the fixed kinds of korvis compute with the rounded value (korvis --survey
// recomputes it from the bodies' resistivities).
#pragma once

#include <ostream>

#include "telm/telm_state.h"

namespace telm {

// Relative change of a coefficient above which its rounding is reported.
inline constexpr double contrastRoundingLimit = 1e-5;

// Checks q and qIP of every node for varga.xy. Throws common::InputError
// naming the model file, the node's bodies with their resistivities and what
// to change, for the first node whose q or qIP does not fit its field. With
// keyIP not 0 qIP is weighed like q (korvis uses it only then). When the
// rounding moves any coefficient by more than contrastRoundingLimit of its
// value and by more than 1e-6 of 2/Ro(1), the bound of every |q| (less
// cannot move the results), writes one warning on `warnings`: how many
// nodes, the worst one, and (`surveyMode`: telm --survey) that korvis
// --survey recomputes the coefficients, or that the fixed kinds use them
// rounded.
void checkContrastFields(const TelmState& st, bool surveyMode, std::ostream& warnings);

}  // namespace telm
