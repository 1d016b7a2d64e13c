// Cells that tile the area covered by scattered points: the Voronoi cell of
// each point clipped to the convex hull of the points widened by a margin,
// so that neighbouring cells meet without gaps or overlaps and a lone row or
// column of points still gets cells of some size.
#pragma once

#include <vector>

namespace section {

struct PagePoint {
  double x = 0.0, y = 0.0;
};

// Convex hull, counter-clockwise in a y-up sense, without collinear points.
std::vector<PagePoint> convexHull(std::vector<PagePoint> points);

// Half the median distance from a point to its nearest neighbour (0 for
// fewer than two distinct points).
double typicalHalfGap(const std::vector<PagePoint>& points);

// One polygon per point: all places nearer to it than to any other point,
// within the hull of the points each widened by `margin` across and down.
// A point repeated at the same place gets an empty cell after its first.
std::vector<std::vector<PagePoint>> voronoiCells(const std::vector<PagePoint>& points, double margin);

}  // namespace section
