#include "common/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/record_reader.h"
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

TEST(OutputFileTest, ProtectedTargetsAreNeverReplaced) {
  TempDir dir;
  const std::string kept = dir.write("kept.dat", "earlier result\n");
  std::filesystem::permissions(kept, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  std::filesystem::create_directory(dir.file("folder.dat"));
  const std::string missing = dir.file("no such dir/out.dat");
  struct Case {
    std::string path, reason;
  };
  const Case cases[] = {
      {kept, "the file is write-protected"},
      {dir.file("folder.dat"), "not a regular file: a folder, a device or a pipe"},
      {missing, "No such file or directory"},
  };
  for (const Case& c : cases) {
    const std::string expected = c.path + ": cannot write the file (" + c.reason + ")";
    // Found before the work by checkOutputTarget, and again at the commit.
    EXPECT_EQ(outputErrorOf([&] { checkOutputTarget(c.path); }), expected);
    EXPECT_EQ(outputErrorOf([&] { writeFileAtomically(c.path, "new"); }), expected);
  }
  EXPECT_EQ(dir.read("kept.dat"), "earlier result\n");
  EXPECT_EQ(entriesIn(dir.path()), 2);

  // A writable target passes the check and nothing is left of it.
  EXPECT_EQ(outputErrorOf([&] { checkOutputTarget(dir.file("fresh.dat")); }), "no error");
  EXPECT_EQ(entriesIn(dir.path()), 2);
}

TEST(OutputFileTest, OwnInputIsRefusedWhateverItsSpelling) {
  TempDir dir;
  const std::string survey = dir.write("s.dat", "survey\n");
  std::filesystem::create_symlink(survey, dir.file("link.dat"));
  for (const std::string& out : {survey, dir.file("./s.dat"), dir.file("link.dat")}) {
    try {
      refuseOwnInput(out, survey, "the survey file", "give --out another file name");
      ADD_FAILURE() << out;
    } catch (const InputError& e) {
      EXPECT_EQ(std::string(e.what()),
                out + ": the run would replace its own input, the survey file " + survey + "; give --out another file name");
    }
  }
  EXPECT_NO_THROW(refuseOwnInput(dir.file("s-data.dat"), survey, "the survey file", "fix"));
}

}  // namespace
}  // namespace common
