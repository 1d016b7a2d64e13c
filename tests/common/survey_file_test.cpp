#include "common/survey_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/record_reader.h"
#include "temp_dir.h"

namespace common {
namespace {

std::string messageOf(const std::string& text) {
  try {
    parseSurveyText(text, "s.dat");
  } catch (const InputError& e) {
    return e.what();
  }
  return "no error";
}

TEST(SurveyFileTest, ReadsColumnsInAnyOrderWithCommentsUnitsAndTopography) {
  const SurveyData s = parseSurveyText(
      "\xEF\xBB\xBF# made by hand\n"
      "3   # number of electrodes\n"
      "#z x y\r\n"
      "-2.5 0 0\n"
      "\n"
      "0 5 1  # on the surface\n"
      "0 10 0\n"
      "2 # data\n"
      "# rhoa/Ohmm A B m N err\n"
      "102.5 1 2 3 0 0.03\n"
      "1e2 0 1 2 3 0.05\n"
      "1\n"
      "-1 0\n",
      "s.dat");
  ASSERT_EQ(s.electrodes.size(), 3u);
  EXPECT_EQ(s.electrodes[0].x, 0.0);
  EXPECT_EQ(s.electrodes[0].z, -2.5);
  EXPECT_EQ(s.electrodes[1].x, 5.0);
  EXPECT_EQ(s.electrodes[1].y, 1.0);
  EXPECT_EQ(s.electrodes[1].line, 6);
  ASSERT_EQ(s.data.size(), 2u);
  EXPECT_EQ(s.columns, (std::vector<std::string>{"rhoa", "err"}));
  EXPECT_EQ(s.column("err"), 1);
  EXPECT_EQ(s.column("ip"), -1);
  const SurveyDatum& d = s.data[1];
  EXPECT_EQ((std::vector<int>{d.a, d.b, d.m, d.n}), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(d.values, (std::vector<double>{100.0, 0.05}));
  EXPECT_EQ(d.line, 11);
  ASSERT_EQ(s.topography.size(), 1u);
  EXPECT_EQ(s.topography[0].x, -1.0);
}

TEST(SurveyFileTest, MalformedFilesNameTheLineAndWhatWasExpected) {
  const std::string electrodes = "2\n# x z\n0 0\n5 0\n";
  const struct {
    std::string text;
    std::string message;
  } rows[] = {
      {"", "s.dat, line 1: expected the number of electrodes, found the end of the file"},
      {"two\n", "s.dat, line 1: expected one integer, the number of electrodes, found \"two\""},
      {"10001\n", "s.dat, line 1: expected the number of electrodes from 0 to 10000, found 10001 (at most 10000 "
                  "electrodes are read)"},
      {"-1\n", "s.dat, line 1: expected the number of electrodes from 0 to 10000, found -1"},
      {"2\n0 0\n", "s.dat, line 2: expected the token line of the electrodes (# x z), found \"0 0\""},
      {"2\n# x d\n", "s.dat, line 2: expected the position tokens x, y and z, found \"d\""},
      {"2\n# z\n", "s.dat, line 2: the token line of the electrodes must name x (for example \"# x z\")"},
      {"2\n# x x\n", "s.dat, line 2: the token line of the electrodes names \"x\" twice"},
      {"2\n# x z\n0 0\n", "s.dat, line 4: expected electrode 2 of 2, found the end of the file"},
      {"2\n# x z\n0 0\n5\n",
       "s.dat, line 4: expected 2 numbers for electrode 2 of 2, found \"5\" (is the count on line 1 right?)"},
      {"2\n# x z\n0 nan\n", "s.dat, line 3: expected a finite number for z of electrode 1 of 2, found \"nan\""},
      {"1\n# x z\n0 0\n5 0\n1\n",
       "s.dat, line 4: expected one integer, the number of data, found \"5 0\" (is the number of electrodes too "
       "small?)"},
      {electrodes + "1\n# a b m\n", "s.dat, line 6: the token line of the data must name a, b, m and n (for example "
                                    "\"# a b m n\"), found \"# a b m\""},
      {electrodes + "1\n# a b m n\n1 3 0 2\n",
       "s.dat, line 7: expected an electrode number from 0 to 2 for b of datum 1 of 1, found \"3\""},
      {electrodes + "1\n# a b m n\n1 1 0 2\n",
       "s.dat, line 7: datum 1 of 1 (a b m n = 1 1 0 2): A and B are the same electrode"},
      {electrodes + "1\n# a b m n\n1 0 2 2\n",
       "s.dat, line 7: datum 1 of 1 (a b m n = 1 0 2 2): M and N are the same electrode"},
      {electrodes + "1\n# a b m n\n1 0 1 2\n",
       "s.dat, line 7: datum 1 of 1 (a b m n = 1 0 1 2): a potential electrode is also a current electrode"},
      {electrodes + "1\n# a b m n\n0 0 1 2\n",
       "s.dat, line 7: datum 1 of 1 (a b m n = 0 0 1 2): both current electrodes are at infinity (0); give A or B"},
      {electrodes + "1\n# a b m n\n1 2 0 0\n",
       "s.dat, line 7: datum 1 of 1 (a b m n = 1 2 0 0): both potential electrodes are at infinity (0); give M or N"},
      {electrodes + "1\n# a b m n rhoa\n1 0 2 0 x\n",
       "s.dat, line 7: expected a finite number for rhoa of datum 1 of 1, found \"x\""},
      {electrodes + "1\n# a b m n\n1 0 2 0\n1 0 2 0\n",
       "s.dat, line 8: expected one integer, the number of topography points, found \"1 0 2 0\" (is the number of "
       "data too small?)"},
      {electrodes + "0\n# a b m n\n1\n0 0\n5 0\n",
       "s.dat, line 9: expected the end of the file after 1 topography points, found \"5 0\" (is the number of "
       "topography points too small?)"},
  };
  for (const auto& row : rows) EXPECT_EQ(messageOf(row.text), row.message) << row.text;
}

TEST(SurveyFileTest, WrittenTextReadsBackToTheSameSurvey) {
  SurveyData s;
  s.electrodes = {{-0.1, 0.0, 0.0, 0}, {123456.789, 0.0, -0.0, 0}, {5.0, 0.0, -7.25, 0}};
  s.columns = {"k", "rhoa"};
  s.data = {{1, 2, 3, 0, {-0.0, 102.49999}, 0}, {0, 1, 2, 3, {-3.0e-12, 1234567.89}, 0}};
  const std::string text = formatSurveyText(s);
  EXPECT_EQ(text,
            "3  # number of electrodes\n# x z\n-0.1 0\n123456.789 0\n5 -7.25\n"
            "2  # number of data\n# a b m n k rhoa\n1 2 3 0 0 102.5\n0 1 2 3 -3e-12 1234568\n");
  const SurveyData back = parseSurveyText(text, "back.dat");
  ASSERT_EQ(back.electrodes.size(), 3u);
  EXPECT_EQ(back.electrodes[1].x, 123456.789);
  EXPECT_EQ(back.electrodes[2].z, -7.25);
  EXPECT_EQ(back.columns, s.columns);
  EXPECT_EQ(back.data[1].values[1], 1234568.0);
}

TEST(SurveyFileTest, FilesThatCannotBeReadGiveOneReason) {
  testing::TempDir dir;
  const std::string big = dir.write("big.dat", "1\n# x z\n0 0\n0\n# a b m n\n" + std::string(1000, '#'));
  const struct {
    std::string path;
    std::size_t maxBytes;
    std::string message;
  } rows[] = {
      {dir.file("absent.dat"), 1000, dir.file("absent.dat") + ": cannot open the file (No such file or directory)"},
      {dir.path().string(), 1000,
       dir.path().string() + ": not a regular file (a folder, a device or a pipe): give the path of a file"},
      {"/dev/zero", 1000, "/dev/zero: not a regular file (a folder, a device or a pipe): give the path of a file"},
      {big, 1000,
       big + ": larger than 1000 bytes, more than any survey file within the limits: is it the right file?"},
  };
  for (const auto& row : rows) {
    try {
      readSurveyFile(row.path, row.maxBytes);
      ADD_FAILURE() << row.path;
    } catch (const InputError& e) {
      EXPECT_EQ(std::string(e.what()), row.message);
    }
  }
  EXPECT_EQ(readSurveyFile(big, 2000).electrodes.size(), 1u);
}

TEST(SurveyFileTest, LoneCarriageReturnsEndLines) {
  const std::string lf = "2 # electrodes\n# x z\n0 0\n5 0\n1\n# a b m n\n1 0 2 0\n";
  std::string cr = lf;
  for (char& c : cr) c = c == '\n' ? '\r' : c;
  const SurveyData s = parseSurveyText(cr, "s.dat");
  ASSERT_EQ(s.data.size(), 1u);
  EXPECT_EQ(s.data[0].line, 7);
  EXPECT_EQ(s.electrodes[1].x, 5.0);
  EXPECT_EQ(messageOf(cr + "1\r5\r"), messageOf(lf + "1\n5\n"));
}

}  // namespace
}  // namespace common
