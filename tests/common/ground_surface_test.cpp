// The ground surface of models with relief: the line found from the outer
// sides, its depths and opening angles, the checks in the relief mode, and
// where a survey's electrodes are placed on it.
#include "common/ground_surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "common/model_checks.h"
#include "common/record_reader.h"
#include "common/survey_checks.h"

#include "outline_model.h"

namespace common {
namespace {

using testing::Outline;

ModelGeometry model(const std::vector<std::pair<float, float>>& vertices, const std::vector<Outline>& outlines) {
  return testing::outlineModel(vertices, outlines);
}

// A ridge 10 m high at x = 0 over two bodies split at x = 20, a step down
// of 2 m at x = 20 (a vertical side of the surface), down to 100 m.
ModelGeometry ridge() {
  return model({{-100, 0}, {0, -10}, {20, 0}, {20, 2}, {100, 2}, {100, 100}, {20, 100}, {-100, 100}},
               {{1, 2, 3, 4, 7, 8}, {4, 5, 6, 7}});
}

TEST(GroundSurface, LineDepthsAndAngles) {
  GroundSurface g;
  std::string problem;
  ASSERT_TRUE(findGroundSurface(ridge(), g, problem)) << problem;
  EXPECT_EQ(g.vertices, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(g.bodies, (std::vector<int>{1, 1, 1, 2}));
  EXPECT_DOUBLE_EQ(g.top(), -10.0);
  EXPECT_FALSE(g.flat());
  const double pi = std::numbers::pi;
  const struct {
    double x, depth, angle;
  } rows[] = {
      {-100, 0, pi + std::atan(0.1)},  {-50, -5, pi},
      {0, -10, pi - 2 * std::atan(0.1) - (std::atan(0.5) - std::atan(0.1))},
      {10, -5, pi},   {60, 2, pi},  {100, 2, pi},  {200, 2, pi},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(g.depthAt(r.x), r.depth, 1e-12) << "depth at " << r.x;
    EXPECT_NEAR(g.openingAngle(r.x), r.angle, 1e-12) << "angle at " << r.x;
  }
  EXPECT_TRUE(hasRelief(ridge()));
  EXPECT_FALSE(hasRelief(model({{-50, 0}, {50, 0}, {50, 50}, {-50, 50}}, {{1, 2, 3, 4}})));
}

TEST(GroundSurface, ChecksOfAModelWithRelief) {
  const struct {
    const char* what;
    ModelGeometry m;
    bool relief;
    std::string expected;  // the first finding, "" for none
  } cases[] = {
      {"a ridge", ridge(), true, ""},
      {"a ridge outside the survey mode", ridge(), false,
       "E m.dat: vertex 2 (0, -10) lies above the ground surface: the method mirrors the sources in a flat surface "
       "at z = 0 (z is depth, positive downwards); give it z = 0 or a depth below the surface, or model the relief "
       "with a survey file (--survey)"},
      {"a body floating above the ground",
       model({{-50, 0}, {50, 0}, {50, 50}, {-50, 50}, {-5, -20}, {5, -20}, {5, -10}, {-5, -10}},
             {{1, 2, 3, 4}, {5, 6, 7, 8}}),
       true,
       "E m.dat: the side of body 2 from vertex 5 (x -5, z -20) to vertex 6 (x 5, z -20) faces up but is not on the "
       "ground surface that runs from (x -50, z 0) to (x 50, z 0): the surface must be one line from the model's left "
       "end to its right end, with no overhang and no body above another's outer side"},
  };
  for (const auto& c : cases) {
    Findings out;
    checkGeometry(c.m, "m.dat", "", out, c.relief);
    const std::string first = out.empty() ? "" : (out[0].severity == Severity::error ? "E " : "W ") + out[0].message;
    EXPECT_EQ(first, c.expected) << c.what;
  }
}

TEST(GroundSurface, ElectrodesPlacedOnTheSurface) {
  const ModelGeometry m = ridge();
  GroundSurface g;
  std::string problem;
  ASSERT_TRUE(findGroundSurface(m, g, problem));
  const auto inside = [](double, double) { return true; };
  const struct {
    const char* what;
    double x, z;  // elevation in the file
    bool drape;
    double depth;  // where it is placed
    bool onSurface;
    int moved;
    std::string error;
  } rows[] = {
      {"on the flank", -50, 5, false, -5, true, 0, ""},
      {"within the tolerance", -50, 5.0005, false, -5, true, 0, ""},
      {"buried under the crest", 0, 4, false, -4, false, 0, ""},
      {"x only, draped", 10, 0, true, -5, true, 1, ""},
      {"above the flank, draped", -50, 7, true, -5, true, 1, ""},
      {"above the flank",
       -50, 7, false, 0, false, 0,
       "s.dat, line 3: electrode 1 at x -50, z 7: expected a place on or below the ground surface of m.dat, found it "
       "2 m above it (the surface's elevation at x -50 is 5; z is the elevation, up positive); give the surface's "
       "elevation, or run with --drape to place the electrodes on the surface"},
  };
  for (const auto& r : rows) {
    SurveyData s;
    s.electrodes = {{r.x, 0.0, r.z, 3}, {60.0, 0.0, -2.0, 4}};
    s.data = {{1, 0, 2, 0, {}, 6}};
    ReliefPlacement placement{&g, r.drape, {}, 0};
    if (!r.error.empty()) {
      try {
        checkSurveyAgainstModel(m, s, "s.dat", "m.dat", inside, &placement);
        ADD_FAILURE() << r.what << ": no error";
      } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), r.error) << r.what;
      }
      continue;
    }
    const std::vector<SurveyPlace> places = checkSurveyAgainstModel(m, s, "s.dat", "m.dat", inside, &placement);
    EXPECT_NEAR(places[0].depth, r.depth, 1e-12) << r.what;
    EXPECT_EQ(placement.onSurface[0] != 0, r.onSurface) << r.what;
    EXPECT_EQ(placement.moved, r.moved) << r.what;
    EXPECT_EQ(placement.onSurface[1], 1) << r.what << ": the electrode on the step's lower side";
  }

  // x only (z = 0) under the crest, without --drape: buried, with a warning.
  SurveyData s;
  s.electrodes = {{0.0, 0.0, 0.0, 3}, {10.0, 0.0, 0.0, 4}, {60.0, 0.0, -2.0, 5}};
  s.data = {{1, 2, 3, 0, {}, 7}};
  ReliefPlacement placement{&g, false, {}, 0};
  checkSurveyAgainstModel(m, s, "s.dat", "m.dat", inside, &placement);
  EXPECT_EQ(buriedAtZeroWarning(placement, s, "s.dat"),
            "s.dat, line 3: electrode 1 at x 0, z 0 (and 1 more at z 0) lies 10 m below the ground surface and is "
            "modelled as a buried electrode; if the file gives x only, run with --drape to place the electrodes on "
            "the surface");
}

}  // namespace
}  // namespace common
