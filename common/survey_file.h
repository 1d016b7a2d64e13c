// The unified data format: a list of electrodes and a list of four-electrode
// data, the exchange file of field crews and inversion packages.
//
//   4               # number of electrodes
//   # x z           # position tokens (x, y, z in any order; z is elevation:
//   0 0             #   0 at the surface, negative below)
//   ...
//   1               # number of data
//   # a b m n rhoa  # data tokens: a b m n (1-based electrode numbers,
//   1 2 3 4 102.5   #   0 = an electrode at infinity) and any named values
//   0               # optional: number of topography points, then "x z" lines
//
// Text after '#' is a comment except on the token lines. Blank lines are
// skipped. Every malformed input is reported by throwing InputError naming
// the file, the line and what was expected.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace common {

struct SurveyElectrode {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;  // elevation: 0 at the surface, negative below
  int line = 0;    // line of the file it came from (for messages)
};

struct SurveyDatum {
  int a = 0, b = 0, m = 0, n = 0;  // 1-based electrode numbers; 0 = at infinity
  std::vector<double> values;      // one per SurveyData::columns entry
  int line = 0;
};

struct SurveyTopographyPoint {
  double x = 0.0;
  double z = 0.0;
};

struct SurveyData {
  std::vector<SurveyElectrode> electrodes;
  // Names of the data columns other than a b m n, lower case, in file order
  // (for example "rhoa", "k", "u", "i", "r", "err", "ip", "valid").
  std::vector<std::string> columns;
  std::vector<SurveyDatum> data;
  std::vector<SurveyTopographyPoint> topography;

  // Index of a named column in SurveyDatum::values, or -1.
  int column(std::string_view name) const;
};

// Limits of the reader (the format itself has none).
inline constexpr int maxSurveyElectrodes = 10000;
inline constexpr int maxSurveyData = 1000000;

// The largest survey file read: one line per electrode, datum and
// topography point (as many as electrodes) and a few for the counts and
// token lines, each of at most 256 bytes (a datum line with ten columns and
// a comment takes some 150).
constexpr std::size_t surveyFileBytes(int electrodes, int data) {
  return (2 * static_cast<std::size_t>(electrodes) + static_cast<std::size_t>(data) + 64) * 256;
}

// Reads a survey file. Structural checks: counts against the lines present,
// token lines present and naming a b m n (positions: x and at least one of
// y, z), numbers parse, electrode numbers within 0..count, A != B and M != N
// unless 0, M and N differ from A and B, at least one current and one
// potential electrode not at infinity, the limits above. Electrode
// elevations are not checked here (see the modelling program). Only a
// regular file of at most `maxBytes` is read; lines end with LF, CRLF or a
// lone CR.
SurveyData readSurveyFile(const std::string& path,
                          std::size_t maxBytes = surveyFileBytes(maxSurveyElectrodes, maxSurveyData));
// The same from text already in memory; `name` is used in messages.
SurveyData parseSurveyText(std::string_view text, const std::string& name);

// The file text for `s`: electrodes with the tokens "x z" (y is dropped),
// positions in the shortest form that reads back to the same double; data
// with "a b m n" followed by s.columns, values with 7 significant digits;
// never a negative zero; no topography section when it is empty.
std::string formatSurveyText(const SurveyData& s);

}  // namespace common
