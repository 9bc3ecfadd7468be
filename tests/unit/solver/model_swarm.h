// Hand-built swarms for the unit tests of the momentum correction and the
// gradient expansion: a Maxwellian, model cross sections and
// the field-plus-elastic operator of the steady two-term equation (the grid
// is uniform_grid of solver_case.h).
#pragma once

#include <cmath>
#include <limits>

#include "solver/linear.h"
#include "solver/work.h"
#include "tests/unit/solver/solver_case.h"

namespace kestor::test {

// Maxwellian of temperature t (eV) at the cell centres.
inline void maxwellian(SolverWork& w, double t) {
    for (int j = 1; j <= w.n; ++j) {
        w.dist.F[j] = std::exp(-w.grid.EPSC[j] / t) * kTwoOverSqrtPi / (std::sqrt(t) * t);
    }
}

// sigma = K/(gamma sqrt(eps)): a collision frequency K N independent of energy
// (infinite at zero energy).
inline void constant_frequency_q(SolverWork& w, double k_rate) {
    for (int k = 1; k <= w.n + 1; ++k) {
        w.coll.Q[k] = w.grid.EPS[k] > 0.0 ? k_rate / (kGamma * std::sqrt(w.grid.EPS[k]))
                                : std::numeric_limits<double>::infinity();
        w.coll.QEFF[k] = w.coll.Q[k];
        w.coll.CSM[k] = w.coll.Q[k];
    }
}

inline void constant_q(SolverWork& w, double q) {
    for (int k = 1; k <= w.n + 1; ++k) {
        w.coll.Q[k] = q;
        w.coll.QEFF[k] = q;
        w.coll.CSM[k] = q;
    }
}

// Face anisotropy of the distribution: F1(k) = E/QEFF dF/deps, F1(1) = 0.
inline void face_anisotropy(SolverWork& w) {
    w.dist.F1[1] = 0.0;
    for (int k = 2; k <= w.n; ++k) {
        w.dist.F1[k] = w.run.reduced_field / w.coll.QEFF[k] * (w.dist.F[k] - w.dist.F[k - 1]) / w.grid.centre_gap(k);
    }
}

// Drift and diffusion in energy at interior edge k: field heating, elastic
// recoil (energy exchange 2m/M Q) and the thermal motion of the gas (kT eV).
inline void edge_flux(const SolverWork& w, int k, double two_m_over_M, double kt, double& c1, double& c2) {
    const double e = w.run.reduced_field;
    const double ce = e * (e * kGammaThird);
    const double sigma = two_m_over_M * w.coll.Q[k];
    const double drift = -(kGamma * w.grid.EPS[k] * w.grid.EPS[k] * sigma);
    const double diffusion = ce * w.grid.EPS[k] / w.coll.QEFF[k] + sigma * kt * kGamma * w.grid.EPS[k] * w.grid.EPS[k];
    expsch(c1, c2, drift, diffusion, w.grid.EPSC[k] - w.grid.EPSC[k - 1]);
}

// Steady two-term operator of these fluxes, exponentially fitted on every
// interior edge, into AG over rows and columns 1..n.
inline void field_elastic_operator(SolverWork& w, double two_m_over_M, double kt = 0.0) {
    const int n = w.n;
    for (int c = 1; c <= n; ++c) {
        for (int i = 1; i <= n; ++i) w.grad.AG(i, c) = 0.0;
    }
    for (int k = 2; k <= n; ++k) {
        double c1 = 0.0, c2 = 0.0;
        edge_flux(w, k, two_m_over_M, kt, c1, c2);
        w.grad.AG(k - 1, k - 1) += c1;
        w.grad.AG(k - 1, k) += c2;
        w.grad.AG(k, k - 1) -= c1;
        w.grad.AG(k, k) -= c2;
    }
    w.grad.saved_operator_valid = 1;
}

// Zero-flux distribution of that operator (every edge flux c1 F(k-1) + c2 F(k)
// vanishes), normalised to sum sqrt(EPSC) F width = 1. For the
// constant-frequency gas on a uniform grid it is the Maxwellian at the cell
// centres; for a constant cross section the Druyvesteyn distribution; without
// field the Maxwellian of the gas.
inline void steady_distribution(SolverWork& w, double two_m_over_M, double kt = 0.0) {
    w.dist.F[1] = 1.0;
    for (int k = 2; k <= w.n; ++k) {
        double c1 = 0.0, c2 = 0.0;
        edge_flux(w, k, two_m_over_M, kt, c1, c2);
        w.dist.F[k] = -c1 / c2 * w.dist.F[k - 1];
    }
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += std::sqrt(w.grid.EPSC[j]) * w.dist.F[j] * (w.grid.EPS[j + 1] - w.grid.EPS[j]);
    for (int j = 1; j <= w.n; ++j) w.dist.F[j] /= s;
}

// Electron temperature of the constant-frequency gas under field E:
// gamma^2 E^2 / (3 (2m/M) K^2).
inline double constant_frequency_temperature(double e, double two_m_over_M, double k_rate) {
    return kGamma * kGamma * e * e / (3.0 * two_m_over_M * k_rate * k_rate);
}

// Diffusion coefficient of the distribution with the factors AG1.
inline double diffusion_coefficient(const SolverWork& w) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        const double lo = w.grid.EPS[j] > 0.0 ? w.ee.AG1[j] * w.grid.EPS[j] / w.coll.Q[j] : 0.0;
        const double hi = w.ee.AG1[j + 1] * w.grid.EPS[j + 1] / w.coll.Q[j + 1];
        s += 0.5 * (hi + lo) * w.dist.F[j] * (w.grid.EPS[j + 1] - w.grid.EPS[j]);
    }
    return kGammaThird * s;
}

// Mobility of the distribution with the factors AF1.
inline double mobility(const SolverWork& w) {
    double s = 0.0;
    for (int k = 2; k <= w.n; ++k) s += (w.grid.EPS[k] / w.coll.Q[k]) * w.ee.AF1[k] * (w.dist.F[k - 1] - w.dist.F[k]);
    return kGammaThird * s;
}

}  // namespace kestor::test
