// Running the real programs in a scratch folder of their own.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace validation {

// A fresh folder under the system's temporary directory, named after the
// running test (and the process, so that parallel test runs never share
// one), removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void write(const std::string& name, const std::string& text) const;
  // The whole file, or an empty string when it does not exist.
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

  // Runs `exe` with this folder as its working directory, console output
  // saved to `<stem>.console` (standard error after it) and standard error
  // also to `<stem>.errors`; returns the exit status (-1 when the program
  // did not end normally).
  int run(const std::string& exe, const std::string& stem) const;
  // The same with arguments (each passed as one word).
  int run(const std::string& exe, const std::string& stem, const std::vector<std::string>& args) const;

 private:
  std::filesystem::path path_;
};

}  // namespace validation
