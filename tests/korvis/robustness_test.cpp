// korvis against bad and odd input and against a disk that refuses its
// files: a run that stops on its input leaves the results of an earlier run
// exactly as they were, a result file that cannot be written is reported and
// never passed off as success, and input that is unusual but legal reads the
// same as its plain form.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "common/exit_codes.h"
#include "common/program_run.h"
#include "common/mesh_survey.h"
#include "common/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using common::testing::folderFiles;
using common::testing::ProgramRun;
using common::testing::TempDir;

// Two layers 400 m wide, 100 ohm-m over 300 ohm-m (10 % chargeable) at
// 30 m, the interface cut into twelve nodes; `nodes` of them are listed.
std::string twoLayers(int nodes = 12, const std::string& header = "6 2 2 1") {
  std::string text = header + "\n1 2\n1\n100 100 4\n1 2 3 4 1\n300 333.333344 4\n4 3 5 6 4\n"
                              "-200 0\n200 0\n200 30\n-200 30\n200 60\n-200 60\n12\n";
  for (int k = 0; k < nodes; ++k) {
    const double x = -200.0 + 400.0 / 12.0 * (k + 0.5);
    text += std::to_string(x) + " 30 33.333332 0 1 0.01 0.01076923\n";
  }
  return text;
}

// Half-Schlumberger (kind 18): five positions, spacings 15 and 25 m.
const std::string halfSchlumberger = "10 0 -20 0 5 2\n0 0 0 0 0 18 0\n";
// Schlumberger (kind 1): five positions, three spacings.
const std::string schlumberger = "10 0 -20 0 5 3\n0 0 0 0 0 1 0\n10 20 40\n";

class KorvisRobustness : public ::testing::Test {
 protected:
  void put(const std::string& name, const std::string& text) const { dir_.write(name, text); }

  ProgramRun run(long fileSizeLimit = 0) const {
    return common::testing::runProgram(dir_.path(), KORVIS_EXE, fileSizeLimit);
  }

  std::map<std::string, std::string> results() const {
    auto files = folderFiles(dir_.path());
    files.erase("varga.xy");
    files.erase("varga.arr");
    return files;
  }

  // A DC and IP run of kind 18, which writes every result file korvis has.
  std::map<std::string, std::string> earlierRun() const {
    put("varga.xy", twoLayers());
    put("varga.arr", halfSchlumberger);
    const ProgramRun r = run();
    EXPECT_EQ(r.status, common::exitNormal) << r.err;
    const auto files = results();
    for (const char* name : {"korvis.txt", "A_MN.txt", "MN_B.txt", "A_MNip.txt", "MN_Bip.txt", "FORWARD.RS2",
                             "REVERSE.RS2"}) {
      EXPECT_EQ(files.count(name), 1u) << name;
    }
    return files;
  }

