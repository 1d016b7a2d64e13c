// A number as the programs' own messages show it: the stream's default
// form (six significant digits, no trailing zeros), e.g. "-10", "15.8".
#pragma once

#include <sstream>
#include <string>

namespace common {

template <typename T>
std::string shownValue(T value) {
  std::ostringstream s;
  s << value;
  return s.str();
}

}  // namespace common
