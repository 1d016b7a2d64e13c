#include "section/colour_scale.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(scale.colour(1.0), ColourScale::rampColour(0.0));
  EXPECT_EQ(scale.colour(100.0), ColourScale::rampColour(1.0));
}

TEST(ColourScale, ValuesWithoutAPlaceAreGrey) {
  const ColourScale scale({2.0, 8.0}, ScaleKind::linear);
  EXPECT_EQ(scale.colour(nan), noValueColour);
  EXPECT_EQ(scale.colour(std::numeric_limits<double>::infinity()), noValueColour);
  EXPECT_EQ(scale.colour(9.0), noValueColour);
  for (double f = 0.0; f <= 1.0; f += 0.05) EXPECT_NE(ColourScale::rampColour(f), noValueColour);
}

TEST(ColourScale, NonPositiveValueTurnsLogarithmicIntoLinear) {
  const ColourScale scale({-5.0, 5.0, 15.0}, ScaleKind::logarithmic);
  EXPECT_FALSE(scale.logarithmic());
  EXPECT_NE(scale.colour(-5.0), noValueColour);
  EXPECT_NEAR(scale.fraction(5.0), 0.5, 1e-12);
}

TEST(ColourScale, TicksStartAtMinimumAndEndAtMaximum) {
  for (const auto kind : {ScaleKind::logarithmic, ScaleKind::linear}) {
    const ColourScale scale({3.7, 41.0, 812.5}, kind);
    const auto ticks = scale.ticks();
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_DOUBLE_EQ(ticks.front(), 3.7);
    EXPECT_DOUBLE_EQ(ticks.back(), 812.5);
    for (std::size_t k = 1; k < ticks.size(); ++k) EXPECT_LT(ticks[k - 1], ticks[k]);
  }
  // Ten decades keep only the powers of ten inside.
  const auto wide = ColourScale({1e-3, 1e7}, ScaleKind::logarithmic).ticks();
  EXPECT_EQ(wide.size(), 11u);
}

TEST(ColourScale, ConstantFieldHasOneColourAndOneTick) {
  const ColourScale scale({7.0, 7.0, nan}, ScaleKind::logarithmic);
  EXPECT_TRUE(scale.constant());
  EXPECT_EQ(scale.ticks(), std::vector<double>{7.0});
  EXPECT_EQ(scale.colour(7.0), ColourScale::rampColour(0.5));
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
