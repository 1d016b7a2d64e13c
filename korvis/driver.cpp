// The product driver. What the plain loop does per evaluation is split by
// what it depends on:
//   - the electrode layout, the electrode lookups and their console messages
//     depend on the model and the survey only, never on the wavenumber: they
//     are worked out once per pass, in plain order, before any numerics
//     (the value a failed lookup keeps is carried along in that order);
//   - per wavenumber the DC and IP matrices are filled together and
//     factorised; the right-hand sides of all distinct sources of the
//     wavenumber are formed at once (FieldBatch) and solved in one block
//     substitution; the receivers are evaluated in parallel; the results
//     are then accumulated in plain order.
// Every number is computed with the same operations and inputs as in the
// plain loop, and the console text is emitted in the plain order (the IP
// pass's text is held back until the DC pass is done), so the output is the
// same byte for byte whatever the number of threads.
#include "korvis/driver.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "common/free_format.h"
#include "common/worker_pool.h"
#include "korvis/batch_fields.h"
#include "korvis/boundary.h"
#include "korvis/electrode_resistivity.h"
#include "korvis/evaluation_plan.h"
#include "korvis/lu_solve.h"
#include "korvis/stopwatch.h"
#include "korvis/wavenumbers.h"

namespace korvis {

namespace {

using common::absentA;
using common::absentB;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string consoleLine(std::string_view text) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

std::string consoleLine(std::string_view text, int value) {
  return (common::FreeRecord(common::FreeStyle::korvis) << text << value).str();
}

// Runs body(i) for i in [0, count) on the worker threads. Every i writes
// its own outputs, so the results do not depend on the sharing.
template <typename Body>
void parallelFor(int count, int threads, const Body& body) {
  if (count <= 0) return;
  std::atomic<int> next{0};
  common::runParallel(std::min(threads, count), [&](int) {
    for (int i = next.fetch_add(1, std::memory_order_relaxed); i < count;
         i = next.fetch_add(1, std::memory_order_relaxed)) {
      body(i);
    }
  });
}

// Electrode resistivities of every solve of every wavenumber of a pass, the
// failed lookups carrying the last value along (from solve to solve, from
// wavenumber to wavenumber, and from the DC into the IP pass).
std::vector<float> carryResistivities(const PassLookups& pass, int nKy, float& rhoA, float& rhoB) {
  const std::size_t solves = pass.lookups.size();
  std::vector<float> rho(2 * solves * at(nKy));
  for (int k = 0; k < nKy; ++k) {
    for (std::size_t s = 0; s < solves; ++s) {
      const Lookup& l = pass.lookups[s];
      if (l.foundA) rhoA = l.rhoA;
      if (l.foundB) rhoB = l.rhoB;
      rho[2 * (at(k) * solves + s)] = rhoA;
      rho[2 * (at(k) * solves + s) + 1] = rhoB;
    }
  }
  return rho;
}

std::array<std::uint32_t, 6> sourceKey(const SourcePair& p) {
  return {std::bit_cast<std::uint32_t>(p.XA),   std::bit_cast<std::uint32_t>(p.ZA),
          std::bit_cast<std::uint32_t>(p.XB),   std::bit_cast<std::uint32_t>(p.ZB),
          std::bit_cast<std::uint32_t>(p.rhoA), std::bit_cast<std::uint32_t>(p.rhoB)};
}

void clearGrids(KorvisState& st) {
  const int cells = st.arr.nPos * st.arr.nSpac;
  if (st.arr.nPos <= 0 || st.arr.nSpac <= 0) return;
  for (auto* grid : {&st.ResF, &st.ResR, &st.NrmF, &st.NrmR}) {
    std::fill(grid->begin(), grid->begin() + cells, 0.0f);
  }
}

// One pass's share of the work of a wavenumber: its state (q and Ro of the
// pass, its grids), matrix, lookups and resistivities.
struct PassWork {
  KorvisState* st = nullptr;
  std::vector<float>* matrix = nullptr;
  PassLookups lookups;
  std::vector<float> rho;
  std::string console;  // held-back console text (IP pass)
  int pivotRow = 0, pivotWavenumber = 0;
};

class FastDriver {
 public:
  FastDriver(KorvisState& st, std::ostream& console, std::ostream& warnings, PhaseTimes* times)
      : st_(st),
        console_(console),
        warnings_(warnings),
        times_(times),
        threads_(common::resolveThreads(0)),
        fields_(threads_) {}

