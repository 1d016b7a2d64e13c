// The superposition solve of a survey: per wavenumber both matrices (DC and
// IP) are filled from one kernel evaluation, with the smooth K1 of
// kernels.h rather than the table (a quadrature in ky converges only on a
// smooth integrand; its far pairs in vector loops, bessel_lanes.h), and
// factorised; the unit sources of all current electrodes are solved in one
// block substitution, and their secondary potentials at the potential
// electrodes are summed with the weights of the rule (secondary_sums.h).
// Each potential electrode's row of element potentials depends on the
// geometry only and serves both passes.
#include "korvis/survey_model.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <sstream>

#include "common/float_mode.h"
#include "common/free_format.h"
#include "common/worker_pool.h"
#include "korvis/batch_fields.h"
#include "korvis/boundary.h"
#include "korvis/electrode_resistivity.h"
#include "korvis/kernels.h"
#include "korvis/lu_solve.h"
#include "korvis/secondary_sums.h"
#include "korvis/stopwatch.h"

namespace korvis {

namespace {

constexpr float absentB = 10000.0f;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

double distance(PotentialPoint p, PotentialPoint q) { return std::hypot(p.x - q.x, p.z - q.z); }

// One pass's model, matrix, unit sources and summed secondary potentials.
struct Pass {
  const KorvisState* st = nullptr;
  std::vector<float> matrix;
  std::vector<SourcePair> sources;
  std::vector<double> secondary;  // P x S, potential electrode fastest
  int pivotRow = 0, pivotWavenumber = 0;
};

// Distinct electrodes of one role: list of indices and the slot of each
// electrode of the file (-1 when it does not take that role).
struct Role {
  std::vector<int> electrodes;
  std::vector<int> slot;
  void use(int e) {
    if (e < 0 || slot[at(e)] >= 0) return;
    slot[at(e)] = static_cast<int>(electrodes.size());
    electrodes.push_back(e);
  }
};

// U(M) - U(N) for a unit current at one source, from the potentials of
// that source at the potential electrodes (slots of M and N, -1 = absent).
double dipole(const std::vector<double>& potentials, std::size_t column, std::size_t rows, int m,
              int n) {
  double u = 0.0;
  if (m >= 0) u += potentials[column * rows + at(m)];
  if (n >= 0) u -= potentials[column * rows + at(n)];
  return u;
}

// Subnormal entries among the n x cols entries of A (leading dimension ld).
std::size_t countSubnormal(const float* A, int n, int cols, std::size_t ld) {
  std::size_t count = 0;
  for (int c = 0; c < cols; ++c) {
    for (int r = 0; r < n; ++r) {
      if (std::fpclassify(A[static_cast<std::size_t>(c) * ld + static_cast<std::size_t>(r)]) == FP_SUBNORMAL) ++count;
    }
  }
  return count;
}

}  // namespace

double geometricFactor(const std::vector<PotentialPoint>& electrodes, const Quadrupole& q,
                       const std::vector<FieldPoint>& fields) {
  auto g = [&](int p, int s) {
    if (p < 0 || s < 0) return 0.0;
    if (q.field >= 0) return halfSpaceField(fields[at(q.field)], electrodes[at(s)], 1.0);
    return halfSpacePotential(electrodes[at(p)], electrodes[at(s)], 1.0);
  };
  // A field measurement is U(M) alone, the field point standing for M.
  const int m = q.field >= 0 ? q.field : q.m;
  const int n = q.field >= 0 ? -1 : q.n;
  const double terms[4] = {g(m, q.a), -g(n, q.a), -g(m, q.b), g(n, q.b)};
  const double sum = (terms[0] + terms[1]) + (terms[2] + terms[3]);
  double scale = 0.0;
  for (double t : terms) scale = std::max(scale, std::fabs(t));
  if (!(std::fabs(sum) > 1e-12 * scale)) return 0.0;
  return 1.0 / sum;
}

void transformDistances(const common::NodeTable& nodes,
                        const std::vector<PotentialPoint>& used, double& rShort, double& rLong,
                        const std::vector<char>* smooth) {
  rLong = 0.0;
  double closest = HUGE_VAL;
  for (std::size_t i = 0; i < used.size(); ++i) {
    for (std::size_t j = i + 1; j < used.size(); ++j) {
      rLong = std::max(rLong, distance(used[i], used[j]));
      if (distance(used[i], used[j]) > 0.0) closest = std::min(closest, distance(used[i], used[j]));
    }
  }
  const auto skipped = [&](int j) { return smooth != nullptr && at(j) < smooth->size() && (*smooth)[at(j)] != 0; };
  int counted = 0;
  for (int j = 0; j < nodes.N; ++j) counted += skipped(j) ? 0 : 1;
  if (counted < nodes.N) {
    rShort = std::isfinite(closest) ? closest : rLong;
  } else if (nodes.N == 0) {
    rShort = rLong;
    return;
  } else {
    rShort = HUGE_VAL;
  }
  const double reach = farReach * rLong;
  for (const PotentialPoint& e : used) {
    for (int j = 0; j < nodes.N; ++j) {
      if (skipped(j)) continue;
      const double d = distance(e, {nodes.x[at(j)], nodes.z[at(j)]});
      rShort = std::min(rShort, d);
      rLong = std::max(rLong, std::min(d, reach));
    }
  }
}

std::vector<PotentialPoint> usedPoints(const std::vector<PotentialPoint>& electrodes,
                                       const std::vector<Quadrupole>& data,
                                       const std::vector<FieldPoint>& fields) {
  std::vector<char> usedFlag(electrodes.size(), 0);
  for (const Quadrupole& q : data) {
    for (int e : {q.a, q.b, q.field < 0 ? q.m : -1, q.field < 0 ? q.n : -1}) {
      if (e >= 0) usedFlag[at(e)] = 1;
    }
  }
  std::vector<PotentialPoint> used;
  for (std::size_t e = 0; e < electrodes.size(); ++e) {
    if (usedFlag[e] != 0) used.push_back(electrodes[e]);
  }
  for (const FieldPoint& f : fields) used.push_back({f.x, f.z});
  return used;
}

TransformRule surveyRule(const common::NodeTable& nodes, const std::vector<PotentialPoint>& used,
                         int order, double& rShort, double& rLong, const std::vector<char>* smooth) {
  transformDistances(nodes, used, rShort, rLong, smooth);
  if (!(rLong > 0.0)) rLong = rShort = 1.0;  // one point and no nodes: any scale serves
  return convergentRule(rShort, rLong, order);
}

SurveyOutcome modelSurvey(const KorvisState& st, const std::vector<PotentialPoint>& electrodes,
                          const std::vector<Quadrupole>& data, const SurveySetup& setup,
                          std::ostream& console, const std::vector<FieldPoint>& fields) {
  const common::ScopedFloatMode mode(setup.flushSubnormals ? common::flushSubnormalsMode() : common::floatMode());
  const int threads = common::resolveThreads(setup.threads);
  SurveyOutcome out;

  Role current, potential;
  current.slot.assign(electrodes.size(), -1);
  potential.slot.assign(electrodes.size(), -1);
  for (const Quadrupole& q : data) {
    current.use(q.a);
    current.use(q.b);
    if (q.field < 0) {
      potential.use(q.m);
      potential.use(q.n);
    }
  }
  std::vector<PotentialPoint> receivers;
  for (int e : potential.electrodes) receivers.push_back(electrodes[at(e)]);
  const std::size_t S = current.electrodes.size();
  const std::size_t P = receivers.size();
  const std::size_t R = P + fields.size();  // rows: the potential electrodes, then the field points
  out.currentElectrodes = static_cast<int>(S);
  out.potentialElectrodes = static_cast<int>(P);

  double rShort = 0.0, rLong = 0.0;
  out.rule = surveyRule(st.nodes, usedPoints(electrodes, data, fields), setup.order, rShort, rLong,
                        setup.smoothNodes.empty() ? nullptr : &setup.smoothNodes);
  const TransformRule& rule = out.rule;
  if (!setup.progress) {
    std::ostringstream line;
    line.precision(4);
    line << std::scientific << " Current electrodes " << S << ", potential electrodes " << P
         << "\n Wavenumbers " << rule.ky.size() << " from " << rule.ky.front() << " to "
         << rule.ky.back() << " (distances " << rShort << " to " << rLong << " m)\n";
    console << line.str();
  }

  // The passes: DC on st, IP on a copy with the polarised model.
  const int passes = st.keyIP != 0 ? 2 : 1;
  std::unique_ptr<KorvisState> ipState;
  Pass pass[2];
  pass[0].st = &st;
  if (passes == 2) {
    ipState = std::make_unique<KorvisState>(st);
    ipState->nodes.q = ipState->nodes.qIP;
    ipState->model.Ro = ipState->model.RO_IP;
    pass[1].st = ipState.get();
  }
  const int n = st.nodes.N;
  const std::size_t ld = at(std::max(n, 1));
  std::ostream discard(nullptr);
  for (int p = 0; p < passes; ++p) {
    Pass& ps = pass[p];
    for (int e : current.electrodes) {
      const PotentialPoint& a = electrodes[at(e)];
      float rhoA = 0.0f, rhoB = 0.0f;
      if (!setup.electrodeRho[p].empty() && setup.electrodeRho[p][at(e)] >= 0.0f) {
        rhoA = setup.electrodeRho[p][at(e)];
      } else {
        electrodeResistivities(ps.st->model, static_cast<float>(a.x), static_cast<float>(a.z),
                               absentB, 0.0f, rhoA, rhoB, discard);
      }
      if (at(e) < setup.electrodeStrength.size()) {
        rhoA = static_cast<float>(static_cast<double>(rhoA) * setup.electrodeStrength[at(e)]);
      }
      const bool bare = at(e) < setup.electrodeBare.size() && setup.electrodeBare[at(e)] != 0;
      ps.sources.push_back(
          {static_cast<float>(a.x), static_cast<float>(a.z), absentB, 0.0f, rhoA, 0.0f, bare});
    }
    ps.secondary.assign(R * S, 0.0);
    if (n > 0) ps.matrix.assign(ld * ld, 0.0f);
  }

  std::vector<float> rhs(ld * S), sigma(ld * S);
  std::vector<double> table, fieldTable;
  const std::vector<ChargeProfile> profiles = chargeProfiles(st.nodes, st.model);
  FieldBatch batch(threads, true);
  const int nKy = static_cast<int>(rule.ky.size());
  for (int k = 0; k < nKy && pass[0].pivotRow == 0; ++k) {
    if (n == 0) {
      if (!setup.progress) break;
      const int none[2] = {0, passes == 2 ? 0 : -1};
      setup.progress(k, std::string(), none);
      continue;
    }
    if (!setup.progress) {
      console << (common::FreeRecord(common::FreeStyle::korvis) << "    ===> nKy_i = " << k + 1).str()
              << std::flush;
    }
    const auto ky = static_cast<float>(rule.ky[at(k)]);
    std::ostringstream diagnostics;
    SurveyTimes* times = setup.times;
    auto timer = [&](double SurveyTimes::*phase) {
      return times != nullptr ? &(times->*phase) : nullptr;
    };
    {
      Stopwatch watch(timer(&SurveyTimes::fill));
      if (passes == 2) {
        assembleSmoothBoundaryMatrixPair(st.nodes, st.nodes.q.data(), st.model.Ro[0],
                                         pass[0].matrix.data(), ipState->nodes.q.data(),
                                         ipState->model.Ro[0], pass[1].matrix.data(),
                                         static_cast<int>(ld), ky, diagnostics);
      } else {
        assembleSmoothBoundaryMatrix(st.nodes, st.nodes.q.data(), st.model.Ro[0],
                                     pass[0].matrix.data(), static_cast<int>(ld), ky, diagnostics);
      }
    }
    if (!setup.progress) console << diagnostics.str();
    if (setup.subnormals != nullptr) {
      for (int p = 0; p < passes; ++p) {
        setup.subnormals->filled += countSubnormal(pass[p].matrix.data(), n, n, ld);
        setup.subnormals->matrixEntries += at(n) * at(n);
      }
    }
    {
      Stopwatch watch(timer(&SurveyTimes::potentials));
      elementPotentialTable(st.nodes, profiles, receivers, static_cast<double>(ky), table,
                            threads);
      elementFieldTable(st.nodes, profiles, fields, static_cast<double>(ky), fieldTable, threads);
    }
    int met[2] = {-1, -1};
    for (int p = 0; p < passes; ++p) {
      Pass& ps = pass[p];
      if (ps.pivotRow != 0) continue;
      {
        Stopwatch watch(timer(&SurveyTimes::factor));
        ps.pivotRow = luFactor(ps.matrix.data(), n, static_cast<int>(ld), threads);
      }
      met[p] = ps.pivotRow;
      if (ps.pivotRow != 0) {
        ps.pivotWavenumber = k + 1;
        continue;
      }
      if (setup.subnormals != nullptr) setup.subnormals->factors += countSubnormal(ps.matrix.data(), n, n, ld);
      {
        Stopwatch watch(timer(&SurveyTimes::rhs));
        batch.rightHandSides(*ps.st, ps.st->nodes.q.data(), ps.sources, ky, rhs.data(), ld);
      }
      if (setup.subnormals != nullptr) setup.subnormals->rhs += countSubnormal(rhs.data(), n, static_cast<int>(S), ld);
      {
        Stopwatch watch(timer(&SurveyTimes::substitute));
        luSubstituteMany(ps.matrix.data(), n, static_cast<int>(ld), rhs.data(),
                         static_cast<int>(ld), sigma.data(), static_cast<int>(ld),
                         static_cast<int>(S), threads);
      }
      if (setup.subnormals != nullptr) {
        setup.subnormals->solutions += countSubnormal(sigma.data(), n, static_cast<int>(S), ld);
        setup.subnormals->vectorEntries += at(n) * S;
      }
      // (1/pi) W_k w1, w1 the weight of the charges as receiverField takes it.
      const double w = rule.weight[at(k)] / std::numbers::pi *
                       static_cast<double>(ps.st->model.Ro[0] * 0.15915495f);
      Stopwatch sumWatch(timer(&SurveyTimes::potentials));
      std::vector<const double*> rows(R);
      for (std::size_t r = 0; r < R; ++r)
        rows[r] = r < P ? table.data() + r * at(n) : fieldTable.data() + (r - P) * at(n);
      addSecondarySums(rows, at(n), sigma.data(), ld, S, w, threads, ps.secondary);
    }
    if (setup.progress) setup.progress(k, diagnostics.str(), met);
  }
  for (int p = 0; p < passes; ++p) {
    if (pass[p].pivotRow != 0 && out.pivotRow == 0) {
      out.pivotRow = pass[p].pivotRow;
      out.pivotPass = p + 1;
      out.pivotWavenumber = pass[p].pivotWavenumber;
    }
  }
  if (pass[0].pivotRow != 0) return out;
  const int finished = out.pivotRow != 0 ? 1 : passes;  // an IP pivot leaves the DC values

  // Total potentials and fields: the closed-form primary part plus the secondary sums.
  std::vector<double> total[2];
  for (int p = 0; p < finished; ++p) {
    total[p] = pass[p].secondary;
    for (std::size_t s = 0; s < S; ++s) {
      const PotentialPoint a = electrodes[at(current.electrodes[s])];
      const auto rho = static_cast<double>(pass[p].sources[s].rhoA);
      for (std::size_t r = 0; r < P; ++r) {
        total[p][s * R + r] += pass[p].sources[s].bareA ? barePolePotential(receivers[r], a, rho)
                                                        : halfSpacePotential(receivers[r], a, rho);
      }
      for (std::size_t f = 0; f < fields.size(); ++f)
        total[p][s * R + P + f] += halfSpaceField(fields[f], a, rho);
    }
  }

  SurveyValues& v = out.values;
  for (const Quadrupole& q : data) {
    const int m = q.field >= 0 ? static_cast<int>(P) + q.field : q.m >= 0 ? potential.slot[at(q.m)] : -1;
    const int nn = q.field < 0 && q.n >= 0 ? potential.slot[at(q.n)] : -1;
    double u[2] = {0.0, 0.0};
    for (int p = 0; p < finished; ++p) {
      if (q.a >= 0) u[p] += dipole(total[p], at(current.slot[at(q.a)]), R, m, nn);
      if (q.b >= 0) u[p] -= dipole(total[p], at(current.slot[at(q.b)]), R, m, nn);
    }
    const double k = geometricFactor(electrodes, q, fields);
    v.k.push_back(k);
    v.u.push_back(u[0]);
    v.rhoa.push_back(k * u[0]);
    if (finished == 2) {
      const double rhoaIP = k * u[1];
      v.ip.push_back(rhoaIP != 0.0 ? 100.0 * (rhoaIP - k * u[0]) / rhoaIP : 0.0);
      v.uIP.push_back(u[1]);
    }
  }
  return out;
}

}  // namespace korvis
