// Point-list parsing. Records are read as a stream of values in threes rather
// than line by line, because a free-format writer may wrap a long record.
// korvis's lists hold half-Schlumberger data (the current electrode |R| to
// the left of the receiver in A_MN*, to its right in MN_B*); telm's
// AB_MN_pr.txt holds dipole-dipole kind 7, whose source distances come from
// the model file beside it.
#include "section/point_list.h"

#include <cmath>
#include <filesystem>

#include "section/array_layouts.h"
#include "section/text_lines.h"
#include "telm/array_kinds.h"

namespace section {

std::vector<Picture> readPointList(const std::string& path, const std::string& stem) {
  const TextLines f(path);
  if (f.size() == 0) f.fail(0, "end of file, expected the heading X R and the value name");
  const auto heading = splitFields(f[0]);
  if (heading.size() < 3 || heading[0] != "X" || heading[1] != "R") {
    f.fail(0, "expected the heading X R and the value name");
  }
  const std::filesystem::path p(path);
  const std::string file = p.filename().string();
  const std::string folder = p.parent_path().string();
  const bool ip = heading[2].starts_with("IP");
  const bool forward = file.starts_with("A_MN"), reverse = file.starts_with("MN_B");
  const auto model = file.starts_with("AB_MN_pr") ? readTelmModel(folder) : nullptr;

  Pseudosection s;
  const std::string title = modelTitle(folder);
  if (!title.empty()) s.titles.push_back(title);
  const std::string quantity = ip ? "apparent chargeability, %" : "apparent resistivity, ohm-m";
  if (forward || reverse) {
    s.titles.push_back(std::string("korvis, ") + korvisKindName(18) + (forward ? ", forward" : ", reverse") + ": " +
                       quantity + " (" + file + ")");
  } else {
    s.titles.push_back((model ? "telm, " + telmKindName(7) : std::string("point list")) + ": " + quantity + " (" +
                       file + ")");
  }
  s.quantity = ip ? chargeabilityCaption : resistivityCaption;
  s.scale = ip ? ScaleKind::linear : ScaleKind::logarithmic;

  std::vector<Measurement> measurements;
  double triple[3];
  int filled = 0;
  for (std::size_t i = 1; i < f.size(); ++i) {
    for (auto token : splitFields(f[i])) {
      triple[filled] = filled < 2 ? f.coordinate(i, token, filled == 0 ? "X" : "R") : f.number(i, token, "value");
      if (++filled < 3) continue;
      filled = 0;
      Measurement m;
      m.x = triple[0];
      m.depth = std::fabs(triple[1]);
      m.value = triple[2];
      if (forward || reverse) {
        m.known = true;
        m.configuration.a = {m.x + (forward ? -m.depth : m.depth), 0.0, false};
        m.configuration.m = {m.x, 0.0, false};
        m.configuration.pointReceiver = true;
      } else if (model && model->stationStep != 0.0f) {
        // X = x_i - o_j / 2 and R = o_j: find station i and spacing j.
        for (int j = 1; j <= model->spacingCount; ++j) {
          const double o = static_cast<double>(model->offsetList[static_cast<std::size_t>(j - 1)]);
          if (std::fabs(o - m.depth) > 0.006) continue;
          const double station =
              (m.x + o / 2 - static_cast<double>(model->firstStation)) / static_cast<double>(model->stationStep) + 1;
          const int k = static_cast<int>(std::lround(station));
          if (std::fabs(station - k) > 1e-3 || k < 1 || k > model->stationCount) continue;
          m.known = true;
          m.configuration = telmConfiguration(*model, 7, k, j);
          break;
        }
      }
      measurements.push_back(m);
    }
  }
  if (filled != 0) f.fail(f.size(), "end of file, expected the rest of an X R value record");
  placeMeasurements(s, measurements, forward || reverse ? "x of the receiver, m" : "X, m", "|R|, m");
  return {{stem + ".svg", std::move(s)}};
}

}  // namespace section
