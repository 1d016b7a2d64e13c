// Edit-descriptor line writer: renders values through a layout written as in
// the record descriptions, e.g. "(1X,8(F8.2,1X))" or
// "(/,2X,'Matrix have been calculated',/,2X,'Large elements -',F6.2,'% of total')".
// Descriptors: Iw, Fw.d, Ew.d, Aw and A, nX, quoted literals ('..' or ".."),
// "/", repeat groups r(...), repeated descriptors rFw.d, and "\" (no line end
// after the output). When the values outnumber the descriptors a new line
// starts and the layout resumes at its last top-level group (or its start);
// the output stops at the first data descriptor that has no value left.
// A value too wide for its field fills the field with asterisks. Numbers are
// rounded from their exact binary value, exact decimal ties away from zero; a
// negative value keeps its "-" even when it rounds to zero ("-0.00"), and
// the "0" before the point is left out when the field has no room for it.
// Aw cuts a longer text to its first w characters and right-justifies a
// shorter one; A writes the text as it is.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace common {

using FormatValue = std::variant<int, float, double, std::string>;

// The text of the whole output, '\n' after each line except when the layout
// ends in "\" . Throws std::invalid_argument for a malformed layout or a value
// of the wrong kind for its descriptor (a programming error, not user input).
std::string formatLine(std::string_view layout, const std::vector<FormatValue>& values);
inline std::string formatLine(std::string_view layout, std::initializer_list<FormatValue> values) {
  return formatLine(layout, std::vector<FormatValue>(values));
}

// Fields on their own, for tests and hand-built lines.
std::string fixedField(double value, int width, int decimals);     // Fw.d
std::string exponentField(double value, int width, int decimals);  // Ew.d, 0.ddddE+ee
std::string integerField(long long value, int width);              // Iw

}  // namespace common
