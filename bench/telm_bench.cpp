// Times a full 2D telm run by phase on two generated models: a full-size one
// (about 4200 nodes, IP, five array kinds, 100 stations x 30 spacings) and a
// typical one (about 1000 nodes, 20 stations x 10 spacings). Each runs in its
// own temporary folder, through the program's own input, discretisation and
// array steps. After each run the machine's rates are measured
// (bench/machine_rates.h) and the run is set against the limit they give
// its dense arithmetic on every core the run used.
// Usage: telm_bench [threads]
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/record_reader.h"
#include "common/worker_pool.h"
#include "machine_rates.h"
#include "telm/arrays.h"
#include "telm/coded_stop.h"
#include "telm/discretisation.h"
#include "telm/exchange_file.h"
#include "telm/model_input.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Survey {
  int stations = 0, spacings = 0;
};

// An overburden over `columns` blocks of alternating resistivity and
// chargeability, 2 km wide and 400 m deep, with the survey in the middle.
std::string modelText(float dens, int columns, const Survey& survey) {
  std::ostringstream s;
  const float left = -1000, width = 2000, top = 10, bottom = 400;
  const int nT = 1 + columns;
  const int nP = 2 + 2 * (columns + 1);  // surface ends, the layer line, the bottom line
  s << "Generated benchmark model\n" << columns << " blocks under an overburden\n";
  s << nT << ' ' << nP << " 1 " << dens << " 0\n";
  // Vertices: 1, 2 surface ends; 3..columns+3 the layer line at z = top
  // (left to right); then the bottom line (left to right).
  const int layer0 = 3, bottom0 = layer0 + columns + 1;
  s << "30 0 " << columns + 3 << "\n1 2 ";
  for (int k = columns; k >= 0; --k) s << layer0 + k << ' ';
  s << "\n";
  for (int c = 0; c < columns; ++c) {
    const float ro = c % 2 == 0 ? 300.0f : 40.0f + 10.0f * static_cast<float>(c);
    const float eta = c % 2 == 0 ? 1.0f : 8.0f;
    s << ro << ' ' << eta << " 4\n"
      << layer0 + c << ' ' << layer0 + c + 1 << ' ' << bottom0 + c + 1 << ' ' << bottom0 + c
      << "\n";
  }
  s << left << " 0\n" << left + width << " 0\n";
  for (int k = 0; k <= columns; ++k)
    s << left + width * static_cast<float>(k) / static_cast<float>(columns) << ' ' << top << "\n";
  for (int k = 0; k <= columns; ++k)
    s << left + width * static_cast<float>(k) / static_cast<float>(columns) << ' ' << bottom
      << "\n";

  const float step = 10;
  const float first = -step * static_cast<float>(survey.stations - 1) / 2;
  s << step << ' ' << first << ' ' << survey.stations << ' ' << survey.spacings << " 0\n";
  s << "-300 0 300 0\n";
  std::vector<float> sp, mn, off;
  for (int j = 0; j < survey.spacings; ++j) {
    sp.push_back(std::round(3.0f * std::pow(1.18f, static_cast<float>(j))));
    mn.push_back(std::max(1.0f, std::round(sp.back() / 5)));
    off.push_back(sp.back() + mn.back() + 10);
  }
  for (const auto* list : {&sp, &off, &mn}) {
    for (const float v : *list) s << v << ' ';
    s << "\n";
  }
  s << "5\n1 2 3 6 7\n0 0 0 0 0 0\n";
  return s.str();
}

std::unique_ptr<telm::TelmState> load(const std::string& path, std::ostream& quiet) {
  auto st = std::make_unique<telm::TelmState>();
  st->modelFileName = path;
  common::RecordReader in(path);
  telm::readModelPart(in, *st, quiet);
  telm::readSurveySettings(in, *st, quiet);
  telm::applyMagneticAdjustment(*st);
  telm::discretise(*st, quiet);
  telm::buildSurfaceLists(*st, quiet);
  return st;
}

// The element-density factor that brings the node count closest to the
// target from below.
float densityFor(int target, int columns, const Survey& survey, const std::filesystem::path& dir) {
  float lo = 0.2f, hi = 40.0f;
  const std::string path = (dir / "probe.dat").string();
  std::ostringstream quiet;
  for (int it = 0; it < 30; ++it) {
    const float mid = std::sqrt(lo * hi);
    std::ofstream(path) << modelText(mid, columns, survey);
    int n = telm::maxNodes + 1;
    try {
      n = load(path, quiet)->nodes.N;
    } catch (const telm::CodedStop&) {
    }
    (n > target ? hi : lo) = mid;
    if (n <= target && n > target - 60) return mid;
  }
  return lo;
}

