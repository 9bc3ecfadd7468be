#include "solver/gradient.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/linear.h"

namespace kestor {

namespace {

double width(const SolverWork& w, int i) { return w.EPS[i + 1] - w.EPS[i]; }
double centre_gap(const SolverWork& w, int k) { return w.EPSC[k] - w.EPSC[k - 1]; }

// eps/Q at edge k. The zero-energy edge contributes nothing: EPS(1) = 0, and
// the cross section there may be 0 as well, which must not give 0/0.
double eps_over_q(const SolverWork& w, int k) {
    return w.EPS[k] == 0.0 ? 0.0 : w.EPS[k] / w.Q[k];
}

// Row factor of cell i: its electrons plus the anisotropy flux across its edges.
double row_factor(const SolverWork& w, int i) {
    const double el = w.EPS[i];
    const double eu = w.EPS[i + 1];
    return std::sqrt(w.EPSC[i]) * w.F[i] * width(w, i) +
           (w.reduced_field / 3.0) *
               (std::sqrt(eu) * w.F1[i + 1] / w.Q[i + 1] - std::sqrt(el) * w.F1[i] / w.Q[i]);
}

// Spatial-transport source of cell i built from an edge anisotropy x1 and a
// cell distribution y (F1 and F for the first system, GZ1 and GZ for the second).
double transport_source(const SolverWork& w, int i, const double* x1, const double* y) {
    const double el = w.EPS[i];
    const double eu = w.EPS[i + 1];
    return kGammaSixth *
           ((el * x1[i] + eu * x1[i + 1]) * width(w, i) +
            w.reduced_field * (eu * (y[i] + y[i + 1]) / w.Q[i + 1] - el * (y[i - 1] + y[i]) / w.Q[i]));
}

// Net production sum_j RRIA(j) x(j) of a solution.
double net_production(const SolverWork& w, const double* x) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += w.RRIA[j] * x[j];
    return s;
}

// Builds one system from the saved operator and solves it into x. rhs(i)
// gives the right-hand side of the interior row i.
template <class Rhs>
void solve_gradient_system(SolverWork& w, double* x, Rhs rhs) {
    const int n = w.n;
    for (int c = 1; c <= n; ++c) {
        for (int i = 1; i <= n; ++i) w.A(i, c) = w.AG(i, c);
    }
    // Interior rows gain S(i) times the net production of the solution.
    for (int i = 2; i <= n - 1; ++i) w.A(i, n + 1) = rhs(i);
    for (int c = 1; c <= n; ++c) {
        for (int i = 2; i <= n - 1; ++i) w.A(i, c) = w.A(i, c) + w.grad_S[i] * w.RRIA[c];
    }
    // The correction carries no electrons...
    for (int c = 1; c <= n; ++c) w.A(1, c) = std::sqrt(w.EPSC[c]) * width(w, c);
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
    const double e = w.reduced_field;
    for (int k = 2; k <= w.n; ++k) {
        out[k] = ((e * (x[k] - x[k - 1])) / centre_gap(w, k) + 0.5 * (y[k] + y[k - 1]) -
                  drift(k) / std::sqrt(w.EPS[k])) /
                 w.Q[k];
    }
}

// Diffusion sum of the distribution without the electron-electron factors.
double diffusion_sum(const SolverWork& w) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        s += 0.5 * (eps_over_q(w, j + 1) + eps_over_q(w, j)) * w.F[j] * width(w, j);
    }
    return kGammaThird * s;
}

// sum_k (sqrt(eps)/Q) F1 gap over the interior edges.
double anisotropy_sum(const SolverWork& w) {
    double s = 0.0;
    for (int k = 2; k <= w.n; ++k) s += (std::sqrt(w.EPS[k]) / w.Q[k]) * w.F1[k] * centre_gap(w, k);
    return s;
}

void clear_solutions(SolverWork& w) {
    for (int j = 1; j <= w.n; ++j) {
        w.GZ[j] = 0.0;
        w.GZZ[j] = 0.0;
        w.GYY[j] = 0.0;
    }
    for (int k = 2; k <= w.n; ++k) {
        w.GZ1[k] = 0.0;
        w.GZZ1[k] = 0.0;
    }
}

}  // namespace

void clear_saved_operator(SolverWork& w) {
    for (int c = 1; c <= w.n; ++c) {
        for (int i = 1; i <= w.n; ++i) w.AG(i, c) = 0.0;
    }
    w.saved_operator_valid = 0;
}

