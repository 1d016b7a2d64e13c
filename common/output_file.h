// Result files that are either written completely or not at all: the text is
// collected in memory and only commit() puts it on disk, through a temporary
// file in the same directory that is renamed over the target. A failure, or
// an OutputFile destroyed without commit(), leaves any earlier file as it was.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace common {

// "<name>: cannot write the file (<reason>)"
class OutputError : public std::runtime_error {
 public:
  explicit OutputError(const std::string& message) : std::runtime_error(message) {}
};

class OutputFile {
 public:
  explicit OutputFile(std::string path) : path_(std::move(path)) {}

  void write(std::string_view text) { text_ += text; }
  OutputFile& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }

  // Replaces the target with the collected text; throws OutputError. May be
  // called again after more text has been added.
  void commit() const;

  const std::string& path() const { return path_; }
  const std::string& text() const { return text_; }

 private:
  std::string path_;
  std::string text_;
};

// Replaces `path` with `text` as OutputFile::commit() does.
void writeFileAtomically(const std::string& path, std::string_view text);

}  // namespace common
