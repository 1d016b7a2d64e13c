// Discretisation on models small enough to check by hand: the edge table,
// the node-length law, uniform and geometric division, the node numbering,
// the node-table limit and the node listing.
#include "telm/discretisation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <vector>

#include "common/record_reader.h"
#include "telm/coded_stop.h"

namespace telm {
namespace {

struct Body {
  float Ro, eta;
  std::vector<int> ring;
};

std::unique_ptr<TelmState> model(float dens, const std::vector<Point>& vertices, const std::vector<Body>& bodies) {
  auto st = std::make_unique<TelmState>();
  st->modelFileName = "model.dat";
  st->dens = dens;
  st->model.nP = static_cast<int>(vertices.size());
  for (std::size_t j = 0; j < vertices.size(); ++j) {
    st->model.xp[j] = vertices[j].x;
    st->model.zp[j] = vertices[j].z;
  }
  st->model.nT = static_cast<int>(bodies.size());
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    st->model.Ro[i] = bodies[i].Ro;
    st->eta[i] = bodies[i].eta;
    st->model.RO_IP[i] = bodies[i].Ro / (bodies[i].eta * (-0.01f) + 1.0f);
    st->model.nVer[i] = static_cast<int>(bodies[i].ring.size());
    for (std::size_t k = 0; k < bodies[i].ring.size(); ++k) st->model.vertexRing[i][k] = bodies[i].ring[k];
  }
  return st;
}

// Two layers sharing the side 3-4 at z = 30: body 1 above, body 2 below.
std::unique_ptr<TelmState> twoLayers(float dens, float Ro2 = 300.0f, float eta2 = 10.0f) {
  return model(dens, {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {30, 60}, {0, 60}},
               {{100.0f, 0.0f, {1, 2, 3, 4}}, {Ro2, eta2, {4, 3, 5, 6}}});
}

// Two blocks side by side with a vertical contact from (0, 0) to (0, 100).
// With leftFirst the contact is entered downwards (start on the surface).
std::unique_ptr<TelmState> verticalContact(bool leftFirst) {
  const Body left{100.0f, 0.0f, {1, 2, 3, 4}};
  const Body right{10.0f, 0.0f, {2, 5, 6, 3}};
  return model(1.0f, {{-100, 0}, {0, 0}, {0, 100}, {-100, 100}, {100, 0}, {100, 100}},
               leftFirst ? std::vector<Body>{left, right} : std::vector<Body>{right, left});
}

TEST(EdgeTable, SharedSideIsEnteredOnceAlongTheLowerBody) {
  auto st = twoLayers(1.0f);
  ASSERT_EQ(buildEdgeTable(*st), 1);
  const Edge& e = st->edgeTable[0];
  EXPECT_EQ(e.start, 3);
  EXPECT_EQ(e.end, 4);
  EXPECT_EQ(e.bodyIn, 1);
  EXPECT_EQ(e.bodyOut, 2);
}

TEST(EdgeTable, PropertyThresholds) {
  // Ro differing by less than 0.01 % and eta by less than 0.001: no interface.
  EXPECT_EQ(buildEdgeTable(*twoLayers(1.0f, 100.009f, 0.0009f)), 0);
  EXPECT_EQ(buildEdgeTable(*twoLayers(1.0f, 100.02f, 0.0f)), 1);
  EXPECT_EQ(buildEdgeTable(*twoLayers(1.0f, 100.0f, 0.002f)), 1);
}

TEST(EdgeTable, MagneticArrayTakesOutsideSidesOfNonUnitBodies) {
  auto st = twoLayers(1.0f, 1.0f, 0.0f);
  st->firstArrayKind = 13;
  st->model.Ro[0] = 0.5f;
  // Body 1 keeps all four sides: three against the outside, one against body 2.
  ASSERT_EQ(buildEdgeTable(*st), 4);
  EXPECT_EQ(st->edgeTable[0].bodyOut, 3);
  EXPECT_EQ(st->edgeTable[2].bodyOut, 2);
}

TEST(EdgeTable, TableFullIsRejectedNamingTheModelFile) {
  // Magnetic-field array: every side of a body with Ro < 1 against the
  // outside is an interface. Two 40-sided rings and one 22-sided ring on
  // other vertex pairs need 102 entries.
  std::vector<Point> vertices;
  for (int v = 0; v < 80; ++v) vertices.push_back({static_cast<float>(v), static_cast<float>(v % 7)});
  Body third{0.5f, 0.0f, {}};
  for (int v = 1; v <= 39; v += 2) third.ring.push_back(v);
  third.ring.push_back(2);
  third.ring.push_back(4);
  Body first{0.5f, 0.0f, {}}, second{0.5f, 0.0f, {}};
  for (int v = 1; v <= 40; ++v) {
    first.ring.push_back(v);
    second.ring.push_back(v + 40);
  }
  auto st = model(1.0f, vertices, {first, second, third});
  st->modelFileName = "deep.dat";
  st->firstArrayKind = 13;
  try {
    buildEdgeTable(*st);
    FAIL() << "expected the edge table to overflow";
  } catch (const common::InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              "deep.dat: expected at most 100 interface sides between bodies of different properties, found more");
  }
  EXPECT_EQ(st->nEdges, 100);
}

