// Reusable float storage whose start is 64-byte aligned (a cache line, and
// the widest vector the kernels load): grown on demand, never shrunk, so a
// kernel that runs many times allocates once. One per thread or per owner;
// it is not shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace common {

class AlignedScratch {
 public:
  // At least `count` floats starting on a 64-byte boundary; earlier
  // pointers are invalid after a call that grows the storage.
  float* get(std::size_t count) {
    if (data_.size() < count + 16) data_.resize(count + 16);
    const auto address = reinterpret_cast<std::uintptr_t>(data_.data());
    return data_.data() + ((64 - address % 64) % 64) / sizeof(float);
  }

 private:
  std::vector<float> data_;
};

}  // namespace common
