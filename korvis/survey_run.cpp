// The survey mode: inputs, the model's checks of the survey, the solve, the
// result file. Nothing is written unless the whole run goes through.
#include "korvis/survey_run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>

#include "common/exit_codes.h"
#include "common/free_format.h"
#include "common/mesh_survey.h"
#include "common/output_file.h"
#include "common/record_reader.h"
#include "common/survey_checks.h"
#include "korvis/electrode_resistivity.h"
#include "korvis/exact_contrasts.h"
#include "korvis/input.h"
#include "korvis/mesh_error.h"
#include "korvis/model_checks.h"
#include "korvis/program.h"
#include "korvis/solve.h"

namespace korvis {

namespace {

constexpr const char* fineMeshName = "varga-fine.xy";


std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string electrodeName(int e, const PotentialPoint& p) { return common::electrodeName(e + 1, {p.x, p.z}); }

// True when the electrode lookups find the medium at p: on the surface line
// for a surface electrode, in a body for a buried one.
bool insideModel(const common::ModelGeometry& model, PotentialPoint p) {
  const auto x = static_cast<float>(p.x);
  const auto z = static_cast<float>(p.z);
  if (z == 0.0f && model.nPOnSurface >= 2) {
    const float first = model.xp[at(model.surfaceList[0] - 1)];
    const float last = model.xp[at(model.surfaceList[at(model.nPOnSurface - 1)] - 1)];
    if (x < first || x > last) return false;
  }
  // A lookup that finds nothing keeps the value it was given: start from two.
  std::ostream discard(nullptr);
  float a0 = 0.0f, a1 = 1.0f, b = 0.0f;
  electrodeResistivities(model, x, z, 10000.0f, 0.0f, a0, b, discard);
  electrodeResistivities(model, x, z, 10000.0f, 0.0f, a1, b, discard);
  return !(a0 == 0.0f && a1 == 1.0f);
}

// The four electrodes of a measurement as 0-based indices (-1: at infinity).
Quadrupole quadrupoleOf(const common::SurveyDatum& d) {
  return {d.a - 1, d.b - 1, d.m - 1, d.n - 1};
}

void printLine(std::ostream& console, const std::string& text) {
  console << (common::FreeRecord(common::FreeStyle::korvis) << text).str();
}

// The mesh of varga.xy is graded toward the electrodes of the survey that
// telm --survey prepared it for (varga.xy.survey): a survey with electrodes
// elsewhere, or a mesh prepared without --survey, is modelled on elements
// sized for other places. Says so, naming the first such electrode.
void warnForeignMesh(const common::ModelGeometry& model, const SurveyInput& in,
                     const common::SurveyData& survey, const std::string& file, std::ostream& errors) {
  const std::optional<common::MeshSurvey> mesh = common::readMeshSurvey("varga.xy");
  if (!mesh) {
    errors << "korvis: warning: varga.xy was not prepared by telm --survey (there is no varga.xy.survey "
              "beside it that belongs to it): its elements are not graded toward the electrodes of "
           << file << "; run telm --survey " << file << " first\n";
    return;
  }
  const double tolerance = common::pointTolerance(model);
  std::vector<char> used(in.electrodes.size(), 0);
  for (const Quadrupole& q : in.data) {
    for (int e : {q.a, q.b, q.m, q.n}) {
      if (e >= 0) used[at(e)] = 1;
    }
  }
  int first = -1, others = 0;
  for (std::size_t e = 0; e < in.electrodes.size(); ++e) {
    if (used[e] == 0) continue;
    const PotentialPoint& p = in.electrodes[e];
    bool known = false;
    for (const common::SurveyPlace& r : mesh->electrodes) {
      known = known || std::hypot(r.x - p.x, r.depth - p.z) <= tolerance;
    }
    if (known) continue;
    if (first < 0) {
      first = static_cast<int>(e);
    } else {
      ++others;
    }
  }
  if (first < 0) return;
  errors << "korvis: warning: " << file << ", line " << survey.electrodes[at(first)].line << ": "
         << electrodeName(first, in.electrodes[at(first)])
         << (others > 0 ? " (and " + std::to_string(others) + " more)" : std::string())
         << " is not one that the mesh of varga.xy was graded toward (telm --survey " << mesh->survey
         << " prepared it); run telm --survey " << file << " to prepare the mesh for this survey\n";
}

// The node count of a loaded mesh against what its solve may take: a
// message (without the program's name) when it takes more.
std::string meshBeyondMemory(const KorvisState& st, const SurveyInput& in, const std::string& path) {
  const int limit = common::surveyNodeLimit(st.limits.memory, solveShape(st, in));
  if (st.nodes.N <= limit) return {};
  return path + ": " +
         common::beyondMemory("the node count of the mesh", st.nodes.N, limit, st.limits.memory,
                              "prepare it again with a lower dens in the model file (the node count grows in "
                              "proportion to dens), or with shorter interfaces (a narrower model)");
}

}  // namespace

common::SolveShape solveShape(const KorvisState& st, const SurveyInput& in) {
  std::vector<char> role(in.electrodes.size(), 0);  // bit 1 current, bit 2 potential
  for (const Quadrupole& q : in.data) {
    for (int e : {q.a, q.b}) {
      if (e >= 0) role[at(e)] = static_cast<char>(role[at(e)] | 1);
    }
    for (int e : {q.m, q.n}) {
      if (e >= 0) role[at(e)] = static_cast<char>(role[at(e)] | 2);
    }
  }
  common::SolveShape shape{st.keyIP != 0 ? 2 : 1, 0, 0};
  for (const char r : role) {
    shape.currentElectrodes += (r & 1) != 0;
    shape.potentialElectrodes += (r & 2) != 0;
  }
  return shape;
}

std::vector<common::ElectrodePoint> usedElectrodes(const SurveyInput& in, float& largestSpread) {
  std::vector<common::ElectrodePoint> points;
  std::vector<char> seen(in.electrodes.size(), 0);  // 1 potential, 2 current
  largestSpread = 0.0f;
  for (const Quadrupole& q : in.data) {
    const int four[4] = {q.a, q.b, q.m, q.n};
    for (int i = 0; i < 4; ++i) {
      if (four[i] < 0) continue;
      seen[at(four[i])] = static_cast<char>(std::max<int>(seen[at(four[i])], i < 2 ? 2 : 1));
      for (int j = i + 1; j < 4; ++j) {
        if (four[j] < 0) continue;
        const PotentialPoint& p = in.electrodes[at(four[i])];
        const PotentialPoint& r = in.electrodes[at(four[j])];
        largestSpread = std::max(largestSpread, static_cast<float>(std::hypot(p.x - r.x, p.z - r.z)));
      }
    }
  }
  for (std::size_t e = 0; e < seen.size(); ++e) {
    if (seen[e] == 0) continue;
    const PotentialPoint& p = in.electrodes[e];
    points.push_back({static_cast<float>(p.x), static_cast<float>(p.z), seen[e] == 2, seen[e] == 2 ? 'A' : 'M',
                      static_cast<int>(e + 1), 0});
  }
  return points;
}

SurveyInput checkSurvey(const KorvisState& st, const common::SurveyData& survey,
                        const std::string& file, const Relief* relief, bool drape) {
  const bool overRelief = relief != nullptr && relief->active;
  common::ReliefPlacement placement{overRelief ? &relief->ground : nullptr, drape, {}, 0};
  const std::vector<common::SurveyPlace> places = common::checkSurveyAgainstModel(
      st.model, survey, file, "varga.xy", [&](double x, double depth) { return insideModel(st.model, {x, depth}); },
      overRelief ? &placement : nullptr);
  SurveyInput in;
  in.onSurface = placement.onSurface;
  in.draped = placement.moved;
  if (overRelief) in.buriedAtZero = common::buriedAtZeroWarning(placement, survey, file);
  for (const common::SurveyPlace& p : places) in.electrodes.push_back({p.x, p.depth});
  std::vector<char> checked(places.size(), 0);
  for (const common::SurveyDatum& d : survey.data) {
    const Quadrupole q = quadrupoleOf(d);
    for (const int e : {q.a, q.b, q.m, q.n}) {
      if (e < 0 || checked[at(e)] != 0) continue;
      checked[at(e)] = 1;
      const PotentialPoint& p = in.electrodes[at(e)];
      int node = 0;
      if (electrodeOnNode(st, static_cast<float>(p.x), static_cast<float>(p.z), node)) {
        common::fail(file, survey.electrodes[at(e)].line,
             electrodeName(e, p) + " lies on the centre of node " + std::to_string(node + 1) +
                 " of varga.xy; move it off the boundary");
      }
    }
    in.data.push_back(q);
  }
  return in;
}

common::SurveyData surveyResults(const common::SurveyData& survey, const SurveyValues& values,
                                 const Relief* relief, const SurveyInput* placed) {
  common::SurveyData out;
  out.electrodes = survey.electrodes;
  out.topography = survey.topography;
  if (relief != nullptr && relief->active) {
    out.topography.clear();
    for (std::size_t v = 0; v < relief->ground.x.size(); ++v) {
      const double z = relief->ground.z[v];
      out.topography.push_back({relief->ground.x[v], z == 0.0 ? 0.0 : -z});
    }
    for (std::size_t e = 0; placed != nullptr && e < out.electrodes.size(); ++e) {
      if (e < placed->onSurface.size() && placed->onSurface[e] != 0) {
        const double depth = relief->ground.depthAt(out.electrodes[e].x);
        out.electrodes[e].z = depth == 0.0 ? 0.0 : -depth;
      }
    }
  }
  out.columns = {"k", "u", "i", "r", "rhoa"};
  const bool ip = !values.ip.empty();
  if (ip) out.columns.push_back("ip");
  for (std::size_t d = 0; d < survey.data.size(); ++d) {
    common::SurveyDatum datum = survey.data[d];
    datum.values = {values.k[d], values.u[d], 1.0, values.u[d], values.rhoa[d]};
    if (ip) datum.values.push_back(values.ip[d]);
    out.data.push_back(datum);
  }
  return out;
}

std::vector<std::string> nonFiniteResults(const common::SurveyData& survey, const SurveyValues& values,
                                          const std::string& file) {
  constexpr std::size_t shown = 10;
  std::vector<std::string> lines;
  std::size_t count = 0;
  for (std::size_t d = 0; d < survey.data.size(); ++d) {
    std::string names;
    for (const auto& [name, column] : {std::pair{"k", &values.k}, std::pair{"u", &values.u},
                                       std::pair{"rhoa", &values.rhoa}, std::pair{"ip", &values.ip}}) {
      if (d < column->size() && !std::isfinite((*column)[d])) {
        const double v = (*column)[d];
        names += (names.empty() ? "" : ", ") + std::string(name) + " = " +
                 (std::isnan(v) ? "nan" : v < 0 ? "-inf" : "inf");
      }
    }
    if (names.empty()) continue;
    if (++count > shown) continue;
    const common::SurveyDatum& datum = survey.data[d];
    lines.push_back(file + ", line " + std::to_string(datum.line) + ": datum " + std::to_string(d + 1) +
                    " (a b m n = " + std::to_string(datum.a) + " " + std::to_string(datum.b) + " " +
                    std::to_string(datum.m) + " " + std::to_string(datum.n) + "): the computed " + names +
                    " is not a finite number");
  }
  if (count > shown) lines.push_back("and " + std::to_string(count - shown) + " more data with values that are not finite");
  if (count > 0) {
    lines.push_back("no result file written: the model or the electrodes of these data cannot be computed "
                    "(electrodes too close to each other or to the boundary?)");
  }
  return lines;
}

std::string surveyOutputName(const std::string& surveyPath) {
  const std::filesystem::path path(surveyPath);
  std::filesystem::path name = path.stem();
  name += "-data";
  name += path.extension();
  return (path.parent_path() / name).string();
}

int runSurveyProgram(std::ostream& console, std::ostream& errors, const SurveyRunOptions& options) {
  return runGuarded(console, errors, "this model and survey", [&] {
    printLine(console, "--- korvis - 2.5D DC modelling of a survey file ---");
    auto state = std::make_unique<KorvisState>();
    KorvisState& st = *state;
    st.limits = common::surveyLimits(options.memory < 0 ? common::availableMemory() : options.memory);
    if (loadGeometry(st, console, errors) == LoadOutcome::tooManyNodes) {
      return common::exitTooManyNodes;
    }
    const common::SurveyData survey = common::readSurveyFile(options.survey, common::maxModelledSurveyBytes);
    // The result file is settled before any work: never one of the inputs,
    // and one that can be written (the folder exists, the file is not
    // write-protected), so an hour's solve does not end in a refusal.
    const std::string out = options.out.empty() ? surveyOutputName(options.survey) : options.out;
    common::refuseOwnInput(out, options.survey, "the survey file", "give --out another file name");
    common::refuseOwnInput(out, "varga.xy", "the mesh", "give --out another file name");
    common::checkOutputTarget(out);
    if (options.estimateError && !std::filesystem::exists(fineMeshName)) {
      throw common::InputError(std::string(fineMeshName) +
                               ": no such file: --estimate-error solves the survey again on the mesh at "
                               "twice dens; prepare it with telm --survey " + options.survey + " --estimate-error");
    }
    const Relief relief = findRelief(st, options.mirrorAbove);
    if (const std::string mismatch = meshFormulationMismatch(st, relief, "varga.xy"); !mismatch.empty()) {
      throw common::InputError(mismatch);
    }
    const SurveyInput in = checkSurvey(st, survey, options.survey, &relief, options.drape);
    if (const std::string beyond = meshBeyondMemory(st, in, "varga.xy"); !beyond.empty()) {
      console << std::flush;
      errors << "korvis: " << beyond << "\n";
      return common::exitTooManyNodes;
    }
    {
      float spread = 0.0f;
      const std::vector<common::ElectrodePoint> used = usedElectrodes(in, spread);
      common::Findings findings = checkModel(
          st.model, used, spread, options.survey,
          [](const common::ElectrodePoint& e) {
            return std::string(e.current ? "current" : "potential") + " electrode " + std::to_string(e.position);
          },
          relief.active);
      const common::Findings numbering = common::checkElectrodeNumbering(survey, options.survey);
      findings.insert(findings.end(), numbering.begin(), numbering.end());
      if (!in.buriedAtZero.empty()) findings.push_back({common::Severity::warning, in.buriedAtZero});
      common::printFindings(findings, "korvis", errors);
      if (common::hasErrors(findings)) return common::exitBadInput;
    }
    useExactContrasts(st, "varga.xy", errors, relief.active ? &relief.airNode : nullptr);
    warnForeignMesh(st.model, in, survey, options.survey, errors);
    if (in.draped > 0) {
      errors << "korvis: --drape placed " << in.draped << " electrode" << (in.draped == 1 ? "" : "s") << " of "
             << options.survey << " on the ground surface\n";
    }
    printLine(console, " Survey file - " + options.survey + ": " +
                           std::to_string(survey.electrodes.size()) + " electrodes, " +
                           std::to_string(survey.data.size()) + " data");
    console << (common::FreeRecord(common::FreeStyle::korvis)
                << " A number of nodes -" << st.nodes.N)
                   .str();

    // The refined mesh of the error estimate, read and checked before any work.
    std::unique_ptr<KorvisState> fine;
    Relief fineRelief;
    if (options.estimateError) {
      fine = std::make_unique<KorvisState>();
      fine->limits = st.limits;
      std::ostringstream quiet;
      if (loadGeometry(*fine, quiet, errors, fineMeshName) == LoadOutcome::tooManyNodes) {
        return common::exitTooManyNodes;
      }
      fineRelief = findRelief(*fine, options.mirrorAbove);
      checkSurvey(*fine, survey, options.survey, &fineRelief, options.drape);
      if (const std::string beyond = meshBeyondMemory(*fine, in, fineMeshName); !beyond.empty()) {
        errors << "korvis: " << beyond << "\n";
        return common::exitTooManyNodes;
      }
      useExactContrasts(*fine, fineMeshName, errors, fineRelief.active ? &fineRelief.airNode : nullptr);
    }

    SurveySetup setup;
    setup.order = options.order;
    std::vector<PotentialPoint> electrodes = in.electrodes;
    if (relief.active) {
      surfaceSources(st, relief, in.electrodes, in.onSurface, setup.electrodeRho, setup.electrodeStrength,
                     setup.electrodeBare);
      shiftToMirror(st, relief, electrodes);
      std::vector<PotentialPoint> none;
      if (fine) shiftToMirror(*fine, fineRelief, none);
      console << " Relief: the ground surface from x " << relief.ground.x.front() << " to "
              << relief.ground.x.back() << ", its highest point at z " << -relief.ground.top() << ", "
              << std::count(relief.airNode.begin(), relief.airNode.end(), 1) << " of the nodes on it\n";
    }
    std::vector<const KorvisState*> meshes{&st};
    std::vector<const Relief*> reliefs{&relief};
    if (fine) {
      meshes.push_back(fine.get());
      reliefs.push_back(&fineRelief);
    }
    std::vector<SurveyValues> values;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
      const KorvisState* mesh = meshes[i];
      if (mesh != &st) {
        console << " Refined mesh " << fineMeshName << ": " << mesh->nodes.N << " nodes\n";
      }
      setup.smoothNodes = reliefs[i]->active ? reliefs[i]->airNode : std::vector<char>();
      const SurveyOutcome result = modelSurvey(*mesh, electrodes, in.data, setup, console);
      console << std::flush;
      if (result.pivotRow != 0) {
        errors << "korvis: zero pivot in row " << result.pivotRow << " of the system matrix at wavenumber "
               << result.pivotWavenumber << (result.pivotPass == 2 ? " of the IP pass" : "")
               << (mesh != &st ? std::string(" of ") + fineMeshName : std::string()) << "\n";
        return common::exitNumerical;
      }
      SurveyValues v = result.values;
      if (reliefs[i]->active) {
        // The geometric factors of the homogeneous earth under the same relief.
        auto homogeneous = std::make_unique<KorvisState>();
        homogeneousUnderRelief(*mesh, *reliefs[i], *homogeneous);
        console << " Geometric factors: the homogeneous earth under the relief, " << homogeneous->nodes.N
                << " nodes\n";
        SurveySetup unitSetup = setup;
        for (float& rho : unitSetup.electrodeRho[0]) rho = rho >= 0.0f ? 1.0f : rho;
        unitSetup.smoothNodes.assign(static_cast<std::size_t>(homogeneous->nodes.N), 1);
        const SurveyOutcome unit = modelSurvey(*homogeneous, electrodes, in.data, unitSetup, console);
        if (unit.pivotRow != 0) {
          errors << "korvis: zero pivot in row " << unit.pivotRow
                 << " of the system matrix of the homogeneous earth under the relief\n";
          return common::exitNumerical;
        }
        for (std::size_t d = 0; d < v.k.size(); ++d) {
          // A null array (no response over a homogeneous earth) has no
          // apparent resistivity, as over a flat one: k = 0.
          const double u = unit.values.u[d];
          const Quadrupole& q = in.data[d];
          v.k[d] = std::fabs(u) > 1e-5 * poleScale(in.electrodes, q.a, q.b, q.m, q.n) ? 1.0 / u : 0.0;
          v.rhoa[d] = v.k[d] * v.u[d];
        }
      }
      if (const std::vector<std::string> bad = nonFiniteResults(survey, v, options.survey); !bad.empty()) {
        for (const std::string& line : bad) errors << "korvis: " << line << "\n";
        return common::exitNumerical;
      }
      values.push_back(v);
    }
    common::SurveyData results = surveyResults(survey, values[0], &relief, &in);
    if (fine) {
      const MeshDifferences d = meshDifferences(values[0], values[1]);
      addMeshDifferences(results, d);
      console << meshDifferenceSummary(d, survey, options.survey);
    }
    if (options.noise) addSurveyNoise(results, *options.noise);
    common::OutputFile file(out);
    file << common::formatSurveyText(results);
    file.commit();
    printLine(console, " Result file - " + out);
    return common::exitNormal;
  });
}

}  // namespace korvis
