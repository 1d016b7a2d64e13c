#include "common/input_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/record_reader.h"
#include "temp_dir.h"

namespace common {
namespace {

using testing::TempDir;

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  std::string_view line;
  while (nextTextLine(text, pos, line)) lines.emplace_back(line);
  return lines;
}

TEST(InputTextTest, LineEnds) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* text;
    Lines lines;
  };
  const Case cases[] = {
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r\nb", {"a", "", "b"}},
      {"a", {"a"}},
      {"", {}},
      {"\n", {""}},
      {"x\r", {"x"}},
  };
  for (const Case& c : cases) EXPECT_EQ(linesOf(c.text), c.lines) << c.text;
}

TEST(InputTextTest, EscapedText) {
  struct Case {
    std::string text, shown;
  };
  const Case cases[] = {
      {"plain, text: 1.5 \\ /", "plain, text: 1.5 \\ /"},
      {"tab\there", "tab\\x09here"},
      {"\x1b[31mred", "\\x1B[31mred"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"latin-1 caf\xe9", "latin-1 caf\\xE9"},
      {"cut \xe2\x82", "cut \\xE2\\x82"},
      {"overlong \xc0\xaf, surrogate \xed\xa0\x80", "overlong \\xC0\\xAF, surrogate \\xED\\xA0\\x80"},
      {"C1 \xc2\x9b", "C1 \\xC2\\x9B"},
      {std::string("nul\0", 4), "nul\\x00"},
      {"del\x7f", "del\\x7F"},
  };
  for (const Case& c : cases) EXPECT_EQ(escapedText(c.text), c.shown) << c.text;
}

TEST(InputTextTest, ReadIsBoundedAndRegularFilesOnly) {
  TempDir dir;
  const std::string path = dir.write("s.dat", std::string(100, 'x'));
  EXPECT_EQ(readInputText(path, 100, "survey file").size(), 100u);
  try {
    readInputText(path, 99, "survey file");
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              path + ": larger than 99 bytes, more than any survey file within the limits: is it the right file?");
  }
  // A file that claims no size and has content is still bounded.
  EXPECT_THROW(readInputText("/proc/self/maps", 10, "survey file"), InputError);
  EXPECT_THROW(readInputText("/dev/zero", 1 << 20, "survey file"), InputError);
}

TEST(InputTextTest, SameFileByIdentity) {
  TempDir dir;
  const std::string path = dir.write("s.dat", "1\n");
  dir.write("t.dat", "1\n");
  std::filesystem::create_hard_link(path, dir.file("hard.dat"));
  std::filesystem::create_symlink(path, dir.file("soft.dat"));
  EXPECT_TRUE(sameFile(path, dir.file("./s.dat")));
  EXPECT_TRUE(sameFile(path, dir.file("hard.dat")));
  EXPECT_TRUE(sameFile(path, dir.file("soft.dat")));
  EXPECT_FALSE(sameFile(path, dir.file("t.dat")));
  EXPECT_FALSE(sameFile(path, dir.file("missing.dat")));
  EXPECT_FALSE(sameFile(dir.file("missing.dat"), dir.file("missing.dat")));
}

}  // namespace
}  // namespace common
