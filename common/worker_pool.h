// A small process-wide pool of worker threads for the dense linear algebra.
// The workers are started on first use and kept until the program ends, so a
// parallel region costs a wake-up, not a thread creation. Work is split by
// the callers so that every output entry is computed by one thread with the
// same operations as in a serial run: results never depend on the number of
// threads.
#pragma once

#include <functional>

namespace common {

// threads <= 0 means every hardware thread; the result is at least 1.
int resolveThreads(int threads);

// Runs body(t) for t = 0..threads-1 concurrently and returns when all have
// finished; the calling thread runs t = 0. Every body runs with the calling
// thread's handling of subnormal numbers (float_mode.h). A call made from inside a body (or
// with threads <= 1) runs the bodies one after another on the calling thread.
void runParallel(int threads, const std::function<void(int)>& body);

}  // namespace common
