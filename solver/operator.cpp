// The discrete Boltzmann operator of one iteration: finite volumes on the
// energy grid with exponentially fitted fluxes through the interior edges,
// the collision matrices, the growth terms and the normalisation row.

#include "solver/operator.h"

#include <cmath>
#include <cstring>

#include "solver/constants.h"
#include "solver/gradient.h"
#include "solver/linear.h"
#include "solver/setup.h"

namespace kestor {

namespace {

// Field heating coefficient (E/N)^2 gamma/3.
double field_coefficient(const SolverWork& w) {
    const double e = w.run.reduced_field;
    return e * (e * kGammaThird);
}

// The thermal term carries sqrt(a b) (ln a - ln b), whose limit is 0 where
// a or b is not positive (an underflowed Maxwellian of the start).
bool positive_pair(double a, double b) { return a > 0.0 && b > 0.0; }

// out(i) = sum over k of m(i, k) f(k), rows and columns 1..n, column by column.
void row_sums(const SystemMatrix& m, int n, const double* f, double* out) {
    for (int i = 1; i <= n; ++i) out[i] = 0.0;
    for (int k = 1; k <= n; ++k) {
        const double fk = f[k];
        const double* col = m.column(k);
        for (int i = 1; i <= n; ++i) out[i] += col[i] * fk;
    }
}

// Sum over cells of EPSC(i) times the collision balance of row i.
double collision_power(SolverWork& w) {
    const int n = w.n;
    row_sums(w.A, n, w.dist.F, w.ROWSUM);
    double p = 0.0;
    for (int i = 1; i <= n; ++i) p += w.grid.EPSC[i] * (w.ROWSUM[i] - w.A(i, n + 1));
    return p;
}

double field_power(const SolverWork& w) {
    const double ce = field_coefficient(w);
    double p = 0.0;
    for (int k = 2; k <= w.n; ++k) p += (w.grid.EPS[k] * ce / w.coll.QEFF[k]) * (w.dist.F[k - 1] - w.dist.F[k]);
    return p;
}

// Elastic energy loss by drift and the thermal gain of the gas temperature.
void elastic_powers(SolverWork& w) {
    const double e = w.run.reduced_field;
    const double tg = w.run.gas_temperature_ev;
    double drift = 0.0, thermal = 0.0;
    for (int k = 2; k <= w.n; ++k) {
        const double eps = w.grid.EPS[k];
        const double sigma = w.coll.CSE[k] + w.coll.CSEEI[k];
        const double fl = w.dist.F[k - 1], fu = w.dist.F[k];
        const double s = std::sqrt(fl * fu);
        const double delta = w.grid.centre_gap(k);
        if (w.run.growth_model == kGrowthSpatial) {
            // The spatial-growth drift; add_fluxes below and
            // start_energy_balance (iteration.cpp) write it too, in orders
            // of their own that the numbers depend on.
            const double factor = kGamma * eps * eps * sigma +
                                  w.coll.townsend_alpha * kTwoGammaThird * e * eps / w.coll.Q[k];
            drift += factor * s * delta;
        } else {
            drift += kGamma * eps * eps * sigma * delta * s;
        }
        if (positive_pair(fl, fu)) {
            thermal += sigma * tg * kGamma * s * eps * eps * (std::log(fl) - std::log(fu));
        }
    }
    w.iter.elastic_drift_power = drift;
    w.iter.elastic_thermal_power = thermal;
}

// Superelastic gains and the energy brought back by the attachment terms.
double extra_power(const Tables& t, SolverWork& w) {
    const int n = w.n;
    double p = 0.0;
    const int visited = visited_collision_count(t);
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        if (!(w.run.CX2[k] > 0.0)) continue;
        double s = 0.0;
        for (int i = 1; i <= n; ++i) s += w.coll.RRINV[k][i] * w.dist.F[i];
        p += w.run.CX2[k] * t.col.collision_threshold[k] * s;
    }
    if (w.coll.attachment_freq > 0.0) {
        if (w.run.growth_model == kGrowthTemporal) {
            p += w.coll.attachment_freq * w.dist.FF2[n + 1];
        } else if (w.run.growth_model == kGrowthSpatial) {
            const double excess = w.coll.attachment_freq - w.coll.ionization_freq;
            double s = 0.0;
            for (int j = 1; j <= n; ++j) s += w.coll.AAAA[j] * w.grid.EPSC[j];
            p += (excess > 0.0 ? excess : 0.0) * s;
        }
    }
    return p;
}

void add_fluxes(SolverWork& w) {
    const int n = w.n;
    const double a = w.run.ee_degree * w.coll.coulomb_factor;
    const double e = w.run.reduced_field;
    const double kt = w.run.gas_temperature_ev;
    const double ce = field_coefficient(w);
    for (int k = 2; k <= n; ++k) {
        const double eps = w.grid.EPS[k];
        const double sigma = w.coll.CSE[k] + w.coll.CSEEI[k];
        double drift = -(kGamma * eps * eps * sigma) - a * w.dist.FF1[k];
        if (w.run.growth_model == kGrowthSpatial) {
            // The spatial-growth drift; elastic_powers above and
            // start_energy_balance (iteration.cpp) write it too, in orders
            // of their own that the numbers depend on.
            drift = drift - eps * (w.coll.townsend_alpha * kTwoGammaThird * e) / w.coll.Q[k];
        }
        const double diffusion = ((ce * eps) / w.coll.QEFF[k] +
                                  (std::sqrt(eps) * eps * w.dist.FF3[k] + w.dist.FF2[k]) * (a / 1.5)) +
                                 sigma * kt * kGamma * eps * eps;
        const double h = w.grid.centre_gap(k);
        double c1 = 0.0, c2 = 0.0;
        expsch(c1, c2, drift, diffusion, h);
        // Upward flux c1 F(k-1) + c2 F(k): out of cell k-1, into cell k.
        w.A(k - 1, k - 1) += c1;
        w.A(k - 1, k) += c2;
        w.A(k, k - 1) -= c1;
        w.A(k, k) -= c2;
    }
}

// Temporal growth with attachment: the attachment part of the growth term
// follows the new distribution.
void temporal_attachment(SolverWork& w) {
    const int n = w.n;
    for (int j = 1; j <= n; ++j) w.A(j, j) += w.coll.attachment_freq * w.dist.H[j];
    for (int k = 1; k <= n; ++k) {
        const double rra = w.coll.RRA[k];
        double* col = w.A.column(k);
        for (int i = 1; i <= n; ++i) col[i] -= w.dist.H[i] * w.dist.F[i] * rra;
    }
}

// The balance of cell 1 is replaced by int eps^1/2 F = 1.
void normalisation_row(SolverWork& w) {
    const int n = w.n;
    for (int k = 1; k <= n; ++k) w.A(1, k) = w.dist.H[k];
    w.A(1, n + 1) = 1.0;
}

}  // namespace

