// One source configuration: the right-hand side against its literal version
// (near and far electrodes, absent ones), the electrode-on-node check, and
// solveSource on a homogeneous and on a block model.
#include "korvis/solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <vector>

#include "korvis/boundary.h"
#include "korvis/kernels.h"
#include "korvis/reference_kernels.h"
#include "korvis/test_nodes.h"

namespace korvis {
namespace {

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(SourceRhs, MatchesLiteralVersionForNearFarAndAbsentElectrodes) {
  const auto st = testing::blockModel();
  const int n = st->nodes.N;
  struct Electrodes {
    float XA, ZA, XB, ZB;
  };
  // Far on the surface; A just off the top face (near for a few nodes); both
  // inside the block near a corner; B absent; A absent; A buried, B above.
  const Electrodes cases[] = {{-60, 0, 70, 0},      {-3.3f, 9.6f, 40, 0}, {19.2f, 10.7f, -19, 29},
                              {-5, 0, 10000, 0},    {-10000, 0, 7, 0},    {0.5f, 20, 3, -2}};
  for (const Electrodes& e : cases) {
    for (float ky : {0.0f, 0.03f, 0.8f}) {
      std::vector<float> got(n), want(n);
      sourceRhsGiven(*st, st->nodes.q.data(), e.XA, e.ZA, e.XB, e.ZB, 100.0f, 37.0f, got.data(),
                     ky);
      reference::sourceRhsGiven(st->nodes, st->nodes.q.data(), e.XA, e.ZA, e.XB, e.ZB, 100.0f,
                                37.0f, want.data(), ky);
      ASSERT_TRUE(sameBits(got, want)) << e.XA << " " << e.ZA << " ky " << ky;
    }
  }
}

TEST(SourceRhs, AbsentBLeavesThePrimaryFieldOfA) {
  const auto st = testing::blockModel();
  const int n = st->nodes.N;
  std::vector<float> b(n);
  std::ostringstream console;
  float rhoA = -1, rhoB = -1;
  sourceRhs(*st, -3.0f, 0.0f, 10000.0f, 0.0f, b.data(), rhoA, rhoB, 0.05f, console);
  EXPECT_EQ(rhoA, 100.0f);  // two surface points: the host
  EXPECT_EQ(rhoB, 0.0f);
  EXPECT_EQ(console.str(), "");
  const float wA = float(100.0L * (1.0L / (2.0L * static_cast<long double>(3.1415925f))));
  const auto& nd = st->nodes;
  for (int i = 0; i < n; ++i) {
    const float EA = directionalKernel(nd.x[i], nd.z[i], -3, 0, nd.xn[i], nd.zn[i], 1, wA, 0.05f);
    const float EAi = directionalKernel(nd.x[i], nd.z[i], -3, -0.0f, nd.xn[i], nd.zn[i], 1, wA,
                                        0.05f);
    EXPECT_EQ(b[i], (EA + EAi) * nd.q[i]) << i;
  }
}

TEST(ElectrodeOnNode, ExactNodeCentreIsRejectedNeighbourhoodIsNot) {
  const auto st = testing::blockModel();
  int node = -1;
  EXPECT_TRUE(electrodeOnNode(*st, 20.0f, 13.0f, node));
  EXPECT_EQ(node, 21);
  EXPECT_FALSE(electrodeOnNode(*st, 20.0f, 13.001f, node));
  EXPECT_FALSE(electrodeOnNode(*st, -10000.0f, 0.0f, node));
  EXPECT_FALSE(electrodeOnNode(*st, 0.0f, 0.0f, node));
}

TEST(SolveSource, HomogeneousModelGivesThePrimaryFieldOfTwoLineSources) {
  // Block and host of equal resistivity: q = 0, so sigma = 0 and the field is
  // the primary one; at ky = 0 a surface source gives rho/(pi*r) along x.
  const auto st = testing::blockModel(100.0f, 100.0f);
  SolveWorkspace ws;
  ws.allocate(st->nodes.N);
  std::ostringstream console;
  assembleBoundaryMatrix(st->nodes, st->nodes.q.data(), st->model.Ro[0], ws.M.data(), ws.ld, 0.0f,
                         console);
  Configuration c;
  c.XA = -30;
  c.XB = 30;
  c.xr = 10;
  float E = 0, EA = 0, EB = 0;
  EXPECT_EQ(solveSource(*st, ws, c, 0.0f, 1, 1, E, EA, EB, console), 0);
  for (float s : ws.sigma) EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(E, EA - EB);
  const double pi = 3.14159265358979;
  EXPECT_NEAR(EA, 100.0 / (pi * 40.0), 1e-6);
  EXPECT_NEAR(EB, -100.0 / (pi * 20.0), 1e-6);
}

TEST(SolveSource, LaterRightHandSidesReuseTheFactorsAndReceiversReuseSigma) {
  const auto st = testing::blockModel();
  const int n = st->nodes.N;
  SolveWorkspace ws, fresh;
  ws.allocate(n);
  fresh.allocate(n);
  std::ostringstream console;
  const float ky = 0.02f;
  assembleBoundaryMatrix(st->nodes, st->nodes.q.data(), 100.0f, ws.M.data(), ws.ld, ky, console);
  fresh.M = ws.M;

  Configuration first;
  first.XA = -40;
  first.XB = 40;
  first.xr = 0;
  float E, EA, EB;
  solveSource(*st, ws, first, ky, 1, 1, E, EA, EB, console);
  EXPECT_NE(E, EA - EB);  // the conductive block shows

  Configuration second = first;
  second.XA = -10;
  second.XB = 10000;
  second.xr = 15;
  solveSource(*st, ws, second, ky, 2, 1, E, EA, EB, console);
  float Ef, EAf, EBf;
  solveSource(*st, fresh, second, ky, 1, 1, Ef, EAf, EBf, console);
  EXPECT_TRUE(sameBits(ws.sigma, fresh.sigma));
  EXPECT_EQ(E, Ef);
  EXPECT_EQ(ws.rhoB, 0.0f);

  // A further receiver of the same sources: no new solve, the same sigma.
  Configuration third = second;
  third.xr = 25;
  third.nx = 0;
  third.nz = 1;
  solveSource(*st, ws, third, ky, 2, 2, E, EA, EB, console);
  float Ew, EAw, EBw;
  receiverField(st->nodes, 100.0f, 25, 0, -10, 0, 10000, 0, 0, 1, fresh.sigma.data(), 100.0f,
                0.0f, ky, 2, EAw, EBw, Ew);
  EXPECT_EQ(E, Ew);
  EXPECT_EQ(console.str(), "");
}

}  // namespace
}  // namespace korvis
