// The survey mode: inputs, the model's checks of the survey, the solve, the
// result file. Nothing is written unless the whole run goes through.
#include "korvis/survey_run.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

#include "common/exit_codes.h"
#include "common/free_format.h"
#include "common/output_file.h"
#include "common/record_reader.h"
#include "korvis/electrode_resistivity.h"
#include "korvis/exact_contrasts.h"
#include "korvis/input.h"
#include "korvis/model_checks.h"
#include "korvis/program.h"
#include "korvis/solve.h"

namespace korvis {

namespace {

using common::InputError;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string number(double v) {
  std::ostringstream out;
  out.precision(7);
  out << v;
  return out.str();
}

[[noreturn]] void fail(const std::string& file, int line, const std::string& what) {
  throw InputError(file + (line > 0 ? ", line " + std::to_string(line) : std::string()) + ": " +
                   what);
}

std::string electrodeName(int e, const PotentialPoint& p) {
  return "electrode " + std::to_string(e + 1) + " at x " + number(p.x) + ", z " +
         number(p.z == 0.0 ? 0.0 : -p.z);
}

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

}  // namespace

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
                        const std::string& file) {
  const auto& electrodes = survey.electrodes;
  if (electrodes.size() > at(maxSurveyRunElectrodes)) {
    fail(file, electrodes[at(maxSurveyRunElectrodes)].line,
         "expected at most " + std::to_string(maxSurveyRunElectrodes) +
             " electrodes (korvis models no more), found " + std::to_string(electrodes.size()));
  }
  if (survey.data.size() > at(maxSurveyRunData)) {
    fail(file, survey.data[at(maxSurveyRunData)].line,
         "expected at most " + std::to_string(maxSurveyRunData) +
             " data (korvis models no more), found " + std::to_string(survey.data.size()));
  }
  SurveyInput in;
  for (std::size_t e = 0; e < electrodes.size(); ++e) {
    const common::SurveyElectrode& s = electrodes[e];
    if (s.z > 0.0) {
      fail(file, s.line,
           "electrode " + std::to_string(e + 1) +
               ": expected z of 0 or below (z is the elevation: 0 at the surface, "
               "negative below), found " +
               number(s.z) + " above the surface");
    }
    if (s.y != electrodes[0].y) {
      fail(file, s.line,
           "electrode " + std::to_string(e + 1) + ": expected y " + number(electrodes[0].y) +
               " as for electrode 1, found " + number(s.y) +
               "; korvis models electrodes on one profile line");
    }
    // Depth below the surface, with -0 taken as 0 for the surface lookups.
    in.electrodes.push_back({s.x, s.z == 0.0 ? 0.0 : -s.z});
  }
  for (std::size_t t = 0; t < survey.topography.size(); ++t) {
    if (survey.topography[t].z != 0.0) {
      fail(file, 0,
           "topography point " + std::to_string(t + 1) + ": expected z 0, found " +
               number(survey.topography[t].z) +
               "; korvis models a flat surface (give the electrodes their depths "
               "below it and no topography)");
    }
  }

  std::vector<char> checked(electrodes.size(), 0);
  for (const common::SurveyDatum& d : survey.data) {
    const Quadrupole q = quadrupoleOf(d);
    for (int e : {q.a, q.b, q.m, q.n}) {
      if (e < 0 || checked[at(e)] != 0) continue;
      checked[at(e)] = 1;
      const PotentialPoint& p = in.electrodes[at(e)];
      const int line = electrodes[at(e)].line;
      if (!insideModel(st.model, p)) {
        fail(file, line,
             electrodeName(e, p) +
                 ": expected a place inside the model of varga.xy (on its surface "
                 "line or in one of its bodies)");
      }
      int node = 0;
      if (electrodeOnNode(st, static_cast<float>(p.x), static_cast<float>(p.z), node)) {
        fail(file, line,
             electrodeName(e, p) + " lies on the centre of node " + std::to_string(node + 1) +
                 " of varga.xy; move it off the boundary");
      }
    }
    for (int c : {q.a, q.b}) {
      for (int p : {q.m, q.n}) {
        if (c < 0 || p < 0) continue;
        const PotentialPoint& s = in.electrodes[at(c)];
        const PotentialPoint& r = in.electrodes[at(p)];
        if (s.x == r.x && s.z == r.z) {
          fail(file, d.line,
               "electrodes " + std::to_string(c + 1) + " and " + std::to_string(p + 1) +
                   " share one place; expected a potential electrode away from "
                   "the current electrodes");
        }
      }
    }
    in.data.push_back(q);
  }
  return in;
}

common::SurveyData surveyResults(const common::SurveyData& survey, const SurveyValues& values) {
  common::SurveyData out;
  out.electrodes = survey.electrodes;
  out.topography = survey.topography;
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
    if (loadGeometry(st, console, errors) == LoadOutcome::tooManyNodes) {
      return common::exitTooManyNodes;
    }
    const common::SurveyData survey = common::readSurveyFile(options.survey);
    const SurveyInput in = checkSurvey(st, survey, options.survey);
    {
      float spread = 0.0f;
      const std::vector<common::ElectrodePoint> used = usedElectrodes(in, spread);
      const common::Findings findings =
          checkModel(st.model, used, spread, options.survey, [](const common::ElectrodePoint& e) {
            return std::string(e.current ? "current" : "potential") + " electrode " + std::to_string(e.position);
          });
      common::printFindings(findings, "korvis", errors);
      if (common::hasErrors(findings)) return common::exitBadInput;
    }
    useExactContrasts(st, "varga.xy", errors);
    const std::string out = options.out.empty() ? surveyOutputName(options.survey) : options.out;
    printLine(console, " Survey file - " + options.survey + ": " +
                           std::to_string(survey.electrodes.size()) + " electrodes, " +
                           std::to_string(survey.data.size()) + " data");
    console << (common::FreeRecord(common::FreeStyle::korvis)
                << " A number of nodes -" << st.nodes.N)
                   .str();

    SurveySetup setup;
    setup.order = options.order;
    const SurveyOutcome result = modelSurvey(st, in.electrodes, in.data, setup, console);
    console << std::flush;
    if (result.pivotRow != 0) {
      errors << "korvis: zero pivot in row " << result.pivotRow
             << " of the system matrix at wavenumber " << result.pivotWavenumber
             << (result.pivotPass == 2 ? " of the IP pass" : "") << "\n";
      return common::exitNumerical;
    }
    common::OutputFile file(out);
    file << common::formatSurveyText(surveyResults(survey, result.values));
    file.commit();
    printLine(console, " Result file - " + out);
    return common::exitNormal;
  });
}

}  // namespace korvis
