// telm against bad and odd input and against a disk that refuses its files:
// a run that stops on its input leaves the results of an earlier run exactly
// as they were, a result file that cannot be written is reported and never
// passed off as success, and input that is unusual but legal reads the same
// as its plain form.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/exit_codes.h"
#include "common/program_run.h"
#include "common/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using common::testing::folderFiles;
using common::testing::ProgramRun;
using common::testing::TempDir;

// Two layers across the profile: 100 ohm-m over 300 ohm-m at 30 m. For the
// magnetic-field array the top layer is given Ro = 0, which that array
// reads as the outside region, so that only the lower layer has outlines.
std::string layers(int keyRun, const std::string& dens = "1", const std::string& top = "100") {
  return "Two layers\nResistive over conductive\n"
         "2 6 1 " + dens + " " + std::to_string(keyRun) + "\n" +
         top + " 0 4\n1 2 3 4\n300 10 4\n4 3 5 6\n"
         "-200 0\n200 0\n200 30\n-200 30\n200 60\n-200 60\n";
}

// Five stations, one spacing, the given array kinds.
std::string survey(const std::string& kinds) {
  std::istringstream list(kinds);
  int count = 0;
  for (int kind = 0; list >> kind;) ++count;
  return "10 -20 5 1 0\n-30 0 30 0\n20\n20\n5\n" + std::to_string(count) + "\n" + kinds + "\n0 0 0 0 0 0\n";
}

const std::string arrayFile = "10 0 -20 0 5 1\n0 0 0 0 0 1 0\n10\n";
const std::vector<std::string> inputs = {"filename", "model.dat", "varga.arr"};

class TelmRobustness : public ::testing::Test {
 protected:
  void put(const std::string& name, const std::string& text) const { dir_.write(name, text); }

  ProgramRun run(long fileSizeLimit = 0) const {
    return common::testing::runProgram(dir_.path(), TELM_EXE, fileSizeLimit);
  }

  // The result files of the folder: everything but the inputs.
  std::map<std::string, std::string> results() const {
    auto files = folderFiles(dir_.path());
    for (const std::string& name : inputs) files.erase(name);
    return files;
  }

  // One real run of each mode, so that every kind of result file exists:
  // varga.xy, XZ.txt, the array files with AB_MN_pr.txt and qz.bin, and
  // magn13.dat. Leaves the inputs of a good full run.
  std::map<std::string, std::string> earlierRun() const {
    put("filename", "model.dat\n");
    put("varga.arr", arrayFile);
    put("model.dat", layers(-1));
    EXPECT_EQ(run().status, common::exitNormal);
    put("model.dat", layers(1) + survey("1"));
    EXPECT_EQ(run().status, common::exitNodeListing);
    put("model.dat", layers(0, "1", "0") + survey("13"));
    EXPECT_EQ(run().status, common::exitNormal);
    put("model.dat", layers(2) + survey("1 7"));
    const ProgramRun full = run();
    EXPECT_EQ(full.status, common::exitNormal) << full.err;
    const auto files = results();
    for (const char* name : {"varga.xy", "XZ.txt", "amnb_01.dat", "mnab_07.dat", "AB_MN_pr.txt", "qz.bin",
                             "magn13.dat"}) {
      EXPECT_EQ(files.count(name), 1u) << name;
    }
    return files;
  }

  TempDir dir_;
};

struct BadInput {
  const char* what;
  std::string filename, model, arr;  // "-" leaves the file out
  int status;
  std::string message;  // on stderr for input errors, on stdout for coded stops
};

