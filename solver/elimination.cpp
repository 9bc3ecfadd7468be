// Sparse Gauss-Jordan elimination of the system matrix, in blocks of pivots
// applied to panels of columns.
//
// The numbers. Pivot k (k = 1..n in turn) updates every entry a(i, j) whose
// row is active (i != k, a(i, k) != 0 at its turn) and whose column is listed
// (j > k, a(k, j) != 0 at its turn): a(i, j) = a(i, j) - r a(k, j), with the
// factor r = a(i, k) / a(k, k) formed once by a division, as a product and a
// difference (-ffp-contract=off keeps them apart). A zero pivot updates
// nothing. That is the row-after-row sweep of solver/row_order_solve.cpp,
// and this code gives its bits in every entry. Column k is final when pivot k
// comes and row k does not change at pivot k, so an entry's value depends
// only on the sequence of pivots it sees; the entries may be worked on in any
// order as long as each sees its pivots in ascending order, each with the
// same factor and the same pivot-row value. Everything below only reorders
// whole entry updates on that rule, and each vector lane is one such update.
//
// The shape.
// - Blocks: pivots k0..k0+15 (kPivotBlock); the last block may be shorter.
// - Panels: kPanelColumns columns (the right-hand side n+1 included) kept in
//   cache together. For each panel, every earlier block is applied to it,
//   block after block, then the blocks that start in it are taken: their own
//   columns one after the other (brought up to date, then taken as pivots,
//   which writes the block's tables), then the rest of the panel.
// - A block applied to a column: first its own rows, one pivot after the
//   other (they hold the pivot rows of the later pivots of the block), which
//   yields the column's pivot list (the pivots whose row holds a non-zero in
//   the column at its turn, with that value); then every other row, with the
//   listed pivots, four rows (a chunk) at a time in vector registers.
// - Row codes (block_row_codes): per pivot, bit q for row k0 + q of its
//   block when that row is active.
// - Lanes (lanes): per pivot and chunk c (rows 4c+1..4c+4), bit l for row
//   4c+1+l when active and outside the pivot's block. Inactive lanes keep
//   their bits, so a zero factor never meets an infinity or a NaN.
// - Chunk kinds (chunk_kind): per block and chunk, over its usable pivots:
//   no row active (skipped), every row active for every pivot (dense: no
//   masks, runs of them go TV vectors at a time, two columns at a time where
//   the columns' lists agree), or mixed (masked, up to four chunks at once).
// - full_from (chunk_full_from): per block and chunk, the first pivot from
//   which on every usable pivot has every row of the chunk active. A column
//   whose list is the block's leading pivots (column_pivots_leading) drops
//   the masks from there on: the bulk of a filled-in operator.
// - Vectors (vector_lanes.h): two-wide on every processor (SSE2 on x86-64,
//   Advanced SIMD on aarch64), four-wide where an x86 processor has AVX2;
//   SolveIsa chooses, the numbers are the same.
// - Factor columns start where row 1 falls on a cache line (factor_column),
//   so that the speed does not depend on where the work area lies.
// Every entry update, masked or not, goes through one body, update_rows,
// except in the own rows of the short last block: block_rows_scalar updates
// those one entry at a time, with the same product and difference.
//
// The gain, bench/solve_bench at n = 1000 against the row-after-row sweep on
// the same storage (best of several, AMD EPYC, a loaded machine): the
// operator-shaped system 23 ms against 340 ms (15x; two-wide vectors 42 ms,
// 8x), the filled-in system 32 ms against 600-700 ms (20x; two-wide 60 ms,
// 11x).
#include <cstdint>

#include "solver/linear.h"
#include "solver/vector_lanes.h"

