#include "section/telm_results.h"

#include <gtest/gtest.h>

#include <set>

#include "common/record_reader.h"
#include "section/svg.h"
#include "svg_check.h"

namespace section {
namespace {

using section_test::parseXml;
using section_test::TempFolder;

// Three stations, two spacings, with IP; one resistivity overflowed its field.
const char* const schlumberger =
    "Dyke & host                                                                \n"
    "second title                                                               \n"
    "   3   1   2   l\n"
    "     10.00     20.00 \n"
    "    0.0\n   2\n    100.00    120.00 \n      1.00      2.00 \n"
    "   10.0\n   2\n    110.00  ******** \n      1.50      2.50 \n"
    "   20.0\n   2\n     90.00    130.00 \n      0.50      3.00 \n";

section_test::XmlDocument render(const Picture& p) {
  auto doc = parseXml(renderPicture(p));
  EXPECT_EQ(doc.error, "");
  return doc;
}

TEST(TelmArrayFile, OneCellPerValueAndAPictureForEachQuantity) {
  TempFolder t;
  const auto pictures = readTelmArrayFile(t.write("amnb_01.dat", schlumberger), "amnb_01");
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[0].name, "amnb_01_rho.svg");
  EXPECT_EQ(pictures[1].name, "amnb_01_eta.svg");
  const auto rho = render(pictures[0]);
  EXPECT_EQ(rho.count("polygon", "cell"), 6u);
  const auto titles = rho.texts("title");
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(titles[0], "Dyke &amp; host");
  // The colour bar spans the finite data; the overflowed value is grey.
  const auto bar = rho.texts("bar-label");
  EXPECT_EQ(bar.front(), formatLabel(90.0));
  EXPECT_EQ(bar.back(), formatLabel(130.0));
  std::size_t grey = 0;
  for (const auto& e : rho.elements) grey += e.attributes.count("fill") && e.attributes.at("fill") == noValueColour;
  EXPECT_EQ(grey, 2u);  // the cell and the legend swatch
  const auto eta = render(pictures[1]);
  EXPECT_EQ(eta.count("polygon", "cell"), 6u);
  EXPECT_EQ(eta.texts("bar-label").front(), "0.5");
  EXPECT_EQ(eta.texts("bar-label").back(), "3");
}

TEST(TelmArrayFile, ConstantFieldDrawsOneColour) {
  TempFolder t;
  const auto path = t.write("abmn_06.dat",
                            "t1\nt2\n   2   0   3   d\n      5.00     10.00     15.00 \n"
                            "    0.0\n   3\n     50.00     50.00     50.00 \n"
                            "    5.0\n   3\n     50.00     50.00     50.00 \n");
  const auto pictures = readTelmArrayFile(path, "abmn_06");
  ASSERT_EQ(pictures.size(), 1u);  // no IP block
  const auto doc = render(pictures[0]);
  std::set<std::string> fills;
  for (const auto& e : doc.elements) {
    if (section_test::XmlDocument::attr(e, "class") == "cell") fills.insert(e.attributes.at("fill"));
  }
  EXPECT_EQ(fills.size(), 1u);
  EXPECT_EQ(doc.count("polygon", "cell"), 6u);
  EXPECT_EQ(doc.texts("bar-label"), std::vector<std::string>{"50"});
}

TEST(TelmArrayFile, ListsLongerThanEightContinueOnNextLines) {
  TempFolder t;
  std::string text = "a\nb\n   1   0  10   l\n";
  text += "      1.00      2.00      3.00      4.00      5.00      6.00      7.00      8.00 \n      9.00     10.00 \n";
  text += "    0.0\n  10\n";
  text += "      1.00      2.00      3.00      4.00      5.00      6.00      7.00      8.00 \n      9.00     10.00 \n";
  const auto doc = render(readTelmArrayFile(t.write("amn_02.dat", text), "amn_02").at(0));
  EXPECT_EQ(doc.count("polygon", "cell"), 10u);
}

TEST(TelmArrayFile, Kind12IsDrawnAsProfiles) {
  TempFolder t;
  const auto path = t.write("a_mn_b12.dat",
                            "t1\nt2\n   3   1   1   _\n"
                            "       0.00   100.00     1.00\n      10.00  *******     2.00\n      20.00   120.00     3.00\n");
  const auto pictures = readTelmArrayFile(path, "a_mn_b12");
  ASSERT_EQ(pictures.size(), 2u);
  const auto rho = render(pictures[0]);
  EXPECT_EQ(rho.count("circle", "point"), 2u);
  EXPECT_EQ(rho.count("polyline", "profile"), 2u);  // broken at the missing value
  EXPECT_EQ(render(pictures[1]).count("circle", "point"), 3u);
}

TEST(TelmArrayFile, MagneticFileGivesThreeProfiles) {
  TempFolder t;
  const auto path = t.write("magn13.dat", " x z dHx dHz dZ\n        0.00        0.00        1.000        2.000        3.000\n"
                                          "       10.00        0.00        1.500        2.500        3.500\n");
  const auto doc = render(readMagneticFile(path, "magn13").at(0));
  EXPECT_EQ(doc.count("polyline", "profile"), 3u);
  EXPECT_EQ(doc.count("circle", "point"), 6u);
}

TEST(TelmArrayFile, MalformedFilesNameFileAndLine) {
  TempFolder t;
  const auto expectMessage = [&](const std::string& text, const std::string& message) {
    const auto path = t.write("mnb_03.dat", text);
    try {
      readTelmArrayFile(path, "mnb_03");
      ADD_FAILURE() << "no error for " << message;
    } catch (const common::InputError& e) {
      EXPECT_EQ(e.what(), path + message);
    }
  };
  expectMessage("t1\nt2\n", ", line 3: end of file, expected two title lines and the count line");
  expectMessage("t1\nt2\n   2   0  31   l\n", ", line 3: expected an integer from 1 to 30 for spacing count, found \"31\"");
  expectMessage("t1\nt2\n   1   0   2   l\n  5.0 10.0\n    0.0\n   3\n",
                ", line 6: expected the spacing count 2 of station 1");
  expectMessage("t1\nt2\n   1   0   2   l\n  5.0 10.0\n*******\n",
                ", line 5: expected a finite x of station 1");
  expectMessage("t1\nt2\n   1   0   2   l\n  5.0 10.0\n    0.0\n   2\n  1.0 x\n",
                ", line 7: expected a number for apparent resistivity of station 1, found \"x\"");
  expectMessage("t1\nt2\n   1   1   2   l\n  5.0 10.0\n    0.0\n   2\n  1.0 2.0\n",
                ", line 8: end of file, expected 2 values of apparent chargeability of station 1");
  EXPECT_THROW(readTelmArrayFile(t.file("missing.dat"), "missing"), common::InputError);
}

}  // namespace
}  // namespace section
