#include "section/pseudosection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "svg_check.h"

namespace section {
namespace {

TEST(CellEdges, HalfwayToNeighboursAndHalfAGapBeyondTheEnds) {
  EXPECT_EQ(cellEdges({10.0, 20.0, 40.0}), (std::vector<double>{5.0, 15.0, 30.0, 50.0}));
  EXPECT_EQ(cellEdges({8.0}), (std::vector<double>{4.0, 12.0}));
  EXPECT_EQ(cellEdges({0.0}), (std::vector<double>{-0.5, 0.5}));
  EXPECT_TRUE(cellEdges({}).empty());
}

// Widths of the cells on the page, in drawing order.
std::vector<double> cellWidths(const Pseudosection& s) {
  const auto doc = section_test::parseXml(renderPseudosection(s));
  EXPECT_EQ(doc.error, "");
  std::vector<double> widths;
  for (const auto& e : doc.elements) {
    if (section_test::XmlDocument::attr(e, "class") == "cell") widths.push_back(std::stod(e.attributes.at("width")));
  }
  return widths;
}

TEST(Pseudosection, RowsShiftedAlongTheProfileKeepFullWidthCells) {
  // Dipole-dipole lists move the receiver centre by half the offset per row.
  Pseudosection s;
  for (double x : {0.0, 10.0, 20.0}) {
    s.values.push_back({x, 10.0, 1.0});
    s.values.push_back({x - 5.0, 20.0, 2.0});
  }
  s.values.push_back({7.5, 30.0, 3.0});  // a row of one value
  const auto widths = cellWidths(s);
  ASSERT_EQ(widths.size(), 7u);
  for (double w : widths) EXPECT_NEAR(w, widths[0], 0.02);
}

TEST(Pseudosection, NonFiniteValuesAreGreyAndUnplaceableOnesSkipped) {
  Pseudosection s;
  s.values = {{0.0, 10.0, 5.0}, {10.0, 10.0, std::nan("")}, {std::nan(""), 10.0, 6.0}};
  const auto doc = section_test::parseXml(renderPseudosection(s));
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("rect", "cell"), 2u);
  EXPECT_NE(renderPseudosection(s).find(noValueColour), std::string::npos);
}

}  // namespace
}  // namespace section
