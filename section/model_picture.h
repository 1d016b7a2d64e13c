// The model picture of varga.xy: bodies filled by resistivity (and, when the
// model has IP, a second panel by chargeability) with their numbers and
// values written inside, interfaces as lines, the ground surface (with its
// relief, the air above it left blank), and the survey electrodes of
// varga.arr or of a survey file, standing on the ground. Framed on the
// surveyed ground unless the whole model is asked for; boundary nodes on
// request.
#pragma once

#include <cmath>
#include <string>
#include <vector>

namespace section {

struct Point {
  double x = 0.0, z = 0.0;
};

struct ModelBody {
  double Ro = 0.0, roIP = 0.0;
  std::vector<Point> outline;
  // Chargeability in percent: RO_IP = Ro / (1 - eta/100).
  // Rounded to 1e-4 % so that a chargeability read back from single
  // precision shows the value the model was given (15, not 14.99999).
  double eta() const { return roIP > 0.0 ? std::round(1e6 * (1.0 - Ro / roIP)) / 1e4 : 0.0; }
};

struct ModelNode {
  double x = 0.0, z = 0.0, dL = 0.0, xn = 0.0, zn = 0.0;
};

struct ModelElectrode {
  Point at;
  bool current = false;  // a current electrode, else a receiver
};

struct ModelDrawing {
  std::vector<std::string> titles;
  std::vector<ModelBody> bodies;
  std::vector<ModelNode> nodes;
  // The ground surface, the surface list of varga.xy from left to right:
  // drawn where it is when it leaves z = 0 (a model with relief).
  std::vector<Point> ground;
  bool ip = false;
  std::vector<ModelElectrode> electrodes;  // every place the survey puts one
  double deepest = 0.0;                    // largest pseudo-depth of the survey
  bool full = false;                       // frame the whole model
  bool showNodes = false;                  // draw the boundary nodes
};

// Reads varga.xy and, when `arrayPath` names an existing file, its survey,
// else the electrodes of the survey file `surveyPath` (when not empty);
// throws common::InputError.
ModelDrawing readModel(const std::string& modelPath, const std::string& arrayPath,
                       const std::string& surveyPath = "");

std::string renderModel(const ModelDrawing& model);

}  // namespace section