  TempDir dir_;
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct BadInput {
  const char* what;
  std::string xy, arr;  // "-" leaves the file out
  int status;
  std::string message;  // on stderr for input errors, at the end of stdout for stops
};

TEST_F(KorvisRobustness, RunStoppedByItsInputLeavesEveryEarlierResultAsItWas) {
  const auto before = earlierRun();
  const std::string xy = twoLayers();
  const BadInput cases[] = {
      {"no varga.xy", "-", schlumberger, common::exitBadInput,
       "varga.xy: cannot open the file (No such file or directory); telm makes it from the model file when run "
       "with keyRun = -1: run telm first"},
      {"no varga.arr", xy, "-", common::exitBadInput,
       "varga.arr: cannot open the file (No such file or directory); it describes the survey"},
      {"malformed number in varga.xy", replaced(xy, "333.333344", "333.3.3"), schlumberger, common::exitBadInput,
       "varga.xy, line 6: expected a number for RO_IP(2), found \"333.3.3\""},
      {"real in an integer field of varga.arr", xy, "10 0 -20 0 5 2.0\n", common::exitBadInput,
       "varga.arr, line 1: expected an integer for nSpac, found \"2.0\""},
      {"varga.xy ends in the nodes", twoLayers(5), schlumberger, common::exitBadInput,
       "varga.xy, line 20: end of file, expected a number for x(6)"},
      {"varga.arr ends in the spacings", xy, "10 0 -20 0 5 3\n0 0 0 0 0 1 0\n10 20\n", common::exitBadInput,
       "varga.arr, line 4: end of file, expected a number for Spac(3)"},
      {"too many vertices", twoLayers(12, "101 2 2 1"), schlumberger, common::exitBadInput,
       "varga.xy, line 1: expected nP from 0 to 100, found 101"},
      {"too many bodies", twoLayers(12, "6 51 2 1"), schlumberger, common::exitBadInput,
       "varga.xy, line 1: expected nT from 0 to 50, found 51"},
      {"negative surface count", twoLayers(12, "6 2 -2 1"), schlumberger, common::exitBadInput,
       "varga.xy, line 1: expected nPOnSurface from 0 to 50, found -2"},
      {"too long an outline", replaced(xy, "100 100 4", "100 100 41"), schlumberger, common::exitBadInput,
       "varga.xy, line 4: expected nVer(1) from 0 to 40, found 41"},
      {"vertex number beyond nP", replaced(xy, "1 2 3 4 1", "1 2 3 7 1"), schlumberger, common::exitBadInput,
       "varga.xy, line 5: expected vertexRing(4) from 1 to 6, found 7"},
      {"body number beyond nT", replaced(xy, "1 2\n1\n", "1 2\n3\n"), schlumberger, common::exitBadInput,
       "varga.xy, line 3: expected surfaceBodies(1) from 1 to 2, found 3"},
      {"negative node count", replaced(xy, "\n12\n", "\n-12\n"), schlumberger, common::exitBadInput,
       "varga.xy, line 14: expected N of at least 0, found -12"},
      {"too many positions", xy, "10 0 -20 0 101 3\n", common::exitBadInput,
       "varga.arr, line 1: expected nPos from 0 to 100, found 101"},
      {"hostile spacing count", xy, "10 0 -20 0 5 2147483647\n", common::exitBadInput,
       "varga.arr, line 1: expected nSpac from 0 to 30, found 2147483647"},
      {"negative spacing count", xy, "10 0 -20 0 5 -3\n", common::exitBadInput,
       "varga.arr, line 1: expected nSpac from 0 to 30, found -3"},
      {"current electrode on a node centre", xy, "10 0 -20 0 5 1\n-183.333333 30 10000 0 0 17 0\n10\n",
       common::exitBadInput, "lies on the centre of node 1 of varga.xy"},
      {"node limit", replaced(xy, "\n12\n", "\n4101\n"), schlumberger, common::exitTooManyNodes,
       "The maximal number of nodes in this model is 4100\n 199\n"},
      {"step of kind 18", xy, "0 0 -20 0 5 2\n0 0 0 0 0 18 0\n", common::exitNormal,
       "  Step must be more then zero\n"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(dir_.path() / "varga.xy");
    fs::remove(dir_.path() / "varga.arr");
    if (c.xy != "-") put("varga.xy", c.xy);
    if (c.arr != "-") put("varga.arr", c.arr);
    const ProgramRun r = run();
    EXPECT_EQ(r.status, c.status);
    if (c.status == common::exitBadInput) {
      EXPECT_TRUE(r.err.starts_with("korvis: ")) << r.err;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    } else {
      // The node limit says, besides the console's stop, the count and what to do.
      EXPECT_EQ(r.err, c.status != common::exitTooManyNodes
                           ? ""
                           : "korvis: varga.xy: the mesh has 4101 nodes, more than the 4100 that korvis models: "
                             "prepare it again with a lower dens in the model file (the node count grows in "
                             "proportion to dens), or with shorter interfaces (a narrower model)\n");
      EXPECT_TRUE(r.out.ends_with(c.message)) << r.out;
    }
    EXPECT_EQ(results(), before);
  }
}

TEST_F(KorvisRobustness, ModelSlipsAreErrorsOrWarningsThatSayWhatToFix) {
  earlierRun();
  const std::string xy = twoLayers();
  const struct {
    const char* what;
    std::string xy, arr;
    int status;
    std::string message;  // part of standard error; "" for nothing there
  } cases[] = {
      {"the survey as meant", xy, schlumberger, common::exitNormal, ""},
      {"array kind beyond 19", xy, replaced(schlumberger, " 1 0\n", " 25 0\n"), common::exitBadInput,
       "varga.arr, line 2: keyArr 25 is not an array kind: expected 1 to 19"},
      {"array kind 0", xy, replaced(schlumberger, " 1 0\n", " 0 0\n"), common::exitBadInput,
       "varga.arr, line 2: keyArr 0 is not an array kind"},
      {"spacings in decreasing order", xy, replaced(schlumberger, "10 20 40", "40 20 10"), common::exitNormal,
       "warning: varga.arr: the spacings are not in increasing order (Spac(2) = 20 follows Spac(1) = 40): the range "
       "of wavenumbers follows the last spacing, 10"},
      {"electrodes beyond the model", xy, replaced(schlumberger, "-20 0 5", "-230 0 5"), common::exitNormal,
       "warning: varga.arr: current electrode A of position 1, spacing 1 at x = -240 lies outside the model"},
      {"buried electrode in no body", xy, "10 10 0 0 3 2\n300 0 0 0 0 9 0\n10 20\n", common::exitNormal,
       "warning: varga.arr: current electrode A of position 1, spacing 1 at (300, 10) stands in no body (and 5 "
       "more): its resistivity falls back to the value of the configuration before"},
      {"electrodes near an end", xy, replaced(schlumberger, "-20 0 5", "-180 0 5"), common::exitNormal,
       "lies nearer to an end of the model than the largest spacing 40"},
      {"negative resistivity", replaced(xy, "300 333.333344 4", "-300 -333.333344 4"), schlumberger,
       common::exitBadInput,
       "error: varga.xy: body 2 has Ro = -300: a resistivity must be positive (varga.xy is made by telm: mend the "
       "model file and run telm with keyRun = -1 again)"},
      {"negative chargeability", replaced(xy, "300 333.333344 4", "300 280 4"), schlumberger, common::exitBadInput,
       "error: varga.xy: body 2 has RO_IP = 280 with Ro = 300: its chargeability is negative"},
      {"outline the wrong way round", replaced(xy, "4 3 5 6 4", "6 5 3 4 6"), schlumberger, common::exitBadInput,
       "error: varga.xy: the outline of body 2 (outline 6 5 3 4) runs anticlockwise"},
      {"vertex above the ground", replaced(xy, "-200 0\n", "-200 -5\n"), schlumberger, common::exitBadInput,
       "error: varga.xy: vertex 1 (-200, -5) lies above the ground surface"},
      {"shared vertex left out",
       replaced(replaced(twoLayers(12, "7 2 2 1"), "300 333.333344 4\n4 3 5 6 4", "300 333.333344 5\n4 7 3 5 6 4"),
                "-200 60\n", "-200 60\n0 30\n"),
       schlumberger, common::exitBadInput,
       "error: varga.xy: sides pass vertices of other bodies that their outlines do not list, so no interface is "
       "formed along them: the side 3-4 (200, 30)-(-200, 30) of body 1 passes 7 (0, 30) (write 3 7 4 in its outline) "
       "(varga.xy is made by telm: mend the model file and run telm with keyRun = -1 again)\n"},
      {"body under the surface not body 1",
       replaced(replaced(replaced(replaced(xy, "1 2\n1\n", "1 2\n2\n"), "1 2 3 4 1", "@"), "4 3 5 6 4",
                                  "1 2 3 4 1"),
                         "@", "4 3 5 6 4"),
       schlumberger, common::exitNormal, "warning: varga.xy: body 1 does not lie under the ground surface"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    put("varga.xy", c.xy);
    put("varga.arr", c.arr);
    const auto earlier = results();
    const ProgramRun r = run();
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err.empty(), c.message.empty()) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.status == common::exitBadInput) {
      EXPECT_EQ(results(), earlier);
    }
  }
}

TEST_F(KorvisRobustness, ResultFileThatCannotBeWrittenFailsTheRun) {
  const auto before = earlierRun();
  // Writes beyond a few bytes fail (EFBIG), whoever runs the test: the log
  // is refused part-way and every earlier file stays whole.
  ProgramRun r = run(64);
  EXPECT_EQ(r.status, common::exitOutputFailed);
  EXPECT_EQ(r.err, "korvis: korvis.txt: cannot write the file (File too large)\n");
  EXPECT_EQ(results(), before);

  // A folder standing at the log's name cannot be replaced; nothing after
  // the log is written either.
  fs::remove(dir_.path() / "korvis.txt");
  fs::create_directory(dir_.path() / "korvis.txt");
  r = run();
  EXPECT_EQ(r.status, common::exitOutputFailed);
  EXPECT_EQ(r.err, "korvis: korvis.txt: cannot write the file (not a regular file: a folder, a device or a pipe)\n");
  EXPECT_TRUE(fs::is_directory(dir_.path() / "korvis.txt"));
  auto others = before;
  others.erase("korvis.txt");
  EXPECT_EQ(results(), others);

  // A write-protected result file (here one of kind 18's) is refused before
  // any wavenumber is computed, and nothing is replaced.
  fs::remove(dir_.path() / "korvis.txt");
  fs::permissions(dir_.path() / "REVERSE.RS2", fs::perms::owner_read | fs::perms::group_read);
  r = run();
  EXPECT_EQ(r.status, common::exitOutputFailed);
  EXPECT_EQ(r.err, "korvis: REVERSE.RS2: cannot write the file (the file is write-protected)\n");
  EXPECT_EQ(r.out.find("nKy_i"), std::string::npos) << r.out;
  EXPECT_EQ(results(), others);
}

// Apparent resistivities of a million ohm-m do not fit the F9.3 columns of
// korvis.txt: the table keeps its layout (asterisks) and a warning says so.
TEST_F(KorvisRobustness, ValuesBeyondTheTableColumnsAreWarnedAbout) {
  put("varga.xy", replaced(replaced(twoLayers(), "100 100 4", "1e6 1e6 4"), "300 333.333344 4",
                           "3e6 3333333.44 4"));
  put("varga.arr", schlumberger);
  const ProgramRun r = run();
  EXPECT_EQ(r.status, common::exitNormal);
  EXPECT_EQ(r.err,
            "korvis: warning: korvis.txt: 15 values are too large for the table's columns and written as "
            "asterisks; divide every resistivity of the model by a power of ten (the apparent resistivities "
            "scale with it) or model the survey with --survey, whose result file carries 7 significant "
            "digits\n");
  EXPECT_NE(dir_.read("korvis.txt").find("*********"), std::string::npos);
}

// Four surface electrodes over the two layers and one Wenner datum.
const std::string surveyFile = "4 # electrodes\n# x z\n-15 0\n-5 0\n5 0\n15 0\n1 # data\n# a b m n\n1 4 2 3\n";

TEST_F(KorvisRobustness, SurveyRunNeverDestroysItsInputsAndChecksItsResultFileFirst) {
  put("varga.xy", twoLayers());
  put("s.dat", surveyFile);
  put("ro.dat", "kept\n");
  fs::permissions(dir_.path() / "ro.dat", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ASSERT_EQ(mkfifo((dir_.path() / "pipe").c_str(), 0600), 0);
  fs::create_directory(dir_.path() / "folder");
  const std::string notRegular = ": not a regular file (a folder, a device or a pipe): give the path of a file\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--survey", "s.dat", "--out", "s.dat"}, common::exitBadInput,
       "korvis: s.dat: the run would replace its own input, the survey file s.dat; give --out another file name\n"},
      {{"--survey", "s.dat", "--out", "./s.dat"}, common::exitBadInput,
       "korvis: ./s.dat: the run would replace its own input, the survey file s.dat; give --out another file name\n"},
      {{"--survey", "s.dat", "--out", "varga.xy"}, common::exitBadInput,
       "korvis: varga.xy: the run would replace its own input, the mesh varga.xy; give --out another file name\n"},
      {{"--survey", "s.dat", "--out", "ro.dat"}, common::exitOutputFailed,
       "korvis: ro.dat: cannot write the file (the file is write-protected)\n"},
      {{"--survey", "s.dat", "--out", "nowhere/r.dat"}, common::exitOutputFailed,
       "korvis: nowhere/r.dat: cannot write the file (No such file or directory)\n"},
      {{"--survey", "s.dat", "--out", "-"}, common::exitBadInput,
       "korvis: --out takes a file name, not - (standard output carries the console text); see korvis --help\n"},
      {{"--survey", "/dev/zero"}, common::exitBadInput, "korvis: /dev/zero" + notRegular},
      {{"--survey", "pipe"}, common::exitBadInput, "korvis: pipe" + notRegular},
      {{"--survey", "folder"}, common::exitBadInput, "korvis: folder" + notRegular},
  };
  const auto before = folderFiles(dir_.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProgramRun r = common::testing::runProgram(dir_.path(), KORVIS_EXE, 0, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    // Refused before any work: no wavenumber was computed.
    EXPECT_EQ(r.out.find("nKy"), std::string::npos) << r.out;
    EXPECT_EQ(folderFiles(dir_.path()), before);
  }
}

