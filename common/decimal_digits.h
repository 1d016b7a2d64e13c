// Exact decimal expansion of binary floating-point values and rounding of
// that expansion, the common ground of every number writer: a value is
// rounded from its exact binary value, and a digit 5 or more after the last
// kept place rounds the magnitude up, which on an exact expansion is the
// same as rounding exact decimal ties away from zero.
#pragma once

#include <string>

namespace common {

// |x| = 0.digits x 10^exponent, digits without leading or trailing zeros
// (empty, exponent 0, for a zero). x must be finite.
struct ExactDecimal {
  bool negative = false;  // sign bit, so -0.0 is negative
  std::string digits;
  int exponent = 0;
};
ExactDecimal exactDecimal(double x);

// |x| rounded to `keep` >= 1 significant digits: exactly `keep` digits d with
// |x| ~ 0.d x 10^exponent (a carry out of the first digit raises the
// exponent; a zero gives all zeros and exponent 0).
struct SignificantDigits {
  std::string digits;
  int exponent = 0;
};
SignificantDigits roundSignificant(const ExactDecimal& value, int keep);

// |x| rounded to `decimals` >= 0 places: the integer part without leading
// zeros (empty when it is zero) and exactly `decimals` fraction digits.
struct FixedDigits {
  std::string integer;
  std::string fraction;
};
FixedDigits roundFixed(const ExactDecimal& value, int decimals);

}  // namespace common
