// Point-list parsing. Records are read as a stream of values in threes rather
// than line by line, because a free-format writer may wrap a long record.
#include "section/point_list.h"

#include <cmath>
#include <filesystem>

#include "section/text_lines.h"

namespace section {

std::vector<Picture> readPointList(const std::string& path, const std::string& stem) {
  const TextLines f(path);
  if (f.size() == 0) f.fail(0, "end of file, expected the heading X R and the value name");
  const auto heading = splitFields(f[0]);
  if (heading.size() < 3 || heading[0] != "X" || heading[1] != "R") {
    f.fail(0, "expected the heading X R and the value name");
  }
  const bool ip = heading[2].starts_with("IP");
  Pseudosection s;
  s.titles = {std::filesystem::path(path).filename().string() + ": " + std::string(heading[2])};
  s.quantity = ip ? chargeabilityCaption : resistivityCaption;
  s.scale = ip ? ScaleKind::linear : ScaleKind::logarithmic;
  s.depthLabel = "|R|, m";
  double triple[3];
  int filled = 0;
  for (std::size_t i = 1; i < f.size(); ++i) {
    for (auto token : splitFields(f[i])) {
      triple[filled] = filled < 2 ? f.coordinate(i, token, filled == 0 ? "X" : "R") : f.number(i, token, "value");
      if (++filled == 3) {
        s.values.push_back({triple[0], std::fabs(triple[1]), triple[2]});
        filled = 0;
      }
    }
  }
  if (filled != 0) f.fail(f.size(), "end of file, expected the rest of an X R value record");
  return {{stem + ".svg", std::move(s)}};
}

}  // namespace section
