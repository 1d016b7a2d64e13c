// The tables of korvis.txt, checked as exact text.
#include "korvis/log_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace korvis {
namespace {

TEST(LogTables, OrdinaryTableWrapsRowsAtTenValues) {
  const float spacings[] = {10.0f, 20.0f};
  std::vector<float> grid(24);
  for (int p = 0; p < 12; ++p) {
    grid[static_cast<std::size_t>(p)] = 1.25f * static_cast<float>(p + 1);
    grid[static_cast<std::size_t>(12 + p)] = -100.5f * static_cast<float>(p + 1);
  }
  EXPECT_EQ(ordinaryTable(5.0f, -2.5f, 12, spacings, 2, grid.data(), 0),
            "          *****   APP.RESISTIVITY   *****\n"
            "  SPACE      -2.5    2.5    7.5   12.5   17.5   22.5   27.5   32.5   37.5   42.5\n"
            "   47.5   52.5\n"
            "  ----------------------------------------------------------------------\n"
            "      10.000       1.250     2.500     3.750     5.000     6.250     7.500     8.750"
            "    10.000    11.250    12.500 \n"
            "   13.750    15.000 \n"
            "      20.000    -100.500  -201.000  -301.500  -402.000  -502.500  -603.000  -703.500"
            "  -804.000  -904.500 -1005.000 \n"
            "-1105.500 -1206.000 \n");
}

TEST(LogTables, OrdinaryTableWithoutSpacingsAndChargeabilityTitle) {
  const float spacings[] = {5.0f};
  const float grid[] = {1.0f, 123456.7f, std::numeric_limits<float>::quiet_NaN()};
  EXPECT_EQ(ordinaryTable(1.0f, 0.0f, 3, spacings, 0, grid, 1),
            "          *****   APP.CHARGEABILITY   *****\n"
            "  SPACE       0.0    1.0    2.0\n"
            "  ----------------------------------------------------------------------\n");
  EXPECT_EQ(ordinaryTable(1.0f, 0.0f, 3, spacings, 1, grid, 1),
            "          *****   APP.CHARGEABILITY   *****\n"
            "  SPACE       0.0    1.0    2.0\n"
            "  ----------------------------------------------------------------------\n"
            "       5.000       1.000 *********       NaN \n");
}

TEST(LogTables, GradientTable) {
  const float grid[] = {12.5f, -0.0625f};
  EXPECT_EQ(gradientTable(0.25f, 0.5f, 2, grid, 0),
            "*****   APP.RESISTIVITY   *****\n"
            "point   Rok\n"
            "   0.50000       12.5000000\n"
            "   0.75000       -0.0625000\n");
  EXPECT_EQ(gradientTable(0.25f, 0.5f, 0, grid, 1),
            "*****   APP.CHARGEABILITY   *****\n"
            "point   Eta\n");
}

TEST(LogTables, ElectricFieldTable) {
  const float grid[] = {0.00125f, -3.5e7f};
  EXPECT_EQ(electricFieldTable(2.0f, -1.0f, 0.5f, 3.0f, 2, grid),
            "Electrical field\n"
            "    X        Y       E_mn\n"
            "   -1.0000      3.0000  0.1250E-02  \n"
            "    1.0000      3.5000  -.3500E+08  \n");
}

}  // namespace
}  // namespace korvis
