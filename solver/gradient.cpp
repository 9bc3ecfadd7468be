#include "solver/gradient.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/linear.h"

namespace kestor {

namespace {

// eps/Q at edge k. The zero-energy edge contributes nothing: EPS(1) = 0, and
// the cross section there may be 0 as well, which must not give 0/0.
double eps_over_q(const SolverWork& w, int k) {
    return w.grid.EPS[k] == 0.0 ? 0.0 : w.grid.EPS[k] / w.coll.Q[k];
}

// Row factor of cell i: its electrons plus the anisotropy flux across its edges.
double row_factor(const SolverWork& w, int i) {
    const double el = w.grid.EPS[i];
    const double eu = w.grid.EPS[i + 1];
    return std::sqrt(w.grid.EPSC[i]) * w.dist.F[i] * w.grid.width(i) +
           (w.run.reduced_field / 3.0) *
               (std::sqrt(eu) * w.dist.F1[i + 1] / w.coll.Q[i + 1] - std::sqrt(el) * w.dist.F1[i] / w.coll.Q[i]);
}

// Spatial-transport source of cell i built from an edge anisotropy x1 and a
// cell distribution y (F1 and F for the first system, GZ1 and GZ for the second).
double transport_source(const SolverWork& w, int i, const double* x1, const double* y) {
    const double el = w.grid.EPS[i];
    const double eu = w.grid.EPS[i + 1];
    return kGammaSixth *
           ((el * x1[i] + eu * x1[i + 1]) * w.grid.width(i) +
            w.run.reduced_field * (eu * (y[i] + y[i + 1]) / w.coll.Q[i + 1] - el * (y[i - 1] + y[i]) / w.coll.Q[i]));
}

// Net production sum_j RRIA(j) x(j) of a solution.
double net_production(const SolverWork& w, const double* x) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += w.coll.RRIA[j] * x[j];
    return s;
}

// Builds one system from the saved operator and solves it into x. rhs(i)
// gives the right-hand side of the interior row i.
template <class Rhs>
void solve_gradient_system(SolverWork& w, double* x, Rhs rhs) {
    const int n = w.n;
    for (int c = 1; c <= n; ++c) {
        for (int i = 1; i <= n; ++i) w.A(i, c) = w.grad.AG(i, c);
    }
    // Interior rows gain S(i) times the net production of the solution.
    for (int i = 2; i <= n - 1; ++i) w.A(i, n + 1) = rhs(i);
    for (int c = 1; c <= n; ++c) {
        for (int i = 2; i <= n - 1; ++i) w.A(i, c) = w.A(i, c) + w.grad.S[i] * w.coll.RRIA[c];
    }
    // The correction carries no electrons...
    for (int c = 1; c <= n; ++c) w.A(1, c) = std::sqrt(w.grid.EPSC[c]) * w.grid.width(c);
    w.A(1, n + 1) = 0.0;
    // ...and vanishes in the last cell.
    for (int c = 1; c <= n + 1; ++c) w.A(n, c) = 0.0;
    w.A(n, n) = 1.0;
    solve_system(w, x);
}

// Edge values of a gradient solution, built like the anisotropy F1:
// out(k) = [E (x(k) - x(k-1))/gap + 0.5 (y(k) + y(k-1)) - drift(k)/sqrt(eps)] / Q(k),
// drift(k) the growth-drift part supplied by the caller.
template <class Drift>
void edge_solution(SolverWork& w, double* out, const double* x, const double* y, Drift drift) {
    const double e = w.run.reduced_field;
    for (int k = 2; k <= w.n; ++k) {
        out[k] = ((e * (x[k] - x[k - 1])) / w.grid.centre_gap(k) + 0.5 * (y[k] + y[k - 1]) -
                  drift(k) / std::sqrt(w.grid.EPS[k])) /
                 w.coll.Q[k];
    }
}

// Diffusion sum of the distribution without the electron-electron factors.
double diffusion_sum(const SolverWork& w) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        s += 0.5 * (eps_over_q(w, j + 1) + eps_over_q(w, j)) * w.dist.F[j] * w.grid.width(j);
    }
    return kGammaThird * s;
}

// sum_k (sqrt(eps)/Q) F1 gap over the interior edges.
double anisotropy_sum(const SolverWork& w) {
    double s = 0.0;
    for (int k = 2; k <= w.n; ++k) s += (std::sqrt(w.grid.EPS[k]) / w.coll.Q[k]) * w.dist.F1[k] * w.grid.centre_gap(k);
    return s;
}

void clear_solutions(int n, GradientState& grad) {
    for (int j = 1; j <= n; ++j) {
        grad.GZ[j] = 0.0;
        grad.GZZ[j] = 0.0;
        grad.GYY[j] = 0.0;
    }
    for (int k = 2; k <= n; ++k) {
        grad.GZ1[k] = 0.0;
        grad.GZZ1[k] = 0.0;
    }
}

}  // namespace

void clear_saved_operator(int n, GradientState& grad) {
    for (int c = 1; c <= n; ++c) {
        for (int i = 1; i <= n; ++i) grad.AG(i, c) = 0.0;
    }
    grad.saved_operator_valid = 0;
}

