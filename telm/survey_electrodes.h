// The electrodes of telm --survey: the survey file read and checked against
// the model as korvis will check it against the mesh, so that a mesh is
// never prepared for a survey korvis then refuses, and the electrodes kept
// as the points the mesh is refined round.
#pragma once

#include <string>

#include "common/model_checks.h"
#include "telm/telm_state.h"

namespace telm {

// Reads the survey file `path`, runs common::checkSurveyAgainstModel on the
// model of st (InputError on an error) and sets st.refineFlag = 3 and
// st.surveyX, st.surveyZ (x, depth) from every electrode of the file.
// Returns the warnings (electrode numbers that look 0-based).
// With relief (st.relief, st.ground found) the surface electrodes are
// placed on the surface line, or with `drape` every electrode above it or at
// z = 0; `moved` counts those that moved further than the tolerance.
common::Findings useSurveyElectrodes(const std::string& path, TelmState& st, bool drape = false,
                                     int* moved = nullptr);

}  // namespace telm