TEST_F(KorvisRobustness, SurveyFileSlipsAreNamed) {
  put("varga.xy", twoLayers());
  // The record telm --survey s.dat writes beside its mesh.
  put("varga.xy.survey", common::meshSurveyText(twoLayers(), "s.dat", {{-15, 0}, {-5, 0}, {5, 0}, {15, 0}}));
  put("s.dat", surveyFile);
  ProgramRun r = common::testing::runProgram(dir_.path(), KORVIS_EXE, 0, {"--survey", "s.dat"});
  ASSERT_EQ(r.status, common::exitNormal) << r.err;
  const std::string expected = dir_.read("s-data.dat");

  // Line ends of old Mac editors read as LF.
  put("s.dat", replaced(surveyFile, "\n", "\r"));
  r = common::testing::runProgram(dir_.path(), KORVIS_EXE, 0, {"--survey", "s.dat"});
  EXPECT_EQ(r.status, common::exitNormal) << r.err;
  EXPECT_EQ(dir_.read("s-data.dat"), expected);

  const struct {
    std::string survey;
    int status;
    std::string err;
  } cases[] = {
      // Numbered from 0: electrode 0 (at infinity) used, the last never.
      {replaced(surveyFile, "1 4 2 3", "0 3 1 2"), common::exitNormal,
       "korvis: warning: s.dat, line 9: a datum uses electrode 0 (an electrode at infinity) and no datum uses "
       "electrode 4, the last: electrode numbers are 1-based; if the file numbers them from 0, add 1 to every a, "
       "b, m and n\n"},
      // Another survey's electrodes on this mesh.
      {replaced(surveyFile, "\n15 0", "\n16 0"), common::exitNormal,
       "korvis: warning: s.dat, line 6: electrode 4 at x 16, z 0 is not one that the mesh of varga.xy was graded "
       "toward (telm --survey s.dat prepared it); run telm --survey s.dat to prepare the mesh for this survey\n"},
      {replaced(surveyFile, "-5 0", "-15 -1e-300"), common::exitBadInput,
       "korvis: s.dat, line 9: electrodes 1 and 2 share one place; expected a potential electrode away from the "
       "current electrodes\n"},
      {replaced(surveyFile, "# x z", "# x \xff\x1b[2J"), common::exitBadInput,
       "korvis: s.dat, line 2: expected the position tokens x, y and z, found \"\\xFF\\x1B[2j\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.survey);
    put("s.dat", c.survey);
    r = common::testing::runProgram(dir_.path(), KORVIS_EXE, 0, {"--survey", "s.dat"});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
  }

  // A mesh written again (here by hand) no longer matches its record.
  put("s.dat", surveyFile);
  put("varga.xy", twoLayers() + "\n");
  r = common::testing::runProgram(dir_.path(), KORVIS_EXE, 0, {"--survey", "s.dat"});
  EXPECT_EQ(r.status, common::exitNormal);
  EXPECT_EQ(r.err, "korvis: warning: varga.xy was not prepared by telm --survey (there is no varga.xy.survey beside "
                   "it that belongs to it): its elements are not graded toward the electrodes of s.dat; run telm "
                   "--survey s.dat first\n");

  // The error estimate needs the refined mesh.
  r = common::testing::runProgram(dir_.path(), KORVIS_EXE, 0, {"--survey", "s.dat", "--estimate-error"});
  EXPECT_EQ(r.status, common::exitBadInput);
  EXPECT_EQ(r.err, "korvis: varga-fine.xy: no such file: --estimate-error solves the survey again on the mesh at "
                   "twice dens; prepare it with telm --survey s.dat --estimate-error\n");
}

std::string eachLine(const std::string& text, const std::function<std::string(const std::string&)>& edit) {
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line)) out += edit(line) + "\n";
  return out;
}