namespace kestor {

namespace {

using lanes::Lanes;
using lanes::load;
using lanes::select_lanes;
using lanes::splat;
using lanes::store;
using lanes::V2;

constexpr unsigned kAllLanes = (1u << kChunkRows) - 1u;

// Column of the factors of pivot k (row i at [i]). The columns start where
// row 1, the first row of chunk 0, falls on a cache line, wherever the work
// area lies: the vector loads of a chunk then never straddle two lines.
static_assert(kFactorStride % kLineDoubles == 0, "factor columns keep the alignment of the first");
constexpr int kLineBytes = kLineDoubles * static_cast<int>(sizeof(double));
double* factor_column(SolveWork& s, int k) {
    constexpr std::uintptr_t kLine = kLineBytes;
    const std::uintptr_t row1 = reinterpret_cast<std::uintptr_t>(s.factor + 1);
    const std::size_t shift = ((kLine - row1 % kLine) % kLine) / sizeof(double);
    return s.factor + shift + static_cast<std::size_t>(k) * kFactorStride;
}

// Chunk kinds over the usable pivots of the block seen so far.
enum ChunkKind : unsigned char { kUnset = 0, kEmpty = 1, kDense = 2, kMixed = 3 };

// The pivots k0..k0+nb-1 (block `index`) of a system of n equations whose
// rows fall into `chunks` chunks, with the tables of those pivots.
struct Block {
    int n;
    int chunks;
    int index;
    int k0;
    int nb;
    const double* factor0;                             // factors of pivot k0
    const unsigned char (*lanes)[kRowChunks + 1];      // lanes[b]
    const unsigned* row_codes;                         // row_codes[b]
    const int* usable;                                 // usable[b]
    const unsigned char* kind;                         // chunk kinds of the block
    // Per chunk, the first pivot from which on every later usable pivot has
    // every row of the chunk active; nullptr while the block is being taken.
    const unsigned char* full_from;

    Block(SolveWork& s, int size, int first) : n(size), chunks((size + kChunkRows - 1) / kChunkRows) {
        index = (first - 1) / kPivotBlock;
        k0 = first;
        nb = n - k0 + 1 < kPivotBlock ? n - k0 + 1 : kPivotBlock;
        factor0 = factor_column(s, k0);
        lanes = s.lanes + k0;
        row_codes = s.block_row_codes + k0;
        usable = s.usable + k0;
        kind = s.chunk_kind[index];
        full_from = s.chunk_full_from[index];
    }
    int last() const { return k0 + nb - 1; }
    const double* factor(int b) const { return factor0 + static_cast<std::size_t>(b) * kFactorStride; }
};

// Which rows of the registers a pivot updates, as the lane bits of vector q
// (bit l for its lane l): every row, the bits of one code (bit W q + l), or
// the lane codes of consecutive chunks (kChunkRows bits each).
template <class Vec>
struct AllRows {
    KESTOR_INLINE unsigned operator()(int) const { return (1u << Lanes<Vec>::kCount) - 1u; }
};
template <class Vec>
struct CodedRows {
    unsigned code;
    KESTOR_INLINE unsigned operator()(int q) const {
        constexpr int W = Lanes<Vec>::kCount;
        return (code >> (W * q)) & ((1u << W) - 1u);
    }
};
template <class Vec>
struct ChunkRows {
    const unsigned char* lanes;  // lane codes of the chunks
    KESTOR_INLINE unsigned operator()(int q) const {
        constexpr int W = Lanes<Vec>::kCount;
        constexpr int kPerChunk = kChunkRows / W;  // vectors per chunk
        return (lanes[q / kPerChunk] >> (W * (q % kPerChunk))) & ((1u << W) - 1u);
    }
};

// One pivot applied to NQ vectors of rows held in registers, in C columns at
// once: acc[c][q] = acc[c][q] - f(q) * v[c] for each column c that lists the
// pivot (on[c]), in the lanes whose rows `rows` marks active; the other
// lanes keep their bits. Each factor is loaded once for all the columns.
// Every entry update of the elimination goes through here, but for the own
// rows of a short block (block_rows_scalar).
template <class Vec, int NQ, int C, class Rows>
KESTOR_INLINE void update_rows(Vec (&acc)[C][NQ], const double* f, const Vec (&v)[C], const bool (&on)[C],
                               const Rows& rows) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr unsigned kVecLanes = (1u << W) - 1u;
#pragma GCC unroll 16
    for (int q = 0; q < NQ; ++q) {
        const unsigned bits = rows(q);
        if (bits == 0) continue;
        Vec fq;
        load(fq, f + W * q);
#pragma GCC unroll 4
        for (int c = 0; c < C; ++c) {
            if (!on[c]) continue;
            const Vec u = acc[c][q] - fq * v[c];
            if (bits == kVecLanes) {
                acc[c][q] = u;
            } else {
                select_lanes(acc[c][q], u, bits);
            }
        }
    }
}

template <int C>
KESTOR_INLINE void all_on(bool (&on)[C]) {
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) on[c] = true;
}

