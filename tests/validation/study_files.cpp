#include "study_files.h"

#include <cmath>
#include <numbers>
#include <sstream>

namespace validation {

namespace {

// Nine significant digits: every single-precision value is read back exactly.
std::ostringstream numberStream() {
  std::ostringstream out;
  out.precision(9);
  return out;
}

void writeList(std::ostringstream& out, const std::vector<double>& values) {
  for (double v : values) out << v << ' ';
  out << '\n';
}

}  // namespace

std::string telmModelFile(const Model& model, int keyIP, double dens, int keyRun,
                          const TelmSurvey* survey) {
  auto out = numberStream();
  out << "validation model\n"
      << "written by the validation tests\n";
  out << model.bodies.size() << ' ' << model.vertices.size() << ' ' << keyIP << ' ' << dens << ' '
      << keyRun << "   nT nP keyIP dens keyRun\n";
  for (const Body& b : model.bodies) {
    out << b.ro << ' ' << b.eta << ' ' << b.ring.size() << "   Ro eta nVer\n";
    for (int v : b.ring) out << v << ' ';
    out << '\n';
  }
  for (const Vertex& v : model.vertices) out << v.x << ' ' << v.z << '\n';
  if (survey == nullptr) return out.str();
  const TelmSurvey& s = *survey;
  out << s.stationStep << ' ' << s.firstStation << ' ' << s.stationCount << ' '
      << s.spacings.size() << ' ' << s.profileDepth << '\n';
  out << s.XA << ' ' << s.ZA << ' ' << s.XB << ' ' << s.ZB << '\n';
  writeList(out, s.spacings);
  writeList(out, s.offsets);
  writeList(out, s.mnLengths);
  out << s.kinds.size() << '\n';
  for (int k : s.kinds) out << k << ' ';
  out << '\n' << "0 0 0 0 0 0\n";
  return out.str();
}

std::string arrayFile(const ArraySurvey& a) {
  auto out = numberStream();
  const int nSpac = a.keyArr == 18 ? a.nSpac18 : static_cast<int>(a.spacings.size());
  out << a.dX << ' ' << a.dZ << ' ' << a.X0 << ' ' << a.Z0 << ' ' << a.nPos << ' ' << nSpac
      << "   dX dZ X0 Z0 nPos nSpac\n";
  out << a.XA << ' ' << a.ZA << ' ' << a.XB << ' ' << a.ZB << ' ' << a.XMN << ' ' << a.keyArr
      << ' ' << a.iDir << "   XA ZA XB ZB XMN keyArr iDir\n";
  if (a.keyArr != 18) writeList(out, a.spacings);
  return out.str();
}

Model blockModel(double hostRo, double hostEta, double blockRo, double blockEta, Box b,
                 double halfWidth, double depth) {
  const double W = halfWidth;
  Model m;
  m.vertices = {{-W, 0},      {W, 0},       {W, b.z1},    {b.x2, b.z1}, {b.x1, b.z1}, {-W, b.z1},
                {W, b.z2},    {b.x2, b.z2}, {b.x1, b.z2}, {-W, b.z2},   {W, depth},   {-W, depth}};
  m.bodies = {{hostRo, hostEta, {1, 2, 3, 4, 5, 6}},
              {hostRo, hostEta, {6, 5, 9, 10}},
              {hostRo, hostEta, {4, 3, 7, 8}},
              {hostRo, hostEta, {10, 9, 8, 7, 11, 12}},
              {blockRo, blockEta, {5, 4, 8, 9}}};
  return m;
}

Model contactModel(double leftRo, double leftEta, double rightRo, double rightEta,
                   double halfWidth, double depth) {
  Model m;
  m.vertices = {{-halfWidth, 0}, {0, 0}, {halfWidth, 0},
                {halfWidth, depth}, {0, depth}, {-halfWidth, depth}};
  m.bodies = {{leftRo, leftEta, {1, 2, 5, 6}}, {rightRo, rightEta, {2, 3, 4, 5}}};
  return m;
}

Model twoLayerModel(double topRo, double thickness, double baseRo, double halfWidth,
                    double depth) {
  Model m;
  m.vertices = {{-halfWidth, 0}, {halfWidth, 0}, {halfWidth, thickness}, {-halfWidth, thickness},
                {halfWidth, depth}, {-halfWidth, depth}};
  m.bodies = {{topRo, 0, {1, 2, 3, 4}}, {baseRo, 0, {4, 3, 5, 6}}};
  return m;
}

Model polygonModel(double ro, double cx, double cz, double radius, int sides) {
  Model m;
  Body body{ro, 0, {}};
  for (int i = 0; i < sides; ++i) {
    // Increasing angle runs from +x towards +z: clockwise with z downwards.
    const double angle = 2.0 * std::numbers::pi * (i + 0.5) / sides;
    m.vertices.push_back({cx + radius * std::cos(angle), cz + radius * std::sin(angle)});
    body.ring.push_back(i + 1);
  }
  m.bodies.push_back(body);
  return m;
}

}  // namespace validation
