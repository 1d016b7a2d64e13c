// Reader and writer of the unified data format. The text is taken line by
// line: counts, token lines that name the columns, and rows of numbers, with
// '#' starting a comment everywhere except on a token line. Each problem is
// one InputError naming the file, the line, what was expected and what was
// found, and where a count disagrees with the lines present the message says
// which count to look at.
#include "common/survey_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "common/input_text.h"
#include "common/record_reader.h"

namespace common {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::vector<std::string_view> splitTokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (isBlank(text[i]) || text[i] == ',')) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(text[i]) && text[i] != ',') ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

bool parseReal(std::string_view t, double& value) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  return ec == std::errc() && end == t.data() + t.size() && std::isfinite(value);
}

bool parseInt(std::string_view t, long long& value) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  return ec == std::errc() && end == t.data() + t.size();
}

// A column token as written by the various producers of the format: any
// case, and an optional unit after a slash ("u/V", "rhoa/Ohmm").
std::string columnName(std::string_view token) {
  const std::size_t slash = token.find('/');
  std::string name(token.substr(0, slash));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return name;
}

class SurveyParser {
 public:
  SurveyParser(std::string_view text, const std::string& name) : text_(text), name_(name) {
    if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
  }

  SurveyData parse() {
    SurveyData s;
    const int electrodeCount = readCount("the number of electrodes", maxSurveyElectrodes, "electrodes", "");
    readElectrodes(s, electrodeCount);
    const int dataCount = readCount("the number of data", maxSurveyData, "data",
                                    " (is the number of electrodes too small?)");
    readData(s, dataCount, electrodeCount);
    if (moreContent()) {
      const int topoCount = readCount("the number of topography points", maxSurveyElectrodes,
                                      "topography points", " (is the number of data too small?)");
      readTopography(s, topoCount);
      if (nextContentLine(true)) {
        fail("expected the end of the file after " + std::to_string(topoCount) +
             " topography points, found \"" + shownToken(line_) + "\" (is the number of topography points too small?)");
      }
    }
    return s;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw InputError(name_ + ", line " + std::to_string(lineNo_) + ": " + what);
  }
  [[noreturn]] void failAtEnd(const std::string& what) const {
    throw InputError(name_ + ", line " + std::to_string(lineNo_ + 1) + ": " + what + ", found the end of the file");
  }

  // Moves to the next line that holds anything but blanks. With
  // `skipComments`, whole-line comments are skipped too (token lines are
  // only looked for right after a count). Leaves the line in line_ and
  // returns false at the end of the text.
  bool nextContentLine(bool skipComments) {
    while (nextTextLine(text_, pos_, line_)) {
      ++lineNo_;
      std::size_t first = 0;
      while (first < line_.size() && isBlank(line_[first])) ++first;
      if (first == line_.size()) continue;
      if (skipComments && line_[first] == '#') continue;
      return true;
    }
    line_ = {};
    return false;
  }

  // Whether anything but blanks and comments follows, without taking it.
  bool moreContent() {
    const std::size_t pos = pos_;
    const int lineNo = lineNo_;
    const bool more = nextContentLine(true);
    pos_ = pos;
    lineNo_ = lineNo;
    return more;
  }

  // The tokens of line_ before any comment.
  std::vector<std::string_view> valueTokens() const { return splitTokens(line_.substr(0, line_.find('#'))); }

  int readCount(const std::string& what, int limit, const char* items, const std::string& hint) {
    if (!nextContentLine(true)) failAtEnd("expected " + what);
    const auto tokens = valueTokens();
    long long count = 0;
    if (tokens.size() != 1 || !parseInt(tokens[0], count)) {
      fail("expected one integer, " + what + ", found \"" + shownToken(line_) + "\"" + hint);
    }
    countLine_ = lineNo_;
    if (count < 0 || count > limit) {
      fail("expected " + what + " from 0 to " + std::to_string(limit) + ", found " + std::to_string(count) +
           (count > limit ? std::string(" (at most ") + std::to_string(limit) + " " + items + " are read)" : ""));
    }
    return static_cast<int>(count);
  }

  // The token line after a count: '#' followed by the column names.
  std::vector<std::string> readTokenLine(const char* section, const char* example) {
    if (!nextContentLine(false)) failAtEnd(std::string("expected the token line of the ") + section + " (" + example + ")");
    std::size_t first = 0;
    while (isBlank(line_[first])) ++first;
    if (line_[first] != '#') {
      fail(std::string("expected the token line of the ") + section + " (" + example + "), found \"" + shownToken(line_) +
           "\"");
    }
    std::vector<std::string> names;
    for (std::string_view t : splitTokens(line_.substr(first + 1))) {
      // "#x y z" and "# x y z" are both in use.
      std::string name = columnName(t);
      if (name.empty()) continue;
      if (std::find(names.begin(), names.end(), name) != names.end()) {
        fail(std::string("the token line of the ") + section + " names \"" + shownToken(name) + "\" twice");
      }
      names.push_back(std::move(name));
    }
    return names;
  }

