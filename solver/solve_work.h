// Work space of the sparse Gauss-Jordan elimination (`solve`): the tables of
// the pivots, which the elimination applies a block at a time to every
// later column. What the blocks, lanes, row codes, chunk kinds and
// `full_from` are is told at the top of solver/elimination.cpp.
#pragma once

#include "common/tables.h"

namespace kestor {

constexpr int kPivotBlock = 16;                                  // pivots eliminated together
constexpr int kChunkRows = 4;                                    // rows of one chunk (one lane code)
constexpr int kRowChunks = (kMaxGrid + kChunkRows - 1) / kChunkRows;  // 250
constexpr int kFactorStride = kMaxGrid + 8;                      // rows 0..1007 of a factor column
constexpr int kLineDoubles = 8;                                  // doubles of a 64-byte cache line
constexpr int kPivotBlocks = (kMaxGrid + kPivotBlock - 1) / kPivotBlock;
constexpr int kPanelColumns = 4 * kPivotBlock;                   // columns kept in cache together

struct SolveWork {
    // Per pivot k:
    // a(i, k) / a(k, k) of the active rows, 0 elsewhere; column k at
    // k * kFactorStride plus the shift that puts row 1 on a cache line.
    double factor[(kMaxGrid + 1) * kFactorStride + kLineDoubles];
    unsigned char lanes[kMaxGrid + 1][kRowChunks + 1];  // per chunk c: active rows 4c+1.. outside the block
    unsigned block_row_codes[kMaxGrid + 1];             // active rows of the block, bit q for row k0 + q
    int usable[kMaxGrid + 1];                           // 1 when the pivot is not zero
    int active_rows[kMaxGrid + 1];                      // rows i != k with a(i, k) != 0

    // Per block of pivots and chunk:
    unsigned char chunk_kind[kPivotBlocks][kRowChunks + 1];       // empty, dense or mixed
    unsigned char chunk_full_from[kPivotBlocks][kRowChunks + 1];  // first pivot of the all-active tail

    // Per column j, for the block being applied:
    unsigned char column_pivots[kMaxGrid + 2][kPivotBlock];  // listed pivots, numbered from the block's first
    double pivot_row_value[kMaxGrid + 2][kPivotBlock];       // a(k, j) of each at its turn
    int column_pivot_count[kMaxGrid + 2];                    // length of the list
    unsigned char column_pivots_leading[kMaxGrid + 2];       // 1 when the list is the block's first pivots
};

// Instruction sets the update kernels of `solve` may use.
enum class SolveIsa {
    kAuto,      // the widest this processor offers
    kPortable,  // the baseline of the build (two-wide vectors)
};

}  // namespace kestor
