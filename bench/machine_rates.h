// What the machine can do, measured by the benchmarks themselves, so that a
// run can be judged against the machine it ran on:
//   - the peak multiply-subtract rate: c = c - a*b (two roundings, as in
//     every elimination kernel) on vectors held in registers, at the widest
//     vector width this build uses, on one core and on every core at once;
//   - the attainable chain rate of a back substitution: its kernel (korvis's
//     in double, or telm's in single precision) on an n x n factor, its
//     right-hand sides shared over every core, at the batch width (chains
//     per task) that runs fastest.
// Timings are medians of several runs of a fraction of a second each, in
// processor time per core (the processor time of the process divided by
// the cores it used): on a machine shared with other work this tells what a
// core does while it runs the code, where the elapsed time would tell how
// busy the machine was.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/dense_update.h"
#include "common/upper_solve.h"
#include "common/worker_pool.h"
#include "korvis/back_substitution.h"

namespace bench {

// The vector width, in bytes, of the build's elimination kernels.
constexpr int buildVectorBytes() {
#if defined(__AVX512F__)
  return 64;
#elif defined(__AVX__)
  return 32;
#else
  return 16;
#endif
}

inline std::string processorModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
    }
  }
  return "unknown";
}

// The largest resident set of the process so far, MB.
inline double peakMemoryMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Processor time of the whole process so far, seconds.
inline double processorSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Median over runs of the processor time of once() divided by `cores`.
template <typename F>
double medianCoreSeconds(int runs, int cores, F&& once) {
  std::vector<double> seconds;
  for (int r = 0; r < runs; ++r) {
    const double start = processorSeconds();
    once();
    seconds.push_back((processorSeconds() - start) / cores);
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

// Eight accumulators, each c = c - a*b with its own pair (a, b); the
// multipliers are hidden from the optimiser on every pass so that every
// product is formed again. Returns the multiply-subtracts done.
inline double multiplySubtractLoop(long passes, float* sink) {
  using Vec = float __attribute__((vector_size(buildVectorBytes())));
  constexpr int lanes = buildVectorBytes() / static_cast<int>(sizeof(float));
  Vec c[8], a[2], b[4];
  for (int k = 0; k < 8; ++k) c[k] = Vec{} + 1.0f;
  a[0] = Vec{} + 1e-4f;
  a[1] = Vec{} + 2e-4f;
  for (int k = 0; k < 4; ++k) b[k] = Vec{} + 1e-4f * static_cast<float>(k + 1);
  for (long p = 0; p < passes; ++p) {
    asm volatile("" : "+v"(b[0]), "+v"(b[1]), "+v"(b[2]), "+v"(b[3]));
    for (int k = 0; k < 8; ++k) c[k] = c[k] - a[k % 2] * b[k / 2];
  }
  Vec total = Vec{};
  for (int k = 0; k < 8; ++k) total = total + c[k];
  *sink = total[0];
  return 8.0 * lanes * static_cast<double>(passes);
}

// GFLOP/s (a multiply-subtract counts two) of `threads` cores at once.
inline double peakMultiplySubtract(int threads) {
  constexpr long passes = 1L << 26;
  std::vector<float> sinks(static_cast<std::size_t>(threads) * 16);
  std::vector<double> operations(static_cast<std::size_t>(threads));
  const double seconds = medianCoreSeconds(5, threads, [&] {
    std::vector<std::thread> workers;
    std::atomic<int> ready{0};
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] {
        ready.fetch_add(1);
        while (ready.load() < threads) {
        }
        const auto slot = static_cast<std::size_t>(t);
        operations[slot] = multiplySubtractLoop(passes, &sinks[slot * 16]);
      });
    }
    for (auto& w : workers) w.join();
  });
  double total = 0;
  for (double o : operations) total += o;
  return 2.0 * total / seconds / 1e9;
}

struct ChainRate {
  double multiplyAdds = 0;  // per second, all cores
  int chains = 0, columns = 0;
};

// A well-conditioned n x n factor (column-major) and its strict upper
// triangle packed by rows, for the chain-rate measurements.
struct TestFactor {
  std::vector<float> M, Ut, diagonal;
  TestFactor(int n, int threads) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const auto count = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    M.resize(count);
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        M[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * static_cast<std::size_t>(n)] =
            i == j ? 2.0f + u(gen) : u(gen) / static_cast<float>(n);
    Ut.resize(count);
    common::packUpperRows(n, M.data(), n, Ut.data(), threads);
    for (int i = 0; i < n; ++i)
      diagonal.push_back(M[static_cast<std::size_t>(i) * static_cast<std::size_t>(n + 1)]);
  }
};

// The fastest of a back-substitution kernel run with each chain count:
// solve(chains, nrhs, B, X) on 4 tasks per core of columns(chains)
// right-hand sides each.
template <typename Columns, typename Solve>
ChainRate fastestChains(int n, int threads, std::initializer_list<int> chainCounts,
                        Columns&& columns, Solve&& solve) {
  std::mt19937 gen(8);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  ChainRate best;
  for (int chains : chainCounts) {
    const int nrhs = 4 * threads * columns(chains);
    std::vector<float> B(static_cast<std::size_t>(n) * static_cast<std::size_t>(nrhs));
    for (auto& b : B) b = u(gen);
    std::vector<float> X(B.size());
    const double seconds =
        medianCoreSeconds(3, threads, [&] { solve(chains, nrhs, B.data(), X.data()); });
    const double rate = 0.5 * n * static_cast<double>(n - 1) * nrhs / seconds;
    if (rate > best.multiplyAdds) best = {rate, chains, columns(chains)};
  }
  return best;
}

// The korvis back-substitution kernel of the build's width on an n x n
// factor, for each batch width; the fastest is returned.
inline ChainRate attainableChainRate(int n, int threads) {
  const TestFactor f(n, threads);
  const int bytes = korvis::backSubstitutionWidth();
  return fastestChains(
      n, threads, {4, 6, 8},
      [&](int chains) { return korvis::backSubstitutionColumns(bytes, chains); },
      [&](int chains, int nrhs, const float* B, float* X) {
        korvis::backSubstituteMany(f.M.data(), n, n, f.Ut.data(), B, n, X, n, nrhs, threads,
                                   bytes, chains);
      });
}

// The same for telm's single-precision back substitution
// (common::solveUpperMany) at the build's width.
inline ChainRate attainableSingleChainRate(int n, int threads) {
  const TestFactor f(n, threads);
  return fastestChains(
      n, threads, {2, 3, 4, 6, 8}, [&](int chains) { return common::upperSolveColumns(0, chains); },
      [&](int chains, int nrhs, const float* B, float* X) {
        common::solveUpperMany(n, f.Ut.data(), f.diagonal.data(), B, n, X, n, nrhs, threads, 0,
                               chains);
      });
}

}  // namespace bench
