// Whole runs of korvis: the product driver against the plain reference
// driver (console text, exit status and every file, byte for byte), the
// stops of the program and its exit statuses, and the physics of a uniform
// earth.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/exit_codes.h"
#include "korvis/program.h"
#include "korvis/wavenumbers.h"
#include "model_files.h"
#include "reference_run.h"

namespace korvis {
namespace {

using testing::ScratchDirectory;

struct RunRecord {
  int status = -1;
  std::string console, errors;
  std::map<std::string, std::string> files;  // every file the run left, inputs excluded
};

RunRecord runIn(const std::string& xy, const std::string& arr, bool reference) {
  ScratchDirectory dir;
  dir.write("varga.xy", xy);
  dir.write("varga.arr", arr);
  RunRecord r;
  std::ostringstream console, errors;
  r.status = reference ? runProgram(console, errors, testing::referencePasses)
                       : runProgram(console, errors);
  r.console = console.str();
  r.errors = errors.str();
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name != "varga.xy" && name != "varga.arr") r.files[name] = dir.read(name);
  }
  return r;
}

// The first line where two texts differ, for the failure message.
std::string firstDifference(const std::string& a, const std::string& b) {
  std::istringstream ia(a), ib(b);
  std::string la, lb;
  for (int n = 1;; ++n) {
    const bool ha = static_cast<bool>(std::getline(ia, la));
    const bool hb = static_cast<bool>(std::getline(ib, lb));
    if (!ha && !hb) return "same lines";
    if (!ha || !hb || la != lb) return "line " + std::to_string(n) + ":\n  [" + la + "]\n  [" + lb + "]";
  }
}

// Runs both drivers and expects identical results; returns the product run.
RunRecord expectSameRuns(const std::string& xy, const std::string& arr) {
  const RunRecord fast = runIn(xy, arr, false);
  const RunRecord plain = runIn(xy, arr, true);
  EXPECT_EQ(fast.status, plain.status);
  EXPECT_EQ(fast.console, plain.console);
  EXPECT_EQ(fast.errors, plain.errors);
  EXPECT_EQ(fast.files.size(), plain.files.size());
  for (const auto& [name, text] : plain.files) {
    const auto found = fast.files.find(name);
    EXPECT_TRUE(found != fast.files.end() && found->second == text)
        << name << " differs at "
        << (found == fast.files.end() ? "(missing)" : firstDifference(found->second, text));
  }
  return fast;
}

common::ArrayFile survey(int keyArr, int nPos, std::initializer_list<float> spacings) {
  common::ArrayFile a;
  a.dX = 5.0f;
  a.X0 = -47.5f;
  a.nPos = nPos;
  a.keyArr = keyArr;
  a.nSpac = static_cast<int>(spacings.size());
  int j = 0;
  for (float s : spacings) a.Spac[static_cast<std::size_t>(j++)] = s;
  return a;
}

TEST(KorvisRun, ProductDriverMatchesPlainDriverOnSurfaceArrays) {
  const auto model = testing::faultModel(4.0f);
  const std::string xy = testing::xyText(*model);
  for (int keyArr : {1, 2, 3, 4, 5, 15, 16}) {
    SCOPED_TRACE(keyArr);
    // Spacings up to 250 m put electrodes beyond the surface line, where the
    // lookup fails and the previous resistivity is kept.
    const RunRecord r = expectSameRuns(xy, testing::arrText(survey(keyArr, 7, {10, 30, 250})));
    EXPECT_EQ(r.status, 0);
  }
}

TEST(KorvisRun, ProductDriverMatchesPlainDriverOnHalfSchlumberger) {
  const auto model = testing::faultModel(3.0f);
  common::ArrayFile a = survey(18, 12, {});
  a.nSpac = 4;
  a.dZ = 0.5f;
  const RunRecord r = expectSameRuns(testing::xyText(*model), testing::arrText(a));
  EXPECT_EQ(r.status, 0);
  for (const char* name : {"korvis.txt", "A_MN.txt", "MN_B.txt", "A_MNip.txt", "MN_Bip.txt",
                           "FORWARD.RS2", "REVERSE.RS2"}) {
    EXPECT_EQ(r.files.count(name), 1u) << name;
  }
}

