// Free-format (list-directed) record reader for the text input files of both
// programs. A read starts on a new line, takes values separated by blanks,
// tabs, commas or line ends, may continue over following lines until all its
// values are read, and ignores the rest of its last line (writers put labels
// there). Also understood: repeat counts "r*value", null values "r*" and ","
// (the target keeps its previous value), and "/" ending a record early (the
// remaining targets keep their values). Every malformed input is reported by
// throwing InputError whose message names the file, the line and the field.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// An input problem, already worded for the user:
//   model.dat, line 7: expected an integer for nVer, found "4.5"
// The program prefixes its own name when it prints it.
class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

// A token as messages show it: at most 40 bytes (then "..."), control
// characters and bytes that are not UTF-8 as \xHH, so a hostile file cannot
// flood or garble the terminal.
std::string shownToken(std::string_view token);

// The largest fixed-format input read. The largest file the limits allow is
// a varga.xy of 4100 nodes: about 4500 records, some 0.6 MB as telm writes
// it; the bound leaves room for labels and comments after the values.
inline constexpr std::size_t maxRecordFileBytes = std::size_t{16} << 20;

class RecordReader {
 public:
  // Reads an existing regular file of at most maxRecordFileBytes; throws
  // InputError as common::readInputText does:
  //   "<name>: cannot open the file (<system reason>); <hint>"
  // where the hint, when given, says what the file is and how to make it.
  // Lines end with LF, CRLF or a lone CR.
  explicit RecordReader(const std::string& path, std::string_view hint = {});

  // Starts a record on the next unread line. The values of the record are
  // then taken with read(); endRecord() drops what is left of the last line.
  // A record that reads no value still consumes one line (at the end of the
  // file it consumes nothing and raises no error). A read() outside a record
  // starts one. Reals are rounded correctly to float; an integer field must
  // hold an integer that fits in int.
  void beginRecord();
  void read(int& value, std::string_view field);
  void read(float& value, std::string_view field);
  void endRecord();

  // Convenience: one whole record of the given fields.
  template <typename... Ts>
  void record(Ts&&... args) {
    beginRecord();
    readPairs(std::forward<Ts>(args)...);
    endRecord();
  }

  // Reads `count` values into values[0..count) as one whole record, or as
  // part of the current record when one has been begun. Messages name the
  // entry as "<field>(<1-based index>)". count <= 0 still consumes a line.
  void readList(int* values, int count, std::string_view field);
  void readList(float* values, int count, std::string_view field);

  // The next whole line as text (for fixed title fields), without its line
  // end. Throws InputError at end of file naming `field`.
  std::string readLine(std::string_view field);

  const std::string& fileName() const { return name_; }
  // 1-based number of the line the last value came from.
  int lineNumber() const { return lineNo_; }

  // "<file>, line <n>" and "<file>, line <n>: <what>", for messages raised
  // by callers that validate a value they have just read.
  std::string where() const;
  std::string where(std::string_view what) const;

 private:
  template <typename T, typename... Rest>
  void readPairs(T& value, std::string_view field, Rest&&... rest) {
    read(value, field);
    if constexpr (sizeof...(rest) > 0) readPairs(std::forward<Rest>(rest)...);
  }
  void readPairs() {}

  // Puts the next value of the current record into `token` and returns
  // true, or returns false for a null value (the target keeps its value);
  // sets ended_ when "/" closed the record.
  bool nextToken(std::string& token, std::string_view field, const char* kind);
  bool fetchLine();
  [[noreturn]] void fail(int line, std::string_view what) const;
  void startRecordIfNeeded();

  std::string name_;
  std::string text_;
  std::size_t textPos_ = 0;
  std::string line_;
  std::size_t pos_ = 0;
  int lineNo_ = 0;
  bool inRecord_ = false;
  bool ended_ = false;      // "/" seen in the current record
  bool lineTaken_ = false;  // the current record has taken its first line
  bool needSep_ = false;    // a value was read whose separator is not consumed
  long long repeatLeft_ = 0;  // pending repetitions of repeatToken_
  std::string repeatToken_;   // empty: repeated null
};

}  // namespace common
