// The back substitution in single precision for many right-hand sides that
// share an upper factor U (n x n):
//   for i = n-1..0: s = 0; s = float(s + float(U(i,j)*x(j))) for j = i+1..n-1
//   in increasing j; x(i) = float(float(b(i) - s) / U(i,i)).
// Each row's sum is one chain of dependent additions that can only start
// once the row below is solved, so the work runs across right-hand sides:
// a task holds `chains` vectors of right-hand sides, its solved unknowns
// interleaved row by row, and streams the rows of U once for all of them.
// The kernel exists for the vector widths of the elimination kernels (16
// bytes always, 32 with AVX, 64 with AVX-512F); neither the width, the
// chains nor the threads change a bit of the result.
#pragma once

#include <cstddef>

namespace common {

// The chain counts a task can have (vectors of right-hand sides).
inline constexpr int upperSolveChainCounts[] = {2, 3, 4, 6, 8};

// The width's chain count for the solver: 48 right-hand sides per task where
// the width allows (about 48*4*n bytes of unknowns per task, which stays in
// the L2 cache at n = 4200 on current processors), 32 on 16-byte vectors.
// bytes 0 is the build's width (eliminationWidth()).
int upperSolveChains(int bytes = 0);

// Right-hand sides per task for `bytes` (0: the build's) and `chains`
// (0: upperSolveChains(bytes)).
int upperSolveColumns(int bytes = 0, int chains = 0);

// The back substitution above for nrhs right-hand sides: column r of B
// (leading dimension ldb) gives column r of X (ldx). Ut holds the strict
// upper triangle packed by packUpperRows, diagonal[i] = U(i,i). Tasks of
// upperSolveColumns(bytes, chains) right-hand sides (fewer at the end of
// each thread's share) are shared out over threads (<= 0: every core). A
// width this processor cannot run falls back to 16 bytes; a chain count not
// offered, to the width's own.
void solveUpperMany(int n, const float* Ut, const float* diagonal, const float* B, int ldb,
                    float* X, int ldx, int nrhs, int threads = 0, int bytes = 0, int chains = 0);

// One task of each width, in common/upper_solve_kernel.cpp: count <= the
// task's columns right-hand sides; xs holds n * columns floats, 64-byte
// aligned. False for a chain count not offered.
#define RM_DECLARE_UPPER_KERNELS(space)                                                      \
  namespace space {                                                                          \
  int upperLanes();                                                                          \
  bool upperSolveTask(int n, const float* Ut, const float* diagonal, const float* B,         \
                      std::ptrdiff_t ldb, float* X, std::ptrdiff_t ldx, int count, int chains, \
                      float* xs);                                                            \
  }
RM_DECLARE_UPPER_KERNELS(width16)
RM_DECLARE_UPPER_KERNELS(width32)
RM_DECLARE_UPPER_KERNELS(width64)
#undef RM_DECLARE_UPPER_KERNELS

}  // namespace common
