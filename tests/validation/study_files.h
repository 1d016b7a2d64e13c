// Models and surveys written as the input files of telm and korvis, and
// the model geometries of the validation cases.
#pragma once

#include <string>
#include <vector>

namespace validation {

struct Vertex {
  double x = 0, z = 0;
};

struct Body {
  double ro = 100;
  double eta = 0;
  std::vector<int> ring;  // 1-based vertex numbers, clockwise (x right, z down)
};

struct Model {
  std::vector<Body> bodies;
  std::vector<Vertex> vertices;
};

// The survey part of a full telm run.
struct TelmSurvey {
  double stationStep = 10, firstStation = 0;
  int stationCount = 1;
  double profileDepth = 0;
  double XA = 0, ZA = 0, XB = 0, ZB = 0;
  std::vector<double> spacings, offsets, mnLengths;  // one entry per spacing each
  std::vector<int> kinds;
};

// The array file varga.arr.
struct ArraySurvey {
  double dX = 10, dZ = 0, X0 = 0, Z0 = 0;
  int nPos = 1;
  double XA = 0, ZA = 0, XB = 0, ZB = 0, XMN = 0;
  int keyArr = 1, iDir = 0;
  std::vector<double> spacings;  // not written for kind 18, whose count is nSpac
  int nSpac18 = 0;
};

// A telm model file; without a survey it ends after the vertices (what
// mesh preparation, keyRun = -1, reads).
std::string telmModelFile(const Model& model, int keyIP, double dens, int keyRun,
                          const TelmSurvey* survey);
std::string arrayFile(const ArraySurvey& arr);

// A rectangular block [x1, x2] x [z1, z2] inside the box [-halfWidth,
// halfWidth] x [0, depth] of host rock. The host is four bodies of equal
// properties around the block (above it, left, right, below), the one above
// being body 1, on which every surface electrode stands; the block is body 5.
struct Box {
  double x1, x2, z1, z2;
};
Model blockModel(double hostRo, double hostEta, double blockRo, double blockEta, Box block,
                 double halfWidth, double depth);

// Two boxes side by side, meeting along the vertical plane x = 0 down to
// `depth`: body 1 on the left, body 2 on the right.
Model contactModel(double leftRo, double leftEta, double rightRo, double rightEta,
                   double halfWidth, double depth);

// A layer of the given thickness (body 1) over a basement (body 2), both
// reaching from -halfWidth to halfWidth; the basement ends at `depth`.
Model twoLayerModel(double topRo, double thickness, double baseRo, double halfWidth,
                    double depth);

// A regular polygon of `sides` vertices around (cx, cz), one body with
// property `ro` (the susceptibility for the magnetic-field array).
Model polygonModel(double ro, double cx, double cz, double radius, int sides);

}  // namespace validation