TEST_F(KorvisRobustness, OddButLegalInputReadsLikeItsPlainForm) {
  const std::string xy = twoLayers();
  put("varga.xy", xy);
  put("varga.arr", schlumberger);
  const ProgramRun expected = run();
  ASSERT_EQ(expected.status, common::exitNormal) << expected.err;
  const auto expectedFiles = results();

  const std::string label(5000, 'L');
  const struct {
    const char* what;
    std::function<std::string(const std::string&)> edit;
  } variants[] = {
      {"CRLF line ends", [](const std::string& t) { return replaced(t, "\n", "\r\n"); }},
      {"tabs between values", [](const std::string& t) { return replaced(t, " ", "\t"); }},
      {"trailing blanks", [](const std::string& t) { return replaced(t, "\n", " \t \n"); }},
      {"no final newline", [](const std::string& t) { return t.substr(0, t.size() - 1); }},
      {"one value per line", [](const std::string& t) { return replaced(t, " ", "\n"); }},
      {"long labels after the values",
       [&](const std::string& t) { return eachLine(t, [&](const std::string& l) { return l + "  " + label; }); }},
  };
  for (const auto& v : variants) {
    SCOPED_TRACE(v.what);
    for (const auto& entry : expectedFiles) fs::remove(dir_.path() / entry.first);
    put("varga.xy", v.edit(xy));
    put("varga.arr", v.edit(schlumberger));
    const ProgramRun r = run();
    EXPECT_EQ(r.status, common::exitNormal) << r.err;
    EXPECT_EQ(r.out, expected.out);
    EXPECT_EQ(results(), expectedFiles);
  }
}

}  // namespace
