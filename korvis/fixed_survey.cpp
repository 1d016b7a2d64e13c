// The fixed configurations as field measurements of a survey.
#include "korvis/fixed_survey.h"

#include <algorithm>
#include <map>
#include <utility>

#include "common/edit_format.h"

namespace korvis {

namespace {

// Index of each distinct point, in order of first use.
template <typename Point, typename Key>
int indexOf(std::vector<Point>& points, std::map<Key, int>& index, const Point& p, const Key& key) {
  const auto [it, added] = index.try_emplace(key, static_cast<int>(points.size()));
  if (added) points.push_back(p);
  return it->second;
}

}  // namespace

FixedSurvey fixedSurvey(const KorvisState& st) {
  common::ArrayFile a = st.arr;
  a.nSpac = common::evaluatedSpacings(a);
  FixedSurvey out;
  out.plan = makePlan(a);
  std::map<std::pair<float, float>, int> electrodes;
  std::map<std::array<float, 4>, int> fields;
  const auto electrode = [&](float x, float z, bool absent) {
    return absent ? -1 : indexOf(out.electrodes, electrodes, PotentialPoint{x, z}, std::pair{x, z});
  };
  const auto field = [&](float x, float z, float nx, float nz) {
    return indexOf(out.fields, fields, FieldPoint{x, z, nx, nz}, std::array{x, z, nx, nz});
  };
  for (const common::Placement& pl : out.plan.placements) {
    const common::Configuration& c = pl.first;
    Quadrupole q;
    q.a = electrode(c.XA, c.ZA, c.XA == common::absentA);
    q.b = electrode(c.XB, c.ZB, c.XB == common::absentB);
    q.field = field(c.xr, c.zr, c.nx, c.nz);
    out.data.push_back(q);
  }
  if (a.keyArr == 18) {
    const std::size_t evaluations = out.data.size();
    for (std::size_t e = 0; e < evaluations; ++e) {
      const common::Placement& pl = out.plan.placements[e];
      Quadrupole q = out.data[e];
      q.field = field(pl.xr2, pl.zr2, 1.0f, 0.0f);
      out.data.push_back(q);
    }
  }
  return out;
}

TransformRule accurateRule(const KorvisState& st) {
  const FixedSurvey survey = fixedSurvey(st);
  double rShort = 0.0, rLong = 0.0;
  return surveyRule(st.nodes, usedPoints(survey.electrodes, survey.data, survey.fields), 1, rShort,
                    rLong);
}

std::string accurateWavenumberLine(const TransformRule& rule) {
  return common::formatLine("(2X,'nKy  KyMIN  KyMAX - ',I2,2E12.4)",
                            {static_cast<int>(rule.ky.size()), static_cast<float>(rule.ky.front()),
                             static_cast<float>(rule.ky.back())});
}

}  // namespace korvis
