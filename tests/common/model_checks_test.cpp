// The geometry checks on small models: what each shape gives, and the
// tolerance that keeps close but distinct points apart.
#include "common/model_checks.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "outline_model.h"

namespace common {
namespace {

using testing::Outline;

ModelGeometry model(const std::vector<std::pair<float, float>>& vertices, const std::vector<Outline>& outlines) {
  return testing::outlineModel(vertices, outlines);
}

std::string findingsText(const ModelGeometry& m) {
  Findings out;
  checkGeometry(m, "m.dat", "", out);
  std::string text;
  for (const Finding& f : out) text += (f.severity == Severity::error ? "E " : "W ") + f.message + "\n";
  return text;
}

TEST(GeometryChecks, EachShapeGivesItsFinding) {
  // A 100 x 50 box from the surface down (vertices 1-4) and a 10 x 10 square
  // (vertices 5-8) inside it at depth 20.
  const std::vector<std::pair<float, float>> box{{-50, 0}, {50, 0}, {50, 50}, {-50, 50},
                                                 {-5, 20}, {5, 20}, {5, 30}, {-5, 30}};
  const std::string advice =
      "; every piece of ground belongs to one body, and bodies that touch share the vertices of their common sides\n";
  const struct {
    const char* what;
    std::vector<std::pair<float, float>> vertices;
    std::vector<Outline> outlines;
    std::string expected;  // every finding; "" for none
  } cases[] = {
      {"a box", box, {{1, 2, 3, 4}}, ""},
      {"a body inside another without a hole", box, {{1, 2, 3, 4}, {5, 6, 7, 8}},
       "E m.dat: body 2 lies inside body 1: an outline cannot have a hole; split body 1 into two bodies around body "
       "2 that share its vertices (as examples/chargeable-body does)\n"},
      {"the host split round the square",
       {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {-5, 20}, {5, 20}, {5, 30}, {-5, 30}, {50, 20}, {-50, 20}},
       {{1, 2, 9, 6, 5, 10}, {10, 5, 8, 7, 6, 9, 3, 4}, {5, 6, 7, 8}}, ""},
      {"the same outline twice", box, {{1, 2, 3, 4}, {1, 2, 3, 4}},
       "E m.dat: bodies 1 and 2 overlap: both outlines run along their side 1-2 (-50, 0)-(50, 0) the same way, so "
       "both bodies lie on the same side" + advice +
           "E m.dat: the ground surface from vertex 1 (-50, 0) to vertex 2 (50, 0) lies under 2 bodies (1 and 2): "
           "only the body below it may list that side\n"},
      // The host goes round the square through a slit from vertex 1: the
      // slit's sides lie on each other, which is no crossing.
      {"a host with a slit round an inclusion", box, {{1, 2, 3, 4, 1, 5, 8, 7, 6, 5}, {5, 6, 7, 8}}, ""},
      {"a vertex 1 cm beside a side", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {0, 50.01f}, {0, 60}},
       {{1, 2, 3, 4}, {4, 5, 3, 6}}, ""},
      {"a vertex 1 cm inside", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {0, 49.99f}, {0, 60}},
       {{1, 2, 3, 4}, {4, 5, 3, 6}},
       "E m.dat: bodies 1 and 2 overlap: vertex 5 (0, 49.99) of body 2 lies inside body 1" + advice},
      {"a side through another body", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {50, 60}},
       {{1, 2, 3, 4}, {4, 2, 5}},
       "E m.dat: bodies 1 and 2 overlap: the side 3-4 (50, 50)-(-50, 50) of body 1 runs inside body 2 through (0, 50)" +
           advice +
           "E m.dat: sides pass vertices of other bodies that their outlines do not list, so no interface is formed "
           "along them: the side 2-5 (50, 0)-(50, 60) of body 2 passes 3 (50, 50) (write 2 3 5 in its outline)\n"},
      {"a vertex on a side", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {0, 50.0005f}, {0, 60}},
       {{1, 2, 3, 4}, {4, 5, 3, 6}},
       "E m.dat: sides pass vertices of other bodies that their outlines do not list, so no interface is formed "
       "along them: the side 3-4 (50, 50)-(-50, 50) of body 1 passes 5 (0, 50.0005) (write 3 5 4 in its outline)\n"},
      {"a sliver of no area", {{-50, 0}, {50, 0}, {0, 0}}, {{1, 2, 3}},
       "E m.dat: body 1 (outline 1 2 3) encloses no area: its vertices lie on one line\n"},
      {"two vertices", box, {{1, 2}}, "E m.dat: body 1 (outline 1 2) has fewer than 3 vertices: an outline needs at least 3\n"},
      {"the lower layer numbered 1", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {50, 60}, {-50, 60}},
       {{4, 3, 5, 6}, {1, 2, 3, 4}},
       "W m.dat: body 1 does not lie under the ground surface (body 2 does): the reference resistivity is Ro(1), and "
       "with only two surface vertices every surface electrode takes Ro(1) as well; number the body under the "
       "surface 1\n"},
      {"two bodies side by side at the surface", {{-50, 0}, {0, 0}, {50, 0}, {50, 50}, {0, 50}, {-50, 50}},
       {{2, 3, 4, 5}, {1, 2, 5, 6}}, ""},
      {"two outlines along one stretch of surface", {{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {50, 60}, {-50, 60}},
       {{1, 2, 3, 4}, {1, 2, 5, 6}},
       "E m.dat: bodies 1 and 2 overlap: the side 3-4 (50, 50)-(-50, 50) of body 1 runs inside body 2 through "
       "(0, 50)" + advice +
           "E m.dat: the ground surface from vertex 1 (-50, 0) to vertex 2 (50, 0) lies under 2 bodies (1 and 2): "
           "only the body below it may list that side\n"
           "E m.dat: sides pass vertices of other bodies that their outlines do not list, so no interface is formed "
           "along them: the side 2-5 (50, 0)-(50, 60) of body 2 passes 3 (50, 50) (write 2 3 5 in its outline); the "
           "side 6-1 (-50, 60)-(-50, 0) of body 2 passes 4 (-50, 50) (write 6 4 1 in its outline)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(findingsText(model(c.vertices, c.outlines)), c.expected);
  }
}