void build_collision_part(SolverWork& w) {
    const int n = w.n;
    const std::size_t rows = static_cast<std::size_t>(n) * sizeof(double);
    for (int k = 1; k <= n + 1; ++k) std::memcpy(w.A.column(k) + 1, w.coll.AA.column(k) + 1, rows);
    // Secondary electrons of ionisation, from the current distribution.
    const int rhs = n + 1;
    row_sums(w.coll.AAA, n, w.dist.F, w.ROWSUM);
    for (int i = 1; i <= n; ++i) w.A(i, rhs) += w.ROWSUM[i];
    for (int j = 1; j <= n; ++j) w.A(j, j) += w.coll.RRA[j];
}

void power_balance(const Tables& t, SolverWork& w) {
    if (!(w.run.ee_degree > 0.0)) return;
    w.iter.collision_power = collision_power(w);
    w.iter.field_power = field_power(w);
    elastic_powers(w);
    w.iter.extra_power = extra_power(t, w);

    const double pc = w.iter.collision_power, pd = w.iter.elastic_drift_power;
    const double pt = w.iter.elastic_thermal_power, pf = w.iter.field_power, px = w.iter.extra_power;
    const double imbalance = pc + pd - pt - pf;
    w.iter.previous_balance_error = w.iter.balance_error;
    w.iter.balance_error = std::fabs(imbalance) / (pf + px);
    w.iter.ee_energy_factor = 1.0 + 0.25 * imbalance / (pc + pd + pt + pf + px);
    // The electron-electron friction grows when the losses exceed the gain.
    for (int k = 1; k <= w.n + 1; ++k) w.dist.FF1[k] = w.dist.FF1[k] * w.iter.ee_energy_factor;
}

void build_fluxes_and_solve(SolverWork& w) {
    const int n = w.n;
    if (n >= 2) add_fluxes(w);
    if (w.run.gradient_submode != kGradientOff) save_operator(w);
    if (w.run.growth_model == kGrowthTemporal && w.coll.attachment_freq > 0.0) temporal_attachment(w);
    normalisation_row(w);
    solve_system(w, w.dist.F);
}

}  // namespace kestor
