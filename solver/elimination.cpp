// Sparse Gauss-Jordan elimination of the system matrix, in blocks of pivots
// applied to panels of columns.
//
// Every entry a(i, j) receives, pivot after pivot in ascending order, the
// update a(i, j) - r a(k, j), r = a(i, k) / a(k, k), whenever row i is active
// at pivot k (i != k and a(i, k) != 0 at its turn) and column j is listed
// (j > k and a(k, j) != 0 at its turn): the numbers of the row-after-row
// sweep. Column k is final when pivot k comes, and row k does not change at
// pivot k, so different entries may be worked on in any order as long as each
// entry sees its pivots in ascending order. So the columns are taken a panel
// at a time, while the panel stays in cache: every earlier block of pivots is
// applied to it, block after block, then its own pivots, block after block.
// A block is applied to a column first on the rows of the block, one pivot
// after the other (they hold the pivot rows of the later pivots of the
// block), then on the other rows four at a time in vector registers, each
// lane an ordinary IEEE product and difference. Rows that are active for
// every pivot of the block, the bulk of a filled-in operator, take the whole
// block while they stay in registers.
#include <cstring>

#include "solver/linear.h"

namespace kestor {

namespace {

#define KESTOR_INLINE inline __attribute__((always_inline))

// Vectors of two and four doubles and the lane masks that go with them.
using V2 = double __attribute__((vector_size(2 * sizeof(double))));
using M2 = long long __attribute__((vector_size(2 * sizeof(long long))));
using V4 = double __attribute__((vector_size(4 * sizeof(double))));
using M4 = long long __attribute__((vector_size(4 * sizeof(long long))));

// All-ones in the lanes whose bit is set, for every four-bit pattern.
struct LaneMaskTable {
    long long m[16][4];
    constexpr LaneMaskTable() : m() {
        for (int bits = 0; bits < 16; ++bits) {
            for (int l = 0; l < 4; ++l) m[bits][l] = (bits >> l) & 1 ? -1 : 0;
        }
    }
};
constexpr LaneMaskTable kLaneMasks;

template <class Vec>
struct Lanes;
template <>
struct Lanes<V2> {
    static constexpr int kCount = 2;
    using Mask = M2;
    static void mask(unsigned bits, Mask& m) { std::memcpy(&m, kLaneMasks.m[bits], sizeof m); }
};
template <>
struct Lanes<V4> {
    static constexpr int kCount = 4;
    using Mask = M4;
    static void mask(unsigned bits, Mask& m) { std::memcpy(&m, kLaneMasks.m[bits], sizeof m); }
};

constexpr unsigned kAllLanes = (1u << kChunkRows) - 1u;

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
    const double (*factor)[kFactorStride];            // factor[b]: pivot k0 + b
    const unsigned char (*lanes)[kRowChunks + 1];      // lanes[b]
    const unsigned* row_codes;                         // row_codes[b]
    const int* usable;                                 // usable[b]
    const unsigned char* kind;                         // chunk kinds of the block
    // Per chunk, the first pivot from which on every later usable pivot has
    // every row of the chunk active; nullptr while the block is being taken.
    const unsigned char* full_from;

    Block(const SolveWork& s, int size, int first) : n(size), chunks((size + kChunkRows - 1) / kChunkRows) {
        index = (first - 1) / kPivotBlock;
        k0 = first;
        nb = n - k0 + 1 < kPivotBlock ? n - k0 + 1 : kPivotBlock;
        factor = s.factor + k0;
        lanes = s.lanes + k0;
        row_codes = s.block_row_codes + k0;
        usable = s.usable + k0;
        kind = s.chunk_kind[index];
        full_from = s.chunk_full_from[index];
    }
    int last() const { return k0 + nb - 1; }
};

template <class Vec>
KESTOR_INLINE void load(Vec& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}
template <class Vec>
KESTOR_INLINE void store(double* p, const Vec& v) {
    std::memcpy(p, &v, sizeof v);
}
template <class Vec>
KESTOR_INLINE void splat(Vec& v, double p) {
    for (int l = 0; l < Lanes<Vec>::kCount; ++l) v[l] = p;
}

// Lanes of `acc` whose bit is set take `u`, the others keep their bits.
template <class Vec>
KESTOR_INLINE void select_lanes(Vec& acc, const Vec& u, unsigned bits) {
    using Mask = typename Lanes<Vec>::Mask;
    Mask m;
    Lanes<Vec>::mask(bits, m);
    Mask r;
    std::memcpy(&r, &u, sizeof r);
    Mask old;
    std::memcpy(&old, &acc, sizeof old);
    r = (r & m) | (old & ~m);
    std::memcpy(&acc, &r, sizeof acc);
}

// The listed pivots of one column applied to NV vectors of rows from `row`
// on, every row active for every pivot: dst(i) = dst(i) - factor_b(i) *
// value_b, b in list order.
template <class Vec, int NV>
KESTOR_INLINE void dense_rows(double* dst, const Block& blk, int row, const unsigned char* piv,
                              const double* val, int count) {
    constexpr int W = Lanes<Vec>::kCount;
    Vec acc[NV];
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) load(acc[q], dst + W * q);
    for (int t = 0; t < count; ++t) {
        const double* f = blk.factor[piv[t]] + row;
        Vec v;
        splat(v, val[t]);
#pragma GCC unroll 16
        for (int q = 0; q < NV; ++q) {
            Vec fq;
            load(fq, f + W * q);
            acc[q] = acc[q] - fq * v;
        }
    }
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) store(dst + W * q, acc[q]);
}

