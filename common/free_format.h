// Free-format output records ("list-directed" lines) of the two programs.
// A record begins with one blank; text items are copied unchanged; numbers
// follow the program's rule:
//   korvis: integer right-justified in 12 columns; real in 15 columns with 7
//           significant digits, fixed (right-justified in 11 columns then 4
//           blanks) for 0.1 <= |x| < 1e7, else exponent form 0.ddddddd E+ee;
//           a text item after a number gets one blank in front; numbers abut.
//   telm:   integer right-justified in 11 columns; real in 15 columns, fixed
//           with 6 decimals for 1 <= |x| < 1e7, else d.ddddddE+ee; every number
//           after another number gets one more blank; a record holds at most
//           79 columns, a number that would pass that starts a new line
//           (unless the record is unbounded, as in varga.xy).
#pragma once

#include <string>
#include <string_view>

namespace common {

enum class FreeStyle { korvis, telm, telmUnbounded };

class FreeRecord {
 public:
  explicit FreeRecord(FreeStyle style);
  FreeRecord& operator<<(int value);
  FreeRecord& operator<<(float value);
  FreeRecord& operator<<(std::string_view text);
  FreeRecord& operator<<(const char* text) { return *this << std::string_view(text); }
  // The record's text with a '\n' after every line (a wrapped telm record has
  // several lines).
  std::string str() const;

 private:
  enum class Last { none, number, text };
  void put(const std::string& field, bool isNumber);
  FreeStyle style_;
  std::string done_;     // completed lines, each with its '\n'
  std::string current_;  // line being built
  Last last_ = Last::none;
};

// Single fields, exposed for tests and for callers that build lines by hand.
std::string korvisReal(float value);
std::string korvisInteger(int value);
std::string telmReal(float value);
std::string telmInteger(int value);

}  // namespace common
