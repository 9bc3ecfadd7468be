// Cross sections at the cell edges and the collision integrals of the
// inelastic, superelastic, ionisation and attachment processes.

#include "solver/cross_sections.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "solver/constants.h"
#include "solver/setup.h"

namespace kestor {

namespace {

// Upper edge of the cell beyond the grid: no energy reaches it.
constexpr double kSentinelEdge = 1.0000000272564224e16;

// Lower edge of cell j + 1 in the 0-based edge numbering e_0..e_(n+1).
inline double edge(const GridState& grid, int j) { return grid.EPS[j + 1]; }

// Mixture cross sections from one process: its forward contribution above
// the threshold and, when its upper level is populated, the superelastic
// one from detailed balance.
void add_edge_contributions(const Tables& t, const RunSettings& run, const GridState& grid, int n,
                            CollisionTerms& coll, int k) {
    const int np = table_points(t, k);
    const int s = t.col.collision_species[k];
    // A table of fewer than two points has no interpolation.
    if (np < 2 || !valid_species(s)) return;
    const int kind = t.col.collision_kind[k];
    const int effective = t.sp.species_effective_flag[s];
    const double thr = std::fabs(t.col.collision_threshold[k]);
    const double x = run.XS[s];
    const double c1 = run.CX1[k];
    const double c2 = run.CX2[k];
    const double gl = t.col.lower_level_weight[k];
    const double gu = t.col.upper_level_weight[k];
    const double mass_ratio = run.CMRTS[s];

    // An effective cross section already holds the other processes.
    const bool forward = kind == kElastic || (kind != kDeexcitation && effective == 0);
    if (forward) {
        int cursor = 1;
        for (int j = 0; j <= n; ++j) {
            const double e = edge(grid, j);
            if (!(e >= thr)) continue;
            const double v = table_cross_section(t, k, np, e, cursor) * (c1 * x);
            coll.CSM[j + 1] += v;
            if (!carries_electrons_off(kind)) coll.CSE[j + 1] += (v + v) * mass_ratio;
        }
    }

    if (!(c2 > 0.0) || effective != 0) return;
    const double* energy = t.col.cs_energy[k];
    const double* sigma = t.col.cs_value[k];
    int q = 1;
    while (q < np && !(sigma[q] > 0.0)) ++q;
    // A cross section that is nowhere positive has no superelastic part.
    if (q >= np) return;
    {
        // Zero-energy limit for a cross section rising linearly from threshold.
        const double c = (((sigma[q] * (c2 * x)) / (energy[q] / thr - 1.0)) * gl) / gu;
        coll.CSM[1] += c;
        coll.CSE[1] += (c + c) * mass_ratio;
    }
    int cursor = 1;
    for (int j = 1; j <= n; ++j) {
        const double e = edge(grid, j);
        const double c = ((gl * (c2 * x)) * (thr / e + 1.0)) *
                         table_cross_section(t, k, np, thr + e, cursor) / gu;
        coll.CSM[j + 1] += c;
        coll.CSE[j + 1] += (c + c) * mass_ratio;
    }
}

void clear_matrix(SystemMatrix& m, int n) {
    for (int col = 1; col <= n + 1; ++col) std::fill(m.column(col) + 1, m.column(col) + n + 1, 0.0);
}

// Kind as the walk uses it: without electron growth, attachment and
// ionisation only take energy away, like an excitation.
int effective_kind(int kind, int growth_model) {
    if (growth_model == kGrowthNone && (kind == kAttachment || kind == kIonization)) return kExcitation;
    return kind;
}

// The moving table segment of the walk. Beyond the last point the last
// segment goes on linearly, as the table interpolation extends it.
struct TableCursor {
    const double* energy;
    const double* sigma;
    int np;
    int p = 0;
    double e_prev = 0.0, s_prev = 0.0;
    double e_next = 0.0, s_next = 0.0;
    double alpha = 0.0, beta = 0.0;

    TableCursor(const Tables& t, int k, int points)
        : energy(t.col.cs_energy[k]), sigma(t.col.cs_value[k]), np(points) {
        e_next = e_prev = energy[0];
        s_next = s_prev = sigma[0];
    }

