// Overlay of a survey pseudosection. varga.xy is read by the model picture's
// own reader, so the overlay and the model picture of a folder agree and a
// file that one rejects the other rejects too.
#include "section/section_overlay.h"

#include <cmath>
#include <filesystem>

#include "common/record_reader.h"

namespace section {

std::vector<std::vector<Point>> modelOutlinesBeside(const std::string& folder, std::string& problem,
                                                    std::vector<Point>* ground) {
  const auto path = std::filesystem::path(folder.empty() ? "." : folder) / "varga.xy";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::vector<std::vector<Point>> outlines;
  try {
    ModelDrawing model = readModel(path.string(), "");
    for (auto& body : model.bodies) outlines.push_back(std::move(body.outline));
    if (ground != nullptr) *ground = std::move(model.ground);
  } catch (const common::InputError& e) {
    problem = e.what();
  }
  return outlines;
}

void drawOutlines(SvgDocument& svg, const ChartFrame& frame, const SectionOverlay& overlay, bool dashed) {
  for (const auto& ring : overlay.outlines) {
    std::string points;
    for (const auto& p : ring) points += num(frame.px(p.x)) + ',' + num(frame.py(p.z)) + ' ';
    if (points.empty()) continue;
    points.pop_back();
    if (dashed) {
      svg.add("polygon", {{"class", "outline"}, {"points", points}, {"fill", "none"}, {"stroke", "#808080"},
                          {"stroke-width", "0.8"}, {"stroke-dasharray", "5 3"}});
    } else {
      svg.add("polygon", {{"class", "outline"}, {"points", points}, {"fill", "none"}, {"stroke", "#808080"},
                          {"stroke-width", "1"}});
    }
  }
}

void drawElectrodes(SvgDocument& svg, const ChartFrame& frame, const SectionOverlay& overlay, double surfaceY) {
  for (const auto& e : overlay.electrodes) {
    const double x = frame.px(e.at.x);
    if (x < plotLeft - 0.01 || x > plotLeft + plotWidth + 0.01) continue;
    const std::string fill = e.current ? "black" : "white";
    const bool onSurface = std::fabs(e.at.z) < 1e-6;
    const double y = onSurface ? surfaceY : frame.py(e.at.z);
    if (!onSurface && (y < frame.top() - 0.01 || y > frame.bottom() + 0.01)) continue;
    const std::string points = onSurface ? num(x - 4) + ',' + num(y - 8) + ' ' + num(x + 4) + ',' + num(y - 8) + ' ' +
                                               num(x) + ',' + num(y)
                                         : num(x) + ',' + num(y - 5) + ' ' + num(x + 4) + ',' + num(y) + ' ' + num(x) +
                                               ',' + num(y + 5) + ' ' + num(x - 4) + ',' + num(y);
    svg.add("polygon", {{"class", "electrode"}, {"points", points}, {"fill", fill}, {"stroke", "black"},
                        {"stroke-width", "1"}});
  }
}

}  // namespace section
