// The array driver. A run is laid out first as a plan: for every array and
// pass, whether the matrix is (re)built, which matrix the pass solves with
// and the electrodes of every station and spacing. It is then computed one
// matrix at a time: built and factorised once, every distinct right-hand side
// of all passes that use it formed and solved together in blocks, and every
// configuration's response evaluated, spread over threads, from the
// logarithm rows of its receiver positions (kept for the whole run, since
// the node geometry does not change; see response_rows.h). The console text
// and the result files are produced in the order of the plain loop over
// arrays, passes, stations and spacings, each piece as soon as the work it
// depends on is done: the output drives the work one block at a time.
//
// This gives the same bits as building, factorising and solving
// configuration by configuration: the matrix of a pass depends only on the
// pass (coefficient and resistivity columns) and on whether the array is the
// magnetic-field one, and a right-hand side only on the pass and the
// current electrodes, so equal inputs are computed once and reused; the
// console lines and coincidence records of a rebuild are replayed from the
// one build.
#include "telm/arrays.h"

#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <map>
#include <vector>

#include "common/edit_format.h"
#include "common/exit_codes.h"
#include "common/output_file.h"
#include "telm/array_kinds.h"
#include "telm/factor_solve.h"
#include "telm/parallel.h"
#include "telm/qz_export.h"
#include "telm/response_rows.h"
#include "telm/result_files.h"
#include "telm/system2d.h"

namespace telm {

namespace {

constexpr int dcPass = 0;
constexpr int ipPass = 1;
constexpr int matrixKinds = 4;   // DC or IP, with or without image terms

int matrixKey(int pass, bool magnetic) { return pass * 2 + (magnetic ? 1 : 0); }

ActiveColumns activeColumns(const TelmState& st, int pass) {
  if (pass == dcPass) return {st.nodes.q.data(), st.model.Ro.data()};
  return {st.nodes.qIP.data(), st.model.RO_IP.data()};
}

struct PassPlan {
  bool rebuild = false;  // the matrix is built for this pass (console lines, records)
  int key = 0;           // the matrix the pass solves with
  int firstConfig = 0;  // configuration of station i, spacing j: firstConfig + (i-1) spacings + j-1
};

struct ArrayPlan {
  int listedKind = 0;  // as in the model file, for messages
  int kind = 1;        // as computed
  int spacings = 0;
  int passes = 1;
  std::array<PassPlan, 2> pass{};
};

struct Config {
  Electrodes e;
  int kind = 1;
  int spacing = 1;
  int solve = -1;   // distinct right-hand side (within the matrix) whose charges it uses
  float value = 0;  // apparent resistivity; the magnetic field is left in e.xN, e.zN
};

struct MatrixState {
  bool built = false;
  bool used = false;
  MatrixReport report;
  int zeroPivot = 0;
};

struct Plan {
  std::vector<ArrayPlan> arrays;
  std::vector<Config> configs;
  std::array<MatrixState, matrixKinds> matrices{};
  int spacingCount = 0;  // the survey's spacing count after the run
};

// The arrays in the order of the model file. Kinds 12 and 13 set the
// spacing count to 1 for themselves and every later array; kind 13 ends the
// list. The matrix is built for the first array and, with keyIP = 1, for
// every array and pass; a pass without a build solves with the matrix of its
// pass built for the first array.
Plan makePlan(const TelmState& st) {
  Plan plan;
  int spacingCount = st.spacingCount;
  const bool firstMagnetic = st.arrayCount > 0 && effectiveKind(st.arrayKind[0]) == magneticKind;
  for (int a = 0; a < st.arrayCount; ++a) {
    ArrayPlan ap;
    ap.listedKind = st.arrayKind[static_cast<std::size_t>(a)];
    ap.kind = effectiveKind(ap.listedKind);
    if ((ap.kind == 12 || ap.kind == magneticKind) && st.stationCount > 0) spacingCount = 1;
    ap.spacings = spacingCount;
    ap.passes = st.keyIP != 0 ? 2 : 1;
    for (int p = 0; p < ap.passes; ++p) {
      PassPlan& pp = ap.pass[static_cast<std::size_t>(p)];
      pp.rebuild = a == 0 || st.keyIP == 1;
      pp.key = matrixKey(p, pp.rebuild ? ap.kind == magneticKind : firstMagnetic);
      pp.firstConfig = static_cast<int>(plan.configs.size());
      MatrixState& m = plan.matrices[static_cast<std::size_t>(pp.key)];
      m.built = m.built || pp.rebuild;
      for (int i = 1; i <= st.stationCount; ++i) {
        for (int j = 1; j <= ap.spacings; ++j) {
          Config c;
          c.e = placeElectrodes(st, ap.kind, i, j);
          c.kind = ap.kind;
          c.spacing = j;
          plan.configs.push_back(c);
          m.used = true;
        }
      }
    }
    plan.arrays.push_back(ap);
    if (ap.kind == magneticKind) break;
  }
  plan.spacingCount = spacingCount;
  return plan;
}

class Stopwatch {
 public:
  explicit Stopwatch(double* sink) : sink_(sink), start_(std::chrono::steady_clock::now()) {}
  ~Stopwatch() {
    if (sink_)
      *sink_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

 private:
  double* sink_;
  std::chrono::steady_clock::time_point start_;
};

// The charges and source medium of the configuration that qz.bin exports.
struct QzCapture {
  int config = -1;  // none when no export is due
  int key = 0;
  std::vector<float> chargeDensity;
  SourceMedium medium;
};

struct Solve {
  int config = 0;  // the first configuration with this right-hand side
  SourceMedium medium;
};

using RhsKey = std::array<std::uint32_t, 5>;

RhsKey rhsKey(const Config& c) {
  return {std::bit_cast<std::uint32_t>(c.e.XA), std::bit_cast<std::uint32_t>(c.e.ZA),
          std::bit_cast<std::uint32_t>(c.e.XB), std::bit_cast<std::uint32_t>(c.e.ZB),
          c.kind == magneticKind ? 1U : 0U};
}

// Everything that one matrix serves: build, factorisation, right-hand sides,
// solutions, responses. The work of a matrix is done in steps, begin() and
// then one block of right-hand sides per nextBlock(), so that the results
// can be reported while the rest is still to be computed.
class MatrixRun {
 public:
  MatrixRun(const TelmState& st, Plan& plan, int threads, int blockSize, std::size_t rowBytes,
            ArrayTimings& timings, QzCapture& qz)
      : st_(st),
        plan_(plan),
        threads_(threads),
        blockSize_(std::max(blockSize, 1)),
        timings_(timings),
        qz_(qz),
        n_(st.nodes.N),
        a_(static_cast<std::size_t>(n_) * static_cast<std::size_t>(n_)),
        pivot_(static_cast<std::size_t>(n_)),
        b_(static_cast<std::size_t>(n_) * static_cast<std::size_t>(blockSize_)),
        x_(b_.size()),
        done_(plan.configs.size(), 0),
        rows_(st.nodes, n_, rowBytes) {}

