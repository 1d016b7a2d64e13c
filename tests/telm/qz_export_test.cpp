// qz.bin: its records for DC and magnetic configurations, and the export
// inside a run: once, for the first configuration, only when asked.
#include "telm/qz_export.h"

#include <gtest/gtest.h>

#include <sstream>

#include "array_test_models.h"
#include "telm/arrays.h"

namespace telm {
namespace {

using testing::ScratchDir;

Nodes twoNodes() {
  Nodes nd{maxNodes};
  nd.N = 2;
  nd.x[0] = 1.5f;
  nd.z[0] = 2.25f;
  nd.dL[0] = 0.5f;
  nd.xn[0] = 0.6f;
  nd.zn[0] = -0.8f;
  nd.x[1] = -120.125f;
  nd.z[1] = 40;
  nd.dL[1] = 12;
  nd.xn[1] = -1;
  nd.zn[1] = 0;
  return nd;
}

TEST(QzExport, Records) {
  const Nodes nd = twoNodes();
  const float sigma[] = {-0.00125f, 3.5f};
  Electrodes e;
  e.XA = -10;
  e.ZA = 0;
  e.XB = 100000;
  e.ZB = 0;
  const SourceMedium m{20, 100, 2, 1};
  std::istringstream dc(qzText(nd, sigma, 100, m, e, 1));
  std::string line;
  std::getline(dc, line);
  EXPECT_EQ(line, "           2      100.000000");
  std::getline(dc, line);
  EXPECT_EQ(line, "       20.000000      -10.000000    0.000000E+00");
  std::getline(dc, line);
  EXPECT_EQ(line, "      100.000000   100000.000000    0.000000E+00");
  std::getline(dc, line);
  ASSERT_EQ(line.size(), 80U);
  EXPECT_EQ(line.substr(0, 26), "     1.50000      2.25000 ");
  EXPECT_EQ(line.substr(58), "  0.6000000 -0.8000000");
  std::istringstream fields(line.substr(26, 32));
  float charge = 0, length = 0;
  fields >> charge >> length;
  EXPECT_EQ(charge, -0.00125f);
  EXPECT_EQ(length, 0.5f);
  std::getline(dc, line);
  EXPECT_EQ(line.substr(0, 26), "  -120.12500     40.00000 ");
  EXPECT_FALSE(std::getline(dc, line));

  // Magnetic-field array: "-1" and the normal field instead of rhoA, XA, ZA.
  e.XA = 0.5f;
  e.ZA = 2;
  std::istringstream mag(qzText(nd, sigma, 1, m, e, 13));
  std::getline(mag, line);
  std::getline(mag, line);
  EXPECT_EQ(line, " -1   5.000000E-01        2.000000");
}

TEST(QzExport, FirstConfigurationOfTheRunOnlyWhenAsked) {
  ScratchDir dir;
  testing::ModelRecipe recipe = testing::blocksOverLayer();
  recipe.survey.kinds = {2, 3};
  recipe.keyRun = 2;
  auto st = testing::loadModel(dir, recipe);
  std::ostringstream console, errors;
  ArrayRunOptions options;
  options.directory = dir.str();
  ASSERT_EQ(computeArrays(*st, console, errors, options), 0);
  EXPECT_EQ(st->keyRun, 0);
  const std::string text = console.str();
  EXPECT_NE(text.find("Points (   7)\n   1    File for KESSARO program is saved.\n   2"),
            std::string::npos);
  EXPECT_EQ(text.find("KESSARO"), text.rfind("KESSARO"));

  std::istringstream qz(dir.read("qz.bin"));
  std::string line;
  int count = 0;
  while (std::getline(qz, line)) ++count;
  EXPECT_EQ(count, st->nodes.N + 3);
  // Station 1, spacing 1 of kind 2: A at -60 - 10 in body 1, B remote.
  std::istringstream second(dir.read("qz.bin"));
  std::getline(second, line);
  std::getline(second, line);
  EXPECT_EQ(line, "      100.000000      -70.000000    0.000000E+00");

  // Without keyRun = 2 an existing qz.bin stays as it is.
  dir.write("qz.bin", "kept\n");
  recipe.keyRun = 0;
  auto again = testing::loadModel(dir, recipe);
  ASSERT_EQ(computeArrays(*again, console, errors, options), 0);
  EXPECT_EQ(dir.read("qz.bin"), "kept\n");
}

TEST(QzExport, MagneticRunWritesTheNormalField) {
  ScratchDir dir;
  testing::ModelRecipe recipe = testing::magneticBody();
  recipe.survey.kinds = {13};
  recipe.survey.XA = 2;
  recipe.survey.ZA = 0;
  recipe.keyRun = 2;
  auto st = testing::loadModel(dir, recipe);
  std::ostringstream console, errors;
  ArrayRunOptions options;
  options.directory = dir.str();
  ASSERT_EQ(computeArrays(*st, console, errors, options), 0);
  std::istringstream qz(dir.read("qz.bin"));
  std::string line;
  std::getline(qz, line);
  std::getline(qz, line);
  EXPECT_EQ(line, " -1       2.000000    0.000000E+00");
}

}  // namespace
}  // namespace telm