TEST_F(TelmRobustness, RunStoppedByItsInputLeavesEveryEarlierResultAsItWas) {
  const auto before = earlierRun();
  const std::string full = layers(0) + survey("1 7");
  std::string manySurface = "Titles\nof the model\n0 51 0 1 -1\n";
  for (int j = 0; j < 51; ++j) manySurface += std::to_string(j) + " 0\n";
  const BadInput cases[] = {
      {"no filename", "-", full, arrayFile, common::exitBadInput,
       "filename: cannot open the file (No such file or directory); its first line must hold the name of the "
       "model file (for example model.dat)"},
      {"no model file", "absent.dat\n", full, arrayFile, common::exitBadInput,
       "absent.dat: cannot open the file (No such file or directory); the first line of \"filename\" names this "
       "model file: correct the name there or create the file"},
      {"no varga.arr", "model.dat\n", layers(-1), "-", common::exitBadInput,
       "varga.arr: cannot open the file (No such file or directory); with keyRun = -1 telm needs the survey file "
       "varga.arr before it prepares the mesh (korvis reads the same file); write it first or set keyRun to 0"},
      {"malformed dens", "model.dat\n", layers(0, "1.5x") + survey("1"), arrayFile, common::exitBadInput,
       "model.dat, line 3: expected a number for dens, found \"1.5x\""},
      {"real in an integer field", "model.dat\n", layers(0) + "10 -20 5.5 1 0\n", arrayFile,
       common::exitBadInput, "model.dat, line 14: expected an integer for stationCount, found \"5.5\""},
      {"malformed varga.arr", "model.dat\n", layers(-1), "10 0 -20 0 5 1\n0 0 0 0 0 1e 0\n",
       common::exitBadInput, "varga.arr, line 2: expected an integer for keyArr, found \"1e\""},
      {"model ends in the vertices", "model.dat\n", layers(-1).substr(0, layers(-1).size() - 8), arrayFile,
       common::exitBadInput, "model.dat, line 13: end of file, expected a number for xp(6)"},
      {"survey ends early", "model.dat\n", layers(0) + "10 -20 5 1 0\n-30 0 30 0\n20\n", arrayFile,
       common::exitBadInput, "model.dat, line 17: end of file, expected a number for offsetList(1)"},
      {"varga.arr ends early", "model.dat\n", layers(-1), "10 0 -20 0 5 1\n", common::exitBadInput,
       "varga.arr, line 2: end of file, expected a number for XA"},
      {"too many bodies", "model.dat\n", "a\nb\n51 6 1 1 0\n", arrayFile, common::exitBadInput,
       "model.dat, line 3: expected 0 to 50 for nT, found 51"},
      {"negative vertex count", "model.dat\n", "a\nb\n2 -6 1 1 0\n", arrayFile, common::exitBadInput,
       "model.dat, line 3: expected 0 to 100 for nP, found -6"},
      {"too long an outline", "model.dat\n", "a\nb\n2 6 1 1 0\n100 0 41\n", arrayFile, common::exitBadInput,
       "model.dat, line 4: expected 0 to 40 for nVer(1), found 41"},
      {"vertex number beyond nP", "model.dat\n", "a\nb\n2 6 1 1 0\n100 0 4\n1 2 3 7\n", arrayFile,
       common::exitBadInput, "model.dat, line 5: expected a vertex number 1 to 6 for vertexRing(1,4), found 7"},
      {"too many surface vertices", "model.dat\n", manySurface, arrayFile, common::exitBadInput,
       "model.dat, line 54: expected at most 50 vertices with zp < 0.001, found 51"},
      {"too many spacings", "model.dat\n", layers(0) + "10 -20 5 31 0\n", arrayFile, common::exitBadInput,
       "model.dat, line 14: expected at most 30 for spacingCount, found 31"},
      {"too many array kinds", "model.dat\n", layers(0) + "10 -20 5 1 0\n-30 0 30 0\n20\n20\n5\n6\n", arrayFile,
       common::exitBadInput, "model.dat, line 19: expected at most 5 for arrayCount, found 6"},
      {"node table full", "model.dat\n", layers(-1, "5000"), arrayFile, common::exitTooManyNodes,
       "Maximal number of nodes is 4200 \nReturn code 199\n"},
      {"step of kind 18", "model.dat\n", layers(-1), "0 0 -20 0 5 1\n0 0 0 0 0 18 0\n",
       common::exitStepNotPositive, "   Step must be more then zero\nReturn code 100\n"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& name : inputs) fs::remove(dir_.path() / name);
    if (c.filename != "-") put("filename", c.filename);
    put("model.dat", c.model);
    if (c.arr != "-") put("varga.arr", c.arr);
    const ProgramRun r = run();
    EXPECT_EQ(r.status, c.status);
    if (c.status == common::exitBadInput) {
      EXPECT_EQ(r.err, "telm: " + c.message + "\n");
    } else {
      // The node limit says, besides the console's stop, what to do.
      EXPECT_EQ(r.err, c.status != common::exitTooManyNodes
                           ? ""
                           : "telm: the mesh needs more than 4200 nodes: lower dens in model.dat (the node "
                             "count grows in proportion to dens), or shorten the model's interfaces\n");
      EXPECT_TRUE(r.out.ends_with(c.message)) << r.out;
    }
    EXPECT_EQ(results(), before);
  }

  // A mesh that telm can hold but korvis cannot is written with a warning.
  put("filename", "model.dat\n");
  put("model.dat", layers(-1, "280"));
  put("varga.arr", arrayFile);
  const ProgramRun large = run();
  EXPECT_EQ(large.status, common::exitNormal);
  EXPECT_EQ(large.err, "telm: warning: varga.xy: the mesh has 4146 nodes, more than the 4100 that korvis models, "
                       "which will refuse it: lower dens in model.dat\n");
}

