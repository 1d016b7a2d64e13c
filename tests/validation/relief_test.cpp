// Relief in the survey mode (telm --survey, then korvis --survey) against
// closed forms and against itself: a pole at the apex of a ridge or a
// valley (U = rho I/(2 alpha r) on the flanks of a wedge of opening alpha),
// the relief formulation forced on flat models (--mirror-above) against the
// image path, a homogeneous earth under a hill, and reciprocity over a hill
// with a conductive block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_run.h"

namespace validation {
namespace {

constexpr double pi = std::numbers::pi;

struct Electrode {
  double x, z;  // z is the elevation, up positive
};

struct Datum {
  int a, b, m, n;
};

struct Row {
  Datum q;
  double k = 0, u = 0, rhoa = 0;
};

std::string surveyText(const std::vector<Electrode>& electrodes, const std::vector<Datum>& data) {
  std::ostringstream out;
  out.precision(12);
  out << electrodes.size() << "\n# x z\n";
  for (const Electrode& e : electrodes) out << e.x << ' ' << e.z << "\n";
  out << data.size() << "\n# a b m n\n";
  for (const Datum& d : data) out << d.a << ' ' << d.b << ' ' << d.m << ' ' << d.n << "\n";
  return out.str();
}

// The data rows of korvis's result file: a b m n k u i r rhoa.
std::vector<Row> readRows(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line.rfind("# a b m n", 0) != 0) {
  }
  std::vector<Row> rows;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Row r;
    double i = 0, resistance = 0;
    if (!(fields >> r.q.a >> r.q.b >> r.q.m >> r.q.n >> r.k >> r.u >> i >> resistance >> r.rhoa)) break;
    rows.push_back(r);
  }
  return rows;
}

// telm --survey and korvis --survey (with `extra` options for both) on a
// model file and a survey.
std::vector<Row> run(const std::string& model, const std::string& survey, const std::vector<std::string>& extra = {}) {
  ScratchFolder dir;
  dir.write("filename", "model.dat\n");
  dir.write("model.dat", model);
  dir.write("s.dat", survey);
  std::vector<std::string> args{"--survey", "s.dat"};
  args.insert(args.end(), extra.begin(), extra.end());
  EXPECT_EQ(dir.run(TELM_EXE, "telm", args), 0) << dir.read("telm.console");
  EXPECT_EQ(dir.run(KORVIS_EXE, "korvis", args), 0) << dir.read("korvis.console");
  return readRows(dir.read("s-data.dat"));
}

// One homogeneous body of 100 ohm-m under the surface line `top` (x, depth
// pairs from left to right), down to 3000 m.
std::string hillModel(const std::vector<std::pair<double, double>>& top, double dens) {
  std::ostringstream out;
  out.precision(12);
  const auto n = top.size() + 2;
  out << "Relief\nhomogeneous\n1 " << n << " 0 " << dens << " -1\n100 0 " << n << "\n";
  for (std::size_t i = 1; i <= n; ++i) out << i << ' ';
  out << "\n";
  for (const auto& [x, z] : top) out << x << ' ' << z << "\n";
  out << top.back().first << " 3000\n" << top.front().first << " 3000\n";
  return out.str();
}

double worstRelative(const std::vector<Row>& a, const std::vector<Row>& b) {
  EXPECT_EQ(a.size(), b.size());
  double worst = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i].rhoa != 0) worst = std::max(worst, std::abs(b[i].rhoa / a[i].rhoa - 1));
  }
  return worst;
}

TEST(Relief, PoleAtTheApexOfAWedge) {
  struct Case {
    const char* name;
    double slope;  // degrees
    bool ridge;
  };
  const Case cases[] = {{"ridge 10", 10, true},  {"ridge 20", 20, true},  {"ridge 30", 30, true},
                        {"valley 10", 10, false}, {"valley 20", 20, false}, {"valley 30", 30, false}};
  const double radii[] = {1, 2, 3, 5, 7, 10, 14, 20};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double theta = c.slope * pi / 180, side = c.ridge ? 1 : -1, X = 1000;
    const double alpha = c.ridge ? pi - 2 * theta : pi + 2 * theta;
    const std::string model = hillModel({{-X, side * X * std::tan(theta)}, {0, 0}, {X, side * X * std::tan(theta)}}, 4);
    std::vector<Electrode> electrodes{{0, 0}};
    for (double r : radii) electrodes.push_back({r * std::cos(theta), -side * r * std::sin(theta)});
    std::vector<Datum> data;
    for (int i = 2; i + 1 <= static_cast<int>(electrodes.size()); ++i) data.push_back({1, 0, i, i + 1});
    const std::vector<Row> rows = run(model, surveyText(electrodes, data));
    ASSERT_EQ(rows.size(), data.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const double exact = 100 / (2 * alpha) * (1 / radii[i] - 1 / radii[i + 1]);
      EXPECT_NEAR(rows[i].u / exact, 1, 0.002) << "M, N at r = " << radii[i] << ", " << radii[i + 1];
    }
  }
}

