// A two-layer earth (a wide layer over a basement) against the image-series
// solution for the Schlumberger kind of korvis: a resistive and a conductive
// basement, half-spacings from a quarter of the layer thickness to ten
// times it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "analytic.h"
#include "result_parsing.h"
#include "scratch_run.h"
#include "studies.h"

namespace validation {
namespace {

struct TwoLayerCase {
  double rho1, rho2, h;
  double halfWidth;
  double dens;
};

ErrorStats twoLayerError(const TwoLayerCase& c) {
  ArraySurvey a;
  a.keyArr = 1;
  a.X0 = -20;
  a.dX = 20;
  a.nPos = 3;
  a.spacings = {5, 7, 10, 15, 20, 30, 40, 60, 80, 100, 150, 200};
  const KorvisOutcome run =
      runKorvisStudy(twoLayerModel(c.rho1, c.h, c.rho2, c.halfWidth, 1000), 0, c.dens, a);
  ErrorStats err;
  EXPECT_TRUE(run.ok);
  if (!run.ok || run.tables.empty()) {
    err.maxRel = 1e30;
    return err;
  }
  const KorvisTable& t = run.tables[0];
  for (std::size_t j = 0; j < t.value.size(); ++j) {
    const double expected = twoLayerSchlumberger(c.rho1, c.rho2, c.h, t.spacings[j]);
    for (std::size_t p = 0; p < t.value[j].size(); ++p) {
      err.add(t.value[j][p], expected,
              "AB/2 " + label(t.spacings[j]) + " position " + std::to_string(p + 1));
    }
  }
  recordError("korvis two-layer " + label(c.rho1) + " over " + label(c.rho2) +
                  ", h " + label(c.h) + ", half-width " + label(c.halfWidth) +
                  ", dens " + label(c.dens) + ", nodes " + std::to_string(run.nodes),
              err);
  return err;
}

// Bounds: 1.5 times the largest relative error measured (0.83 % and
// 0.44 %), rounded up. The error does not fall with dens (4 gives the same)
// nor with a wider model (2 km): it is the wavenumber sum of korvis.
TEST(TwoLayerEarth, KorvisSchlumbergerResistiveBasement) {
  const ErrorStats e = twoLayerError({100, 1000, 20, 1000, 2});
  EXPECT_LE(e.maxRel, 0.013) << e.where;
}

TEST(TwoLayerEarth, KorvisSchlumbergerConductiveBasement) {
  const ErrorStats e = twoLayerError({500, 50, 20, 1000, 2});
  EXPECT_LE(e.maxRel, 0.007) << e.where;
}

// korvis --accurate on the mesh of examples/two-layer, with and without a
// spacing of 2000 m that no other value depends on: its electrodes widen
// the wavenumber rule, which must not move the other values. Measured:
// 0.0003 %, the tables' last digit (0.016 % with panels of width 3 and
// constant charges).
TEST(TwoLayerEarth, KorvisAccurateIgnoresAnUnusedSpacing) {
  ScratchFolder dir;
  std::ifstream model(std::string(EXAMPLES_DIR) + "/two-layer/two_layer.dat");
  dir.write("two_layer.dat", std::string(std::istreambuf_iterator<char>(model), {}));
  dir.write("filename", "two_layer.dat\n");
  ArraySurvey a;
  a.dX = 20;
  a.spacings = {5, 7, 10, 15, 20, 30, 40, 60, 80, 100, 150, 200};
  dir.write("varga.arr", arrayFile(a));
  ASSERT_EQ(dir.run(TELM_EXE, "telm"), 0) << dir.read("telm.console");
  ASSERT_EQ(dir.run(KORVIS_EXE, "korvis", {"--accurate"}), 0) << dir.read("korvis.console");
  const std::vector<KorvisTable> plain = parseKorvisLog(dir.read("korvis.txt"), 1, 12);
  a.spacings.push_back(2000);
  dir.write("varga.arr", arrayFile(a));
  ASSERT_EQ(dir.run(KORVIS_EXE, "wider", {"--accurate"}), 0) << dir.read("wider.console");
  const std::vector<KorvisTable> wider = parseKorvisLog(dir.read("korvis.txt"), 1, 13);
  ASSERT_EQ(plain.size(), 1u);
  ASSERT_EQ(wider.size(), 1u);
  ErrorStats err;
  for (std::size_t j = 0; j < 12; ++j) {
    err.add(wider[0].value[j][0], plain[0].value[j][0], "AB/2 " + label(plain[0].spacings[j]));
  }
  recordError("korvis --accurate two-layer, an unused spacing of 2000 m", err);
  EXPECT_LE(err.maxRel, 0.0001) << err.where;
}

}  // namespace
}  // namespace validation
