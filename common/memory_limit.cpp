// Memory-bounded limits of the survey mode: the available memory, what a
// solve on N nodes takes, and the largest N that fits.
#include "common/memory_limit.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace common {

namespace {

constexpr double fieldStoreBytes = 32.0 * 1024 * 1024;
constexpr int unknownMemoryLimit = 4100;  // the fixed kinds' korvis limit

}  // namespace

double availableMemory() {
  std::ifstream in("/proc/meminfo");
  std::string name;
  double kilobytes = 0;
  while (in >> name >> kilobytes) {
    if (name == "MemAvailable:") return kilobytes * 1024.0;
    in.ignore(1 << 10, '\n');
  }
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize) : 0.0;
}

double surveySolveBytes(int nodes, const SolveShape& shape) {
  const double n = nodes;
  const auto electrodes = static_cast<double>(shape.currentElectrodes + shape.potentialElectrodes);
  return shape.passes * 4.0 * n * n + 8.0 * n * electrodes + fieldStoreBytes;
}

int surveyNodeLimit(double available, const SolveShape& shape) {
  if (!(available > 0)) return unknownMemoryLimit;
  // The root of passes*4 N^2 + 8 E N + F = available, then stepped to the
  // exact integer bound.
  const double a = 4.0 * shape.passes;
  const auto b = 8.0 * static_cast<double>(shape.currentElectrodes + shape.potentialElectrodes);
  const double c = fieldStoreBytes - available;
  if (c >= 0) return 0;
  const double root = (-b + std::sqrt(b * b - 4.0 * a * c)) / (2.0 * a);
  constexpr double largest = 1.0e9;  // far beyond any table: keeps the count an int
  auto n = static_cast<int>(std::min(root, largest));
  while (n > 0 && surveySolveBytes(n, shape) > available) --n;
  while (n < largest && surveySolveBytes(n + 1, shape) <= available) ++n;
  return n;
}

ModelLimits surveyLimits(double available) {
  ModelLimits limits;
  const int n = surveyNodeLimit(available, SolveShape{});
  limits.bodies = n;
  limits.vertices = n;
  limits.ringVertices = n;
  limits.surface = n;
  limits.nodes = n;
  limits.memoryBounded = true;
  limits.memory = available;
  return limits;
}

std::string beyondMemory(const std::string& what, long long count, int limit, double available,
                         const std::string& advice) {
  std::ostringstream text;
  text << what << " is " << count << ", more than the " << limit;
  if (available > 0) {
    text << " that the memory of this machine allows (";
    if (available >= 1e9) {
      text.precision(1);
      text << std::fixed << available / 1e9 << " GB";
    } else {
      text << std::llround(available / 1e6) << " MB";
    }
    text << " available; a survey solve takes 4 N^2 bytes a pass, with an IP pass two)";
  } else {
    text << " that korvis takes when the memory of this machine cannot be read";
  }
  text << ": " << advice;
  return text.str();
}

}  // namespace common