TEST(KorvisRun, ProductDriverMatchesPlainDriverOnBuriedAndGradientArrays) {
  const auto model = testing::faultModel(4.0f);
  const std::string xy = testing::xyText(*model);
  for (int keyArr : {9, 10, 11, 13, 14, 17, 19}) {
    SCOPED_TRACE(keyArr);
    common::ArrayFile a = survey(keyArr, 5, {5, 40, 90});
    a.dZ = 25.0f;  // boreholes reach below the bodies: lookups fail there
    a.Z0 = 2.0f;
    a.XA = -30.0f;
    a.ZA = 4.0f;
    a.XB = 35.0f;
    a.ZB = 6.0f;
    a.XMN = 30.0f;
    a.iDir = 1;
    const RunRecord r = expectSameRuns(xy, testing::arrText(a));
    EXPECT_EQ(r.status, 0);
  }
}

TEST(KorvisRun, ProductDriverMatchesPlainDriverWhenTheFirstLookupsFail) {
  // Position 1 puts B beyond the surface line: its lookup fails before any
  // has succeeded, and the value carried on is the initial one.
  const auto model = testing::faultModel(4.0f);
  common::ArrayFile a = survey(1, 4, {10, 20});
  a.X0 = 195.0f;
  a.dX = -20.0f;
  const RunRecord r = expectSameRuns(testing::xyText(*model), testing::arrText(a));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find("ni~eg ne na{li"), std::string::npos);
}

TEST(KorvisRun, ProductDriverMatchesPlainDriverOnAMediumModel) {
  const auto model = testing::faultModel(0.25f);
  ASSERT_GT(model->nodes.N, 300);
  const std::string xy = testing::xyText(*model);
  for (int keyArr : {1, 18, 19}) {
    SCOPED_TRACE(keyArr);
    common::ArrayFile a = survey(keyArr, 20, {3, 8, 13, 18, 28, 38, 58, 98});
    a.XA = -100.0f;
    a.XB = 150.0f;
    const RunRecord r = expectSameRuns(xy, testing::arrText(a));
    EXPECT_EQ(r.status, 0);
  }
}

TEST(KorvisRun, DcOnlyRunWritesOneTableAndNoIpText) {
  auto model = testing::faultModel(4.0f);
  model->keyIP = 0;
  const RunRecord r = expectSameRuns(testing::xyText(*model), testing::arrText(survey(1, 4, {10, 20})));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console.find("IP calculation"), std::string::npos);
  EXPECT_EQ(r.files.at("korvis.txt").find("CHARGEABILITY"), std::string::npos);
}

int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

const char* const kBanner =
    " --- korvis - 2.5D DC modelling. Boundary-integral modelling group, 1994-2025 ---\n";

TEST(KorvisRun, HalfSchlumbergerWithIpWritesFourTablesAndTheFilesOfBothPasses) {
  const auto model = testing::faultModel(4.0f);
  common::ArrayFile a = survey(18, 6, {});
  a.nSpac = 2;
  const RunRecord r = runIn(testing::xyText(*model), testing::arrText(a), false);
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string& log = r.files.at("korvis.txt");
  EXPECT_EQ(countOf(log, "APP.RESISTIVITY"), 2);
  EXPECT_EQ(countOf(log, "APP.CHARGEABILITY"), 2);
  EXPECT_LT(log.rfind("APP.RESISTIVITY"), log.find("APP.CHARGEABILITY"));
  EXPECT_EQ(r.files.size(), 7u);
  EXPECT_EQ(r.files.at("A_MNip.txt").substr(0, 17), " X R IP_app(AMN)\n");
  EXPECT_EQ(countOf(r.files.at("FORWARD.RS2"), "\n"), 4 + 7);
}

