// The noise of korvis --survey --noise: its arguments, its generator (the
// same numbers as the Python package's, fixed here), its logarithm, its
// statistics and what it does to the columns.
#include "korvis/survey_noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <sstream>
#include <vector>

#include "korvis/command_options.h"
#include "korvis/survey_options.h"

namespace korvis {
namespace {

TEST(SurveyNoise, ArgumentsOfNoiseAndSeed) {
  struct Row {
    const char* text;
    bool valid;
    double relative, absolute;
  };
  for (const Row& r : {Row{"0.02,0.001", true, 0.02, 0.001}, Row{"0,0", true, 0.0, 0.0},
                       Row{"1e-2,5", true, 0.01, 5.0}, Row{"0.02", false, 0, 0}, Row{"0.02,", false, 0, 0},
                       Row{",1", false, 0, 0}, Row{"-0.1,0", false, 0, 0}, Row{"0.1,nan", false, 0, 0},
                       Row{"0.1,inf", false, 0, 0}, Row{"0.1;0", false, 0, 0}, Row{"0.1,0,3", false, 0, 0},
                       Row{"0.1, 0", false, 0, 0}}) {
    const auto noise = parseNoiseLevels(r.text);
    ASSERT_EQ(noise.has_value(), r.valid) << r.text;
    if (noise) {
      EXPECT_EQ(noise->relative, r.relative) << r.text;
      EXPECT_EQ(noise->absolute, r.absolute) << r.text;
    }
  }
  struct SeedRow {
    const char* text;
    bool valid;
    std::uint64_t seed;
  };
  for (const SeedRow& r : {SeedRow{"0", true, 0}, SeedRow{"42", true, 42},
                           SeedRow{"18446744073709551615", true, 18446744073709551615ULL},
                           SeedRow{"18446744073709551616", false, 0}, SeedRow{"-1", false, 0},
                           SeedRow{"", false, 0}, SeedRow{"1.5", false, 0}, SeedRow{"7x", false, 0}}) {
    const auto seed = parseSeed(r.text);
    ASSERT_EQ(seed.has_value(), r.valid) << r.text;
    if (seed) {
      EXPECT_EQ(*seed, r.seed) << r.text;
    }
  }
}

TEST(SurveyNoise, OptionCombinations) {
  struct Row {
    std::vector<const char*> args;
    const char* error;
  };
  for (const Row& r :
       {Row{{"--survey", "a.dat", "--noise", "0.02,0.001"}, ""},
        Row{{"--survey", "a.dat", "--noise", "0.02,0.001", "--seed", "7"}, ""},
        Row{{"--noise", "0.02,0"}, "--noise goes with --survey"},
        Row{{"--survey", "a.dat", "--seed", "7"}, "--seed goes with --noise"},
        Row{{"--survey", "a.dat", "--noise", "2%"},
            "--noise takes REL,ABS: two numbers >= 0, the relative part and ohms (for example 0.02,0.001)"},
        Row{{"--survey", "a.dat", "--noise", "0,0", "--seed", "x"},
            "--seed takes a whole number from 0 to 18446744073709551615"}}) {
    std::vector<const char*> argv{"korvis"};
    argv.insert(argv.end(), r.args.begin(), r.args.end());
    std::ostringstream out, err;
    const common::CommandLine line = common::parseCommandLine(static_cast<int>(argv.size()), argv.data(),
                                                              programHelp(), commandOptions(), out, err);
    ASSERT_TRUE(line.run) << err.str();
    EXPECT_EQ(optionConflict(line), r.error) << r.args[0];
  }
}

TEST(SurveyNoise, LogarithmAgreesWithTheLibrary) {
  for (const double x : {1e-300, 1e-17, 0.001, 0.25, 0.5, 0.7071, 0.70710678118654757, 0.9999999, 1.0,
                         1.0000001, 1.4142, 2.0, 10.0, 12345.678, 1e300}) {
    EXPECT_NEAR(portableLog(x), std::log(x), 4e-16 * std::max(1.0, std::fabs(std::log(x)))) << x;
  }
  EXPECT_EQ(portableLog(1.0), 0.0);
}

TEST(SurveyNoise, SameNumbersForASeedAsThePythonPackage) {
  // The Python package's draws for these seeds (telmkorvis.noise), written
  // in the shortest form that reads back: a change of the algorithm on either side fails here.
  struct Row {
    std::uint64_t seed;
    std::vector<double> first;
  };
  for (const Row& r : {Row{0, {0.9845279121083984, -0.17586928586197706, -0.7120661562402929, -0.31234458525050773,
                                  -0.6223807147869015, 0.5182112468766095}}, Row{42, {0.49295065581737485, -0.6940056672160174, -1.2810773478777024, -0.901557193497174,
                                   -0.6018779810957331, 0.6425676289796471}}}) {
    NormalStream normal(r.seed);
    for (std::size_t i = 0; i < r.first.size(); ++i) EXPECT_EQ(normal.next(), r.first[i]) << r.seed << " " << i;
  }
}

TEST(SurveyNoise, MeanAndSpreadOfTheDraws) {
  // With n draws the sample mean has standard error 1/sqrt(n) and the sample
  // variance sqrt(2/n); five standard errors leave a correct generator a
  // chance of failing below one in a million.
  constexpr int n = 200000;
  for (const std::uint64_t seed : {0ULL, 1ULL, 123456789ULL}) {
    NormalStream normal(seed);
    double sum = 0.0, squares = 0.0;
    int beyondTwo = 0;
    for (int i = 0; i < n; ++i) {
      const double g = normal.next();
      sum += g;
      squares += g * g;
      if (std::fabs(g) > 2.0) ++beyondTwo;
    }
    const double mean = sum / n;
    const double variance = squares / n - mean * mean;
    EXPECT_LT(std::fabs(mean), 5.0 / std::sqrt(n)) << seed;
    EXPECT_LT(std::fabs(variance - 1.0), 5.0 * std::sqrt(2.0 / n)) << seed;
    // P(|g| > 2) = 0.0455 for a normal distribution.
    EXPECT_NEAR(beyondTwo / double(n), 0.0455, 5.0 * std::sqrt(0.0455 * 0.9545 / n)) << seed;
  }
}

// k and r of the data of ColumnsFollowTheResistance.
struct KR {
  double k, r;
};
const KR dataRows[] = {{-94.24778, 1.061033}, {31.41593, 3.2}, {0.0, 0.0}, {-2000.0, -0.05}};

common::SurveyData surveyOf(const KR* rows, std::size_t count) {
  common::SurveyData s;
  s.columns = {"k", "u", "i", "r", "rhoa", "ip"};
  for (std::size_t d = 0; d < count; ++d) {
    common::SurveyDatum datum;
    datum.a = 1;
    datum.b = 2;
    datum.m = 3;
    datum.n = 4;
    datum.values = {rows[d].k, rows[d].r, 1.0, rows[d].r, rows[d].k * rows[d].r, 7.5};
    s.data.push_back(datum);
  }
  return s;
}

TEST(SurveyNoise, ColumnsFollowTheResistance) {
  common::SurveyData s = surveyOf(dataRows, std::size(dataRows));
  addSurveyNoise(s, SurveyNoise{0.05, 0.01, 9});
  ASSERT_EQ(s.columns.back(), "err");
  NormalStream normal(9);
  for (std::size_t d = 0; d < std::size(dataRows); ++d) {
    const KR& row = dataRows[d];
    const std::vector<double>& v = s.data[d].values;
    const double sd = 0.05 * std::fabs(row.r) + 0.01;
    const double noisy = row.r + sd * normal.next();
    EXPECT_EQ(v[1], noisy) << d;
    EXPECT_EQ(v[3], noisy) << d;
    EXPECT_EQ(v[4], row.k * noisy) << d;
    EXPECT_EQ(v[2], 1.0) << d;
    EXPECT_EQ(v[5], 7.5) << d;
    EXPECT_EQ(v[6], row.r != 0.0 ? sd / std::fabs(row.r) : 0.0) << d;
  }
}

}  // namespace
}  // namespace korvis