// The listed pivots of a column applied to NV vectors of rows from `row` on,
// every row active for every pivot. With C > 1, C columns side by side whose
// lists are all the block's first `count` pivots (their values val[c]):
// each factor is loaded once for all of them.
template <class Vec, int NV, int C>
KESTOR_INLINE void dense_rows(double* const (&dst)[C], const Block& blk, int row, const unsigned char* piv,
                              const double* const (&val)[C], int count) {
    constexpr int W = Lanes<Vec>::kCount;
    Vec acc[C][NV];
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
#pragma GCC unroll 16
        for (int q = 0; q < NV; ++q) load(acc[c][q], dst[c] + W * q);
    }
    bool on[C];
    all_on(on);
    const double* f = blk.factor0 + row;
    for (int t = 0; t < count; ++t, f += kFactorStride) {
        Vec v[C];
#pragma GCC unroll 4
        for (int c = 0; c < C; ++c) splat(v[c], val[c][t]);
        // Side by side, the t-th listed pivot is the block's t-th.
        update_rows<Vec, NV, C>(acc, C > 1 ? f : blk.factor(piv[t]) + row, v, on, AllRows<Vec>{});
    }
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
#pragma GCC unroll 16
        for (int q = 0; q < NV; ++q) store(dst[c] + W * q, acc[c][q]);
    }
}

// The same for G mixed chunks from chunk c on (rows 4c+1..) of one column,
// each pivot with its own active rows per chunk; from plain_from on every row
// of the chunks is active for every pivot.
template <class Vec, int G>
KESTOR_INLINE void masked_rows(double* dst, const Block& blk, int c, const unsigned char* piv, const double* val,
                               int count, int plain_from) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NQ = G * kChunkRows / W;
    const int row = kChunkRows * c + 1;
    Vec acc[1][NQ];
#pragma GCC unroll 16
    for (int q = 0; q < NQ; ++q) load(acc[0][q], dst + W * q);
    const bool on[1] = {true};
    const int masked = plain_from < count ? plain_from : count;
    for (int t = 0; t < masked; ++t) {
        const int b = piv[t];
        Vec v[1];
        splat(v[0], val[t]);
        update_rows<Vec, NQ, 1>(acc, blk.factor(b) + row, v, on, ChunkRows<Vec>{blk.lanes[b] + c});
    }
    for (int t = masked; t < count; ++t) {
        Vec v[1];
        splat(v[0], val[t]);
        update_rows<Vec, NQ, 1>(acc, blk.factor(piv[t]) + row, v, on, AllRows<Vec>{});
    }
#pragma GCC unroll 16
    for (int q = 0; q < NQ; ++q) store(dst + W * q, acc[0][q]);
}

// Up to four mixed chunks from c on, of one column.
template <class Vec>
KESTOR_INLINE void masked_group(double* dst, const Block& blk, int c, int g, const unsigned char* piv,
                                const double* val, int count, int plain_from) {
    switch (g) {
        case 4:
            masked_rows<Vec, 4>(dst, blk, c, piv, val, count, plain_from);
            break;
        case 3:
            masked_rows<Vec, 3>(dst, blk, c, piv, val, count, plain_from);
            break;
        case 2:
            masked_rows<Vec, 2>(dst, blk, c, piv, val, count, plain_from);
            break;
        default:
            masked_rows<Vec, 1>(dst, blk, c, piv, val, count, plain_from);
            break;
    }
}

// Columns ahead of the one being updated whose rows are fetched early: a
// chunk of each column lies in its own memory page, where the processor
// would not fetch ahead by itself.
constexpr int kPrefetchColumns = 4;

