#include "section/korvis_log.h"

#include <gtest/gtest.h>

#include "common/record_reader.h"
#include "section/point_list.h"
#include "section/svg.h"
#include "svg_check.h"

namespace section {
namespace {

using section_test::parseXml;
using section_test::TempFolder;

std::string row(const std::string& spacing, int first, int count, int step) {
  std::string line = "   " + spacing + "   ";
  for (int k = 0; k < count; ++k) {
    if (k == 10) line += "\n";
    const std::string v = std::to_string(first + k * step) + ".000";
    line += std::string(9 - v.size(), ' ') + v + ' ';
  }
  return line + "\n";
}

// Twelve positions: heading and rows take two lines each. The heading fields
// abut once the values fill their seven columns.
const std::string log =
    "  nKy  KyMIN  KyMAX - 12  0.1000E-02  0.1000E+01\n"
    "          *****   APP.RESISTIVITY   *****\n"
    "  SPACE   10000.010010.010020.010030.010040.010050.010060.010070.010080.010090.0\n"
    "10100.010110.0\n"
    "  " + std::string(70, '-') + "\n" +
    row("   15.000", 100, 12, 1) + row("   25.000", 200, 12, 1) +
    "          *****   APP.CHARGEABILITY   *****\n"
    "  SPACE      0.0   10.0\n"
    "  " + std::string(70, '-') + "\n" +
    row("   15.000", 1, 2, 1) +
    "*****   APP.RESISTIVITY   *****\npoint   Rok\n   0.00000       100.0000000\n  10.00000       110.0000000\n"
    "Electrical field\n    X        Y       E_mn\n"
    "    0.0000      5.0000  0.1234E+01  \n    0.0000     10.0000  0.1334E+01  \n";

TEST(KorvisLog, EveryTableGivesAPicture) {
  TempFolder t;
  const auto pictures = readKorvisLog(t.write("korvis.txt", log), "korvis");
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_EQ(pictures[0].name, "korvis_rho_1.svg");
  EXPECT_EQ(pictures[1].name, "korvis_eta_1.svg");
  EXPECT_EQ(pictures[2].name, "korvis_rho_2.svg");
  EXPECT_EQ(pictures[3].name, "korvis_efield_1.svg");

  const auto rho = parseXml(renderPicture(pictures[0]));
  ASSERT_EQ(rho.error, "");
  EXPECT_EQ(rho.count("polygon", "cell"), 24u);
  EXPECT_EQ(rho.texts("bar-label").front(), "100");
  EXPECT_EQ(rho.texts("bar-label").back(), "200");
  // Without varga.arr beside the log the array is not known.
  EXPECT_EQ(rho.texts("title").at(0), "korvis: apparent resistivity, ohm-m");
  EXPECT_EQ(rho.texts("title").at(1), "korvis.txt, table 1");
  const auto& s = std::get<Pseudosection>(pictures[0].content);
  EXPECT_DOUBLE_EQ(s.values[1].x, 10010.0);
  EXPECT_DOUBLE_EQ(s.values[11].x, 10110.0);
  EXPECT_DOUBLE_EQ(s.values[12].depth, 25.0);
  EXPECT_DOUBLE_EQ(s.values[23].value, 211.0);

  EXPECT_EQ(std::get<Pseudosection>(pictures[1].content).scale, ScaleKind::linear);
  EXPECT_EQ(parseXml(renderPicture(pictures[2])).count("circle", "point"), 2u);
  // A field measured down a borehole is drawn against depth.
  EXPECT_EQ(std::get<Profile>(pictures[3].content).xLabel, "z, m");
}

TEST(KorvisLog, MalformedTablesNameFileAndLine) {
  TempFolder t;
  const auto expectMessage = [&](const std::string& text, const std::string& message) {
    const auto path = t.write("korvis.txt", text);
    try {
      readKorvisLog(path, "korvis");
      ADD_FAILURE() << "no error for " << message;
    } catch (const common::InputError& e) {
      EXPECT_EQ(e.what(), path + message);
    }
  };
  const std::string title = "          *****   APP.RESISTIVITY   *****\n";
  const std::string heading = "  SPACE      0.0   10.0\n  " + std::string(70, '-') + "\n";
  expectMessage("  nKy  KyMIN  KyMAX - 12\n", ", line 2: end of file, expected a result table");
  expectMessage(title + "  SPACE      0.0   10.0\n", ", line 3: end of file, expected the rule under the heading");
  expectMessage(title + heading + "     15.000     100.000 \n", ", line 4: expected 2 values of spacing 15");
  expectMessage(title + heading + "     15.000     100.000   abc \n",
                ", line 4: expected a number for value, found \"abc\"");
  expectMessage(title + "  SPACE      0.0 ******\n  ---\n", ", line 2: expected a finite number for position, found \"******\"");
  expectMessage(title + "junk\n", ", line 2: expected the table heading SPACE or point");
}

TEST(PointList, HalfSchlumbergerFiles) {
  TempFolder t;
  const auto path = t.write("A_MNip.txt",
                            " X R IP_app(AMN)\n       15.00000      -15.00000       1.000000    \n"
                            "       25.00000      -15.00000       2.000000    \n       25.00000      -25.00000\n"
                            "       3.000000    \n");
  const auto pictures = readPointList(path, "A_MNip");
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].name, "A_MNip.svg");
  const auto& s = std::get<Pseudosection>(pictures[0].content);
  EXPECT_EQ(s.scale, ScaleKind::linear);
  // The current electrode stands |R| to the left of the receiver (korvis
  // writes the spacing negative).
  EXPECT_DOUBLE_EQ(s.values[2].x, 12.5);
  EXPECT_NEAR(s.values[2].depth, 25.0 / 15.0 * s.values[0].depth, 1e-7);
  EXPECT_EQ(parseXml(renderPicture(pictures[0])).count("polygon", "cell"), 3u);

  const auto odd = t.write("MN_B.txt", " X R Rho_app(MNB)\n 1.0 -2.0 3.0\n 4.0 -5.0\n");
  EXPECT_THROW(readPointList(odd, "MN_B"), common::InputError);
  const auto header = t.write("AB_MN_pr.txt", " X Rok\n");
  EXPECT_THROW(readPointList(header, "AB_MN_pr"), common::InputError);
  // Headings only (a profile too short for any receiver): an empty section.
  const auto empty = readPointList(t.write("MN_Bip.txt", " X R IP_app(MNB)\n"), "MN_Bip");
  EXPECT_EQ(parseXml(renderPicture(empty.at(0))).error, "");
}

}  // namespace
}  // namespace section