  // The numbers of one row, as many as there are columns.
  std::vector<std::string_view> rowTokens(std::size_t columns, const std::string& what) {
    if (!nextContentLine(true)) failAtEnd("expected " + what);
    auto tokens = valueTokens();
    if (tokens.size() != columns) {
      fail("expected " + std::to_string(columns) + " numbers for " + what + ", found \"" + shownToken(line_) +
           "\" (is the count on line " + std::to_string(countLine_) + " right?)");
    }
    return tokens;
  }

  double real(std::string_view token, const std::string& field) const {
    double value = 0.0;
    if (!parseReal(token, value)) fail("expected a finite number for " + field + ", found \"" + shownToken(token) + "\"");
    return value;
  }

  void readElectrodes(SurveyData& s, int count) {
    const auto names = readTokenLine("electrodes", "# x z");
    std::array<int, 3> where{-1, -1, -1};  // columns of x, y, z
    for (std::size_t c = 0; c < names.size(); ++c) {
      const auto at = std::string_view("xyz").find(names[c].size() == 1 ? names[c][0] : '?');
      if (at == std::string_view::npos) {
        fail("expected the position tokens x, y and z, found \"" + shownToken(names[c]) + "\"");
      }
      where[at] = static_cast<int>(c);
    }
    if (where[0] < 0) fail("the token line of the electrodes must name x (for example \"# x z\")");
    s.electrodes.reserve(static_cast<std::size_t>(std::min(count, 4096)));
    for (int e = 1; e <= count; ++e) {
      const std::string what = "electrode " + std::to_string(e) + " of " + std::to_string(count);
      const auto tokens = rowTokens(names.size(), what);
      SurveyElectrode el;
      el.line = lineNo_;
      double* fields[3] = {&el.x, &el.y, &el.z};
      for (std::size_t k = 0; k < 3; ++k) {
        if (where[k] >= 0) {
          *fields[k] = real(tokens[static_cast<std::size_t>(where[k])], names[static_cast<std::size_t>(where[k])] + " of " + what);
        }
      }
      s.electrodes.push_back(el);
    }
  }

  void readData(SurveyData& s, int count, int electrodeCount) {
    const auto names = readTokenLine("data", "# a b m n");
    std::array<int, 4> where{-1, -1, -1, -1};  // columns of a, b, m, n
    std::vector<int> valueColumn(names.size(), -1);
    for (std::size_t c = 0; c < names.size(); ++c) {
      const auto at = std::string_view("abmn").find(names[c].size() == 1 ? names[c][0] : '?');
      if (at != std::string_view::npos) {
        where[at] = static_cast<int>(c);
      } else {
        valueColumn[c] = static_cast<int>(s.columns.size());
        s.columns.push_back(names[c]);
      }
    }
    if (std::find(where.begin(), where.end(), -1) != where.end()) {
      fail("the token line of the data must name a, b, m and n (for example \"# a b m n\"), found \"" + shownToken(line_) +
           "\"");
    }
    s.data.reserve(static_cast<std::size_t>(std::min(count, 65536)));
    for (int d = 1; d <= count; ++d) {
      const std::string what = "datum " + std::to_string(d) + " of " + std::to_string(count);
      const auto tokens = rowTokens(names.size(), what);
      SurveyDatum datum;
      datum.line = lineNo_;
      datum.values.resize(s.columns.size());
      int* electrodes[4] = {&datum.a, &datum.b, &datum.m, &datum.n};
      for (std::size_t k = 0; k < 4; ++k) {
        const std::string_view t = tokens[static_cast<std::size_t>(where[k])];
        long long number = 0;
        const char label = "abmn"[k];
        if (!parseInt(t, number) || number < 0 || number > electrodeCount) {
          fail(std::string("expected an electrode number from 0 to ") + std::to_string(electrodeCount) + " for " +
               label + " of " + what + ", found \"" + shownToken(t) + "\"");
        }
        *electrodes[k] = static_cast<int>(number);
      }
      for (std::size_t c = 0; c < names.size(); ++c) {
        if (valueColumn[c] >= 0) {
          datum.values[static_cast<std::size_t>(valueColumn[c])] = real(tokens[c], names[c] + " of " + what);
        }
      }
      checkQuadrupole(datum, what);
      s.data.push_back(std::move(datum));
    }
  }