// Starts fetching `rows` rows of column j from `row` on.
KESTOR_INLINE void prefetch_rows(const SystemMatrix& a, int j, int row, int rows) {
    const char* p = reinterpret_cast<const char*>(a.column(j) + row);
    const int bytes = rows * static_cast<int>(sizeof(double));
    for (int o = 0; o < bytes + kLineBytes - 1; o += kLineBytes) __builtin_prefetch(p + o, 1);
}

// The block's pivots applied to the rows outside the block of columns
// j0..j1, chunk after chunk (so that a chunk's factors stay in cache), each
// column with its own pivot list. Runs of dense chunks go TV vectors of rows
// at a time, two columns at a time where their lists agree.
template <class Vec, int TV>
KESTOR_INLINE void other_rows(SystemMatrix& a, const SolveWork& s, const Block& blk, int j0, int j1) {
    constexpr int kTileChunks = TV * Lanes<Vec>::kCount / kChunkRows;  // chunks per tile
    constexpr int kOne = kChunkRows / Lanes<Vec>::kCount;               // vectors per chunk
    const unsigned char* kind = blk.kind;
    const int chunks = blk.chunks;
    int c = 0;
    while (c < chunks) {
        if (kind[c] == kMixed) {
            int g = 1;
            while (g < 4 && c + g < chunks && kind[c + g] == kMixed) ++g;
            // Pivots from which on every row of the group is active, when known.
            int full_from = kPivotBlock;
            if (blk.full_from != nullptr) {
                full_from = 0;
                for (int e = c; e < c + g; ++e) {
                    if (blk.full_from[e] > full_from) full_from = blk.full_from[e];
                }
            }
            const int row = kChunkRows * c + 1;
            for (int j = j0; j <= j1; ++j) {
                const int count = s.column_pivot_count[j];
                const int plain_from = s.column_pivots_leading[j] ? full_from : count;
                masked_group<Vec>(a.column(j) + row, blk, c, g, s.column_pivots[j], s.pivot_row_value[j], count,
                                  plain_from);
            }
            c += g;
            continue;
        }
        if (kind[c] != kDense) {
            ++c;
            continue;
        }
        int end = c;
        while (end < chunks && kind[end] == kDense) ++end;
        for (; c + kTileChunks <= end; c += kTileChunks) {
            const int row = kChunkRows * c + 1;
            int j = j0;
            while (j <= j1) {
                const int count = s.column_pivot_count[j];
                if (j < j1 && s.column_pivots_leading[j] && s.column_pivots_leading[j + 1] &&
                    s.column_pivot_count[j + 1] == count) {
                    if (j + kPrefetchColumns + 1 <= j1) {
                        prefetch_rows(a, j + kPrefetchColumns, row, kTileChunks * kChunkRows);
                        prefetch_rows(a, j + kPrefetchColumns + 1, row, kTileChunks * kChunkRows);
                    }
                    double* const dst[2] = {a.column(j) + row, a.column(j + 1) + row};
                    const double* const val[2] = {s.pivot_row_value[j], s.pivot_row_value[j + 1]};
                    dense_rows<Vec, TV, 2>(dst, blk, row, s.column_pivots[j], val, count);
                    j += 2;
                } else {
                    if (j + kPrefetchColumns <= j1) {
                        prefetch_rows(a, j + kPrefetchColumns, row, kTileChunks * kChunkRows);
                    }
                    double* const dst[1] = {a.column(j) + row};
                    const double* const val[1] = {s.pivot_row_value[j]};
                    dense_rows<Vec, TV, 1>(dst, blk, row, s.column_pivots[j], val, count);
                    j += 1;
                }
            }
        }
        for (; c < end; ++c) {
            const int row = kChunkRows * c + 1;
            for (int j = j0; j <= j1; ++j) {
                double* const dst[1] = {a.column(j) + row};
                const double* const val[1] = {s.pivot_row_value[j]};
                dense_rows<Vec, kOne, 1>(dst, blk, row, s.column_pivots[j], val, s.column_pivot_count[j]);
            }
        }
    }
}

