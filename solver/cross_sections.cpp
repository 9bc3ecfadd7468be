// Cross sections at the cell edges and the collision integrals of the
// inelastic, superelastic, ionisation and attachment processes.
#include "solver/cross_sections.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "solver/setup.h"

namespace kestor {

namespace {

constexpr double kGamma = 593100.7389459227;
// Upper edge of the cell beyond the grid: no energy reaches it.
constexpr double kSentinelEdge = 1.0000000272564224e16;
// Above this ec g the exponential shape would overflow.
constexpr double kMaxExponent = 300.0;

// Lower edge of cell j + 1 in the 0-based edge numbering e_0..e_(n+1).
inline double edge(const SolverWork& w, int j) { return w.EPS[j + 1]; }

// Mixture cross sections from one process: its forward contribution above
// the threshold and, when its upper level is populated, the superelastic
// one from detailed balance.
void add_edge_contributions(const Tables& t, SolverWork& w, int k) {
    const int np = table_points(t, k);
    const int s = t.col.collision_species[k];
    // A table of fewer than two points has no interpolation.
    if (np < 2 || !valid_species(s)) return;
    const int n = w.n;
    const int kind = t.col.collision_kind[k];
    const int effective = t.sp.species_effective_flag[s];
    const double thr = std::fabs(t.col.collision_threshold[k]);
    const double x = w.XS[s];
    const double c1 = w.CX1[k];
    const double c2 = w.CX2[k];
    const double gl = t.col.lower_level_weight[k];
    const double gu = t.col.upper_level_weight[k];
    const double mass_ratio = w.CMRTS[s];

    // An effective cross section already holds the other processes.
    const bool forward = kind == kElastic || (kind != kDeexcitation && effective == 0);
    if (forward) {
        int cursor = 1;
        for (int j = 0; j <= n; ++j) {
            const double e = edge(w, j);
            if (!(e >= thr)) continue;
            const double v = table_cross_section(t, k, np, e, cursor) * (c1 * x);
            w.CSM[j + 1] += v;
            if (kind != kAttachment) w.CSE[j + 1] += (v + v) * mass_ratio;
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
        w.CSM[1] += c;
        w.CSE[1] += (c + c) * mass_ratio;
    }
    int cursor = 1;
    for (int j = 1; j <= n; ++j) {
        const double e = edge(w, j);
        const double c = ((gl * (c2 * x)) * (thr / e + 1.0)) *
                         table_cross_section(t, k, np, thr + e, cursor) / gu;
        w.CSM[j + 1] += c;
        w.CSE[j + 1] += (c + c) * mass_ratio;
    }
}

void clear_matrix(SystemMatrix& m, int n) {
    for (int col = 1; col <= n + 1; ++col) std::fill(m.column(col) + 1, m.column(col) + n + 1, 0.0);
}

// Kind as the walk uses it: without electron growth, attachment and
// ionisation only take energy away, like an excitation.
int effective_kind(int kind, int growth_model) {
    if (growth_model == 0 && (kind == kAttachment || kind == kIonization)) return kExcitation;
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

// True when the cell integral of a cell with centre ec and slope g takes the
// exponential shape exp(-g (e - ec)).
inline bool exponential_shape(int slope_mode, double ec, double g) {
    return slope_mode == 2 && g > 0.0 && ec * g < kMaxExponent;
}

// The exponential exp((ec - e) g) at the upper end of the last piece of one
// part of the walk (forward or inverse), which the next piece of the same
// cell starts from: each piece end costs one exponential.
struct PieceEnd {
    int cell = 0;  // 0: none yet
    double energy = 0.0;
    double value = 0.0;
};

// The in-cell shape of the distribution seen by one part of the walk in one
// cell: centre, slope, factor, and for the forward part the exponentials at
// the cell's own edges, which every process shares.
struct CellShape {
    int cell;
    double ec;
    double g;
    double f;
    bool exponential;
    const double* edge_lower;  // exp at e_(cell-1), or nullptr
    const double* edge_upper;  // exp at e_cell, or nullptr
};

// exp((ec - e) g) at a piece end e.
inline double end_exponential(const SolverWork& w, const CellShape& sh, const PieceEnd& last, double e) {
    if (last.cell == sh.cell && last.energy == e) return last.value;
    if (sh.edge_lower != nullptr) {
        if (e == w.EPS[sh.cell]) return sh.edge_lower[sh.cell];
        if (e == w.EPS[sh.cell + 1]) return sh.edge_upper[sh.cell];
    }
    return std::exp((sh.ec - e) * sh.g);
}

// The cell integral of one piece (cell_integral), with the exponentials at
// the piece ends taken over from the piece before where it ended at the
// same energy in the same cell.
double piece_integral(const SolverWork& w, const CellShape& sh, PieceEnd& last, double ea, double eb,
                      double alpha, double beta) {
    if (!sh.exponential) return cell_integral(w.slope_mode, ea, eb, sh.ec, sh.g, sh.f, alpha, beta);
    const double g = sh.g;
    const double xa = end_exponential(w, sh, last, ea);
    const double xb = end_exponential(w, sh, last, eb);
    last.cell = sh.cell;
    last.energy = eb;
    last.value = xb;
    auto polynomial = [&](double e) {
        const double u = e * g;
        return (1.0 + u) * ((alpha + alpha) + beta * g) + (alpha * u) * u;
    };
    const double ta = xa * polynomial(ea);
    const double tb = xb * polynomial(eb);
    return ((tb - ta) * sh.f) / (-((g * g) * g));
}

// Destination boundary of the walk for destination cell m.
double destination_bound(const SolverWork& w, const WalkProcess& pr, int m) {
    if (pr.halves) return edge(w, m) + (pr.thr + edge(w, m));
    return pr.thr + edge(w, m);
}

void add_forward(SolverWork& w, const WalkProcess& pr, int c, int m, double integral) {
    const int n = w.n;
    w.RR[pr.k][c] += integral;
    const double v = (pr.x * pr.c1) * integral;
    if (pr.kind == kAttachment) {
        w.RRA[c] += v;
        return;
    }
    if (pr.kind < kIonization) return;
    w.AA(c, c) += v;
    if (m >= 1 && m <= n) w.AA(m, c) -= v;
    if (pr.kind != kIonization) return;
    w.RRI[c] += v;
    if (w.energy_sharing == 2) {
        // The secondary starts at zero energy.
        w.AAA(1, c) += v;
    } else if (w.energy_sharing == 1 && m >= 1 && m <= n) {
        w.AAA(m, c) += v;
    }
}

void add_inverse(SolverWork& w, const WalkProcess& pr, int c, int m, double integral) {
    w.RRINV[pr.k][m] += integral;
    const double v = (pr.c2 * pr.x) * integral;
    w.AA(m, m) += v;
    // Above the grid the electron is lost from cell m and gained nowhere.
    if (c <= w.n) w.AA(c, m) -= v;
}

// Sweeps the energy of the colliding electron upward through the table
// points, the cell edges and the edges shifted by the threshold, so that on
// every piece the source cell c, the destination cell m and the linear
// cross section are fixed, and integrates each piece.
void walk(const Tables& t, SolverWork& w, const WalkProcess& pr, int np) {
    const int n = w.n;
    int c = n + 1;
    for (int j = 1; j <= n; ++j) {
        if (edge(w, j) > pr.thr) {
            c = j;
            break;
        }
    }
    int m = 0;
    double d;
    if (pr.kind == kAttachment) {
        d = 2.0 * edge(w, n);  // attachment has no destination cell
    } else if (pr.halves) {
        d = edge(w, 0) + (edge(w, 0) + pr.thr);
    } else {
        d = edge(w, 0) + pr.thr;
    }

    TableCursor tab(t, pr.k, np);
    double eps = tab.e_next;
    PieceEnd forward_end, inverse_end;
    CellShape forward{0, 0.0, 0.0, kGamma, false, w.edge_exp_lower, w.edge_exp_upper};
    CellShape inverse{0, 0.0, 0.0, pr.gfac, false, nullptr, nullptr};
    // Every step moves the table, the source or the destination on, or ends
    // on one of their bounds; the limit only guards against a broken grid.
    const long max_steps = 2L * (np + 2L * n + 4L) + 8L;
    for (long step = 0; step < max_steps; ++step) {
        if (eps >= tab.e_next) tab.advance();
        if (eps >= edge(w, c) && c <= n) ++c;
        if (eps >= d && m <= n) {
            ++m;
            if (pr.kind != kAttachment) d = destination_bound(w, pr, m);
        }
        if (c > n && (m > n || pr.kind < kExcitation)) return;

        const double ea = eps;
        double eb = tab.e_next;
        if (c <= n) eb = std::min(eb, edge(w, c));
        // The destination bound also splits the piece below the threshold,
        // so that no piece spans two destination cells.
        if (m <= n) eb = std::min(eb, d);
        eps = eb;
        if (eb <= ea) continue;

        // Below the threshold (no destination yet) an inelastic process
        // cannot occur, whatever the table holds there.
        if (c <= n && (m >= 1 || pr.kind < kIonization)) {
            if (forward.cell != c) {
                forward.cell = c;
                forward.ec = w.EPSC[c];
                forward.g = w.G[c];
                forward.exponential = exponential_shape(w.slope_mode, forward.ec, forward.g);
            }
            add_forward(w, pr, c, m, piece_integral(w, forward, forward_end, ea, eb, tab.alpha, tab.beta));
        }
        if (pr.kind >= kExcitation && m >= 1 && m <= n) {
            if (inverse.cell != m) {
                inverse.cell = m;
                inverse.ec = w.EPSC[m] + pr.thr;
                inverse.g = w.G[m];
                inverse.exponential = exponential_shape(w.slope_mode, inverse.ec, inverse.g);
            }
            add_inverse(w, pr, c, m, piece_integral(w, inverse, inverse_end, ea, eb, tab.alpha, tab.beta));
        }
    }
}

// exp((EPSC(c) - e) G(c)) at both edges of every cell with the exponential
// shape: the ends of the forward pieces at cell edges, shared by every process.
void edge_exponentials(SolverWork& w) {
    for (int c = 1; c <= w.n; ++c) {
        const double ec = w.EPSC[c];
        const double g = w.G[c];
        if (!exponential_shape(w.slope_mode, ec, g)) continue;
        w.edge_exp_lower[c] = std::exp((ec - edge(w, c - 1)) * g);
        w.edge_exp_upper[c] = std::exp((ec - edge(w, c)) * g);
    }
}

void collision_walk(const Tables& t, SolverWork& w, int k) {
    const int n = w.n;
    for (int j = 1; j <= n; ++j) {
        w.RR[k][j] = 0.0;
        w.RRINV[k][j] = 0.0;
    }
    const int np = table_points(t, k);
    const int s = t.col.collision_species[k];
    if (np < 2 || !valid_species(s)) return;

    WalkProcess pr;
    pr.k = k;
    pr.kind = effective_kind(t.col.collision_kind[k], w.growth_model);
    pr.thr = std::fabs(t.col.collision_threshold[k]);
    pr.x = w.XS[s];
    pr.c1 = w.CX1[k];
    pr.c2 = w.CX2[k];
    // An upper weight below 1 (the 0 of a forward reversible process) counts as 1.
    pr.gfac = (kGamma * t.col.lower_level_weight[k]) / std::max(t.col.upper_level_weight[k], 1.0);
    pr.halves = pr.kind == kIonization && w.energy_sharing == 1;
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

void edge_cross_sections(const Tables& t, SolverWork& w) {
    const int n = w.n;
    if (!valid_cell_count(n)) return;
    for (int j = 1; j <= n + 1; ++j) {
        w.CSM[j] = 0.0;
        w.CSE[j] = 0.0;
        w.CSMEI[j] = 0.0;
        w.CSEEI[j] = 0.0;
    }
    const int visited = visited_collision_count(t);
    for (int j = 1; j <= visited; ++j) add_edge_contributions(t, w, collision_slot(t, j));
    for (int j = 1; j <= n + 1; ++j) {
        w.Q[j] = w.CSM[j];
        w.QEFF[j] = w.CSM[j];
    }
}

void collision_integrals(const Tables& t, SolverWork& w) {
    const int n = w.n;
    if (!valid_cell_count(n)) return;
    clear_matrix(w.AA, n);
    clear_matrix(w.AAA, n);
    for (int j = 1; j <= n; ++j) {
        w.AAAA[j] = 0.0;
        w.RRI[j] = 0.0;
        w.RRA[j] = 0.0;
    }
    w.EPS[n + 2] = kSentinelEdge;
    edge_exponentials(w);

    const int visited = visited_collision_count(t);
    for (int j = 1; j <= visited; ++j) collision_walk(t, w, collision_slot(t, j));

    for (int j = 1; j <= n; ++j) w.RRIA[j] = w.RRI[j] - w.RRA[j];
}

double cell_integral(int slope_mode, double ea, double eb, double ec, double g, double f,
                     double alpha, double beta) {
    const double p2 = ea + eb;
    if (slope_mode == 1) {
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
