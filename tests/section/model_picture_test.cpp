#include "section/model_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/record_reader.h"
#include "section/picture.h"
#include "svg_check.h"

namespace section {
namespace {

using section_test::parseXml;
using section_test::TempFolder;
using Doc = section_test::XmlDocument;

// A dipping contact: host (100 ohm-m) left of it, 10 ohm-m to the right. The
// outline of body 1 names vertex 5 of 4, for the error test; goodHead() mends it.
const std::string head =
    "           4           2           3           0 nP,nT, nPOnSurface,keyIP\n"
    "           1           4           2 [Surfase]\n"
    "           1           2\n"
    "  100.000000       100.000000             4 Ro, RO_IP nVer\n"
    "           1           4           3           5           1\n"
    "  10.000000      10.000000             3 Ro, RO_IP nVer\n"
    "           4           2           3           4\n"
    " -100.000000       0.000000E+00  xp, zp\n"
    "  100.000000       0.000000E+00  xp, zp\n"
    "  20.000000      30.000000  xp, zp\n"
    "  0.000000E+00   0.000000E+00  xp, zp\n";
const std::string nodes =
    "           3 N cells\n"
    "     2.50000      3.75000       5.0000000   0.832050294  -0.554700196   0.818181813   0.818181813 x z dL xn zn q qIP\n"
    "     7.50000     11.25000      10.0000000   0.832050294  -0.554700196   0.818181813   0.818181813 x z dL xn zn q qIP\n"
    "    15.00000     22.50000      20.0000000   0.832050294  -0.554700196   0.818181813   0.818181813 x z dL xn zn q qIP\n";

std::string goodHead() {
  std::string text = head;
  return text.replace(text.find("           1           4           3           5"), 48,
                      "           1           4           3           2");
}

double number(const section_test::XmlElement& e, const char* key) { return std::stod(e.attributes.at(key)); }

TEST(ModelPicture, OneSegmentPerNodeAlongTheBoundaryOnRequest) {
  TempFolder t;
  auto m = readModel(t.write("varga.xy", goodHead() + nodes), t.file("varga.arr"));
  EXPECT_EQ(parseXml(renderModel(m)).count("line", "node"), 0u);
  m.showNodes = true;
  const auto doc = parseXml(renderModel(m));
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("line", "node"), 3u);
  EXPECT_EQ(doc.count("line", "normal"), 3u);
  EXPECT_EQ(doc.count("polygon", "body"), 2u);
  EXPECT_EQ(doc.count("line", "surface"), 1u);
  EXPECT_EQ(doc.count("polygon", "electrode"), 0u);  // no varga.arr

  // Without varga.arr a survey file gives the electrodes its measurements use.
  const auto surveyed = readModel(t.file("varga.xy"), t.file("varga.arr"),
                                  t.write("s.dat", "4\n# x z\n-10 0\n0 0\n10 0\n50 -5\n1\n# a b m n\n1 0 2 3\n"));
  ASSERT_EQ(surveyed.electrodes.size(), 3u);
  EXPECT_TRUE(surveyed.electrodes[0].current);
  EXPECT_FALSE(surveyed.electrodes[2].current);
  EXPECT_GT(surveyed.deepest, 0.0);

