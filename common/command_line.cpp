// Table-driven command line: usage errors, --help and --version.
#include "common/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "common/exit_codes.h"

#if !defined(RM_VERSION) || !defined(RM_USER_GUIDE)
#error "RM_VERSION and RM_USER_GUIDE come from the build (top-level CMakeLists.txt)"
#endif

namespace common {

namespace {

constexpr std::size_t optionColumn = 22;  // where the help of an option starts

std::vector<OptionRow> withStandardRows(const std::vector<OptionRow>& options) {
  std::vector<OptionRow> rows = options;
  rows.push_back({"--help", "", "show this text and stop"});
  rows.push_back({"--version", "", "show the version and stop"});
  return rows;
}

std::string usageLine(const ProgramHelp& help) {
  return "Usage: " + help.program + (help.synopsis.empty() ? "" : " " + help.synopsis) + "\n";
}

std::string optionLines(const OptionRow& row) {
  std::string head = "  " + row.name + (row.argument.empty() ? "" : " " + row.argument);
  std::string text;
  std::size_t start = 0;
  for (bool first = true; start <= row.help.size(); first = false) {
    std::size_t end = row.help.find('\n', start);
    if (end == std::string::npos) end = row.help.size();
    std::string line = first ? head : std::string();
    if (first && line.size() + 1 > optionColumn) {
      text += line + "\n";
      line.clear();
    }
    line.resize(optionColumn, ' ');
    text += line + row.help.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return text;
}

}  // namespace

std::string_view projectVersion() { return RM_VERSION; }

std::string_view userGuidePath() { return RM_USER_GUIDE; }

std::string versionLine(std::string_view program) {
  return std::string(program) + " " + std::string(projectVersion());
}

std::string CommandLine::value(const std::string& name) const {
  const auto it = values.find(name);
  return it == values.end() ? std::string() : it->second;
}

std::string helpText(const ProgramHelp& help, const std::vector<OptionRow>& options) {
  std::string text = usageLine(help) + help.about + "\nOptions:\n";
  for (const OptionRow& row : withStandardRows(options)) text += optionLines(row);
  return text + "\n" + help.closing;
}

CommandLine parseCommandLine(int argc, const char* const* argv, const ProgramHelp& help,
                             const std::vector<OptionRow>& options, std::ostream& out,
                             std::ostream& err) {
  CommandLine line;
  const auto refuse = [&](const std::string& message) {
    err << help.program << ": " << message << "\n"
        << usageLine(help) << "Run '" << help.program << " --help' for the options.\n";
    line.run = false;
    line.status = exitBadInput;
    return line;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help") {
      out << helpText(help, options);
      line.run = false;
      line.status = exitNormal;
      return line;
    }
    if (arg == "--version") {
      out << versionLine(help.program) << "\n";
      line.run = false;
      line.status = exitNormal;
      return line;
    }
    const auto row = std::find_if(options.begin(), options.end(),
                                  [&](const OptionRow& r) { return r.name == arg; });
    if (row == options.end()) {
      return refuse(arg.starts_with("-") ? "unknown option '" + arg + "'"
                                         : "unexpected argument '" + arg + "'");
    }
    if (line.has(row->name)) return refuse("option '" + arg + "' given twice");
    std::string value;
    if (!row->argument.empty()) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return refuse("option '" + arg + "' needs " + row->argument + " after it");
      value = argv[++i];
    }
    line.values[row->name] = value;
  }
  return line;
}

std::optional<double> parseMirrorDistance(const std::string& text) {
  char* end = nullptr;
  const double metres = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(metres >= 0.0 && metres < 1e6)) return std::nullopt;
  return metres;
}

}  // namespace common
