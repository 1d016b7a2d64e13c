// varga.arr as a hostile input, read the way both programs read it: telm
// takes the two header records, korvis the whole survey (over a small fixed
// two-layer varga.xy) and then lays out its electrodes and wavenumbers. The
// expected ends of a bad file are an InputError and telm's coded stop 100.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

#include "common/record_reader.h"
#include "korvis/input.h"
#include "korvis_survey.h"
#include "memory_file.h"
#include "telm/coded_stop.h"
#include "telm/model_input.h"

namespace {

constexpr const char* twoLayers =
    "6 2 2 1 nP,nT, nPOnSurface,keyIP\n"
    "1 2 [Surfase]\n"
    "1\n"
    "100 100 4 Ro, RO_IP nVer\n"
    "1 2 3 4 1\n"
    "300 333.333344 4 Ro, RO_IP nVer\n"
    "4 3 5 6 4\n"
    "0 0\n30 0\n30 30\n0 30\n30 60\n0 60\n"
    "6 N cells\n"
    "27.5 30 5 0 1 0.01 0.01076923\n"
    "22.5 30 5 0 1 0.01 0.01076923\n"
    "7.5 30 5 0 1 0.01 0.01076923\n"
    "2.5 30 5 0 1 0.01 0.01076923\n"
    "17.5 30 5 0 1 0.01 0.01076923\n"
    "12.5 30 5 0 1 0.01 0.01076923\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile xy("varga.xy", twoLayers);
  static fuzz::MemoryFile arr("varga.arr");
  arr.assign(data, size);
  std::ostringstream console, warnings;
  try {
    const auto st = std::make_unique<telm::TelmState>();
    telm::readArrayFileHeader(arr.path(), *st, console);
  } catch (const common::InputError&) {
  } catch (const telm::CodedStop& stop) {
    if (stop.code != 100) __builtin_trap();
  }
  try {
    const auto st = std::make_unique<korvis::KorvisState>();
    if (korvis::loadInputs(*st, console, warnings, xy.path(), arr.path()) == korvis::LoadOutcome::loaded) {
      fuzz::useLoadedSurvey(*st);
    }
  } catch (const common::InputError&) {
  }
  return 0;
}
