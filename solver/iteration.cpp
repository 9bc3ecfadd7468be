// Grid trials and the fixed-point iteration of a run.

#include "solver/iteration.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/cross_sections.h"
#include "solver/ee_momentum.h"
#include "solver/grid.h"
#include "solver/operator.h"
#include "solver/operator_terms.h"

namespace kestor {

namespace {

constexpr double kAcceptFraction = 0.699999988079071;   // tail must start above 0.7 emax
constexpr double kStartRerun = 9.999999974752427e-07;   // relative step that reruns the start
constexpr double kStartTolerance = 9.99999993922529e-09;
constexpr double kStartEmaxGrowth = 1.5;
constexpr double kStartEmaxCeiling = 5000.0;
constexpr int kStartMaxSteps = 20;

enum class Next { kIterate, kNewTrial, kLeave };

void start_trial(const Tables& t, SolverWork& w) {
    build_grid(w.n, w.grid);
    edge_cross_sections(t, w.run, w.grid, w.n, w.coll);
    w.iter.ee_start_temperature = initial_distribution(w.run, w.grid, w.n, w.dist);
    reset_momentum_factors(w.n, w.ee);
    w.iter.trial_iterations = 0;
    w.iter.change = 1.0;
    w.iter.balance_error = 0.0;
    w.iter.previous_balance_error = 1.0;
}

// A new grid trial is refused once the iteration limit has been passed by
// more than one iteration, so that no chain of new trials (a limit below 4
// makes every trial end at its first iterations; a grid that keeps
// shrinking never reaches the top energy; the electron-electron start can
// re-estimate at every trial start) can run without end. One iteration
// past the limit is still allowed: the first iteration of that new trial
// then ends the run at the limit test, as any unconverged run ends.
// Returns true when the run must stop.
bool stop_instead_of_new_trial(SolverWork& w) {
    const long long limit = static_cast<long long>(w.run.max_iterations) + 1;
    if (static_cast<long long>(w.iter.total_iterations) <= limit) return false;
    w.iter.run_status = kStatusFailed;
    return true;
}

// Energy gains and losses of the operator per cell, B(j), for the
// temperature balance of the electron-electron start.
void start_energy_balance(SolverWork& w) {
    const int n = w.n;
    for (int j = 1; j <= n + 1; ++j) {
        const double* col = w.A.column(j);
        double s = 0.0;
        for (int i = 1; i <= n; ++i) s += col[i] * w.grid.EPSC[i];
        w.iter.B[j] = -s;
    }
    if (n < 2) return;
    const double e = w.run.reduced_field;
    const double tg = w.run.gas_temperature_ev;
    const double ef = e * (e * kGamma);
    for (int k = 2; k <= n; ++k) {
        const double eps = w.grid.EPS[k];
        const double sigma = w.coll.CSE[k] + w.coll.CSEEI[k];
        double drift = -(kGamma * eps * eps * sigma);
        if (w.run.growth_model == kGrowthSpatial) {
            // The spatial-growth drift; add_fluxes and elastic_powers
            // (operator.cpp) write it too, in orders of their own that the
            // numbers depend on.
            drift = drift - (w.coll.townsend_alpha * kTwoGammaThird * e) * eps / w.coll.Q[k];
        }
        double diffusion = sigma * tg * kGamma * eps * eps;
        // With momentum effects the field heating enters the Newton step instead.
        if (w.run.ee_momentum_flag == kEEMomentumOff) diffusion = diffusion + ((eps * ef) / w.coll.QEFF[k]) / 3.0;
        const double delta = w.grid.centre_gap(k) * 0.5 * drift;
        w.iter.B[k - 1] = w.iter.B[k - 1] + diffusion + delta;
        w.iter.B[k] = w.iter.B[k] - diffusion + delta;
    }
}

// F = the Maxwellian of temperature T; returns the balance sums S0, S1.
void start_maxwellian(SolverWork& w, double temp, double& s0, double& s1) {
    const double inv_sqrt = 1.0 / std::sqrt(temp);
    s0 = 0.0;
    s1 = 0.0;
    for (int i = 1; i <= w.n; ++i) {
        const double x = w.grid.EPSC[i] / temp;
        w.dist.F[i] = std::exp(-x) * kTwoOverSqrtPi * inv_sqrt * (inv_sqrt * inv_sqrt);
        s0 += w.iter.B[i] * w.dist.F[i];
        s1 += (x - 1.5) * w.iter.B[i] * w.dist.F[i];
    }
}

// Newton step of the start temperature; prev where the step is undefined.
double start_step(const SolverWork& w, double temp, double r, double s1, double prev) {
    if (w.run.ee_momentum_flag != kEEMomentumOff) return ee_start_momentum_step(w, temp, r, s1, prev);
    return s1 != 0.0 ? r * temp / s1 : prev;
}

// Electron-electron start of a trial: replaces F by the Maxwellian whose
// temperature balances the energy gains and losses of the operator, which
// the electron-electron collisions drive the distribution towards.
Next electron_electron_start(const Tables& t, SolverWork& w) {
    if (!(w.run.ee_degree > 2.0 * w.run.ei_degree)) return Next::kIterate;
    if (!(std::fabs(w.iter.ee_start_step) > kStartRerun * w.iter.ee_start_temperature)) return Next::kIterate;

    start_energy_balance(w);
    const double tg = w.run.gas_temperature_ev;
    w.iter.ee_start_step = w.iter.ee_start_temperature;
    int steps = 1;
    for (;;) {
        const double temp = w.iter.ee_start_temperature;
        const double prev = w.iter.ee_start_step;
        double s0 = 0.0, s1 = 0.0;
        start_maxwellian(w, temp, s0, s1);
        const double r = w.iter.B[w.n + 1] - s0;
        double step = start_step(w, temp, r, s1, prev);
        // One step never goes more than half-way down to the gas temperature.
        const double limit = -0.5 * (temp - tg);
        if (step < limit) step = limit;
        if (std::fabs(step) > std::fabs(prev)) {
            // Diverging: the grid is too short for the balance temperature.
            w.grid.emax = kStartEmaxGrowth * w.grid.emax;
            w.iter.ee_start_step = step;
            if (w.grid.emax <= kStartEmaxCeiling) return Next::kNewTrial;
            break;
        }
        const double next = temp + step;
        w.iter.ee_start_temperature = next;
        w.iter.ee_start_step = step;
        if (std::fabs(step) < kStartTolerance * next) break;
        ++steps;
        if (steps > kStartMaxSteps) break;
    }
    if (w.run.ei_degree > 0.0 && steps > kStartMaxSteps && w.iter.ee_start_temperature < 1.5 * tg) {
        if (stop_instead_of_new_trial(w)) return Next::kLeave;
        estimate_emax(t, w.run, w.grid, false);
        return Next::kNewTrial;
    }
    return Next::kIterate;
}

bool converged(const SolverWork& w) {
    const double c = w.run.convergence;
    return w.iter.trial_iterations > 1 && c > w.iter.change && c > w.iter.previous_change &&
           (w.iter.balance_error < c * c || w.iter.balance_error > w.iter.previous_balance_error);
}

bool tail_fits(const SolverWork& w) {
    const int m = w.iter.tail_point;
    return w.dist.F[m] < w.iter.tail_level && w.grid.EPSC[m] > kAcceptFraction * w.grid.emax;
}

// Shrink-or-grow rule after an unconverged half of a trial.
Next shrink_or_grow(SolverWork& w) {
    if (w.grid.emax >= kLargestRaisableEmax) {
        w.iter.run_status = kStatusFailed;
        return Next::kLeave;
    }
    if (stop_instead_of_new_trial(w)) return Next::kLeave;
    apply_shrink_or_grow(w.n, w.iter.tail_point, w.grid, w.dist);
    w.iter.ee_start_step = w.grid.emax;
    return Next::kNewTrial;
}

Next decide_converged(SolverWork& w) {
    if (tail_fits(w)) return Next::kLeave;
    if (w.grid.emax >= kLargestRaisableEmax) {
        w.iter.run_status = kStatusFailed;
        return Next::kLeave;
    }
    if (stop_instead_of_new_trial(w)) return Next::kLeave;
    apply_tail_rule(w.n, w.iter.tail_point, w.grid, w.dist);
    return Next::kNewTrial;
}

Next decide(const Tables& t, SolverWork& w) {
    if (converged(w)) return decide_converged(w);

    const int half = w.run.max_iterations / 2;
    if (w.grid.grid_type == kGridGivenThenEstimated) {
        if (w.iter.change == 0.0 || w.iter.trial_iterations > half) {
            if (stop_instead_of_new_trial(w)) return Next::kLeave;
            reestimate_with_replacement(t, w.run, w.grid);
            return Next::kNewTrial;
        }
        if (w.iter.trial_iterations == half) return shrink_or_grow(w);
    } else if (w.iter.trial_iterations >= half) {
        if (w.grid.grid_type == kGridEstimated && w.grid.ei_field_threshold > w.run.reduced_field) {
            if (stop_instead_of_new_trial(w)) return Next::kLeave;
            reestimate_without_replacement(t, w.run, w.grid);
            return Next::kNewTrial;
        }
        return shrink_or_grow(w);
    }

    if (w.run.ee_degree > 0.0 && w.iter.change == 0.0) {
        // Electron-electron collisions left F exactly unchanged.
        w.iter.run_status = kStatusFailedUnchanged;
        return Next::kLeave;
    }
    if (w.iter.total_iterations <= w.run.max_iterations) return Next::kIterate;

    const double c = w.run.convergence;
    const int m = w.iter.tail_point;
    if (w.iter.change > c || w.iter.previous_change > c || w.dist.F[m] > w.iter.tail_level ||
        w.grid.EPSC[m] < kAcceptFraction * w.grid.emax) {
        w.iter.run_status = kStatusFailed;
    }
    return Next::kLeave;
}

Next iterate_once(const Tables& t, SolverWork& w) {
    ++w.iter.trial_iterations;
    ++w.iter.total_iterations;

    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    coulomb_update(w);
    {
        PhaseTimer walk_timer(w.profile.enabled, w.profile.walk_seconds);
        collision_integrals(t, w);
    }
    build_collision_part(w);
    growth_terms(w);
    effective_cross_section(w.run, w.grid, w.n, w.coll);

    // A Maxwellian run keeps its initial distribution.
    if (w.run.maxwellian_mode) return Next::kLeave;
    if (w.run.ee_momentum_flag == kEEMomentumOn) ee_momentum_correction(w);
    if (w.iter.trial_iterations == 1) {
        const Next start = electron_electron_start(t, w);
        if (start != Next::kIterate) return start;
    }

    if (w.run.ee_degree > 0.0) {
        ee_coefficients(w.n, w.dist);
        power_balance(t, w);
    }
    build_fluxes_and_solve(w);
    new_distribution(w.run, w.n, w.dist, w.iter);
    return decide(t, w);
}

}  // namespace

void new_distribution(const RunSettings& run, int n, Distribution& dist, IterationState& iter) {
    // Underflowed and undefined values become the floor.
    for (int i = 1; i <= n; ++i) {
        if (!(dist.F[i] >= kTiny)) dist.F[i] = kTiny;
    }
    double s = 0.0;
    for (int i = 1; i <= n; ++i) s += dist.F[i] * dist.H[i];
    for (int i = 1; i <= n; ++i) dist.F[i] = dist.F[i] / s;

    double peak = dist.F[1];
    for (int i = 2; i <= n; ++i) {
        if (dist.F[i] > peak) peak = dist.F[i];
    }
    iter.eedf_peak = peak;
    iter.tail_level = run.precision * peak;

    // The tail begins above the highest cell below the top that is still
    // above the precision level.
    int m = 1;
    for (int i = n - 1; i >= 1; --i) {
        if (dist.F[i] > iter.tail_level) {
            m = i + 1;
            break;
        }
    }
    iter.tail_point = m;

    double change = 0.0;
    for (int i = 1; i <= n; ++i) {
        if (!(dist.F[i] > iter.tail_level)) continue;
        const double d = std::fabs(dist.F[i] - dist.FOLD[i]) / (dist.F[i] + dist.FOLD[i]);
        if (d > change) change = d;
    }
    iter.previous_change = iter.change;
    iter.change = change;
    for (int i = 1; i <= n; ++i) dist.FOLD[i] = dist.F[i];
}

void iterate_run(const Tables& t, SolverWork& w) {
    w.iter.ee_start_step = w.grid.emax;
    for (;;) {
        start_trial(t, w);
        Next next = Next::kIterate;
        while (next == Next::kIterate) next = iterate_once(t, w);
        if (next == Next::kLeave) return;
    }
}

}  // namespace kestor