// The first `count` pivots of the block applied to NV vectors of rows from
// `row` on in two columns at once, every row active for every pivot: each
// factor is loaded once for both columns.
template <class Vec, int NV>
KESTOR_INLINE void dense_rows_pair(double* dst0, double* dst1, const Block& blk, int row, const double* val0,
                                   const double* val1, int count) {
    constexpr int W = Lanes<Vec>::kCount;
    Vec acc0[NV], acc1[NV];
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) {
        load(acc0[q], dst0 + W * q);
        load(acc1[q], dst1 + W * q);
    }
    const double* f = blk.factor[0] + row;
    for (int t = 0; t < count; ++t, f += kFactorStride) {
        Vec v0, v1;
        splat(v0, val0[t]);
        splat(v1, val1[t]);
#pragma GCC unroll 16
        for (int q = 0; q < NV; ++q) {
            Vec fq;
            load(fq, f + W * q);
            acc0[q] = acc0[q] - fq * v0;
            acc1[q] = acc1[q] - fq * v1;
        }
    }
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) {
        store(dst0 + W * q, acc0[q]);
        store(dst1 + W * q, acc1[q]);
    }
}

// The same for G chunks from chunk c on (rows 4c+1..), each pivot with its
// own active rows per chunk; the chunks' updates are independent of each
// other and proceed side by side.
template <class Vec, int G>
KESTOR_INLINE void masked_rows(double* dst, const Block& blk, int c, const unsigned char* piv, const double* val,
                               int count, int plain_from) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kChunkRows / W;  // vectors per chunk
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    const int row = kChunkRows * c + 1;
    Vec acc[G * NV];
#pragma GCC unroll 16
    for (int q = 0; q < G * NV; ++q) load(acc[q], dst + W * q);
    const int masked = plain_from < count ? plain_from : count;
    for (int t = 0; t < masked; ++t) {
        const int b = piv[t];
        const double* f = blk.factor[b] + row;
        const unsigned char* codes = blk.lanes[b] + c;
        Vec v;
        splat(v, val[t]);
#pragma GCC unroll 16
        for (int q = 0; q < G * NV; ++q) {
            const unsigned bits = (codes[q / NV] >> (W * (q % NV))) & kVecLanes;
            if (bits == 0) continue;
            Vec fq;
            load(fq, f + W * q);
            const Vec u = acc[q] - fq * v;
            if (bits == kVecLanes) {
                acc[q] = u;
            } else {
                select_lanes(acc[q], u, bits);
            }
        }
    }
    // From plain_from on every row of the chunks is active for every pivot.
    for (int t = masked; t < count; ++t) {
        const double* f = blk.factor[piv[t]] + row;
        Vec v;
        splat(v, val[t]);
#pragma GCC unroll 16
        for (int q = 0; q < G * NV; ++q) {
            Vec fq;
            load(fq, f + W * q);
            acc[q] = acc[q] - fq * v;
        }
    }
#pragma GCC unroll 16
    for (int q = 0; q < G * NV; ++q) store(dst + W * q, acc[q]);
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
    for (int o = 0; o < bytes + 63; o += 64) __builtin_prefetch(p + o, 1);
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
                    dense_rows_pair<Vec, TV>(a.column(j) + row, a.column(j + 1) + row, blk, row,
                                                 s.pivot_row_value[j], s.pivot_row_value[j + 1], count);
                    j += 2;
                } else {
                    if (j + kPrefetchColumns <= j1) {
                        prefetch_rows(a, j + kPrefetchColumns, row, kTileChunks * kChunkRows);
                    }
                    dense_rows<Vec, TV>(a.column(j) + row, blk, row, s.column_pivots[j], s.pivot_row_value[j],
                                            count);
                    j += 1;
                }
            }
        }
        for (; c < end; ++c) {
            const int row = kChunkRows * c + 1;
            for (int j = j0; j <= j1; ++j) {
                dense_rows<Vec, kOne>(a.column(j) + row, blk, row, s.column_pivots[j], s.pivot_row_value[j],
                                      s.column_pivot_count[j]);
            }
        }
    }
}

