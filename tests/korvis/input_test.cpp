// Loading of varga.xy and varga.arr: every field read back, the node limit
// checked before any node line, the kind-18 spacings and step check, and the
// rejection of counts and numbers the state record cannot hold.
#include "korvis/input.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/record_reader.h"
#include "model_files.h"

namespace korvis {
namespace {

using testing::ScratchDirectory;

struct Loaded {
  LoadOutcome outcome;
  std::string console, warnings;
};

Loaded load(KorvisState& st, const std::string& xy, const std::string& arr) {
  ScratchDirectory dir;
  dir.write("varga.xy", xy);
  dir.write("varga.arr", arr);
  std::ostringstream console, warnings;
  const LoadOutcome outcome = loadInputs(st, console, warnings);
  return {outcome, console.str(), warnings.str()};
}

// The message of the InputError that loading the two texts raises.
std::string loadError(const std::string& xy, const std::string& arr) {
  KorvisState st;
  try {
    load(st, xy, arr);
  } catch (const common::InputError& e) {
    return e.what();
  }
  return "no error";
}

common::ArrayFile sampleSurvey() {
  common::ArrayFile a;
  a.dX = 2.5f;
  a.dZ = 0.25f;
  a.X0 = -31.75f;
  a.Z0 = 1.5f;
  a.nPos = 12;
  a.nSpac = 3;
  a.XA = -7.0f;
  a.ZA = 3.0f;
  a.XB = 9.0f;
  a.ZB = 4.5f;
  a.XMN = 12.0f;
  a.keyArr = 11;
  a.iDir = -1;
  a.Spac = {5.0f, 12.5f, 40.0f};
  return a;
}

const std::string kArr = testing::arrText(sampleSurvey());

TEST(LoadInputs, ReadsEveryFieldOfBothFiles) {
  const auto model = testing::faultModel(4.0f);
  model->keyIP = 3;
  model->nodes.qIP[5] = -0.125f;
  KorvisState st;
  const Loaded r = load(st, testing::xyText(*model), kArr);
  ASSERT_EQ(r.outcome, LoadOutcome::loaded);
  EXPECT_EQ(r.console, "");
  EXPECT_EQ(r.warnings, "");

  const common::ModelGeometry& m = st.model;
  const common::ModelGeometry& e = model->model;
  EXPECT_EQ(st.keyIP, 3);
  EXPECT_EQ(m.nP, e.nP);
  EXPECT_EQ(m.nT, e.nT);
  EXPECT_EQ(m.nPOnSurface, e.nPOnSurface);
  EXPECT_EQ(m.nSurfaceBodies, 2);
  EXPECT_EQ(m.surfaceList, e.surfaceList);
  EXPECT_EQ(m.surfaceBodies, e.surfaceBodies);
  EXPECT_EQ(m.Ro, e.Ro);
  EXPECT_EQ(m.RO_IP, e.RO_IP);
  EXPECT_EQ(m.nVer, e.nVer);
  EXPECT_EQ(m.vertexRing, e.vertexRing);
  EXPECT_EQ(m.xp, e.xp);
  EXPECT_EQ(m.zp, e.zp);
  const auto& n = st.nodes;
  const auto& en = model->nodes;
  EXPECT_EQ(n.N, en.N);
  EXPECT_EQ(n.x, en.x);
  EXPECT_EQ(n.z, en.z);
  EXPECT_EQ(n.dL, en.dL);
  EXPECT_EQ(n.xn, en.xn);
  EXPECT_EQ(n.zn, en.zn);
  EXPECT_EQ(n.q, en.q);
  EXPECT_EQ(n.qIP, en.qIP);

  const common::ArrayFile& a = st.arr;
  const common::ArrayFile s = sampleSurvey();
  EXPECT_EQ(a.dX, s.dX);
  EXPECT_EQ(a.dZ, s.dZ);
  EXPECT_EQ(a.X0, s.X0);
  EXPECT_EQ(a.Z0, s.Z0);
  EXPECT_EQ(a.nPos, s.nPos);
  EXPECT_EQ(a.nSpac, s.nSpac);
  EXPECT_EQ(a.XA, s.XA);
  EXPECT_EQ(a.ZA, s.ZA);
  EXPECT_EQ(a.XB, s.XB);
  EXPECT_EQ(a.ZB, s.ZB);
  EXPECT_EQ(a.XMN, s.XMN);
  EXPECT_EQ(a.keyArr, s.keyArr);
  EXPECT_EQ(a.iDir, s.iDir);
  EXPECT_EQ(a.Spac, s.Spac);
}

// A small hand-written pair of files in the writer's layout: labels after
// the values, records split over lines, comments after the last value.
const std::string kHandXy =
    "3 2 1 0 nP,nT, nPOnSurface,keyIP\n"
    " 1 [Surfase]\n"
    "\n"
    "100. 120. 3 Ro, RO_IP nVer\n"
    " 1 2 3 1\n"
    "50, 55.5,\n"
    "3 Ro, RO_IP nVer (record over two lines)\n"
    " 3 2 1 3\n"
    "0 0  xp, zp\n"
    "10 5  xp, zp\n"
    "-10 5  xp, zp\n"
    "2 N cells\n"
    "    -1.00000     2.00000     0.5000000  0.000000000  1.000000000  0.100000000  0.200000000 x z dL xn zn q qIP\n"
    "     1.00000     2.00000     0.5000000  0.000000000 -1.000000000 -0.100000000 -0.200000000 x z dL xn zn q qIP\n";

TEST(LoadInputs, ConsumesTheEmptySurfaceBodiesRecordAndIgnoresLabels) {
  KorvisState st;
  const Loaded r = load(st, kHandXy, "1 0 0 0 2 1\n0 0 0 0 0 1 0\n10\n");
  ASSERT_EQ(r.outcome, LoadOutcome::loaded);
  EXPECT_EQ(st.model.nPOnSurface, 1);
  EXPECT_EQ(st.model.nSurfaceBodies, 0);
  EXPECT_EQ(st.model.Ro[0], 100.0f);
  EXPECT_EQ(st.model.Ro[1], 50.0f);
  EXPECT_EQ(st.model.RO_IP[1], 55.5f);
  EXPECT_EQ(st.model.vertexRing[1][3], 3);
  EXPECT_EQ(st.model.zp[2], 5.0f);
  EXPECT_EQ(st.nodes.N, 2);
  EXPECT_EQ(st.nodes.dL[1], 0.5f);
  EXPECT_EQ(st.nodes.zn[1], -1.0f);
  EXPECT_EQ(st.nodes.qIP[1], -0.2f);
}

std::string xyWithNodes(int n, int linesWritten) {
  std::string text = "3 1 2 1\n 1 2\n 1\n100 100 3\n 1 2 3 1\n0 0\n10 0\n5 5\n" +
                     std::to_string(n) + " N cells\n";
  for (int i = 0; i < linesWritten; ++i) text += "1 2 0.001 0 1 0.5 0.5\n";
  return text;
}

TEST(LoadInputs, AcceptsTheNodeLimitAndStopsAboveItBeforeReadingNodes) {
  auto st = std::make_unique<KorvisState>();
  EXPECT_EQ(load(*st, xyWithNodes(4100, 4100), kArr).outcome, LoadOutcome::loaded);
  EXPECT_EQ(st->nodes.N, 4100);

  // No node line at all: the limit must be checked before the first one.
  st = std::make_unique<KorvisState>();
  const Loaded r = load(*st, xyWithNodes(4101, 0), kArr);
  EXPECT_EQ(r.outcome, LoadOutcome::tooManyNodes);
  EXPECT_EQ(r.console,
            "   Error! The maximal number of nodes in this model is 4100\n"
            " 199\n");
}

TEST(LoadInputs, GeneratesHalfSchlumbergerSpacingsAndChecksTheStep) {
  KorvisState st;
  const std::string xy = xyWithNodes(0, 0);
  Loaded r = load(st, xy, "10 0.5 -20 7 6 3\n0 0 0 0 0 18 4\nthis line is not read\n");
  ASSERT_EQ(r.outcome, LoadOutcome::loaded);
  EXPECT_EQ(st.arr.Spac[0], 15.0f);
  EXPECT_EQ(st.arr.Spac[1], 25.0f);
  EXPECT_EQ(st.arr.Spac[2], 35.0f);
  EXPECT_EQ(st.arr.Z0, 0.0f);
  EXPECT_EQ(st.arr.iDir, 0);
  EXPECT_EQ(st.arr.dZ, 0.5f);

  for (const char* step : {"0", "-5"}) {
    KorvisState again;
    r = load(again, xy, std::string(step) + " 0 0 0 6 3\n0 0 0 0 0 18 0\n");
    EXPECT_EQ(r.outcome, LoadOutcome::stepNotPositive);
    EXPECT_EQ(r.console, "   Step must be more then zero\n");
  }
}

TEST(LoadInputs, GradientKindsReadEverySpacing) {
  KorvisState st;
  const Loaded r = load(st, xyWithNodes(0, 0),
                        "5 0 0 0 4 3\n-100 0 100 0 0 19 0\n10, 20,\n 300 last one sets the range\n");
  ASSERT_EQ(r.outcome, LoadOutcome::loaded);
  EXPECT_EQ(st.arr.nSpac, 3);
  EXPECT_EQ(st.arr.Spac[2], 300.0f);
}

TEST(LoadInputs, WarnsWhenTheSurfaceLineIsNotInIncreasingX) {
  KorvisState st;
  const std::string xy = "3 1 3 0\n 1 2 3\n 1 1\n100 100 3\n 1 2 3 1\n0 0\n10 0\n5 0\n0\n";
  const Loaded r = load(st, xy, kArr);
  EXPECT_EQ(r.outcome, LoadOutcome::loaded);
  EXPECT_EQ(r.warnings,
            "korvis: warning: varga.xy: the surface vertices are not in increasing x (entries 2 "
            "and 3); an electrode on the surface may take the wrong body\n");
}

TEST(LoadInputs, RejectsWhatTheStateCannotHold) {
  const std::string ring = "100 100 3\n 1 2 3 1\n0 0\n10 0\n5 5\n0\n";
  struct Case {
    std::string xy, arr, message;
  };
  const std::string arr = kArr;
  const std::string xy = xyWithNodes(0, 0);
  const Case cases[] = {
      {"101 1 2 0\n", arr, "varga.xy, line 1: expected nP from 0 to 100, found 101"},
      {"3 51 2 0\n", arr, "varga.xy, line 1: expected nT from 0 to 50, found 51"},
      {"3 1 51 0\n", arr, "varga.xy, line 1: expected nPOnSurface from 0 to 50, found 51"},
      {"3 1 -1 0\n", arr, "varga.xy, line 1: expected nPOnSurface from 0 to 50, found -1"},
      {"3 1 2 0\n 1 4\n", arr, "varga.xy, line 2: expected surfaceList(2) from 1 to 3, found 4"},
      {"3 1 2 0\n 1 2\n 2\n", arr, "varga.xy, line 3: expected surfaceBodies(1) from 1 to 1, found 2"},
      {"3 1 2 0\n 1 2\n 1\n100 100 41\n", arr, "varga.xy, line 4: expected nVer(1) from 0 to 40, found 41"},
      {"3 1 2 0\n 1 2\n 1\n100 100 3\n 1 2\n 0 1\n", arr,
       "varga.xy, line 6: expected vertexRing(3) from 1 to 3, found 0"},
      {"3 1 2 0\n 1 2\n 1\n100 100 3\n 1 2 3 1\n0 0\n10 0\n5 5\n-1 N cells\n", arr,
       "varga.xy, line 9: expected N of at least 0, found -1"},
      {"3 1 2 0\n 1 2\n 1\n100 100 3\n 1 2 3 1\n0 0\n10 0\n5 5\n1 N cells\n1 2 3 4 5 6\n", arr,
       "varga.xy, line 11: end of file, expected a number for qIP(1)"},
      {xy, "5 0 0 0 101 3\n", "varga.arr, line 1: expected nPos from 0 to 100, found 101"},
      {xy, "5 0 0 0 10 31\n", "varga.arr, line 1: expected nSpac from 0 to 30, found 31"},
      {xy, "5 0 0 0\n10 -2\n", "varga.arr, line 2: expected nSpac from 0 to 30, found -2"},
      {xy, "0 0 0 0 10 1\n0 0 0 0 0 17 0\n5\n",
       "varga.arr, line 2: expected dX or dZ other than 0 for the profile direction of keyArr 17"},
      {xy, "5 0 0 0 10 0\n0 0 0 0 0 19 0\n",
       "varga.arr, line 2: expected at least one spacing for keyArr 19, found nSpac 0"},
      {xy, "5 0 0 0 10 2\n0 0 0 0 0 1.5 0\n",
       "varga.arr, line 2: expected an integer for keyArr, found \"1.5\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(loadError(c.xy, c.arr), c.message);
  }
}

TEST(LoadInputs, NamesAMissingFile) {
  ScratchDirectory dir;
  KorvisState st;
  std::ostringstream console, warnings;
  try {
    loadInputs(st, console, warnings);
    FAIL() << "no error";
  } catch (const common::InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              "varga.xy: cannot open the file (No such file or directory); telm makes it from the model file when "
              "run with keyRun = -1: run telm first");
  }
}

}  // namespace
}  // namespace korvis