// Thin and wide bodies that meet at shared sides and at vertices on sides
// are no overlap, however thin against the model's size; a real overlap of
// a few millimetres is one. The tolerance is max(1 mm, 1e-6 of the model's
// size).
TEST(GeometryChecks, OverlapIsExactForThinAndWideBodies) {
  const std::string advice =
      "; every piece of ground belongs to one body, and bodies that touch share the vertices of their common sides\n";
  // A 20 m dyke under a 10 m cover, the model 12 km wide: cover, host round
  // the dyke's notch, dyke.
  const std::vector<Outline> dykeUnderCover{{1, 2, 3, 4, 5, 6}, {6, 5, 10, 9, 4, 3, 7, 8}, {5, 4, 9, 10}};
  const auto covered = [](float half) {
    return std::vector<std::pair<float, float>>{{-half, 0},  {half, 0},  {half, 10},  {10, 10},   {-10, 10},
                                                {-half, 10}, {half, 200}, {-half, 200}, {10, 100}, {-10, 100}};
  };
  // A dyke 1 cm wide from the surface to 100 m between two hosts, 1 km
  // wide; in `overlapped` vertices 9 and 10 stand 5 mm inside the dyke.
  const std::vector<std::pair<float, float>> dyke{{-500, 0},   {-0.005f, 0},   {0.005f, 0},  {500, 0},
                                                  {500, 100}, {0.005f, 100}, {-0.005f, 100}, {-500, 100}};
  auto overlapped = dyke;
  overlapped.insert(overlapped.end(), {{0, 0}, {0, 100}});
  const struct {
    const char* what;
    std::vector<std::pair<float, float>> vertices;
    std::vector<Outline> outlines;
    std::string expected;
  } cases[] = {
      {"the survey example's dyke", covered(500), dykeUnderCover, ""},
      {"the same model 12 km wide", covered(6000), dykeUnderCover, ""},
      {"the same model 200 km wide", covered(100000), dykeUnderCover, ""},
      {"a dyke 1 cm wide", dyke, {{1, 2, 7, 8}, {2, 3, 6, 7}, {3, 4, 5, 6}}, ""},
      {"a cover 1 cm thick on a 1 km model", {{-500, 0}, {500, 0}, {500, 0.01f}, {-500, 0.01f}, {500, 100}, {-500, 100}},
       {{1, 2, 3, 4}, {4, 3, 5, 6}}, ""},
      // The right host reaches 5 mm into the dyke, so its top and bottom
      // also pass the dyke's corners, and the surface from 3 to 4 is left to
      // no body.
      {"a dyke 1 cm wide overlapped by 5 mm", overlapped, {{1, 2, 7, 8}, {2, 9, 3, 6, 10, 7}, {9, 4, 5, 10}},
       "E m.dat: bodies 2 and 3 overlap: the side 3-6 (0.005, 0)-(0.005, 100) of body 2 runs inside body 3 through "
       "(0.005, 50)" + advice +
           "E m.dat: the ground surface from vertex 3 (0.005, 0) to vertex 4 (500, 0) lies under no body: the body "
           "below it must list vertex 3 and then vertex 4 in its outline (vertices with z below 0.001 all count as "
           "lying on the surface)\n"
           "E m.dat: sides pass vertices of other bodies that their outlines do not list, so no interface is formed "
           "along them: the side 9-4 (0, 0)-(500, 0) of body 3 passes 3 (0.005, 0) (write 9 3 4 in its outline); the "
           "side 5-10 (500, 100)-(0, 100) of body 3 passes 6 (0.005, 100) (write 5 6 10 in its outline)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(findingsText(model(c.vertices, c.outlines)), c.expected);
  }
}

// A shared vertex left out of an outline loses the interface along that
// side: one error lists every such vertex of every side, in order along the
// side, with the run of numbers to write.
TEST(GeometryChecks, EveryVertexMissingFromAnOutlineIsListed) {
  // The guide's tutorial: top layer, second layer, host, block; vertex 13
  // halves the block's bottom in the host's outline.
  const std::vector<std::pair<float, float>> vertices{
      {-400, 0}, {400, 0},  {400, 5},  {-400, 5},  {400, 15},   {-400, 15}, {-20, 15},
      {20, 15},  {20, 45},  {-20, 45}, {400, 200}, {-400, 200}, {0, 45}};
  const Outline top{1, 2, 3, 4}, host{6, 7, 10, 13, 9, 8, 5, 11, 12};
  EXPECT_EQ(findingsText(model(vertices, {top, {4, 3, 5, 8, 7, 6}, host, {7, 8, 9, 13, 10}})), "");
  EXPECT_EQ(findingsText(model(vertices, {top, {4, 3, 5, 6}, host, {7, 8, 9, 10}})),
            "E m.dat: sides pass vertices of other bodies that their outlines do not list, so no interface is formed "
            "along them: the side 5-6 (400, 15)-(-400, 15) of body 2 passes 8 (20, 15) and 7 (-20, 15) (write 5 8 7 6 "
            "in its outline); the side 9-10 (20, 45)-(-20, 45) of body 4 passes 13 (0, 45) (write 9 13 10 in its "
            "outline)\n");
}

// Errors come before warnings, and bytes from a file that a terminal would
// act on (control characters, broken UTF-8) are shown escaped.
TEST(PrintFindings, ErrorsFirstAndFileBytesEscaped) {
  std::ostringstream out;
  printFindings({{Severity::warning, "s.dat: electrode \"\x1b[2J\""}, {Severity::error, "m.dat: body 2 \xff"}},
                "telm", out);
  EXPECT_EQ(out.str(), "telm: error: m.dat: body 2 \\xFF\ntelm: warning: s.dat: electrode \"\\x1B[2J\"\n");
}

}  // namespace
}  // namespace common
