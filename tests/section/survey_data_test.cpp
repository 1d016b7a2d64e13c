#include "section/survey_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "common/record_reader.h"
#include "section/crosshole_placement.h"
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
  // Dipole-dipole and pole-dipole data: one pair of pictures per array.
  const auto pictures = picturesOf(path, inputKindOf("line-data.dat", true));
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_EQ(pictures[0].name, "line-data_dipole-dipole_rho.svg");
  EXPECT_EQ(pictures[1].name, "line-data_dipole-dipole_eta.svg");
  EXPECT_EQ(pictures[2].name, "line-data_pole-dipole_rho.svg");
  EXPECT_EQ(pictures[3].name, "line-data_pole-dipole_eta.svg");
  const auto& rho = std::get<Pseudosection>(pictures[0].content);
  ASSERT_EQ(rho.values.size(), 2u);
  EXPECT_DOUBLE_EQ(rho.values[0].value, 25.0);  // k r
  EXPECT_DOUBLE_EQ(rho.values[1].x, 7.5);
  EXPECT_NEAR(rho.values[0].depth, 0.416 * 5, 0.005);
  // 2 1 3 4 is 1 2 3 4 with the current reversed: same place, and said so.
  EXPECT_EQ(rho.titles, (std::vector<std::string>{
                            "survey data, 5 electrodes, 3 data: apparent resistivity, ohm-m (line-data.dat)",
                            "dipole-dipole: 2 of the 3 data (also in the file: pole-dipole 1)",
                            "1 data at the place of another datum, hidden under it"}));
  const auto& poleDipole = std::get<Pseudosection>(pictures[2].content);
  ASSERT_EQ(poleDipole.values.size(), 1u);
  EXPECT_DOUBLE_EQ(poleDipole.values[0].x, 3.75);  // between B = 0 and the MN centre 7.5
  const auto doc = section_test::parseXml(renderPicture(pictures[1]));
  ASSERT_EQ(doc.error, "");
  for (const auto& e : doc.elements) EXPECT_EQ(e.text.find("-0"), std::string::npos) << e.text;

  // A renamed copy is recognised by its content, not taken for a telm file.
  const auto renamed = t.write("line.dat", survey);
  EXPECT_EQ(picturesOf(renamed, inputKindOf("line.dat", false)).size(), 4u);
  EXPECT_FALSE(looksLikeSurveyFile(t.write("amnb_01.dat", "title\ntitle\n   3   1   2   l\n")));
  // A file without data keeps its one picture, which says so.
  const auto none = picturesOf(t.write("none-data.dat", "2\n# x z\n0 0\n5 0\n0\n# a b m n rhoa\n"),
                               InputKind::surveyData);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].name, "none-data_rho.svg");
  EXPECT_EQ(std::get<Pseudosection>(none[0].content).titles.size(), 1u);
  // Without a resistivity column there is nothing to draw.
  EXPECT_THROW(picturesOf(t.write("bare-data.dat", "2\n# x z\n0 0\n5 0\n1\n# a b m n\n1 0 2 0\n"),
                          InputKind::surveyData),
               common::InputError);
}

// Twelve electrodes every 5 m: dipole-dipole, Wenner and gradient data in
// one file, interleaved as a sequence file lists them.
std::string mixedLine() {
  std::string text = "12\n# x z\n";
  for (int k = 0; k < 12; ++k) text += std::to_string(5 * k) + " 0\n";
  return text + "7\n# a b m n rhoa\n1 2 3 4 100\n1 4 2 3 110\n2 3 4 5 120\n1 12 3 4 130\n2 5 3 4 140\n"
                "1 12 8 9 150\n3 4 6 7 160\n";
}

