// Reproducible Gaussian noise on the survey mode's resistances.
#include "korvis/survey_noise.h"

#include <array>
#include <charconv>
#include <cmath>

namespace korvis {

namespace {

bool readNumber(std::string_view text, double& value) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(value) && value >= 0.0;
}

// The value as the result file writes it (7 significant digits), so that
// noise added to a noise-free result file elsewhere gives the same numbers.
double asWritten(double v) {
  std::array<char, 64> buf{};
  const auto w = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general, 7);
  double read = 0.0;
  std::from_chars(buf.data(), w.ptr, read);
  return read;
}

}  // namespace

std::optional<SurveyNoise> parseNoiseLevels(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  SurveyNoise noise;
  const std::string_view all(text);
  if (!readNumber(all.substr(0, comma), noise.relative) || !readNumber(all.substr(comma + 1), noise.absolute)) {
    return std::nullopt;
  }
  return noise;
}

std::optional<std::uint64_t> parseSeed(const std::string& text) {
  std::uint64_t seed = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, seed);
  if (text.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return seed;
}

double portableLog(double x) {
  // x = m * 2^e with m in [sqrt(1/2), sqrt(2)): ln x = e ln 2 + 2 atanh(t),
  // t = (m - 1)/(m + 1), |t| < 0.172; 14 terms of the series leave less than
  // 1e-22 out.
  int e = 0;
  double m = std::frexp(x, &e);
  if (m < 0.70710678118654752440) {
    m *= 2.0;
    e -= 1;
  }
  const double t = (m - 1.0) / (m + 1.0);
  const double t2 = t * t;
  double sum = 0.0;
  for (int k = 27; k >= 1; k -= 2) sum = sum * t2 + 1.0 / static_cast<double>(k);
  return static_cast<double>(e) * 0.69314718055994530942 + 2.0 * t * sum;
}

std::uint64_t NormalStream::nextBits() {
  state_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double NormalStream::next() {
  if (haveSpare_) {
    haveSpare_ = false;
    return spare_;
  }
  constexpr double step = 0x1p-52;
  for (;;) {
    const double u = static_cast<double>(nextBits() >> 11) * step - 1.0;
    const double v = static_cast<double>(nextBits() >> 11) * step - 1.0;
    const double s = u * u + v * v;
    if (s <= 0.0 || s >= 1.0) continue;
    const double f = std::sqrt(-2.0 * portableLog(s) / s);
    spare_ = v * f;
    haveSpare_ = true;
    return u * f;
  }
}

void addSurveyNoise(common::SurveyData& results, const SurveyNoise& noise) {
  const int k = results.column("k"), u = results.column("u"), r = results.column("r"), rhoa = results.column("rhoa");
  NormalStream normal(noise.seed);
  results.columns.push_back("err");
  for (common::SurveyDatum& d : results.data) {
    const double clean = asWritten(d.values[static_cast<std::size_t>(r)]);
    const double factor = asWritten(d.values[static_cast<std::size_t>(k)]);
    const double sd = noise.relative * std::fabs(clean) + noise.absolute;
    const double noisy = clean + sd * normal.next();
    d.values[static_cast<std::size_t>(u)] = noisy;
    d.values[static_cast<std::size_t>(r)] = noisy;
    d.values[static_cast<std::size_t>(rhoa)] = factor * noisy;
    d.values.push_back(clean != 0.0 ? sd / std::fabs(clean) : 0.0);
  }
}

}  // namespace korvis
