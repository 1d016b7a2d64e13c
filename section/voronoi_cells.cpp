// Voronoi cells by half-plane clipping: each cell starts as the widened hull
// and is cut by the bisector with every neighbour. Neighbours are visited
// ring by ring on a bucket grid, and the visit stops once no unvisited point
// can be nearer than twice the cell's farthest corner, which keeps the work
// near linear for the thousands of points of a survey.
#include "section/voronoi_cells.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace section {

namespace {

double cross(const PagePoint& o, const PagePoint& a, const PagePoint& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// The part of `polygon` where (q - p) . (other - p) <= |other - p|^2 / 2,
// i.e. nearer to p than to other.
std::vector<PagePoint> clipByBisector(const std::vector<PagePoint>& polygon, const PagePoint& p,
                                      const PagePoint& other) {
  const double dx = other.x - p.x, dy = other.y - p.y;
  const double limit = (dx * dx + dy * dy) / 2;
  auto side = [&](const PagePoint& q) { return (q.x - p.x) * dx + (q.y - p.y) * dy - limit; };
  std::vector<PagePoint> out;
  for (std::size_t k = 0; k < polygon.size(); ++k) {
    const PagePoint& a = polygon[k];
    const PagePoint& b = polygon[(k + 1) % polygon.size()];
    const double sa = side(a), sb = side(b);
    if (sa <= 0) out.push_back(a);
    if ((sa < 0 && sb > 0) || (sa > 0 && sb < 0)) {
      const double t = sa / (sa - sb);
      out.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
    }
  }
  return out;
}

}  // namespace

std::vector<PagePoint> convexHull(std::vector<PagePoint> points) {
  std::sort(points.begin(), points.end(), [](auto a, auto b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  if (points.size() < 3) return points;
  std::vector<PagePoint> hull(2 * points.size());
  std::size_t k = 0;
  for (const auto& p : points) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

double typicalHalfGap(const std::vector<PagePoint>& points) {
  std::vector<double> nearest;
  std::vector<PagePoint> sorted = points;
  std::sort(sorted.begin(), sorted.end(), [](auto a, auto b) { return a.x < b.x; });
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    double best = INFINITY;
    // Sweep outwards along x; stop once the x gap alone exceeds the best.
    for (std::size_t j = i + 1; j < sorted.size() && sorted[j].x - sorted[i].x < best; ++j) {
      const double d = std::hypot(sorted[j].x - sorted[i].x, sorted[j].y - sorted[i].y);
      if (d > 0) best = std::min(best, d);
    }
    for (std::size_t j = i; j-- > 0 && sorted[i].x - sorted[j].x < best;) {
      const double d = std::hypot(sorted[j].x - sorted[i].x, sorted[j].y - sorted[i].y);
      if (d > 0) best = std::min(best, d);
    }
    if (std::isfinite(best)) nearest.push_back(best);
  }
  if (nearest.empty()) return 0.0;
  std::nth_element(nearest.begin(), nearest.begin() + static_cast<long>(nearest.size() / 2), nearest.end());
  return nearest[nearest.size() / 2] / 2;
}

std::vector<std::vector<PagePoint>> voronoiCells(const std::vector<PagePoint>& points, double margin) {
  std::vector<std::vector<PagePoint>> cells(points.size());
  if (points.empty()) return cells;
  std::vector<PagePoint> widened;
  for (const auto& p : points) {
    for (const PagePoint d : {PagePoint{margin, 0}, PagePoint{-margin, 0}, PagePoint{0, margin}, PagePoint{0, -margin}}) {
      widened.push_back({p.x + d.x, p.y + d.y});
    }
  }
  const auto hull = convexHull(widened);
  double xLo = hull[0].x, xHi = hull[0].x, yLo = hull[0].y, yHi = hull[0].y;
  for (const auto& h : hull) {
    xLo = std::min(xLo, h.x), xHi = std::max(xHi, h.x), yLo = std::min(yLo, h.y), yHi = std::max(yHi, h.y);
  }
  // Buckets of about four points each.
  const double size = std::max(std::sqrt((xHi - xLo) * (yHi - yLo) / static_cast<double>(points.size()) * 4.0), 1e-6);
  const long columns = static_cast<long>((xHi - xLo) / size) + 1, rows = static_cast<long>((yHi - yLo) / size) + 1;
  std::map<std::pair<long, long>, std::vector<std::size_t>> buckets;
  auto bucketOf = [&](const PagePoint& p) {
    return std::pair<long, long>{static_cast<long>((p.x - xLo) / size), static_cast<long>((p.y - yLo) / size)};
  };
  for (std::size_t i = 0; i < points.size(); ++i) buckets[bucketOf(points[i])].push_back(i);

  for (std::size_t i = 0; i < points.size(); ++i) {
    const PagePoint& p = points[i];
    std::vector<PagePoint> cell = hull;
    const auto [bx, by] = bucketOf(p);
    for (long ring = 0; ring <= std::max(columns, rows) && !cell.empty(); ++ring) {
      double reach = 0.0;
      for (const auto& c : cell) reach = std::max(reach, std::hypot(c.x - p.x, c.y - p.y));
      // Points beyond this ring lie at least (ring - 1) buckets away.
      if (ring >= 2 && static_cast<double>(ring - 1) * size > 2 * reach) break;
      for (long cx = bx - ring; cx <= bx + ring; ++cx) {
        for (long cy = by - ring; cy <= by + ring; ++cy) {
          if (std::max(std::labs(cx - bx), std::labs(cy - by)) != ring) continue;
          const auto it = buckets.find({cx, cy});
          if (it == buckets.end()) continue;
          for (std::size_t j : it->second) {
            if (j == i) continue;
            if (points[j].x == p.x && points[j].y == p.y) {
              if (j < i) cell.clear();
              continue;
            }
            cell = clipByBisector(cell, p, points[j]);
            if (cell.empty()) break;
          }
        }
      }
    }
    cells[i] = std::move(cell);
  }
  return cells;
}

}  // namespace section
