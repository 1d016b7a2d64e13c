#include "section/survey_data.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/record_reader.h"
#include "svg_check.h"

namespace section {
namespace {

using section_test::TempFolder;

// Five electrodes, the fifth 10 m down a hole; dipole-dipole and pole-dipole
// data (A remote)
// with rhoa from k and r, and a chargeability column.
const char* const survey =
    "5  # electrodes\n# x z\n0 0\n5 0\n10 0\n15 0\n0 -10\n"
    "3 # data\n# a b m n k r ip\n"
    "1 2 3 4 10 2.5 1.5\n0 1 2 3 20 4 2\n2 1 3 4 30 3 -0\n"
    "0\n";

TEST(SurveyData, PseudosectionsAtMidpointsFromTheUnifiedFormat) {
  TempFolder t;
  const auto path = t.write("line-data.dat", survey);
  EXPECT_TRUE(looksLikeSurveyFile(path));
  const auto pictures = picturesOf(path, inputKindOf("line-data.dat", true));
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[0].name, "line-data_rho.svg");
  EXPECT_EQ(pictures[1].name, "line-data_eta.svg");
  const auto& rho = std::get<Pseudosection>(pictures[0].content);
  ASSERT_EQ(rho.values.size(), 3u);
  EXPECT_DOUBLE_EQ(rho.values[0].value, 25.0);  // k r
  EXPECT_DOUBLE_EQ(rho.values[1].x, 3.75);      // between B = 0 and the MN centre 7.5
  EXPECT_DOUBLE_EQ(rho.values[2].x, 7.5);
  EXPECT_NEAR(rho.values[0].depth, 0.416 * 5, 0.005);
  const auto doc = section_test::parseXml(renderPicture(pictures[1]));
  ASSERT_EQ(doc.error, "");
  for (const auto& e : doc.elements) EXPECT_EQ(e.text.find("-0"), std::string::npos) << e.text;

  // A renamed copy is recognised by its content, not taken for a telm file.
  const auto renamed = t.write("line.dat", survey);
  EXPECT_EQ(picturesOf(renamed, inputKindOf("line.dat", false)).size(), 2u);
  EXPECT_FALSE(looksLikeSurveyFile(t.write("amnb_01.dat", "title\ntitle\n   3   1   2   l\n")));
  // Without a resistivity column there is nothing to draw.
  EXPECT_THROW(picturesOf(t.write("bare-data.dat", "2\n# x z\n0 0\n5 0\n1\n# a b m n\n1 0 2 0\n"),
                          InputKind::surveyData),
               common::InputError);
}

TEST(SurveyData, NLevelOnlyForAllDipoleDipoleData) {
  TempFolder t;
  const auto path = t.write("dd-data.dat",
                            "6\n# x z\n0 0\n5 0\n10 0\n15 0\n20 0\n25 0\n2\n# a b m n rhoa\n2 1 3 4 50\n2 1 5 6 60\n");
  const auto levels = picturesOf(path, InputKind::surveyData, {.nLevel = true});
  const auto& s = std::get<Pseudosection>(levels[0].content);
  EXPECT_EQ(s.depthLabel, "n-level");
  EXPECT_DOUBLE_EQ(s.values[0].depth, 1.0);
  EXPECT_DOUBLE_EQ(s.values[1].depth, 3.0);
  EXPECT_DOUBLE_EQ(s.values[1].x, 12.5);
  const auto mixed = picturesOf(t.write("mixed-data.dat", survey), InputKind::surveyData, {.nLevel = true});
  EXPECT_EQ(std::get<Pseudosection>(mixed[0].content).depthLabel, "pseudo-depth (median depth of investigation), m");
}

}  // namespace
}  // namespace section