// The run's dense work (N the order) against the machine's measured rates:
// the factorisations and forward substitutions at the peak multiply-subtract
// rate, the back substitutions at the attainable chain rate of their kernel.
void compareWithMachine(const telm::ArrayTimings& timings, int order, int threads, double wall,
                        double processor) {
  const double n = order;
  const auto rightHandSides = static_cast<double>(timings.rightHandSides);
  const double factorFlops = timings.factorisations * 2.0 * n * n * n / 3.0;
  const double forwardFlops = rightHandSides * n * (n - 1.0);
  const double backMultiplyAdds = rightHandSides * n * (n - 1.0) / 2.0;
  const double peakOne = bench::peakMultiplySubtract(1);
  const double peakAll = bench::peakMultiplySubtract(threads);
  const bench::ChainRate chain = bench::attainableSingleChainRate(order, threads);
  const double limit =
      (factorFlops + forwardFlops) / (peakAll * 1e9) + backMultiplyAdds / chain.multiplyAdds;
  const double forward = timings.forwardSubstitute;
  std::printf("  machine: %s, %d cores; vector width %d bytes\n", bench::processorModel().c_str(),
              threads, common::eliminationWidth());
  std::printf("  peak multiply-subtract: %.1f GFLOP/s on one core, %.1f on %d cores\n", peakOne,
              peakAll, threads);
  std::printf("  attainable chain rate: %.2f G multiply-adds/s on %d cores (%d chains, %d "
              "right-hand sides per task)\n",
              chain.multiplyAdds / 1e9, threads, chain.chains, chain.columns);
  std::printf("  in the run: %d factorisations, %.1f GFLOP/s (%.0f %% of peak); forward "
              "substitution %.1f GFLOP/s (%.0f %%); back substitution %.2f G "
              "multiply-adds/s (%.0f %% of the chain rate)\n",
              timings.factorisations, factorFlops / timings.factorise / 1e9,
              100.0 * factorFlops / timings.factorise / 1e9 / peakAll, forwardFlops / forward / 1e9,
              100.0 * forwardFlops / forward / 1e9 / peakAll,
              backMultiplyAdds / timings.backSubstitute / 1e9,
              100.0 * backMultiplyAdds / timings.backSubstitute / chain.multiplyAdds);
  std::printf("  limit of the dense arithmetic %.2f s; wall time %.2f s, %.2f times the limit "
              "(processor time per core of the array run %.2f s, %.2f times)\n",
              limit, wall, wall / limit, processor / threads, processor / threads / limit);
}

void run(const char* name, int targetNodes, const Survey& survey, int threads) {
  const auto dir = std::filesystem::temp_directory_path() / (std::string("telm_bench_") + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const int columns = 6;
  const float dens = densityFor(targetNodes, columns, survey, dir);
  const std::string path = (dir / "model.dat").string();
  std::ofstream(path) << modelText(dens, columns, survey);

  std::ostringstream console;
  const auto t0 = Clock::now();
  auto st = load(path, console);
  const double input = seconds(t0);

  telm::ArrayTimings timings;
  telm::ArrayRunOptions options;
  options.directory = dir.string();
  options.threads = threads;
  options.timings = &timings;
  const auto t1 = Clock::now();
  const std::clock_t c1 = std::clock();
  std::ostringstream errors;
  const int status = telm::computeArrays(*st, console, errors, options);
  const double arrays = seconds(t1);
  const double cpu = static_cast<double>(std::clock() - c1) / CLOCKS_PER_SEC;

  std::cout << std::fixed << std::setprecision(3);
  std::cout << name << ": " << st->nodes.N << " nodes, " << survey.stations << " stations x "
            << survey.spacings << " spacings, kinds 1 2 3 6 7, IP, status " << status << "\n";
  std::cout << "  input + discretisation " << input << " s\n";
  std::cout << "  matrix assembly        " << timings.assemble << " s\n";
  std::cout << "  factorisation          " << timings.factorise << " s\n";
  std::cout << "  right-hand sides+solve " << timings.solve << " s (" << timings.rightHandSides
            << " distinct right-hand sides; forward substitution " << timings.forwardSubstitute
            << " s, back " << timings.backSubstitute << " s)\n";
  std::cout << "  responses              " << timings.respond << " s (" << timings.responseRows
            << " receiver positions' logarithm rows)\n";
  std::cout << "  console and files      " << timings.write << " s\n";
  std::cout << "  total                  " << input + arrays << " s (array run: " << cpu
            << " s of processor time)\n";
  std::printf("  peak memory %.1f MB\n", bench::peakMemoryMb());
  std::cout << std::flush;
  if (st->nodes.N > 1)
    compareWithMachine(timings, st->nodes.N, common::resolveThreads(threads), input + arrays, cpu);
  std::filesystem::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
  const int threads = argc > 1 ? std::atoi(argv[1]) : 0;
  run("typical", 1000, {20, 10}, threads);
  run("full-size", 4200, {100, 30}, threads);
  return 0;
}
