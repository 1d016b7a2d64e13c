// Element quadrature, the system matrix (threaded fill and the DC/IP pair
// against the literal double loop, bit for bit, with its diagnostics) and
// the receiver field.
#include "korvis/boundary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

#include "korvis/kernels.h"
#include "korvis/reference_kernels.h"
#include "korvis/test_nodes.h"

namespace korvis {
namespace {

using Nodes = common::NodeTable;

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(ElementIntegral, ObservationOnTheElementLineGetsNothing) {
  // Element along x (normal (0, 1)); observing along the normal from a point
  // on its line: the projection e is 0 whatever the distance.
  EXPECT_EQ(elementIntegral(3, 5, 0, 5, 10, 0, 1, 0, 1, 1, 1, 0.2f), 0.0);
  // A vanishing density gives nothing either.
  EXPECT_EQ(elementIntegral(0, 8, 0, 5, 10, 0, 1, 0, 1, 1e-11f, 1, 0.2f), 0.0);
}

TEST(ElementIntegral, JustAboveNineTenthsOfTheDistanceUsesFourParts) {
  // Observation 1 m above the centre of a horizontal element: dist = 1, so
  // dL/(0.7*dist) lies between 1 and 2 and m = 4.
  const float dL = std::nextafter(0.9f, 1.0f);
  const float w = 100.0f / 6.283185f;
  double want = 0.0;
  for (int p = 1; p <= 4; ++p) {
    const float xm = (0.0f + dL * 1.0f / 2.0f) + (float(p) - 0.5f) * (-(dL * 1.0f) / 4.0f);
    want += double(directionalKernel(0, 4, xm, 5, 0, 1, 1.0f * dL / 4.0f, w, 0.1f));
  }
  EXPECT_EQ(elementIntegral(0, 4, 0, 5, dL, 0, 1, 0, 1, 1, w, 0.1f), want);
}

TEST(ElementIntegral, MatchesLiteralVersionAndConvergesToThePointFormula) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int n = 0; n < 20000; ++n) {
    const float xo = 10 * u(rng), zo = 10 * u(rng) + 10, xc = 10 * u(rng), zc = 10 * u(rng) + 10;
    const float a = 3.14159f * u(rng), b = 3.14159f * u(rng);
    const float dist = std::hypot(xo - xc, zo - zc);
    const float dL = dist * (0.75f + 4.0f * (u(rng) + 1.0f));
    const float ky = (n % 5 == 0) ? 0.0f : 0.5f * (u(rng) + 1.0f);
    const double got = elementIntegral(xo, zo, xc, zc, dL, std::cos(a), std::sin(a), std::cos(b),
                                       std::sin(b), 0.7f, 3.0f, ky);
    const double want = reference::elementIntegral(xo, zo, xc, zc, dL, std::cos(a), std::sin(a),
                                                   std::cos(b), std::sin(b), 0.7f, 3.0f, ky);
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0);
  }
  // A short element far away: the quadrature is the point formula.
  const double far = elementIntegral(0, 0, 300, 40, 700, 1, 0, 0, 1, 1, 1, 0.0f);
  const double point = double(directionalKernel(0, 0, 300, 40, 1, 0, 700, 1, 0.0f));
  EXPECT_NEAR(far / point, 1.0, 0.05);
}

TEST(ElementAverage, MatchesLiteralVersion) {
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int n = 0; n < 20000; ++n) {
    std::mt19937 draw(static_cast<unsigned>(n));
    const float a = 3.14159f * u(draw), x = u(draw), z = 5 + u(draw), dL = 3 * (u(draw) + 1.0f);
    const float xs = 20 * u(draw), zs = 10 * (u(draw) + 1.0f), ky = 0.3f * (u(draw) + 1.0f);
    const int m = 1 + n % 13;
    float d1, i1, d2, i2;
    elementAverage(x, z, std::cos(a), std::sin(a), dL, m, xs, zs, -zs, 2.5f, ky, d1, i1);
    reference::elementAverage(x, z, std::cos(a), std::sin(a), dL, m, xs, zs, -zs, 2.5f, ky, d2,
                              i2);
    ASSERT_EQ(std::memcmp(&d1, &d2, sizeof d1), 0);
    ASSERT_EQ(std::memcmp(&i1, &i2, sizeof i1), 0);
  }
}

struct Filled {
  std::vector<float> M;
  std::string console;
};

Filled fill(const Nodes& nd, const float* q, float Ro1, float ky, bool literal) {
  Filled f;
  const int ld = nd.N + 3;  // a leading dimension larger than N must leave the padding alone
  f.M.assign(static_cast<std::size_t>(ld) * static_cast<std::size_t>(nd.N), 7.0f);
  std::ostringstream out;
  if (literal) {
    reference::assembleBoundaryMatrix(nd, q, Ro1, f.M.data(), ld, ky, out);
  } else {
    assembleBoundaryMatrix(nd, q, Ro1, f.M.data(), ld, ky, out);
  }
  f.console = out.str();
  return f;
}