// The first `allowed` pivots of a short block (the last one) applied to the
// block's own rows of column j, in pivot order, one at a time: each pivot
// row takes the earlier pivots before its value is read. Records the
// column's pivot list with the values of the pivot rows at their turn.
KESTOR_INLINE void block_rows_scalar(SolveWork& s, const Block& blk, int allowed, double* col, int j) {
    double* rows = col + blk.k0;
    unsigned char* piv = s.column_pivots[j];
    double* val = s.pivot_row_value[j];
    int count = 0;
    bool leading = true;
    for (int b = 0; b < allowed; ++b) {
        if (!blk.usable[b]) continue;
        const double v = rows[b];
        if (v == 0.0) continue;
        leading = leading && b == count;
        piv[count] = static_cast<unsigned char>(b);
        val[count] = v;
        ++count;
        const double* f = blk.factor(b) + blk.k0;
        const unsigned code = blk.row_codes[b];
        for (int q = 0; q < blk.nb; ++q) {
            if ((code >> q) & 1u) rows[q] = rows[q] - f[q] * v;
        }
    }
    s.column_pivot_count[j] = count;
    s.column_pivots_leading[j] = leading ? 1 : 0;
}

// The same for a full block in C columns j..j+C-1 side by side, the block's
// rows held in vector registers: each column's chain of pivots is
// sequential, the columns' chains are independent.
template <class Vec, int C>
KESTOR_INLINE void block_rows_vectors(SolveWork& s, const Block& blk, int allowed, SystemMatrix& a, int j) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NQ = kPivotBlock / W;
    Vec acc[C][NQ];
    int count[C];
    bool leading[C];
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
#pragma GCC unroll 16
        for (int q = 0; q < NQ; ++q) load(acc[c][q], a.column(j + c) + blk.k0 + W * q);
        count[c] = 0;
        leading[c] = true;
    }
#pragma GCC unroll 16
    for (int b = 0; b < kPivotBlock; ++b) {
        if (b >= allowed) break;
        if (!blk.usable[b]) continue;
        Vec v[C];
        bool on[C];
        bool any = false;
#pragma GCC unroll 4
        for (int c = 0; c < C; ++c) {
            const double p = acc[c][b / W][b % W];
            on[c] = p != 0.0;
            splat(v[c], p);
            if (!on[c]) continue;
            any = true;
            leading[c] = leading[c] && b == count[c];
            s.column_pivots[j + c][count[c]] = static_cast<unsigned char>(b);
            s.pivot_row_value[j + c][count[c]] = p;
            ++count[c];
        }
        if (!any) continue;
        update_rows<Vec, NQ, C>(acc, blk.factor(b) + blk.k0, v, on, CodedRows<Vec>{blk.row_codes[b]});
    }
#pragma GCC unroll 4
    for (int c = 0; c < C; ++c) {
#pragma GCC unroll 16
        for (int q = 0; q < NQ; ++q) store(a.column(j + c) + blk.k0 + W * q, acc[c][q]);
        s.column_pivot_count[j + c] = count[c];
        s.column_pivots_leading[j + c] = leading[c] ? 1 : 0;
    }
}

// The first `allowed` pivots of the block applied to its own rows of
// columns j0..j1, two columns at a time when the whole block applies.
template <class Vec>
KESTOR_INLINE void block_rows(SolveWork& s, const Block& blk, SystemMatrix& a, int allowed, int j0, int j1) {
    int j = j0;
    if (blk.nb != kPivotBlock) {
        for (; j <= j1; ++j) block_rows_scalar(s, blk, allowed, a.column(j), j);
        return;
    }
    if (allowed == kPivotBlock) {
        for (; j < j1; j += 2) block_rows_vectors<Vec, 2>(s, blk, allowed, a, j);
    }
    for (; j <= j1; ++j) block_rows_vectors<Vec, 1>(s, blk, allowed, a, j);
}

void merge_chunk_kind(unsigned char& kind, unsigned code) {
    const unsigned char now = code == kAllLanes ? kDense : (code == 0 ? kEmpty : kMixed);
    if (kind == kUnset) {
        kind = now;
    } else if (kind != now) {
        kind = kMixed;
    }
}

