// The command line of the programs. Each program lists its options in a
// table, one row per option; --help and --version are always there. The
// help text is built from the program's description, the table and the
// program's closing paragraph (exit statuses, user guide), so an option is
// added with one row. Without arguments a program runs as it always has.
#pragma once

#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// The project version, set once in the top-level CMakeLists.txt.
std::string_view projectVersion();

// Where the user guide of this build's source tree is.
std::string_view userGuidePath();

// "<program> <version>"
std::string versionLine(std::string_view program);

struct OptionRow {
  std::string name;      // "--out"
  std::string argument;  // "FILE", or empty for a switch
  std::string help;      // one or more lines, without the leading indent
};

struct ProgramHelp {
  std::string program;   // "telm"
  std::string synopsis;  // what follows the program name on the usage line
  std::string about;     // what the program reads and writes
  std::string closing;   // exit statuses and where the user guide is
};

struct CommandLine {
  // false when the program must stop at once with `status` (after --help,
  // --version or a usage error; the text is already printed).
  bool run = true;
  int status = 0;
  std::map<std::string, std::string> values;  // option name -> argument ("" for a switch)

  bool has(const std::string& name) const { return values.count(name) != 0; }
  std::string value(const std::string& name) const;
};

// The whole help text: usage line, about, options, closing.
std::string helpText(const ProgramHelp& help, const std::vector<OptionRow>& options);

// Reads argv[1..argc). --help prints the help text to `out`, --version the
// version line; both give status 0. An unknown argument, an option given
// twice or an option without its argument prints one message and the usage
// line to `err` and gives status 2. Reads and writes nothing else.
CommandLine parseCommandLine(int argc, const char* const* argv, const ProgramHelp& help,
                             const std::vector<OptionRow>& options, std::ostream& out,
                             std::ostream& err);

// The argument of --mirror-above: a distance in metres, 0 or more and
// below 1e6; nothing when the text is not that.
std::optional<double> parseMirrorDistance(const std::string& text);

}  // namespace common
