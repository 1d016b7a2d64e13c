// The array driver of a full telm run: for every requested array kind, the
// stations and spacings, the DC and IP passes, and the result files.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "telm/telm_state.h"

namespace telm {

// Seconds spent in each phase of computeArrays, the number of distinct
// right-hand sides solved and of factorisations (of order N), for
// benchmarks.
struct ArrayTimings {
  double assemble = 0, factorise = 0, solve = 0, respond = 0, write = 0;
  double forwardSubstitute = 0, backSubstitute = 0;  // the substitutions' parts of solve
  long long rightHandSides = 0;
  int factorisations = 0;
  long long responseRows = 0;  // receiver positions whose logarithm rows were computed
};

struct ArrayRunOptions {
  std::string directory;  // where the result files go; "" is the working directory
  int threads = 0;        // <= 0: every core
  ArrayTimings* timings = nullptr;
  int solveBlock = 1024;  // right-hand sides solved together (the results do not depend on it)
  // Bound of the table of logarithm rows per receiver position that the
  // responses read (the results do not depend on it). 128 MiB holds every
  // position of a 100-station, 30-spacing survey on 4200 nodes (about 2500
  // positions of 33 KB), beside the 70 MB matrix of such a model.
  std::size_t responseRowBytes = std::size_t{128} << 20;
  std::function<void()> afterBlock;  // called after each block, for tests of the progress text
};

// Computes every requested array and writes its result file (and qz.bin when
// keyRun = 2). Console progress goes to `console` as the work goes on: each
// station's number once its values are computed, in the order of the plain
// loop over arrays, passes, stations and spacings. Returns 0, or a non-zero
// exit status after printing a message to std::cerr (zero pivot, a result
// file that cannot be written).
int computeArrays(TelmState& st, std::ostream& console);

// The same with our own messages and warnings going to `errors`.
int computeArrays(TelmState& st, std::ostream& console, std::ostream& errors,
                  const ArrayRunOptions& options);

}  // namespace telm