TEST(KorvisRun, GradientFieldRunWritesTheFieldTableThenChargeability) {
  const auto model = testing::faultModel(4.0f);
  common::ArrayFile a = survey(19, 3, {10, 20, 400});
  a.XA = -60.0f;
  a.XB = 60.0f;
  const RunRecord r = runIn(testing::xyText(*model), testing::arrText(a), false);
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string& log = r.files.at("korvis.txt");
  EXPECT_EQ(log.find("  nKy  KyMIN  KyMAX - "), 0u);
  EXPECT_NE(log.find("\nElectrical field\n    X        Y       E_mn\n  -47.5000      0.0000  "),
            std::string::npos);
  EXPECT_NE(log.find("          *****   APP.CHARGEABILITY   *****\n"), std::string::npos);
  EXPECT_EQ(countOf(log, "\n      10.000 "), 1) << "one spacing row, the first spacing";
  EXPECT_NE(r.console.find(" Gradient array. Output is electrical field\n"), std::string::npos);
}

TEST(KorvisRun, ConsoleLinesOfANormalRun) {
  auto model = testing::faultModel(4.0f);
  model->keyIP = 0;
  common::ArrayFile a = survey(17, 2, {5, 50});
  a.XA = -60.0f;
  a.XB = 60.0f;
  const RunRecord r = runIn(testing::xyText(*model), testing::arrText(a), false);
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string head = std::string(kBanner) + "  A number of nodes -          " +
                           std::to_string(model->nodes.N) +
                           "\n Afix_MN_Bfix gradient array.There are not spacings, only point!\n"
                           "     A number of spatial frequencies nKy =           ";
  EXPECT_EQ(r.console.substr(0, head.size()), head);
  const std::string first =
      "     ===> nKy_i =            1\n"
      "\n"
      "  I,J,XI,ZI,XJ,ZJ,R1,RO:      1   1  0.0000E+00  0.0000E+00  0.0000E+00  0.0000E+00"
      "  0.0000E+00  0.0000E+00\n";
  EXPECT_NE(r.console.find(first), std::string::npos);
  EXPECT_EQ(r.errors, "");
  const std::string& log = r.files.at("korvis.txt");
  EXPECT_NE(log.find("*****   APP.RESISTIVITY   *****\npoint   Rok\n -47.50000  "),
            std::string::npos);
}

TEST(KorvisRun, EmptySurveyWritesHeadingsOnly) {
  const auto model = testing::faultModel(4.0f);
  for (const auto& [nPos, nSpac] : {std::pair{0, 2}, std::pair{3, 0}}) {
    common::ArrayFile a = survey(1, nPos, {});
    a.nSpac = nSpac;
    a.Spac[0] = 10.0f;
    a.Spac[1] = 20.0f;
    const RunRecord r = expectSameRuns(testing::xyText(*model), testing::arrText(a));
    ASSERT_EQ(r.status, 0) << r.errors;
    const std::string& log = r.files.at("korvis.txt");
    EXPECT_EQ(countOf(log, "----------\n"), 2);
    EXPECT_EQ(log.substr(log.rfind("---\n") + 4),
              nPos == 0 ? "      10.000   \n      20.000   \n" : "");
  }
}

std::string scratchHas(const RunRecord& r) {
  std::string names;
  for (const auto& [name, text] : r.files) names += name + " ";
  return names;
}

TEST(KorvisRun, TooManyNodesStopsWithCode199) {
  std::string xy = "3 1 2 0\n 1 2\n 1\n100 100 3\n 1 2 3 1\n0 0\n10 0\n5 5\n4101 N cells\n";
  const RunRecord r = runIn(xy, testing::arrText(survey(1, 2, {10})), false);
  EXPECT_EQ(r.status, 199);
  EXPECT_EQ(r.console, std::string(kBanner) +
                           "   Error! The maximal number of nodes in this model is 4100\n"
                           " 199\n");
  EXPECT_EQ(scratchHas(r), "");
}

TEST(KorvisRun, NonPositiveStepOfHalfSchlumbergerIsANormalStop) {
  const auto model = testing::faultModel(4.0f);
  common::ArrayFile a = survey(18, 6, {});
  a.dX = 0.0f;
  a.nSpac = 2;
  const RunRecord r = runIn(testing::xyText(*model), testing::arrText(a), false);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console, std::string(kBanner) + "   Step must be more then zero\n");
  EXPECT_EQ(scratchHas(r), "");
}

