#include "solver/ee_momentum.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/linear.h"

namespace kestor {

namespace {

constexpr double kSlopeCap = -0.029999999329447746;      // largest log-slope, times the mean-energy scale
constexpr double kGradientWeight = 1.2000000476837158;   // weight of the distribution's slope in the source
constexpr double kFieldPowerFactor = 444825.554209442;   // 0.75 gamma, times E^2 the field power

// Distribution at edge k: geometric mean of the two cells.
double edge_value(const SolverWork& w, int k) { return std::sqrt(w.dist.F[k] * w.dist.F[k - 1]); }

// eps^3/2 at edge k.
double edge_e32(const SolverWork& w, int k) { return std::sqrt(w.grid.EPS[k]) * w.grid.EPS[k]; }

// Running sums over the interior edges 2..k, each term weighted by the
// centre gap: of an anisotropy x (p1 = sum x EPS / 3, p3 = sum x EPS^2 / 3)
// and of the edge values of F (p2 = sum Fbar sqrt(EPS), p4 = sum Fbar EPS^3/2).
struct EdgeSums {
    double p1 = 0.0, p2 = 0.0, p3 = 0.0, p4 = 0.0;

    void add(const SolverWork& w, const double* x, int k) {
        const double dc = w.grid.centre_gap(k);
        const double t = (x[k] * w.grid.EPS[k] * dc) / 3.0;
        const double s = edge_value(w, k) * std::sqrt(w.grid.EPS[k]) * dc;
        p1 += t;
        p2 += s;
        p3 += t * w.grid.EPS[k];
        p4 += s * w.grid.EPS[k];
    }
};

// Source flux between the variables k and k+1 from the sums up to k and the
// sum b1 of the anisotropy from the top: row k gives it, row k+1 gains it.
void add_source_flux(SolverWork& w, double a, int k, const EdgeSums& sums) {
    const double ec = w.grid.EPSC[k];
    const double ec32 = std::sqrt(ec) * ec;
    const double b1 = w.ee.B1[k];
    const double r = -a * (3.0 * sums.p2 * b1 +
                           kGradientWeight * (ec * ec32 * b1 + sums.p3) * (w.dist.F[k + 1] - w.dist.F[k - 1]) /
                               (w.grid.EPSC[k + 1] - w.grid.EPSC[k - 1]) +
                           (sums.p1 - 2.0 * ec32 * b1) * w.dist.F[k]);
    w.ee.AAR[k] -= r;
    w.ee.AAR[k + 1] += r;
}

// Sums of F over the edges k..n (B0) and of the start anisotropy (B1), both
// taken from the top of the grid, and the capped slopes G1 with the start
// anisotropy F1 of the first system.
void start_anisotropy(SolverWork& w, double s_hat) {
    for (int k = w.n; k >= 2; --k) {
        const double dc = w.grid.centre_gap(k);
        const double fbar = edge_value(w, k);
        const double slope = (w.dist.F[k] - w.dist.F[k - 1]) / dc;
        const double cap = (fbar / s_hat) * kSlopeCap;
        // A slope that is not a number fails the comparison and gets the cap.
        w.ee.G1[k] = (slope < cap) ? slope : cap;
        w.dist.F1[k] = (w.ee.AF1[k] / w.coll.QEFF[k]) * w.ee.G1[k];
        w.ee.B0[k - 1] = w.ee.B0[k] + fbar * dc;
        w.ee.B1[k - 1] = w.ee.B1[k] + ((w.dist.F1[k] / std::sqrt(w.grid.EPS[k])) * dc) / 3.0;
    }
}

// Drift-diffusion fluxes of the anisotropy and the source fluxes of the first system.
void anisotropy_fluxes(SolverWork& w, double a) {
    const int n = w.n;
    EdgeSums sums;
    for (int k = 2; k <= n - 1; ++k) {
        sums.add(w, w.dist.F1, k);
        const double ec = w.grid.EPSC[k];
        const double ec32 = std::sqrt(ec) * ec;
        const double drift = -(a * sums.p2 * ec);
        const double diffusion = (a * ec / 1.5) * (w.ee.B0[k] * ec32 + sums.p4);
        const double h = w.grid.width(k);
        double c1 = 0.0, c2 = 0.0;
        expsch(c1, c2, drift, diffusion, h);
        // The flux acts on the variable divided by sqrt(eps).
        const double rl = std::sqrt(w.grid.EPS[k]);
        const double ru = std::sqrt(w.grid.EPS[k + 1]);
        w.ee.AAC[k] += c1 / rl;
        w.ee.AAE[k] += c2 / ru;
        w.ee.AAW[k + 1] -= c1 / rl;
        w.ee.AAC[k + 1] -= c2 / ru;
        add_source_flux(w, a, k, sums);
    }
}

// Momentum-transfer terms of the first system: alone they give F1 = G1/QEFF.
void anisotropy_collision_terms(SolverWork& w) {
    for (int k = 2; k <= w.n; ++k) {
        const double dc = w.grid.centre_gap(k);
        const double e32 = edge_e32(w, k);
        w.ee.AAC[k] += (kGamma * w.coll.Q[k]) * e32 * dc;
        w.ee.AAR[k] += ((kGamma * w.coll.Q[k]) / w.coll.QEFF[k]) * e32 * w.ee.G1[k] * dc;
    }
}

// Rows 2..n of the tridiagonal arrays (n-1 equations) solved into u(2..n).
void solve_edges(SolverWork& w, double* u) {
    if (w.n < 2) return;  // no interior edge: nothing to solve
    tridag(w.ee.AAW + 1, w.ee.AAC + 1, w.ee.AAE + 1, w.ee.AAR + 1, u + 1, w.n - 1, w.ee.GAM);
}

// Mobility factor and corrected QEFF where the edge carries a usable anisotropy.
void correct_cross_section(SolverWork& w) {
    for (int k = 2; k <= w.n; ++k) {
        const bool above_floor = w.dist.F[k] > kTiny && w.dist.F[k - 1] > kTiny;
        if (w.dist.F[k] != w.dist.F[k - 1] && w.dist.F1[k] != 0.0 && above_floor) {
            w.ee.AF1[k] = (w.dist.F1[k] * w.coll.QEFF[k]) / w.ee.G1[k];
            w.coll.QEFF[k] = w.coll.QEFF[k] / w.ee.AF1[k];
        }
    }
}

// Right-hand side of the second system (the diffusion factor); the matrix is
// that of the first system.
void diffusion_rhs(SolverWork& w, double a) {
    const int n = w.n;
    for (int k = 1; k <= n + 1; ++k) w.ee.AAR[k] = 0.0;
    for (int k = 2; k <= n; ++k) w.ee.G1[k] = (edge_value(w, k) / w.coll.Q[k]) * w.ee.AG1[k];
    w.ee.B1[n] = 0.0;
    for (int k = n; k >= 2; --k) {
        w.ee.B1[k - 1] = w.ee.B1[k] + ((w.ee.G1[k] / std::sqrt(w.grid.EPS[k])) * w.grid.centre_gap(k)) / 3.0;
    }
    EdgeSums sums;
    for (int k = 2; k <= n - 1; ++k) {
        sums.add(w, w.ee.G1, k);
        add_source_flux(w, a, k, sums);
    }
    for (int k = 2; k <= n; ++k) {
        w.ee.AAR[k] += kGamma * edge_value(w, k) * edge_e32(w, k) * w.grid.centre_gap(k);
    }
}

// Diffusion factor from the second solution; 1 where the distribution is at the floor.
void diffusion_factor(SolverWork& w) {
    for (int k = 1; k <= w.n + 1; ++k) w.ee.AG1[k] = 1.0;
    for (int k = 2; k <= w.n; ++k) {
        if (w.dist.F[k] > kTiny && w.dist.F[k - 1] > kTiny) {
            w.ee.AG1[k] = (w.ee.G1[k] * w.coll.Q[k]) / edge_value(w, k);
        }
    }
}

}  // namespace

void reset_momentum_factors(int n, EeMomentum& ee) {
    for (int k = 1; k <= n + 1; ++k) {
        ee.AF1[k] = 1.0;
        ee.AG1[k] = 1.0;
    }
}

void ee_momentum_correction(SolverWork& w) {
    const int n = w.n;
    const double a = w.run.ee_degree * w.coll.coulomb_factor;

    for (int k = 1; k <= n + 1; ++k) {
        w.ee.AAE[k] = 0.0;
        w.ee.AAW[k] = 0.0;
        w.ee.AAC[k] = 0.0;
        w.ee.AAR[k] = 0.0;
    }
    w.ee.B0[n] = 0.0;
    w.ee.B1[n] = 0.0;

    // Energy scale of the slope cap: the mean energy sum over 1.5.
    double s = 0.0;
    for (int j = 1; j <= n; ++j) {
        s += (std::sqrt(w.grid.EPSC[j]) * w.grid.EPSC[j]) * w.dist.F[j] * w.grid.width(j);
    }
    const double s_hat = s / 1.5;

    if (n >= 2) start_anisotropy(w, s_hat);
    if (n >= 3) anisotropy_fluxes(w, a);
    anisotropy_collision_terms(w);
    solve_edges(w, w.dist.F1);
    correct_cross_section(w);

    diffusion_rhs(w, a);
    solve_edges(w, w.ee.G1);
    diffusion_factor(w);
}

double ee_start_momentum_step(const SolverWork& w, double T, double R, double S1, double prev) {
    const double e = w.run.reduced_field;
    double t1 = 0.0, t2 = 0.0;
    for (int k = 2; k <= w.n; ++k) {
        const double eps = w.grid.EPS[k];
        const double df = w.dist.F[k] - w.dist.F[k - 1];
        t1 += w.coll.QEFF[k] * (eps * eps) * df;
        t2 += w.coll.QEFF[k] * (eps * eps * eps) * df;
    }
    const double t1t = -(t1 * T);
    if (t1t == 0.0) return prev;  // no field-power sum to balance against
    const double p = (kFieldPowerFactor * e) * e;
    const double x = (T * p) / t1t;
    const double den = (-S1) - (2.5 - (-t2) / t1t) * x;
    if (den == 0.0) return prev;
    return -((R - x) * T) / den;
}

}  // namespace kestor