// The first `allowed` pivots of the block applied to the block's own rows of
// column j, in pivot order, one at a time: each pivot row takes the earlier
// pivots before its value is read. Records the column's pivot list with the
// values of the pivot rows at their turn.
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
        const double* f = blk.factor[b] + blk.k0;
        const unsigned code = blk.row_codes[b];
        for (int q = 0; q < blk.nb; ++q) {
            if ((code >> q) & 1u) rows[q] = rows[q] - f[q] * v;
        }
    }
    s.column_pivot_count[j] = count;
    s.column_pivots_leading[j] = leading ? 1 : 0;
}

// The same for a full block, its rows held in vector registers.
template <class Vec>
KESTOR_INLINE void block_rows_full(SolveWork& s, const Block& blk, int allowed, double* col, int j) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kPivotBlock / W;
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    double* rows = col + blk.k0;
    unsigned char* piv = s.column_pivots[j];
    double* val = s.pivot_row_value[j];
    Vec acc[NV];
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) load(acc[q], rows + W * q);
    int count = 0;
    bool leading = true;
#pragma GCC unroll 16
    for (int b = 0; b < kPivotBlock; ++b) {
        if (b >= allowed) break;
        if (!blk.usable[b]) continue;
        const double p = acc[b / W][b % W];
        if (p == 0.0) continue;
        leading = leading && b == count;
        piv[count] = static_cast<unsigned char>(b);
        val[count] = p;
        ++count;
        const double* f = blk.factor[b] + blk.k0;
        const unsigned code = blk.row_codes[b];
        Vec v;
        splat(v, p);
#pragma GCC unroll 16
        for (int q = 0; q < NV; ++q) {
            const unsigned bits = (code >> (W * q)) & kVecLanes;
            if (bits == 0) continue;
            Vec fq;
            load(fq, f + W * q);
            const Vec u = acc[q] - fq * v;
            if (bits == kVecLanes) {
                acc[q] = u;
            } else {
                select_lanes(acc[q], u, bits);
            }
        }
    }
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) store(rows + W * q, acc[q]);
    s.column_pivot_count[j] = count;
    s.column_pivots_leading[j] = leading ? 1 : 0;
}

// The same for two columns side by side: each column's chain of pivots is
// sequential, the two chains are independent.
template <class Vec>
KESTOR_INLINE void block_rows_full_pair(SolveWork& s, const Block& blk, double* col0, double* col1, int j) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kPivotBlock / W;
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    double* rows0 = col0 + blk.k0;
    double* rows1 = col1 + blk.k0;
    unsigned char* piv0 = s.column_pivots[j];
    unsigned char* piv1 = s.column_pivots[j + 1];
    double* val0 = s.pivot_row_value[j];
    double* val1 = s.pivot_row_value[j + 1];
    Vec acc0[NV], acc1[NV];
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) {
        load(acc0[q], rows0 + W * q);
        load(acc1[q], rows1 + W * q);
    }
    int count0 = 0, count1 = 0;
    bool leading0 = true, leading1 = true;
#pragma GCC unroll 16
    for (int b = 0; b < kPivotBlock; ++b) {
        if (!blk.usable[b]) continue;
        const double p0 = acc0[b / W][b % W];
        const double p1 = acc1[b / W][b % W];
        const bool on0 = p0 != 0.0;
        const bool on1 = p1 != 0.0;
        if (on0) {
            leading0 = leading0 && b == count0;
            piv0[count0] = static_cast<unsigned char>(b);
            val0[count0] = p0;
            ++count0;
        }
        if (on1) {
            leading1 = leading1 && b == count1;
            piv1[count1] = static_cast<unsigned char>(b);
            val1[count1] = p1;
            ++count1;
        }
        const double* f = blk.factor[b] + blk.k0;
        const unsigned code = blk.row_codes[b];
        Vec v0, v1;
        splat(v0, p0);
        splat(v1, p1);
#pragma GCC unroll 16
        for (int q = 0; q < NV; ++q) {
            const unsigned bits = (code >> (W * q)) & kVecLanes;
            if (bits == 0) continue;
            Vec fq;
            load(fq, f + W * q);
            if (on0) {
                const Vec u = acc0[q] - fq * v0;
                if (bits == kVecLanes) {
                    acc0[q] = u;
                } else {
                    select_lanes(acc0[q], u, bits);
                }
            }
            if (on1) {
                const Vec u = acc1[q] - fq * v1;
                if (bits == kVecLanes) {
                    acc1[q] = u;
                } else {
                    select_lanes(acc1[q], u, bits);
                }
            }
        }
    }
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) {
        store(rows0 + W * q, acc0[q]);
        store(rows1 + W * q, acc1[q]);
    }
    s.column_pivot_count[j] = count0;
    s.column_pivot_count[j + 1] = count1;
    s.column_pivots_leading[j] = leading0 ? 1 : 0;
    s.column_pivots_leading[j + 1] = leading1 ? 1 : 0;
}

