// The free-format record reader driven by a fuzzed sequence of calls over a
// fuzzed file. The first byte gives the number of call bytes that follow; the
// rest of the input is the file. Beyond "no crash, no sanitizer report" it
// checks what every caller relies on: line numbers never go back, a text
// line holds no line end, and every error names the file.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/record_reader.h"
#include "memory_file.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void run(const std::uint8_t* calls, std::size_t callCount, const std::string& path) {
  common::RecordReader in(path);
  std::array<int, 32> ints{};
  std::array<float, 32> floats{};
  int line = in.lineNumber();
  for (std::size_t c = 0; c < callCount; ++c) {
    const int count = calls[c] >> 3;
    switch (calls[c] & 7) {
      case 0: in.beginRecord(); break;
      case 1: in.read(ints[0], "i"); break;
      case 2: in.read(floats[0], "f"); break;
      case 3: in.endRecord(); break;
      case 4: in.readList(ints.data(), count, "ints"); break;
      case 5: in.readList(floats.data(), count, "floats"); break;
      case 6: {
        const std::string text = in.readLine("text");
        require(text.find('\n') == std::string::npos);
        break;
      }
      default: require(in.where("w").starts_with(path)); break;
    }
    require(in.lineNumber() >= line);
    line = in.lineNumber();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t callCount = std::min<std::size_t>(data[0], size - 1);
  static fuzz::MemoryFile file("records");
  file.assign(data + 1 + callCount, size - 1 - callCount);
  try {
    run(data + 1, callCount, file.path());
  } catch (const common::InputError& e) {
    require(std::string(e.what()).starts_with(file.path()));
  }
  return 0;
}