  // Builds the matrix `key` (its report is then known) and, when any
  // configuration uses it, factorises it and lays out its right-hand sides.
  void begin(int key) {
    key_ = key;
    solves_.clear();
    next_ = 0;
    MatrixState& m = plan_.matrices[static_cast<std::size_t>(key)];
    const int pass = key / 2;
    act_ = activeColumns(st_, pass);
    {
      Stopwatch w(&timings_.assemble);
      m.report = assembleSystemMatrix(st_.nodes, act_, n_, a_.data(), n_,
                                      key % 2 == 1 ? magneticKind : 1, threads_);
    }
    if (!m.used) return;
    if (n_ > 0) {
      Stopwatch w(&timings_.factorise);
      m.zeroPivot = factorLinpack(a_.data(), n_, n_, pivot_.data(), threads_);
      ++timings_.factorisations;
      if (m.zeroPivot != 0) return;
    }
    if (n_ > 0) {
      Stopwatch w(&timings_.solve);
      factors_.prepare(a_.data(), n_, n_, pivot_.data(), threads_);
    }
    const std::vector<int> configs = configsOf(key);
    solves_ = distinctSolves(configs);
    timings_.rightHandSides += static_cast<long long>(solves_.size());

    // Configurations grouped by their right-hand side, in solve order.
    const auto solveOf = [&](int c) {
      return static_cast<std::size_t>(plan_.configs[static_cast<std::size_t>(c)].solve);
    };
    start_.assign(solves_.size() + 1, 0);
    for (const int c : configs) ++start_[solveOf(c) + 1];
    for (std::size_t s = 1; s < start_.size(); ++s) start_[s] += start_[s - 1];
    grouped_.assign(configs.size(), 0);
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (const int c : configs) grouped_[static_cast<std::size_t>(fill[solveOf(c)]++)] = c;
  }

