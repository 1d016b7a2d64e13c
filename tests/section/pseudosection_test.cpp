#include "section/pseudosection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "section/voronoi_cells.h"
#include "svg_check.h"

namespace section {
namespace {

double area(const std::vector<PagePoint>& ring) {
  double sum = 0.0;
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const auto& a = ring[k];
    const auto& b = ring[(k + 1) % ring.size()];
    sum += a.x * b.y - b.x * a.y;
  }
  return std::fabs(sum) / 2;
}

bool inside(const std::vector<PagePoint>& ring, const PagePoint& p) {
  bool in = false;
  for (std::size_t k = 0, l = ring.size() - 1; k < ring.size(); l = k++) {
    if ((ring[k].y > p.y) != (ring[l].y > p.y) &&
        p.x < (ring[l].x - ring[k].x) * (p.y - ring[k].y) / (ring[l].y - ring[k].y) + ring[k].x) {
      in = !in;
    }
  }
  return in;
}

TEST(VoronoiCells, TileTheWidenedHullWithoutGapsOrOverlaps) {
  struct Row {
    const char* layout;
    std::vector<PagePoint> points;
  };
  std::vector<PagePoint> shifted, scattered, line;
  for (int row = 0; row < 6; ++row) {
    for (int k = 0; k < 20 - row; ++k) shifted.push_back({10.0 * k + 5.0 * row, 12.0 * row});
  }
  for (int k = 0; k < 300; ++k) scattered.push_back({std::fmod(k * 37.1, 300.0), std::fmod(k * 53.7, 170.0)});
  for (int k = 0; k < 8; ++k) line.push_back({7.0 * k, 50.0});
  const Row rows[] = {{"triangular, rows shifted", shifted}, {"scattered", scattered}, {"one row", line}};
  for (const auto& row : rows) {
    const double margin = std::max(typicalHalfGap(row.points), 3.0);
    std::vector<PagePoint> widened;
    for (const auto& p : row.points) {
      for (const PagePoint d : {PagePoint{margin, 0}, PagePoint{-margin, 0}, PagePoint{0, margin}, PagePoint{0, -margin}}) {
        widened.push_back({p.x + d.x, p.y + d.y});
      }
    }
    const auto cells = voronoiCells(row.points, margin);
    double total = 0.0;
    for (std::size_t k = 0; k < cells.size(); ++k) {
      ASSERT_GE(cells[k].size(), 3u) << row.layout << " cell " << k;
      EXPECT_TRUE(inside(cells[k], row.points[k])) << row.layout << " cell " << k;
      total += area(cells[k]);
    }
    EXPECT_NEAR(total, area(convexHull(widened)), 1e-6 * total) << row.layout;
  }
}

TEST(Pseudosection, NonFiniteValuesAreGreyAndUnplaceableOnesSkipped) {
  Pseudosection s;
  s.values = {{0.0, 10.0, 5.0}, {10.0, 10.0, std::nan("")}, {std::nan(""), 10.0, 6.0}};
  const std::string svg = renderPseudosection(s);
  const auto doc = section_test::parseXml(svg);
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("polygon", "cell"), 2u);
  EXPECT_EQ(doc.count("circle", "datum"), 2u);
  EXPECT_NE(svg.find(noValueColour), std::string::npos);
}

TEST(Pseudosection, LogarithmicDepthAxisWhenDepthsGrowByFactors) {
  struct Row {
    std::vector<double> depths;
    bool geometric;
  };
  const Row rows[] = {
      {{10, 20, 40, 60, 100, 150}, true},
      {{1, 2, 3, 5, 7, 10, 15, 20, 30}, true},
      {{0.42, 0.70, 0.96, 1.22, 1.48, 1.73}, false},  // dipole-dipole n = 1..6
      {{0, 10, 100}, false},                          // not positive
      {{10, 11, 12}, false},
      {{3.8, 7.6, 11.4, 19.0, 26.6, 38.0}, true},  // Schlumberger 10, 20, 30, 50, 70, 100 m
  };
  for (const auto& row : rows) EXPECT_EQ(depthsAreGeometric(row.depths), row.geometric) << row.depths[0];
}

TEST(PlaceMeasurements, MidpointsWhenEverySurveyIsKnownElseTheFallback) {
  Measurement known;
  known.known = true;
  known.configuration = {{0, 0, false}, {}, {10, 0, false}, {}};
  known.value = 5.0;
  Measurement unknown;
  unknown.x = 3.0;
  unknown.depth = 7.0;
  Pseudosection s;
  placeMeasurements(s, {known, known}, "x", "spacing");
  ASSERT_EQ(s.values.size(), 2u);
  EXPECT_DOUBLE_EQ(s.values[0].x, 5.0);
  EXPECT_NEAR(s.values[0].depth, 8.66, 0.01);
  EXPECT_EQ(s.xLabel, "midpoint x, m");
  placeMeasurements(s, {known, unknown}, "x", "spacing");
  EXPECT_DOUBLE_EQ(s.values[0].x, 5.0);
  EXPECT_DOUBLE_EQ(s.values[0].depth, 0.0);
  EXPECT_DOUBLE_EQ(s.values[1].x, 3.0);
  EXPECT_DOUBLE_EQ(s.values[1].depth, 7.0);
  EXPECT_EQ(s.depthLabel, "spacing");
}

}  // namespace
}  // namespace section
