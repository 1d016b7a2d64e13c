#include "common/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace common {
namespace {

using testing::TempDir;

int entriesIn(const std::filesystem::path& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

template <typename F>
std::string outputErrorOf(F action) {
  try {
    action();
  } catch (const OutputError& e) {
    return e.what();
  }
  return "no error";
}

TEST(OutputFileTest, CommitReplacesTheFileAndLeavesNothingElse) {
  TempDir dir;
  const std::string path = dir.write("korvis.txt", "old text that is longer than the new one\n");
  OutputFile out(path);
  out << "line 1\n";
  out.write("line 2\n");
  EXPECT_EQ(dir.read("korvis.txt"), "old text that is longer than the new one\n");  // nothing before commit
  out.commit();
  EXPECT_EQ(dir.read("korvis.txt"), "line 1\nline 2\n");
  EXPECT_EQ(entriesIn(dir.path()), 1);

  writeFileAtomically(dir.file("empty.dat"), "");
  EXPECT_TRUE(std::filesystem::exists(dir.file("empty.dat")));
  EXPECT_EQ(dir.read("empty.dat"), "");
}

TEST(OutputFileTest, UncommittedFileWritesNothing) {
  TempDir dir;
  const std::string path = dir.write("amnb_01.dat", "earlier result\n");
  {
    OutputFile out(path);
    out << "half a result";
  }
  {
    OutputFile fresh(dir.file("new.dat"));
    fresh << "never committed";
  }
  EXPECT_EQ(dir.read("amnb_01.dat"), "earlier result\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.dat")));
  EXPECT_EQ(entriesIn(dir.path()), 1);
}

TEST(OutputFileTest, FailuresNameTheFileAndLeaveNoTrace) {
  TempDir dir;
  const std::string missing = dir.file("no such dir/varga.xy");
  EXPECT_EQ(outputErrorOf([&] { writeFileAtomically(missing, "x"); }),
            missing + ": cannot write the file (No such file or directory)");

  // The target is a directory: the temporary file is written, the rename
  // fails, and the temporary file is removed again.
  std::filesystem::create_directory(dir.file("qz.bin"));
  std::filesystem::create_directory(dir.file("qz.bin/inside"));
  OutputFile out(dir.file("qz.bin"));
  out << "data";
  const std::string message = outputErrorOf([&] { out.commit(); });
  EXPECT_EQ(message.rfind(dir.file("qz.bin") + ": cannot write the file (", 0), 0u) << message;
  EXPECT_EQ(entriesIn(dir.path()), 1);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("qz.bin/inside")));
}

}  // namespace
}  // namespace common
