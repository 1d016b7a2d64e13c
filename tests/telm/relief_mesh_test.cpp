// The mesh of a model with relief converges: the surface's continuation
// beyond the model's ends run twice as far, or every element on the surface
// half as long, moves no apparent resistivity of a survey over a hill with a
// conductive block by more than 0.05 %.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/program_run.h"
#include "common/temp_dir.h"
#include "telm/program.h"

namespace telm {
namespace {

// A hill 8 m high (a Gaussian 40 m wide at half height, as a line with a
// vertex every 5 m) on a 100 ohm-m cover 10 m thick over 30 ohm-m, and a
// 10 ohm-m block under its right flank.
std::string hillModel() {
  const double s = 40 / 2.355;
  std::ostringstream out;
  out.precision(12);
  out << "Hill\nblock under the flank\n3 35 0 2 -1\n100 0 31\n";
  for (int i = 1; i <= 27; ++i) out << i << ' ';
  out << "28 29 30 31\n30 0 8\n31 30 32 33 29 28 34 35\n10 0 4\n30 29 33 32\n-200 0\n";
  for (int i = 0; i <= 24; ++i) {
    const double x = -60 + 5.0 * i;
    out << x << ' ' << -8 * std::exp(-x * x / (2 * s * s)) << "\n";
  }
  out << "200 0\n200 10\n25 10\n10 10\n-200 10\n10 20\n25 20\n200 300\n-200 300\n";
  return out.str();
}

// Sixteen electrodes every 2 m on the hill (on its line), dipole-dipole.
std::string survey() {
  const double s = 40 / 2.355;
  const auto height = [&](double p) { return 8 * std::exp(-p * p / (2 * s * s)); };
  std::ostringstream out;
  out.precision(12);
  out << "16\n# x z\n";
  for (int i = 0; i < 16; ++i) {
    const double x = -15 + 2.0 * i, left = std::floor(x / 5) * 5;
    out << x << ' ' << height(left) + (height(left + 5) - height(left)) * (x - left) / 5 << "\n";
  }
  int count = 0;
  std::ostringstream data;
  for (int a = 1; a + 3 <= 16; ++a) {
    for (int n = 0; n < 4 && a + n + 3 <= 16; ++n, ++count) data << a << ' ' << a + 1 << ' ' << a + n + 2 << ' ' << a + n + 3 << "\n";
  }
  out << count << "\n# a b m n\n" << data.str();
  return out.str();
}

std::vector<double> apparentResistivities(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line.rfind("# a b m n", 0) != 0) {
  }
  std::vector<double> rhoa;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    double v[9];
    for (double& f : v) fields >> f;
    if (fields) rhoa.push_back(v[8]);
  }
  return rhoa;
}

std::vector<double> solve(const common::testing::TempDir& dir, float truncationScale, float surfaceStepScale) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::ostringstream console, errors;
  MeshOptions options;
  options.surveyPath = "s.dat";
  options.truncationScale = truncationScale;
  options.surfaceStepScale = surfaceStepScale;
  const int status = runProgram(console, errors, options);
  std::filesystem::current_path(previous);
  EXPECT_EQ(status, 0) << errors.str();
  const common::testing::ProgramRun korvis = common::testing::runProgram(dir.path(), KORVIS_EXE, 0, {"--survey", "s.dat"});
  EXPECT_EQ(korvis.status, 0) << korvis.err;
  std::ifstream result(dir.path() / "s-data.dat");
  return apparentResistivities(std::string(std::istreambuf_iterator<char>(result), {}));
}

TEST(ReliefMesh, TruncationAndSurfaceStepsConverge) {
  const common::testing::TempDir dir;
  dir.write("filename", "model.dat\n");
  dir.write("model.dat", hillModel());
  dir.write("s.dat", survey());
  const std::vector<double> base = solve(dir, 1.0f, 1.0f);
  ASSERT_EQ(base.size(), 46u);
  const struct {
    const char* what;
    float truncation, step;
  } rows[] = {{"twice the truncation distance", 2.0f, 1.0f}, {"half the steps on the surface", 1.0f, 0.5f}};
  for (const auto& r : rows) {
    const std::vector<double> moved = solve(dir, r.truncation, r.step);
    ASSERT_EQ(moved.size(), base.size()) << r.what;
    double worst = 0;
    for (std::size_t i = 0; i < base.size(); ++i) worst = std::max(worst, std::abs(moved[i] / base[i] - 1));
    EXPECT_LT(worst, 5e-4) << r.what;
  }
}

}  // namespace
}  // namespace telm
