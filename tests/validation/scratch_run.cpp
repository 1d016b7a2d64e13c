#include "scratch_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace validation {

ScratchFolder::ScratchFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "validation_" + std::to_string(::getpid());
  if (info != nullptr) name += std::string("_") + info->test_suite_name() + "_" + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void ScratchFolder::write(const std::string& name, const std::string& text) const {
  std::ofstream(path_ / name, std::ios::binary) << text;
}

std::string ScratchFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ScratchFolder::exists(const std::string& name) const {
  return std::filesystem::exists(path_ / name);
}

int ScratchFolder::run(const std::string& exe, const std::string& stem) const {
  return run(exe, stem, {});
}

int ScratchFolder::run(const std::string& exe, const std::string& stem,
                       const std::vector<std::string>& args) const {
  std::string words;
  for (const std::string& a : args) words += " '" + a + "'";
  // Standard error is kept on its own as well, for the runs that must print
  // nothing there, and appended to the console text for failure reports.
  const std::string command = "cd '" + path_.string() + "' && { '" + exe + "'" + words + " > '" + stem +
                              ".console' 2> '" + stem + ".errors' < /dev/null; s=$?; cat '" + stem +
                              ".errors' >> '" + stem + ".console'; exit $s; }";
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace validation
