// The survey mode's limits, set by the machine's memory instead of fixed
// counts. A survey run keeps, per pass (DC, and IP when the model has it),
// a dense single-precision system of N x N numbers, 4 N^2 bytes; beside it
// the right-hand sides and solutions of every current electrode (8 N bytes
// each), the potential table of every potential electrode (8 N bytes each)
// and the field store of the right-hand sides (32 MiB). The node limit is
// the largest N whose run fits in the memory available; bodies, vertices
// and surface entries are each held to the node limit of one pass without
// electrodes, since a model with more of them than that has no mesh this
// machine could solve.
#pragma once

#include <cstddef>
#include <string>

#include "common/model.h"

namespace common {

// What a survey solve keeps besides its systems.
struct SolveShape {
  int passes = 1;                      // 2 when the model has an IP pass
  std::size_t currentElectrodes = 0;   // distinct current electrodes
  std::size_t potentialElectrodes = 0; // distinct potential electrodes
};

// The memory the system can give this process now, in bytes
// (MemAvailable of /proc/meminfo, else the free physical pages); 0 when
// neither can be read.
double availableMemory();

// Bytes a survey solve on `nodes` nodes takes.
double surveySolveBytes(int nodes, const SolveShape& shape);

// The largest N whose survey solve takes at most `available` bytes; the
// fixed korvis limit of 4100 when the memory is unknown (available <= 0).
int surveyNodeLimit(double available, const SolveShape& shape);

// The survey mode's limits for `available` bytes of memory.
ModelLimits surveyLimits(double available);

// The refusal of a count beyond a memory-bounded limit: "nP is 120, more
// than the 100 that the memory of this machine allows (34 MB available; a
// survey solve takes 4 N^2 bytes a pass, with an IP pass two): <advice>".
std::string beyondMemory(const std::string& what, long long count, int limit, double available,
                         const std::string& advice);

}  // namespace common