TEST(SurveyData, SeveralArrayClassesGiveOnePseudosectionEach) {
  TempFolder t;
  const auto path = t.write("mixed-data.dat", mixedLine());
  const auto pictures = picturesOf(path, InputKind::surveyData);
  struct Row {
    const char* name;
    std::size_t values;
    const char* classes;
  };
  const Row rows[] = {
      {"mixed-data_dipole-dipole_rho.svg", 3, "dipole-dipole: 3 of the 7 data (also in the file: Wenner 2, gradient 2)"},
      {"mixed-data_wenner_rho.svg", 2, "Wenner: 2 of the 7 data (also in the file: dipole-dipole 3, gradient 2)"},
      {"mixed-data_gradient_rho.svg", 2, "gradient: 2 of the 7 data (also in the file: dipole-dipole 3, Wenner 2)"},
  };
  ASSERT_EQ(pictures.size(), std::size(rows));
  for (std::size_t k = 0; k < pictures.size(); ++k) {
    const auto& s = std::get<Pseudosection>(pictures[k].content);
    EXPECT_EQ(pictures[k].name, rows[k].name);
    EXPECT_EQ(s.values.size(), rows[k].values) << rows[k].name;
    ASSERT_EQ(s.titles.size(), 2u);
    EXPECT_EQ(s.titles[1], rows[k].classes);
  }
  // --array draws one class; the picture is the one drawn without it.
  DrawOptions only;
  only.arrayClass = ArrayClass::wenner;
  const auto wenner = picturesOf(path, InputKind::surveyData, only);
  ASSERT_EQ(wenner.size(), 1u);
  EXPECT_EQ(renderPicture(wenner[0]), renderPicture(pictures[1]));
  // With dipole-dipole data only, --n-level now applies to the mixed file.
  const auto levels = picturesOf(path, InputKind::surveyData, {.nLevel = true});
  EXPECT_EQ(std::get<Pseudosection>(levels[0].content).depthLabel, "n-level");
  try {
    only.arrayClass = ArrayClass::polePole;
    picturesOf(path, InputKind::surveyData, only);
    ADD_FAILURE() << "no error for a class without data";
  } catch (const common::InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              path + ": no data of the array class pole-pole; the file has dipole-dipole 3, Wenner 2, gradient 2");
  }
  // A file of one class keeps its picture names and titles.
  only.arrayClass = ArrayClass::dipoleDipole;
  const auto single = picturesOf(path, InputKind::surveyData, only);
  const auto alone = picturesOf(t.write("dd-data.dat", "6\n# x z\n0 0\n5 0\n10 0\n15 0\n20 0\n25 0\n"
                                                        "2\n# a b m n rhoa\n2 1 3 4 50\n2 1 5 6 60\n"),
                                InputKind::surveyData);
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(alone[0].name, "dd-data_rho.svg");
  EXPECT_EQ(std::get<Pseudosection>(alone[0].content).titles,
            (std::vector<std::string>{"survey data, 6 electrodes, 2 data: apparent resistivity, ohm-m (dd-data.dat)"}));
  EXPECT_EQ(single[0].name, "mixed-data_dipole-dipole_rho.svg");
}

// Two holes 50 m apart with three electrodes each, and three surface
// electrodes.
const char* const holes = "9\n# x z\n-25 -10\n-25 -20\n-25 -30\n25 -10\n25 -20\n25 -30\n-40 0\n0 0\n40 0\n";

std::string holeData(const std::vector<std::string>& rows) {
  std::string text = std::string(holes) + std::to_string(rows.size()) + "\n# a b m n rhoa\n";
  for (const auto& r : rows) text += r + "\n";
  return text;
}

TEST(SurveyData, CrossHoleDataAtTheCentroidOfTheirElectrodes) {
  TempFolder t;
  // Pole-pole from hole to hole: every centroid at x = 0, so the data go
  // against the depth difference; from the surface into a hole, the
  // centroids are all apart and are drawn where they are.
  std::vector<std::string> holeToHole, surfaceToHole;
  for (int a = 1; a <= 3; ++a) {
    for (int m = 4; m <= 6; ++m) holeToHole.push_back(std::to_string(a) + " 0 " + std::to_string(m) + " 0 " + std::to_string(10 * a + m));
  }
  for (int a = 7; a <= 9; ++a) {
    for (int m = 1; m <= 3; ++m) surfaceToHole.push_back(std::to_string(a) + " 0 " + std::to_string(m) + " 0 90");
  }
  const auto across = picturesOf(t.write("hh-data.dat", holeData(holeToHole)), InputKind::surveyData);
  ASSERT_EQ(across.size(), 1u);
  EXPECT_EQ(across[0].name, "hh-data_rho.svg");
  const auto& hh = std::get<Pseudosection>(across[0].content);
  EXPECT_FALSE(hh.truePositions);
  EXPECT_EQ(hh.titles.back(), "cross-hole: all 9 data, against the depth difference of their electrodes (their centroids coincide)");
  ASSERT_EQ(hh.values.size(), 9u);
  EXPECT_EQ(hiddenValues(hh.values, 0.01), 0u);
  EXPECT_DOUBLE_EQ(hh.values[1].x, 10.0);      // A at 10 m, M at 20 m
  EXPECT_DOUBLE_EQ(hh.values[1].depth, 15.0);  // their mean
  EXPECT_TRUE(hh.overlay.empty());

  const auto down = picturesOf(t.write("sh-data.dat", holeData(surfaceToHole)), InputKind::surveyData);
  const auto& sh = std::get<Pseudosection>(down[0].content);
  EXPECT_TRUE(sh.truePositions);
  EXPECT_EQ(sh.xLabel, "x, m (centroid of the electrodes)");
  ASSERT_EQ(sh.values.size(), 9u);
  EXPECT_DOUBLE_EQ(sh.values[3].x, -12.5);  // A at 0, M at -25
  EXPECT_DOUBLE_EQ(sh.values[3].depth, 5.0);
  ASSERT_EQ(sh.overlay.electrodes.size(), 6u);
  EXPECT_TRUE(sh.overlay.electrodes[0].current == false && sh.overlay.electrodes[0].at.z == 10.0);
  const auto doc = section_test::parseXml(renderPicture(down[0]));
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("polygon", "electrode"), 6u);
  EXPECT_EQ(doc.count("polygon", "outline"), 0u);
  EXPECT_EQ(doc.texts("overlay-note"), (std::vector<std::string>{"triangles and diamonds: the electrodes (filled: current)"}));
  // The depth axis is fitted, with the surface electrodes on its top.
  EXPECT_EQ(doc.texts("y-tick").front(), "0");
}

