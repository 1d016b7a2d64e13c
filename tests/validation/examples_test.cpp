// The bundled examples: each runs cleanly (telm, then korvis after a mesh
// preparation), every current electrode finds the body it stands in, every
// printed value is a number, and the examples with a known answer give it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
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

// The result file of the topography example: the electrodes' x and
// elevation, and every datum's electrodes, resistance and apparent
// resistivity (columns a b m n k u i r rhoa).
struct ReliefResults {
  std::vector<double> x, z;
  struct Datum {
    int a, b, m, n;
    double r, rhoa;
  };
  std::vector<Datum> data;
};

ReliefResults parseReliefResults(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  ReliefResults out;
  const auto count = [&] {
    std::getline(in, line);
    const int n = std::stoi(line);
    std::getline(in, line);  // the token line
    return n;
  };
  for (int e = count(); e > 0 && std::getline(in, line); --e) {
    std::istringstream fields(line);
    double x = 0, z = 0;
    fields >> x >> z;
    out.x.push_back(x);
    out.z.push_back(z);
  }
  for (int d = count(); d > 0 && std::getline(in, line); --d) {
    std::istringstream fields(line);
    ReliefResults::Datum datum{};
    double k = 0, u = 0, i = 0;
    fields >> datum.a >> datum.b >> datum.m >> datum.n >> k >> u >> i >> datum.r >> datum.rhoa;
    out.data.push_back(datum);
  }
  return out;
}

// The topography example: with the geometric factors of the homogeneous
// earth under the same relief, the shortest Wenner data over the crest and
// the valley floor read the host's 100 ohm-m, and the lowest of them lies
// over the block. With the half-space factor of the electrodes' places the
// same resistances show the relief instead: a low over the crest flanked by
// highs, the opposite over the valley floor.
TEST(Examples, TopographyExampleSeesTheBlockNotTheRelief) {
  ScratchFolder dir;
  ASSERT_TRUE(runExample("topography", dir));
  const ReliefResults results = parseReliefResults(dir.read("survey-data.dat"));
  ASSERT_EQ(results.x.size(), 48U);
  ASSERT_EQ(results.data.size(), 753U);
  const auto distance = [&](int p, int q) {
    const auto i = static_cast<std::size_t>(p - 1), j = static_cast<std::size_t>(q - 1);
    return std::hypot(results.x[i] - results.x[j], results.z[i] - results.z[j]);
  };
  struct Wenner {
    double midpoint, rhoa, halfSpaceRhoa;
  };
  std::vector<Wenner> wenner;  // a = 3 m, by midpoint
  for (const auto& d : results.data) {
    if (d.b - d.a != 3 || d.m - d.a != 1 || d.n - d.a != 2) continue;
    const double g = 1 / distance(d.a, d.m) - 1 / distance(d.a, d.n) - 1 / distance(d.b, d.m) + 1 / distance(d.b, d.n);
    wenner.push_back({(results.x[static_cast<std::size_t>(d.a - 1)] + results.x[static_cast<std::size_t>(d.b - 1)]) / 2,
                      d.rhoa, 2 * std::numbers::pi / g * d.r});
  }
  ASSERT_EQ(wenner.size(), 45U);
  const auto at = [&](double x) {
    for (const auto& w : wenner) {
      if (std::fabs(w.midpoint - x) < 0.01) return w;
    }
    ADD_FAILURE() << "no Wenner datum at " << x;
    return Wenner{};
  };
  const struct {
    double x;
    bool lowAtCentre;  // a crest; a valley floor has a high
  } rows[] = {{-30.0, true}, {30.0, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE("midpoint " + std::to_string(row.x));
    EXPECT_NEAR(at(row.x).rhoa, 100.0, 1.0);
    const double low = 95.0, high = 105.0;
    for (const double side : {-3.0, 3.0}) {
      const double centre = at(row.x).halfSpaceRhoa, flank = at(row.x + side).halfSpaceRhoa;
      EXPECT_TRUE(row.lowAtCentre ? centre < low && flank > high : centre > high && flank < low) << centre << " " << flank;
    }
  }
  const auto lowest = std::min_element(wenner.begin(), wenner.end(), [](auto p, auto q) { return p.rhoa < q.rhoa; });
  EXPECT_GT(lowest->midpoint, -24.0);
  EXPECT_LT(lowest->midpoint, -8.0);
  EXPECT_LT(lowest->rhoa, 96.0);
}

}  // namespace
}  // namespace validation
