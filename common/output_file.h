// Result files that are either written completely or not at all: the text is
// collected in memory and only commit() puts it on disk, through a temporary
// file in the same directory that is renamed over the target. A failure, or
// an OutputFile destroyed without commit(), leaves any earlier file as it was.
// A target that is write-protected (no write permission for its owner: the
// user's "do not replace", honoured even where the system would let the
// rename through) or that is no regular file is never replaced.
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

// Throws InputError "<output>: the run would replace its own input, <role>
// <input>; <fix>" when `output` names the same existing file as `input`
// (by identity: another spelling or a link is the same file).
void refuseOwnInput(const std::string& output, const std::string& input, std::string_view role,
                    std::string_view fix);

// For a result file that a long run writes at its end: throws the
// OutputError that its commit would raise for a target that cannot be
// replaced (write-protected, not a regular file) or a folder where no file
// can be made (missing, write-protected, full of inodes), by making and
// removing a temporary file there now.
void checkOutputTarget(const std::string& path);

}  // namespace common
