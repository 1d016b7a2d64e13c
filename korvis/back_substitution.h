// The back substitution of korvis for many right-hand sides that share the
// upper factor:
//   for i = n..1: s = sum_{j>i} double(U(i,j))*double(sigma(j)) in increasing
//   j, in double from 0; sigma(i) = float((double(b(i)) - s) / double(U(i,i))).
// One kernel, compiled for each vector width the build can target: 16 bytes
// always, and on x86-64 also 32 (AVX2 and FMA) and 64 (AVX-512). The solver
// uses the build's own width; the others are there so that the tests can
// check every width the processor runs, and the benchmarks compare them.
// Every width gives the same bits.
#pragma once

#include <cstddef>

namespace korvis {

// One task: count <= backColumns(chains) right-hand sides, column r of B
// (leading dimension ldb) giving column r of Sigma (lds). Ut holds the strict
// upper triangle of the factor packed by common::packUpperRows; the diagonal
// is read from M (leading dimension ld).
struct BackTask {
  int n = 0;
  const float* Ut = nullptr;
  const float* M = nullptr;
  std::ptrdiff_t ld = 0;
  const float* B = nullptr;
  std::ptrdiff_t ldb = 0;
  float* Sigma = nullptr;
  std::ptrdiff_t lds = 0;
  int count = 0;
};

// The kernel of each width, in korvis/back_substitution_kernel.cpp. xs holds
// n * backColumns(chains) floats, 64-byte aligned; chains is 4, 6 or 8
// (false otherwise).
#define RM_DECLARE_BACK_KERNEL(space)                                 \
  namespace space {                                                   \
  int backColumns(int chains);                                        \
  bool backSubstituteTask(const BackTask& task, int chains, float* xs); \
  }
RM_DECLARE_BACK_KERNEL(width16)
RM_DECLARE_BACK_KERNEL(width32)
RM_DECLARE_BACK_KERNEL(width64)
#undef RM_DECLARE_BACK_KERNEL

// Independent multiply-add chains per task of luSubstituteMany.
inline constexpr int backChains = 8;

// The vector width in bytes that this build's solver uses: 64 with AVX-512F,
// 32 with AVX2, else 16.
int backSubstitutionWidth();

// Whether the kernel of `bytes` is in this build and runs on this processor.
bool backSubstitutionRuns(int bytes);

// Right-hand sides per task of the kernel of `bytes` with `chains` chains.
int backSubstitutionColumns(int bytes, int chains);

// The back substitution of nrhs right-hand sides with the kernel of `bytes`
// (one that backSubstitutionRuns) and `chains` chains, tasks shared out over
// threads (threads <= 0: every core).
void backSubstituteMany(const float* M, int n, int ld, const float* Ut, const float* B, int ldb,
                        float* Sigma, int lds, int nrhs, int threads, int bytes,
                        int chains = backChains);

}  // namespace korvis
