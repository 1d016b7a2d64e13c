// Atomic replacement of a result file: write a sibling temporary file, check
// every write and the close, then rename it over the target (rename is atomic
// within one directory, so readers see the old or the new file, never a mix).
#include "common/output_file.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

namespace common {

namespace {

[[noreturn]] void failed(const std::string& path, int error) {
  throw OutputError(path + ": cannot write the file (" + std::generic_category().message(error) + ")");
}

// Opens a new file next to `path` that no one else is using ("x": fails if it
// exists, so a concurrent writer or a planted file is never reused).
std::FILE* openTemporary(const std::string& path, std::string& tempPath) {
  static constexpr char hex[] = "0123456789abcdef";
  std::random_device source;
  int error = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string suffix = ".";
    for (unsigned bits = source(), i = 0; i < 8; ++i, bits >>= 4) suffix += hex[bits & 15U];
    tempPath = path + suffix + ".tmp";
    errno = 0;
    if (std::FILE* file = std::fopen(tempPath.c_str(), "wbx")) return file;
    error = errno;
    if (error != EEXIST) break;
  }
  failed(path, error != 0 ? error : EIO);
}

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view text) {
  std::string tempPath;
  std::FILE* file = openTemporary(path, tempPath);
  errno = 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
  int error = errno;
  const bool closed = std::fclose(file) == 0;
  if (written && !closed) error = errno;
  if (!written || !closed) {
    std::remove(tempPath.c_str());
    failed(path, error != 0 ? error : EIO);
  }
  errno = 0;
  if (std::rename(tempPath.c_str(), path.c_str()) != 0) {
    error = errno;
    std::remove(tempPath.c_str());
    failed(path, error != 0 ? error : EIO);
  }
}

void OutputFile::commit() const { writeFileAtomically(path_, text_); }

}  // namespace common
