// The fixed array kinds of varga.arr as a survey of field measurements, for
// korvis --accurate: every evaluation's receiver measures the field along
// its direction (the limit of a potential dipole shrunk about the receiver)
// of its current electrodes, which modelSurvey computes with the charge
// profiles, element moments and wavenumber rule of the survey mode. The
// same files and layouts as a plain run; only the numerics differ.
#pragma once

#include <string>
#include <vector>

#include "korvis/evaluation_plan.h"
#include "korvis/korvis_state.h"
#include "korvis/quadrature.h"
#include "korvis/survey_model.h"

namespace korvis {

// The survey of st.arr: the distinct current electrodes (electrodes at
// infinity left out), the distinct receivers with their directions, and a
// measurement per evaluation of the plan (data[e]), followed for kind 18 by
// one per evaluation at its second receiver (data[E + e], E evaluations).
struct FixedSurvey {
  Plan plan;
  std::vector<PotentialPoint> electrodes;
  std::vector<FieldPoint> fields;
  std::vector<Quadrupole> data;
};

// Built from st.arr with its spacings as the run evaluates them (one for
// the kinds 17 and 19).
FixedSurvey fixedSurvey(const KorvisState& st);

// The wavenumber rule modelSurvey takes for fixedSurvey(st) (order 1).
TransformRule accurateRule(const KorvisState& st);

// The log line of the rule: "  nKy  KyMIN  KyMAX - " the count (I2), the
// first and the last wavenumber (E12.4), as wavenumberLine lays it out.
std::string accurateWavenumberLine(const TransformRule& rule);

}  // namespace korvis