  void checkQuadrupole(const SurveyDatum& d, const std::string& what) const {
    const std::string abmn = std::to_string(d.a) + " " + std::to_string(d.b) + " " + std::to_string(d.m) + " " +
                             std::to_string(d.n);
    const auto bad = [&](const char* problem) {
      fail(what + " (a b m n = " + abmn + "): " + problem);
    };
    if (d.a == 0 && d.b == 0) bad("both current electrodes are at infinity (0); give A or B");
    if (d.m == 0 && d.n == 0) bad("both potential electrodes are at infinity (0); give M or N");
    if (d.a != 0 && d.a == d.b) bad("A and B are the same electrode");
    if (d.m != 0 && d.m == d.n) bad("M and N are the same electrode");
    for (const int p : {d.m, d.n}) {
      if (p != 0 && (p == d.a || p == d.b)) bad("a potential electrode is also a current electrode");
    }
  }

  void readTopography(SurveyData& s, int count) {
    // The token line is optional here; without one the rows are "x z".
    std::size_t columns = 2;
    std::array<int, 2> where{0, 1};
    const std::size_t mark = pos_;
    const int markLine = lineNo_;
    if (count > 0 && nextContentLine(false)) {
      std::size_t first = 0;
      while (isBlank(line_[first])) ++first;
      if (line_[first] == '#') {
        pos_ = mark;
        lineNo_ = markLine;
        const auto names = readTokenLine("topography", "# x z");
        const auto x = std::find(names.begin(), names.end(), "x");
        const auto z = std::find(names.begin(), names.end(), "z");
        if (x == names.end() || z == names.end()) fail("the token line of the topography must name x and z");
        columns = names.size();
        where = {static_cast<int>(x - names.begin()), static_cast<int>(z - names.begin())};
      } else {
        pos_ = mark;
        lineNo_ = markLine;
      }
    }
    for (int t = 1; t <= count; ++t) {
      const std::string what = "topography point " + std::to_string(t) + " of " + std::to_string(count);
      const auto tokens = rowTokens(columns, what);
      s.topography.push_back({real(tokens[static_cast<std::size_t>(where[0])], "x of " + what),
                              real(tokens[static_cast<std::size_t>(where[1])], "z of " + what)});
    }
  }

  std::string_view text_;
  const std::string& name_;
  std::size_t pos_ = 0;
  int lineNo_ = 0;
  int countLine_ = 0;  // line of the count of the section being read
  std::string_view line_;
};

// 7 significant digits (the precision the programs compute in), no negative
// zero, no exponent where a plain number is as short.
std::string formatValue(double v) {
  if (v == 0.0) return "0";
  std::array<char, 64> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general, 7);
  return std::string(buf.data(), r.ptr);
}

// The shortest text that reads back to the same double.
std::string formatPosition(double v) {
  if (v == 0.0) return "0";
  std::array<char, 64> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
  return std::string(buf.data(), r.ptr);
}

}  // namespace

int SurveyData::column(std::string_view name) const {
  const auto it = std::find(columns.begin(), columns.end(), name);
  return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
}

SurveyData parseSurveyText(std::string_view text, const std::string& name) { return SurveyParser(text, name).parse(); }

SurveyData readSurveyFile(const std::string& path, std::size_t maxBytes) {
  return parseSurveyText(readInputText(path, maxBytes, "survey file"), path);
}

std::string formatSurveyText(const SurveyData& s) {
  std::string out = std::to_string(s.electrodes.size()) + "  # number of electrodes\n# x z\n";
  for (const SurveyElectrode& e : s.electrodes) out += formatPosition(e.x) + ' ' + formatPosition(e.z) + '\n';
  out += std::to_string(s.data.size()) + "  # number of data\n# a b m n";
  for (const std::string& c : s.columns) out += ' ' + c;
  out += '\n';
  for (const SurveyDatum& d : s.data) {
    out += std::to_string(d.a) + ' ' + std::to_string(d.b) + ' ' + std::to_string(d.m) + ' ' + std::to_string(d.n);
    for (const double v : d.values) out += ' ' + formatValue(v);
    out += '\n';
  }
  if (!s.topography.empty()) {
    out += std::to_string(s.topography.size()) + "  # number of topography points\n# x z\n";
    for (const SurveyTopographyPoint& t : s.topography) out += formatPosition(t.x) + ' ' + formatPosition(t.z) + '\n';
  }
  return out;
}

}  // namespace common
