// The survey mode's contrast coefficients from the bodies across each node:
// the side lookup on a small model, what is kept and reported when a node
// does not follow from the outlines, and every bundled example's varga.xy
// reproduced to its 9 decimals.
#include "korvis/exact_contrasts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/edit_format.h"
#include "common/program_run.h"
#include "common/temp_dir.h"
#include "korvis/input.h"
#include "korvis/relief.h"

namespace korvis {
namespace {

namespace fs = std::filesystem;

// Two blocks side by side under the surface, outlines clockwise (z down):
// body 1 from x = 0 to 10, body 2 from 10 to 20, both 10 m deep. Body 1's
// outline runs down their common side x = 10, so its normal there is +x.
std::unique_ptr<KorvisState> twoBlocks(float ro1, float ro2) {
  auto st = std::make_unique<KorvisState>();
  common::ModelGeometry& m = st->model;
  const float vertices[6][2] = {{0, 0}, {10, 0}, {20, 0}, {20, 10}, {10, 10}, {0, 10}};
  m.nP = 6;
  for (int v = 0; v < 6; ++v) {
    m.xp[static_cast<std::size_t>(v)] = vertices[v][0];
    m.zp[static_cast<std::size_t>(v)] = vertices[v][1];
  }
  m.nT = 2;
  const int rings[2][4] = {{1, 2, 5, 6}, {2, 3, 4, 5}};
  for (std::size_t i = 0; i < 2; ++i) {
    m.nVer[i] = 4;
    for (std::size_t k = 0; k < 4; ++k) m.vertexRing[i][k] = rings[i][k];
    m.vertexRing[i][4] = rings[i][0];
  }
  m.Ro[0] = ro1;
  m.Ro[1] = ro2;
  m.RO_IP[0] = ro1;
  m.RO_IP[1] = ro2 / 0.9f;
  st->keyIP = 1;
  return st;
}

void addNode(KorvisState& st, float x, float z, float xn, float zn, float q, float qIP) {
  auto& n = st.nodes;
  const auto i = static_cast<std::size_t>(n.N++);
  n.x[i] = x;
  n.z[i] = z;
  n.dL[i] = 1.0f;
  n.xn[i] = xn;
  n.zn[i] = zn;
  n.q[i] = q;
  n.qIP[i] = qIP;
}

// The value of a 9-decimal field as korvis reads it.
float rounded(float q) { return std::stof(common::fixedField(static_cast<double>(q), 14, 9)); }

TEST(ExactContrasts, BodiesAcrossTheSideUnderANode) {
  struct Row {
    const char* name;
    float x, z, xn, zn;
    bool found;
    int in, out;
  };
  const Row rows[] = {
      {"common side, normal into body 2", 10, 3, 1, 0, true, 0, 1},
      {"common side, normal into body 1", 10, 3, -1, 0, true, 1, 0},
      {"centre rounded to 5 decimals", 10.00001f, 7.33333f, 1, 0, true, 0, 1},
      {"beside the common side", 10.01f, 3, 1, 0, false, -1, -1},
      {"normal across the side", 10, 3, 0, 1, false, -1, -1},
      {"side of body 1 alone", 0, 5, -1, 0, false, -1, -1},
  };
  const auto st = twoBlocks(100, 10);
  for (const Row& r : rows) {
    NodeBodies b;
    EXPECT_EQ(bodiesAcross(st->model, r.x, r.z, r.xn, r.zn, b), r.found) << r.name;
    EXPECT_EQ(b.in, r.in) << r.name;
    EXPECT_EQ(b.out, r.out) << r.name;
  }
}

TEST(ExactContrasts, RecomputedWhereTheyFollowKeptAndReportedElsewhere) {
  // q = 2(1e6 - 5e6)/(6e6 * 5e6) = -2.67e-7, which 9 decimals keep to 3 digits.
  const auto st = twoBlocks(5e6f, 1e6f);
  const NodeBodies across{0, 1};
  const float q = contrastBetween(st->model.Ro, across);
  const float qIP = contrastBetween(st->model.RO_IP, across);
  addNode(*st, 10, 2, 1, 0, rounded(q), rounded(qIP));
  addNode(*st, 10, 7, 1, 0, 0.5f, rounded(qIP));  // not the bodies' q
  addNode(*st, 10, 8, 1, 0, rounded(q), 0.5f);    // nor their qIP
  addNode(*st, 0, 5, -1, 0, 0.25f, 0.25f);        // on the model's outer side
  std::ostringstream warnings;
  const ContrastRecovery r = useExactContrasts(*st, "varga.xy", warnings);
  EXPECT_EQ(r.recomputed, 1);
  EXPECT_EQ(r.kept, 3);
  EXPECT_EQ(st->nodes.q[0], q);
  EXPECT_EQ(st->nodes.qIP[0], qIP);
  EXPECT_NE(rounded(q), q);
  EXPECT_EQ(st->nodes.q[1], 0.5f);
  EXPECT_EQ(st->nodes.qIP[2], 0.5f);
  EXPECT_EQ(st->nodes.q[3], 0.25f);
  EXPECT_EQ(warnings.str(),
            "korvis: warning: varga.xy: node 2 (x 10, z 7) has q = 0.5, but bodies 1 and 2 on its two sides "
            "give -2.66667e-07 (and 2 more nodes): the survey mode uses the file's q and qIP, rounded to 9 "
            "decimals, for them\n");

  // Without an IP pass qIP is neither compared nor changed; a lone node that
  // lies on no common side is named as such.
  const auto dc = twoBlocks(5e6f, 1e6f);
  dc->keyIP = 0;
  addNode(*dc, 10, 8, 1, 0, rounded(q), 0.5f);
  addNode(*dc, 0, 5, -1, 0, 0.25f, 0.25f);
  std::ostringstream dcWarnings;
  EXPECT_EQ(useExactContrasts(*dc, "varga.xy", dcWarnings).recomputed, 1);
  EXPECT_EQ(dc->nodes.q[0], q);
  EXPECT_EQ(dc->nodes.qIP[0], 0.5f);
  EXPECT_EQ(dcWarnings.str(),
            "korvis: warning: varga.xy: node 2 (x 0, z 5) lies on no outline side that two bodies share: the "
            "survey mode uses the file's q and qIP, rounded to 9 decimals, for it\n");
}

// Every bundled example that prepares a mesh: each node's bodies are found
// and give back the q and qIP that telm wrote, to the last of its 9 decimals.
TEST(ExactContrasts, EveryExampleMeshIsReproduced) {
  common::testing::TempDir dir;
  int meshes = 0;
  for (const auto& entry : fs::directory_iterator(EXAMPLES_DIR)) {
    if (!fs::exists(entry.path() / "filename")) continue;
    const std::string name = entry.path().filename().string();
    const fs::path run = dir.path() / name;
    fs::copy(entry.path(), run, fs::copy_options::recursive);
    std::vector<std::string> args;
    if (fs::exists(run / "survey.dat")) args = {"--survey", "survey.dat"};
    ASSERT_EQ(common::testing::runProgram(run, TELM_EXE, 0, args).status, 0) << name;
    if (!fs::exists(run / "varga.xy")) continue;
    ++meshes;
    auto st = std::make_unique<KorvisState>();
    std::ostringstream console, warnings;
    ASSERT_EQ(loadGeometry(*st, console, warnings, (run / "varga.xy").string()), LoadOutcome::loaded) << name;
    // The ground surface of a model with relief is a side against the air,
    // as the survey run marks it.
    const Relief relief = findRelief(*st);
    const ContrastRecovery r = useExactContrasts(*st, "varga.xy", warnings, relief.active ? &relief.airNode : nullptr);
    EXPECT_EQ(r.recomputed, st->nodes.N) << name;
    EXPECT_EQ(warnings.str(), "") << name;
    // The node lines are the file's last N lines; q in columns 72-85, qIP in 87-100.
    std::ifstream in(run / "varga.xy");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), static_cast<std::size_t>(st->nodes.N)) << name;
    const std::size_t first = lines.size() - static_cast<std::size_t>(st->nodes.N);
    for (int i = 0; i < st->nodes.N; ++i) {
      const auto n = static_cast<std::size_t>(i);
      const std::string& line = lines[first + n];
      ASSERT_EQ(common::fixedField(static_cast<double>(st->nodes.q[n]), 14, 9), line.substr(71, 14))
          << name << ", node " << i + 1;
      ASSERT_EQ(common::fixedField(static_cast<double>(st->nodes.qIP[n]), 14, 9), line.substr(86, 14))
          << name << ", node " << i + 1;
    }
  }
  EXPECT_GE(meshes, 10);
}

}  // namespace
}  // namespace korvis