// A 10 ohm-m block from x = -10 to 10 m, depth 5 to 15 m, in 100 ohm-m.
const char* const blockModel =
    "8 2 2 0\n1 2\n1\n"
    "100 100 4\n1 2 3 4 1\n10 10 4\n5 6 7 8 5\n"
    "-1000 0\n1000 0\n1000 500\n-1000 500\n-10 5\n10 5\n10 15\n-10 15\n0\n";

TEST(SurveyData, ModelBesideTheDataIsDrawnOverIt) {
  TempFolder t;
  const auto path = t.write("line-data.dat", mixedLine());
  t.write("varga.xy", blockModel);
  const auto pictures = picturesOf(path, InputKind::surveyData);
  const auto& dd = std::get<Pseudosection>(pictures[0].content);
  ASSERT_EQ(dd.overlay.outlines.size(), 2u);
  EXPECT_EQ(dd.overlay.electrodes.size(), 7u);  // electrodes 1 to 7
  EXPECT_EQ(dd.overlay.note, "dashed grey: the model's bodies (varga.xy) at true depth; the axis is pseudo-depth");
  const auto doc = section_test::parseXml(renderPicture(pictures[0]));
  ASSERT_EQ(doc.error, "");
  EXPECT_EQ(doc.count("polygon", "outline"), 2u);
  EXPECT_EQ(doc.count("polygon", "electrode"), 7u);
  for (const auto& e : doc.elements) {
    if (section_test::XmlDocument::attr(e, "class") == "outline") {
      EXPECT_EQ(section_test::XmlDocument::attr(e, "stroke-dasharray"), "5 3");
    }
  }
  // On true positions the outlines are solid.
  t.write("sh-data.dat", holeData({"7 0 1 0 90", "8 0 2 0 91", "9 0 3 0 92"}));
  const auto crossHole = picturesOf(t.file("sh-data.dat"), InputKind::surveyData);
  const auto solid = section_test::parseXml(renderPicture(crossHole[0]));
  EXPECT_EQ(solid.count("polygon", "outline"), 2u);
  for (const auto& e : solid.elements) EXPECT_EQ(section_test::XmlDocument::attr(e, "stroke-dasharray"), "");

  // A model that cannot be read leaves the data drawn, and says why.
  t.write("varga.xy", "8 2 2 0\n1 x\n");
  const auto broken = picturesOf(path, InputKind::surveyData);
  const auto& plain = std::get<Pseudosection>(broken[0].content);
  EXPECT_TRUE(plain.overlay.outlines.empty());
  EXPECT_EQ(plain.titles.back().rfind("varga.xy beside the data not drawn: " + t.file("varga.xy") + ", line 2: ", 0), 0u)
      << plain.titles.back();
}

// A ridge 5 m high at x = 0 (flanks from -10 to 10 m) over a 100 ohm-m host,
// with a 10 ohm-m block under its crest, 5 to 15 m below the datum.
const char* const ridgeModel =
    "11 2 5 0\n1 2 3 4 5\n1 1 1 1\n"
    "100 100 7\n1 2 3 4 5 6 7 1\n10 10 4\n8 9 10 11 8\n"
    "-100 0\n-10 0\n0 -5\n10 0\n100 0\n100 50\n-100 50\n-5 5\n5 5\n5 15\n-5 15\n0\n";