// A user's model: a cover of two layers (100 and 30 ohm-m, 5 and 10 m) over
// a 300 ohm-m host with a 10 ohm-m block (40 x 30 m) under the cover, 800 m
// wide; five stations of Schlumberger and dipole-dipole soundings. Each
// field is one piece of the model file that a slip changes.
struct UserModel {
  std::array<std::string, 4> bodies{"100 0 4\n1 2 3 4", "30 0 6\n4 3 5 8 7 6", "300 0 8\n6 7 10 9 8 5 11 12",
                                    "10 0 4\n7 8 9 10"};
  std::array<int, 4> order{0, 1, 2, 3};
  std::string firstVertex = "-400 0";
  std::string moreVertices;  // after the twelve
  std::string stations = "10 -20 5 3 0";
  std::string sources = "-30 0 30 0";
  std::string kinds = "2\n1 3";

  std::string text() const {
    const int extra = static_cast<int>(std::count(moreVertices.begin(), moreVertices.end(), '\n'));
    std::string t = "Cover, host and block\nbuilt from the guide\n4 " + std::to_string(12 + extra) + " 0 2 0\n";
    for (const int b : order) t += bodies[static_cast<std::size_t>(b)] + "\n";
    t += firstVertex + "\n400 0\n400 5\n-400 5\n400 15\n-400 15\n-20 15\n20 15\n20 45\n-20 45\n400 200\n"
         "-400 200\n" + moreVertices;
    return t + stations + "\n" + sources + "\n5 10 15\n5 10 15\n2 2 2\n" + kinds + "\n0 0 0 0 0 0\n";
  }
};

