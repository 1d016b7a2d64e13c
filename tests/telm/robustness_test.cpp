// telm against bad and odd input and against a disk that refuses its files:
// a run that stops on its input leaves the results of an earlier run exactly
// as they were, a result file that cannot be written is reported and never
// passed off as success, and input that is unusual but legal reads the same
// as its plain form.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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
      {"no filename", "-", full, arrayFile, common::exitBadInput, "filename: cannot open the file"},
      {"no model file", "absent.dat\n", full, arrayFile, common::exitBadInput, "absent.dat: cannot open the file"},
      {"no varga.arr", "model.dat\n", layers(-1), "-", common::exitBadInput, "varga.arr: cannot open the file"},
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
      {"hostile station count", "model.dat\n", layers(0) + "10 -20 2147483647 1 0\n", arrayFile,
       common::exitBadInput, "model.dat, line 14: expected 0 to 999 for stationCount, found 2147483647"},
      {"too many spacings", "model.dat\n", layers(0) + "10 -20 5 31 0\n", arrayFile, common::exitBadInput,
       "model.dat, line 14: expected 0 to 30 for spacingCount, found 31"},
      {"negative array count", "model.dat\n", layers(0) + "10 -20 5 1 0\n-30 0 30 0\n20\n20\n5\n-1\n", arrayFile,
       common::exitBadInput, "model.dat, line 19: expected 0 to 5 for arrayCount, found -1"},
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
      EXPECT_EQ(r.err, "");
      EXPECT_TRUE(r.out.ends_with(c.message)) << r.out;
    }
    EXPECT_EQ(results(), before);
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
  EXPECT_EQ(r.err, "telm: varga.xy: cannot write the file (Is a directory)\n");
  EXPECT_TRUE(fs::is_directory(dir_.path() / "varga.xy"));
  auto others = before;
  others.erase("varga.xy");
  EXPECT_EQ(results(), others);
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
