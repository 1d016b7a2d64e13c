// A fuzzed survey file checked against a fixed model, the way korvis
// --survey checks it (and telm --survey, which shares all but the node-centre
// check): parsed, checked for the limits, the profile line, the elevations,
// the topography, the electrodes inside the model and apart from each other
// and off the node centres, then the model checks of the used electrodes and
// the electrode-numbering warning. Beyond "no crash, no sanitizer report":
// every error names the survey file, and a survey that passes holds what the
// solve relies on (its electrodes in range, current and potential electrodes
// of one datum apart).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "common/record_reader.h"
#include "common/survey_checks.h"
#include "common/survey_file.h"
#include "korvis/input.h"
#include "korvis/model_checks.h"
#include "korvis/relief.h"
#include "korvis/survey_run.h"
#include "memory_file.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// Two layers 800 m wide, 100 ohm-m over 300 ohm-m at 30 m, the interface
// cut into sixteen nodes: wide enough for the surveys of the examples.
std::string twoLayers() {
  std::string text =
      "6 2 2 0\n1 2\n1\n100 100 4\n1 2 3 4 1\n300 300 4\n4 3 5 6 4\n"
      "-400 0\n400 0\n400 30\n-400 30\n400 200\n-400 200\n16\n";
  for (int k = 0; k < 16; ++k) text += std::to_string(-400.0 + 50.0 * (k + 0.5)) + " 30 50 0 1 0.5 0.5\n";
  return text;
}

const korvis::KorvisState& model() {
  static const std::unique_ptr<korvis::KorvisState> st = [] {
    auto state = std::make_unique<korvis::KorvisState>();
    fuzz::MemoryFile xy("varga.xy", twoLayers());
    std::ostringstream console, warnings;
    require(korvis::loadGeometry(*state, console, warnings, xy.path()) == korvis::LoadOutcome::loaded);
    return state;
  }();
  return *st;
}

// A ridge 10 m high on one body 800 m wide, four nodes on its flanks: the
// placement of the electrodes on relief (and with --drape).
std::string ridge() {
  std::string text = "5 1 3 0\n1 2 3\n1 1\n100 100 5\n1 2 3 4 5 1\n"
                     "-400 0\n0 -10\n400 0\n400 200\n-400 200\n4\n";
  for (const double x : {-300.0, -100.0, 100.0, 300.0}) {
    const double z = -10.0 + std::abs(x) / 40.0, nx = x < 0 ? -0.0249922 : 0.0249922;
    text += std::to_string(x) + " " + std::to_string(z) + " 200 " + std::to_string(nx) + " -0.9996876 0.02 0.02\n";
  }
  return text;
}

const korvis::KorvisState& reliefModel() {
  static const std::unique_ptr<korvis::KorvisState> st = [] {
    auto state = std::make_unique<korvis::KorvisState>();
    fuzz::MemoryFile xy("varga.xy", ridge());
    std::ostringstream console, warnings;
    require(korvis::loadGeometry(*state, console, warnings, xy.path()) == korvis::LoadOutcome::loaded);
    return state;
  }();
  return *st;
}

// The same survey placed on the ridge: an error names the survey file; a
// survey that passes has its surface electrodes on the ground line.
void checkOverRelief(const common::SurveyData& survey, bool drape) {
  const korvis::KorvisState& st = reliefModel();
  const korvis::Relief relief = korvis::findRelief(st);
  require(relief.active);
  korvis::SurveyInput in;
  try {
    in = korvis::checkSurvey(st, survey, "survey.dat", &relief, drape);
  } catch (const common::InputError& e) {
    require(std::string_view(e.what()).starts_with("survey.dat"));
    return;
  }
  const double tolerance = common::pointTolerance(st.model);
  for (std::size_t e = 0; e < in.electrodes.size(); ++e) {
    const double ground = relief.ground.depthAt(in.electrodes[e].x);
    require(in.onSurface[e] == 0 ? in.electrodes[e].z > ground - tolerance
                                 : std::abs(in.electrodes[e].z - ground) <= 1e-9 * (1.0 + std::abs(ground)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const korvis::KorvisState& st = model();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  common::SurveyData survey;
  korvis::SurveyInput in;
  try {
    survey = common::parseSurveyText(text, "survey.dat");
  } catch (const common::InputError& e) {
    require(std::string_view(e.what()).starts_with("survey.dat"));
    return 0;
  }
  checkOverRelief(survey, size % 2 == 1);
  try {
    in = korvis::checkSurvey(st, survey, "survey.dat");
  } catch (const common::InputError& e) {
    require(std::string_view(e.what()).starts_with("survey.dat"));
    return 0;
  }
  require(in.electrodes.size() == survey.electrodes.size() && in.data.size() == survey.data.size());
  const double tolerance = common::pointTolerance(st.model);
  const auto count = static_cast<int>(in.electrodes.size());
  for (const korvis::Quadrupole& q : in.data) {
    for (const int e : {q.a, q.b, q.m, q.n}) require(e >= -1 && e < count);
    for (const int c : {q.a, q.b}) {
      for (const int p : {q.m, q.n}) {
        if (c < 0 || p < 0) continue;
        const auto& s = in.electrodes[static_cast<std::size_t>(c)];
        const auto& r = in.electrodes[static_cast<std::size_t>(p)];
        require(std::hypot(s.x - r.x, s.z - r.z) >= tolerance);
      }
    }
  }
  float spread = 0.0f;
  const auto used = korvis::usedElectrodes(in, spread);
  korvis::checkModel(st.model, used, spread, "survey.dat", common::electrodeNamer("electrode"));
  common::checkElectrodeNumbering(survey, "survey.dat");
  return 0;
}