  std::vector<double> lengths;
  std::vector<const section_test::XmlElement*> segments, ticks;
  for (const auto& e : doc.elements) {
    if (Doc::attr(e, "class") == "node") segments.push_back(&e);
    if (Doc::attr(e, "class") == "normal") ticks.push_back(&e);
  }
  for (std::size_t k = 0; k < 3; ++k) {
    const double sx = number(*segments[k], "x2") - number(*segments[k], "x1");
    const double sy = number(*segments[k], "y2") - number(*segments[k], "y1");
    const double nx = number(*ticks[k], "x2") - number(*ticks[k], "x1");
    const double ny = number(*ticks[k], "y2") - number(*ticks[k], "y1");
    EXPECT_NEAR((sx * nx + sy * ny) / std::hypot(sx, sy) / std::hypot(nx, ny), 0.0, 0.01);
    lengths.push_back(std::hypot(sx, sy));
  }
  // Lengths on the page follow dL (5, 10, 20 m).
  EXPECT_NEAR(lengths[1] / lengths[0], 2.0, 0.01);
  EXPECT_NEAR(lengths[2] / lengths[0], 4.0, 0.01);
}

// The x range the axis labels cover.
std::pair<double, double> xTicks(const Doc& doc) {
  const auto ticks = doc.texts("x-tick");
  return {std::stod(ticks.front()), std::stod(ticks.back())};
}

TEST(ModelPicture, FramedOnTheSurveyedGroundWithElectrodesAndBodyLabels) {
  TempFolder t;
  t.write("varga.xy", goodHead() + nodes);
  t.write("varga.arr", "5 0 -20 0 9 3\n-50 0 50 0 0 17 0\n10 20 30\n");
  const auto pictures = picturesOf(t.file("varga.xy"), InputKind::model);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].name, "model.svg");
  const auto doc = parseXml(renderPicture(pictures[0]));
  ASSERT_EQ(doc.error, "");
  // Nine receivers and the fixed current electrodes A and B (filled).
  EXPECT_EQ(doc.count("polygon", "electrode"), 11u);
  std::size_t filled = 0;
  for (const auto& e : doc.elements) filled += Doc::attr(e, "class") == "electrode" && Doc::attr(e, "fill") == "black";
  EXPECT_EQ(filled, 2u);
  EXPECT_EQ(doc.texts("title").at(1), "varga.arr: gradient, fixed A and B (kind 17), 9 positions");
  EXPECT_EQ(doc.texts("body-label"), (std::vector<std::string>{"1: 100 ohm-m", "2: 10 ohm-m"}));
  // A to B with a margin, inside the 200 m wide model; --full shows it all.
  const auto [lo, hi] = xTicks(doc);
  EXPECT_LE(lo, -50.0);
  EXPECT_GE(hi, 50.0);
  EXPECT_LT(hi - lo, 150.0);
  const auto whole = picturesOf(t.file("varga.xy"), InputKind::model, {.fullModel = true});
  const auto [wholeLo, wholeHi] = xTicks(parseXml(renderPicture(whole.at(0))));
  EXPECT_LE(wholeLo, -100.0);
  EXPECT_GE(wholeHi, 100.0);
}

// The corner points of a polygon's "points" attribute.
std::vector<std::pair<double, double>> corners(const section_test::XmlElement& e) {
  std::vector<std::pair<double, double>> out;
  std::istringstream in(Doc::attr(e, "points"));
  double x = 0, y = 0;
  char comma = 0;
  while (in >> x >> comma >> y) out.push_back({x, y});
  return out;
}