TEST_F(TelmRobustness, ModelSlipsAreErrorsOrWarningsThatSayWhatToFix) {
  earlierRun();
  const struct {
    const char* what;
    std::function<void(UserModel&)> slip;
    int status;
    std::string message;  // part of the one error or warning on standard error; "" for none
  } cases[] = {
      {"the model as meant", [](UserModel&) {}, common::exitNormal, ""},
      {"body under the surface not body 1", [](UserModel& m) { m.order = {1, 0, 2, 3}; }, common::exitNormal,
       "warning: model.dat: body 1 does not lie under the ground surface (body 2 does)"},
      {"shared vertices left out", [](UserModel& m) { m.bodies[1] = "30 0 4\n4 3 5 6"; }, common::exitBadInput,
       "error: model.dat: sides pass vertices of other bodies that their outlines do not list, so no interface is "
       "formed along them: the side 5-6 (400, 15)-(-400, 15) of body 2 passes 8 (20, 15) and 7 (-20, 15) (write 5 8 7 "
       "6 in its outline)\n"},
      {"electrodes beyond the model", [](UserModel& m) { m.stations = "10 -450 5 3 0"; }, common::exitNormal,
       "current electrode A of station 1, spacing 1 at x = -455 lies outside the model (and 100 more electrode "
       "positions): the model spans x = -400 to 400"},
      {"electrodes near its end", [](UserModel& m) { m.stations = "10 -390 5 3 0"; }, common::exitNormal,
       "at x = -395 lies nearer to an end of the model than the largest spacing 15"},
      {"buried source in no body", [](UserModel& m) { m.kinds = "1\n10"; }, common::exitNormal,
       "warning: model.dat: current electrode B of station 1, spacing 1 at (-20, -5) stands in no body"},
      {"negative resistivity", [](UserModel& m) { m.bodies[2] = "-10 0 8\n6 7 10 9 8 5 11 12"; },
       common::exitBadInput, "error: model.dat: body 3 has Ro = -10: a resistivity must be positive"},
      {"zero resistivity", [](UserModel& m) { m.bodies[1] = "0 0 6\n4 3 5 8 7 6"; }, common::exitBadInput,
       "error: model.dat: body 2 has Ro = 0"},
      {"negative chargeability", [](UserModel& m) { m.bodies[3] = "10 -5 4\n7 8 9 10"; }, common::exitBadInput,
       "error: model.dat: body 4 has eta = -5: a chargeability is 0 or more"},
      {"vertex above the ground", [](UserModel& m) { m.firstVertex = "-400 -5"; }, common::exitBadInput,
       "error: model.dat: vertex 1 (-400, -5) lies above the ground surface"},
      {"bodies overlapping", [](UserModel& m) { m.bodies[2] = "300 0 4\n6 5 11 12"; }, common::exitBadInput,
       "error: model.dat: bodies 3 and 4 overlap: vertex 9 (20, 45) of body 4 lies inside body 3"},
      {"block inside the host", [](UserModel& m) {
         m.moreVertices = "-20 25\n20 25\n";
         m.bodies[1] = "30 0 4\n4 3 5 6";
         m.bodies[2] = "300 0 4\n6 5 11 12";
         m.bodies[3] = "10 0 4\n13 14 9 10";
       },
       common::exitBadInput,
       "error: model.dat: body 4 lies inside body 3: an outline cannot have a hole; split body 3 into two bodies "
       "around body 4 that share its vertices (as examples/chargeable-body does)\n"},
      {"outline crossing itself", [](UserModel& m) { m.bodies[3] = "10 0 4\n7 9 8 10"; }, common::exitBadInput,
       "error: model.dat: the outline of body 4 (outline 7 9 8 10) crosses itself"},
      {"outline the wrong way round", [](UserModel& m) { m.bodies[3] = "10 0 4\n10 9 8 7"; },
       common::exitBadInput, "error: model.dat: the outline of body 4 (outline 10 9 8 7) runs anticlockwise"},
      {"surface vertex in no outline", [](UserModel& m) { m.moreVertices = "0 0\n"; }, common::exitBadInput,
       "error: model.dat: the ground surface from vertex 1 (-400, 0) to vertex 13 (0, 0) lies under no body"},
      {"array kind beyond 13", [](UserModel& m) { m.kinds = "2\n3 25"; }, common::exitBadInput,
       "model.dat, line 30: arrayKind(2) = 25 is not an array kind: expected 1 to 13"},
      {"array kind 0", [](UserModel& m) { m.kinds = "1\n0"; }, common::exitBadInput,
       "model.dat, line 30: arrayKind(1) = 0 is not an array kind"},
      {"results beyond memory", [](UserModel& m) { m.stations = "10 -20 2147483647 3 0"; }, common::exitBadInput,
       "error: model.dat: stationCount 2147483647 with spacingCount 3 needs about"},
      {"negative counts read as none", [](UserModel& m) { m.stations = "10 -20 -5 3 0"; }, common::exitNormal, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UserModel model;
    c.slip(model);
    put("model.dat", model.text());
    const auto earlier = results();
    const ProgramRun r = run();
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err.empty(), c.message.empty()) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.status == common::exitBadInput) {
      EXPECT_EQ(results(), earlier);
    }
  }

  // Beyond 999 stations the three-column count prints asterisks.
  UserModel many;
  many.stations = "0.1 -20 1000 3 0";
  put("model.dat", many.text());
  const ProgramRun r = run();
  EXPECT_EQ(r.status, common::exitNormal) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("  Points (1000)\n"), std::string::npos);
  EXPECT_NE(results()["amnb_01.dat"].find("\n ***   0   3   "), std::string::npos);
}

