#include "common/free_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <initializer_list>
#include <string>
#include <string_view>

namespace common {
namespace {

std::string pad(const std::string& s, std::size_t width) { return std::string(width - s.size(), ' ') + s; }

std::string cat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text += part;
  return text;
}

TEST(FreeFormatTest, TelmRealFields) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {3.0f, "3.000000"},
      {1.0f, "1.000000"},
      {-2.5f, "-2.500000"},
      {1234567.0f, "1234567.000000"},
      {9999999.0f, "9999999.000000"},
      {0.1f, "1.000000E-01"},
      {0.5f, "5.000000E-01"},
      {0.0f, "0.000000E+00"},
      {-0.0f, "-0.000000E+00"},
      {0.99999994f, "9.999999E-01"},
      {9.9999997e-5f, "1.000000E-04"},  // mantissa rounds to 10 and renormalises
      {-1.5e-10f, "-1.500000E-10"},
      {1.0e7f, "1.000000E+07"},
      {std::numeric_limits<float>::max(), "3.402823E+38"},
      {std::numeric_limits<float>::denorm_min(), "1.401298E-45"},
      {1.0000001f, "1.000000"},      // 1.00000011920928955078125
      {2.0000005f, "2.000000"},      // 2.000000476837158203125
      {0.33333334f, "3.333333E-01"},  // 0.3333333432674407958984375
      {0.6666667f, "6.666667E-01"},   // 0.666666686534881591796875
      {std::numeric_limits<float>::infinity(), "Infinity"},
  };
  for (const auto& c : cases) EXPECT_EQ(telmReal(c.value), pad(c.text, 15)) << c.value;
  EXPECT_EQ(telmInteger(42), "         42");
  EXPECT_EQ(telmInteger(-2147483647 - 1), "-2147483648");
}

TEST(FreeFormatTest, KorvisRealFields) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {3.0f, "   3.000000    "},
      {0.5f, "  0.5000000    "},
      {-0.1f, " -0.1000000    "},
      {12.5f, "   12.50000    "},
      {-12.5f, "  -12.50000    "},
      {1234567.0f, "   1234567.    "},
      {9999999.0f, "   9999999.    "},
      {1234567.5f, "   1234568.    "},  // exact tie rounds away from zero
      {1.0e7f, "  0.1000000E+08"},
      {0.099999994f, "  0.9999999E-01"},
      {0.01234567f, "  0.1234567E-01"},
      {-0.01234567f, " -0.1234567E-01"},
      {0.0f, "  0.0000000E+00"},
      {-0.0f, " -0.0000000E+00"},
      {1.0e20f, "  0.1000000E+21"},
      {std::numeric_limits<float>::denorm_min(), "  0.1401298E-44"},
      {std::numeric_limits<float>::max(), "  0.3402823E+39"},
      {std::nanf(""), "            NaN"},
  };
  for (const auto& c : cases) EXPECT_EQ(korvisReal(c.value), c.text) << c.value;
  EXPECT_EQ(korvisInteger(1), "           1");
  EXPECT_EQ(korvisInteger(-100), "        -100");
}

TEST(FreeFormatTest, KorvisRecords) {
  FreeRecord header(FreeStyle::korvis);
  header << "X R Rho_app(AMN)";
  EXPECT_EQ(header.str(), " X R Rho_app(AMN)\n");

  FreeRecord data(FreeStyle::korvis);
  data << 15.0f << -12.5f << 101.25f;
  EXPECT_EQ(data.str(), std::string(" ") + "   15.00000    " + "  -12.50000    " + "   101.2500    " + "\n");

  // Text after a number gets one blank; a number after text abuts it.
  FreeRecord rs2(FreeStyle::korvis);
  rs2 << 1 << ", " << 2 << ", " << 3.0f << ", ";
  EXPECT_EQ(rs2.str(), std::string(" ") + "           1" + " , " + "           2" + " , " + "   3.000000    " + " , " + "\n");

  EXPECT_EQ(FreeRecord(FreeStyle::korvis).str(), " \n");
}

TEST(FreeFormatTest, TelmRecordSpacing) {
  // Numbers after numbers get one more blank, after text none; text is copied
  // unchanged, also after a number.
  FreeRecord r(FreeStyle::telmUnbounded);
  r << 5 << 3 << 2 << 0 << " nP,nT, nPOnSurface,keyIP";
  EXPECT_EQ(r.str(), std::string(" ") + "          5" + " " + "          3" + " " + "          2" + " " + "          0" +
                         " nP,nT, nPOnSurface,keyIP\n");

  FreeRecord mixed(FreeStyle::telm);
  mixed << "x=" << 1.5f << 2 << "end" << 0.25f;
  EXPECT_EQ(mixed.str(), std::string(" x=") + "       1.500000" + " " + "          2" + "end" + "   2.500000E-01" + "\n");

  FreeRecord saved(FreeStyle::telm);
  saved << "  The file \"VARga.xy\" is saved";
  EXPECT_EQ(saved.str(), "   The file \"VARga.xy\" is saved\n");
}

TEST(FreeFormatTest, TelmRecordsWrapAtColumn79) {
  // Reals take 16 columns after the first: four fit (64 columns), the fifth
  // would reach column 80.
  FreeRecord reals(FreeStyle::telm);
  for (int i = 1; i <= 6; ++i) reals << static_cast<float>(i);
  const std::string line1 = cat({" ", pad("1.000000", 15), " ", pad("2.000000", 15), " ", pad("3.000000", 15), " ",
                                 pad("4.000000", 15), "\n"});
  const std::string line2 = cat({" ", pad("5.000000", 15), " ", pad("6.000000", 15), "\n"});
  EXPECT_EQ(reals.str(), line1 + line2);

  // Integers take 12 columns: six fit (72), the seventh would reach 84.
  FreeRecord ints(FreeStyle::telm);
  for (int i = 1; i <= 7; ++i) ints << i;
  std::string expected = " ";
  for (int i = 1; i <= 6; ++i) expected += cat({i > 1 ? " " : "", pad(std::to_string(i), 11)});
  expected += cat({"\n ", pad("7", 11), "\n"});
  EXPECT_EQ(ints.str(), expected);

  // A number that ends exactly in column 79 stays on the line.
  FreeRecord exact(FreeStyle::telm);
  exact << std::string(52, 'a') << 1.0f << 2;  // 1 + 52 + 15 + 1 + 11 = 80 > 79
  EXPECT_EQ(exact.str(), cat({" ", std::string(52, 'a'), pad("1.000000", 15), "\n ", pad("2", 11), "\n"}));
  FreeRecord fits(FreeStyle::telm);
  fits << std::string(51, 'a') << 1.0f << 2;  // 79 columns
  EXPECT_EQ(fits.str(), cat({" ", std::string(51, 'a'), pad("1.000000", 15), " ", pad("2", 11), "\n"}));

  // varga.xy records are one line whatever their length.
  FreeRecord unbounded(FreeStyle::telmUnbounded);
  for (int i = 0; i < 20; ++i) unbounded << i;
  const std::string text = unbounded.str();
  EXPECT_EQ(text.find('\n'), text.size() - 1);
  EXPECT_EQ(text.size(), 1 + 20 * 11 + 19 + 1);
}

}  // namespace
}  // namespace common
