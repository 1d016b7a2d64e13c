// Surface lists and the text of varga.xy, byte for byte on a small model.
#include "telm/exchange_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "common/record_reader.h"
#include "telm/discretisation.h"

namespace telm {
namespace {

struct Vertex {
  float x, z;
};

std::unique_ptr<TelmState> model(const std::vector<Vertex>& vertices, const std::vector<std::vector<int>>& rings) {
  auto st = std::make_unique<TelmState>();
  st->modelFileName = "model.dat";
  st->dens = 1;
  st->model.nP = static_cast<int>(vertices.size());
  for (std::size_t j = 0; j < vertices.size(); ++j) {
    st->model.xp[j] = vertices[j].x;
    st->model.zp[j] = vertices[j].z;
  }
  st->model.nT = static_cast<int>(rings.size());
  for (std::size_t i = 0; i < rings.size(); ++i) {
    st->model.Ro[i] = 100.0f * static_cast<float>(i + 1);
    st->model.RO_IP[i] = st->model.Ro[i];
    st->model.nVer[i] = static_cast<int>(rings[i].size());
    for (std::size_t k = 0; k < rings[i].size(); ++k) st->model.vertexRing[i][k] = rings[i][k];
  }
  return st;
}

std::vector<int> surfaceList(const TelmState& st) {
  return {st.model.surfaceList.begin(), st.model.surfaceList.begin() + st.model.nPOnSurface};
}

std::vector<int> surfaceBodies(const TelmState& st) {
  return {st.model.surfaceBodies.begin(), st.model.surfaceBodies.begin() + st.model.nSurfaceBodies};
}

TEST(SurfaceLists, DepthThresholdAndStableOrderByX) {
  // Vertex 2 lies just above 0.001 (a surface vertex), vertex 5 exactly at
  // 0.001 (not one); vertices 4 and 6 share x and keep their number order,
  // negative depths count.
  auto st = model({{50, 0}, {10, 0.00099f}, {-20, -1}, {30, 0}, {0, 0.001f}, {30, 0}}, {});
  std::ostringstream warnings;
  buildSurfaceLists(*st, warnings);
  EXPECT_EQ(surfaceList(*st), (std::vector<int>{3, 2, 4, 6, 1}));
}

TEST(SurfaceLists, BodyUnderEachSegmentFollowsTheOrientation) {
  // Two blocks side by side, both clockwise: the top sides run 1->2 and 2->3.
  auto st = model({{0, 0}, {10, 0}, {20, 0}, {20, 10}, {10, 10}, {0, 10}}, {{1, 2, 5, 6}, {2, 3, 4, 5}});
  std::ostringstream warnings;
  buildSurfaceLists(*st, warnings);
  EXPECT_EQ(surfaceList(*st), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(surfaceBodies(*st), (std::vector<int>{1, 2}));
  EXPECT_EQ(warnings.str(), "");
}

TEST(SurfaceLists, WrongOrientationIsKeptAndReported) {
  // Body 2 runs anticlockwise: segment 2->3 has no body, and body 1's
  // duplicate gives segment 1->2 two.
  auto st = model({{0, 0}, {10, 0}, {20, 0}, {20, 10}, {10, 10}, {0, 10}},
                  {{1, 2, 5, 6}, {5, 4, 3, 2}, {1, 2, 5, 6}});
  std::ostringstream warnings;
  buildSurfaceLists(*st, warnings);
  EXPECT_EQ(surfaceBodies(*st), (std::vector<int>{1, 3}));
  EXPECT_EQ(warnings.str(),
            "telm: warning: surface segment from vertex 1 to vertex 2 lies under 2 bodies; "
            "check that the outlines run clockwise\n"
            "telm: warning: surface segment from vertex 2 to vertex 3 lies under 0 bodies; "
            "check that the outlines run clockwise\n");
}

TEST(SurfaceLists, SurfaceBodiesBeyondCapacityAreRejected) {
  // 50 surface vertices and 49 segments, each claimed by two identical bodies.
  std::vector<Vertex> vertices;
  for (int k = 0; k < 50; ++k) vertices.push_back({static_cast<float>(k), 0});
  vertices.push_back({0, 10});
  std::vector<int> ring;
  for (int k = 1; k <= 40; ++k) ring.push_back(k);
  ring.push_back(51);
  auto st = model(vertices, {ring, ring});
  std::ostringstream warnings;
  EXPECT_THROW(buildSurfaceLists(*st, warnings), common::InputError);
}

TEST(ExchangeFile, SmallModelByteForByte) {
  // Two layers: body 1 (100 ohm-m) over body 2 (300 ohm-m, eta 10 %).
  auto st = model({{0, 0}, {30, 0}, {30, 30}, {0, 30}, {30, 60}, {0, 60}}, {{1, 2, 3, 4}, {4, 3, 5, 6}});
  st->keyIP = 1;
  st->model.Ro[1] = 300.0f;
  st->eta[1] = 10.0f;
  st->model.RO_IP[1] = 300.0f / (10.0f * (-0.01f) + 1.0f);
  std::ostringstream console;
  discretise(*st, console);
  buildSurfaceLists(*st, console);
  // One interface at z = 30 from x = 30 to 0, h = 27: each third of 10 m
  // becomes two nodes, numbered first third, last third, middle third.
  const std::string node =
      "     30.00000      5.0000000    0.000000000    1.000000000    0.010000000    0.010769230 x z dL xn zn q qIP\n";
  EXPECT_EQ(exchangeFileText(*st),
            "           6           2           2           1 nP,nT, nPOnSurface,keyIP\n"
            "           1           2 [Surfase]\n"
            "           1\n"
            "      100.000000      100.000000           4 Ro, RO_IP nVer\n"
            "           1           2           3           4           1\n"
            "      300.000000      333.333344           4 Ro, RO_IP nVer\n"
            "           4           3           5           6           4\n"
            "    0.000000E+00    0.000000E+00  xp, zp\n"
            "       30.000000    0.000000E+00  xp, zp\n"
            "       30.000000       30.000000  xp, zp\n"
            "    0.000000E+00       30.000000  xp, zp\n"
            "       30.000000       60.000000  xp, zp\n"
            "    0.000000E+00       60.000000  xp, zp\n"
            "           6 N cells\n"
            "    27.50000" + node + "    22.50000" + node + "     7.50000" + node + "     2.50000" + node +
            "    17.50000" + node + "    12.50000" + node);
}

TEST(ExchangeFile, SingleSurfaceVertexGivesAnEmptyBodiesRecord) {
  auto st = model({{0, 0}, {10, 5}, {0, 10}}, {{1, 2, 3}});
  std::ostringstream console;
  buildSurfaceLists(*st, console);
  const std::string text = exchangeFileText(*st);
  EXPECT_EQ(text.substr(0, text.find(" Ro, RO_IP")),
            "           3           1           1           0 nP,nT, nPOnSurface,keyIP\n"
            "           1 [Surfase]\n"
            "\n"
            "      100.000000      100.000000           3");
  // The closing repeat is stored when the file is written.
  EXPECT_EQ(st->model.vertexRing[0][3], 1);
}

}  // namespace
}  // namespace telm
