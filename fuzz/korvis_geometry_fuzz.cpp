// varga.xy as a hostile input to korvis's loader, over a fixed surface
// survey, followed by what korvis does with the geometry before its first
// matrix. A bad file must end in an InputError or the node-limit stop.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile xy("varga.xy");
  static fuzz::MemoryFile arr("varga.arr", survey);
  xy.assign(data, size);
  std::ostringstream console, warnings;
  try {
    const auto st = std::make_unique<korvis::KorvisState>();
    if (korvis::loadInputs(*st, console, warnings, xy.path(), arr.path()) == korvis::LoadOutcome::loaded) {
      fuzz::useLoadedSurvey(*st);
    }
  } catch (const common::InputError&) {
  }
  return 0;
}
