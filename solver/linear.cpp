// Linear solvers: sparse Gauss-Jordan elimination of the system matrix,
// the Thomas algorithm and the exponential-fitting face coefficients.
#include "solver/linear.h"

#include <cmath>
#include <cstring>

namespace kestor {

namespace {

// A run of consecutive rows i0..i1 that take part in one pivot's update.
struct RowRun {
    int first;
    int last;
};

// Rows i != k with a(i, k) != 0 grouped into runs of consecutive rows, and
// the factor of each such row. Returns the number of runs.
int pivot_rows(const double* col_k, int n, int k, double pivot, double* factor, RowRun* runs) {
    int count = 0;
    bool open = false;
    for (int i = 1; i <= n; ++i) {
        const bool active = i != k && col_k[i] != 0.0;
        if (active) {
            factor[i] = col_k[i] / pivot;
            if (!open) {
                runs[count].first = i;
                open = true;
            }
            runs[count].last = i;
        } else if (open) {
            ++count;
            open = false;
        }
    }
    if (open) ++count;
    return count;
}

// Two doubles handled as one value; the compiler maps the operations to
// the vector unit lane by lane, each an ordinary IEEE product or difference.
using Pair = double __attribute__((vector_size(2 * sizeof(double))));

inline Pair load_pair(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store_pair(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }

// dst(i) -= fac(i) * p for i = first..last, contiguous rows of one column.
void subtract_scaled(double* dst, const double* fac, double p, int first, int last) {
    const Pair pv = {p, p};
    int i = first;
    for (; i + 3 <= last; i += 4) {
        const Pair d0 = load_pair(dst + i) - load_pair(fac + i) * pv;
        const Pair d1 = load_pair(dst + i + 2) - load_pair(fac + i + 2) * pv;
        store_pair(dst + i, d0);
        store_pair(dst + i + 2, d1);
    }
    for (; i <= last; ++i) dst[i] = dst[i] - fac[i] * p;
}

// Two pivots in a row on the same rows: dst(i) = (dst(i) - fa(i) pa) - fb(i) pb.
void subtract_scaled_twice(double* dst, const double* fa, double pa, const double* fb, double pb,
                           int first, int last) {
    const Pair av = {pa, pa};
    const Pair bv = {pb, pb};
    int i = first;
    for (; i + 3 <= last; i += 4) {
        const Pair d0 = (load_pair(dst + i) - load_pair(fa + i) * av) - load_pair(fb + i) * bv;
        const Pair d1 = (load_pair(dst + i + 2) - load_pair(fa + i + 2) * av) - load_pair(fb + i + 2) * bv;
        store_pair(dst + i, d0);
        store_pair(dst + i + 2, d1);
    }
    for (; i <= last; ++i) dst[i] = (dst[i] - fa[i] * pa) - fb[i] * pb;
}

// a(i, j) -= factor(i) * a(k, j) down one column, over the active rows.
void update_column(double* col_j, double pivot_row_value, const double* factor,
                   const RowRun* runs, int run_count) {
    for (int r = 0; r < run_count; ++r) {
        subtract_scaled(col_j, factor, pivot_row_value, runs[r].first, runs[r].last);
    }
}

// Pivots processed together: each column then receives the updates of a
// whole block of pivots while it stays in cache, two pivots per sweep.
constexpr int kPivotBlock = 16;
constexpr int kPivotPairs = kPivotBlock / 2;

// Rows of a pivot pair (p, p + 1) other than p and p + 1, in runs active for
// pivot p only (mask 1), for p + 1 only (mask 2) or for both (mask 3).
struct Segment {
    int first;
    int last;
    int mask;
};

// Factors and active rows of the pivots of one block.
struct PivotBlock {
    double factor[kPivotBlock][kMaxCells + 2];
    RowRun runs[kPivotBlock][kMaxCells / 2 + 2];
    int run_count[kPivotBlock];
    Segment segments[kPivotPairs][kMaxCells + 2];
    int segment_count[kPivotPairs];
    bool second_row_active[kPivotPairs];  // a(p + 1, p) != 0
    bool first_row_active[kPivotPairs];   // a(p, p + 1) != 0
};

// Segments of a pivot pair from the final columns p and p + 1.
void pair_segments(PivotBlock& blk, int pair, const double* col_a, const double* col_b, int n, int p) {
    Segment* seg = blk.segments[pair];
    int count = 0;
    int open_mask = 0;
    for (int i = 1; i <= n; ++i) {
        int mask = 0;
        if (i != p && i != p + 1) mask = (col_a[i] != 0.0 ? 1 : 0) | (col_b[i] != 0.0 ? 2 : 0);
        if (mask != open_mask) {
            if (open_mask != 0) ++count;
            if (mask != 0) {
                seg[count].first = i;
                seg[count].mask = mask;
            }
            open_mask = mask;
        }
        if (mask != 0) seg[count].last = i;
    }
    if (open_mask != 0) ++count;
    blk.segment_count[pair] = count;
    blk.second_row_active[pair] = col_a[p + 1] != 0.0;
    blk.first_row_active[pair] = col_b[p] != 0.0;
}

// Applies the pivots first..last of the block one after the other to column j.
void apply_pivots(const PivotBlock& blk, int first, int last, int k0, double* col_j) {
    for (int p = first; p <= last; ++p) {
        const int b = p - k0;
        if (blk.run_count[b] == 0) continue;
        const double v = col_j[p];
        if (v != 0.0) update_column(col_j, v, blk.factor[b], blk.runs[b], blk.run_count[b]);
    }
}

// Applies pivots p and p + 1 (pair `pair` of the block) to column j in one
// sweep: row p + 1 first takes pivot p, which gives a(p + 1, j) for pivot
// p + 1; every other row then takes pivot p before pivot p + 1.
void apply_pair(const PivotBlock& blk, int pair, int p, double* col_j) {
    const double* fa = blk.factor[2 * pair];
    const double* fb = blk.factor[2 * pair + 1];
    const double va = col_j[p];
    if (va != 0.0 && blk.second_row_active[pair]) col_j[p + 1] = col_j[p + 1] - fa[p + 1] * va;
    const double vb = col_j[p + 1];
    if (va == 0.0 && vb == 0.0) return;
    const Segment* seg = blk.segments[pair];
    for (int s = 0; s < blk.segment_count[pair]; ++s) {
        const int mask = seg[s].mask & ((va != 0.0 ? 1 : 0) | (vb != 0.0 ? 2 : 0));
        if (mask == 3) {
            subtract_scaled_twice(col_j, fa, va, fb, vb, seg[s].first, seg[s].last);
        } else if (mask == 1) {
            subtract_scaled(col_j, fa, va, seg[s].first, seg[s].last);
        } else if (mask == 2) {
            subtract_scaled(col_j, fb, vb, seg[s].first, seg[s].last);
        }
    }
    if (vb != 0.0 && blk.first_row_active[pair]) col_j[p] = col_j[p] - fb[p] * vb;
}

// Applies all pivots k0..k1 of the block to a column beyond the block.
void apply_block(const PivotBlock& blk, int k0, int k1, double* col_j) {
    for (int p = k0; p <= k1; p += 2) {
        const int b = p - k0;
        if (p < k1 && blk.run_count[b] > 0 && blk.run_count[b + 1] > 0) {
            apply_pair(blk, b / 2, p, col_j);
        } else {
            apply_pivots(blk, p, p < k1 ? p + 1 : p, k0, col_j);
        }
    }
}

}  // namespace

// Gauss-Jordan elimination without pivoting in the natural order, touching
// only the non-zero entries of each pivot row and pivot column. At pivot k
// each entry a(i, j), j > k, of a row i != k with a(i, k) != 0 receives the
// single update a(i, j) - r_i a(k, j), r_i = a(i, k) / a(k, k), when
// a(k, j) != 0. Column k is final once pivot k is reached and row k does
// not change at pivot k, so the updates of one pivot may run column after
// column, and a column may take the updates of several pivots in a row, as
// long as every entry sees its pivots in ascending order: the numbers are
// those of a row-after-row sweep.
void solve(double* x, SystemMatrix& a, int n, int* ja) {
    if (n < 1 || n > kMaxCells) return;
    const int rhs = n + 1;
    for (int i = 1; i <= n; ++i) ja[i] = 0;

    PivotBlock blk;
    for (int k0 = 1; k0 <= n; k0 += kPivotBlock) {
        const int k1 = k0 + kPivotBlock - 1 < n ? k0 + kPivotBlock - 1 : n;
        // The block's own columns: bring each up to date with the pivots of
        // the block before it, then take its factors.
        for (int k = k0; k <= k1; ++k) {
            double* col_k = a.column(k);
            apply_pivots(blk, k0, k - 1, k0, col_k);
            const int b = k - k0;
            const double pivot = col_k[k];
            // A zero pivot cannot eliminate its column: the pivot is skipped
            // and the couplings to variable k stay in the other rows.
            blk.run_count[b] = pivot == 0.0 ? 0 : pivot_rows(col_k, n, k, pivot, blk.factor[b], blk.runs[b]);
            if (b % 2 == 1) pair_segments(blk, b / 2, a.column(k - 1), col_k, n, k - 1);
        }
        for (int j = k1 + 1; j <= rhs; ++j) apply_block(blk, k0, k1, a.column(j));
    }

    for (int i = 1; i <= n; ++i) {
        if (a(i, i) != 0.0) x[i] = a(i, rhs) / a(i, i);
    }
}

void tridag(const double* sub, const double* diag, const double* super, const double* rhs,
            double* u, int m, double* gam) {
    if (m < 1) return;
    double bet = diag[1];
    if (bet == 0.0) return;
    u[1] = rhs[1] / bet;
    for (int j = 2; j <= m; ++j) {
        gam[j] = super[j - 1] / bet;
        bet = diag[j] - sub[j] * gam[j];
        if (bet == 0.0) return;
        u[j] = (rhs[j] - sub[j] * u[j - 1]) / bet;
    }
    for (int j = m - 1; j >= 1; --j) {
        u[j] = u[j] - gam[j + 1] * u[j + 1];
    }
}

void expsch(double& c1, double& c2, double w, double d, double h) {
    // Below this |z| the fitted flux is the pure diffusion flux.
    constexpr double kSmallPeclet = 1.0000000168623835e-16;
    if (d == 0.0) {
        // No diffusion: upwind value.
        c2 = w < 0.0 ? w : 0.0;
        c1 = w - c2;
        return;
    }
    const double z = (w * h) / d;
    if (z > kSmallPeclet) {
        c1 = w / (1.0 - std::exp(-z));
        c2 = w - c1;
    } else if (z < -kSmallPeclet) {
        c2 = w / (1.0 - std::exp(z));
        c1 = w - c2;
    } else {
        c1 = d / h;
        c2 = -(d / h);
    }
}

}  // namespace kestor