// A ridge 5 m high at x = 0 (flanks from -10 to 10 m): the surface is drawn
// where it is, with air above the crest, and an electrode that is not below
// the ground stands on it at its x (where --drape puts one above it); one
// inside the ridge and one 20 m down a hole are diamonds where they are.
TEST(ModelPicture, GroundWithReliefAndElectrodesStandingOnIt) {
  TempFolder t;
  t.write("varga.xy",
          "7 1 5 0\n1 2 3 4 5\n1 1 1 1\n100 100 7\n1 2 3 4 5 6 7 1\n"
          "-100 0\n-10 0\n0 -5\n10 0\n100 0\n100 50\n-100 50\n0\n");
  const auto m = readModel(t.file("varga.xy"), t.file("varga.arr"),
                           t.write("s.dat", "5\n# x z\n-15 0\n0 5\n5 4\n0 0\n0 -20\n2\n# a b m n\n1 2 3 4\n1 2 3 5\n"));
  const auto doc = parseXml(renderModel(m));
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("line", "surface"), 0u);
  ASSERT_EQ(doc.count("polyline", "surface"), 1u);
  const section_test::XmlElement* surface = nullptr;
  std::vector<std::vector<std::pair<double, double>>> electrodes;
  double frameTop = 0;
  for (const auto& e : doc.elements) {
    if (Doc::attr(e, "class") == "surface") surface = &e;
    if (Doc::attr(e, "class") == "electrode") electrodes.push_back(corners(e));
    if (e.name == "rect" && Doc::attr(e, "fill") == "none") frameTop = number(e, "y");
  }
  // Level from the frame's left edge, up to the crest and down again, to
  // the frame's right edge.
  const auto line = corners(*surface);
  ASSERT_GE(line.size(), 3u);
  EXPECT_DOUBLE_EQ(line.front().first, 80.0);
  EXPECT_DOUBLE_EQ(line.back().first, 720.0);
  const double level = line.front().second;
  double crest = level;
  for (const auto& c : line) crest = std::min(crest, c.second);
  EXPECT_LT(crest, level - 10.0);
  EXPECT_GT(crest, frameTop + 5.0);  // air above the crest

  struct Row {
    std::size_t corners;
    double apexY;  // the lowest corner: where a triangle stands
  };
  const double scale = (level - crest) / 5.0;  // pixels per metre
  const Row rows[] = {{3, level}, {3, crest}, {3, crest + 2.5 * scale}, {4, level + 6}, {4, level + 20 * scale + 6}};
  ASSERT_EQ(electrodes.size(), std::size(rows));
  for (std::size_t k = 0; k < electrodes.size(); ++k) {
    EXPECT_EQ(electrodes[k].size(), rows[k].corners) << "electrode " << k + 1;
    double lowest = 0;
    for (const auto& c : electrodes[k]) lowest = std::max(lowest, c.second);
    EXPECT_NEAR(lowest, rows[k].apexY, 0.02) << "electrode " << k + 1;
  }
}

TEST(ModelPicture, ChargeableModelGetsASecondPanel) {
  TempFolder t;
  std::string text = goodHead() + nodes;
  text.replace(text.find("           0 nP,nT"), 12, "           1");
  text.replace(text.find("  10.000000      10.000000 "), 27, "  10.000000      12.500000 ");
  const auto doc = parseXml(renderModel(readModel(t.write("varga.xy", text), t.file("varga.arr"))));
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("polygon", "body"), 4u);
  // RO_IP = Ro / (1 - eta/100): 12.5 for 10 ohm-m and 20 %.
  const auto labels = doc.texts("body-label");
  EXPECT_NE(std::find(labels.begin(), labels.end(), "\u03b7 20 %"), labels.end());
}

TEST(ModelPicture, MalformedFilesNameFileAndLine) {
  TempFolder t;
  const auto expectMessage = [&](const std::string& name, const std::string& text, const std::string& message) {
    const auto path = t.write(name, text);
    try {
      readModel(t.file("varga.xy"), t.file("varga.arr"));
      ADD_FAILURE() << "no error for " << message;
    } catch (const common::InputError& e) {
      EXPECT_EQ(e.what(), path + message);
    }
  };
  expectMessage("varga.xy", head + nodes, ", line 5: expected vertex numbers from 1 to 4, found 5");
  const std::string fixed = goodHead();
  expectMessage("varga.xy", fixed + "        4201 N cells\n", ", line 12: expected N from 0 to 4200, found 4201");
  expectMessage("varga.xy", fixed + nodes.substr(0, nodes.rfind("    15.0")),
                ", line 15: end of file, expected a number for x");
  expectMessage("varga.xy", "  0 1 0 0\n", ", line 1: expected nP from 1 to 100, found 0");
  expectMessage("varga.xy", "  4 1 2 0\n 1 5\n", ", line 2: expected surface vertex numbers from 1 to 4, found 5");
  t.write("varga.xy", fixed + nodes);
  expectMessage("varga.arr", "5 0 -20 0 101 3\n", ", line 1: expected nPos from 0 to 100, found 101");
  EXPECT_THROW(readModel(t.file("none.xy"), t.file("varga.arr")), common::InputError);
}

}  // namespace
}  // namespace section
