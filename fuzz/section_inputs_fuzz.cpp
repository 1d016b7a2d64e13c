// The files section draws, as hostile inputs: the first byte chooses the kind
// of file (a telm result file, the magnetic table, korvis.txt, a point list,
// varga.xy, survey data, or survey data with varga.xy beside it, the two
// texts split at the first NUL byte), the rest is its text. The file is
// written under the name the programs give it into a scratch folder of its
// own, read and every picture rendered. A bad file must end in an InputError.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/record_reader.h"
#include "section/picture.h"

namespace {

struct Kind {
  const char* file;
  section::InputKind kind;
  bool modelBeside = false;
};

constexpr std::array<Kind, 8> kinds{{{"mnab_07.dat", section::InputKind::telmArray},
                                     {"magn13.dat", section::InputKind::telmMagnetic},
                                     {"korvis.txt", section::InputKind::korvisLog},
                                     {"A_MN.txt", section::InputKind::pointList},
                                     {"AB_MN_pr.txt", section::InputKind::pointList},
                                     {"varga.xy", section::InputKind::model},
                                     {"line-data.dat", section::InputKind::surveyData},
                                     {"line-data.dat", section::InputKind::surveyData, true}}};

const std::filesystem::path& folder() {
  static const std::filesystem::path path = [] {
    auto p = std::filesystem::temp_directory_path() / ("section_fuzz_" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Kind& k = kinds[data[0] % kinds.size()];
  const std::string path = (folder() / k.file).string(), model = (folder() / "varga.xy").string();
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = k.modelBeside ? std::min(text.find('\0'), text.size()) : text.size();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text.substr(0, split);
  if (k.modelBeside) std::ofstream(model, std::ios::binary | std::ios::trunc) << text.substr(std::min(split + 1, text.size()));
  try {
    for (const section::Picture& p : section::picturesOf(path, k.kind)) section::renderPicture(p);
  } catch (const common::InputError&) {
  }
  std::filesystem::remove(path);
  if (k.modelBeside) std::filesystem::remove(model);
  return 0;
}