void save_operator(SolverWork& w) {
    for (int c = 1; c <= w.n; ++c) {
        for (int i = 1; i <= w.n; ++i) w.grad.AG(i, c) = w.A(i, c) - w.coll.AAA(i, c);
    }
    w.grad.saved_operator_valid = 1;
}

void gradient_expansion(SolverWork& w) {
    const int n = w.n;
    const double e = w.run.reduced_field;
    const bool growth = w.run.growth_model != kGrowthNone;
    const GridState& grid = w.grid;
    const double* f = w.dist.F;
    const double* f1 = w.dist.F1;
    const double* q = w.coll.Q;
    GradientState& g = w.grad;

    double sw = 0.0;
    for (int k = 2; k <= n; ++k) sw += grid.EPS[k] * f1[k] * grid.centre_gap(k);
    const double W = kGammaThird * sw;
    const double d0 = diffusion_sum(w);
    const double sb = anisotropy_sum(w);
    g.W = W;
    g.D0 = d0;

    if (g.saved_operator_valid == 0) {
        // No operator of this run to expand with: the solutions are zero,
        // and the longitudinal diffusion keeps the terms that do not
        // depend on them.
        clear_solutions(n, g);
        g.P1 = 0.0;
        g.L1 = d0 - (W / 3.0) * sb;
        g.P2 = 0.0;
        g.P3 = 0.0;
        return;
    }

    for (int i = 2; i <= n - 1; ++i) g.S[i] = row_factor(w, i);

    // First order along the field.
    solve_gradient_system(w, g.GZ, [&](int i) { return transport_source(w, i, f1, f) - W * g.S[i]; });
    const double p1 = growth ? net_production(w, g.GZ) : 0.0;
    const double wp = W + p1;
    double sa = 0.0;
    for (int k = 2; k <= n; ++k) sa += eps_over_q(w, k) * (g.GZ[k] - g.GZ[k - 1]);
    const double l1 = (kGammaThird * e) * sa + d0 - (wp / 3.0) * sb;
    edge_solution(w, g.GZ1, g.GZ, f, [&](int k) { return (wp / kGamma) * f1[k]; });

    // Second order along the field.
    solve_gradient_system(w, g.GZZ, [&](int i) {
        const double el = grid.EPS[i];
        const double eu = grid.EPS[i + 1];
        return transport_source(w, i, g.GZ1, g.GZ) - wp * std::sqrt(grid.EPSC[i]) * g.GZ[i] * grid.width(i) -
               (e * wp / 3.0) * (std::sqrt(eu) * g.GZ1[i + 1] / q[i + 1] - std::sqrt(el) * g.GZ1[i] / q[i]) -
               l1 * g.S[i];
    });
    const double p2 = growth ? net_production(w, g.GZZ) - (p1 / 3.0) * sb : 0.0;
    const double lp = l1 + p2;
    edge_solution(w, g.GZZ1, g.GZZ, g.GZ, [&](int k) { return (wp * g.GZ1[k] + lp * f1[k]) / kGamma; });

    // Second order across the field.
    solve_gradient_system(w, g.GYY, [&](int i) {
        return kGammaSixth * (eps_over_q(w, i) + eps_over_q(w, i + 1)) * f[i] * grid.width(i) - d0 * g.S[i];
    });
    const double p3 = growth ? net_production(w, g.GYY) : 0.0;

    g.P1 = p1;
    g.L1 = l1;
    g.P2 = p2;
    g.P3 = p3;
}

void gradient_reconstruct(const CollisionTerms& coll, int n, GradientState& grad, Distribution& dist) {
    const double nu = coll.ionization_freq - coll.attachment_freq;
    const double wp = grad.W + grad.P1;
    const double lp = grad.L1 + grad.P2;
    // alpha is the root of lp alpha^2 + wp alpha + nu = 0 that stays finite
    // as lp -> 0 for a drift against the field (wp < 0).
    double d = wp * wp - 4.0 * nu * lp;
    if (!(d > 0.0)) d = 0.0;
    double alpha = 0.0;
    if (lp != 0.0) {
        alpha = -0.5 * (wp + std::sqrt(d)) / lp;
    } else if (wp != 0.0) {
        alpha = -nu / wp;  // without longitudinal diffusion the balance is linear
    }
    grad.alpha = alpha;
    const double alpha2 = alpha * alpha;
    for (int j = 1; j <= n; ++j) dist.F[j] = dist.F[j] + alpha * grad.GZ[j] + alpha2 * grad.GZZ[j];
    for (int k = 2; k <= n; ++k) dist.F1[k] = dist.F1[k] + alpha * grad.GZ1[k] + alpha2 * grad.GZZ1[k];
}

GradientResults gradient_results(const GradientState& grad, double e, double mu, double dn) {
    GradientResults r{};
    r.bulk_mobility = e > 0.0 ? mu - grad.P1 / e : mu;
    r.longitudinal_diffusion = grad.L1;
    r.bulk_t_diffusion = dn + grad.P3;
    r.bulk_l_diffusion = grad.L1 + grad.P2;
    return r;
}

}  // namespace kestor