// The relief formulation with its mirror plane 5 m above a flat surface
// (every stretch of the surface then carries charge) against the image
// path on the same models: homogeneous, a vertical contact and two layers,
// dipole-dipole at the surface and a buried pole.
TEST(Relief, FlatModelsThroughTheReliefFormulation) {
  // The contact's bound is what the formulation reaches there: data across
  // the contact 0.07 % off the images at dens 8 (the junction of the
  // contact with a charged surface converges slowly); elsewhere 0.01 %.
  struct Case {
    const char* name;
    const char* model;
    double bound;
  };
  const Case cases[] = {
      {"homogeneous", "Flat\nhomogeneous\n1 4 0 8 -1\n100 0 4\n1 2 3 4\n-300 0\n300 0\n300 300\n-300 300\n", 1e-5},
      {"contact", "Flat\ncontact 100 | 10\n2 6 0 8 -1\n100 0 4\n1 2 3 4\n10 0 4\n2 5 6 3\n"
                  "-300 0\n0 0\n0 300\n-300 300\n300 0\n300 300\n", 1e-3},
      {"two layers", "Flat\n100 over 10 at 10 m\n2 6 0 8 -1\n100 0 4\n1 2 3 6\n10 0 4\n6 3 4 5\n"
                     "-300 0\n300 0\n300 10\n300 300\n-300 300\n-300 10\n", 5e-4},
  };
  std::vector<Electrode> electrodes;
  for (double x = -24; x <= 24; x += 4) {
    if (std::abs(x) >= 6) electrodes.push_back({x, 0});
  }
  electrodes.push_back({3, -6});
  const int count = static_cast<int>(electrodes.size()) - 1;
  std::vector<Datum> data;
  for (int a = 1; a + 3 <= count; ++a) {
    for (int k = 0; k < 3 && a + k + 3 <= count; ++k) data.push_back({a, a + 1, a + k + 2, a + k + 3});
  }
  for (int m = 1; m < count; m += 2) data.push_back({count + 1, 0, m, m + 1});
  const std::string survey = surveyText(electrodes, data);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Row> images = run(c.model, survey);
    const std::vector<Row> relief = run(c.model, survey, {"--mirror-above", "5"});
    EXPECT_LT(worstRelative(images, relief), c.bound);
  }
}

// A Gaussian hill 8 m high and 40 m wide at half height, a 10 ohm-m block
// under its right flank in a 30 ohm-m basement below 10 m.
std::string blockUnderHill(double dens) {
  const double W = 200, D = 300, s = 40 / 2.355;
  std::vector<std::pair<double, double>> top{{-W, 0}};
  for (int i = 0; i <= 24; ++i) {
    const double x = -60 + 5.0 * i;
    top.push_back({x, -8 * std::exp(-x * x / (2 * s * s))});
  }
  top.push_back({W, 0});
  std::ostringstream out;
  out.precision(12);
  const int nTop = static_cast<int>(top.size());
  // Vertices: the surface line, then (W,10) (25,10) (10,10) (-W,10) (10,20) (25,20) (W,D) (-W,D).
  const int v = nTop;
  out << "Hill\nblock under the flank\n3 " << nTop + 8 << " 0 " << dens << " -1\n100 0 " << nTop + 4 << "\n";
  for (int i = 1; i <= nTop; ++i) out << i << ' ';
  out << v + 1 << ' ' << v + 2 << ' ' << v + 3 << ' ' << v + 4 << "\n";
  out << "30 0 8\n" << v + 4 << ' ' << v + 3 << ' ' << v + 5 << ' ' << v + 6 << ' ' << v + 2 << ' ' << v + 1 << ' '
      << v + 7 << ' ' << v + 8 << "\n";
  out << "10 0 4\n" << v + 3 << ' ' << v + 2 << ' ' << v + 6 << ' ' << v + 5 << "\n";
  for (const auto& [x, z] : top) out << x << ' ' << z << "\n";
  out << W << " 10\n25 10\n10 10\n" << -W << " 10\n10 20\n25 20\n" << W << ' ' << D << "\n" << -W << ' ' << D << "\n";
  return out.str();
}

