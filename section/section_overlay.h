// What a pseudosection of survey data shows besides its values: the
// electrodes of its measurements and, when the model that korvis computed
// the data from (varga.xy) lies beside the data, the outlines of the model's
// bodies. The outlines are at true depth; on a pseudosection the vertical
// axis is a pseudo-depth, so they are drawn thin, grey and dashed there and
// the picture says so.
#pragma once

#include <string>
#include <vector>

#include "section/chart_frame.h"
#include "section/model_picture.h"
#include "section/svg.h"

namespace section {

struct SectionOverlay {
  std::vector<ModelElectrode> electrodes;  // at (x, depth)
  std::vector<std::vector<Point>> outlines;
  std::string note;  // a line under the plot saying what the grey lines are
  bool empty() const { return electrodes.empty() && outlines.empty(); }
};

// The body outlines of `folder`/varga.xy, and its ground line into `ground`
// when given. Empty when there is no such file; when there is one but it
// cannot be read, `problem` gets the reason (the data are still drawn,
// without outlines).
std::vector<std::vector<Point>> modelOutlinesBeside(const std::string& folder, std::string& problem,
                                                    std::vector<Point>* ground = nullptr);

// The outlines, clipped by the caller: solid when the axes are true
// positions, dashed over a pseudosection.
void drawOutlines(SvgDocument& svg, const ChartFrame& frame, const SectionOverlay& overlay, bool dashed);

// The electrodes: triangles standing on the surface (filled for current
// electrodes), diamonds below it. `surfaceY` is where a surface electrode
// stands on the page (the top of a pseudosection's frame).
void drawElectrodes(SvgDocument& svg, const ChartFrame& frame, const SectionOverlay& overlay, double surfaceY);

}  // namespace section
