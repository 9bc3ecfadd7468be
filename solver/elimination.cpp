// Sparse Gauss-Jordan elimination of the system matrix, in blocks of pivots.
//
// Every entry a(i, j) receives, pivot after pivot in ascending order, the
// update a(i, j) - r a(k, j), r = a(i, k) / a(k, k), whenever row i is active
// at pivot k (i != k and a(i, k) != 0 at its turn) and column j is listed
// (j > k and a(k, j) != 0 at its turn): the numbers of the row-after-row
// sweep. Column k is final when pivot k comes, and row k does not change at
// pivot k, so different entries may be worked on in any order as long as each
// entry sees its pivots in ascending order. A block of pivots is therefore
// applied to each later column at once: first to the rows of the block, one
// pivot after the other (they hold the pivot rows of the later pivots), then
// to the other rows four at a time in vector registers, each lane an ordinary
// IEEE product and difference. Rows that are active for every pivot of the
// block, the bulk of a filled-in operator, take the whole block while they
// stay in registers.
#include <cstring>

#include "solver/linear.h"

namespace kestor {

namespace {

// Vectors of two and four doubles and the lane masks that go with them.
using V2 = double __attribute__((vector_size(2 * sizeof(double))));
using M2 = long long __attribute__((vector_size(2 * sizeof(long long))));
using V4 = double __attribute__((vector_size(4 * sizeof(double))));
using M4 = long long __attribute__((vector_size(4 * sizeof(long long))));

template <class Vec>
struct Lanes;
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

#define KESTOR_INLINE inline __attribute__((always_inline))

constexpr unsigned kAllLanes = (1u << kChunkRows) - 1u;

// Chunk kinds over the usable pivots of the block seen so far.
enum ChunkKind : unsigned char { kUnset = 0, kEmpty = 1, kDense = 2, kMixed = 3 };

// The pivots k0..k0+nb-1 of a system of n equations in `chunks` chunks of rows.
struct BlockSpan {
    int n;
    int chunks;
    int k0;
    int nb;
};

// Entries updated so far, counted only by the profiling variant.
template <bool Count>
struct UpdateCount {
    void add(long long) {}
};
template <>
struct UpdateCount<true> {
    long long n = 0;
    void add(long long rows) { n += rows; }
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
KESTOR_INLINE void dense_rows(double* dst, const SolveWork& s, int row, const unsigned char* piv,
                              const double* val, int count) {
    constexpr int W = Lanes<Vec>::kCount;
    Vec acc[NV];
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) load(acc[q], dst + W * q);
    for (int t = 0; t < count; ++t) {
        const double* f = s.factor[piv[t]] + row;
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

// The same for G chunks from chunk c on (rows 4c+1..), each pivot with its
// own active rows per chunk; the chunks' updates are independent of each
// other and proceed side by side.
template <class Vec, int G>
KESTOR_INLINE void masked_rows(double* dst, const SolveWork& s, int c, const unsigned char* piv, const double* val,
                               int count) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kChunkRows / W;  // vectors per chunk
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    const int row = kChunkRows * c + 1;
    Vec acc[G * NV];
#pragma GCC unroll 16
    for (int q = 0; q < G * NV; ++q) load(acc[q], dst + W * q);
    for (int t = 0; t < count; ++t) {
        const int b = piv[t];
        const double* f = s.factor[b] + row;
        const unsigned char* codes = s.lanes[b] + c;
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
#pragma GCC unroll 16
    for (int q = 0; q < G * NV; ++q) store(dst + W * q, acc[q]);
}

// Up to four mixed chunks from c on, of one column.
template <class Vec>
KESTOR_INLINE void masked_group(double* dst, const SolveWork& s, int c, int g, const unsigned char* piv,
                                const double* val, int count) {
    switch (g) {
        case 4:
            masked_rows<Vec, 4>(dst, s, c, piv, val, count);
            break;
        case 3:
            masked_rows<Vec, 3>(dst, s, c, piv, val, count);
            break;
        case 2:
            masked_rows<Vec, 2>(dst, s, c, piv, val, count);
            break;
        default:
            masked_rows<Vec, 1>(dst, s, c, piv, val, count);
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
// column with its own pivot list. Runs of dense chunks go NV vectors at a time.
template <class Vec, int NV>
KESTOR_INLINE void other_rows(SystemMatrix& a, const SolveWork& s, int chunks, int j0, int j1) {
    constexpr int kStep = NV * Lanes<Vec>::kCount / kChunkRows;  // chunks per wide step
    constexpr int kOne = kChunkRows / Lanes<Vec>::kCount;        // vectors per chunk
    int c = 0;
    while (c < chunks) {
        const int kind = s.chunk_kind[c];
        if (kind == kMixed) {
            int g = 1;
            while (g < 4 && c + g < chunks && s.chunk_kind[c + g] == kMixed) ++g;
            const int row = kChunkRows * c + 1;
            for (int j = j0; j <= j1; ++j) {
                masked_group<Vec>(a.column(j) + row, s, c, g, s.column_pivots[j], s.pivot_row_value[j],
                                  s.column_pivot_count[j]);
            }
            c += g;
            continue;
        }
        if (kind != kDense) {
            ++c;
            continue;
        }
        int end = c;
        while (end < chunks && s.chunk_kind[end] == kDense) ++end;
        for (; c + kStep <= end; c += kStep) {
            const int row = kChunkRows * c + 1;
            for (int j = j0; j <= j1; ++j) {
                if (j + kPrefetchColumns <= j1) prefetch_rows(a, j + kPrefetchColumns, row, kStep * kChunkRows);
                dense_rows<Vec, NV>(a.column(j) + row, s, row, s.column_pivots[j], s.pivot_row_value[j],
                                    s.column_pivot_count[j]);
            }
        }
        for (; c < end; ++c) {
            const int row = kChunkRows * c + 1;
            for (int j = j0; j <= j1; ++j) {
                dense_rows<Vec, kOne>(a.column(j) + row, s, row, s.column_pivots[j], s.pivot_row_value[j],
                                      s.column_pivot_count[j]);
            }
        }
    }
}

// The first `allowed` pivots of the block applied to the block's own rows of
// column j, in pivot order, one at a time: each pivot row takes the earlier
// pivots before its value is read. Records the column's pivot list with the
// values of the pivot rows at their turn.
KESTOR_INLINE void block_rows_scalar(SolveWork& s, int k0, int nb, int allowed, double* col, int j) {
    double* rows = col + k0;
    unsigned char* piv = s.column_pivots[j];
    double* val = s.pivot_row_value[j];
    int count = 0;
    for (int b = 0; b < allowed; ++b) {
        if (!s.usable[b]) continue;
        const double v = rows[b];
        if (v == 0.0) continue;
        piv[count] = static_cast<unsigned char>(b);
        val[count] = v;
        ++count;
        const double* f = s.factor[b] + k0;
        const unsigned char* act = s.block_row_active[b];
        for (int q = 0; q < nb; ++q) {
            if (act[q]) rows[q] = rows[q] - f[q] * v;
        }
    }
    s.column_pivot_count[j] = count;
}

// The same for a full block, its rows held in vector registers.
template <class Vec>
KESTOR_INLINE void block_rows_full(SolveWork& s, int k0, int allowed, double* col, int j) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kPivotBlock / W;
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    double* rows = col + k0;
    unsigned char* piv = s.column_pivots[j];
    double* val = s.pivot_row_value[j];
    Vec acc[NV];
#pragma GCC unroll 16
    for (int q = 0; q < NV; ++q) load(acc[q], rows + W * q);
    int count = 0;
#pragma GCC unroll 16
    for (int b = 0; b < kPivotBlock; ++b) {
        if (b >= allowed) break;
        if (!s.usable[b]) continue;
        const double p = acc[b / W][b % W];
        if (p == 0.0) continue;
        piv[count] = static_cast<unsigned char>(b);
        val[count] = p;
        ++count;
        const double* f = s.factor[b] + k0;
        const unsigned code = s.block_row_codes[b];
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
}

template <class Vec>
KESTOR_INLINE void block_rows(SolveWork& s, const BlockSpan& blk, SystemMatrix& a, int allowed, int j0, int j1) {
    for (int j = j0; j <= j1; ++j) {
        if (blk.nb == kPivotBlock) {
            block_rows_full<Vec>(s, blk.k0, allowed, a.column(j), j);
        } else {
            block_rows_scalar(s, blk.k0, blk.nb, allowed, a.column(j), j);
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

// Rows of chunk c (rows 4c+1..4c+4) active at pivot k: i <= n, i != k and
// a(i, k) != 0, one bit per row.
KESTOR_INLINE unsigned active_bits(const double* col, int n, int k, int c) {
    unsigned bits = 0;
    for (int l = 0; l < kChunkRows; ++l) {
        const int i = kChunkRows * c + 1 + l;
        if (i <= n && i != k && col[i] != 0.0) bits |= 1u << l;
    }
    return bits;
}

// Pivot b of the block (k = k0 + b) from its final column: the factors
// a(i, k) / a(k, k) of the active rows (0 elsewhere) and where those rows
// lie. A zero pivot cannot eliminate its column: it is skipped, and the
// couplings to variable k stay in the other rows.
template <class Vec>
KESTOR_INLINE void take_pivot(SolveWork& s, const BlockSpan& blk, const double* col, int b) {
    constexpr int W = Lanes<Vec>::kCount;
    constexpr int NV = kChunkRows / W;
    constexpr unsigned kVecLanes = (1u << W) - 1u;
    const int k = blk.k0 + b;
    const double pivot = col[k];
    const bool usable = pivot != 0.0;
    double* f = s.factor[b];
    const Vec zero = {};
    Vec pv;
    splat(pv, pivot);
    unsigned block_code = 0;
    int active = 0;
    for (int c = 0; c < blk.chunks; ++c) {
        const int row = kChunkRows * c + 1;
        const unsigned bits = usable ? active_bits(col, blk.n, k, c) : 0u;
        active += __builtin_popcount(bits);
        for (int q = 0; q < NV; ++q) {
            const unsigned vb = (bits >> (W * q)) & kVecLanes;
            Vec r = zero;
            if (vb != 0) {
                Vec x;
                load(x, col + row + W * q);
                select_lanes(r, x / pv, vb);
            }
            store(f + row + W * q, r);
        }
        // Rows of the block are the block's own business.
        unsigned outside = bits;
        for (int l = 0; l < kChunkRows; ++l) {
            const int i = row + l;
            if (i >= blk.k0 && i < blk.k0 + blk.nb) {
                outside &= ~(1u << l);
                if (bits & (1u << l)) block_code |= 1u << (i - blk.k0);
            }
        }
        s.lanes[b][c] = static_cast<unsigned char>(outside);
        if (usable) merge_chunk_kind(s.chunk_kind[c], outside);
    }
    for (int q = 0; q < blk.nb; ++q) s.block_row_active[b][q] = (block_code >> q) & 1u ? 1 : 0;
    s.block_row_codes[b] = block_code;
    s.usable[b] = usable ? 1 : 0;
    s.active_rows[b] = active;
}

// One block of pivots: its own columns one after the other, each brought up
// to date with the pivots of the block before it and then taken as pivot;
// then all later columns.
template <class Vec, int NV>
KESTOR_INLINE void eliminate_block(SolveWork& s, SystemMatrix& a, const BlockSpan& blk) {
    for (int c = 0; c < blk.chunks; ++c) s.chunk_kind[c] = kUnset;
    for (int b = 0; b < blk.nb; ++b) {
        const int k = blk.k0 + b;
        block_rows<Vec>(s, blk, a, b, k, k);
        other_rows<Vec, NV>(a, s, blk.chunks, k, k);
        take_pivot<Vec>(s, blk, a.column(k), b);
    }
    const int first = blk.k0 + blk.nb;
    const int rhs = blk.n + 1;
    block_rows<Vec>(s, blk, a, blk.nb, first, rhs);
    other_rows<Vec, NV>(a, s, blk.chunks, first, rhs);
}

// Two builds: the baseline instruction set of the program (two-wide
// vectors) and, where the processor has it, four-wide vectors (without
// fused multiply-add, which that instruction set does not contain).
void eliminate_block_portable(SolveWork& s, SystemMatrix& a, const BlockSpan& blk) {
    eliminate_block<V2, 8>(s, a, blk);
}

__attribute__((target("avx2"))) void eliminate_block_wide(SolveWork& s, SystemMatrix& a, const BlockSpan& blk) {
    eliminate_block<V4, 8>(s, a, blk);
}

// Entries updated by the block: each listed pivot of each later column
// updates all its active rows.
long long block_updates(const SolveWork& s, const BlockSpan& blk) {
    long long count = 0;
    for (int j = blk.k0 + 1; j <= blk.n + 1; ++j) {
        const int listed = s.column_pivot_count[j];
        for (int t = 0; t < listed; ++t) count += s.active_rows[s.column_pivots[j][t]];
    }
    return count;
}

template <bool Count>
void eliminate(double* x, SystemMatrix& a, int n, SolveWork& s, bool wide, UpdateCount<Count>& cnt) {
    if (n < 1 || n > kMaxCells) return;
    for (int i = 1; i <= n; ++i) s.JA[i] = 0;
    BlockSpan blk;
    blk.n = n;
    blk.chunks = (n + kChunkRows - 1) / kChunkRows;
    for (blk.k0 = 1; blk.k0 <= n; blk.k0 += kPivotBlock) {
        blk.nb = n - blk.k0 + 1 < kPivotBlock ? n - blk.k0 + 1 : kPivotBlock;
        if (wide) {
            eliminate_block_wide(s, a, blk);
        } else {
            eliminate_block_portable(s, a, blk);
        }
        if (Count) cnt.add(block_updates(s, blk));
    }
    const int rhs = n + 1;
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
    UpdateCount<false> none;
    eliminate(x, a, n, work, wide_vectors(isa), none);
}

long long solve_counted(double* x, SystemMatrix& a, int n, SolveWork& work) {
    UpdateCount<true> cnt;
    eliminate(x, a, n, work, wide_vectors(SolveIsa::kAuto), cnt);
    return cnt.n;
}

void solve_system(SolverWork& w, double* x) {
    SolverProfile& prof = w.profile;
    if (!prof.enabled) {
        solve(x, w.A, w.n, w.solve_work);
        return;
    }
    const double start = profile_now();
    if (prof.count_updates) {
        prof.solve_updates += solve_counted(x, w.A, w.n, w.solve_work);
    } else {
        solve(x, w.A, w.n, w.solve_work);
    }
    prof.solve_seconds += profile_now() - start;
    ++prof.solve_calls;
}

}  // namespace kestor