TEST(AssembleBoundaryMatrix, ThreadedFillIsTheLiteralLoopBitForBit) {
  Nodes nd{maxNodes};
  for (unsigned seed : {1u, 2u}) {
    testing::randomNodes(nd, 300, seed);
    for (float ky : {0.0f, 0.004f, 0.07f, 0.9f, 6.0f}) {
      const Filled want = fill(nd, nd.q.data(), 120.0f, ky, true);
      const Filled got = fill(nd, nd.q.data(), 120.0f, ky, false);
      ASSERT_TRUE(sameBits(got.M, want.M)) << "seed " << seed << " ky " << ky;
      ASSERT_EQ(got.console, want.console);
    }
  }
  const auto block = testing::blockModel();
  for (float ky : {0.0f, 0.01f, 0.2f, 3.0f}) {
    const Filled want = fill(block->nodes, block->nodes.q.data(), 100.0f, ky, true);
    const Filled got = fill(block->nodes, block->nodes.q.data(), 100.0f, ky, false);
    ASSERT_TRUE(sameBits(got.M, want.M)) << ky;
    EXPECT_EQ(got.console, "");
  }
}

TEST(AssembleBoundaryMatrix, CoincidingNodesOnTheSurfaceAreReportedInRowOrder) {
  Nodes nd{maxNodes};
  testing::addNode(nd, 1.0f, 0.0f, 2.0f, 0, 1, 0.5f, 0.5f);
  testing::addNode(nd, 30.0f, 5.0f, 2.0f, 1, 0, 0.5f, 0.5f);
  testing::addNode(nd, 1.0f, 0.0f, 2.0f, 0, 1, 0.3f, 0.3f);
  // Enough further nodes for the fill to run on several threads.
  for (int k = 0; k < 200; ++k) testing::addNode(nd, 100.0f + float(k), 20.0f, 1.0f, 1, 0, 0.1f, 0.1f);
  const Filled got = fill(nd, nd.q.data(), 100.0f, 0.05f, false);
  const std::string line = "  I,J,XI,ZI,XJ,ZJ,R1,RO:   ";
  const std::string values = "  0.1000E+01  0.0000E+00  0.1000E+01  0.0000E+00  0.0000E+00  0.0000E+00\n";
  EXPECT_EQ(got.console, "\n" + line + "   1   1" + values + "\n" + line + "   1   3" + values +
                             "\n" + line + "   3   1" + values + "\n" + line + "   3   3" + values);
  // The image self term of a surface node vanishes: the diagonal entry is 1.
  const int ld = nd.N + 3;
  EXPECT_EQ(got.M[0], 1.0f);
  EXPECT_EQ(got.M[2 * ld + 2], 1.0f);
}

TEST(AssembleBoundaryMatrix, NodesOnOneStraightBoundaryDoNotSeeEachOtherDirectly) {
  // Two neighbours on a vertical boundary far below the surface: the direct
  // term is 0 (near-field and point formula alike), only the image is left.
  Nodes nd{maxNodes};
  testing::addNode(nd, 0.0f, 500.0f, 2.0f, 1, 0, 0.5f, 0.5f);
  testing::addNode(nd, 0.0f, 502.0f, 2.0f, 1, 0, 0.5f, 0.5f);
  testing::addNode(nd, 0.0f, 540.0f, 2.0f, 1, 0, 0.5f, 0.5f);
  const Filled got = fill(nd, nd.q.data(), 100.0f, 0.01f, false);
  const int ld = nd.N + 3;
  const float g = 100.0f / 6.283185f;
  for (int j : {1, 2}) {
    const float image = directionalKernel(0, 500, 0, -nd.z[j], 1, 0, 2.0f, g, 0.01f);
    EXPECT_EQ(image, 0.0f);  // the image is straight above as well
    EXPECT_EQ(got.M[j * ld], -(0.0f + image) * 0.5f);
  }
}

TEST(AssembleBoundaryMatrix, NearFieldSwitchJustAboveNineTenthsOfTheDistance) {
  // Node 2 one metre to the right of node 1, both with normal (1, 0):
  // d = float(0.9*1). dL(2) = d takes the point formula, the next float up
  // the quadrature with four parts.
  const float d = float(double(0.9f) * 1.0);
  const float g = 100.0f / 6.283185f;
  for (float dL : {d, std::nextafter(d, 2.0f)}) {
    Nodes nd{maxNodes};
    testing::addNode(nd, 10.0f, 50.0f, 1.0f, 1, 0, 0.4f, 0.4f);
    testing::addNode(nd, 11.0f, 50.0f, dL, 1, 0, 0.4f, 0.4f);
    const Filled got = fill(nd, nd.q.data(), 100.0f, 0.3f, false);
    const float direct =
        dL > d ? float(elementIntegral(10, 50, 11, 50, dL, 1, 0, 1, 0, 1, g, 0.3f))
               : directionalKernel(10, 50, 11, 50, 1, 0, dL, g, 0.3f);
    const float image = directionalKernel(10, 50, 11, -50, 1, 0, dL, g, 0.3f);
    EXPECT_EQ(got.M[1 * (nd.N + 3)], -(direct + image) * 0.4f);
    EXPECT_NE(float(elementIntegral(10, 50, 11, 50, dL, 1, 0, 1, 0, 1, g, 0.3f)),
              directionalKernel(10, 50, 11, 50, 1, 0, dL, g, 0.3f));
  }
}

