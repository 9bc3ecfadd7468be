// The tables and work area of one solver test on a model gas
// (tests/support/model_gas.h), the conditions of its runs, and pieces of the
// work area set by hand: a uniform grid, edge cross sections, a distribution.
#pragma once

#include <cmath>

#include "common/zeroed.h"
#include "solver/work.h"
#include "tests/support/conditions.h"
#include "tests/support/model_gas.h"

namespace kestor::test {

struct SolverCase {
    ZeroedPtr<Tables> tables = make_tables();
    ZeroedPtr<SolverWork> work = make_solver_work();
    Tables& t = *tables;
    SolverWork& w = *work;
    double& cond(int c, int run = kRun) { return t.run.run_conditions[run][c]; }
    double result(int r, int run = kRun) const { return t.run.run_results[run][r]; }
    double rate(int k, int run = kRun) const { return t.run.run_rate_coef[run][k]; }
};

// Every condition of a run: cold gas, no charged-particle collisions, no
// growth, the maximum energy estimated (kGridEstimated).
inline void set_conditions(SolverCase& m, double en_td, int n, int run = kRun) {
    set_conditions(m.t, run,
                   {{kCondEN, en_td}, {kCondEnergySharing, kSharingEqual}, {kCondGridPoints, n},
                    {kCondGridType, kGridEstimated}, {kCondMaxEnergy, 100.0}});
    if (m.t.num.run_count < run) m.t.num.run_count = run;
}

// Ordinary conditions of a run: 100 Td, 300 K, 100 cells of a linear grid
// to 20 eV, precision 1e-10.
inline void set_ordinary_conditions(SolverCase& c) {
    set_conditions(c.t, kRun,
                   {{kCondEN, 100.0}, {kCondCosEB, 1.0}, {kCondGasTemp, 300.0},
                    {kCondEnergySharing, kSharingSecondaryAtZero}, {kCondGridPoints, 100.0},
                    {kCondGridType, kGridLinear}, {kCondMaxEnergy, 20.0}, {kCondMaxIterations, 100.0}});
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
