#include "section/configuration.h"

#include <gtest/gtest.h>

#include <cmath>

namespace section {
namespace {

Electrode at(double x, double z = 0.0) { return {x, z, false}; }
const Electrode remote{};

// Median depths of investigation as Edwards (1977) tabulates them, in units
// of the electrode spacing a (three digits).
TEST(MedianDepth, EdwardsTableForSurfaceArrays) {
  struct Row {
    const char* array;
    Configuration c;
    double zOverA;
  };
  const Row rows[] = {
      {"pole-pole", {at(0), remote, at(1), remote}, 0.867},
      {"Wenner", {at(0), at(3), at(1), at(2)}, 0.519},
      {"Wenner-Schlumberger n=2", {at(0), at(5), at(2), at(3)}, 0.925},
      {"dipole-dipole n=1", {at(1), at(0), at(2), at(3)}, 0.416},
      {"dipole-dipole n=2", {at(1), at(0), at(3), at(4)}, 0.697},
      {"dipole-dipole n=4", {at(1), at(0), at(5), at(6)}, 1.220},
      {"pole-dipole n=1", {at(0), remote, at(1), at(2)}, 0.519},
      {"pole-dipole n=2", {at(0), remote, at(2), at(3)}, 0.925},
  };
  for (const auto& row : rows) {
    EXPECT_NEAR(medianDepth(row.c), row.zOverA, 0.0015) << row.array;
    // Scale-free, and the same along a borehole (the depth is then the
    // distance from it).
    Configuration scaled = row.c, borehole = row.c;
    for (Electrode* e : {&scaled.a, &scaled.b, &scaled.m, &scaled.n}) e->x *= 10.0;
    for (Electrode* e : {&borehole.a, &borehole.b, &borehole.m, &borehole.n}) *e = {5.0, e->x + 20.0, e->remote};
    EXPECT_NEAR(medianDepth(scaled), 10.0 * medianDepth(row.c), 1e-9) << row.array;
    EXPECT_NEAR(medianDepth(borehole), medianDepth(row.c), 1e-9) << row.array;
  }
}

TEST(PlaceConfiguration, MidpointOfCurrentAndPotentialCentres) {
  struct Row {
    const char* array;
    Configuration c;
    bool vertical;
    double along, depth;
  };
  Configuration gradient{at(-10), remote, at(0), remote, true};
  Configuration hole{{30, 40, false}, remote, {30, 50, false}, remote, true, 0.0, 1.0};
  const Row rows[] = {
      {"Schlumberger centred at 7", {at(2), at(12), at(6), at(8)}, false, 7.0, NAN},
      {"pole-dipole", {at(0), remote, at(2), at(4)}, false, 1.5, 0.519 * 2},
      {"dipole-dipole, B first", {at(10), at(0), at(30), at(40)}, false, 20.0, 0.697 * 10},
      {"pole and point receiver", gradient, false, -5.0, NAN},
      {"along a borehole", hole, true, 45.0, NAN},
      {"buried line", {at(0, 20), remote, at(10, 20), remote}, false, 5.0, 20 + 0.866 * 10},
  };
  for (const auto& row : rows) {
    const auto p = placeConfiguration(row.c);
    ASSERT_TRUE(p.valid) << row.array;
    EXPECT_EQ(p.vertical, row.vertical) << row.array;
    EXPECT_NEAR(p.along, row.along, 1e-9) << row.array;
    if (!std::isnan(row.depth)) {
      EXPECT_NEAR(p.depth, row.depth, 0.02) << row.array;
    }
  }
  // Vertical dipoles side by side at one depth give no signal along a line.
  EXPECT_FALSE(placeConfiguration({at(0, 10), at(0, 30), at(5, 10), at(5, 30)}).valid);
}

TEST(DipoleDipoleLevel, GapOverTheDipoleLength) {
  struct Row {
    const char* array;
    Configuration c;
    double n;
  };
  const Row rows[] = {
      {"n = 1", {at(5), at(0), at(10), at(15)}, 1.0},
      {"n = 3, potential dipole first", {at(20), at(25), at(0), at(5)}, 3.0},
      {"Wenner (interleaved)", {at(0), at(15), at(5), at(10)}, NAN},
      {"unequal dipoles", {at(0), at(5), at(10), at(20)}, NAN},
      {"pole-dipole", {at(0), {}, at(10), at(15)}, NAN},
  };
  for (const auto& row : rows) {
    const double n = dipoleDipoleLevel(row.c);
    if (std::isnan(row.n)) {
      EXPECT_TRUE(std::isnan(n)) << row.array;
    } else {
      EXPECT_DOUBLE_EQ(n, row.n) << row.array;
    }
  }
}

}  // namespace
}  // namespace section
