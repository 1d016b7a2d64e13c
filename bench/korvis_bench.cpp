// Timing of whole korvis runs through the product driver: a full-size model
// (close to 4100 nodes, 35 wavenumbers, IP pass, 100 positions by 30
// spacings of kind 1) and a typical one (about 1000 nodes, 20 by 10). Each
// run happens in a temporary folder; the time per phase, per wavenumber and
// the peak memory are printed. After the run, the machine's own rates are
// measured (bench/machine_rates.h) and the run is set against the limit
// they give its dense arithmetic: the factorisations and forward
// substitutions at the peak multiply-subtract rate of all cores, the back
// substitutions at the attainable chain rate.
//
// Usage: korvis_bench [full|typical|all]   (default: all)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/dense_update.h"
#include "common/worker_pool.h"
#include "korvis/back_substitution.h"
#include "korvis/program.h"
#include "machine_rates.h"

namespace {

struct Survey {
  int nPos, nSpac;
  float dX, X0;
};

char* number(char* text, std::size_t size, float v) {
  std::snprintf(text, size, "%.9g", static_cast<double>(v));
  return text;
}

// Host (100 ohm-m) under a flat surface with a row of conductive, chargeable
// square blocks and one vertical contact reaching the surface right under a
// profile position, whose top element is so short that the position lies
// within 1e-4 m of a node: that makes the wavenumber table its full length.
// Nodes are spread over the blocks to reach about `targetNodes`.
std::string modelText(int targetNodes, float contactX) {
  constexpr int blocks = 8;
  const int perSide = std::max(1, (targetNodes - 61) / (4 * blocks));
  std::ostringstream nodes;
  int count = 0;
  char a[32], b[32], c[32], d[32], e[32], f[32], g[32];
  auto node = [&](float x, float z, float dL, float xn, float zn, float q, float qIP) {
    nodes << number(a, sizeof a, x) << ' ' << number(b, sizeof b, z) << ' '
          << number(c, sizeof c, dL) << ' ' << number(d, sizeof d, xn) << ' '
          << number(e, sizeof e, zn) << ' ' << number(f, sizeof f, q) << ' '
          << number(g, sizeof g, qIP) << " x z dL xn zn q qIP\n";
    ++count;
  };
  node(contactX, 2.0e-5f, 4.0e-5f, 1.0f, 0.0f, 0.2f, 0.21f);
  for (int k = 0; k < 60; ++k) node(contactX, 0.5f + static_cast<float>(k), 1.0f, 1.0f, 0.0f, 0.2f, 0.21f);
  for (int blk = 0; blk < blocks; ++blk) {
    const float x0 = -200.0f + 50.0f * static_cast<float>(blk);
    const float z0 = 5.0f + 3.0f * static_cast<float>(blk);
    const float size = 20.0f;
    const float h = size / static_cast<float>(perSide);
    const float q = blk % 2 == 0 ? 0.8f : -0.6f;
    const float qIP = blk % 2 == 0 ? 0.83f : -0.62f;
    for (int k = 0; k < perSide; ++k) {
      const float t = (static_cast<float>(k) + 0.5f) * h;
      node(x0 + t, z0, h, 0.0f, 1.0f, q, qIP);
      node(x0 + size, z0 + t, h, -1.0f, 0.0f, q, qIP);
      node(x0 + size - t, z0 + size, h, 0.0f, -1.0f, q, qIP);
      node(x0, z0 + size - t, h, 1.0f, 0.0f, q, qIP);
    }
  }
  std::ostringstream xy;
  xy << "4 1 2 1 nP,nT, nPOnSurface,keyIP\n 1 2 [Surfase]\n 1\n"
     << "100 105.263161 4 Ro, RO_IP nVer\n 1 2 3 4 1\n"
     << "-5000 0\n5000 0\n5000 5000\n-5000 5000\n"
     << count << " N cells\n"
     << nodes.str();
  return xy.str();
}

std::string surveyText(const Survey& s) {
  std::ostringstream arr;
  arr << s.dX << " 0 " << s.X0 << " 0 " << s.nPos << " " << s.nSpac << "\n0 0 0 0 0 1 0\n";
  // Spacings at half steps, so that no electrode falls on the short node
  // under a position; the largest near 320 m.
  for (int j = 0; j < s.nSpac; ++j) {
    const float spacing = 2.5f + std::round(317.5f * std::pow(static_cast<float>(j + 1) / static_cast<float>(s.nSpac), 1.6f) / 5.0f) * 5.0f;
    arr << spacing << ' ';
  }
  arr << "\n";
  return arr.str();
}

// Processor time of all threads so far: on a busy machine it tells the work
// done better than the elapsed time.
double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The run's dense work against the machine's measured rates.
void compareWithMachine(const korvis::PhaseTimes& times, double wall, double processor) {
  const int threads = common::resolveThreads(0);
  const double n = times.order;
  const double factorFlops = times.factorisations * 2.0 * n * n * n / 3.0;
  const double forwardFlops = static_cast<double>(times.rightHandSides) * n * (n - 1.0);
  const double backMultiplyAdds = static_cast<double>(times.rightHandSides) * n * (n - 1.0) / 2.0;
  const double peakOne = bench::peakMultiplySubtract(1);
  const double peakAll = bench::peakMultiplySubtract(threads);
  const bench::ChainRate chain = bench::attainableChainRate(times.order, threads);
  const double limit = (factorFlops + forwardFlops) / (peakAll * 1e9) + backMultiplyAdds / chain.multiplyAdds;
  std::printf("  machine: %s, %d cores; vector width %d bytes (elimination), %d bytes (back "
              "substitution)\n",
              bench::processorModel().c_str(), threads, common::eliminationWidth(),
              korvis::backSubstitutionWidth());
  std::printf("  peak multiply-subtract: %.1f GFLOP/s on one core, %.1f on %d cores\n", peakOne,
              peakAll, threads);
  std::printf("  attainable chain rate: %.2f G multiply-adds/s on %d cores (%d chains, %d "
              "right-hand sides per task)\n",
              chain.multiplyAdds / 1e9, threads, chain.chains, chain.columns);
  const double forward = times.substitute - times.backSubstitute;
  std::printf("  in the run: factorisation %.1f GFLOP/s (%.0f %% of peak), forward substitution "
              "%.1f GFLOP/s (%.0f %%), back substitution %.2f G multiply-adds/s (%.0f %% of the "
              "chain rate)\n",
              factorFlops / times.factor / 1e9, 100.0 * factorFlops / times.factor / 1e9 / peakAll,
              forwardFlops / forward / 1e9, 100.0 * forwardFlops / forward / 1e9 / peakAll,
              backMultiplyAdds / times.backSubstitute / 1e9,
              100.0 * backMultiplyAdds / times.backSubstitute / chain.multiplyAdds);
  std::printf("  limit of the dense arithmetic %.1f s; wall time %.1f s, %.2f times the limit "
              "(processor time per core %.1f s, %.2f times)\n",
              limit, wall, wall / limit, processor / threads, processor / threads / limit);
}

void runCase(const char* name, int targetNodes, const Survey& survey) {
  const auto folder = std::filesystem::temp_directory_path() / (std::string("korvis_bench_") + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  std::ofstream("varga.xy") << modelText(targetNodes, survey.X0 + 50.0f * survey.dX);
  std::ofstream("varga.arr") << surveyText(survey);

  korvis::PhaseTimes times;
  std::ostringstream console, errors;
  const auto start = std::chrono::steady_clock::now();
  const double processorStart = processorSeconds();
  const int status = korvis::runProgram(
      console, errors,
      [&](korvis::KorvisState& st, std::ostream& out, std::ostream& warnings,
          const korvis::PassOutput& output) {
        std::printf("%s: N = %d, nKy = %d, keyIP = %d, %d positions x %d spacings\n", name,
                    st.nodes.N, st.nKy, st.keyIP, st.arr.nPos, st.arr.nSpac);
        return korvis::runPasses(st, out, warnings, output, &times);
      });
  const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double processor = processorSeconds() - processorStart;
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);

  std::printf("  exit status %d%s%s\n", status, errors.str().empty() ? "" : ", messages: ",
              errors.str().c_str());
  std::printf("  processor time %.2f s (all threads)\n", processor);
  std::printf("  total %.2f s: fill %.2f, factorisation %.2f, right-hand sides %.2f, "
              "substitutions %.2f (back %.2f), receivers %.2f, accumulation %.3f\n",
              total, times.fill, times.factor, times.rhs, times.substitute, times.backSubstitute,
              times.receivers, times.accumulate);
  std::printf("  per wavenumber (both passes): total = factorisation + forward + back "
              "substitution + the rest");
  for (std::size_t k = 0; k < times.perWavenumber.size(); ++k) {
    const auto& w = times.perWavenumber[k];
    std::printf("%s %5.2f = %4.2f + %4.2f + %4.2f + %4.2f", k % 4 == 0 ? "\n   " : "  ", w.total,
                w.factor, w.forward, w.back, w.total - w.factor - w.forward - w.back);
  }
  std::printf("\n  peak memory %.1f MB\n", bench::peakMemoryMb());
  if (times.order > 1) compareWithMachine(times, total, processor);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string which = argc > 1 ? argv[1] : "all";
  if (which == "typical" || which == "all") runCase("typical", 1000, {20, 10, 5.0f, -50.0f});
  if (which == "full" || which == "all") runCase("full", 4100, {100, 30, 5.0f, -250.0f});
  return 0;
}
