// Free-format record reader: splits the lines of a text file into values the
// way list-directed input does (blanks, tabs, commas and line ends separate;
// "r*value", "r*" and empty comma fields repeat or skip; "/" ends a record),
// converts them with correct rounding, and turns every malformed or missing
// value into one InputError naming the file, the line and the field.
#include "common/record_reader.h"

#include <charconv>
#include <cstdlib>
#include <limits>

#include "common/input_text.h"

namespace common {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Accepts [+-] digits [. [digits]] | [+-] . digits, then an optional exponent
// [EeDd] [+-] digits; writes a copy that std::from_chars understands (no '+',
// 'e' as the exponent letter).
bool normaliseReal(std::string_view t, std::string& out) {
  out.clear();
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') out += '-';
    ++i;
  }
  std::size_t mantissaDigits = 0;
  while (i < t.size() && isDigit(t[i])) {
    out += t[i++];
    ++mantissaDigits;
  }
  if (i < t.size() && t[i] == '.') {
    out += t[i++];
    while (i < t.size() && isDigit(t[i])) {
      out += t[i++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    out += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
      if (t[i] == '-') out += '-';
      ++i;
    }
    std::size_t exponentDigits = 0;
    while (i < t.size() && isDigit(t[i])) {
      out += t[i++];
      ++exponentDigits;
    }
    if (exponentDigits == 0) return false;
  }
  return i == t.size();
}

}  // namespace

std::string shownToken(std::string_view token) {
  constexpr std::size_t limit = 40;
  std::string text = escapedText(token.substr(0, limit));
  if (token.size() > limit) text += "...";
  return text;
}

RecordReader::RecordReader(const std::string& path, std::string_view hint)
    : name_(path), text_(readInputText(path, maxRecordFileBytes, "input file", hint)) {}

std::string RecordReader::where() const { return name_ + ", line " + std::to_string(lineNo_); }

std::string RecordReader::where(std::string_view what) const {
  return where() + ": " + std::string(what);
}

void RecordReader::fail(int line, std::string_view what) const {
  throw InputError(name_ + ", line " + std::to_string(line) + ": " + std::string(what));
}

bool RecordReader::fetchLine() {
  if (lineNo_ == std::numeric_limits<int>::max()) throw InputError(name_ + ": too many lines");
  std::string_view line;
  if (!nextTextLine(text_, textPos_, line)) return false;
  line_.assign(line);
  ++lineNo_;
  if (lineNo_ == 1 && line_.compare(0, 3, "\xEF\xBB\xBF") == 0) line_.erase(0, 3);
  pos_ = 0;
  return true;
}

void RecordReader::beginRecord() {
  if (inRecord_) endRecord();
  inRecord_ = true;
  lineTaken_ = false;
  ended_ = false;
  needSep_ = false;
  repeatLeft_ = 0;
  repeatToken_.clear();
}

void RecordReader::startRecordIfNeeded() {
  if (!inRecord_) beginRecord();
}

void RecordReader::endRecord() {
  // A record that took no value still uses up its line; at the end of the
  // file there is nothing to use up, and the next read reports the end.
  if (inRecord_ && !lineTaken_) fetchLine();
  pos_ = line_.size();
  inRecord_ = false;
  lineTaken_ = false;
  ended_ = false;
  needSep_ = false;
  repeatLeft_ = 0;
  repeatToken_.clear();
}

bool RecordReader::nextToken(std::string& token, std::string_view field, const char* kind) {
  startRecordIfNeeded();
  if (repeatLeft_ > 0) {
    --repeatLeft_;
    if (repeatToken_.empty()) return false;
    token = repeatToken_;
    return true;
  }
  if (ended_) return false;
  auto endOfFile = [&] {
    fail(lineNo_ + 1, "end of file, expected " + std::string(kind) + " for " + std::string(field));
  };
  if (!lineTaken_) {
    if (!fetchLine()) endOfFile();
    lineTaken_ = true;
  }
  for (;;) {
    while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    if (pos_ == line_.size()) {
      if (!fetchLine()) endOfFile();
      continue;
    }
    const char c = line_[pos_];
    if (c == ',') {
      ++pos_;
      if (needSep_) {
        needSep_ = false;
        continue;
      }
      return false;
    }
    if (c == '/') {
      ++pos_;
      ended_ = true;
      return false;
    }
    const std::size_t start = pos_;
    while (pos_ < line_.size() && !isBlank(line_[pos_]) && line_[pos_] != ',' && line_[pos_] != '/') ++pos_;
    const std::string_view raw(line_.data() + start, pos_ - start);
    needSep_ = true;
    const std::size_t star = raw.find('*');
    if (star == std::string_view::npos) {
      token.assign(raw);
      return true;
    }
    long long count = 0;
    const auto [end, ec] = std::from_chars(raw.data(), raw.data() + star, count);
    if (star == 0 || ec != std::errc() || end != raw.data() + star || count < 1) {
      fail(lineNo_, "expected " + std::string(kind) + " for " + std::string(field) + ", found \"" +
                        shownToken(raw) + "\"");
    }
    repeatToken_.assign(raw.substr(star + 1));
    repeatLeft_ = count - 1;
    if (repeatToken_.empty()) return false;
    token = repeatToken_;
    return true;
  }
}

void RecordReader::read(int& value, std::string_view field) {
  std::string token;
  if (!nextToken(token, field, "an integer")) return;
  const char* first = token.data();
  const char* last = token.data() + token.size();
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  int parsed = 0;
  const auto [end, ec] = std::from_chars(first, last, parsed);
  if (ec != std::errc() || end != last) {
    fail(lineNo_, "expected an integer for " + std::string(field) + ", found \"" + shownToken(token) + "\"");
  }
  value = parsed;
}

void RecordReader::read(float& value, std::string_view field) {
  std::string token;
  if (!nextToken(token, field, "a number")) return;
  std::string normal;
  float parsed = 0.0f;
  if (normaliseReal(token, normal)) {
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
    if (end == normal.data() + normal.size()) {
      if (ec == std::errc()) {
        value = parsed;
        return;
      }
      // Out of range: below the smallest subnormal it reads as zero, above
      // the largest float it is an error.
      if (ec == std::errc::result_out_of_range) {
        const double wide = std::strtod(normal.c_str(), nullptr);
        if (wide > -1.0 && wide < 1.0) {
          value = normal.front() == '-' ? -0.0f : 0.0f;
          return;
        }
        fail(lineNo_, "number out of range for " + std::string(field) + ", found \"" + shownToken(token) + "\"");
      }
    }
  }
  fail(lineNo_, "expected a number for " + std::string(field) + ", found \"" + shownToken(token) + "\"");
}

void RecordReader::readList(int* values, int count, std::string_view field) {
  const bool own = !inRecord_;
  if (own) beginRecord();
  for (int i = 0; i < count; ++i) {
    read(values[i], std::string(field) + "(" + std::to_string(i + 1) + ")");
  }
  if (own) endRecord();
}

void RecordReader::readList(float* values, int count, std::string_view field) {
  const bool own = !inRecord_;
  if (own) beginRecord();
  for (int i = 0; i < count; ++i) {
    read(values[i], std::string(field) + "(" + std::to_string(i + 1) + ")");
  }
  if (own) endRecord();
}

std::string RecordReader::readLine(std::string_view field) {
  if (inRecord_) endRecord();
  if (!fetchLine()) fail(lineNo_ + 1, "end of file, expected a text line for " + std::string(field));
  pos_ = line_.size();
  return line_;
}

}  // namespace common
