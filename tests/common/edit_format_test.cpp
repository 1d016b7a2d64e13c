#include "common/edit_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

namespace common {
namespace {

TEST(EditFormatTest, Fields) {
  const struct {
    std::string actual;
    const char* expected;
  } cases[] = {
      // Iw
      {integerField(42, 5), "   42"},
      {integerField(-99, 3), "-99"},
      {integerField(1000, 3), "***"},
      {integerField(-10, 2), "**"},
      // Fw.d: exact binary value, exact decimal ties away from zero
      {fixedField(0.125, 4, 2), "0.13"},
      {fixedField(2.5, 3, 0), " 3."},
      {fixedField(-2.5, 3, 0), "-3."},
      {fixedField(0.35, 5, 1), "  0.3"},  // 0.34999999999999997779...
      {fixedField(static_cast<double>(0.45f), 5, 1), "  0.4"},  // 0.449999988...
      {fixedField(0.5, 3, 2), ".50"},
      {fixedField(0.5, 4, 2), "0.50"},
      {fixedField(-0.5, 3, 2), "***"},
      {fixedField(-0.5, 4, 2), "-.50"},
      {fixedField(0.3, 2, 0), "0."},
      {fixedField(-0.04, 4, 1), "-0.0"},  // a negative value keeps its sign
      {fixedField(-0.0, 5, 2), "-0.00"},
      {fixedField(0.0, 5, 2), " 0.00"},
      {fixedField(999.995, 6, 2), "******"},
      {fixedField(static_cast<double>(9999.995f), 7, 2), "*******"},
      {fixedField(5.0, 7, 2), "   5.00"},
      {fixedField(123456792.0, 12, 3), "************"},
      {fixedField(1e300, 8, 2), "********"},
      {fixedField(1.0 / 0.0, 8, 2), "Infinity"},
      {fixedField(-1.0 / 0.0, 5, 2), " -Inf"},
      // Ew.d: 0.ddddE+ee
      {exponentField(-0.1234, 10, 3), "-0.123E+00"},
      {exponentField(-0.1234, 9, 3), "-.123E+00"},
      {exponentField(-0.1234, 8, 3), "********"},
      {exponentField(0.0625, 9, 2), " 0.63E-01"},  // tie
      {exponentField(0.9996, 10, 3), " 0.100E+01"},
      {exponentField(0.0, 12, 4), "  0.0000E+00"},
      {exponentField(1.5, 12, 4), "  0.1500E+01"},
      {exponentField(123456.0, 12, 4), "  0.1235E+06"},
      {exponentField(1e100, 12, 4), "  0.1000+101"},
      {exponentField(1e-100, 12, 4), "  0.1000E-99"},
      {exponentField(1.2e-101, 12, 4), "  0.1200-100"},
      {exponentField(1e-101, 12, 4), "  0.1000-100"},
      {exponentField(1e-99, 12, 4), "  0.1000E-98"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(EditFormatTest, LayoutsOfThePrograms) {
  const struct {
    const char* layout;
    std::vector<FormatValue> values;
    std::string expected;
  } cases[] = {
      {"(1X,8(F8.2,1X))",
       {1.f, 2.f, 3.f, 4.f, 5.f, 6.f, 7.f, 8.f, 9.f, 10.f},
       "     1.00     2.00     3.00     4.00     5.00     6.00     7.00     8.00 \n"
       "    9.00    10.00 \n"},
      {"(1X,8(F8.2,1X))", {1.f, 2.f, 3.f}, "     1.00     2.00     3.00 \n"},
      {"(1X,8(F8.2,1X))", {}, " \n"},
      {"(/,2X,'I,J,XI,ZI,XJ,ZJ,R1,RO:',3X,2I4,6E12.4)",
       {3, 4, 0.5, -2.0, 1000.0, 0.0, 123456.0, 0.03125},
       "\n  I,J,XI,ZI,XJ,ZJ,R1,RO:      3   4  0.5000E+00 -0.2000E+01  0.1000E+04  0.0000E+00  0.1235E+06  "
       "0.3125E-01\n"},
      // Reversion to the start of a layout without groups repeats its "/".
      {"(/,2X,'I,J,XI,ZI,XJ,ZJ,R1,RO:',3X,2I4,6E12.4)",
       {3, 4, 0.5, -2.0, 1000.0, 0.0, 123456.0, 0.03125, 7},
       "\n  I,J,XI,ZI,XJ,ZJ,R1,RO:      3   4  0.5000E+00 -0.2000E+01  0.1000E+04  0.0000E+00  0.1235E+06  "
       "0.3125E-01\n\n  I,J,XI,ZI,XJ,ZJ,R1,RO:      7\n"},
      {"(2(F12.5,1X),E15.5,1X,E15.5,1X,2(1X,F10.7))",
       {1.0f, -2.5f, 1000.0f, -0.5f, 0.70710677f, -1.0f},
       "     1.00000     -2.50000     0.10000E+04    -0.50000E+00   0.7071068 -1.0000000\n"},
      // Reversion resumes at the last top-level group with its repeat count.
      {"(2(F12.5,1X),E15.5,1X,E15.5,1X,2(1X,F10.7))",
       {1.0f, -2.5f, 1000.0f, -0.5f, 0.70710677f, -1.0f, 0.25f, 0.125f, 2.0f},
       "     1.00000     -2.50000     0.10000E+04    -0.50000E+00   0.7071068 -1.0000000\n"
       "  0.2500000  0.1250000\n  2.0000000 \n"},
      {"(1X,I3,\\)", {5}, "   5"},
      {"(1X,I3,\\)", {1234}, " ***"},
      {"(2(1X,F11.2),3(1X,F12.3))",
       {10.0f, 0.0f, 0.001f, -0.0004f, 123456789.0f},
       "       10.00        0.00        0.001       -0.000 ************\n"},
      {"(1X,I3,1X,I3,1X,I3,3X,A1)", {12, 0, 5, std::string("l")}, "  12   0   5   l\n"},
      {"(1X,F7.1,/,1X,I3)", {-5.0f, 3}, "    -5.0\n   3\n"},
      {"(1X,F10.2,2X,F7.2,2X,F7.2)", {150.0f, 99.999f, -1.0f}, "     150.00   100.00    -1.00\n"},
      {"(//,10X,'...IP is calculating ')", {}, "\n\n          ...IP is calculating \n"},
      {"(2X,'Points (',I4,')')", {12}, "  Points (  12)\n"},
      {"(/,2X,'Matrix have been calculated',/,2X,'Large elements -',F6.2,'% of total')",
       {12.5f},
       "\n  Matrix have been calculated\n  Large elements - 12.50% of total\n"},
      {"(A75)", {std::string("Title")}, std::string(70, ' ') + "Title\n"},
      {"(A5,A)", {std::string("abcdefg"), std::string("xyz")}, "abcdexyz\n"},
      {"('It''s',1X,\"say \"\"hi\"\"\")", {}, "It's say \"hi\"\n"},
      {"(' a=',I3,' b')", {}, " a=\n"},
      {"()", {}, "\n"},
      {"(I2,2(I3))", {1, 2, 3, 4, 5}, " 1  2  3\n  4  5\n"},
      {"(I2,2(I3))", {1, 2, 3, 4}, " 1  2  3\n  4\n"},
      {"( 1x , f5.2 , 3/ )", {1.5}, "  1.50\n\n\n\n"},
      {"(F5.1,'|',X)", {1.5, 2.5}, "  1.5| \n  2.5| \n"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatLine(c.layout, c.values), c.expected) << c.layout;
  // The cached layout gives the same text again.
  EXPECT_EQ(formatLine("(2X,'Points (',I4,')')", {100}), "  Points ( 100)\n");
}

TEST(EditFormatTest, MalformedLayoutsAndMismatchedValues) {
  const struct {
    const char* layout;
    std::vector<FormatValue> values;
  } cases[] = {
      {"(I3", {1}},           {"I3)", {1}},         {"(Q5)", {1}},     {"(F5)", {1.0}},
      {"(E8.0)", {1.0}},      {"(I)", {1}},         {"('abc)", {}},    {"(0X)", {}},
      {"(I3)", {1.0f}},       {"(F5.1)", {1}},      {"(A5)", {2}},     {"('x')", {1}},
      {"(I5,2(1X))", {1, 2}}, {"(I3) extra", {1}},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(formatLine(c.layout, c.values), std::invalid_argument) << c.layout;
  }
}

// Reference rounding written plainly: the exact decimal expansion of a float
// (glibc prints it exactly; a float has at most 149 fraction digits and 112
// significant digits), then "add one to the last kept digit when the next
// digit is 5 or more".
void addOneInLastPlace(std::string& digits) {
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(digits.begin(), '1');
  } else {
    ++digits[i - 1];
  }
}

// Right-justifies `text`; when it is too wide, drops the leading zero before
// the point if there is one, and otherwise gives asterisks.
std::string referenceFit(std::string text, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (text.size() > w) {
    const std::size_t zero = text[0] == '-' ? 1 : 0;
    if (text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
  }
  if (text.size() > w) return std::string(w, '*');
  return std::string(w - text.size(), ' ') + text;
}

std::string referenceFixed(float value, int width, int decimals) {
  const auto d = static_cast<std::size_t>(decimals);
  char exact[400];
  std::snprintf(exact, sizeof exact, "%.160f", std::fabs(static_cast<double>(value)));
  const std::string text(exact);
  const std::size_t point = text.find('.');
  const std::string fraction = text.substr(point + 1);
  std::string kept = text.substr(0, point) + fraction.substr(0, d);
  if (fraction[d] >= '5') addOneInLastPlace(kept);
  std::string integer = kept.substr(0, kept.size() - d);
  while (integer.size() > 1 && integer[0] == '0') integer.erase(0, 1);
  const std::string sign = std::signbit(value) ? "-" : "";
  return referenceFit(sign + integer + "." + kept.substr(kept.size() - d), width);
}

std::string referenceExponent(float value, int width, int decimals) {
  const auto d = static_cast<std::size_t>(decimals);
  char exact[400];
  std::snprintf(exact, sizeof exact, "%.160e", std::fabs(static_cast<double>(value)));
  const std::string text(exact);  // d.ddd...e+XX
  const std::string digits = text.substr(0, 1) + text.substr(2, 160);
  int exponent = value == 0 ? 0 : std::stoi(text.substr(text.find('e') + 1)) + 1;
  std::string kept = digits.substr(0, d);
  if (digits[d] >= '5') addOneInLastPlace(kept);
  if (kept.size() > d) {
    kept.pop_back();
    ++exponent;
  }
  char tail[16];
  std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  const std::string sign = std::signbit(value) ? "-" : "";
  return referenceFit(sign + "0." + kept + tail, width);
}

TEST(EditFormatTest, MatchesPlainReferenceOnRandomFloats) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<std::uint32_t> bits;
  std::uniform_int_distribution<int> decimalsOf(0, 9);
  std::uniform_int_distribution<int> extraWidth(1, 9);
  for (int trial = 0; trial < 60000; ++trial) {
    // Random bit patterns cover every exponent; the second half draws from
    // values with few significant bits, where exact decimal ties live.
    float value = std::bit_cast<float>(bits(random));
    if (trial % 2 == 1) value = static_cast<float>(static_cast<int>(bits(random) % 20000) - 10000) / 256.0f;
    if (!std::isfinite(value)) continue;
    const int decimals = decimalsOf(random);
    const int width = decimals + extraWidth(random);
    ASSERT_EQ(fixedField(static_cast<double>(value), width, decimals), referenceFixed(value, width, decimals))
        << value << " F" << width << "." << decimals;
    if (decimals > 0) {
      ASSERT_EQ(exponentField(static_cast<double>(value), width, decimals), referenceExponent(value, width, decimals))
          << value << " E" << width << "." << decimals;
    }
  }
}

TEST(EditFormatTest, AgreesWithPrintfExceptOnExactTies) {
  // An independent check: glibc's printf rounds exact ties to even, but every
  // other value must come out the same.
  std::mt19937 random(777);
  std::uniform_real_distribution<float> values(-2000.0f, 2000.0f);
  for (int trial = 0; trial < 30000; ++trial) {
    const float value = values(random);
    char exact[400];
    std::snprintf(exact, sizeof exact, "%.160f", static_cast<double>(value));
    const std::string tail = std::string(exact).substr(std::string(exact).find('.') + 1 + 3);
    if (tail.find_first_not_of('0', 1) == std::string::npos && tail[0] == '5') continue;
    char printed[64];
    std::snprintf(printed, sizeof printed, "%12.3f", static_cast<double>(value));
    ASSERT_EQ(fixedField(static_cast<double>(value), 12, 3), printed) << value;
  }
}

}  // namespace
}  // namespace common
