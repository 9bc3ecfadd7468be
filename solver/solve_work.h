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

struct SolveWork {
    int JA[kMaxGrid + 2];  // column list, cleared at every call

    // Per pivot b of the block (pivot k0 + b):
    double factor[kPivotBlock][kFactorStride];  // a(i, k) / a(k, k) of the active rows, 0 elsewhere
    int usable[kPivotBlock];                    // 1 when the pivot is not zero
    int active_rows[kPivotBlock];               // rows i != k with a(i, k) != 0
    // Active rows of the pivot among the rows of the block (q = row - k0).
    unsigned char block_row_active[kPivotBlock][kPivotBlock];
    unsigned block_row_codes[kPivotBlock];      // the same, one bit per row
    // Active rows of the pivot outside the block, one bit per row of each
    // chunk of kChunkRows rows (chunk c holds rows 4c+1..4c+4).
    unsigned char lanes[kPivotBlock][kRowChunks + 1];

    // Per chunk: 0 no row active for any pivot, 1 every row active for
    // every usable pivot of the block so far, 2 otherwise.
    unsigned char chunk_kind[kRowChunks + 1];

    // Per column j: the pivots of the block whose row holds a non-zero in
    // column j (in pivot order) with that value at the pivot's turn.
    unsigned char column_pivots[kMaxGrid + 2][kPivotBlock];
    double pivot_row_value[kMaxGrid + 2][kPivotBlock];
    int column_pivot_count[kMaxGrid + 2];
};

// Instruction sets the update kernels of `solve` may use.
enum class SolveIsa {
    kAuto,      // the widest this processor offers
    kPortable,  // the baseline of the build (two-wide vectors)
};

}  // namespace kestor