// Seven electrodes every 5 m from -15 m, dipole-dipole n = 1 and 2, at the
// given elevations and with the given topography section.
std::string ridgeLine(const std::string& elevations, const std::string& topography) {
  std::string text = "7\n# x z\n";
  std::istringstream z(elevations);
  for (int k = 0; k < 7; ++k) {
    std::string e;
    z >> e;
    text += std::to_string(5 * k - 15) + " " + e + "\n";
  }
  return text + "5\n# a b m n rhoa\n1 2 3 4 100\n2 3 4 5 90\n3 4 5 6 80\n4 5 6 7 70\n1 2 5 6 60\n" + topography;
}

// Over relief the pseudo-depth is measured from the ground: the same line
// on a ridge puts every datum where the flat line puts it, whether the
// ground comes from the topography section or from the elevations alone.
TEST(SurveyData, DataOverReliefAtTheirPseudoDepthBelowTheGround) {
  TempFolder t;
  const std::string ridge = "0 0 2.5 5 2.5 0 0";
  const struct {
    const char* name;
    std::string text;
    bool relief;
  } rows[] = {
      {"flat-data.dat", ridgeLine("0 0 0 0 0 0 0", "0\n"), false},
      {"ridge-data.dat", ridgeLine(ridge, "5\n# x z\n-100 0\n-10 0\n0 5\n10 0\n100 0\n"), true},
      {"elevations-data.dat", ridgeLine(ridge, "0\n"), true},
  };
  std::vector<SectionValue> flat;
  for (const auto& row : rows) {
    const auto pictures = picturesOf(t.write(row.name, row.text), InputKind::surveyData);
    ASSERT_EQ(pictures.size(), 1u) << row.name;
    const auto& s = std::get<Pseudosection>(pictures[0].content);
    if (flat.empty()) flat = s.values;
    ASSERT_EQ(s.values.size(), flat.size()) << row.name;
    for (std::size_t k = 0; k < flat.size(); ++k) {
      EXPECT_DOUBLE_EQ(s.values[k].x, flat[k].x) << row.name;
      EXPECT_NEAR(s.values[k].depth, flat[k].depth, 1e-9) << row.name;
    }
    EXPECT_EQ(s.titles.back() == "over relief: each datum at its midpoint x and its pseudo-depth below the ground",
              row.relief)
        << row.name;
  }

  // The model beside the data hangs from its own surface: the crest at
  // depth 0, the block's corners at their depth below the ground.
  t.write("varga.xy", ridgeModel);
  const auto pictures = picturesOf(t.file("ridge-data.dat"), InputKind::surveyData);
  const auto& overlay = std::get<Pseudosection>(pictures[0].content).overlay;
  ASSERT_EQ(overlay.outlines.size(), 2u);
  EXPECT_DOUBLE_EQ(overlay.outlines[0][2].z, 0.0);   // the crest
  EXPECT_DOUBLE_EQ(overlay.outlines[0][5].z, 50.0);  // a corner beyond the ridge
  EXPECT_DOUBLE_EQ(overlay.outlines[1][0].z, 7.5);   // x = -5: 5 m deep under ground at -2.5
  EXPECT_DOUBLE_EQ(overlay.outlines[1][2].z, 17.5);
  EXPECT_EQ(overlay.note,
            "dashed grey: the model's bodies (varga.xy) at their depth below the ground; the axis is pseudo-depth");
}

TEST(SurveyData, DataWithoutAPlaceAreLeftOutAndCounted) {
  TempFolder t;
  // The second datum has M and N either side of A: no signal over a
  // half-space, so no median depth.
  const auto pictures = picturesOf(
      t.write("pd-data.dat", "4\n# x z\n0 0\n5 0\n10 0\n-5 0\n2\n# a b m n rhoa\n1 0 2 3 100\n1 0 4 2 0\n"),
      InputKind::surveyData);
  const auto& s = std::get<Pseudosection>(pictures[0].content);
  ASSERT_EQ(s.values.size(), 1u);
  EXPECT_DOUBLE_EQ(s.values[0].x, 3.75);
  EXPECT_EQ(s.titles.back(), "1 data without a median depth (no signal over a half-space) not drawn");
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
  // Of a mixed file only the dipole-dipole picture.
  EXPECT_EQ(std::get<Pseudosection>(mixed[0].content).depthLabel, "n-level");
  EXPECT_EQ(mixed[2].name, "mixed-data_pole-dipole_rho.svg");
  EXPECT_EQ(std::get<Pseudosection>(mixed[2].content).depthLabel, "pseudo-depth (median depth of investigation), m");
}

}  // namespace
}  // namespace section
