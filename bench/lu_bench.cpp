// Speed of the dense solvers: the factorisations of korvis (luFactor) and
// telm (factorLinpack) in GFLOP/s, counting 2n^3/3 operations, and the
// many-right-hand-side substitutions in right-hand sides per second, each
// with 1 and 2 threads; the median wall time of several runs is reported.
// The factorisations are also given as shares of the machine's peak
// multiply-subtract rate on as many cores (bench/machine_rates.h), measured
// first.
//
// Usage: lu_bench [quick|factor]   (quick: n = 1000 only; factor: the
// factorisations at full size only)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "korvis/lu_solve.h"
#include "machine_rates.h"
#include "telm/factor_solve.h"

namespace {

// A boundary-element-like system: diagonal near 1, off-diagonal entries
// decaying away from the diagonal, dominant enough for korvis' elimination
// without row interchanges.
std::vector<float> systemMatrix(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> M(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const float distance = static_cast<float>(std::abs(i - j));
      M[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * static_cast<std::size_t>(n)] =
          i == j ? 1.0f + 0.2f * u(gen)
                 : 0.5f * u(gen) / (static_cast<float>(n) + distance * distance);
    }
  return M;
}

struct Seconds {
  double wall, cpu;  // cpu: summed over the threads of the process
  Seconds operator-(const Seconds& o) const { return {wall - o.wall, cpu - o.cpu}; }
};

// Median wall and processor time of several runs. On a shared machine the
// processor time per run shows what the code does when it has the cores.
template <typename F>
Seconds medianSeconds(int runs, F&& once) {
  std::vector<double> wall, cpu;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    once();
    cpu.push_back(static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// The machine's peak multiply-subtract rate, GFLOP/s, on 1 and 2 cores.
double peak[3] = {};

enum Which { korvisOnly = 1, telmOnly = 2, both = 3 };

void factorisations(int n, Which which, int runs) {
  const auto M0 = systemMatrix(n, 1);
  std::vector<float> M(M0.size());
  std::vector<int> pivot(static_cast<std::size_t>(n));
  const double flops = 2.0 * n * static_cast<double>(n) * n / 3.0;
  for (int threads : {1, 2}) {
    const Seconds copy = medianSeconds(runs, [&] { M = M0; });
    if (which & korvisOnly) {
      const Seconds k = medianSeconds(runs,
                                      [&] {
                                        M = M0;
                                        korvis::luFactor(M.data(), n, n, threads);
                                      }) -
                        copy;
      std::printf("korvis luFactor          n=%5d threads=%d: %7.3f s %6.1f GFLOP/s, %3.0f %% of "
                  "peak (cpu %.3f s)\n",
                  n, threads, k.wall, flops / k.wall / 1e9, 100 * flops / k.wall / 1e9 / peak[threads],
                  k.cpu);
    }
    if (which & telmOnly) {
      const Seconds t = medianSeconds(runs,
                                      [&] {
                                        M = M0;
                                        telm::factorLinpack(M.data(), n, n, pivot.data(), threads);
                                      }) -
                        copy;
      std::printf("telm factorLinpack       n=%5d threads=%d: %7.3f s %6.1f GFLOP/s, %3.0f %% of "
                  "peak (cpu %.3f s)\n",
                  n, threads, t.wall, flops / t.wall / 1e9, 100 * flops / t.wall / 1e9 / peak[threads],
                  t.cpu);
    }
  }
}

void substitutions(int n, int nrhs, Which which, int runs) {
  auto M = systemMatrix(n, 2);
  std::vector<int> pivot(static_cast<std::size_t>(n));
  if (which & korvisOnly)
    korvis::luFactor(M.data(), n, n, 0);
  else
    telm::factorLinpack(M.data(), n, n, pivot.data(), 0);
  std::mt19937 gen(4);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> B0(static_cast<std::size_t>(n) * static_cast<std::size_t>(nrhs));
  for (auto& b : B0) b = u(gen);
  std::vector<float> B(B0.size()), X(B0.size());
  const double madds = 0.5 * n * static_cast<double>(n - 1) * nrhs;  // per half
  for (int threads : {1, 2}) {
    const Seconds copy = medianSeconds(runs, [&] { B = B0; });
    if (which & korvisOnly) {
      // The two halves apart: the forward one in place on B, the back one
      // from the forward result.
      const Seconds forward = medianSeconds(runs,
                                            [&] {
                                              B = B0;
                                              korvis::luForwardMany(M.data(), n, n, B.data(), n,
                                                                    nrhs, threads);
                                            }) -
                              copy;
      const Seconds back = medianSeconds(runs, [&] {
        korvis::luBackMany(M.data(), n, n, B.data(), n, X.data(), n, nrhs, threads);
      });
      std::printf("korvis luSubstituteMany n=%5d rhs=%5d threads=%d: %7.3f s %8.0f rhs/s "
                  "(forward %.3f s, %.1f GFLOP/s, cpu %.3f s; back %.3f s, %.2f G "
                  "multiply-adds/s, cpu %.3f s)\n",
                  n, nrhs, threads, forward.wall + back.wall, nrhs / (forward.wall + back.wall),
                  forward.wall, 2 * madds / forward.wall / 1e9, forward.cpu, back.wall,
                  madds / back.wall / 1e9, back.cpu);
      continue;
    }
    const Seconds s = medianSeconds(runs,
                                    [&] {
                                      B = B0;
                                      telm::solveFactoredMany(M.data(), n, n, pivot.data(),
                                                              B.data(), n, X.data(), n, nrhs,
                                                              threads);
                                    }) -
                      copy;
    std::printf("telm solveFactoredMany  n=%5d rhs=%5d threads=%d: %7.3f s %8.0f rhs/s (cpu %.3f s)\n",
                n, nrhs, threads, s.wall, nrhs / s.wall, s.cpu);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "quick") == 0;
  for (int cores : {1, 2}) peak[cores] = bench::peakMultiplySubtract(cores);
  std::printf("machine: %s; vector width %d bytes (elimination); peak multiply-subtract "
              "%.1f GFLOP/s on one core, %.1f on 2 cores\n",
              bench::processorModel().c_str(), common::eliminationWidth(), peak[1], peak[2]);
  if (argc > 1 && std::strcmp(argv[1], "factor") == 0) {
    factorisations(4100, korvisOnly, 5);
    factorisations(4200, telmOnly, 5);
    return 0;
  }
  factorisations(1000, both, 7);
  substitutions(1000, 256, korvisOnly, 5);
  substitutions(1000, 256, telmOnly, 5);
  if (quick) return 0;
  factorisations(4100, korvisOnly, 3);
  factorisations(4200, telmOnly, 3);
  substitutions(4100, 256, korvisOnly, 3);
  substitutions(4100, 3000, korvisOnly, 3);
  substitutions(4200, 256, telmOnly, 3);
  return 0;
}
