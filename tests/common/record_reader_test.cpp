#include "common/record_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include <sys/stat.h>

#include "common/array_file.h"
#include "temp_dir.h"

namespace common {
namespace {

using testing::TempDir;

class RecordReaderTest : public ::testing::Test {
 protected:
  RecordReader open(const std::string& text) { return RecordReader(dir_.write("model.dat", text)); }
  std::string name() const { return dir_.file("model.dat"); }
  // The message of the InputError that `action` throws.
  template <typename F>
  std::string messageOf(F action) {
    try {
      action();
    } catch (const InputError& e) {
      return e.what();
    }
    return "no error";
  }
  TempDir dir_;
};

TEST_F(RecordReaderTest, RecordsSpanLinesAndIgnoreTheRestOfTheirLastLine) {
  auto in = open("1.5 2\n\n  3,4 nP,nT labels 99\n7 8\n");
  float a = 0, b = 0;
  int c = 0, d = 0;
  in.record(a, "a", b, "b", c, "c");
  EXPECT_EQ(a, 1.5f);
  EXPECT_EQ(b, 2.0f);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(in.lineNumber(), 3);
  in.record(d, "d");  // the 4 and the labels after it belong to the last record
  EXPECT_EQ(d, 7);
  EXPECT_EQ(in.lineNumber(), 4);
}

TEST_F(RecordReaderTest, LineEndsTabsAndMissingFinalNewline) {
  auto in = open("1\t2 \r\n\t 3 ,  4\r\n5");
  std::array<int, 2> first{};
  in.readList(first.data(), 2, "first");
  int x = 0, y = 0, z = 0;
  in.record(x, "x", y, "y");
  in.record(z, "z");
  EXPECT_EQ(first, (std::array<int, 2>{1, 2}));
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 4);
  EXPECT_EQ(z, 5);
}

TEST_F(RecordReaderTest, EmptyReadsConsumeOneLineEach) {
  auto in = open("1 2\n\n7 junk\n9\n");
  std::array<int, 2> list{};
  in.readList(list.data(), 2, "surfaceList");
  in.readList(list.data(), 0, "surfaceBodies");  // the empty line
  in.beginRecord();                               // "7 junk"
  in.endRecord();
  int n = 0;
  in.record(n, "N");
  EXPECT_EQ(n, 9);
  // At the end of the file an empty read finds nothing to consume; the next
  // value read reports the end.
  in.readList(list.data(), 0, "Spac");
  EXPECT_EQ(messageOf([&] { in.record(n, "N"); }), name() + ", line 5: end of file, expected an integer for N");
}

TEST_F(RecordReaderTest, RealForms) {
  auto in = open("5 5. .5 -1e3 +1.5D-02 2.5d1 1E+2 -0 3.4028235e38 1e-50\n");
  std::array<float, 10> v{};
  in.readList(v.data(), 10, "v");
  EXPECT_EQ(v[0], 5.0f);
  EXPECT_EQ(v[1], 5.0f);
  EXPECT_EQ(v[2], 0.5f);
  EXPECT_EQ(v[3], -1000.0f);
  EXPECT_EQ(v[4], 0.015f);
  EXPECT_EQ(v[5], 25.0f);
  EXPECT_EQ(v[6], 100.0f);
  EXPECT_TRUE(v[7] == 0.0f && std::signbit(v[7]));
  EXPECT_EQ(v[8], std::numeric_limits<float>::max());
  EXPECT_EQ(v[9], 0.0f);
}

TEST_F(RecordReaderTest, RealsAreRoundedCorrectlyToFloat) {
  // A value just above the midpoint of two floats, which converting through
  // double would round down, and an exact midpoint, which goes to even.
  auto in = open("0.1 1.00000005960464477539062500000001 16777217\n");
  std::array<float, 3> v{};
  in.readList(v.data(), 3, "v");
  EXPECT_EQ(v[0], 0.1f);
  EXPECT_EQ(v[1], std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(v[2], 16777216.0f);
}

TEST_F(RecordReaderTest, RepeatCountsNullsAndSlash) {
  auto in = open("3*2.5 2*, 7\n1,,3\n, 4\n9 /\n2*\n5 3*\n");
  std::array<float, 6> a{-1, -1, -1, -1, -1, -1};
  in.readList(a.data(), 6, "a");  // 2.5 2.5 2.5 null null 7
  EXPECT_EQ(a, (std::array<float, 6>{2.5f, 2.5f, 2.5f, -1, -1, 7.0f}));
  std::array<int, 3> b{-1, -1, -1};
  in.readList(b.data(), 3, "b");  // 1 null 3
  EXPECT_EQ(b, (std::array<int, 3>{1, -1, 3}));
  std::array<int, 2> c{-1, -1};
  in.readList(c.data(), 2, "c");  // a leading comma is a null
  EXPECT_EQ(c, (std::array<int, 2>{-1, 4}));
  std::array<int, 3> d{-1, -1, -1};
  in.readList(d.data(), 3, "d");  // "/" keeps the rest
  EXPECT_EQ(d, (std::array<int, 3>{9, -1, -1}));
  int e = -1, f = -1;
  in.record(e, "e", f, "f");  // two nulls
  EXPECT_EQ(e, -1);
  EXPECT_EQ(f, -1);
  std::array<int, 2> g{-1, -1};
  in.readList(g.data(), 2, "g");  // a repeat longer than the record is cut off
  EXPECT_EQ(g, (std::array<int, 2>{5, -1}));
}

TEST_F(RecordReaderTest, HugeRepeatCountIsServedLazily) {
  auto in = open("1000000000000*7 tail\n8\n");
  std::array<int, 3> v{};
  in.readList(v.data(), 3, "v");
  int next = 0;
  in.record(next, "next");
  EXPECT_EQ(v, (std::array<int, 3>{7, 7, 7}));
  EXPECT_EQ(next, 8);
}

TEST_F(RecordReaderTest, ReadLineReturnsRawTextWithoutLineEnd) {
  auto in = open("  Title one, with commas  \r\n7 rest\nlast");
  EXPECT_EQ(in.readLine("title1"), "  Title one, with commas  ");
  int n = 0;
  in.record(n, "n");
  EXPECT_EQ(in.readLine("title2"), "last");
  EXPECT_EQ(messageOf([&] { in.readLine("title3"); }), name() + ", line 4: end of file, expected a text line for title3");
}

TEST_F(RecordReaderTest, VeryLongLine) {
  std::string text(1 << 20, ' ');
  text += "42 ";
  text += std::string(1 << 20, 'x');
  auto in = open(text + "\n");
  int v = 0;
  in.record(v, "v");
  EXPECT_EQ(v, 42);
}

TEST_F(RecordReaderTest, MessagesNameFileLineAndField) {
  struct Case {
    std::string text;
    bool integer;
    const char* expected;  // after "<name>, "
  };
  const Case cases[] = {
      {"1\n2\n3\n4\n5\n6\n4.5\n", true, "line 7: expected an integer for nVer, found \"4.5\""},
      {"4.\n", true, "line 1: expected an integer for nVer, found \"4.\""},
      {"1e2\n", true, "line 1: expected an integer for nVer, found \"1e2\""},
      {"99999999999\n", true, "line 1: expected an integer for nVer, found \"99999999999\""},
      {"-2147483649\n", true, "line 1: expected an integer for nVer, found \"-2147483649\""},
      {"abc\n", false, "line 1: expected a number for xp, found \"abc\""},
      {"\n\n1.0.0\n", false, "line 3: expected a number for xp, found \"1.0.0\""},
      {"1e\n", false, "line 1: expected a number for xp, found \"1e\""},
      {"inf\n", false, "line 1: expected a number for xp, found \"inf\""},
      {"nan\n", false, "line 1: expected a number for xp, found \"nan\""},
      {"--1\n", false, "line 1: expected a number for xp, found \"--1\""},
      {std::string("1\0\x1b", 3) + "\n", false, "line 1: expected a number for xp, found \"1\\x00\\x1B\""},
      // Bytes that are not UTF-8, and C1 controls, are escaped; other text is shown as it is.
      {"\xff\xfe\xc2\x9b[2J\n", false, "line 1: expected a number for xp, found \"\\xFF\\xFE\\xC2\\x9B[2J\""},
      {"m\xc3\xa8tre\n", false, "line 1: expected a number for xp, found \"m\xc3\xa8tre\""},
      {"0*5\n", false, "line 1: expected a number for xp, found \"0*5\""},
      {"*5\n", false, "line 1: expected a number for xp, found \"*5\""},
      {"2*x\n", false, "line 1: expected a number for xp, found \"x\""},
      {"1e39\n", false, "line 1: number out of range for xp, found \"1e39\""},
      {"", false, "line 1: end of file, expected a number for xp"},
      {"\n\n", true, "line 3: end of file, expected an integer for nVer"},
      {std::string(100, '7').append("x\n"), true,
       "line 1: expected an integer for nVer, found \"7777777777777777777777777777777777777777...\""},
  };
  for (const Case& c : cases) {
    auto in = open(c.text);
    const std::string message = messageOf([&] {
      if (c.integer) {
        int v = 0;
        for (int i = 0; i < 7; ++i) in.record(v, "nVer");
      } else {
        float v = 0;
        in.record(v, "xp");
      }
    });
    EXPECT_EQ(message, name() + ", " + c.expected) << "input: " << c.text;
  }
}

TEST_F(RecordReaderTest, ListFieldsCarryTheirIndex) {
  auto in = open("10 20\n30 x\n");
  std::array<float, 4> spac{};
  EXPECT_EQ(messageOf([&] { in.readList(spac.data(), 4, "Spac"); }),
            name() + ", line 2: expected a number for Spac(4), found \"x\"");
}

TEST_F(RecordReaderTest, ValueBeforeAnErrorIsKeptAndOthersUntouched) {
  auto in = open("1 2 oops\n");
  int a = -1, b = -1, c = -1;
  EXPECT_THROW(in.record(a, "a", b, "b", c, "c"), InputError);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, -1);
}

TEST_F(RecordReaderTest, WhereNamesTheLineOfTheLastValue) {
  auto in = open("\n\n5\n");
  int n = 0;
  in.record(n, "nPos");
  EXPECT_EQ(in.where(), name() + ", line 3");
  EXPECT_EQ(in.where("nPos must be at most 100"), name() + ", line 3: nPos must be at most 100");
}

TEST_F(RecordReaderTest, MissingFileAndFilesThatAreNotRegular) {
  EXPECT_EQ(messageOf([&] { RecordReader r(dir_.file("varga.xy")); }),
            dir_.file("varga.xy") + ": cannot open the file (No such file or directory)");
  EXPECT_EQ(messageOf([&] { RecordReader r(dir_.file("varga.xy"), "run telm first"); }),
            dir_.file("varga.xy") + ": cannot open the file (No such file or directory); run telm first");
  // A folder, an endless device and a pipe without a writer are refused
  // without a read (which would fail, exhaust the memory or block).
  ASSERT_EQ(mkfifo(dir_.file("pipe").c_str(), 0600), 0);
  for (const std::string& path : {dir_.path().string(), std::string("/dev/zero"), dir_.file("pipe")}) {
    EXPECT_EQ(messageOf([&] { RecordReader r(path, "run telm first"); }),
              path + ": not a regular file (a folder, a device or a pipe): give the path of a file");
  }
}

TEST_F(RecordReaderTest, LoneCarriageReturnsEndLines) {
  // A file saved with the line ends of old Mac editors reads as its LF twin.
  auto in = open("1 2 nP nT\r\r3\rtitle line\r");
  int a = 0, b = 0, c = 0;
  in.record(a, "a", b, "b");
  in.readList(&c, 0, "empty");
  in.record(c, "c");
  EXPECT_EQ(in.lineNumber(), 3);
  EXPECT_EQ(in.readLine("title"), "title line");
  EXPECT_EQ(a + b + c, 6);
}

TEST_F(RecordReaderTest, ArrayHeaderFieldsAndNames) {
  auto in = open("10, 0, -50, 0  6 3  dX dZ X0 Z0 nPos nSpac\n"
                 "-10000 0\n 10000 0 0 18 5 ! XA ZA XB ZB XMN keyArr iDir\n"
                 "99\n");
  ArrayFile a;
  readArrayHeader(in, a);
  EXPECT_EQ(a.dX, 10.0f);
  EXPECT_EQ(a.X0, -50.0f);
  EXPECT_EQ(a.nPos, 6);
  EXPECT_EQ(a.nSpac, 3);
  EXPECT_EQ(a.XA, -10000.0f);
  EXPECT_EQ(a.XB, 10000.0f);
  EXPECT_EQ(a.keyArr, 18);
  EXPECT_EQ(a.iDir, 5);
  EXPECT_EQ(in.lineNumber(), 3);

  auto bad = open("10 0 0 0 6 3\n1 2 3 4 5 18.5 0\n");
  EXPECT_EQ(messageOf([&] { readArrayHeader(bad, a); }),
            name() + ", line 2: expected an integer for keyArr, found \"18.5\"");
  auto shortFile = open("10 0 0 0 6\n");
  EXPECT_EQ(messageOf([&] { readArrayHeader(shortFile, a); }),
            name() + ", line 2: end of file, expected an integer for nSpac");
}

}  // namespace
}  // namespace common
