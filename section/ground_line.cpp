// Ground lines. The interpolation is the one the survey pictures have
// always used for a file's topography, so a flat line, or data without
// relief, place everything exactly where they did.
#include "section/ground_line.h"

#include <algorithm>
#include <cmath>

namespace section {

double groundDepthAt(const std::vector<Point>& line, double x) {
  if (line.empty()) return 0.0;
  const auto after = std::find_if(line.begin(), line.end(), [&](const Point& p) { return p.x >= x; });
  if (after == line.begin()) return line.front().z;
  if (after == line.end()) return line.back().z;
  const auto before = after - 1;
  const double f = after->x > before->x ? (x - before->x) / (after->x - before->x) : 0.0;
  return before->z + f * (after->z - before->z);
}

bool leavesDatum(const std::vector<Point>& line, double tolerance) {
  return std::any_of(line.begin(), line.end(), [&](const Point& p) { return std::fabs(p.z) > tolerance; });
}

std::vector<Point> groundFromTopography(const std::vector<common::SurveyTopographyPoint>& topography) {
  std::vector<Point> line;
  for (const auto& p : topography) line.push_back({p.x, -p.z});
  std::stable_sort(line.begin(), line.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
  return line;
}

std::vector<std::vector<Point>> outlinesBelowGround(std::vector<std::vector<Point>> outlines, const std::vector<Point>& line) {
  for (auto& ring : outlines) {
    for (auto& p : ring) p.z -= groundDepthAt(line, p.x);
  }
  return outlines;
}

}  // namespace section
