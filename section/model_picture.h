// The model picture of varga.xy: bodies filled by resistivity, every boundary
// node as a segment of its length along the boundary with a short tick along
// its normal, the ground surface, and the survey electrodes of varga.arr.
#pragma once

#include <string>
#include <vector>

namespace section {

struct Point {
  double x = 0.0, z = 0.0;
};

struct ModelBody {
  double Ro = 0.0;
  std::vector<Point> outline;
};

struct ModelNode {
  double x = 0.0, z = 0.0, dL = 0.0, xn = 0.0, zn = 0.0;
};

struct ModelDrawing {
  std::vector<std::string> titles;
  std::vector<ModelBody> bodies;
  std::vector<ModelNode> nodes;
  std::vector<Point> positions;  // profile positions of the survey
  std::vector<Point> sources;    // fixed current electrodes A and B, when the kind has them
};

// Reads varga.xy and, when `arrayPath` names an existing file, its survey;
// throws common::InputError.
ModelDrawing readModel(const std::string& modelPath, const std::string& arrayPath);

std::string renderModel(const ModelDrawing& model);

}  // namespace section
