// The half-Schlumberger profile files and exchange files: which grid cells
// go to which line, the triangular limits at the ends of the profile, and
// the exact header lines.
#include "korvis/result_files.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/free_format.h"

namespace korvis {
namespace {

using Files = std::map<std::string, std::string>;

Files written(const std::vector<common::OutputFile>& files) {
  Files out;
  for (const auto& f : files) out[f.path()] = f.text();
  return out;
}

std::string values(float x, float r, float v) {
  return (common::FreeRecord(common::FreeStyle::korvis) << x << r << v).str();
}

std::string indices(int t, int k, float v) {
  return (common::FreeRecord(common::FreeStyle::korvis) << t << ", " << k << ", " << v << ", ")
      .str();
}

const std::string kForwardHeader =
    "/ SPACING        :    5.00\n"
    "/ LEFT ELECTRODE :    0.00\n"
    "/ ARRAY          : forward half Schlumberger\n"
    " TX index, RX index, app. resistivity\n";
const std::string kReverseHeader =
    "/ SPACING        :    5.00\n"
    "/ LEFT ELECTRODE :    0.00\n"
    "/ ARRAY          : reverce half Schlumberger\n"
    " TX index, RX index, app. resistivity\n";

// Six positions, two spacings; forward cell (r, c) holds 10r + c, reverse
// cell -(10r + c), so every value names the cell it came from.
struct Grids {
  std::vector<float> forward, reverse;
  Grids(int nPos, int nSpac) {
    for (int c = 1; c <= nSpac; ++c) {
      for (int r = 1; r <= nPos; ++r) {
        forward.push_back(static_cast<float>(10 * r + c));
        reverse.push_back(-static_cast<float>(10 * r + c));
      }
    }
  }
};

TEST(ResultFiles, ProfileFilesTakeTheTrianglesInsideTheProfile) {
  const Grids g(6, 2);
  const float spacings[] = {7.5f, 12.5f};
  std::vector<common::OutputFile> files;
  writeProfileTables(5.0f, 0.0f, 6, spacings, 2, g.forward.data(), g.reverse.data(), 0, files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path(), "A_MN.txt");
  EXPECT_EQ(files[1].path(), "MN_B.txt");
  EXPECT_EQ(files[0].text(), " X R Rho_app(AMN)\n" + values(7.5f, -7.5f, 11) +
                                 values(12.5f, -7.5f, 21) + values(12.5f, -12.5f, 12) +
                                 values(17.5f, -7.5f, 31) + values(17.5f, -12.5f, 22));
  EXPECT_EQ(files[1].text(), " X R Rho_app(MNB)\n" + values(7.5f, -7.5f, -41) +
                                 values(7.5f, -12.5f, -52) + values(12.5f, -7.5f, -51) +
                                 values(12.5f, -12.5f, -62) + values(17.5f, -7.5f, -61));
  EXPECT_EQ(values(12.5f, -12.5f, 12),
            "    12.50000      -12.50000       12.00000    \n");
}

TEST(ResultFiles, ChargeabilityProfileFilesHaveTheirOwnNames) {
  const Grids g(6, 1);
  const float spacings[] = {7.5f};
  std::vector<common::OutputFile> files;
  writeProfileTables(5.0f, 0.0f, 6, spacings, 1, g.forward.data(), g.reverse.data(), 1, files);
  const Files f = written(files);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f.at("A_MNip.txt").substr(0, 17), " X R IP_app(AMN)\n");
  EXPECT_EQ(f.at("MN_Bip.txt").substr(0, 17), " X R IP_app(MNB)\n");
}

TEST(ResultFiles, ExchangeFilesHoldOneMoreDiagonal) {
  const Grids g(6, 2);
  std::vector<common::OutputFile> files;
  writeRs2Files(5.0f, 0.0f, 6, 2, g.forward.data(), g.reverse.data(), files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path(), "FORWARD.RS2");
  EXPECT_EQ(files[1].path(), "REVERSE.RS2");
  EXPECT_EQ(files[0].text(), kForwardHeader + indices(1, 1, 11) + indices(1, 2, 12) +
                                 indices(2, 1, 21) + indices(2, 2, 22) + indices(3, 1, 31) +
                                 indices(3, 2, 32) + indices(4, 1, 41));
  EXPECT_EQ(files[1].text(), kReverseHeader + indices(1, 1, -31) + indices(1, 2, -42) +
                                 indices(2, 1, -41) + indices(2, 2, -52) + indices(3, 1, -51) +
                                 indices(3, 2, -62) + indices(4, 1, -61));
}

TEST(ResultFiles, ShortProfiles) {
  // Three positions: headers only in the profile files, one line in each
  // exchange file; two positions or fewer: headers only everywhere.
  const Grids g(3, 4);
  const float spacings[] = {7.5f, 12.5f, 17.5f, 22.5f};
  std::vector<common::OutputFile> files;
  writeProfileTables(5.0f, 0.0f, 3, spacings, 4, g.forward.data(), g.reverse.data(), 0, files);
  writeRs2Files(5.0f, 0.0f, 3, 4, g.forward.data(), g.reverse.data(), files);
  Files f = written(files);
  EXPECT_EQ(f.at("A_MN.txt"), " X R Rho_app(AMN)\n");
  EXPECT_EQ(f.at("MN_B.txt"), " X R Rho_app(MNB)\n");
  EXPECT_EQ(f.at("FORWARD.RS2"),
            kForwardHeader + "            1 ,            1 ,    11.00000     , \n");
  EXPECT_EQ(f.at("REVERSE.RS2"),
            kReverseHeader + "            1 ,            1 ,   -31.00000     , \n");

  files.clear();
  writeProfileTables(5.0f, 0.0f, 2, spacings, 4, g.forward.data(), g.reverse.data(), 0, files);
  writeRs2Files(5.0f, 0.0f, 2, 4, g.forward.data(), g.reverse.data(), files);
  f = written(files);
  EXPECT_EQ(f.at("A_MN.txt"), " X R Rho_app(AMN)\n");
  EXPECT_EQ(f.at("FORWARD.RS2"), kForwardHeader);
  EXPECT_EQ(f.at("REVERSE.RS2"), kReverseHeader);
}

TEST(ResultFiles, WideHeaderValuesPrintAsAsterisks) {
  const Grids g(4, 1);
  const float spacings[] = {1.5e7f};
  std::vector<common::OutputFile> files;
  writeRs2Files(1.0e7f, -1000.0f, 4, 1, g.forward.data(), g.reverse.data(), files);
  writeProfileTables(1.0e7f, -1000.0f, 4, spacings, 1, g.forward.data(), g.reverse.data(), 0,
                     files);
  const Files f = written(files);
  EXPECT_EQ(f.at("FORWARD.RS2").substr(0, 54),
            "/ SPACING        : *******\n/ LEFT ELECTRODE : *******\n");
  EXPECT_EQ(f.at("A_MN.txt"),
            " X R Rho_app(AMN)\n   0.1499900E+08 -0.1500000E+08   11.00000    \n");
}

}  // namespace
}  // namespace korvis
