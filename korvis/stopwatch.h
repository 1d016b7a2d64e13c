// The phase timer of the drivers: adds the seconds of its lifetime to a
// total, so a phase is timed by the scope that does it and an untimed run
// (a null total) pays for one clock read.
#pragma once

#include <chrono>

namespace korvis {

class Stopwatch {
 public:
  explicit Stopwatch(double* total) : total_(total), start_(std::chrono::steady_clock::now()) {}
  ~Stopwatch() {
    if (total_ != nullptr) {
      *total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
  }
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

 private:
  double* total_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace korvis
