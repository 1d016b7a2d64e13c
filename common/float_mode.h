// The processor's handling of subnormal single-precision numbers. Many
// processors take a slow path (a microcode assist costing a hundred cycles
// or more) for every operation with a subnormal operand or result; kernels
// whose values decay exponentially with the wavenumber meet millions of
// them. Flushing them to zero (flush-to-zero for results, denormals-are-zero
// for operands) changes each affected value by less than 1.2e-38.
//
// The mode is a per-thread setting of the processor: a scope sets it on its
// thread, and the worker pool gives each task the mode of the thread that
// started the parallel region, so that a computation runs in one mode
// whatever thread takes a share of it. On processors without the setting
// (or another instruction set) these do nothing.
#pragma once

namespace common {

// The current thread's subnormal handling, as an opaque value.
unsigned floatMode();

// Sets the current thread's subnormal handling to `mode` for the scope.
class ScopedFloatMode {
 public:
  explicit ScopedFloatMode(unsigned mode);
  ~ScopedFloatMode();
  ScopedFloatMode(const ScopedFloatMode&) = delete;
  ScopedFloatMode& operator=(const ScopedFloatMode&) = delete;

 private:
  unsigned saved_;
};

// The mode in which subnormal results and operands are taken as zero.
unsigned flushSubnormalsMode();

}  // namespace common