TEST_F(TelmRobustness, HelpVersionAndUsageErrorsLeaveTheFolderAsItWas) {
  earlierRun();
  const auto before = folderFiles(dir_.path());
  const std::string version(common::projectVersion());
  const struct {
    const char* program;
    std::string exe;
    std::vector<std::string> args;
    int status;
    std::string out, err;  // starts of the texts
  } cases[] = {
      {"telm", TELM_EXE, {"--help"}, common::exitNormal, "Usage: telm [OPTION]...\n2D DC/IP", ""},
      {"telm", TELM_EXE, {"--version"}, common::exitNormal, "telm " + version + "\n", ""},
      {"telm", TELM_EXE, {"-h"}, common::exitBadInput, "", "telm: unknown option '-h'\nUsage: telm"},
      {"telm", TELM_EXE, {"model.dat"}, common::exitBadInput, "", "telm: unexpected argument 'model.dat'"},
      {"telm", TELM_EXE, {"--survey", "s.dat"}, common::exitBadInput, " --telm. 2D modelling.",
       "telm: model.dat: expected keyRun -1 (mesh preparation) for telm --survey, found 2\n"},
      {"telm", TELM_EXE, {"--estimate-error"}, common::exitBadInput, "",
       "telm: --estimate-error goes with --survey; see telm --help\n"},
      {"korvis", KORVIS_EXE, {"--help"}, common::exitNormal, "Usage: korvis [OPTION]...\n2.5D DC/IP", ""},
      {"korvis", KORVIS_EXE, {"--version"}, common::exitNormal, "korvis " + version + "\n", ""},
      {"korvis", KORVIS_EXE, {"--bogus"}, common::exitBadInput, "", "korvis: unknown option '--bogus'"},
      {"section", SECTION_EXE, {"--help"}, common::exitNormal, "Usage: section", ""},
      {"section", SECTION_EXE, {"--version"}, common::exitNormal, "section " + version + "\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.args.front());
    const ProgramRun r = common::testing::runProgram(dir_.path(), c.exe, 0, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.out.starts_with(c.out) && r.out.empty() == c.out.empty()) << r.out;
    EXPECT_TRUE(r.err.starts_with(c.err) && r.err.empty() == c.err.empty()) << r.err;
    EXPECT_EQ(folderFiles(dir_.path()), before);
  }
}

TEST_F(TelmRobustness, ResultFileThatCannotBeWrittenFailsTheRun) {
  const auto before = earlierRun();
  // Writes beyond a few bytes fail (EFBIG), whoever runs the test: each
  // mode's first result file is refused part-way, and the earlier file
  // stays whole. No temporary file is left behind.
  const struct {
    std::string model, file;
  } modes[] = {{layers(-1), "varga.xy"},
               {layers(1) + survey("1"), "XZ.txt"},
               {layers(0) + survey("1 7"), "amnb_01.dat"},
               {layers(2, "1", "0") + survey("13"), "qz.bin"}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.file);
    put("model.dat", m.model);
    const ProgramRun r = run(64);
    EXPECT_EQ(r.status, common::exitOutputFailed);
    EXPECT_EQ(r.err, "telm: " + m.file + ": cannot write the file (File too large)\n");
    EXPECT_EQ(results(), before);
  }

  // A folder standing at the result file's name cannot be replaced.
  fs::remove(dir_.path() / "varga.xy");
  fs::create_directory(dir_.path() / "varga.xy");
  put("model.dat", layers(-1));
  const ProgramRun r = run();
  EXPECT_EQ(r.status, common::exitOutputFailed);
  EXPECT_EQ(r.err, "telm: varga.xy: cannot write the file (not a regular file: a folder, a device or a pipe)\n");
  EXPECT_TRUE(fs::is_directory(dir_.path() / "varga.xy"));
  auto others = before;
  others.erase("varga.xy");
  EXPECT_EQ(results(), others);

  // A full run checks the result file of every kind it computes before the
  // first: a write-protected AB_MN_pr.txt (kind 7, computed second) leaves
  // amnb_01.dat (kind 1) unwritten as well.
  put("model.dat", layers(0) + survey("1 7"));
  ASSERT_EQ(run().status, common::exitNormal);
  const auto full = results();
  fs::permissions(dir_.path() / "AB_MN_pr.txt", fs::perms::owner_read);
  put("model.dat", layers(0, "2") + survey("1 7"));
  const ProgramRun late = run();
  EXPECT_EQ(late.status, common::exitOutputFailed);
  EXPECT_EQ(late.err, "telm: AB_MN_pr.txt: cannot write the file (the file is write-protected)\n");
  EXPECT_EQ(results(), full);

  // A model file named as a result file would be replaced by it.
  put("filename", "amnb_01.dat\n");
  put("amnb_01.dat", layers(0) + survey("1"));
  const ProgramRun own = run();
  EXPECT_EQ(own.status, common::exitBadInput);
  EXPECT_EQ(own.err, "telm: amnb_01.dat: the run would replace its own input, the model file amnb_01.dat; give "
                     "the model file another name (and put that name in filename)\n");
}