// Pivot k = k0 + b from its final column: the factors a(i, k) / a(k, k) of
// the active rows i (i <= n, i != k, a(i, k) != 0; 0 elsewhere) and where
// those rows lie. A zero pivot cannot eliminate its column: it is skipped,
// and the couplings to variable k stay in the other rows.
template <class Vec>
KESTOR_INLINE void take_pivot(SolveWork& s, const Block& blk, const double* col, int b) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kChunkRows / W;
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    const int k = blk.k0 + b;
    const double pivot = col[k];
    const bool usable = pivot != 0.0;
    double* f = factor_column(s, k);
    unsigned char* lanes = s.lanes[k];
    unsigned char* kind = s.chunk_kind[blk.index];
    // Chunks that need more than the non-zero test: the pivot's own row, the
    // rows of the block, rows beyond n.
    const int pivot_chunk = (k - 1) / kChunkRows;
    const int first_block_chunk = (blk.k0 - 1) / kChunkRows;
    const int last_block_chunk = (blk.last() - 1) / kChunkRows;
    const int last_chunk = blk.chunks - 1;
    const unsigned last_lanes = (1u << (blk.n - kChunkRows * last_chunk)) - 1u;
    const Vec zero = {};
    Vec pv;
    splat(pv, pivot);
    unsigned block_code = 0;
    int active = 0;
    for (int c = 0; c < blk.chunks; ++c) {
        const int row = kChunkRows * c + 1;
        unsigned bits = 0;
        Vec x[NV];
        for (int q = 0; q < NV; ++q) {
            load(x[q], col + row + W * q);
            bits |= lanes::nonzero_lanes(x[q]) << (W * q);
        }
        if (!usable) bits = 0;
        if (c == pivot_chunk) bits &= ~(1u << (k - row));
        if (c == last_chunk) bits &= last_lanes;
        active += __builtin_popcount(bits);
        for (int q = 0; q < NV; ++q) {
            const unsigned vb = (bits >> (W * q)) & kVecLanes;
            Vec r = zero;
            if (vb != 0) select_lanes(r, x[q] / pv, vb);
            store(f + row + W * q, r);
        }
        unsigned outside = bits;
        if (c >= first_block_chunk && c <= last_block_chunk) {
            // Rows of the block are the block's own business.
            for (int l = 0; l < kChunkRows; ++l) {
                const int i = row + l;
                if (i < blk.k0 || i > blk.last()) continue;
                outside &= ~(1u << l);
                if (bits & (1u << l)) block_code |= 1u << (i - blk.k0);
            }
        }
        lanes[c] = static_cast<unsigned char>(outside);
        if (usable) merge_chunk_kind(kind[c], outside);
    }
    s.block_row_codes[k] = block_code;
    s.usable[k] = usable ? 1 : 0;
    s.active_rows[k] = active;
}

// Entries updated by the block in columns j0..j1: each listed pivot of a
// column updates all its active rows.
long long listed_updates(const SolveWork& s, const Block& blk, int j0, int j1) {
    long long count = 0;
    for (int j = j0; j <= j1; ++j) {
        const int listed = s.column_pivot_count[j];
        for (int t = 0; t < listed; ++t) count += s.active_rows[blk.k0 + s.column_pivots[j][t]];
    }
    return count;
}

// A block of pivots applied to columns j0..j1, all beyond the block.
template <class Vec, int TV>
KESTOR_INLINE void apply_block(SolveWork& s, SystemMatrix& a, const Block& blk, int j0, int j1, long long* count) {
    block_rows<Vec>(s, blk, a, blk.nb, j0, j1);
    other_rows<Vec, TV>(a, s, blk, j0, j1);
    if (count != nullptr) *count += listed_updates(s, blk, j0, j1);
}

// The block's own columns, one after the other: each brought up to date
// with the pivots of the block before it, then taken as pivot.
template <class Vec, int TV>
KESTOR_INLINE void take_block(SolveWork& s, SystemMatrix& a, const Block& full, long long* count) {
    Block blk = full;
    blk.full_from = nullptr;
    unsigned char* kind = s.chunk_kind[blk.index];
    for (int c = 0; c < blk.chunks; ++c) kind[c] = kUnset;
    for (int b = 0; b < blk.nb; ++b) {
        const int k = blk.k0 + b;
        block_rows<Vec>(s, blk, a, b, k, k);
        other_rows<Vec, TV>(a, s, blk, k, k);
        if (count != nullptr) *count += listed_updates(s, blk, k, k);
        take_pivot<Vec>(s, blk, a.column(k), b);
    }
    unsigned char* full_from = s.chunk_full_from[blk.index];
    for (int c = 0; c < blk.chunks; ++c) {
        int b = blk.nb;
        while (b > 0 && (!blk.usable[b - 1] || blk.lanes[b - 1][c] == kAllLanes)) --b;
        full_from[c] = static_cast<unsigned char>(b);
    }
}