TEST(AssembleBoundaryMatrixPair, EqualsTwoPlainFillsBitForBit) {
  Nodes nd{maxNodes};
  testing::randomNodes(nd, 257, 9);
  const int ld = nd.N;
  for (float ky : {0.0f, 0.02f, 1.5f}) {
    std::vector<float> dc(static_cast<std::size_t>(ld) * ld), ip(dc.size()), dc1(dc.size()),
        ip1(dc.size());
    std::ostringstream pairOut, dcOut, ipOut;
    assembleBoundaryMatrixPair(nd, nd.q.data(), 100.0f, dc.data(), nd.qIP.data(), 125.0f,
                               ip.data(), ld, ky, pairOut);
    assembleBoundaryMatrix(nd, nd.q.data(), 100.0f, dc1.data(), ld, ky, dcOut);
    assembleBoundaryMatrix(nd, nd.qIP.data(), 125.0f, ip1.data(), ld, ky, ipOut);
    ASSERT_TRUE(sameBits(dc, dc1)) << ky;
    ASSERT_TRUE(sameBits(ip, ip1)) << ky;
    EXPECT_EQ(pairOut.str(), dcOut.str());
    EXPECT_FALSE(pairOut.str().empty());
  }
}

TEST(ReceiverField, ModeOneGivesThePrimaryFieldsOnly) {
  const auto st = testing::blockModel();
  std::vector<float> sigma(st->nodes.N, 1.0f);
  float EA = 0, EB = 0, E = 42.0f;
  receiverField(st->nodes, 100.0f, 5, 0, -10, 0, 20, 0, 1, 0, sigma.data(), 100.0f, 50.0f, 0.0f,
                1, EA, EB, E);
  EXPECT_EQ(E, 42.0f);
  // ky = 0 on the surface: direct and image coincide, 2*w/r along the line.
  EXPECT_EQ(EA, 2.0f * float(double(100.0f * 0.15915495f) * double(1.0f / 225.0f) * 15.0));
  EXPECT_LT(EB, 0.0f);
}

TEST(ReceiverField, MatchesLiteralVersionAlsoFromSeveralThreads) {
  const auto st = testing::blockModel();
  std::vector<float> sigma(st->nodes.N);
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (float& s : sigma) s = u(rng);
  struct Probe {
    float xr, zr, nx, nz, ky;
  };
  std::vector<Probe> probes;
  for (int n = 0; n < 400; ++n) {
    // Receivers on the surface, in the block's neighbourhood and inside it.
    probes.push_back({40 * u(rng), n % 3 == 0 ? 0.0f : 20 + 15 * u(rng), n % 2 ? 1.0f : 0.0f,
                      n % 2 ? 0.0f : 1.0f, n % 4 == 0 ? 0.0f : 0.5f * (u(rng) + 1.0f)});
  }
  std::vector<float> want(probes.size() * 3), got(want.size());
  for (std::size_t n = 0; n < probes.size(); ++n) {
    const Probe& p = probes[n];
    reference::receiverField(st->nodes, 100.0f, p.xr, p.zr, -30, 0, 35, 0, p.nx, p.nz,
                             sigma.data(), 100.0f, 80.0f, p.ky, 2, want[3 * n], want[3 * n + 1],
                             want[3 * n + 2]);
  }
  auto run = [&](std::size_t from, std::size_t step) {
    for (std::size_t n = from; n < probes.size(); n += step) {
      const Probe& p = probes[n];
      receiverField(st->nodes, 100.0f, p.xr, p.zr, -30, 0, 35, 0, p.nx, p.nz, sigma.data(),
                    100.0f, 80.0f, p.ky, 2, got[3 * n], got[3 * n + 1], got[3 * n + 2]);
    }
  };
  std::thread other(run, 1, 2);
  run(0, 2);
  other.join();
  EXPECT_TRUE(sameBits(got, want));
}

TEST(TruncatedCount, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(truncatedCount(3.99f), 3);
  EXPECT_EQ(truncatedCount(0.5f), 0);
  EXPECT_EQ(truncatedCount(1e30f), 1 << 28);
  EXPECT_EQ(truncatedCount(INFINITY), 1 << 28);
  EXPECT_EQ(truncatedCount(std::nanf("")), 0);
}

}  // namespace
}  // namespace korvis
