// The bundled examples: each runs cleanly (telm, then korvis after a mesh
// preparation), every current electrode finds the body it stands in, every
// printed value is a number, and the examples with a known answer give it.
#include <gtest/gtest.h>

#include <algorithm>
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

// Runs an example in `dir`; returns false (with the failures reported) when a
// program fails.
bool runExample(const std::string& name, const ScratchFolder& dir) {
  fs::copy(fs::path(EXAMPLES_DIR) / name, dir.path(), fs::copy_options::recursive);
  const int telm = dir.run(TELM_EXE, "telm");
  EXPECT_EQ(telm, 0) << name << ":\n" << dir.read("telm.console");
  if (telm != 0) return false;
  if (dir.exists("varga.xy")) {
    const int korvis = dir.run(KORVIS_EXE, "korvis");
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
    int results = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      const std::string file = entry.path().filename().string();
      const std::string ext = entry.path().extension().string();
      if (ext == ".console" || ext == ".svg" || fs::exists(fs::path(EXAMPLES_DIR) / name / file)) {
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

}  // namespace
}  // namespace validation
