// Model gases for the solver tests, written straight into the tables: one
// species per gas with cross sections tabulated densely enough (log-spaced
// points) that their linear interpolation does not matter, and a run row
// with every condition set.
#pragma once

#include <cmath>
#include <functional>

#include "common/tables.h"
#include "common/zeroed.h"
#include "solver/work.h"

namespace kestor::test {

constexpr double kGammaSpeed = 593100.7389459227;  // electron speed per sqrt(eV)
constexpr int kRun = 1;

using CrossSection = std::function<double(double)>;

// Tables and work area of one solver test.
struct ModelSolver {
    ZeroedPtr<Tables> tables = make_tables();
    ZeroedPtr<SolverWork> work = make_solver_work();
    Tables& t() { return *tables; }
    SolverWork& w() { return *work; }
    double& condition(int c, int run = kRun) { return tables->run.run_conditions[run][c]; }
    double result(int r, int run = kRun) const { return tables->run.run_results[run][r]; }
    double rate(int k, int run = kRun) const { return tables->run.run_rate_coef[run][k]; }
};

inline int add_species(Tables& t, double fraction = 1.0, int run = kRun) {
    const int s = ++t.num.species_count;
    t.run.run_gas_fractions[run][s] = fraction;
    return s;
}

// A visible collision of species s whose table holds `points` log-spaced
// energies from e_lo to 1e4 eV (e_lo is the threshold of an inelastic
// process, the table starting there).
inline int add_collision(Tables& t, int s, int kind, double mass_ratio, double threshold,
                         const CrossSection& sigma, double e_lo = 1e-3, int points = 1000) {
    const int k = ++t.num.collision_count;
    t.col.collision_kind[k] = kind;
    t.col.collision_species[k] = s;
    t.col.collision_mass_ratio[k] = mass_ratio;
    t.col.collision_threshold[k] = threshold;
    t.col.lower_level_weight[k] = 1.0;
    t.col.upper_level_weight[k] = 1.0;
    const double e_hi = 1e4;
    const double ratio = std::log(e_hi / e_lo) / (points - 1);
    for (int p = 0; p < points; ++p) {
        const double e = p == points - 1 ? e_hi : e_lo * std::exp(ratio * p);
        t.col.cs_energy[k][p] = e;
        t.col.cs_value[k][p] = sigma(e);
    }
    t.col.cs_npoints[k] = points;
    return k;
}

// Every condition of a run: cold gas, no charged-particle collisions, no
// growth, the maximum energy estimated (kGridEstimated).
inline void set_conditions(ModelSolver& m, double en_td, int n, int run = kRun) {
    double* c = m.t().run.run_conditions[run];
    for (int j = 1; j <= kNumConditions; ++j) c[j] = 0.0;
    c[kCondEN] = en_td;
    c[kCondIonMassRatio] = 1.0;
    c[kCondEnergySharing] = kSharingEqual;
    c[kCondGridPoints] = n;
    c[kCondGridType] = kGridEstimated;
    c[kCondMaxEnergy] = 100.0;
    c[kCondPrecision] = 1e-10;
    c[kCondConvergence] = 1e-4;
    c[kCondMaxIterations] = 200.0;
    if (m.t().num.run_count < run) m.t().num.run_count = run;
}

// Constant collision frequency K N: sigma = K/(gamma sqrt(eps)).
inline CrossSection constant_frequency(double k_rate) {
    return [k_rate](double e) { return k_rate / (kGammaSpeed * std::sqrt(e)); };
}

inline CrossSection constant_value(double q) {
    return [q](double) { return q; };
}

// A uniform grid of n cells up to emax straight in the work area.
inline void uniform_grid(SolverWork& w, int n, double emax) {
    w.n = n;
    w.grid.emax = emax;
    const double h = emax / n;
    for (int k = 1; k <= n + 2; ++k) w.grid.EPS[k] = (k - 1) * h;
    for (int j = 1; j <= n; ++j) w.grid.EPSC[j] = (j - 0.5) * h;
}

// Mixture cross sections at the edges: momentum transfer q(eps) and the
// elastic energy exchange 2 r q(eps); electron-ion parts zero.
inline void edge_cross_sections(SolverWork& w, const CrossSection& q, double r) {
    for (int k = 1; k <= w.n + 1; ++k) {
        const double e = w.grid.EPS[k] > 0.0 ? w.grid.EPS[k] : 1e-3;
        w.coll.CSM[k] = q(e);
        w.coll.CSE[k] = 2.0 * r * w.coll.CSM[k];
        w.coll.CSMEI[k] = 0.0;
        w.coll.CSEEI[k] = 0.0;
        w.coll.Q[k] = w.coll.CSM[k];
        w.coll.QEFF[k] = w.coll.CSM[k];
    }
}

// F(j) = exp(-g EPSC(j)).
inline void exponential_f(SolverWork& w, double g) {
    for (int j = 1; j <= w.n; ++j) w.dist.F[j] = std::exp(-g * w.grid.EPSC[j]);
}

// Integral of f over [a, b] by Simpson's rule in u = sqrt(eps), which keeps
// the eps^1/2 weights smooth at zero energy.
template <class Fn>
double integral(const Fn& f, double a, double b, int steps = 2000) {
    const double ua = std::sqrt(a), ub = std::sqrt(b);
    const double h = (ub - ua) / steps;
    double s = 0.0;
    for (int i = 0; i <= steps; ++i) {
        const double u = ua + i * h;
        const double weight = (i == 0 || i == steps) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
        s += weight * f(u * u) * 2.0 * u;
    }
    return s * h / 3.0;
}

}  // namespace kestor::test