  // Solves the next block of right-hand sides of the current matrix and
  // evaluates the configurations that use them; false when none is left.
  bool nextBlock() {
    const auto count = static_cast<int>(solves_.size());
    if (next_ >= count) return false;
    const int s0 = next_;
    const int block = std::min(blockSize_, count - s0);
    next_ += block;
    {
      Stopwatch w(&timings_.solve);
      parallelFor(block, threads_, [&](int t) {
        Solve& s = solves_[static_cast<std::size_t>(s0 + t)];
        const Config& c = plan_.configs[static_cast<std::size_t>(s.config)];
        if (c.kind != magneticKind) s.medium = sourceBodyLookup(st_.model, act_.rho, c.e);
        buildRightHandSide(st_.nodes, act_.coef, c.e, s.medium, c.kind, column(b_, t));
      });
      if (n_ > 0) {
        {
          Stopwatch forward(&timings_.forwardSubstitute);
          factors_.forward(b_.data(), n_, block, threads_);
        }
        Stopwatch back(&timings_.backSubstitute);
        factors_.back(b_.data(), n_, x_.data(), n_, block, threads_);
      }
    }
    const int first = start_[static_cast<std::size_t>(s0)];
    const int last = start_[static_cast<std::size_t>(s0 + block)];
    respond(first, last, s0);
    if (qz_.config >= 0) {
      const Config& c = plan_.configs[static_cast<std::size_t>(qz_.config)];
      if (qz_.key == key_ && c.solve >= s0 && c.solve < s0 + block) {
        const float* sigma = column(x_, c.solve - s0);
        qz_.chargeDensity.assign(sigma, sigma + n_);
        qz_.medium = solves_[static_cast<std::size_t>(c.solve)].medium;
      }
    }
    for (int r = first; r < last; ++r) done_[static_cast<std::size_t>(grouped_[static_cast<std::size_t>(r)])] = 1;
    return true;
  }

  bool done(int config) const { return done_[static_cast<std::size_t>(config)] != 0; }

 private:
  float* column(std::vector<float>& v, int t) {
    return v.data() + static_cast<std::ptrdiff_t>(t) * n_;
  }

  // The responses of the configurations grouped_[first..last) of the block
  // whose solutions start at s0: the magnetic field by the kernel, the others
  // from the rows of their receiver positions, brought in as many as the
  // table holds at a time.
  void respond(int first, int last, int s0) {
    Stopwatch w(&timings_.respond);
    const long long rowsBefore = rows_.rowsComputed();
    magnetic_.clear();
    fromRows_.clear();
    receivers_.clear();
    for (int r = first; r < last; ++r) {
      const int ci = grouped_[static_cast<std::size_t>(r)];
      const Config& c = plan_.configs[static_cast<std::size_t>(ci)];
      if (c.kind == magneticKind) {
        magnetic_.push_back(ci);
      } else {
        fromRows_.push_back(ci);
        receivers_.push_back({c.e.xM, c.e.zM});
        receivers_.push_back({c.e.xN, c.e.zN});
      }
    }
    parallelFor(static_cast<int>(magnetic_.size()), threads_, [&](int t) {
      Config& c = plan_.configs[static_cast<std::size_t>(magnetic_[static_cast<std::size_t>(t)])];
      c.value = configurationResponse(st_.nodes, n_, column(x_, c.solve - s0), c.e,
                                      solves_[static_cast<std::size_t>(c.solve)].medium,
                                      act_.rho[0], c.kind);
    });
    const auto count = static_cast<int>(fromRows_.size());
    for (int k = 0; k < count;) {
      const int end = rows_.admit(receivers_, k, threads_, slots_);
      parallelFor(end - k, threads_, [&](int t) {
        const int ci = fromRows_[static_cast<std::size_t>(k + t)];
        Config& c = plan_.configs[static_cast<std::size_t>(ci)];
        c.value = rows_.response(slots_[static_cast<std::size_t>(t)], c.e,
                                 column(x_, c.solve - s0),
                                 solves_[static_cast<std::size_t>(c.solve)].medium, act_.rho[0]);
      });
      k = end;
    }
    timings_.responseRows += rows_.rowsComputed() - rowsBefore;
  }

  std::vector<int> configsOf(int key) const {
    std::vector<int> list;
    for (const ArrayPlan& ap : plan_.arrays) {
      for (int p = 0; p < ap.passes; ++p) {
        const PassPlan& pp = ap.pass[static_cast<std::size_t>(p)];
        if (pp.key != key) continue;
        const int size = std::max(st_.stationCount, 0) * std::max(ap.spacings, 0);
        for (int c = pp.firstConfig; c < pp.firstConfig + size; ++c) list.push_back(c);
      }
    }
    return list;
  }

