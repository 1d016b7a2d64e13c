// Splitting independent work items over threads. Each item is computed by
// exactly one thread into its own output slot, so the results never depend
// on the thread count or on scheduling.
#pragma once

#include <algorithm>
#include <thread>
#include <vector>

namespace telm {

// The thread count to use for `requested` (<= 0: every core).
inline int threadCount(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

// Calls body(begin, end, worker) on contiguous blocks covering [0, count):
// one block per thread, worker numbered 0..threads-1. The calling thread
// takes the first block.
template <typename Body>
void parallelBlocks(int count, int threads, Body&& body) {
  const int workers = std::max(1, std::min(threadCount(threads), count));
  if (workers <= 1) {
    if (count > 0) body(0, count, 0);
    return;
  }
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(workers - 1));
  const auto blockStart = [&](int w) {
    return static_cast<int>(static_cast<long long>(count) * w / workers);
  };
  for (int w = 1; w < workers; ++w) {
    pool.emplace_back([&, w] { body(blockStart(w), blockStart(w + 1), w); });
  }
  body(0, blockStart(1), 0);
  for (auto& t : pool) t.join();
}

// Calls item(k) for every k in [0, count), items spread over the threads.
template <typename Item>
void parallelFor(int count, int threads, Item&& item) {
  parallelBlocks(count, threads, [&](int begin, int end, int) {
    for (int k = begin; k < end; ++k) item(k);
  });
}

}  // namespace telm
