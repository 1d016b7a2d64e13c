#include "result_parsing.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace validation {

namespace {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

double toNumber(const std::string& token) {
  char* end = nullptr;
  const double v = std::strtod(token.c_str(), &end);
  if (token.empty() || end != token.c_str() + token.size()) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return v;
}

// The blank- or comma-separated items of one line, as numbers.
std::vector<double> numbersOf(const std::string& line) {
  std::vector<double> out;
  std::string token;
  for (char c : line + " ") {
    if (c == ' ' || c == ',' || c == '\t') {
      if (!token.empty()) out.push_back(toNumber(token));
      token.clear();
    } else {
      token += c;
    }
  }
  return out;
}

// Reads numbers line after line from lines[at] on until `count` are taken.
std::vector<double> takeNumbers(const std::vector<std::string>& lines, std::size_t& at,
                                std::size_t count) {
  std::vector<double> out;
  while (out.size() < count) {
    if (at >= lines.size()) throw std::runtime_error("result file ends early");
    for (double v : numbersOf(lines[at++])) out.push_back(v);
  }
  if (out.size() != count) throw std::runtime_error("more numbers on a line than expected");
  return out;
}

bool contains(const std::string& line, const char* text) {
  return line.find(text) != std::string::npos;
}

}  // namespace

std::vector<KorvisTable> parseKorvisLog(const std::string& text, int nPos, int nSpac) {
  const auto lines = splitLines(text);
  const auto positions = static_cast<std::size_t>(nPos);
  std::vector<KorvisTable> tables;
  std::size_t at = 0;
  while (at < lines.size()) {
    const std::string& line = lines[at];
    if (contains(line, "Electrical field")) {
      KorvisTable t;
      t.kind = TableKind::electricField;
      at += 2;
      t.value.emplace_back();
      for (std::size_t p = 0; p < positions; ++p) {
        const auto v = numbersOf(lines.at(at++));
        if (v.size() != 3) throw std::runtime_error("electric-field line of " + lines[at - 1]);
        t.positions.push_back(v[0]);
        t.value[0].push_back(v[2]);
      }
      tables.push_back(t);
    } else if (contains(line, "APP.RESISTIVITY") || contains(line, "APP.CHARGEABILITY")) {
      KorvisTable t;
      t.chargeability = contains(line, "APP.CHARGEABILITY");
      if (line.rfind("*****", 0) == 0) {  // the gradient table starts in column 1
        t.kind = TableKind::gradient;
        at += 2;
        t.value.emplace_back();
        for (std::size_t p = 0; p < positions; ++p) {
          const auto v = numbersOf(lines.at(at++));
          if (v.size() != 2) throw std::runtime_error("gradient line of " + lines[at - 1]);
          t.positions.push_back(v[0]);
          t.value[0].push_back(v[1]);
        }
      } else {
        while (at < lines.size() && !contains(lines[at], "-----")) ++at;
        ++at;
        for (int j = 0; j < nSpac; ++j) {
          auto row = takeNumbers(lines, at, positions + 1);
          t.spacings.push_back(row.front());
          t.value.emplace_back(row.begin() + 1, row.end());
        }
      }
      tables.push_back(t);
    } else {
      ++at;
    }
  }
  return tables;
}

TelmArrayFile parseTelmArrayFile(const std::string& text, bool poleDipole) {
  const auto lines = splitLines(text);
  if (lines.size() < 3) throw std::runtime_error("telm result file too short");
  TelmArrayFile f;
  {
    std::istringstream head(lines[2]);
    head >> f.stationCount >> f.keyIP >> f.spacingCount >> f.letter;
  }
  std::size_t at = 3;
  const auto stations = static_cast<std::size_t>(f.stationCount);
  if (poleDipole) {
    for (std::size_t i = 0; i < stations; ++i) {
      const auto v = numbersOf(lines.at(at++));
      if (v.size() != (f.keyIP == 1 ? 3U : 2U)) throw std::runtime_error("kind-12 line");
      f.stationX.push_back(v[0]);
      f.rho.push_back({v[1]});
      f.eta.push_back({f.keyIP == 1 ? v[2] : 0.0});
    }
    return f;
  }
  const auto spacings = static_cast<std::size_t>(f.spacingCount);
  takeNumbers(lines, at, spacings);  // the spacing or offset list
  for (std::size_t i = 0; i < stations; ++i) {
    f.stationX.push_back(takeNumbers(lines, at, 1)[0]);
    takeNumbers(lines, at, 1);  // the spacing count again
    f.rho.push_back(takeNumbers(lines, at, spacings));
    f.eta.push_back(f.keyIP == 1 ? takeNumbers(lines, at, spacings)
                                 : std::vector<double>(spacings, 0.0));
  }
  return f;
}

std::vector<MagneticRow> parseMagneticFile(const std::string& text) {
  std::vector<MagneticRow> rows;
  for (const auto& v : parseNumberLines(text, 1)) {
    if (v.size() != 5) throw std::runtime_error("magnetic-field line with a wrong count");
    rows.push_back({v[0], v[1], v[2], v[3], v[4]});
  }
  return rows;
}

std::vector<std::vector<double>> parseNumberLines(const std::string& text, int headerLines) {
  const auto lines = splitLines(text);
  std::vector<std::vector<double>> out;
  for (std::size_t i = static_cast<std::size_t>(headerLines); i < lines.size(); ++i) {
    auto v = numbersOf(lines[i]);
    if (!v.empty()) out.push_back(v);
  }
  return out;
}

int nodeCount(const std::string& vargaXy) {
  for (const auto& line : splitLines(vargaXy)) {
    if (contains(line, " N cells")) {
      return static_cast<int>(numbersOf(line.substr(0, line.find("N cells")))[0]);
    }
  }
  return -1;
}

}  // namespace validation