    void advance() {
        e_prev = e_next;
        s_prev = s_next;
        ++p;
        if (p < np) {
            e_next = energy[p];
            s_next = sigma[p];
            alpha = (s_next - s_prev) / (e_next - e_prev);
            beta = s_prev - e_prev * alpha;
        } else {
            e_next = std::numeric_limits<double>::infinity();
        }
    }
};

constexpr unsigned kForwardPart = 1;
constexpr unsigned kInversePart = 2;

// Everything the walk of one process needs besides the work area.
struct WalkProcess {
    int k;
    int kind;
    double thr;
    double x;
    double c1;
    double c2;
    double gfac;
    bool halves;  // ionisation sharing the remaining energy equally
};

// Destination boundary of the walk for destination cell m.
double destination_bound(const GridState& grid, const WalkProcess& pr, int m) {
    if (pr.halves) return edge(grid, m) + (pr.thr + edge(grid, m));
    return pr.thr + edge(grid, m);
}

void add_forward(SolverWork& w, const WalkProcess& pr, int c, int m, double integral) {
    const int n = w.n;
    w.coll.RR[pr.k][c] += integral;
    const double v = (pr.x * pr.c1) * integral;
    if (carries_electrons_off(pr.kind)) {
        w.coll.RRA[c] += v;
        return;
    }
    if (!has_destination_cell(pr.kind)) return;
    w.coll.AA(c, c) += v;
    if (m >= 1 && m <= n) w.coll.AA(m, c) -= v;
    if (pr.kind != kIonization) return;
    w.coll.RRI[c] += v;
    if (w.run.energy_sharing == kSharingSecondaryAtZero) {
        // The secondary starts at zero energy.
        w.coll.AAA(1, c) += v;
    } else if (w.run.energy_sharing == kSharingEqual && m >= 1 && m <= n) {
        w.coll.AAA(m, c) += v;
    }
}

void add_inverse(SolverWork& w, const WalkProcess& pr, int c, int m, double integral) {
    w.coll.RRINV[pr.k][m] += integral;
    const double v = (pr.c2 * pr.x) * integral;
    w.coll.AA(m, m) += v;
    // Above the grid the electron is lost from cell m and gained nowhere.
    if (c <= w.n) w.coll.AA(c, m) -= v;
}

// Sweeps the energy of the colliding electron upward through the table
// points, the cell edges and the edges shifted by the threshold, so that on
// every piece the source cell c, the destination cell m and the linear
// cross section are fixed, and lists the pieces on which the forward or the
// inverse part integrates.
void list_pieces(const Tables& t, const GridState& grid, int n, const WalkProcess& pr, int np, WalkPieces& pcs) {
    pcs.count = 0;
    int c = n + 1;
    for (int j = 1; j <= n; ++j) {
        if (edge(grid, j) > pr.thr) {
            c = j;
            break;
        }
    }
    int m = 0;
    double d;
    if (carries_electrons_off(pr.kind)) {
        d = 2.0 * edge(grid, n);  // attachment has no destination cell
    } else if (pr.halves) {
        d = edge(grid, 0) + (edge(grid, 0) + pr.thr);
    } else {
        d = edge(grid, 0) + pr.thr;
    }

    TableCursor tab(t, pr.k, np);
    double eps = tab.e_next;
    // Every step moves the table, the source or the destination on, or ends
    // on one of their bounds; the limit only guards against a broken grid.
    const long max_steps = 2L * (np + 2L * n + 4L) + 8L;
    for (long step = 0; step < max_steps; ++step) {
        if (eps >= tab.e_next) tab.advance();
        if (eps >= edge(grid, c) && c <= n) ++c;
        if (eps >= d && m <= n) {
            ++m;
            if (!carries_electrons_off(pr.kind)) d = destination_bound(grid, pr, m);
        }
        if (c > n && (m > n || !has_inverse(pr.kind))) return;

        const double ea = eps;
        double eb = tab.e_next;
        if (c <= n) eb = std::min(eb, edge(grid, c));
        // The destination bound also splits the piece below the threshold,
        // so that no piece spans two destination cells.
        if (m <= n) eb = std::min(eb, d);
        eps = eb;
        if (eb <= ea) continue;

        // Below the threshold (no destination yet) an inelastic process
        // cannot occur, whatever the table holds there.
        const bool forward = c <= n && (m >= 1 || !has_destination_cell(pr.kind));
        const bool inverse = has_inverse(pr.kind) && m >= 1 && m <= n;
        if (!forward && !inverse) continue;
        const int p = pcs.count++;
        pcs.ea[p] = ea;
        pcs.eb[p] = eb;
        pcs.alpha[p] = tab.alpha;
        pcs.beta[p] = tab.beta;
        pcs.source[p] = c;
        pcs.destination[p] = m;
        pcs.parts[p] = static_cast<unsigned char>((forward ? kForwardPart : 0) | (inverse ? kInversePart : 0));
    }
}

// exp((ec - e) g) at a piece end of cell c: taken over from the piece before
// when it ended there in the same cell, from the cell-edge table when e is an
// edge of cell c, computed otherwise. Each piece end costs one exponential.
struct EndExponential {
    const GridState& grid;
    const double* lower;  // exp at the cell edges (forward part), or nullptr
    const double* upper;
    int last_cell = 0;
    double last_energy = 0.0;
    double last_value = 0.0;

