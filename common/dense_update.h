// Blocked kernels of the dense elimination shared by both programs. Every
// kernel reproduces, entry by entry, the single-precision operations of the
// plain elimination loops:
//   a term is t = float(a*b) (the product rounded to single), then
//   c = float(c - t); the terms of one entry are applied in increasing order
//   of their index p.
// Reordering, blocking and vectorisation never change which terms an entry
// receives nor their order, so the results are bit-identical to the plain
// loops (the build forbids fused multiply-add and reassociation). Matrices
// are column-major with a leading dimension; sizes are ints, offsets are
// formed in std::ptrdiff_t.
//
// The kernels exist for several vector widths (bytes): 16 always, and on
// x86-64 also 32 (AVX) and 64 (AVX-512F). The routines below take the width
// as their last argument: 0, the default, is the build's width; any other
// value must be one that eliminationWidthRuns (else the 16-byte kernels
// run). Every width gives the same bits.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "common/aligned_scratch.h"

namespace common {

// The width the build's elimination uses: 64 with __AVX512F__, 32 with
// __AVX__, else 16.
int eliminationWidth();

// Whether the kernels of `bytes` are in this build and run on this processor.
bool eliminationWidthRuns(int bytes);

// Register tile of the update kernel: rows per tile, columns per tile.
int tileRows(int bytes = 0);
int tileCols(int bytes = 0);

// C(i,j) = float(C(i,j) - float(A(i,p)*B(p,j))) for p = 0..k-1 in
// increasing order, i < m, j < n. threads <= 0 uses every core; the columns
// (or, for narrow C, the rows) are shared out, which never changes a result.
void subtractProduct(int m, int n, int k, const float* A, int lda, const float* B, int ldb,
                     float* C, int ldc, int threads = 1, int bytes = 0);

// Storage (floats) of an m x k block of A packed by packTiles.
std::size_t packedTilesSize(int m, int k, int bytes = 0);

// Packs A (m x k) into row tiles of tileRows() rows, zero-padded: tile t
// holds, for p = 0..k-1, the rows t*tileRows() .. of column p.
void packTiles(int m, int k, const float* A, int lda, float* packed, int bytes = 0);

// subtractProduct with A given packed by packTiles (same m, k and width),
// one thread.
void subtractPackedProduct(int m, int n, int k, const float* packedA, const float* B, int ldb,
                           float* C, int ldc, int bytes = 0);

// Forward elimination with a unit lower-triangular L (m x m, diagonal not
// read) on the n columns of X (m x n):
//   for p = 0..m-1, i = p+1..m-1: X(i,j) = float(X(i,j) - float(L(i,p)*X(p,j))).
// One thread.
void solveUnitLower(int m, int n, const float* L, int ldl, float* X, int ldx, int bytes = 0);

// The elimination steps of one block of w factored columns, applied to the
// columns of X; rows 0..rows-1 of L and X are counted from the block's
// first row:
//   1. when swaps is given, for s = 0..w-1 in order, rows s and swaps[s]
//      (0-based, >= s) of X are exchanged;
//   2. X(0..w-1, :) = the forward elimination of solveUnitLower with L11,
//      the leading w x w part of L;
//   3. X(w.., :) = X(w.., :) - L21 * X(0..w-1, :) term by term, L21 being
//      rows w..rows-1 of L.
// The per-entry order is that of applying the w steps one after another.
// prepare() packs L21 once (the storage is kept for later blocks); apply()
// may then run on disjoint column ranges from several threads. L and swaps
// must stay valid and unchanged until the last apply().
class EliminationBlock {
 public:
  void prepare(int rows, int w, const float* L, int ldl, const int* swaps, int bytes = 0);
  // The same with L11 (leading dimension ld11) and L21 (ld21) given apart;
  // after prepare() only L11 and swaps are read.
  void prepare(int rows, int w, const float* L11, int ld11, const float* L21, int ld21,
               const int* swaps, int bytes = 0);
  // One thread, the n columns of X (leading dimension ldx).
  void apply(int n, float* X, int ldx) const;
  // The width prepare() chose, in bytes.
  int width() const { return bytes_; }
  // The rows and the elimination steps of the block.
  int rows() const { return rows_; }
  int steps() const { return w_; }

 private:
  int rows_ = 0, w_ = 0, ldl_ = 0, bytes_ = 16;
  const float* L_ = nullptr;
  const int* swaps_ = nullptr;
  AlignedScratch storage_;
  const float* packedL21_ = nullptr;
};

// EliminationBlock::prepare and apply on all n columns of X, the columns
// shared out over threads (threads <= 0: every core).
void applyEliminationBlock(int rows, int w, const float* L, int ldl, const int* swaps, int n,
                           float* X, int ldx, int threads, int bytes = 0);

// A prepared block applied to the n columns of X, shared out the same way.
void applyEliminationBlock(const EliminationBlock& block, int n, float* X, int ldx, int threads);

// The step of a right-looking elimination with look-ahead: applies the
// prepared block to the n columns of X and hands the first `lead` of them,
// once updated, to factorLead (the next block of the elimination), whose
// argument is the thread count it may use. With several threads, thread 0
// updates and factors the lead columns with one thread while the others
// update the rest, so the serial part of the factorisation overlaps the
// parallel part. Every column gets the same operations either way.
void applyWithLookAhead(const EliminationBlock& block, int n, float* X, int ldx, int lead,
                        int threads, const std::function<void(int)>& factorLead);

// Start, in floats, of row i in the packing of packUpperRows.
std::size_t upperRowStart(int n, int i);

// Copies the strictly upper triangle of U (n x n) row by row: row i,
// U(i, i+1..n-1), lands contiguously at Ut + upperRowStart(n, i). The back
// substitutions stream these rows. threads <= 0 uses every core.
void packUpperRows(int n, const float* U, int ldu, float* Ut, int threads);

}  // namespace common
