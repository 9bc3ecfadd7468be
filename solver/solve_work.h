// Work space of the sparse Gauss-Jordan elimination (`solve`): the column
// list JA and the tables of one block of pivots, which the elimination
// applies together to every later column.
#pragma once

#include "common/tables.h"

namespace kestor {

constexpr int kPivotBlock = 16;                                  // pivots eliminated together
constexpr int kChunkRows = 4;                                    // rows of one vector of the updates
constexpr int kRowChunks = (kMaxGrid + kChunkRows - 1) / kChunkRows;  // 250
constexpr int kFactorStride = kMaxGrid + 8;                      // rows 0..1007 of a factor column
constexpr int kPivotBlocks = (kMaxGrid + kPivotBlock - 1) / kPivotBlock;
constexpr int kPanelColumns = 4 * kPivotBlock;                   // columns kept in cache together

struct SolveWork {
    int JA[kMaxGrid + 2];  // column list, cleared at every call

    // Per pivot k (index k):
    double factor[kMaxGrid + 1][kFactorStride];  // a(i, k) / a(k, k) of the active rows, 0 elsewhere
    // Active rows outside the pivot's block, one bit per row of each chunk
    // of kChunkRows rows (chunk c holds rows 4c+1..4c+4).
    unsigned char lanes[kMaxGrid + 1][kRowChunks + 1];
    unsigned block_row_codes[kMaxGrid + 1];  // active rows of the block, bit q for row k0 + q
    int usable[kMaxGrid + 1];                // 1 when the pivot is not zero
    int active_rows[kMaxGrid + 1];           // rows i != k with a(i, k) != 0

    // Per block of pivots and chunk: no row active for any usable pivot,
    // every row active for every usable pivot, or neither.
    unsigned char chunk_kind[kPivotBlocks][kRowChunks + 1];
    // Per block and chunk: the first pivot of the block from which on every
    // usable pivot has every row of the chunk active.
    unsigned char chunk_full_from[kPivotBlocks][kRowChunks + 1];

    // Per column j, for the block being applied: the pivots of the block
    // whose row holds a non-zero in column j (in pivot order, numbered from
    // the block's first) with that value at the pivot's turn.
    unsigned char column_pivots[kMaxGrid + 2][kPivotBlock];
    double pivot_row_value[kMaxGrid + 2][kPivotBlock];
    int column_pivot_count[kMaxGrid + 2];
    // 1 when the list is the first column_pivot_count pivots of the block.
    unsigned char column_pivots_leading[kMaxGrid + 2];
};

// Instruction sets the update kernels of `solve` may use.
enum class SolveIsa {
    kAuto,      // the widest this processor offers
    kPortable,  // the baseline of the build (two-wide vectors)
};

}  // namespace kestor
