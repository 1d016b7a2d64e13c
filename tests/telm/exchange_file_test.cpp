// Surface lists and the text of varga.xy, byte for byte on a small model.
#include "telm/exchange_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

#include "common/record_reader.h"
#include "telm/contrast_fields.h"
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

// Three layers, 30 m each; with dens 1 an interface between two of them is
// cut into 6 nodes.
TEST(ExchangeFile, ContrastBeyondItsFieldStopsAndRoundingIsReported) {
  struct Row {
    const char* name;
    float Ro[3], eta[3];
    bool survey;
    const char* error;     // the message, or "" when the file can be written
    const char* warnings;  // on standard error
  };
  const char* const rounding =
      "telm: warning: varga.xy: its 9 decimals round q or qIP of 6 nodes by more than 1e-5 of their value, by "
      "up to 0.05 % (q = 6.66667e-07 of the interface between body 1 (Ro = 1e+06) and body 2 (Ro = 2e+06), "
      "written 0.000000667); ";
  const Row rows[] = {
      {"ordinary resistivities", {100, 300, 1000}, {0, 10, 0}, false, "", ""},
      {"q of 2000 fits", {0.001f, 1000, 1000}, {0, 0, 0}, false, "", ""},
      // 9 decimals move q = 2e-7 by 1e-4 of itself, but by far less than the
      // coefficients of real contrasts at 1000 ohm-m could be moved.
      {"weak contrast at 1000 ohm-m", {1000, 1000.2f, 1000.2f}, {0, 0, 0}, false, "", ""},
      {"q of -1636 does not",
       {0.001f, 0.0001f, 0.0001f},
       {0, 0, 0},
       false,
       "model.dat: the interface between body 1 (Ro = 0.001) and body 2 (Ro = 0.0001) has q = -1636.36, too "
       "large for the 14 columns of varga.xy (-999.999999999 to 9999.999999999): q = 2(Ra - Rb)/((Ra + Rb) "
       "Ro(1)) grows as the reference resistivity Ro(1) = 0.001 shrinks; scale every resistivity up (the "
       "apparent resistivities scale with them) or number a body of larger resistivity 1",
       ""},
      {"qIP of -1363 does not, q of -901 does",
       {0.001f, 0.001f, 0.000379f},
       {0, 50, 0},
       false,
       "model.dat: the interface between body 2 (RO_IP = 0.002) and body 3 (RO_IP = 0.000379) has qIP = "
       "-1362.76, too large for the 14 columns of varga.xy (-999.999999999 to 9999.999999999): qIP = 2(Ra - "
       "Rb)/((Ra + Rb) RO_IP(1)), from the polarised resistivities RO_IP = Ro/(1 - 0.01 eta), grows as the "
       "reference resistivity RO_IP(1) = 0.001 shrinks; scale every resistivity up (the apparent resistivities "
       "scale with them) or number a body of larger resistivity 1",
       ""},
      {"q of 6.7e-7 for the fixed kinds", {1e6f, 2e6f, 2e6f}, {0, 0, 0}, false, "", "fixed"},
      {"q of 6.7e-7 for korvis --survey", {1e6f, 2e6f, 2e6f}, {0, 0, 0}, true, "", "survey"},
  };
  for (const Row& row : rows) {
    auto st = model({{0, 0}, {30, 0}, {30, 30}, {0, 30}, {30, 60}, {0, 60}, {30, 90}, {0, 90}},
                    {{1, 2, 3, 4}, {4, 3, 5, 6}, {6, 5, 7, 8}});
    st->keyIP = 1;
    for (std::size_t i = 0; i < 3; ++i) {
      st->model.Ro[i] = row.Ro[i];
      st->eta[i] = row.eta[i];
      st->model.RO_IP[i] = row.Ro[i] / (1.0f - 0.01f * row.eta[i]);
    }
    std::ostringstream console, warnings;
    discretise(*st, console);
    std::string error;
    try {
      checkContrastFields(*st, row.survey, warnings);
    } catch (const common::InputError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, row.error) << row.name;
    std::string expected = row.warnings;
    if (expected == "fixed") {
      expected = std::string(rounding) +
                 "the fixed kinds of korvis compute with the rounded values; to avoid that, scale every "
                 "resistivity down (the apparent resistivities scale with them)\n";
    } else if (expected == "survey") {
      expected = std::string(rounding) + "korvis --survey recomputes them exactly from the bodies' resistivities\n";
    }
    EXPECT_EQ(warnings.str(), expected) << row.name;
  }
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
