// The checks korvis makes before any work. The model checks take the
// geometry of varga.xy and the electrodes of a survey, so that any survey
// can be checked against the model; the array-file checks concern varga.arr
// alone. Findings are errors (the run stops) or warnings (the run goes on).
#pragma once

#include <string>
#include <vector>

#include "common/model.h"
#include "common/model_checks.h"

namespace korvis {

// Body properties (Ro > 0, RO_IP > 0 and not below Ro: no negative
// chargeability), the geometry of common::checkGeometry, the electrodes
// against the model's extent and largestSpacing, and current electrodes
// whose body lookup finds nothing.
// With `relief` the geometry is checked as a model with relief, and the
// electrodes on its ground surface need no lookup (the body under the
// surface line gives their medium).
common::Findings checkModel(const common::ModelGeometry& m,
                            const std::vector<common::ElectrodePoint>& electrodes, float largestSpacing,
                            const std::string& surveyFile, const common::ElectrodeName& name,
                            bool relief = false);

// Every electrode that the survey of varga.arr places (absent ones left
// out), current electrodes marked.
std::vector<common::ElectrodePoint> surveyElectrodes(const common::ArrayFile& a);

// The largest |spacing| of varga.arr.
float largestSpacing(const common::ArrayFile& a);

// varga.arr alone: spacings that are not increasing (the wavenumber range
// follows the last one).
common::Findings checkArrayFile(const common::ArrayFile& a);

}  // namespace korvis
