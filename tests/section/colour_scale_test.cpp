#include "section/colour_scale.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "section/svg.h"
#include "svg_check.h"

namespace section {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(ColourScale, LogarithmicScalePlacesDecadesEvenly) {
  const ColourScale scale({1.0, 10.0, 100.0, nan}, ScaleKind::logarithmic);
  EXPECT_TRUE(scale.logarithmic());
  EXPECT_DOUBLE_EQ(scale.minimum(), 1.0);
  EXPECT_DOUBLE_EQ(scale.maximum(), 100.0);
  EXPECT_NEAR(scale.fraction(10.0), 0.5, 1e-12);
  EXPECT_EQ(scale.colour(1.0), scale.rampColour(0.0));
  EXPECT_EQ(scale.colour(100.0), scale.rampColour(1.0));
}

// Red, green and blue of "#rrggbb".
std::array<int, 3> rgbOf(const std::string& colour) {
  return {std::stoi(colour.substr(1, 2), nullptr, 16), std::stoi(colour.substr(3, 2), nullptr, 16),
          std::stoi(colour.substr(5, 2), nullptr, 16)};
}

TEST(ColourScale, ResistivityRunsBlueToRedAndChargeabilityGetsBrighter) {
  const ColourScale rho({1.0, 100.0}, ScaleKind::logarithmic), eta({0.0, 10.0}, ScaleKind::linear);
  const auto low = rgbOf(rho.colour(1.0)), high = rgbOf(rho.colour(100.0));
  EXPECT_GT(low[2], 2 * low[0]);
  EXPECT_GT(high[0], 2 * high[2]);
  double previous = -1.0;
  for (double v = 0.0; v <= 10.0; v += 0.5) {
    const auto c = rgbOf(eta.colour(v));
    const double luma = 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
    EXPECT_GT(luma, previous) << v;
    previous = luma;
  }
}

TEST(ColourScale, ValuesWithoutAPlaceAreGrey) {
  const ColourScale scale({2.0, 8.0}, ScaleKind::linear);
  EXPECT_EQ(scale.colour(nan), noValueColour);
  EXPECT_EQ(scale.colour(std::numeric_limits<double>::infinity()), noValueColour);
  EXPECT_EQ(scale.colour(9.0), noValueColour);
  for (double f = 0.0; f <= 1.0; f += 0.05) EXPECT_NE(scale.rampColour(f), noValueColour);
}

TEST(ColourScale, NonPositiveValueTurnsLogarithmicIntoLinear) {
  const ColourScale scale({-5.0, 5.0, 15.0}, ScaleKind::logarithmic);
  EXPECT_FALSE(scale.logarithmic());
  EXPECT_NE(scale.colour(-5.0), noValueColour);
  EXPECT_NEAR(scale.fraction(5.0), 0.5, 1e-12);
}

TEST(ColourScale, TicksAreRoundValuesInsideTheRange) {
  struct Row {
    std::vector<double> values;
    ScaleKind kind;
    std::vector<double> ticks;
  };
  std::vector<double> decades;
  for (int e = -3; e <= 7; ++e) decades.push_back(std::pow(10.0, e));
  const Row rows[] = {
      {{3.7, 41.0, 812.5}, ScaleKind::logarithmic, {5, 10, 20, 50, 100, 200, 500}},
      {{3.7, 41.0, 812.5}, ScaleKind::linear, {200, 400, 600, 800}},
      // Less than a decade: linear round values instead of a lone 200.
      {{105.8, 283.0}, ScaleKind::logarithmic, {150, 200, 250}},
      {{0.04, 0.9}, ScaleKind::logarithmic, {0.05, 0.1, 0.2, 0.5}},
      {{-0.25, 0.35}, ScaleKind::linear, {-0.2, -0.1, 0, 0.1, 0.2, 0.3}},
      // Ten decades keep only the powers of ten.
      {{1e-3, 1e7}, ScaleKind::logarithmic, decades},
  };
  for (const auto& row : rows) {
    const auto ticks = ColourScale(row.values, row.kind).ticks();
    ASSERT_EQ(ticks.size(), row.ticks.size()) << row.values[0];
    for (std::size_t k = 0; k < ticks.size(); ++k) {
      EXPECT_NEAR(ticks[k], row.ticks[k], 1e-9 * std::fabs(row.ticks[k])) << row.values[0];
      EXPECT_NE(formatLabel(ticks[k]), "-0");
    }
  }
}

TEST(ColourScale, ConstantFieldHasOneColourAndOneTick) {
  const ColourScale scale({7.0, 7.0, nan}, ScaleKind::logarithmic);
  EXPECT_TRUE(scale.constant());
  EXPECT_EQ(scale.ticks(), std::vector<double>{7.0});
  EXPECT_EQ(scale.colour(7.0), scale.rampColour(0.5));
  EXPECT_FALSE(ColourScale({nan}, ScaleKind::linear).hasData());
}

TEST(NiceTicks, RoundStepsInsideTheRange) {
  EXPECT_EQ(niceTicks(-3.0, 27.0, 6), (std::vector<double>{0, 5, 10, 15, 20, 25}));
  EXPECT_EQ(niceTicks(0.0, 1.0, 4), (std::vector<double>{0, 0.5, 1.0}));
  EXPECT_TRUE(niceTicks(5.0, 5.0, 4).empty());
}

TEST(SvgText, NumbersAndLabels) {
  EXPECT_EQ(num(12.0), "12");
  EXPECT_EQ(num(-0.001), "0");
  EXPECT_EQ(num(3.14159), "3.14");
  EXPECT_EQ(formatLabel(12.5), "12.5");
  EXPECT_EQ(formatLabel(480.0), "480");
  EXPECT_EQ(formatLabel(0.0123), "0.0123");
  EXPECT_EQ(formatLabel(123456.0), "123456");
  EXPECT_EQ(formatLabel(2.5e7), "2.500e+07");
  EXPECT_EQ(formatLabel(0.0), "0");
}

TEST(SvgText, TitlesFromFilesAreEscaped) {
  SvgDocument svg(100, 50);
  svg.add("text", {{"class", "a<b"}}, "R&D \"line\" <1>\x01");
  const auto doc = section_test::parseXml(svg.str());
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("text"), 1u);
  EXPECT_NE(svg.str().find("R&amp;D &quot;line&quot; &lt;1&gt; "), std::string::npos);
}

TEST(XmlChecker, RejectsMalformedDocuments) {
  EXPECT_EQ(section_test::parseXml("<svg><g></svg>").error.empty(), false);
  EXPECT_EQ(section_test::parseXml("<svg a=1/>").error.empty(), false);
  EXPECT_EQ(section_test::parseXml("<svg>a & b</svg>").error.empty(), false);
  EXPECT_EQ(section_test::parseXml("<svg/><svg/>").error.empty(), false);
  EXPECT_EQ(section_test::parseXml("<svg a=\"1\"><g/>x</svg>").error, "");
}

}  // namespace
}  // namespace section