template <class Vec>
KESTOR_INLINE void block_rows(SolveWork& s, const Block& blk, SystemMatrix& a, int allowed, int j0, int j1) {
    int j = j0;
    if (blk.nb == kPivotBlock && allowed == kPivotBlock) {
        for (; j < j1; j += 2) block_rows_full_pair<Vec>(s, blk, a.column(j), a.column(j + 1), j);
    }
    for (; j <= j1; ++j) {
        if (blk.nb == kPivotBlock) {
            block_rows_full<Vec>(s, blk, allowed, a.column(j), j);
        } else {
            block_rows_scalar(s, blk, allowed, a.column(j), j);
        }
    }
}

void merge_chunk_kind(unsigned char& kind, unsigned code) {
    const unsigned char now = code == kAllLanes ? kDense : (code == 0 ? kEmpty : kMixed);
    if (kind == kUnset) {
        kind = now;
    } else if (kind != now) {
        kind = kMixed;
    }
}

// Bit l for each lane l of v that is not zero.
template <class Vec>
KESTOR_INLINE unsigned nonzero_lanes(const Vec& v) {
    const Vec zero = {};
    const auto nz = v != zero;
    unsigned bits = 0;
    for (int l = 0; l < Lanes<Vec>::kCount; ++l) bits |= static_cast<unsigned>(nz[l] & 1) << l;
    return bits;
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
    double* f = s.factor[k];
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
            bits |= nonzero_lanes(x[q]) << (W * q);
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

// Two builds: the baseline instruction set of the program (two-wide
// vectors) and, where the processor has it, four-wide vectors (without
// fused multiply-add, which that instruction set does not contain).
void eliminate_panel_portable(SolveWork& s, SystemMatrix& a, int n, int p0, int p1, long long* count) {
    eliminate_panel<V2, 4>(s, a, n, p0, p1, count);
}

__attribute__((target("avx2"))) void eliminate_panel_wide(SolveWork& s, SystemMatrix& a, int n, int p0, int p1,
                                                          long long* count) {
    eliminate_panel<V4, 4>(s, a, n, p0, p1, count);
}

// `count`, when given, receives the number of entries updated.
void eliminate(double* x, SystemMatrix& a, int n, SolveWork& s, bool wide, long long* count) {
    if (n < 1 || n > kMaxCells) return;
    for (int i = 1; i <= n; ++i) s.JA[i] = 0;
    const int rhs = n + 1;
    for (int p0 = 1; p0 <= rhs; p0 += kPanelColumns) {
        const int p1 = p0 + kPanelColumns - 1 < rhs ? p0 + kPanelColumns - 1 : rhs;
        if (wide) {
            eliminate_panel_wide(s, a, n, p0, p1, count);
        } else {
            eliminate_panel_portable(s, a, n, p0, p1, count);
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (a(i, i) != 0.0) x[i] = a(i, rhs) / a(i, i);
    }
}

bool wide_vectors(SolveIsa isa) {
    if (isa == SolveIsa::kPortable) return false;
    return __builtin_cpu_supports("avx2") != 0;
}

}  // namespace

void solve(double* x, SystemMatrix& a, int n, SolveWork& work, SolveIsa isa) {
    eliminate(x, a, n, work, wide_vectors(isa), nullptr);
}

long long solve_counted(double* x, SystemMatrix& a, int n, SolveWork& work) {
    long long count = 0;
    eliminate(x, a, n, work, wide_vectors(SolveIsa::kAuto), &count);
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
        prof.solve_updates += solve_counted(x, w.A, w.n, w.solve_work);
    } else {
        solve(x, w.A, w.n, w.solve_work, w.kernel_isa);
    }
    prof.solve_seconds += profile_now() - start;
    ++prof.solve_calls;
}

}  // namespace kestor
