// Synthetic noise for the survey mode (korvis --survey FILE --noise REL,ABS
// --seed N). Each datum's resistance r gets a Gaussian error of standard
// deviation  sd = REL*|r| + ABS  (ohms); u = r*i follows with i = 1 A and
// rhoa = k*r follows through the geometric factor; ip is left as computed.
// r and k are taken as the noise-free result file writes them (7
// significant digits), so noise added to that file elsewhere with the same
// seed gives the same numbers. The column err is sd/|r|, the relative error that inversion packages read
// (0 where r is 0: such a datum carries no information).
//
// The numbers are the same on every platform and in the Python package,
// which implements the same steps: splitmix64 from the seed, two uniforms
// u, v = (x >> 11) * 2^-52 - 1 per draw, Marsaglia's polar method (reject
// s = u*u + v*v outside (0, 1)) giving u*f and then v*f with
// f = sqrt(-2 ln(s) / s), one normal per datum in file order. Every step is
// a correctly rounded IEEE operation (the logarithm is our own series, not
// the C library's, whose last bit differs between libraries).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/survey_file.h"

namespace korvis {

struct SurveyNoise {
  double relative = 0.0;  // REL: fraction of |r|
  double absolute = 0.0;  // ABS: ohms
  std::uint64_t seed = 0;
};

// "REL,ABS" as two finite numbers >= 0, or nothing when the text is not that.
std::optional<SurveyNoise> parseNoiseLevels(const std::string& text);
// A whole number from 0 to 2^64 - 1, or nothing.
std::optional<std::uint64_t> parseSeed(const std::string& text);

// ln(x) for x > 0 from frexp, + - * / only: the same bits on every platform.
double portableLog(double x);

// Standard normal numbers from a seed, as described above.
class NormalStream {
 public:
  explicit NormalStream(std::uint64_t seed) : state_(seed) {}
  double next();

 private:
  std::uint64_t nextBits();
  std::uint64_t state_;
  double spare_ = 0.0;
  bool haveSpare_ = false;
};

// Replaces u, r and rhoa of every datum by the noisy values and appends the
// column err. The columns k, u, r, rhoa must be present.
void addSurveyNoise(common::SurveyData& results, const SurveyNoise& noise);

}  // namespace korvis
