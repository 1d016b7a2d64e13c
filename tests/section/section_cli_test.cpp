// End-to-end runs of the section program on hand-written folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "svg_check.h"

namespace {

using section_test::TempFolder;

struct Run {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs section with `args` from inside folder `t`; output kept next to it.
Run runSection(const TempFolder& t, const std::string& args) {
  const std::string out = t.path().string() + ".out", err = t.path().string() + ".err";
  const std::string command = "cd '" + t.path().string() + "' && '" SECTION_EXE "' " + args + " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  Run run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

const char* const telmFile = "t1\nt2\n   2   0   1   l\n      5.00 \n    0.0\n   1\n    100.00 \n   10.0\n   1\n    200.00 \n";

TEST(SectionProgram, DrawsEveryKnownFileOfTheFolderAndListsThePictures) {
  TempFolder t;
  t.write("amnb_01.dat", telmFile);
  t.write("MN_B.txt", " X R Rho_app(MNB)\n 15.0 -15.0 100.0\n");
  t.write("notes.txt", "not a result file\n");
  const auto run = runSection(t, "");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "MN_B.svg\namnb_01_rho.svg\n");
  EXPECT_EQ(section_test::parseXml(slurp(t.file("amnb_01_rho.svg"))).count("polygon", "cell"), 2u);
  EXPECT_FALSE(std::filesystem::exists(t.file("notes.svg")));
}

TEST(SectionProgram, NamedFileAndOutputFolder) {
  TempFolder t;
  t.write("run 1.dat", telmFile);
  const auto run = runSection(t, "-o pictures -f 'run 1.dat'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "pictures/run 1_rho.svg\n");
  EXPECT_TRUE(std::filesystem::exists(t.file("pictures/run 1_rho.svg")));

  std::filesystem::create_directory(t.file("b"));
  t.write("b/run 1.dat", telmFile);
  const auto clash = runSection(t, "-o pictures -f 'run 1.dat' -f 'b/run 1.dat'");
  EXPECT_EQ(clash.status, 4);
  EXPECT_EQ(clash.err, "section: pictures/run 1_rho.svg: already drawn from another file; b/run 1.dat skipped\n");
}

TEST(SectionProgram, BadInputIsReportedAndTheOtherFilesAreStillDrawn) {
  TempFolder t;
  t.write("amnb_01.dat", telmFile);
  t.write("amn_02.dat", "t1\nt2\n   2   0   x   l\n");
  const auto run = runSection(t, ".");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "section: ./amn_02.dat, line 3: expected a number for spacing count, found \"x\"\n");
  EXPECT_TRUE(std::filesystem::exists(t.file("amnb_01_rho.svg")));

  EXPECT_EQ(runSection(t, "-f missing.dat").err,
            "section: missing.dat: cannot open the file (No such file or directory)\n");
  // A pipe with no writer is refused, not waited on.
  ASSERT_EQ(::mkfifo(t.file("korvis.txt").c_str(), 0600), 0);
  EXPECT_EQ(runSection(t, "-f korvis.txt").err,
            "section: korvis.txt: not a regular file (a folder, a device or a pipe): give the path of a file\n");
  const auto unknown = runSection(t, "-f data.bin");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("data.bin: unknown kind of file"), std::string::npos);
  EXPECT_EQ(runSection(t, "--bogus").status, 2);
}

TEST(SectionProgram, EmptyFolderAndMissingFolder) {
  TempFolder t;
  const auto empty = runSection(t, "");
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.err, "section: .: no result or model files found\n");
  const auto missing = runSection(t, "nowhere");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "section: nowhere: cannot open the folder\n");
}

TEST(SectionProgram, UnwritablePictureExitsWithOutputFailure) {
  TempFolder t;
  t.write("amnb_01.dat", telmFile);
  t.write("MN_B.txt", " X R Rho_app(MNB)\n 15.0 -15.0 100.0\n");
  std::filesystem::create_directory(t.file("amnb_01_rho.svg"));
  const auto run = runSection(t, "");
  EXPECT_EQ(run.status, 4);
  EXPECT_TRUE(run.err.starts_with("section: amnb_01_rho.svg: cannot write the file")) << run.err;
  EXPECT_EQ(run.out, "MN_B.svg\n");

  t.write("blocker", "a file where a folder is needed\n");
  const auto blocked = runSection(t, "-o blocker/sub");
  EXPECT_EQ(blocked.status, 4);
  EXPECT_TRUE(blocked.err.starts_with("section: blocker/sub: cannot create the folder")) << blocked.err;
}

TEST(SectionProgram, ArrayOptionDrawsOneClassOfTheSurveyData) {
  TempFolder t;
  t.write("line-data.dat",
          "8\n# x z\n0 0\n5 0\n10 0\n15 0\n20 0\n25 0\n30 0\n35 0\n"
          "4\n# a b m n rhoa\n1 2 3 4 100\n1 4 2 3 110\n2 3 4 5 120\n2 5 3 4 130\n");
  const auto all = runSection(t, "");
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, "line-data_dipole-dipole_rho.svg\nline-data_wenner_rho.svg\n");
  const auto one = runSection(t, "-o only --array wenner -f line-data.dat");
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, "only/line-data_wenner_rho.svg\n");
  struct Row {
    const char* args;
    const char* err;
  };
  const Row rows[] = {
      {"--array Wenner .", "section: Wenner: unknown array class; expected one of dipole-dipole, wenner, wenner-gamma, "
                         "schlumberger, gradient, pole-dipole, dipole-pole, pole-pole, borehole, cross-hole, other\n"},
      {"--array", "section: --array: expected an array class after it (dipole-dipole, wenner, wenner-gamma, "
                  "schlumberger, gradient, pole-dipole, dipole-pole, pole-pole, borehole, cross-hole, other)\n"},
      {"--array pole-pole .", "section: ./line-data.dat: no data of the array class pole-pole; the file has "
                            "dipole-dipole 2, Wenner 2\n"},
  };
  for (const auto& row : rows) {
    const auto run = runSection(t, row.args);
    EXPECT_EQ(run.status, 2) << row.args;
    EXPECT_EQ(run.err, row.err) << row.args;
  }
}

TEST(SectionProgram, HelpDescribesTheUsage) {
  TempFolder t;
  const auto run = runSection(t, "--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.starts_with("Usage: section"));
}

}  // namespace
