// Atomic replacement of a result file: look at the target, write a sibling
// temporary file, check every write and the close, then rename it over the
// target (rename is atomic within one directory, so readers see the old or
// the new file, never a mix).
#include "common/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "common/input_text.h"
#include "common/record_reader.h"

namespace common {

namespace {

[[noreturn]] void failed(const std::string& path, const std::string& reason) {
  throw OutputError(path + ": cannot write the file (" + reason + ")");
}

[[noreturn]] void failed(const std::string& path, int error) {
  failed(path, std::generic_category().message(error));
}

// An existing target that must stay: rename would replace a folder's entry,
// a device node or a write-protected file without a word.
void refuseProtectedTarget(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return;
  if (!std::filesystem::is_regular_file(status)) failed(path, "not a regular file: a folder, a device or a pipe");
  if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
    failed(path, "the file is write-protected");
  }
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
  refuseProtectedTarget(path);
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

void refuseOwnInput(const std::string& output, const std::string& input, std::string_view role,
                    std::string_view fix) {
  if (!sameFile(output, input)) return;
  throw InputError(output + ": the run would replace its own input, " + std::string(role) + " " + input + "; " +
                   std::string(fix));
}

void checkOutputTarget(const std::string& path) {
  refuseProtectedTarget(path);
  std::string tempPath;
  std::fclose(openTemporary(path, tempPath));
  std::remove(tempPath.c_str());
}

void OutputFile::commit() const { writeFileAtomically(path_, text_); }

}  // namespace common