  // Spacings after the first of kinds with fixed sources keep the charges of
  // spacing 1; other configurations share a solution when their current
  // electrodes are the same.
  std::vector<Solve> distinctSolves(const std::vector<int>& configs) {
    std::vector<Solve> solves;
    std::map<RhsKey, int> seen;
    for (const int ci : configs) {
      Config& c = plan_.configs[static_cast<std::size_t>(ci)];
      if (c.spacing > 1 && sourcesFixedOverSpacings(c.kind)) {
        c.solve = plan_.configs[static_cast<std::size_t>(ci - (c.spacing - 1))].solve;
        continue;
      }
      const auto [it, added] = seen.try_emplace(rhsKey(c), static_cast<int>(solves.size()));
      if (added) solves.push_back({ci, SourceMedium{}});
      c.solve = it->second;
    }
    return solves;
  }

  const TelmState& st_;
  Plan& plan_;
  int threads_;
  int blockSize_;
  ArrayTimings& timings_;
  QzCapture& qz_;
  int n_;
  std::vector<float> a_;
  std::vector<int> pivot_;
  PreparedFactors factors_;
  std::vector<float> b_, x_;
  std::vector<char> done_;  // per configuration: its value is known
  int key_ = -1;
  ActiveColumns act_{};
  std::vector<Solve> solves_;
  std::vector<int> start_, grouped_;
  int next_ = 0;  // the next solve of the current matrix
  // The receivers' logarithm rows serve every matrix and pass: they depend
  // only on the node geometry, which the run does not change.
  ResponseRows rows_;
  std::vector<int> magnetic_, fromRows_;
  std::vector<ReceiverPosition> receivers_;
  std::vector<ResponseRows::SlotPair> slots_;
};

// The work of all matrices in their order (0 to 3), done step by step as
// the output asks for it: the output of a configuration waits exactly for
// the work before it in that order.
class Work {
 public:
  Work(Plan& plan, MatrixRun& run, std::ostream& console, const std::function<void()>& afterBlock)
      : plan_(plan), run_(run), console_(console), afterBlock_(afterBlock) {}

  void awaitMatrix(int key) {
    while (!begun_[static_cast<std::size_t>(key)] && step()) {
    }
  }

  // Waits until configuration `config` of matrix `key` is evaluated, or the
  // matrix turned out singular.
  void awaitConfig(int config, int key) {
    awaitMatrix(key);
    while (!run_.done(config) && plan_.matrices[static_cast<std::size_t>(key)].zeroPivot == 0 && step()) {
    }
  }

 private:
  // One step of work; false when there is none left.
  bool step() {
    // What is known is shown before the work that follows.
    console_.flush();
    if (active_) {
      if (run_.nextBlock()) {
        if (afterBlock_) afterBlock_();
        return true;
      }
      active_ = false;
    }
    while (nextKey_ < matrixKinds) {
      const int key = nextKey_++;
      const MatrixState& m = plan_.matrices[static_cast<std::size_t>(key)];
      if (!m.built && !m.used) continue;
      run_.begin(key);
      begun_[static_cast<std::size_t>(key)] = true;
      active_ = true;
      return true;
    }
    return false;
  }