// telm --survey makes the checks korvis --survey will make, so that no mesh
// is prepared for a survey korvis then refuses; and it never writes its mesh
// over one of its inputs.
TEST_F(TelmRobustness, SurveyFileIsCheckedAsKorvisWillCheckIt) {
  put("filename", "model.dat\n");
  put("model.dat", layers(-1));
  const std::string good = "4\n# x y z\n-15 0 0\n-5 0 0\n5 0 -10\n15 0 0\n1\n# a b m n\n1 4 2 3\n";
  std::string many = "1001\n# x z\n";
  for (int e = 0; e < 1001; ++e) many += std::to_string(e % 100) + " 0\n";
  many += "1\n# a b m n\n1 2 3 4\n";
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    return text.replace(text.find(from), from.size(), to);
  };
  const struct {
    const char* what;
    std::string survey;
    int status;
    std::string err;
  } cases[] = {
      {"as meant", good, common::exitNormal, ""},
      {"outside the model", replaced("-15 0 0", "-500 0 0"), common::exitBadInput,
       "telm: s.dat, line 3: electrode 1 at x -500, z 0: expected a place inside the model of model.dat (on its "
       "surface line or in one of its bodies)\n"},
      {"below every body", replaced("5 0 -10", "5 0 -100"), common::exitBadInput,
       "telm: s.dat, line 5: electrode 3 at x 5, z -100: expected a place inside the model of model.dat (on its "
       "surface line or in one of its bodies)\n"},
      {"another profile line", replaced("-5 0 0", "-5 2 0"), common::exitBadInput,
       "telm: s.dat, line 4: electrode 2: expected y 0 as for electrode 1, found 2; korvis models electrodes on "
       "one profile line\n"},
      {"above the surface", replaced("-5 0 0", "-5 0 1"), common::exitBadInput,
       "telm: s.dat, line 4: electrode 2: expected z of 0 or below (z is the elevation: 0 at the surface, negative "
       "below), found 1 above the surface\n"},
      {"topography", good + "2\n-200 0\n200 5\n", common::exitBadInput,
       "telm: s.dat: topography point 2: expected z 0, found 5; korvis models a flat surface (give the electrodes "
       "their depths below it and no topography)\n"},
      {"over the limits", many, common::exitBadInput,
       "telm: s.dat, line 1003: expected at most 1000 electrodes (korvis models no more), found 1001\n"},
      {"numbered from 0", replaced("1 4 2 3", "0 3 1 2"), common::exitNormal,
       "telm: warning: s.dat, line 9: a datum uses electrode 0 (an electrode at infinity) and no datum uses "
       "electrode 4, the last: electrode numbers are 1-based; if the file numbers them from 0, add 1 to every a, "
       "b, m and n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    put("s.dat", c.survey);
    fs::remove(dir_.path() / "varga.xy");
    const ProgramRun r = common::testing::runProgram(dir_.path(), TELM_EXE, 0, {"--survey", "s.dat"});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(fs::exists(dir_.path() / "varga.xy"), c.status == common::exitNormal);
  }

  // A survey file or a model file named varga.xy would be replaced by the mesh.
  put("varga.xy", good);
  ProgramRun r = common::testing::runProgram(dir_.path(), TELM_EXE, 0, {"--survey", "./varga.xy"});
  EXPECT_EQ(r.status, common::exitBadInput);
  EXPECT_EQ(r.err, "telm: varga.xy: the run would replace its own input, the survey file ./varga.xy; give the "
                   "survey file another name\n");
  put("filename", "varga.xy\n");
  put("varga.xy", layers(-1));
  put("varga.arr", arrayFile);
  r = run();
  EXPECT_EQ(r.status, common::exitBadInput);
  EXPECT_EQ(r.err, "telm: varga.xy: the run would replace its own input, the model file varga.xy; give the model "
                   "file another name (and put that name in filename)\n");
  EXPECT_EQ(dir_.read("varga.xy"), layers(-1));
}