    double at(int c, double ec, double g, double e) const {
        if (last_cell == c && last_energy == e) return last_value;
        if (lower != nullptr) {
            if (e == grid.EPS[c]) return lower[c];
            if (e == grid.EPS[c + 1]) return upper[c];
        }
        return std::exp((ec - e) * g);
    }
    void keep(int c, double e, double value) {
        last_cell = c;
        last_energy = e;
        last_value = value;
    }
};

// The integrals of one part over its pieces: cell(p) is the cell whose
// shape applies, centre(c) its centre, f the factor. Pieces with the
// exponential shape get their end exponentials here and their integrals
// together afterwards; the others are integrated at once.
template <class Cell, class Centre>
void part_integrals(SolverWork& w, WalkPieces& pcs, unsigned part, Cell cell, Centre centre, double f,
                    EndExponential ends, double* out) {
    SolverProfile* prof = w.profile.enabled ? &w.profile : nullptr;
    ExponentialPieces& x = pcs.exponential;
    int q = 0;
    for (int p = 0; p < pcs.count; ++p) {
        if (!(pcs.parts[p] & part)) continue;
        const int c = cell(p);
        const double ec = centre(c);
        const double g = w.dist.G[c];
        const double ea = pcs.ea[p];
        const double eb = pcs.eb[p];
        if (!exponential_shape(w.dist.slope_mode, ec, g)) {
            out[p] = cell_integral(w.dist.slope_mode, ea, eb, ec, g, f, pcs.alpha[p], pcs.beta[p]);
            continue;
        }
        if (prof != nullptr) {
            // Ends of exponential pieces: the upper one, and the lower one where
            // the piece before in this cell did not end there.
            ++prof->walk_pieces;
            prof->walk_piece_ends += ends.last_cell == c && ends.last_energy == ea ? 1 : 2;
        }
        const double xa = ends.at(c, ec, g, ea);
        const double xb = ends.at(c, ec, g, eb);
        ends.keep(c, eb, xb);
        x.piece[q] = p;
        x.ea[q] = ea;
        x.eb[q] = eb;
        x.xa[q] = xa;
        x.xb[q] = xb;
        x.g[q] = g;
        x.alpha[q] = pcs.alpha[p];
        x.beta[q] = pcs.beta[p];
        ++q;
    }
    x.count = q;
    exponential_integrals(x, f, w.kernel_isa);
    for (int i = 0; i < q; ++i) out[x.piece[i]] = x.integral[i];
}

// The walk of one process: its pieces, their integrals, then the integrals
// entered in the order of the pieces, forward part before inverse part.
void walk(const Tables& t, SolverWork& w, const WalkProcess& pr, int np) {
    WalkPieces& pcs = w.coll.walk_pieces;
    list_pieces(t, w.grid, w.n, pr, np, pcs);
    part_integrals(
        w, pcs, kForwardPart, [&](int p) { return pcs.source[p]; }, [&](int c) { return w.grid.EPSC[c]; }, kGamma,
        EndExponential{w.grid, w.coll.edge_exp_lower, w.coll.edge_exp_upper}, pcs.forward);
    if (has_inverse(pr.kind)) {
        part_integrals(
            w, pcs, kInversePart, [&](int p) { return pcs.destination[p]; },
            [&](int m) { return w.grid.EPSC[m] + pr.thr; }, pr.gfac, EndExponential{w.grid, nullptr, nullptr},
            pcs.inverse);
    }
    for (int p = 0; p < pcs.count; ++p) {
        const int c = pcs.source[p];
        const int m = pcs.destination[p];
        if (pcs.parts[p] & kForwardPart) add_forward(w, pr, c, m, pcs.forward[p]);
        if (pcs.parts[p] & kInversePart) add_inverse(w, pr, c, m, pcs.inverse[p]);
    }
}

// exp((EPSC(c) - e) G(c)) at both edges of every cell with the exponential
// shape: the ends of the forward pieces at cell edges, shared by every process.
void edge_exponentials(SolverWork& w) {
    for (int c = 1; c <= w.n; ++c) {
        const double ec = w.grid.EPSC[c];
        const double g = w.dist.G[c];
        if (!exponential_shape(w.dist.slope_mode, ec, g)) continue;
        w.coll.edge_exp_lower[c] = std::exp((ec - edge(w.grid, c - 1)) * g);
        w.coll.edge_exp_upper[c] = std::exp((ec - edge(w.grid, c)) * g);
    }
}

void collision_walk(const Tables& t, SolverWork& w, int k) {
    const int n = w.n;
    for (int j = 1; j <= n; ++j) {
        w.coll.RR[k][j] = 0.0;
        w.coll.RRINV[k][j] = 0.0;
    }
    const int np = table_points(t, k);
    const int s = t.col.collision_species[k];
    if (np < 2 || !valid_species(s)) return;

    WalkProcess pr;
    pr.k = k;
    pr.kind = effective_kind(t.col.collision_kind[k], w.run.growth_model);
    pr.thr = std::fabs(t.col.collision_threshold[k]);
    pr.x = w.run.XS[s];
    pr.c1 = w.run.CX1[k];
    pr.c2 = w.run.CX2[k];
    // An upper weight below 1 (the 0 of a forward reversible process) counts as 1.
    pr.gfac = (kGamma * t.col.lower_level_weight[k]) / std::max(t.col.upper_level_weight[k], 1.0);
    pr.halves = pr.kind == kIonization && w.run.energy_sharing == kSharingEqual;
    walk(t, w, pr, np);
}

}  // namespace

double table_cross_section(const Tables& t, int k, int np, double e, int& cursor) {
    const double* energy = t.col.cs_energy[k];
    const double* sigma = t.col.cs_value[k];
    int j = std::max(cursor, 1);
    while (j < np - 1 && !(energy[j] > e)) ++j;
    cursor = j;
    const double w = (energy[j] - e) / (energy[j] - energy[j - 1]);
    return sigma[j - 1] * w + (1.0 - w) * sigma[j];
}

void edge_cross_sections(const Tables& t, const RunSettings& run, const GridState& grid, int n,
                         CollisionTerms& coll) {
    if (!valid_cell_count(n)) return;
    for (int j = 1; j <= n + 1; ++j) {
        coll.CSM[j] = 0.0;
        coll.CSE[j] = 0.0;
        coll.CSMEI[j] = 0.0;
        coll.CSEEI[j] = 0.0;
    }
    const int visited = visited_collision_count(t);
    for (int j = 1; j <= visited; ++j) add_edge_contributions(t, run, grid, n, coll, collision_slot(t, j));
    for (int j = 1; j <= n + 1; ++j) {
        coll.Q[j] = coll.CSM[j];
        coll.QEFF[j] = coll.CSM[j];
    }
}

void collision_integrals(const Tables& t, SolverWork& w) {
    const int n = w.n;
    if (!valid_cell_count(n)) return;
    clear_matrix(w.coll.AA, n);
    clear_matrix(w.coll.AAA, n);
    for (int j = 1; j <= n; ++j) {
        w.coll.AAAA[j] = 0.0;
        w.coll.RRI[j] = 0.0;
        w.coll.RRA[j] = 0.0;
    }
    w.grid.EPS[n + 2] = kSentinelEdge;
    edge_exponentials(w);

    const int visited = visited_collision_count(t);
    for (int j = 1; j <= visited; ++j) collision_walk(t, w, collision_slot(t, j));

    for (int j = 1; j <= n; ++j) w.coll.RRIA[j] = w.coll.RRI[j] - w.coll.RRA[j];
}

double cell_integral(int slope_mode, double ea, double eb, double ec, double g, double f,
                     double alpha, double beta) {
    const double p2 = ea + eb;
    if (slope_mode == kSlopeLinear) {
        // Linear shape 1 - g (e - ec).
        const double k = 1.0 + ec * g;
        const double q2 = ea * ea + eb * eb;
        const double x1 = (beta * 0.5) * k - ((q2 * 0.25) * alpha) * g;
        const double x2 = k * alpha - g * beta;
        return ((eb - ea) * f) * (x1 * p2 + ((p2 * ea + eb * eb) * x2) / 3.0);
    }
    if (exponential_shape(slope_mode, ec, g)) {
        // Exponential shape exp(-g (e - ec)).
        auto term = [&](double e) {
            const double u = e * g;
            const double pf = (1.0 + u) * ((alpha + alpha) + beta * g) + (alpha * u) * u;
            return std::exp((ec - e) * g) * pf;
        };
        return ((term(eb) - term(ea)) * f) / (-((g * g) * g));
    }
    // Flat shape.
    return ((eb - ea) * f) * (((ea * p2 + eb * eb) * alpha) / 3.0 + (p2 * 0.5) * beta);
}

}  // namespace kestor