  DriverResult run(const PassOutput& output);

 private:
  void prepare();
  void wavenumber(int k);
  void solveAndAccumulate(PassWork& pass, int k);
  double* timer(double PhaseTimes::*phase) { return times_ != nullptr ? &(times_->*phase) : nullptr; }

  KorvisState& st_;
  std::ostream& console_;
  std::ostream& warnings_;
  PhaseTimes* times_;
  int threads_;

  bool ip_ = false;
  int n_ = 0;
  std::size_t ld_ = 1;
  Plan plan_;
  std::unique_ptr<KorvisState> ipState_;  // the model and grids of the IP pass
  std::vector<float> dcMatrix_, ipMatrix_, rhs_, sigma_;
  FieldBatch fields_;
  std::vector<SourcePair> sources_;                          // distinct sources
  std::map<std::array<std::uint32_t, 6>, int> distinct_;    // source -> its index
  std::vector<int> columnOf_;                                // distinct source of each solve
  std::vector<ReceiverRequest> requests_;
  std::vector<ReceiverValue> values_;
  std::vector<Evaluation> evaluations_;
  PassWork dc_, ipw_;
};

void FastDriver::prepare() {
  ip_ = st_.keyIP != 0;
  n_ = st_.nodes.N;
  ld_ = at(std::max(n_, 1));
  plan_ = makePlan(st_.arr);

  dc_.st = &st_;
  dc_.matrix = &dcMatrix_;
  dc_.lookups = simulateLookups(st_.model, plan_);
  float rhoA = 0.0f, rhoB = 0.0f;
  dc_.rho = carryResistivities(dc_.lookups, st_.nKy, rhoA, rhoB);
  dcMatrix_.assign(ld_ * ld_, 0.0f);

  if (ip_) {
    ipState_ = std::make_unique<KorvisState>(st_);
    ipState_->nodes.q = ipState_->nodes.qIP;
    ipState_->model.Ro = ipState_->model.RO_IP;
    ipw_.st = ipState_.get();
    ipw_.matrix = &ipMatrix_;
    ipw_.lookups = simulateLookups(ipState_->model, plan_);
    ipw_.rho = carryResistivities(ipw_.lookups, st_.nKy, rhoA, rhoB);
    ipMatrix_.assign(ld_ * ld_, 0.0f);
  }

  const std::size_t solves = plan_.solves.size();
  rhs_.assign(ld_ * solves, 0.0f);
  sigma_.assign(ld_ * solves, 0.0f);
  sources_.reserve(solves);
  columnOf_.assign(solves, 0);
  requests_.reserve(2 * plan_.placements.size());
  values_.reserve(2 * plan_.placements.size());
  evaluations_.assign(plan_.placements.size(), Evaluation{});
}

void FastDriver::solveAndAccumulate(PassWork& pass, int k) {
  KorvisState& st = *pass.st;
  const float ky = st_.Ky[at(k)];
  const std::size_t solves = plan_.solves.size();
  const float* rho = pass.rho.data() + 2 * at(k) * solves;
  {
    // Solves with the same electrodes and resistivities have the same
    // right-hand side and charges (kinds with fixed electrodes, or with
    // spacings in whole steps): each distinct source is solved once.
    Stopwatch watch(timer(&PhaseTimes::rhs));
    sources_.clear();
    distinct_.clear();
    for (std::size_t s = 0; s < solves; ++s) {
      const Configuration& c = plan_.placements[at(plan_.solves[s])].first;
      const SourcePair source{c.XA, c.ZA, c.XB, c.ZB, rho[2 * s], rho[2 * s + 1]};
      const auto [it, added] =
          distinct_.try_emplace(sourceKey(source), static_cast<int>(sources_.size()));
      if (added) sources_.push_back(source);
      columnOf_[s] = it->second;
    }
    fields_.rightHandSides(st, st.nodes.q.data(), sources_, ky, rhs_.data(), ld_);
  }
  if (n_ > 0) {
    const int ld = static_cast<int>(ld_);
    const int nrhs = static_cast<int>(sources_.size());
    Stopwatch watch(timer(&PhaseTimes::substitute));
    luForwardMany(pass.matrix->data(), n_, ld, rhs_.data(), ld, nrhs, threads_);
    Stopwatch back(timer(&PhaseTimes::backSubstitute));
    luBackMany(pass.matrix->data(), n_, ld, rhs_.data(), ld, sigma_.data(), ld, nrhs, threads_);
    if (times_ != nullptr) times_->rightHandSides += nrhs;
  }
  const int keyArr = st.arr.keyArr;
  const std::size_t evaluations = plan_.placements.size();
  {
    Stopwatch watch(timer(&PhaseTimes::receivers));
    // The first receiver of every evaluation, then the second ones of kind 18.
    requests_.clear();
    for (std::size_t e = 0; e < evaluations; ++e) {
      const Configuration& c = plan_.placements[e].first;
      const auto s = at(plan_.solveOf[e]);
      requests_.push_back({c.xr, c.zr, c.nx, c.nz, c.XA, c.ZA, c.XB, c.ZB, rho[2 * s],
                           rho[2 * s + 1], columnOf_[s]});
    }
    if (keyArr == 18) {
      for (std::size_t e = 0; e < evaluations; ++e) {
        const Placement& pl = plan_.placements[e];
        const ReceiverRequest& first = requests_[e];
        requests_.push_back({pl.xr2, pl.zr2, 1.0f, 0.0f, first.XA, 0.0f, first.XB, 0.0f,
                             first.rhoA, first.rhoB, first.column});
      }
    }
    fields_.receivers(st.nodes, st.model.Ro[0], requests_, sigma_.data(), ld_, ky, values_);
    for (std::size_t e = 0; e < evaluations; ++e) {
      Evaluation& ev = evaluations_[e];
      const ReceiverValue& v = values_[e];
      ev = Evaluation{};
      ev.value = v.E;
      ev.EA = v.EA;
      ev.EB = v.EB;
      ev.rhoA = requests_[e].rhoA;
      ev.rhoB = requests_[e].rhoB;
      if (keyArr == 18) {
        const ReceiverValue& second = values_[evaluations + e];
        ev.value2 = second.E;
        ev.EA2 = second.EA;
        ev.EB2 = second.EB;
      }
    }
    if (keyArr == 19) {
      // The horizontal and vertical primary fields alone, for the calibration.
      parallelFor(static_cast<int>(evaluations), threads_, [&](int e) {
        const Configuration& c = plan_.placements[at(e)].first;
        Evaluation& ev = evaluations_[at(e)];
        primaryFields(c.xr, c.zr, c.XA, c.ZA, c.XB, c.ZB, 1.0f, 0.0f, ev.rhoA, ev.rhoB, ky,
                      false, ev.EA, ev.EB);
        primaryFields(c.xr, c.zr, c.XA, c.ZA, c.XB, c.ZB, 0.0f, 1.0f, ev.rhoA, ev.rhoB, ky,
                      false, ev.EA2, ev.EB2);
      });
    }
  }
  Stopwatch watch(timer(&PhaseTimes::accumulate));
  for (std::size_t e = 0; e < evaluations; ++e) {
    const Configuration& c = plan_.placements[e].first;
    accumulate(st, k, plan_.cells[e], evaluations_[e], c.xr, c.zr, c.XA, c.ZA, c.XB, c.ZB);
  }
}

void FastDriver::wavenumber(int k) {
  const auto started = std::chrono::steady_clock::now();
  const PhaseTimes before = times_ != nullptr ? *times_ : PhaseTimes{};
  const std::string header = consoleLine("    ===> nKy_i = ", k + 1);
  console_ << header << std::flush;
  const bool ipLive = ip_ && ipw_.pivotRow == 0;
  const float ky = st_.Ky[at(k)];
  std::ostringstream diagnostics;
  {
    Stopwatch watch(timer(&PhaseTimes::fill));
    if (ipLive) {
      assembleBoundaryMatrixPair(st_.nodes, st_.nodes.q.data(), st_.model.Ro[0], dcMatrix_.data(),
                                 ipState_->nodes.q.data(), ipState_->model.Ro[0], ipMatrix_.data(),
                                 static_cast<int>(ld_), ky, diagnostics);
    } else {
      assembleBoundaryMatrix(st_.nodes, st_.nodes.q.data(), st_.model.Ro[0], dcMatrix_.data(),
                             static_cast<int>(ld_), ky, diagnostics);
    }
  }
  const bool evaluate = !plan_.placements.empty();
  if (evaluate) {
    Stopwatch watch(timer(&PhaseTimes::factor));
    dc_.pivotRow = luFactor(dcMatrix_.data(), n_, static_cast<int>(ld_), threads_);
    if (ipLive) ipw_.pivotRow = luFactor(ipMatrix_.data(), n_, static_cast<int>(ld_), threads_);
    if (times_ != nullptr) {
      times_->factorisations += ipLive ? 2 : 1;
      times_->order = n_;
    }
  }
  if (dc_.pivotRow != 0) {
    dc_.pivotWavenumber = k + 1;
    console_ << diagnostics.str() << dc_.lookups.firstText << std::flush;
    return;
  }
  console_ << diagnostics.str() << dc_.lookups.text << std::flush;
  if (evaluate) solveAndAccumulate(dc_, k);

  if (ipLive) {
    ipw_.console += header + diagnostics.str();
    if (ipw_.pivotRow != 0) {
      ipw_.pivotWavenumber = k + 1;
      ipw_.console += ipw_.lookups.firstText;
    } else {
      ipw_.console += ipw_.lookups.text;
      if (evaluate) solveAndAccumulate(ipw_, k);
    }
  }
  if (times_ != nullptr) {
    PhaseTimes::Wavenumber w;
    w.total = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    w.factor = times_->factor - before.factor;
    w.back = times_->backSubstitute - before.backSubstitute;
    w.forward = times_->substitute - before.substitute - w.back;
    times_->perWavenumber.push_back(w);
  }
}

DriverResult FastDriver::run(const PassOutput& output) {
  prepare();
  clearGrids(st_);
  if (ip_) clearGrids(*ipState_);
  for (int k = 0; k < st_.nKy; ++k) {
    wavenumber(k);
    if (dc_.pivotRow != 0) return {dc_.pivotRow, 1, dc_.pivotWavenumber};
  }
  finishPass(st_, 1, warnings_);
  output(st_, 1);
  if (!ip_) return {};

  st_.DcF = st_.ResF;
  if (st_.arr.keyArr == 18) st_.DcR = st_.ResR;
  console_ << consoleLine("===> IP calculation") << ipw_.console << std::flush;
  if (ipw_.pivotRow != 0) return {ipw_.pivotRow, 2, ipw_.pivotWavenumber};
  st_.nodes.q = st_.nodes.qIP;
  st_.model.Ro = st_.model.RO_IP;
  st_.ResF = ipState_->ResF;
  st_.ResR = ipState_->ResR;
  st_.NrmF = ipState_->NrmF;
  st_.NrmR = ipState_->NrmR;
  finishPass(st_, 2, warnings_);
  computeChargeability(st_);
  output(st_, 2);
  return {};
}

}  // namespace

DriverResult runPasses(KorvisState& st, std::ostream& console, std::ostream& warnings,
                       const PassOutput& output, PhaseTimes* times) {
  FastDriver driver(st, console, warnings, times);
  return driver.run(output);
}

}  // namespace korvis
