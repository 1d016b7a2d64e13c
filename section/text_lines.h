// Line-oriented reading of the programs' result files. Unlike the input
// files, these carry fixed-width fields that overflow into asterisks, so a
// value is read leniently: a field of asterisks, NaN or an infinity becomes a
// non-finite number (drawn as "no value") instead of an error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace section {

// The largest result file drawn: far beyond any korvis.txt (100 positions
// by 30 spacings) and telm results of tens of thousands of stations.
inline constexpr std::size_t maxResultBytes = std::size_t{512} << 20;

class TextLines {
 public:
  // Throws common::InputError for a file that cannot be opened, is no
  // regular file or is larger than maxResultBytes (common::readInputText).
  explicit TextLines(const std::string& path);

  std::size_t size() const { return lines_.size(); }
  const std::string& operator[](std::size_t index) const { return lines_[index]; }
  const std::string& name() const { return name_; }

  // Throws common::InputError "<file>, line <index + 1>: <what>".
  [[noreturn]] void fail(std::size_t index, std::string_view what) const;

  // A value read from line `index`; non-finite for asterisks, NaN or inf.
  double number(std::size_t index, std::string_view token, std::string_view field) const;
  // A value that must be finite (a coordinate or a spacing).
  double coordinate(std::size_t index, std::string_view token, std::string_view field) const;
  // An integer field within [lo, hi].
  int integer(std::size_t index, std::string_view token, std::string_view field, int lo, int hi) const;
  // `count` values of one record that starts on line `at` and may continue
  // over following lines; `at` moves past the record's last line.
  std::vector<double> record(std::size_t& at, std::size_t count, std::string_view field) const;

 private:
  std::string name_;
  std::vector<std::string> lines_;
};

// A result field as a number: asterisks give NaN; false when not a number.
bool parseNumber(std::string_view token, double& value);
std::vector<std::string_view> splitFields(std::string_view line);
std::string_view trim(std::string_view text);

}  // namespace section
