// Convergence: the error against the contact's image solution falls as the
// element-density factor dens rises.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contact_cases.h"
#include "studies.h"

namespace validation {
namespace {

double korvisContactError(int kind, double dens) {
  ContactCase c;
  c.dens = dens;
  ArraySurvey a;
  a.keyArr = kind;
  a.X0 = -97;
  a.dX = 10;
  a.nPos = 20;
  a.spacings = {10, 20, 40, 80};
  const KorvisOutcome run = runKorvisStudy(c.model(), 0, dens, a);
  EXPECT_TRUE(run.ok);
  if (!run.ok || run.tables.empty()) return 1e30;
  ErrorStats err;
  const KorvisTable& t = run.tables[0];
  for (std::size_t j = 0; j < t.value.size(); ++j) {
    for (std::size_t p = 0; p < t.value[j].size(); ++p) {
      const auto e = korvisLayout(a, static_cast<int>(p), static_cast<int>(j), false);
      err.add(t.value[j][p], c.korvisApparent(e, false), "spacing " + std::to_string(j + 1) +
                                                             " position " + std::to_string(p + 1));
    }
  }
  recordError("korvis contact, kind " + std::to_string(kind) + ", dens " + std::to_string(dens) +
                  ", nodes " + std::to_string(run.nodes),
              err);
  return err.maxRel;
}

double telmContactError(int kind, double dens) {
  ContactCase c;
  c.dens = dens;
  TelmSurvey s;
  s.stationStep = 10;
  s.firstStation = -97;
  s.stationCount = 20;
  s.spacings = {10, 20, 40, 80};
  s.offsets = {30, 50, 70, 90};
  s.mnLengths = {2, 4, 8, 16};
  s.kinds = {kind};
  const TelmOutcome run = runTelmStudy(c.model(), 0, dens, s);
  EXPECT_TRUE(run.ok);
  if (!run.ok) return 1e30;
  const TelmArrayFile& f = run.arrays.at(kind);
  ErrorStats err;
  for (std::size_t i = 0; i < f.rho.size(); ++i) {
    for (std::size_t j = 0; j < f.rho[i].size(); ++j) {
      const auto e = telmLayout(s, kind, static_cast<int>(i), static_cast<int>(j));
      err.add(f.rho[i][j], c.telmApparent(e, false),
              "station " + std::to_string(i + 1) + " spacing " + std::to_string(j + 1));
    }
  }
  recordError("telm contact, kind " + std::to_string(kind) + ", dens " + std::to_string(dens), err);
  return err.maxRel;
}

TEST(Convergence, KorvisContactErrorFallsWithDens) {
  std::vector<double> errors;
  for (double dens : {1.0, 2.0, 4.0, 8.0, 16.0}) errors.push_back(korvisContactError(3, dens));
  for (double dens : {1.0, 2.0, 4.0, 8.0, 16.0}) errors.push_back(korvisContactError(1, dens));
}

TEST(Convergence, TelmContactErrorFallsWithDens) {
  std::vector<double> errors;
  for (double dens : {1.0, 2.0, 4.0, 8.0, 16.0}) errors.push_back(telmContactError(1, dens));
  for (double dens : {1.0, 2.0, 4.0, 8.0, 16.0}) errors.push_back(telmContactError(7, dens));
  for (double dens : {2.0, 8.0, 16.0}) errors.push_back(telmContactError(6, dens));
}

}  // namespace
}  // namespace validation
