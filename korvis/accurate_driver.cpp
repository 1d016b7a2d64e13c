// The fixed kinds through the survey machinery: modelSurvey computes every
// measurement of both passes in one sweep over the wavenumbers, reporting
// each wavenumber to a hook that writes the plain run's console lines (the
// IP pass's held back until the DC pass is done), and the results are laid
// into the grids the plain run's output expects.
#include "korvis/accurate_driver.h"

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include "common/free_format.h"
#include "korvis/fixed_survey.h"
#include "korvis/wavenumbers.h"

namespace korvis {

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string consoleLine(std::string_view text) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

std::string consoleLine(std::string_view text, int value) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text << value).str();
}

// The resistivity at each current electrode of the survey: what its lookup
// finds, or what the plain run carries to it from the lookups before (in
// plain order, from the last solve round to the next, as every wavenumber
// after the first sees it).
std::vector<float> carriedResistivities(const FixedSurvey& survey, const PassLookups& lookups) {
  std::vector<float> rho(survey.electrodes.size(), 0.0f);
  float rhoA = 0.0f, rhoB = 0.0f;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t s = 0; s < lookups.lookups.size(); ++s) {
      const Lookup& l = lookups.lookups[s];
      if (l.foundA) rhoA = l.rhoA;
      if (l.foundB) rhoB = l.rhoB;
      const Quadrupole& q = survey.data[at(survey.plan.solves[s])];
      if (q.a >= 0) rho[at(q.a)] = rhoA;
      if (q.b >= 0) rho[at(q.b)] = rhoB;
    }
  }
  return rho;
}

// The field along the receiver's direction of the measurement's electrodes
// over a half-space of unit resistivity, each electrode counted when its
// resistivity is positive (as the plain run's normalisation counts it).
double unitField(const FixedSurvey& survey, const Quadrupole& q, const FieldPoint& f,
                 const std::vector<float>& rho) {
  double sum = 0.0;
  if (q.a >= 0 && rho[at(q.a)] > 0.0f) sum += halfSpaceField(f, survey.electrodes[at(q.a)], 1.0);
  if (q.b >= 0 && rho[at(q.b)] > 0.0f) sum -= halfSpaceField(f, survey.electrodes[at(q.b)], 1.0);
  return sum;
}

void fillGrids(KorvisState& st, const FixedSurvey& survey, const std::vector<double>& u,
               const std::vector<float>& rho) {
  const common::ArrayFile& a = st.arr;
  const int cells = a.nPos * a.nSpac;
  if (cells > 0) {
    for (auto* grid : {&st.ResF, &st.ResR, &st.NrmF, &st.NrmR}) {
      std::fill(grid->begin(), grid->begin() + cells, 0.0f);
    }
  }
  const std::size_t evaluations = survey.plan.placements.size();
  for (std::size_t e = 0; e < evaluations; ++e) {
    const auto c = at(survey.plan.cells[e]);
    const Quadrupole& q = survey.data[e];
    const FieldPoint& f = survey.fields[at(q.field)];
    st.ResF[c] = static_cast<float>(u[e]);
    if (a.keyArr == 19) {
      const common::Configuration& k = survey.plan.placements[e].first;
      st.NrmF[c] = static_cast<float>(unitField(survey, q, {f.x, f.z, 1.0, 0.0}, rho));
      st.NrmR[c] = static_cast<float>(unitField(survey, q, {f.x, f.z, 0.0, 1.0}, rho));
      st.ResR[c] = analyticFieldMagnitude(k.xr, k.zr, k.XA, k.ZA, k.XB, k.ZB,
                                          q.a >= 0 ? rho[at(q.a)] : 0.0f, q.b >= 0 ? rho[at(q.b)] : 0.0f);
      continue;
    }
    st.NrmF[c] = static_cast<float>(unitField(survey, q, f, rho));
    if (a.keyArr == 18) {
      const Quadrupole& second = survey.data[evaluations + e];
      st.ResR[c] = static_cast<float>(u[evaluations + e]);
      st.NrmR[c] = static_cast<float>(unitField(survey, second, survey.fields[at(second.field)], rho));
    }
  }
}

}  // namespace

DriverResult runAccuratePasses(KorvisState& st, std::ostream& console, std::ostream& warnings,
                               const PassOutput& output) {
  const FixedSurvey survey = fixedSurvey(st);
  const bool ip = st.keyIP != 0;
  common::ModelGeometry ipModel = st.model;
  ipModel.Ro = ipModel.RO_IP;
  const PassLookups lookups[2] = {simulateLookups(st.model, survey.plan),
                                  ip ? simulateLookups(ipModel, survey.plan) : PassLookups{}};

  SurveySetup setup;
  setup.electrodeRho[0] = carriedResistivities(survey, lookups[0]);
  if (ip) setup.electrodeRho[1] = carriedResistivities(survey, lookups[1]);
  std::string ipConsole;
  setup.progress = [&](int k, const std::string& diagnostics, const int (&pivot)[2]) {
    const std::string header = consoleLine("    ===> nKy_i = ", k + 1);
    console << header << diagnostics << (pivot[0] > 0 ? lookups[0].firstText : lookups[0].text)
            << std::flush;
    if (ip && pivot[1] >= 0) {
      ipConsole += header + diagnostics + (pivot[1] > 0 ? lookups[1].firstText : lookups[1].text);
    }
  };
  std::ostringstream quiet;
  const SurveyOutcome outcome =
      modelSurvey(st, survey.electrodes, survey.data, setup, quiet, survey.fields);
  if (outcome.pivotPass == 1) return {outcome.pivotRow, 1, outcome.pivotWavenumber};

  fillGrids(st, survey, outcome.values.u, setup.electrodeRho[0]);
  finishPass(st, 1, warnings);
  output(st, 1);
  if (!ip) return {};

  st.DcF = st.ResF;
  if (st.arr.keyArr == 18) st.DcR = st.ResR;
  console << consoleLine("===> IP calculation") << ipConsole << std::flush;
  if (outcome.pivotPass == 2) return {outcome.pivotRow, 2, outcome.pivotWavenumber};
  st.nodes.q = st.nodes.qIP;
  st.model.Ro = st.model.RO_IP;
  fillGrids(st, survey, outcome.values.uIP, setup.electrodeRho[1]);
  finishPass(st, 2, warnings);
  computeChargeability(st);
  output(st, 2);
  return {};
}

}  // namespace korvis
