// An 8 x 8 block of floats transposed in registers: eight vectors of eight
// floats (the columns of the block) become its rows. The elimination's
// triangle leaves and the packing of the upper factor's rows use it. The
// function has internal linkage, so that each translation unit, whatever
// instruction set it is compiled for, keeps its own copy.
#pragma once

namespace common {

using Floats8 = float __attribute__((vector_size(8 * sizeof(float)), aligned(4), may_alias));

// r[i][j] becomes r[j][i].
static inline void transpose8(Floats8 (&r)[8]) {
  Floats8 t[8], u[8];
  for (int q = 0; q < 4; ++q) {
    t[2 * q] = __builtin_shufflevector(r[2 * q], r[2 * q + 1], 0, 8, 1, 9, 4, 12, 5, 13);
    t[2 * q + 1] = __builtin_shufflevector(r[2 * q], r[2 * q + 1], 2, 10, 3, 11, 6, 14, 7, 15);
  }
  for (int h = 0; h < 2; ++h) {
    const Floats8* a = t + 4 * h;
    u[4 * h + 0] = __builtin_shufflevector(a[0], a[2], 0, 1, 8, 9, 4, 5, 12, 13);
    u[4 * h + 1] = __builtin_shufflevector(a[0], a[2], 2, 3, 10, 11, 6, 7, 14, 15);
    u[4 * h + 2] = __builtin_shufflevector(a[1], a[3], 0, 1, 8, 9, 4, 5, 12, 13);
    u[4 * h + 3] = __builtin_shufflevector(a[1], a[3], 2, 3, 10, 11, 6, 7, 14, 15);
  }
  for (int q = 0; q < 4; ++q) {
    r[q] = __builtin_shufflevector(u[q], u[q + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    r[q + 4] = __builtin_shufflevector(u[q], u[q + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

}  // namespace common
