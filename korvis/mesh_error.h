// The per-datum estimate of the mesh's error of korvis --survey
// --estimate-error: the survey is solved again on varga-fine.xy, the same
// model meshed by the same rules at twice dens (telm --survey
// --estimate-error), and each datum gets the difference between the two:
//   drhoa = rhoa(fine)/rhoa - 1,   dip = ip(fine) - ip   (percent points).
// With elements half as long the discretisation error of a boundary-element
// solution falls two- to fourfold, so the difference is of the order of the
// error of the coarser mesh's value (between a half and four thirds of it
// for errors that fall as the first or second power of the element length).
// It estimates; it does not bound: a part of the error that does not change
// with the mesh (the model's extent, the wavenumbers) is not in it.
#pragma once

#include <string>
#include <vector>

#include "common/survey_file.h"
#include "korvis/survey_model.h"

namespace korvis {

struct MeshDifferences {
  std::vector<double> drhoa, dip;  // dip empty without an IP pass
};

MeshDifferences meshDifferences(const SurveyValues& coarse, const SurveyValues& fine);

// Appends the columns drhoa (and dip) to the results.
void addMeshDifferences(common::SurveyData& results, const MeshDifferences& d);

// The console lines of the estimate: median, 95th percentile and largest
// |drhoa| (the largest with its datum: line of `file` and a b m n), the
// count of data beyond 0.5 %, and the largest |dip|.
std::string meshDifferenceSummary(const MeshDifferences& d, const common::SurveyData& survey,
                                  const std::string& file);

}  // namespace korvis
