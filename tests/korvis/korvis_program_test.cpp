// Whole runs of korvis: the product driver against the plain reference
// driver (console text, exit status and every file, byte for byte), the
// stops of the program and its exit statuses, and the physics of a uniform
// earth.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "common/exit_codes.h"
#include "korvis/program.h"
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
  for (int keyArr : {1, 2, 3, 4, 5, 15, 16, 23}) {
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

TEST(KorvisRun, DcOnlyRunWritesOneTableAndNoIpText) {
  auto model = testing::faultModel(4.0f);
  model->keyIP = 0;
  const RunRecord r = expectSameRuns(testing::xyText(*model), testing::arrText(survey(1, 4, {10, 20})));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console.find("IP calculation"), std::string::npos);
  EXPECT_EQ(r.files.at("korvis.txt").find("CHARGEABILITY"), std::string::npos);
}

}  // namespace
}  // namespace korvis