TEST(KorvisRun, MalformedInputStopsWithAMessageAndLeavesOldResults) {
  ScratchDirectory dir;
  dir.write("varga.xy", "3 1 2 0\n 1 2\n 1\n100 100 3\n 1 2 x 1\n");
  dir.write("varga.arr", testing::arrText(survey(1, 2, {10})));
  dir.write("korvis.txt", "an earlier run\n");
  std::ostringstream console, errors;
  EXPECT_EQ(runProgram(console, errors), common::exitBadInput);
  EXPECT_EQ(errors.str(), "korvis: varga.xy, line 5: expected an integer for vertexRing(3), found \"x\"\n");
  EXPECT_EQ(console.str(), kBanner);
  EXPECT_EQ(dir.read("korvis.txt"), "an earlier run\n");
}

TEST(KorvisRun, CurrentElectrodeOnANodeCentreIsRejectedBeforeAnyWork) {
  const auto model = testing::faultModel(4.0f);  // node 1 lies at (0, 0)
  common::ArrayFile a = survey(1, 3, {10, 15});
  a.X0 = -10.0f;
  a.dX = 2.5f;
  const RunRecord r = runIn(testing::xyText(*model), testing::arrText(a), false);
  EXPECT_EQ(r.status, common::exitBadInput);
  EXPECT_EQ(r.errors,
            "korvis: varga.arr: position 1, spacing 1: current electrode B at (0, 0) lies on the "
            "centre of node 1 of varga.xy (0, 0)\n");
  EXPECT_EQ(r.console, kBanner);
  EXPECT_EQ(scratchHas(r), "");
}

// Node 1 at depth 0.5 with a unit element and q = 1 under Ro(1) = 2*pi: its
// image self term is exactly 1 at ky = 0, so the diagonal entry is 1 - 1 = 0.
std::string singularModel(float q, float qIP) {
  char nodes[200];
  std::snprintf(nodes, sizeof nodes, "2 N cells\n0 0.5 1 0 1 %.9g %.9g\n50 20 1 1 0 0.1 0.1\n",
                static_cast<double>(q), static_cast<double>(qIP));
  const std::string ro = q == 1.0f ? "6.28318501 100" : "1 6.28318501";
  return "4 1 2 1\n 1 2\n 1\n" + ro + " 4\n 1 2 3 4 1\n-500 0\n500 0\n500 500\n-500 500\n" + nodes;
}

TEST(KorvisRun, ZeroPivotStopsTheRunWithoutResults) {
  for (const bool inIpPass : {false, true}) {
    SCOPED_TRACE(inIpPass);
    const std::string xy = inIpPass ? singularModel(0.1f, 1.0f) : singularModel(1.0f, 0.1f);
    const RunRecord r = expectSameRuns(xy, testing::arrText(survey(1, 3, {10, 20})));
    EXPECT_EQ(r.status, common::exitNumerical);
    EXPECT_EQ(r.errors, "korvis: zero pivot in row 1 of the system matrix at wavenumber 1\n");
    EXPECT_EQ(scratchHas(r), "");
    EXPECT_EQ(r.console.find("IP calculation") != std::string::npos, inIpPass);
    EXPECT_EQ(r.console.substr(r.console.size() - 31), "     ===> nKy_i =            1\n");
  }
}

TEST(KorvisRun, ExecutableRunsInTheCurrentDirectory) {
  const auto model = testing::faultModel(4.0f);
  ScratchDirectory dir;
  dir.write("varga.xy", testing::xyText(*model));
  dir.write("varga.arr", testing::arrText(survey(18, 4, {})));
  const std::string command = std::string("\"") + KORVIS_EXE + "\" > console.txt 2> errors.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(dir.read("console.txt").substr(0, std::strlen(kBanner)), kBanner);
  EXPECT_EQ(dir.read("errors.txt"), "");
  for (const char* name : {"korvis.txt", "A_MN.txt", "MN_B.txt", "FORWARD.RS2", "REVERSE.RS2"}) {
    EXPECT_TRUE(dir.exists(name)) << name;
  }

  dir.write("varga.xy", "3 1 2 0\n 1 2\n 1\n100 100 3\n 1 2 3 1\n0 0\n10 0\n5 5\n5000\n");
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 199);
  dir.write("varga.xy", "3 1 2 0\n");
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), common::exitBadInput);
  EXPECT_EQ(dir.read("errors.txt"),
            "korvis: varga.xy, line 2: end of file, expected an integer for surfaceList(1)\n");
}