// Rewrites every line of `text` after the first `fixed` ones (the title
// lines, which are text and keep their characters).
std::string eachLine(const std::string& text, int fixed, const std::function<std::string(const std::string&)>& edit) {
  std::istringstream in(text);
  std::string out, line;
  for (int n = 0; std::getline(in, line); ++n) out += (n < fixed ? line : edit(line)) + "\n";
  return out;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST_F(TelmRobustness, OddButLegalInputReadsLikeItsPlainForm) {
  // Kind 12 in the list refines the mesh around A and B, so the survey
  // values reach varga.xy's node table as well as the result files.
  struct Inputs {
    std::string filename, model;
  };
  const Inputs plain{"model.dat\n", layers(0) + survey("1 7 12")};
  put("filename", plain.filename);
  put("model.dat", plain.model);
  const ProgramRun expected = run();
  ASSERT_EQ(expected.status, common::exitNormal) << expected.err;
  const auto expectedFiles = results();

  const std::string label(5000, 'L');
  const std::string longTitle = "Two layers" + std::string(65, ' ') + "and the rest of a very long first title";
  using Edit = std::function<std::string(const std::string&, int)>;
  const Edit unchanged = [](const std::string& t, int) { return t; };
  const Edit crlf = [](const std::string& t, int) { return replaced(t, "\n", "\r\n"); };
  const Edit trailingBlanks = [](const std::string& t, int) { return replaced(t, "\n", "   \n"); };
  const Edit noFinalNewline = [](const std::string& t, int) { return t.substr(0, t.size() - 1); };
  // The name line of "filename" is text: only its line end and trailing
  // blanks may vary.
  const struct {
    const char* what;
    Edit model, name;
  } variants[] = {
      {"CRLF line ends", crlf, crlf},
      {"trailing blanks", trailingBlanks, trailingBlanks},
      {"no final newline", noFinalNewline, noFinalNewline},
      {"tabs between values",
       [](const std::string& t, int fixed) {
         return eachLine(t, fixed, [](const std::string& l) { return replaced(l, " ", "\t"); });
       },
       unchanged},
      {"one value per line",
       [](const std::string& t, int fixed) {
         return eachLine(t, fixed, [](const std::string& l) { return replaced(l, " ", "\n"); });
       },
       unchanged},
      {"long labels after the values",
       [&](const std::string& t, int fixed) {
         return eachLine(t, fixed, [&](const std::string& l) { return l + "   " + label; });
       },
       unchanged},
      {"title longer than 75 characters", [&](const std::string& t, int) { return longTitle + t.substr(t.find('\n')); },
       unchanged},
  };
  for (const auto& v : variants) {
    SCOPED_TRACE(v.what);
    for (const auto& entry : expectedFiles) fs::remove(dir_.path() / entry.first);
    put("filename", v.name(plain.filename, 1));
    put("model.dat", v.model(plain.model, 2));
    const ProgramRun r = run();
    EXPECT_EQ(r.status, common::exitNormal) << r.err;
    EXPECT_EQ(r.out, expected.out);
    EXPECT_EQ(results(), expectedFiles);
  }
}

}  // namespace
