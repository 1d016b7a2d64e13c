// The survey file's electrodes for telm's mesh preparation. The medium at an
// electrode is looked up on the model as the bodies define it: a surface
// electrode needs a stretch of the surface under a body, a buried one a body
// outline round it (the lookups korvis makes on the mesh telm writes).
#include "telm/survey_electrodes.h"

#include <cstddef>

#include "common/survey_checks.h"
#include "common/survey_file.h"
#include "telm/system2d.h"

namespace telm {

common::Findings useSurveyElectrodes(const std::string& path, TelmState& st, bool drape, int* moved) {
  const common::SurveyData survey = common::readSurveyFile(path, common::maxModelledSurveyBytes);
  const common::ModelGeometry& m = st.model;
  const std::vector<common::SurfaceStretch> stretches = common::surfaceStretches(m);
  const auto inside = [&](double x, double depth) {
    const auto fx = static_cast<float>(x);
    const auto fz = static_cast<float>(depth);
    if (fz != 0.0f) return enclosingBody(m, fx, fz) != 0;
    for (const common::SurfaceStretch& s : stretches) {
      const float left = m.xp[static_cast<std::size_t>(s.left - 1)];
      const float right = m.xp[static_cast<std::size_t>(s.right - 1)];
      if (!s.bodies.empty() && left <= fx && fx <= right) return true;
    }
    return false;
  };
  common::ReliefPlacement placement{&st.ground, drape, {}, 0};
  const std::vector<common::SurveyPlace> places = common::checkSurveyAgainstModel(
      m, survey, path, st.modelFileName, inside, st.relief ? &placement : nullptr);
  if (moved != nullptr) *moved = placement.moved;
  st.refineFlag = 3;
  for (const common::SurveyPlace& p : places) {
    st.surveyX.push_back(static_cast<float>(p.x));
    st.surveyZ.push_back(static_cast<float>(p.depth));
  }
  st.gradeX = st.surveyX;
  st.gradeZ = st.surveyZ;
  common::Findings findings = common::checkElectrodeNumbering(survey, path);
  if (const std::string zero = common::buriedAtZeroWarning(placement, survey, path); !zero.empty()) {
    findings.push_back({common::Severity::warning, zero});
  }
  return findings;
}

}  // namespace telm
