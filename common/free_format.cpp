// Free-format output records of the two programs: the real and integer
// fields of each program's rule and the spacing and line-length rules that
// join them into records.
#include "common/free_format.h"

#include <cmath>

#include "common/decimal_digits.h"

namespace common {

namespace {

std::string rightJustified(const std::string& text, std::size_t width) {
  if (text.size() >= width) return text;
  return std::string(width - text.size(), ' ') + text;
}

// Infinities and NaNs cannot come from valid input; they are still written
// readably rather than as garbage digits.
std::string nonFinite(float value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Infinity" : "Infinity";
}

std::string exponentDigits(int exponent) {
  std::string text = exponent < 0 ? "-" : "+";
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) text += '0';
  return text + std::to_string(magnitude);
}

constexpr std::size_t telmRecordColumns = 79;

}  // namespace

std::string korvisReal(float value) {
  if (!std::isfinite(value)) return rightJustified(nonFinite(value), 15);
  const ExactDecimal exact = exactDecimal(static_cast<double>(value));
  const std::string sign = exact.negative ? "-" : "";
  const SignificantDigits r = roundSignificant(exact, 7);
  if (!exact.digits.empty() && r.exponent >= 0 && r.exponent <= 7) {
    const auto split = static_cast<std::size_t>(r.exponent);
    const std::string integer = split == 0 ? "0" : r.digits.substr(0, split);
    return rightJustified(sign + integer + "." + r.digits.substr(split), 11) + "    ";
  }
  return rightJustified(sign + "0." + r.digits + "E" + exponentDigits(r.exponent), 15);
}

std::string korvisInteger(int value) { return rightJustified(std::to_string(value), 12); }

std::string telmReal(float value) {
  if (!std::isfinite(value)) return rightJustified(nonFinite(value), 15);
  const ExactDecimal exact = exactDecimal(static_cast<double>(value));
  const std::string sign = exact.negative ? "-" : "";
  const float magnitude = std::fabs(value);
  if (magnitude >= 1.0f && magnitude < 1.0e7f) {
    const FixedDigits f = roundFixed(exact, 6);
    return rightJustified(sign + f.integer + "." + f.fraction, 15);
  }
  const SignificantDigits r = roundSignificant(exact, 7);
  const int exponent = exact.digits.empty() ? 0 : r.exponent - 1;
  return rightJustified(sign + r.digits.substr(0, 1) + "." + r.digits.substr(1) + "E" + exponentDigits(exponent), 15);
}

std::string telmInteger(int value) { return rightJustified(std::to_string(value), 11); }

FreeRecord::FreeRecord(FreeStyle style) : style_(style), current_(" ") {}

FreeRecord& FreeRecord::operator<<(int value) {
  put(style_ == FreeStyle::korvis ? korvisInteger(value) : telmInteger(value), true);
  return *this;
}

FreeRecord& FreeRecord::operator<<(float value) {
  put(style_ == FreeStyle::korvis ? korvisReal(value) : telmReal(value), true);
  return *this;
}

FreeRecord& FreeRecord::operator<<(std::string_view text) {
  put(std::string(text), false);
  return *this;
}

void FreeRecord::put(const std::string& field, bool isNumber) {
  if (style_ == FreeStyle::korvis) {
    if (!isNumber && last_ == Last::number) current_ += ' ';
    current_ += field;
  } else if (!isNumber) {
    current_ += field;
  } else {
    const std::size_t gap = last_ == Last::number ? 1 : 0;
    if (style_ == FreeStyle::telm && current_.size() + gap + field.size() > telmRecordColumns) {
      done_ += current_;
      done_ += '\n';
      current_.assign(1, ' ');
    } else {
      current_.append(gap, ' ');
    }
    current_ += field;
  }
  last_ = isNumber ? Last::number : Last::text;
}

std::string FreeRecord::str() const { return done_ + current_ + "\n"; }

}  // namespace common
