// varga.xy as a hostile input to korvis's loader (with the fixed kinds'
// limits and with the survey mode's), over a fixed surface
// survey, followed by what korvis does with the geometry before its first
// matrix. A bad file must end in an InputError or the node-limit stop.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

#include "common/memory_limit.h"
#include "common/record_reader.h"
#include "korvis/input.h"
#include "korvis_survey.h"
#include "memory_file.h"

namespace {

// Twelve positions across a model's surface, three spacings, kind 1.
constexpr const char* survey =
    "10. 0. -55. 0. 12 3   dX, dZ, X0, Z0, nPos, nSpac\n"
    "0. 0. 0. 0. 0. 1 0    XA, ZA, XB, ZB, XMN, keyArr, iDir\n"
    "10. 20. 40.\n";

// The survey mode's limits as 512 MiB of memory sets them (some 11 000
// nodes, bodies or vertices): the fuzzer's memory stays far below its bound
// whatever the machine has.
constexpr double surveyMemory = 512.0 * 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile xy("varga.xy");
  static fuzz::MemoryFile arr("varga.arr", survey);
  xy.assign(data, size);
  for (const bool survey : {false, true}) {
    std::ostringstream console, warnings;
    try {
      const auto st = std::make_unique<korvis::KorvisState>();
      if (survey) st->limits = common::surveyLimits(surveyMemory);
      if (korvis::loadInputs(*st, console, warnings, xy.path(), arr.path()) == korvis::LoadOutcome::loaded) {
        fuzz::useLoadedSurvey(*st);
      }
    } catch (const common::InputError&) {
    }
  }
  return 0;
}
