// Exact decimal expansion through printf, whose glibc implementation prints
// the exact decimal value of a double when asked for enough fraction digits
// (a double with lowest set bit 2^-k has exactly k fraction digits).
#include "common/decimal_digits.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace common {

namespace {

int fractionDigits(double magnitude) {
  if (magnitude == 0.0) return 0;
  int binaryExponent = 0;
  const double fraction = std::frexp(magnitude, &binaryExponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int lowestBit = binaryExponent - 53 + std::countr_zero(mantissa);
  return lowestBit >= 0 ? 0 : -lowestBit;
}

// Adds one unit in the last place of a digit string; returns false when the
// carry runs out of the first digit (the string is then all zeros).
bool increment(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return true;
    }
    *it = '0';
  }
  return false;
}

}  // namespace

ExactDecimal exactDecimal(double x) {
  ExactDecimal result;
  result.negative = std::signbit(x);
  const double magnitude = std::fabs(x);
  // Largest expansion: 309 integer digits or 1074 fraction digits.
  std::array<char, 1500> text{};
  const int length = std::snprintf(text.data(), text.size(), "%.*f", fractionDigits(magnitude), magnitude);
  int point = length;
  std::string all;
  all.reserve(static_cast<std::size_t>(length));
  for (int i = 0; i < length; ++i) {
    if (text[static_cast<std::size_t>(i)] == '.') {
      point = i;
    } else {
      all += text[static_cast<std::size_t>(i)];
    }
  }
  const std::size_t first = all.find_first_not_of('0');
  if (first == std::string::npos) return result;
  const std::size_t last = all.find_last_not_of('0');
  result.digits = all.substr(first, last - first + 1);
  result.exponent = point - static_cast<int>(first);
  return result;
}

SignificantDigits roundSignificant(const ExactDecimal& value, int keep) {
  const auto n = static_cast<std::size_t>(keep);
  SignificantDigits result;
  if (value.digits.empty()) {
    result.digits.assign(n, '0');
    return result;
  }
  result.digits = value.digits.substr(0, n);
  result.digits.resize(n, '0');
  result.exponent = value.exponent;
  if (value.digits.size() > n && value.digits[n] >= '5' && !increment(result.digits)) {
    result.digits.front() = '1';
    ++result.exponent;
  }
  return result;
}

FixedDigits roundFixed(const ExactDecimal& value, int decimals) {
  // Digits of |x| x 10^decimals that lie before the point.
  const int whole = value.exponent + decimals;
  std::string scaled;
  if (!value.digits.empty() && whole >= 0) {
    const auto n = static_cast<std::size_t>(whole);
    scaled = value.digits.substr(0, n);
    scaled.resize(n, '0');
    if (value.digits.size() > n && value.digits[n] >= '5' && !increment(scaled)) {
      scaled.insert(scaled.begin(), '1');
    }
  }
  const std::size_t first = scaled.find_first_not_of('0');
  scaled = first == std::string::npos ? std::string() : scaled.substr(first);
  const auto d = static_cast<std::size_t>(decimals);
  if (scaled.size() < d) scaled.insert(0, d - scaled.size(), '0');
  FixedDigits result;
  result.integer = scaled.substr(0, scaled.size() - d);
  result.fraction = scaled.substr(scaled.size() - d);
  return result;
}

}  // namespace common
