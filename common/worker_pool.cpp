#include "common/worker_pool.h"

#include "common/float_mode.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace common {
namespace {

thread_local bool insideBody = false;

// Parallel regions of a factorisation follow each other within microseconds;
// a short spin before sleeping saves the wake-up latency of each of them.
constexpr int spinRounds = 4000;

inline void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

class WorkerPool {
 public:
  WorkerPool() = default;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  ~WorkerPool() {
    std::lock_guard lock(callMutex_);
    stop_ = true;
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    for (auto& worker : workers_) worker.join();
  }

  void run(int threads, const std::function<void(int)>& body) {
    std::lock_guard lock(callMutex_);
    const unsigned current = generation_.load(std::memory_order_relaxed);
    while (static_cast<int>(workers_.size()) < threads - 1) {
      const int id = static_cast<int>(workers_.size()) + 1;
      workers_.emplace_back([this, id, current] { workerLoop(id, current); });
    }
    task_ = &body;
    mode_ = floatMode();
    active_ = threads;
    remaining_.store(threads - 1, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();

    insideBody = true;
    body(0);
    insideBody = false;

    for (int spin = 0; spin < spinRounds; ++spin) {
      if (remaining_.load(std::memory_order_acquire) == 0) break;
      cpuRelax();
    }
    for (int left = remaining_.load(std::memory_order_acquire); left != 0;
         left = remaining_.load(std::memory_order_acquire))
      remaining_.wait(left, std::memory_order_acquire);
    task_ = nullptr;
  }

 private:
  void workerLoop(int id, unsigned seen) {
    insideBody = true;
    for (;;) {
      unsigned now = generation_.load(std::memory_order_acquire);
      for (int spin = 0; now == seen && spin < spinRounds; ++spin) {
        cpuRelax();
        now = generation_.load(std::memory_order_acquire);
      }
      if (now == seen) {
        generation_.wait(seen, std::memory_order_acquire);
        continue;
      }
      seen = now;
      if (stop_) return;
      if (id < active_) {
        const ScopedFloatMode mode(mode_);
        (*task_)(id);
        if (remaining_.fetch_sub(1, std::memory_order_acq_rel) == 1) remaining_.notify_one();
      }
    }
  }

  std::mutex callMutex_;
  std::vector<std::thread> workers_;
  std::atomic<unsigned> generation_{0};
  std::atomic<int> remaining_{0};
  const std::function<void(int)>* task_ = nullptr;
  unsigned mode_ = 0;  // the caller's subnormal handling, for every task
  int active_ = 0;
  bool stop_ = false;
};

WorkerPool& pool() {
  static WorkerPool instance;
  return instance;
}

}  // namespace

int resolveThreads(int threads) {
  if (threads > 0) return threads;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void runParallel(int threads, const std::function<void(int)>& body) {
  if (threads <= 1 || insideBody) {
    for (int t = 0; t < std::max(threads, 1); ++t) body(t);
    return;
  }
  pool().run(threads, body);
}

}  // namespace common