TEST(EdgeTable, InterfaceSideOfZeroLengthIsRejected) {
  auto st = twoLayers(1.0f);
  st->model.xp[3] = 30.0f;  // vertex 4 onto vertex 3
  try {
    buildEdgeTable(*st);
    FAIL() << "expected a rejection";
  } catch (const common::InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              "model.dat: expected the interface side from vertex 3 to vertex 4 to have a length, found both at the "
              "same point");
  }
}

TEST(StepAt, DepthRefinementAndJunctions) {
  auto st = model(2.0f, {{0, 100}, {100, 100}, {100, 200}, {0, 200}}, {});
  st->nEdges = 2;
  st->edgeTable[0] = {1, 2, 1, 2};
  st->edgeTable[1] = {2, 3, 1, 3};
  // Depth law: |0.9 z| / dens; the far end of edge 2 (d = 100) does not bind.
  EXPECT_EQ(stepAt(*st, 0, {0, 100}), 45.0f);
  // Vertex 2 is also an end of edge 2: a junction takes a third.
  EXPECT_EQ(stepAt(*st, 0, {100, 100}), 45.0f * 0.33333334f);
  // An end vertex of another edge closer than the depth scale binds: d/dens.
  EXPECT_EQ(stepAt(*st, 0, {70, 100}), 15.0f);
  // Refinement points: the distance to A is raised to 0.05 before d/dens.
  st->refineFlag = 1;
  st->refAx = 10;
  st->refAz = 100.01f;
  st->refBx = 40;
  st->refBz = 100;
  EXPECT_EQ(stepAt(*st, 0, {10, 100}), 0.05f / 2.0f);
  EXPECT_EQ(stepAt(*st, 0, {40, 96}), 4.0f / 2.0f);
  st->refineFlag = 0;
  EXPECT_EQ(stepAt(*st, 0, {10, 100}), 45.0f);
  // Survey electrodes (telm --survey): the nearest of them binds, by the same rule.
  st->refineFlag = 3;
  st->surveyX = {10, 40, 60};
  st->surveyZ = {100.01f, 100, 90};
  EXPECT_EQ(stepAt(*st, 0, {10, 100}), 0.05f / 2.0f);
  EXPECT_EQ(stepAt(*st, 0, {40, 96}), 4.0f / 2.0f);
  EXPECT_EQ(stepAt(*st, 0, {60, 99}), 9.0f / 2.0f);
  // A graded mesh (telm --survey, --graded-corners) steps down to a
  // thousandth at a junction.
  st->gradedCorners = true;
  EXPECT_FLOAT_EQ(stepAt(*st, 0, {100, 100}), std::hypot(40.0f, 10.0f) / 2.0f * 0.001f);
}

