// The checks telm makes after reading its input and before any work. The
// model checks concern the bodies and vertices; the survey checks the array
// kinds' electrodes against the model and the memory the survey needs.
// Findings are errors (the run stops) or warnings (the run goes on).
#pragma once

#include "common/model_checks.h"
#include "telm/telm_state.h"

namespace telm {

// Ro > 0 (above -1 for the magnetic-field array, which reads Ro as a
// susceptibility), eta >= 0, and the geometry of common::checkGeometry.
common::Findings checkModel(const TelmState& st);

// For the survey of the model file: the electrodes of every array against
// the model's extent and the largest spacing, the current electrodes whose
// body lookup finds nothing (they take body 1), and the memory that the
// configurations and result tables need.
common::Findings checkSurvey(const TelmState& st);

// Bytes that the configurations and result tables of the survey take.
double surveyBytes(const TelmState& st);

}  // namespace telm
