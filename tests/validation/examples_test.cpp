// The bundled examples: each runs cleanly (telm, then korvis after a mesh
// preparation), every current electrode finds the body it stands in, every
// printed value is a number, and the examples with a known answer give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "analytic.h"
#include "result_parsing.h"
#include "scratch_run.h"

namespace validation {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> exampleNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(EXAMPLES_DIR)) {
    if (fs::exists(entry.path() / "filename")) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Asterisks of an overflowing field or a printed NaN or infinity, outside
// the table titles of korvis.txt.
bool holdsNonNumber(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("APP.") != std::string::npos) continue;
    for (const char* bad : {"***", "nan", "NaN", "inf"}) {
      if (line.find(bad) != std::string::npos) return true;
    }
  }
  return false;
}

// Runs an example in `dir` (with --survey survey.dat when it has a survey
// file, as examples/run_example.sh does); returns false (with the failures
// reported) when a program fails.
bool runExample(const std::string& name, const ScratchFolder& dir) {
  fs::copy(fs::path(EXAMPLES_DIR) / name, dir.path(), fs::copy_options::recursive);
  const std::vector<std::string> args =
      dir.exists("survey.dat") ? std::vector<std::string>{"--survey", "survey.dat"}
                               : std::vector<std::string>{};
  const int telm = dir.run(TELM_EXE, "telm", args);
  EXPECT_EQ(telm, 0) << name << ":\n" << dir.read("telm.console");
  if (telm != 0) return false;
  if (dir.exists("varga.xy")) {
    const int korvis = dir.run(KORVIS_EXE, "korvis", args);
    EXPECT_EQ(korvis, 0) << name << ":\n" << dir.read("korvis.console");
    if (korvis != 0) return false;
  }
  return true;
}

TEST(Examples, EveryExampleRunsCleanly) {
  const auto names = exampleNames();
  EXPECT_GE(names.size(), 13U);
  for (const std::string& name : names) {
    SCOPED_TRACE("example " + name);
    ScratchFolder dir;
    if (!runExample(name, dir)) continue;
    // A failed body lookup prints a message and keeps a stale resistivity.
    for (const char* console : {"telm.console", "korvis.console"}) {
      const std::string text = dir.read(console);
      EXPECT_EQ(text.find("ni~e"), std::string::npos) << console << ":\n" << text;
    }
    // The model checks find nothing to say about a bundled example.
    for (const char* errors : {"telm.errors", "korvis.errors"}) EXPECT_EQ(dir.read(errors), "") << errors;
    int results = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      const std::string file = entry.path().filename().string();
      const std::string ext = entry.path().extension().string();
      if (ext == ".console" || ext == ".errors" || ext == ".svg" || fs::exists(fs::path(EXAMPLES_DIR) / name / file)) {
        continue;
      }
      ++results;
      std::string text = dir.read(file);
      if (ext == ".dat") {  // two title lines come first
        for (int line = 0; line < 2; ++line) text.erase(0, text.find('\n') + 1);
      }
      EXPECT_FALSE(holdsNonNumber(text)) << file;
    }
    EXPECT_GT(results, 0);
  }
}

TEST(Examples, UniformEarthGivesTheMedium) {
  ScratchFolder dir;
  ASSERT_TRUE(runExample("homogeneous", dir));
  const auto tables = parseKorvisLog(dir.read("korvis.txt"), 9, 4);
  ASSERT_EQ(tables.size(), 2U);
  for (const auto& t : tables) {
    for (const auto& row : t.value) {
      for (double v : row) EXPECT_EQ(v, t.chargeability ? 5.0 : 100.0);
    }
  }
}

// Away from the dyke the Schlumberger values of short spacings are those of
// the 500 ohm-m cover over the 100 ohm-m host: the surface electrodes must
// take the cover's resistivity.
TEST(Examples, DykeSeesTheCoverAwayFromTheDyke) {
  ScratchFolder dir;
  ASSERT_TRUE(runExample("dyke", dir));
  const auto tables = parseKorvisLog(dir.read("korvis.txt"), 20, 6);
  ASSERT_EQ(tables.size(), 2U);
  const auto& rho = tables[0];
  for (std::size_t j : {0U, 1U}) {  // AB/2 = 10 m and 20 m
    const double expected = twoLayerSchlumberger(500, 100, 10, rho.spacings[j]);
    for (std::size_t p : {0U, 19U}) {  // x = -95 m and 95 m
      EXPECT_NEAR(rho.value[j][p], expected, 0.005 * expected) << "AB/2 " << rho.spacings[j];
    }
  }
  // The chargeable dyke shows in the chargeability over it only.
  const auto& eta = tables[1];
  EXPECT_LT(eta.value[0][0], 0.01);
  EXPECT_GT(eta.value[5][9], 1.0);
}

// The survey example: away from the dyke the shortest Wenner measurement
// sees the 500 ohm-m cover, 10 m thick, over the 100 ohm-m host.
TEST(Examples, SurveyExampleSeesTheCover) {
  ScratchFolder dir;
  ASSERT_TRUE(runExample("survey", dir));
  std::istringstream in(dir.read("survey-data.dat"));
  std::string line;
  double rhoa = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    int a, b, m, n;
    double k, u, i, r;
    if (fields >> a >> b >> m >> n >> k >> u >> i >> r >> rhoa && a == 1 && b == 4 && m == 2 &&
        n == 3) {
      break;
    }
    rhoa = 0;
  }
  // Wenner a = 5 m over two layers: rho1 (1 + 4 sum k^n (1/sqrt(1 + (2nh/a)^2)
  // - 1/sqrt(4 + (2nh/a)^2))), k = (rho2 - rho1)/(rho2 + rho1).
  const double k = (100.0 - 500.0) / 600.0, h = 10.0, a = 5.0;
  double sum = 0, kn = 1;
  for (int n = 1; n < 200; ++n) {
    kn *= k;
    const double t = 2.0 * n * h / a;
    sum += kn * (1.0 / std::sqrt(1.0 + t * t) - 1.0 / std::sqrt(4.0 + t * t));
  }
  const double expected = 500.0 * (1.0 + 4.0 * sum);
  EXPECT_NEAR(rhoa, expected, 0.005 * expected);
}

}  // namespace
}  // namespace validation
