#include "common/survey_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

SurveyData surveyWith(int electrodes, const std::vector<std::vector<int>>& data) {
  SurveyData s;
  for (int e = 0; e < electrodes; ++e) s.electrodes.push_back({5.0 * e, 0.0, 0.0, 3 + e});
  int line = 5 + electrodes;
  for (const auto& d : data) s.data.push_back({d[0], d[1], d[2], d[3], {}, line++});
  return s;
}

TEST(SurveyChecksTest, ElectrodeZeroWithTheLastUnusedLooksNumberedFromZero) {
  const struct {
    const char* what;
    SurveyData survey;
    bool warned;
  } rows[] = {
      {"numbered from 0", surveyWith(4, {{1, 2, 3, 0}, {0, 3, 1, 2}}), true},
      {"pole arrays that use the last", surveyWith(4, {{1, 0, 2, 0}, {4, 0, 3, 0}}), false},
      {"no electrode 0", surveyWith(5, {{1, 2, 3, 4}}), false},
      {"no data", surveyWith(4, {}), false},
  };
  for (const auto& row : rows) {
    const Findings f = checkElectrodeNumbering(row.survey, "s.dat");
    ASSERT_EQ(f.size(), row.warned ? 1u : 0u) << row.what;
    if (row.warned) {
      EXPECT_EQ(f[0].severity, Severity::warning);
      EXPECT_EQ(f[0].message, "s.dat, line 9: a datum uses electrode 0 (an electrode at infinity) and no datum uses "
                              "electrode 4, the last: electrode numbers are 1-based; if the file numbers them from 0, "
                              "add 1 to every a, b, m and n");
    }
  }
}

TEST(SurveyChecksTest, PointToleranceFollowsTheModelsSize) {
  ModelGeometry m;
  m.nP = 2;
  m.xp = {-10, 10};
  m.zp = {0, 5};
  EXPECT_EQ(pointTolerance(m), 0.001);
  m.xp = {-5000, 5000};
  EXPECT_DOUBLE_EQ(pointTolerance(m), 0.01);
}

}  // namespace
}  // namespace common
