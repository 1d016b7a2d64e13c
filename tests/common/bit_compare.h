// Helpers shared by the bit-identity tests of the dense solvers: random
// vectors and a comparison of the exact bits of two float arrays.
#pragma once

#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

namespace testing_support {

inline std::vector<float> randomVector(std::size_t count, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> v(count);
  for (auto& x : v) x = u(gen);
  return v;
}

inline bool sameBits(const float* a, const float* b, std::size_t count) {
  return std::memcmp(a, b, count * sizeof(float)) == 0;
}

}  // namespace testing_support
