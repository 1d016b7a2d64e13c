// The telm model file as a hostile input, with the fixed kinds' limits and
// with the survey mode's (keyRun -1): everything a run does with it
// before the 2D solve, i.e. the reading of the model part and the survey
// settings, the model and survey checks, the magnetic-field adjustment, the discretisation that takes its
// counts and coordinates, the surface lists and the text of varga.xy. The
// expected ends of a bad model are an InputError and the coded stop 199 of a
// node table that would overflow; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "common/memory_limit.h"
#include "common/record_reader.h"
#include "memory_file.h"
#include "telm/coded_stop.h"
#include "telm/discretisation.h"
#include "telm/exchange_file.h"
#include "telm/model_checks.h"
#include "telm/model_input.h"
#include "telm/telm_state.h"

namespace {

// The survey mode's limits as 512 MiB of memory sets them (some 11 000
// nodes, bodies or vertices): the fuzzer's memory stays far below its bound
// whatever the machine has.
constexpr double surveyMemory = 512.0 * 1024 * 1024;

void useModel(const std::string& path, bool survey) {
  const auto st = std::make_unique<telm::TelmState>();
  st->modelFileName = path;
  if (survey) st->setLimits(common::surveyLimits(surveyMemory));
  std::ostringstream console, warnings;
  try {
    common::RecordReader in(path);
    telm::readModelPart(in, *st, console);
    if (survey && st->keyRun != -1) return;
    if (st->keyRun != -1) telm::readSurveySettings(in, *st, console);
    telm::checkModel(*st);
    // The survey check lists every electrode; the fuzzer's counts stay small.
    if (st->keyRun != -1 && st->stationCount <= 1000) telm::checkSurvey(*st);
    telm::applyMagneticAdjustment(*st);
    // keyRun 1 would write XZ.txt into the working folder.
    st->keyRun = 0;
    telm::discretise(*st, console);
    telm::buildSurfaceLists(*st, warnings);
    telm::nodeListing(*st);
    telm::exchangeFileText(*st);
  } catch (const common::InputError&) {
  } catch (const telm::CodedStop& stop) {
    if (stop.code != 199) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile model("model.dat");
  model.assign(data, size);
  useModel(model.path(), false);
  useModel(model.path(), true);
  return 0;
}
