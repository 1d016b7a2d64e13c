// The table-driven command line: what each kind of argument list does, and
// the help text built from the option rows.
#include "common/command_line.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/exit_codes.h"

namespace common {
namespace {

const ProgramHelp help{"prog", "[OPTION]...", "Reads a and writes b.\n", "Exit status: 0 or 2.\n"};
const std::vector<OptionRow> options{{"--out", "FILE", "write FILE\n(instead of b)"}, {"--fast", "", "be quick"}};

TEST(CommandLine, EachArgumentListRunsStopsOrIsRefused) {
  const struct {
    std::vector<const char*> args;
    bool run;
    int status;
    std::string out, err;  // starts of the texts
    std::map<std::string, std::string> values;
  } cases[] = {
      {{}, true, 0, "", "", {}},
      {{"--out", "x.txt", "--fast"}, true, 0, "", "", {{"--out", "x.txt"}, {"--fast", ""}}},
      {{"--help"}, false, exitNormal, "Usage: prog [OPTION]...\nReads a and writes b.\n", "", {}},
      {{"--fast", "--version"}, false, exitNormal, "prog " + std::string(projectVersion()) + "\n", "", {}},
      {{"--bogus"}, false, exitBadInput, "", "prog: unknown option '--bogus'\nUsage: prog [OPTION]...\n", {}},
      {{"model.dat"}, false, exitBadInput, "", "prog: unexpected argument 'model.dat'\n", {}},
      {{"--out"}, false, exitBadInput, "", "prog: option '--out' needs FILE after it\n", {}},
      {{"--fast", "--fast"}, false, exitBadInput, "", "prog: option '--fast' given twice\n", {}},
      {{"--help", "--bogus"}, false, exitNormal, "Usage:", "", {}},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"prog"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::ostringstream out, err;
    const CommandLine line =
        parseCommandLine(static_cast<int>(argv.size()), argv.data(), help, options, out, err);
    SCOPED_TRACE(argv.size() > 1 ? argv[1] : "no arguments");
    EXPECT_EQ(line.run, c.run);
    EXPECT_EQ(line.status, c.status);
    EXPECT_TRUE(out.str().starts_with(c.out)) << out.str();
    EXPECT_TRUE(err.str().starts_with(c.err)) << err.str();
    EXPECT_EQ(out.str().empty(), c.out.empty());
    EXPECT_EQ(err.str().empty(), c.err.empty());
    if (c.run) {
      EXPECT_EQ(line.values, c.values);
    }
  }
}

TEST(CommandLine, HelpListsEveryRowThenTheClosingText) {
  EXPECT_EQ(helpText(help, options),
            "Usage: prog [OPTION]...\n"
            "Reads a and writes b.\n"
            "\n"
            "Options:\n"
            "  --out FILE          write FILE\n"
            "                      (instead of b)\n"
            "  --fast              be quick\n"
            "  --help              show this text and stop\n"
            "  --version           show the version and stop\n"
            "\n"
            "Exit status: 0 or 2.\n");
}

}  // namespace
}  // namespace common
