// Differences between the survey's values on two meshes, as columns and as a
// console summary.
#include "korvis/mesh_error.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace korvis {

MeshDifferences meshDifferences(const SurveyValues& coarse, const SurveyValues& fine) {
  MeshDifferences d;
  for (std::size_t i = 0; i < coarse.rhoa.size(); ++i) {
    d.drhoa.push_back(coarse.rhoa[i] != 0.0 ? fine.rhoa[i] / coarse.rhoa[i] - 1.0 : 0.0);
  }
  for (std::size_t i = 0; i < coarse.ip.size(); ++i) d.dip.push_back(fine.ip[i] - coarse.ip[i]);
  return d;
}

void addMeshDifferences(common::SurveyData& results, const MeshDifferences& d) {
  results.columns.push_back("drhoa");
  if (!d.dip.empty()) results.columns.push_back("dip");
  for (std::size_t i = 0; i < results.data.size(); ++i) {
    results.data[i].values.push_back(d.drhoa[i]);
    if (!d.dip.empty()) results.data[i].values.push_back(d.dip[i]);
  }
}

std::string meshDifferenceSummary(const MeshDifferences& d, const common::SurveyData& survey,
                                  const std::string& file) {
  std::ostringstream out;
  out.precision(3);
  if (d.drhoa.empty()) return {};
  std::vector<double> sizes;
  for (double v : d.drhoa) sizes.push_back(std::fabs(v));
  std::vector<double> sorted = sizes;
  std::sort(sorted.begin(), sorted.end());
  const auto quantile = [&](double q) {
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(q * static_cast<double>(sorted.size())))];
  };
  const std::size_t worst = static_cast<std::size_t>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());
  const auto beyond = std::count_if(sizes.begin(), sizes.end(), [](double v) { return v > 0.005; });
  const common::SurveyDatum& w = survey.data[worst];
  out << " Mesh error estimate (varga.xy against varga-fine.xy, dens x2), |drhoa|: median " << 100 * quantile(0.5)
      << " %, 95th percentile " << 100 * quantile(0.95) << " %, largest " << 100 * sizes[worst] << " % ("
      << file << ", line " << w.line << ": " << w.a << ' ' << w.b << ' ' << w.m << ' ' << w.n << "); " << beyond
      << " of " << sizes.size() << " data beyond 0.5 %\n";
  if (!d.dip.empty()) {
    double largest = 0.0;
    for (double v : d.dip) largest = std::max(largest, std::fabs(v));
    out << " Mesh error estimate, |dip|: largest " << largest << " percent points\n";
  }
  return out.str();
}

}  // namespace korvis