  Plan& plan_;
  MatrixRun& run_;
  std::ostream& console_;
  const std::function<void()>& afterBlock_;
  std::array<bool, matrixKinds> begun_{};
  int nextKey_ = 0;
  bool active_ = false;
};

void warnIfNotFinite(std::ostream& errors, float value, const char* what, const ArrayPlan& ap,
                     int pass, int station, int spacing) {
  if (std::isfinite(value)) return;
  errors << "telm: warning: array kind " << ap.listedKind << (pass == ipPass ? " (IP pass)" : "")
         << ", station " << station << ", spacing " << spacing << ": " << what
         << " is not a finite number\n";
}

// Console text and result files in the order of the plain loop. Returns 0 or
// the exit status of a zero pivot.
int emit(TelmState& st, const Plan& plan, const QzCapture& qz, Work& work, const std::string& directory,
         std::ostream& console, std::ostream& errors) {
  for (const ArrayPlan& ap : plan.arrays) {
    const ArrayKindInfo& info = arrayKindInfo(ap.kind);
    console << info.title << "\n";
    common::OutputFile file(pathIn(directory, info.fileName));
    if (ap.kind == magneticKind) file << magneticHeader();
    ResultTables tables(st.stationCount, ap.spacings);
    for (int p = 0; p < ap.passes; ++p) {
      const PassPlan& pp = ap.pass[static_cast<std::size_t>(p)];
      const MatrixState& m = plan.matrices[static_cast<std::size_t>(pp.key)];
      if (pp.rebuild) {
        work.awaitMatrix(pp.key);
        file << coincidentRecords(m.report);
        console << matrixSummary(m.report, st.nodes.N);
      }
      console << common::formatLine("(2X,'Points (',I4,')')", {st.stationCount});
      for (int i = 1; i <= st.stationCount; ++i) {
        for (int j = 1; j <= ap.spacings; ++j) {
          work.awaitConfig(pp.firstConfig + (i - 1) * ap.spacings + (j - 1), pp.key);
        }
        console << common::formatLine("(1X,I3,\\)", {i}) << std::flush;
        for (int j = 1; j <= ap.spacings; ++j) {
          const int ci = pp.firstConfig + (i - 1) * ap.spacings + (j - 1);
          const Config& c = plan.configs[static_cast<std::size_t>(ci)];
          if (m.zeroPivot != 0) {
            console.flush();
            errors << "telm: zero pivot at step " << m.zeroPivot
                   << " of the system matrix (array kind " << ap.listedKind << ")\n";
            return common::exitNumerical;
          }
          if (ci == qz.config) {
            exportQz(st, qz.chargeDensity.data(), activeColumns(st, p).rho[0], qz.medium, c.e,
                     c.kind, directory, console);
          }
          if (ap.kind == magneticKind) {
            warnIfNotFinite(errors, c.e.xN, "Hx", ap, p, i, j);
            warnIfNotFinite(errors, c.e.zN, "Hz", ap, p, i, j);
            file << magneticLine(c.e);
          } else {
            tables.etaAt(i, ap.kind == 12 ? 1 : j) = c.value;
          }
        }
      }
      if (p == dcPass) {
        tables.rho = tables.eta;
        if (st.keyIP != 0) console << common::formatLine("(//,10X,'...IP is calculating ')", {});
      }
    }
    if (ap.kind == magneticKind) {
      file.commit();
      break;
    }
    apparentChargeability(tables);
    for (int i = 1; i <= tables.stations; ++i) {
      for (int j = 1; j <= tables.spacings; ++j) {
        warnIfNotFinite(errors, tables.rhoAt(i, j), "the apparent resistivity", ap, dcPass, i, j);
        if (st.keyIP == 1) {
          warnIfNotFinite(errors, tables.etaAt(i, j), "the apparent chargeability", ap, ipPass, i,
                          j);
        }
      }
    }
    file << resultFileText(st, ap.kind, tables);
    file.commit();
    if (ap.kind == 7) {
      common::writeFileAtomically(pathIn(directory, pseudoSectionFileName),
                                  pseudoSectionText(st, tables));
    }
  }
  return common::exitNormal;
}

}  // namespace

int computeArrays(TelmState& st, std::ostream& console) {
  return computeArrays(st, console, std::cerr, ArrayRunOptions{});
}

int computeArrays(TelmState& st, std::ostream& console, std::ostream& errors,
                  const ArrayRunOptions& options) {
  ArrayTimings ignored;
  ArrayTimings& timings = options.timings ? *options.timings : ignored;
  Plan plan = makePlan(st);
  st.spacingCount = plan.spacingCount;

  // The export takes the first configuration evaluated: the first station
  // and spacing of the first pass that has any.
  QzCapture qz;
  if (st.keyRun == qzExportKeyRun) {
    for (const ArrayPlan& ap : plan.arrays) {
      if (st.stationCount > 0 && ap.spacings > 0) {
        qz.config = ap.pass[0].firstConfig;
        qz.key = ap.pass[0].key;
        break;
      }
    }
  }
  MatrixRun run(st, plan, threadCount(options.threads), options.solveBlock,
                options.responseRowBytes, timings, qz);
  Work work(plan, run, console, options.afterBlock);
  // The output time is what emit takes beyond the work it waits for.
  const double workBefore = timings.assemble + timings.factorise + timings.solve + timings.respond;
  double emitTime = 0;
  const auto addWriteTime = [&] {
    timings.write += emitTime - (timings.assemble + timings.factorise + timings.solve + timings.respond - workBefore);
  };
  try {
    int status = 0;
    {
      Stopwatch w(&emitTime);
      status = emit(st, plan, qz, work, options.directory, console, errors);
    }
    addWriteTime();
    return status;
  } catch (const common::OutputError& e) {
    errors << "telm: " << e.what() << "\n";
    return common::exitOutputFailed;
  }
}

}  // namespace telm