// Columns p0..p1 (a panel; p0 is the first column of a block): every block
// before the panel, then the blocks that start in it.
template <class Vec, int TV>
KESTOR_INLINE void eliminate_panel(SolveWork& s, SystemMatrix& a, int n, int p0, int p1, long long* count) {
    for (int k0 = 1; k0 < p0; k0 += kPivotBlock) apply_block<Vec, TV>(s, a, Block(s, n, k0), p0, p1, count);
    for (int k0 = p0; k0 <= p1 && k0 <= n; k0 += kPivotBlock) {
        const Block blk(s, n, k0);
        take_block<Vec, TV>(s, a, blk, count);
        if (blk.last() < p1) apply_block<Vec, TV>(s, a, blk, blk.last() + 1, p1, count);
    }
}

// Two builds: two-wide vectors, the baseline of every processor the program
// is built for, and on x86 with AVX2 four-wide vectors (without fused
// multiply-add, which that instruction set does not contain).
using PanelKernel = void (*)(SolveWork&, SystemMatrix&, int, int, int, long long*);

void eliminate_panel_portable(SolveWork& s, SystemMatrix& a, int n, int p0, int p1, long long* count) {
    eliminate_panel<V2, 4>(s, a, n, p0, p1, count);
}

#if KESTOR_WIDE_VECTORS
KESTOR_TARGET_WIDE void eliminate_panel_wide(SolveWork& s, SystemMatrix& a, int n, int p0, int p1,
                                             long long* count) {
    eliminate_panel<lanes::V4, 4>(s, a, n, p0, p1, count);
}
#endif

PanelKernel panel_kernel(SolveIsa isa) {
#if KESTOR_WIDE_VECTORS
    if (lanes::use_wide_vectors(isa)) return eliminate_panel_wide;
#endif
    (void)isa;
    return eliminate_panel_portable;
}

// `count`, when given, receives the number of entries updated.
void eliminate(double* x, SystemMatrix& a, int n, SolveWork& s, SolveIsa isa, long long* count) {
    if (n < 1 || n > kMaxCells) return;
    const PanelKernel kernel = panel_kernel(isa);
    const int rhs = n + 1;
    for (int p0 = 1; p0 <= rhs; p0 += kPanelColumns) {
        const int p1 = p0 + kPanelColumns - 1 < rhs ? p0 + kPanelColumns - 1 : rhs;
        kernel(s, a, n, p0, p1, count);
    }
    for (int i = 1; i <= n; ++i) {
        if (a(i, i) != 0.0) x[i] = a(i, rhs) / a(i, i);
    }
}

}  // namespace

void solve(double* x, SystemMatrix& a, int n, SolveWork& work, SolveIsa isa) {
    eliminate(x, a, n, work, isa, nullptr);
}

long long solve_counted(double* x, SystemMatrix& a, int n, SolveWork& work, SolveIsa isa) {
    long long count = 0;
    eliminate(x, a, n, work, isa, &count);
    return count;
}

void solve_system(SolverWork& w, double* x) {
    SolverProfile& prof = w.profile;
    if (!prof.enabled) {
        solve(x, w.A, w.n, w.solve_work, w.kernel_isa);
        return;
    }
    const double start = profile_now();
    if (prof.count_updates) {
        prof.solve_updates += solve_counted(x, w.A, w.n, w.solve_work, w.kernel_isa);
    } else {
        solve(x, w.A, w.n, w.solve_work, w.kernel_isa);
    }
    prof.solve_seconds += profile_now() - start;
    ++prof.solve_calls;
}

}  // namespace kestor