TEST(GeometricCount, FirstEstimateIsCappedAndTheRunFillsTheLength) {
  // Uncapped the ratio would be 29/10 = 2.9.
  const GeometricRun run = geometricCount(1.0f, 20.0f, 30.0f);
  EXPECT_EQ(run.m, 6);
  EXPECT_NEAR(run.r, 1.539, 0.001);
  EXPECT_LT(run.r, 1.62f);
  EXPECT_NEAR(run.a, 0.831, 0.001);
  EXPECT_FLOAT_EQ(run.b, run.a * powInt(run.r, run.m));
  double total = 0;
  for (int j = 0; j <= run.m; ++j) total += static_cast<double>(run.a * powInt(run.r, j));
  EXPECT_NEAR(total, 30.0, 1e-4);
}

TEST(PowInt, BinaryPoweringInFloat) {
  EXPECT_EQ(powInt(1.5f, 0), 1.0f);
  EXPECT_EQ(powInt(1.5f, 3), 3.375f);
  EXPECT_EQ(powInt(2.0f, -2), 0.25f);
  const float r = 1.1f;
  EXPECT_EQ(powInt(r, 5), r * (r * r) * (r * r));
}

struct Split {
  std::unique_ptr<TelmState> st = twoLayers(1.0f);
  std::ostringstream console;
  Split() { buildEdgeTable(*st); }
  void run(Point s, Point e, float hs, float he) { splitSegment(*st, 0, s, e, hs, he, console); }
};

TEST(SplitSegment, EqualSizesGiveUniformPieces) {
  Split t;
  t.run({0, 100}, {30, 100}, 3.0f, 3.0f);
  const auto& n = t.st->nodes;
  ASSERT_EQ(n.N, 10);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(n.dL[k], 3.0f);
    EXPECT_EQ(n.x[k], 1.5f + 3.0f * static_cast<float>(k));
    EXPECT_EQ(n.z[k], 100.0f);
    EXPECT_EQ(n.xn[k], 0.0f);
    EXPECT_EQ(n.zn[k], -1.0f);
    EXPECT_EQ(n.q[k], 2.0f * 200.0f / (400.0f * 100.0f));
  }
  // Within 10 %: still uniform, int(L/hs) pieces slightly longer than hs.
  Split near;
  near.run({0, 100}, {30, 100}, 3.2f, 3.0f);
  EXPECT_EQ(near.st->nodes.N, 9);
  EXPECT_EQ(near.st->nodes.dL[0], 30.0f / 9.0f);
}

TEST(SplitSegment, ShortPiecesShrinkOnceThenHalve) {
  Split t;
  // 9 + 9 >= 10: both shrink to 3 and 3 -> uniform int(10/3) = 3 pieces.
  t.run({0, 0}, {10, 0}, 9.0f, 9.0f);
  EXPECT_EQ(t.st->nodes.N, 3);
  Split two;
  // 30 + 30 >= 10: after the shrink 10 + 10 still >= 10 -> two pieces.
  two.run({0, 0}, {10, 0}, 30.0f, 30.0f);
  ASSERT_EQ(two.st->nodes.N, 2);
  EXPECT_EQ(two.st->nodes.dL[0], 5.0f);
  EXPECT_EQ(two.st->nodes.x[1], 7.5f);
  Split floor;
  // Both sizes are raised to 0.01/dens, shrink to a third, and give int(4.5).
  floor.run({0, 0}, {0.015f, 0}, 0.0f, 0.0f);
  EXPECT_EQ(floor.st->nodes.N, 4);
}