std::vector<Electrode> overTheHill(int count) {
  const double s = 40 / 2.355;
  std::vector<Electrode> electrodes;
  for (int i = 0; i < count; ++i) {
    const double x = -15.0 * (count - 1) / 15.0 + 2.0 * i;
    // On the surface line (straight between its vertices every 5 m).
    const double left = std::floor(x / 5) * 5, right = left + 5;
    const auto height = [&](double p) { return 8 * std::exp(-p * p / (2 * s * s)); };
    electrodes.push_back({x, height(left) + (height(right) - height(left)) * (x - left) / 5});
  }
  return electrodes;
}

TEST(Relief, ReciprocityOverAHillWithABlock) {
  const std::vector<Electrode> electrodes = overTheHill(16);
  std::vector<Datum> data, swapped;
  for (int a = 1; a + 3 <= 16; ++a) {
    for (int n = 0; n < 4 && a + n + 3 <= 16; ++n) {
      data.push_back({a, a + 1, a + n + 2, a + n + 3});
      swapped.push_back({a + n + 2, a + n + 3, a, a + 1});
    }
  }
  const std::string model = blockUnderHill(2);
  const std::vector<Row> forward = run(model, surveyText(electrodes, data));
  const std::vector<Row> reverse = run(model, surveyText(electrodes, swapped));
  EXPECT_LT(worstRelative(forward, reverse), 0.001);
  // The basement and the block show through the relief's own factors.
  double spread = 0;
  for (const Row& r : forward) spread = std::max(spread, std::abs(r.rhoa / 100 - 1));
  EXPECT_GT(spread, 0.005);
}

TEST(Relief, HomogeneousEarthUnderAHillGivesItsResistivity) {
  const double s = 40 / 2.355;
  std::vector<std::pair<double, double>> top{{-500, 0}};
  for (int i = 0; i <= 24; ++i) {
    const double x = -60 + 5.0 * i;
    top.push_back({x, -8 * std::exp(-x * x / (2 * s * s))});
  }
  top.push_back({500, 0});
  const std::vector<Electrode> electrodes = overTheHill(16);
  std::vector<Datum> data;
  for (int a = 1; a + 3 <= 16; ++a) data.push_back({a, a + 1, a + 2, a + 3});
  data.push_back({1, 0, 8, 9});
  const std::vector<Row> rows = run(hillModel(top, 2), surveyText(electrodes, data));
  ASSERT_EQ(rows.size(), data.size());
  for (const Row& r : rows) EXPECT_NEAR(r.rhoa, 100, 100 * 2e-7) << r.q.a << ' ' << r.q.b << ' ' << r.q.m;
}

// A mesh made for one formulation and solved with the other is refused.
TEST(Relief, MeshAndSolveMustAgreeOnTheMirror) {
  const std::string model = "Flat\nhomogeneous\n1 4 0 2 -1\n100 0 4\n1 2 3 4\n-300 0\n300 0\n300 300\n-300 300\n";
  const std::string survey = surveyText({{-6, 0}, {-2, 0}, {2, 0}, {6, 0}}, {{1, 2, 3, 4}});
  const struct {
    std::vector<std::string> telm, korvis;
    std::string message;
  } rows[] = {
      {{"--mirror-above", "5"}, {},
       "korvis: varga.xy: 76 elements lie on the flat ground surface (telm --survey --mirror-above prepared the "
       "mesh): give korvis the same --mirror-above, or prepare the mesh without it\n"},
      {{}, {"--mirror-above", "5"},
       "korvis: varga.xy: the mesh has no elements on the ground surface, which leaves the plane the sources are "
       "mirrored in: prepare it with telm --survey (given the same --mirror-above as korvis)\n"},
  };
  for (const auto& r : rows) {
    ScratchFolder dir;
    dir.write("filename", "model.dat\n");
    dir.write("model.dat", model);
    dir.write("s.dat", survey);
    std::vector<std::string> telmArgs{"--survey", "s.dat"}, korvisArgs{"--survey", "s.dat"};
    telmArgs.insert(telmArgs.end(), r.telm.begin(), r.telm.end());
    korvisArgs.insert(korvisArgs.end(), r.korvis.begin(), r.korvis.end());
    ASSERT_EQ(dir.run(TELM_EXE, "telm", telmArgs), 0);
    EXPECT_EQ(dir.run(KORVIS_EXE, "korvis", korvisArgs), 2);
    EXPECT_EQ(dir.read("korvis.errors"), r.message);
    EXPECT_FALSE(dir.exists("s-data.dat"));
  }
}

}  // namespace
}  // namespace validation
