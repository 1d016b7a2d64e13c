// The serial kernels of the dense elimination, one set per vector width:
// common/dense_update_kernel.cpp is compiled once for each width the build
// can target (16 bytes always; on x86-64 also 32 with AVX and 64 with
// AVX-512F), each copy in its own namespace. common/dense_update.cpp chooses
// a set and shares the work out over threads. Every set applies, entry by
// entry, the terms t = float(a*b), c = float(c - t) in increasing order of
// their index, so every width gives the same bits.
#pragma once

#include <cstddef>

namespace common {

// Thread-local packing storage of at least `count` floats, 64-byte aligned;
// `which` (0 or 1) selects one of two independent buffers. Defined in
// common/dense_update.cpp, shared by the kernels of every width.
float* packingScratch(int which, std::size_t count);

// Per width:
//   tileRows, tileCols: the register tile of the update kernel;
//   packRowTiles: A (m x k) into row tiles of tileRows() rows, zero-padded,
//     tile t at packed + t*tileStride, holding for p = 0..k-1 the rows
//     t*tileRows() .. of column p;
//   productSerial: C(i,j) = float(C(i,j) - float(A(i,p)*B(p,j))), p = 0..k-1
//     in order, with A either as it is (packedA == nullptr) or packed whole
//     by packRowTiles (tile stride tileRows()*k);
//   solveLowerSerial: for p = 0..m-1, i = p+1..m-1:
//     X(i,j) = float(X(i,j) - float(L(i,p)*X(p,j))).
#define RM_DECLARE_DENSE_KERNELS(space)                                                     \
  namespace space {                                                                         \
  int tileRows();                                                                           \
  int tileCols();                                                                           \
  void packRowTiles(int m, int k, const float* A, std::ptrdiff_t lda, float* packed,        \
                    std::ptrdiff_t tileStride);                                             \
  void productSerial(int m, int n, int k, const float* A, std::ptrdiff_t lda,               \
                     const float* packedA, const float* B, std::ptrdiff_t ldb, float* C,    \
                     std::ptrdiff_t ldc);                                                   \
  void solveLowerSerial(int m, int n, const float* L, std::ptrdiff_t ldl, float* X,         \
                        std::ptrdiff_t ldx);                                                \
  }
RM_DECLARE_DENSE_KERNELS(width16)
RM_DECLARE_DENSE_KERNELS(width32)
RM_DECLARE_DENSE_KERNELS(width64)
#undef RM_DECLARE_DENSE_KERNELS

}  // namespace common