TEST(SplitSegment, GeometricRunGrowsFromTheSmallEnd) {
  Split up;
  up.run({0, 50}, {30, 50}, 1.0f, 20.0f);
  Split down;
  down.run({0, 50}, {30, 50}, 20.0f, 1.0f);
  const GeometricRun run = geometricCount(1.0f, 20.0f, 30.0f);
  const auto& u = up.st->nodes;
  const auto& d = down.st->nodes;
  ASSERT_EQ(u.N, run.m + 1);
  ASSERT_EQ(d.N, run.m + 1);
  EXPECT_EQ(u.dL[0], run.a);
  EXPECT_EQ(d.dL[0], run.b);
  float end = 0;
  for (int j = 0; j < u.N; ++j) {
    if (j > 0) {
      EXPECT_GT(u.dL[j], u.dL[j - 1]);
    }
    EXPECT_NEAR(u.x[j], end + u.dL[j] / 2, 1e-4);
    end += u.dL[j];
  }
  EXPECT_NEAR(end, 30.0f, 1e-4);
  for (int j = 1; j < d.N; ++j) EXPECT_LT(d.dL[j], d.dL[j - 1]);
}

TEST(SplitSegment, ContrastCoefficients) {
  Split t;
  t.run({30, 30}, {0, 30}, 3.0f, 3.0f);
  const auto& n = t.st->nodes;
  const float RaIP = 300.0f / (1.0f - 0.01f * 10.0f);
  EXPECT_EQ(n.q[0], 2.0f * (300.0f - 100.0f) / ((300.0f + 100.0f) * 100.0f));
  EXPECT_EQ(n.qIP[0], 2.0f * (RaIP - 100.0f) / ((RaIP + 100.0f) * 100.0f));
  // Normal from body 1 (above) into body 2 (below).
  EXPECT_EQ(n.xn[0], 0.0f);
  EXPECT_EQ(n.zn[0], 1.0f);
}

TEST(NodeTable, ExactlyFullIsAcceptedOneMoreStopsWith199) {
  Split t;
  t.st->nodes.N = maxNodes - 10;
  t.run({0, 100}, {30, 100}, 3.0f, 3.0f);
  EXPECT_EQ(t.st->nodes.N, 4200);
  EXPECT_EQ(t.console.str(), "");
  try {
    t.run({0, 100}, {3, 100}, 2.0f, 2.0f);
    FAIL() << "expected the coded stop";
  } catch (const CodedStop& stop) {
    EXPECT_EQ(stop.code, 199);
  }
  EXPECT_EQ(t.console.str(),
            "\n ERROR: Nel > =4201!!!\n"
            " ====> Error !!! The model is too complex. \n"
            "       Maximal number of nodes is 4200 \n");
  EXPECT_EQ(t.st->nodes.N, 4200);
}

TEST(NodeTable, GeometricPieceReportsItsLastNode) {
  Split t;
  t.st->nodes.N = maxNodes - 3;
  EXPECT_THROW(t.run({0, 50}, {30, 50}, 1.0f, 20.0f), CodedStop);
  EXPECT_NE(t.console.str().find("ERROR: Nel > =4204!!!"), std::string::npos);
  EXPECT_EQ(t.st->nodes.N, maxNodes - 3);
}

TEST(Discretise, EqualPropertiesGiveNoNodes) {
  auto st = twoLayers(1.0f, 100.0f, 0.0f);
  std::ostringstream console;
  discretise(*st, console);
  EXPECT_EQ(st->nodes.N, 0);
  EXPECT_EQ(nodeListing(*st), " Nel =   0\n       X         Z         Q         dL         Xn        Zn\n");
}

TEST(Discretise, ThirdsAreNumberedFirstLastMiddle) {
  auto st = twoLayers(1.0f);
  std::ostringstream console;
  discretise(*st, console);
  // One interface (30,30) -> (0,30), h = 27 everywhere: each third of 10 m
  // shrinks to 9 + 9 and is halved.
  const auto& n = st->nodes;
  ASSERT_EQ(n.N, 6);
  const std::vector<float> centres{n.x[0], n.x[1], n.x[2], n.x[3], n.x[4], n.x[5]};
  EXPECT_NEAR(centres[0], 27.5, 1e-5);
  EXPECT_NEAR(centres[1], 22.5, 1e-5);
  EXPECT_NEAR(centres[2], 7.5, 1e-5);
  EXPECT_NEAR(centres[3], 2.5, 1e-5);
  EXPECT_NEAR(centres[4], 17.5, 1e-5);
  EXPECT_NEAR(centres[5], 12.5, 1e-5);
}