// Over a uniform earth every kind measures the medium's resistivity and the
// IP pass its chargeability; the gradient field is the analytic one.
TEST(KorvisPhysics, UniformEarthGivesItsResistivityAndChargeability) {
  for (int keyArr = 1; keyArr <= 19; ++keyArr) {
    SCOPED_TRACE(keyArr);
    auto st = testing::uniformFaultModel(100.0f, 10.0f);
    common::ArrayFile& a = st->arr;
    a = survey(keyArr, 4, {4, 12, 30});
    a.X0 = -31.0f;
    a.dX = 7.0f;
    a.dZ = keyArr >= 9 && keyArr <= 12 ? 6.0f : 0.0f;
    a.Z0 = keyArr >= 9 && keyArr <= 11 ? 40.0f : 0.0f;
    a.XA = -70.0f;
    a.ZA = keyArr == 17 || keyArr == 19 ? 0.0f : 15.0f;
    a.XB = 80.0f;
    a.ZB = keyArr == 17 || keyArr == 19 ? 0.0f : 25.0f;
    a.XMN = 35.0f;
    a.iDir = 1;
    if (keyArr == 18) {
      for (int j = 0; j < 3; ++j) a.Spac[j] = (static_cast<float>(j + 1) + 0.5f) * a.dX;
    }
    setUpWavenumbers(*st, a.Spac[2]);
    a.nSpac = evaluatedSpacings(a);
    std::vector<float> dc, ip, dcReverse, ipReverse;
    std::ostringstream console, warnings;
    const auto keep = [&](const KorvisState& s, int pass) {
      if (pass == 1) {
        dc.assign(s.ResF.begin(), s.ResF.end());
        dcReverse.assign(s.ResR.begin(), s.ResR.end());
      } else {
        ip.assign(s.DcF.begin(), s.DcF.end());
        ipReverse.assign(s.DcR.begin(), s.DcR.end());
      }
    };
    const DriverResult result = runPasses(*st, console, warnings, keep);
    ASSERT_EQ(result.pivotRow, 0);
    EXPECT_EQ(warnings.str(), "");
    EXPECT_EQ(console.str().find("ni~eg"), std::string::npos);
    for (int c = 0; c < a.nPos * a.nSpac; ++c) {
      if (keyArr == 19) {
        // The analytic field, kept in ResR, scaled by the resistivity.
        EXPECT_NEAR(std::fabs(dc[c]) / dcReverse[c], 100.0, 1e-3) << c;
      } else {
        EXPECT_NEAR(dc[c], 100.0, 1e-3) << c;
      }
      EXPECT_NEAR(ip[c], 10.0, 1e-3) << c;
      if (keyArr == 18) {
        EXPECT_NEAR(dcReverse[c], 100.0, 1e-3) << c;
        EXPECT_NEAR(ipReverse[c], 10.0, 1e-3) << c;
      }
    }
  }
}

TEST(KorvisPhysics, ModelWithoutNodesIsAUniformHalfSpace) {
  auto st = std::make_unique<KorvisState>();
  st->keyIP = 1;
  st->model = testing::uniformFaultModel(30.0f, 20.0f)->model;
  st->arr = survey(1, 3, {5, 10});
  setUpWavenumbers(*st, 10.0f);
  EXPECT_EQ(st->nKy, 2);
  std::vector<float> dc, ip;
  std::ostringstream console, warnings;
  runPasses(*st, console, warnings, [&](const KorvisState& s, int pass) {
    (pass == 1 ? dc : ip).assign(pass == 1 ? s.ResF.begin() : s.DcF.begin(),
                                 (pass == 1 ? s.ResF.begin() : s.DcF.begin()) + 6);
  });
  for (int c = 0; c < 6; ++c) {
    EXPECT_NEAR(dc[c], 30.0, 1e-4);
    EXPECT_NEAR(ip[c], 20.0, 1e-4);
  }
}

}  // namespace
}  // namespace korvis
