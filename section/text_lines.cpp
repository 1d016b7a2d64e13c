// Result-file reading: whole file into lines (LF or CRLF), blank-separated
// fields, numbers through std::from_chars.
#include "section/text_lines.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/input_text.h"
#include "common/record_reader.h"

namespace section {

TextLines::TextLines(const std::string& path) : name_(path) {
  const std::string text = common::readInputText(path, maxResultBytes, "result file");
  std::size_t pos = 0;
  std::string_view line;
  while (common::nextTextLine(text, pos, line)) lines_.emplace_back(line);
}

void TextLines::fail(std::size_t index, std::string_view what) const {
  throw common::InputError(name_ + ", line " + std::to_string(index + 1) + ": " + std::string(what));
}

double TextLines::number(std::size_t index, std::string_view token, std::string_view field) const {
  double value = 0.0;
  if (!parseNumber(token, value)) {
    fail(index, "expected a number for " + std::string(field) + ", found \"" + std::string(token.substr(0, 40)) + "\"");
  }
  return value;
}

double TextLines::coordinate(std::size_t index, std::string_view token, std::string_view field) const {
  const double value = number(index, token, field);
  if (!std::isfinite(value)) {
    fail(index, "expected a finite number for " + std::string(field) + ", found \"" +
                    std::string(token.substr(0, 40)) + "\"");
  }
  return value;
}

int TextLines::integer(std::size_t index, std::string_view token, std::string_view field, int lo,
                       int hi) const {
  const double value = number(index, token, field);
  if (!(value >= lo && value <= hi) || value != std::floor(value)) {
    fail(index, "expected an integer from " + std::to_string(lo) + " to " + std::to_string(hi) + " for " +
                    std::string(field) + ", found \"" + std::string(token.substr(0, 40)) + "\"");
  }
  return static_cast<int>(value);
}

std::vector<double> TextLines::record(std::size_t& at, std::size_t count, std::string_view field) const {
  std::vector<double> values;
  while (values.size() < count) {
    if (at >= lines_.size()) {
      fail(at, "end of file, expected " + std::to_string(count) + " values of " + std::string(field));
    }
    for (auto token : splitFields(lines_[at])) {
      if (values.size() == count) break;
      values.push_back(number(at, token, field));
    }
    ++at;
  }
  return values;
}

bool parseNumber(std::string_view token, double& value) {
  if (!token.empty() && token.find_first_not_of('*') == std::string_view::npos) {
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (token.size() > 1 && token[0] == '+') token.remove_prefix(1);
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (end != token.data() + token.size() || (ec != std::errc() && ec != std::errc::result_out_of_range)) return false;
  // from_chars leaves the target alone when the magnitude is out of range.
  if (ec == std::errc::result_out_of_range) value = std::strtod(std::string(token).c_str(), nullptr);
  return true;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace section