TEST(Discretise, SurfaceEndsOfAVerticalContact) {
  // Entered downwards the contact starts on the surface with 0.5/dens; the
  // first third is a run growing from there.
  auto down = verticalContact(true);
  std::ostringstream console;
  discretise(*down, console);
  ASSERT_EQ(down->nEdges, 1);
  const float z13 = 0.3333333f * 100.0f;
  const GeometricRun fromTop = geometricCount(0.5f, stepAt(*down, 0, {0, z13}), z13);
  EXPECT_EQ(down->nodes.dL[0], fromTop.a);
  EXPECT_EQ(down->nodes.z[0], fromTop.a / 2);

  // Entered upwards it ends on the surface with 0.2/dens: the last third
  // (nodes after the first third) shrinks towards the surface.
  auto up = verticalContact(false);
  discretise(*up, console);
  const float z23 = 100.0f + 0.6666667f * (0.0f - 100.0f);
  const GeometricRun toTop = geometricCount(0.2f, stepAt(*up, 0, {0, z23}), z23);
  const auto& n = up->nodes;
  int top = 0;
  for (int k = 1; k < n.N; ++k) {
    if (n.z[k] < n.z[top]) top = k;
  }
  EXPECT_EQ(n.dL[top], toTop.b * powInt(1.0f / toTop.r, toTop.m));
  EXPECT_NEAR(n.dL[top], 0.2, 0.2 * 0.62);
  EXPECT_NEAR(n.z[top], n.dL[top] / 2, 1e-4);
}

// A survey electrode 20 m deep and d from the contact: the elements next to
// the contact's nearest point are about d/dens long (the thirds alone would
// leave them several metres long there), their lengths grow with the
// distance from that point, and they still fill the contact exactly.
TEST(Discretise, SurveyElectrodeNearAContactGradesTowardItsFoot) {
  for (const float d : {2.0f, 0.5f}) {
    auto st = verticalContact(true);
    st->dens = 8.0f;
    st->refineFlag = 3;
    st->surveyX = st->gradeX = {-d};
    st->surveyZ = st->gradeZ = {20.0f};
    std::ostringstream console;
    discretise(*st, console);
    const auto& n = st->nodes;
    float total = 0.0f;
    float nearest = 1e9f, far = 0.0f;
    for (int k = 0; k < n.N; ++k) {
      total += n.dL[k];
      const float from = std::fabs(n.z[k] - 20.0f);
      if (from < d) nearest = std::min(nearest, n.dL[k]), far = std::max(far, n.dL[k]);
    }
    EXPECT_NEAR(total, 100.0f, 1e-3f) << "d " << d;
    EXPECT_LE(far, 1.5f * d / 8.0f) << "d " << d;
    EXPECT_GE(nearest, 0.5f * d / 8.0f) << "d " << d;
  }
  // Far from the contact the electrode changes nothing: the model's own
  // step there is finer than the electrode's.
  auto plain = verticalContact(true);
  auto far = verticalContact(true);
  far->refineFlag = 3;
  far->surveyX = far->gradeX = {-60.0f};
  far->surveyZ = far->gradeZ = {20.0f};
  std::ostringstream console;
  discretise(*plain, console);
  discretise(*far, console);
  EXPECT_EQ(far->nodes.N, plain->nodes.N);
}