void save_operator(SolverWork& w) {
    for (int c = 1; c <= w.n; ++c) {
        for (int i = 1; i <= w.n; ++i) w.AG(i, c) = w.A(i, c) - w.AAA(i, c);
    }
    w.saved_operator_valid = 1;
}

void gradient_expansion(SolverWork& w) {
    const int n = w.n;
    const double e = w.reduced_field;
    const bool growth = w.growth_model != 0;

    double sw = 0.0;
    for (int k = 2; k <= n; ++k) sw += w.EPS[k] * w.F1[k] * centre_gap(w, k);
    const double W = kGammaThird * sw;
    const double d0 = diffusion_sum(w);
    const double sb = anisotropy_sum(w);
    w.grad_W = W;
    w.grad_D0 = d0;

    if (w.saved_operator_valid == 0) {
        // No operator of this run to expand with: the solutions are zero,
        // and the longitudinal diffusion keeps the terms that do not
        // depend on them.
        clear_solutions(w);
        w.grad_P1 = 0.0;
        w.grad_L1 = d0 - (W / 3.0) * sb;
        w.grad_P2 = 0.0;
        w.grad_P3 = 0.0;
        return;
    }

    for (int i = 2; i <= n - 1; ++i) w.grad_S[i] = row_factor(w, i);

    // First order along the field.
    solve_gradient_system(w, w.GZ, [&](int i) {
        return transport_source(w, i, w.F1, w.F) - W * w.grad_S[i];
    });
    const double p1 = growth ? net_production(w, w.GZ) : 0.0;
    const double wp = W + p1;
    double sa = 0.0;
    for (int k = 2; k <= n; ++k) sa += eps_over_q(w, k) * (w.GZ[k] - w.GZ[k - 1]);
    const double l1 = (kGammaThird * e) * sa + d0 - (wp / 3.0) * sb;
    edge_solution(w, w.GZ1, w.GZ, w.F, [&](int k) { return (wp / kGamma) * w.F1[k]; });

    // Second order along the field.
    solve_gradient_system(w, w.GZZ, [&](int i) {
        const double el = w.EPS[i];
        const double eu = w.EPS[i + 1];
        return transport_source(w, i, w.GZ1, w.GZ) - wp * std::sqrt(w.EPSC[i]) * w.GZ[i] * width(w, i) -
               (e * wp / 3.0) * (std::sqrt(eu) * w.GZ1[i + 1] / w.Q[i + 1] - std::sqrt(el) * w.GZ1[i] / w.Q[i]) -
               l1 * w.grad_S[i];
    });
    const double p2 = growth ? net_production(w, w.GZZ) - (p1 / 3.0) * sb : 0.0;
    const double lp = l1 + p2;
    edge_solution(w, w.GZZ1, w.GZZ, w.GZ,
                  [&](int k) { return (wp * w.GZ1[k] + lp * w.F1[k]) / kGamma; });

    // Second order across the field.
    solve_gradient_system(w, w.GYY, [&](int i) {
        return kGammaSixth * (eps_over_q(w, i) + eps_over_q(w, i + 1)) * w.F[i] * width(w, i) - d0 * w.grad_S[i];
    });
    const double p3 = growth ? net_production(w, w.GYY) : 0.0;

    w.grad_P1 = p1;
    w.grad_L1 = l1;
    w.grad_P2 = p2;
    w.grad_P3 = p3;
}

void gradient_reconstruct(SolverWork& w) {
    const double nu = w.ionization_freq - w.attachment_freq;
    const double wp = w.grad_W + w.grad_P1;
    const double lp = w.grad_L1 + w.grad_P2;
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
    w.grad_alpha = alpha;
    const double alpha2 = alpha * alpha;
    for (int j = 1; j <= w.n; ++j) w.F[j] = w.F[j] + alpha * w.GZ[j] + alpha2 * w.GZZ[j];
    for (int k = 2; k <= w.n; ++k) w.F1[k] = w.F1[k] + alpha * w.GZ1[k] + alpha2 * w.GZZ1[k];
}

GradientResults gradient_results(const SolverWork& w, double mu, double dn) {
    GradientResults r{};
    const double e = w.reduced_field;
    r.bulk_mobility = e > 0.0 ? mu - w.grad_P1 / e : mu;
    r.longitudinal_diffusion = w.grad_L1;
    r.bulk_t_diffusion = dn + w.grad_P3;
    r.bulk_l_diffusion = w.grad_L1 + w.grad_P2;
    return r;
}

}  // namespace kestor