// A survey-sized mesh of a 3 m interface 2 km long under electrodes from
// -20 to 20 m, with a vertical contact below it at x = 500: the elements
// tile the interface end to end, neighbours differ by no more than the law's
// gradient, no element is much longer or shorter than the law at its centre
// (graded toward the junction), under the line they are the depth law's and
// far from it twice that, so the interface takes about half the depth law's
// nodes.
void surveySizedMeshFollowsItsLaw(float dens) {
  const float depth = 3.0f, contactX = 500.0f;
  auto st = model(dens,
                  {{-1000, 0}, {1000, 0}, {1000, depth}, {contactX, depth}, {-1000, depth}, {1000, 60},
                   {contactX, 60}, {-1000, 60}},
                  {{100.0f, 0.0f, {1, 2, 3, 4, 5}}, {10.0f, 0.0f, {5, 4, 7, 8}}, {30.0f, 0.0f, {4, 3, 6, 7}}});
  st->refineFlag = 3;
  st->gradedCorners = true;
  for (int k = -10; k <= 10; ++k) {
    st->surveyX.push_back(2.0f * static_cast<float>(k));
    st->surveyZ.push_back(0.0f);
  }
  st->gradeX = st->surveyX;
  st->gradeZ = st->surveyZ;
  auto depthSized = std::make_unique<TelmState>(*st);
  st->electrodeReach = surveyElectrodeReach;
  std::ostringstream console;
  discretise(*st, console);
  discretise(*depthSized, console);
  const auto& n = st->nodes;
  const auto law = [&](float x) {
    float nearest = 1e9f;
    for (const float e : st->surveyX) nearest = std::min(nearest, std::hypot(x - e, depth));
    return 0.9f * std::max(depth, std::min(0.5f * nearest, 2.0f * depth)) / dens;
  };
  std::vector<int> order;
  for (int k = 0; k < n.N; ++k) {
    if (n.zn[k] != 0.0f) order.push_back(k);  // the horizontal interface
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) { return n.x[a] < n.x[b]; });
  double total = 0.0;
  for (std::size_t j = 0; j < order.size(); ++j) {
    const int k = order[j];
    total += static_cast<double>(n.dL[k]);
    EXPECT_LE(n.dL[k], 1.25f * law(n.x[k])) << "dens " << dens << " x " << n.x[k];
    const float corner = std::fabs(n.x[k] - contactX) / std::max(3.0f * dens, 1.0f);
    EXPECT_GE(n.dL[k], 0.5f * std::min(law(n.x[k]), corner)) << "dens " << dens << " x " << n.x[k];
    if (std::fabs(n.x[k]) < 20.0f) {
      EXPECT_NEAR(n.dL[k], 0.9f * depth / dens, 0.1f * depth / dens) << "dens " << dens << " x " << n.x[k];
    }
    if (std::fabs(n.x[k]) > 100.0f && std::fabs(n.x[k]) < 990.0f && corner > 1.5f * law(n.x[k])) {
      EXPECT_NEAR(n.dL[k], 1.8f * depth / dens, 0.2f * depth / dens) << "dens " << dens << " x " << n.x[k];
    }
    if (j == 0) continue;
    const int before = order[j - 1];
    EXPECT_NEAR(n.x[k] - n.x[before], 0.5f * (n.dL[k] + n.dL[before]), 1e-3f) << "dens " << dens << " x " << n.x[k];
    EXPECT_LE(std::max(n.dL[k], n.dL[before]) / std::min(n.dL[k], n.dL[before]), 1.0f + 1.0f / dens)
        << "dens " << dens << " x " << n.x[k];
  }
  EXPECT_NEAR(total, 2000.0, 1e-2);
  EXPECT_LT(n.N, depthSized->nodes.N * 6 / 10);
}


TEST(Discretise, SurveySizedMeshFollowsItsLaw) {
  for (const float dens : {2.0f, 0.15f}) {
    surveySizedMeshFollowsItsLaw(dens);
  }
}

TEST(Discretise, NodeListingLayout) {
  auto st = twoLayers(1.0f);
  std::ostringstream console;
  discretise(*st, console);
  const std::string text = nodeListing(*st);
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
            " Nel =   6\n       X         Z         Q         dL         Xn        Zn\n");
  EXPECT_NE(text.find("\n  0.275E+02  0.300E+02   0.01000  0.500E+01  0.000E+00  0.100E+01\n"), std::string::npos);
}

}  // namespace
}  // namespace telm
