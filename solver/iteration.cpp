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
constexpr double kLargestEmax = 9999.899864196777;      // emax that can no longer grow
constexpr double kStartRerun = 9.999999974752427e-07;   // relative step that reruns the start
constexpr double kStartTolerance = 9.99999993922529e-09;
constexpr double kStartEmaxGrowth = 1.5;
constexpr double kStartEmaxCeiling = 5000.0;
constexpr int kStartMaxSteps = 20;

enum class Next { kIterate, kNewTrial, kLeave };

void start_run(SolverWork& w) {
    w.total_iterations = 0;
    w.grid_trials = 0;
    w.run_status = kStatusSuccess;
    w.ee_start_step = w.emax;
    field_frequency_factors(w);
}

void start_trial(const Tables& t, SolverWork& w) {
    build_grid(w);
    edge_cross_sections(t, w);
    w.ee_start_temperature = initial_distribution(w, w.maxwellian_energy);
    for (int k = 1; k <= w.n + 1; ++k) {
        w.AF1[k] = 1.0;
        w.AG1[k] = 1.0;
    }
    w.trial_iterations = 0;
    w.change = 1.0;
    w.balance_error = 0.0;
    w.previous_balance_error = 1.0;
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
    if (static_cast<long long>(w.total_iterations) <= static_cast<long long>(w.max_iterations) + 1) return false;
    w.run_status = kStatusFailed;
    return true;
}

// Energy gains and losses of the operator per cell, B(j), for the
// temperature balance of the electron-electron start.
void start_energy_balance(SolverWork& w) {
    const int n = w.n;
    for (int j = 1; j <= n + 1; ++j) {
        const double* col = w.A.column(j);
        double s = 0.0;
        for (int i = 1; i <= n; ++i) s += col[i] * w.EPSC[i];
        w.B[j] = -s;
    }
    if (n < 2) return;
    const double e = w.reduced_field;
    const double tg = w.gas_temperature_ev;
    const double ef = e * (e * kGamma);
    for (int k = 2; k <= n; ++k) {
        const double eps = w.EPS[k];
        const double sigma = w.CSE[k] + w.CSEEI[k];
        double drift = -(kGamma * eps * eps * sigma);
        if (w.growth_model == 2) drift = drift - (w.townsend_alpha * kTwoGammaThird * e) * eps / w.Q[k];
        double diffusion = sigma * tg * kGamma * eps * eps;
        if (w.ee_momentum_flag == 0) diffusion = diffusion + ((eps * ef) / w.QEFF[k]) / 3.0;
        const double delta = (w.EPSC[k] - w.EPSC[k - 1]) * 0.5 * drift;
        w.B[k - 1] = w.B[k - 1] + diffusion + delta;
        w.B[k] = w.B[k] - diffusion + delta;
    }
}

// F = the Maxwellian of temperature T; returns the balance sums S0, S1.
void start_maxwellian(SolverWork& w, double temp, double& s0, double& s1) {
    const double inv_sqrt = 1.0 / std::sqrt(temp);
    s0 = 0.0;
    s1 = 0.0;
    for (int i = 1; i <= w.n; ++i) {
        const double x = w.EPSC[i] / temp;
        w.F[i] = std::exp(-x) * kTwoOverSqrtPi * inv_sqrt * (inv_sqrt * inv_sqrt);
        s0 += w.B[i] * w.F[i];
        s1 += (x - 1.5) * w.B[i] * w.F[i];
    }
}

// Newton step of the start temperature; prev where the step is undefined.
double start_step(const SolverWork& w, double temp, double r, double s1, double prev) {
    if (w.ee_momentum_flag != 0) return ee_start_momentum_step(w, temp, r, s1, prev);
    return s1 != 0.0 ? r * temp / s1 : prev;
}

// Electron-electron start of a trial: replaces F by the Maxwellian whose
// temperature balances the energy gains and losses of the operator, which
// the electron-electron collisions drive the distribution towards.
Next electron_electron_start(const Tables& t, SolverWork& w) {
    if (!(w.ee_degree > 2.0 * w.ei_degree)) return Next::kIterate;
    if (!(std::fabs(w.ee_start_step) > kStartRerun * w.ee_start_temperature)) return Next::kIterate;

    start_energy_balance(w);
    const double tg = w.gas_temperature_ev;
    w.ee_start_step = w.ee_start_temperature;
    int steps = 1;
    for (;;) {
        const double temp = w.ee_start_temperature;
        const double prev = w.ee_start_step;
        double s0 = 0.0, s1 = 0.0;
        start_maxwellian(w, temp, s0, s1);
        const double r = w.B[w.n + 1] - s0;
        double step = start_step(w, temp, r, s1, prev);
        // One step never goes more than half-way down to the gas temperature.
        const double limit = -0.5 * (temp - tg);
        if (step < limit) step = limit;
        if (std::fabs(step) > std::fabs(prev)) {
            // Diverging: the grid is too short for the balance temperature.
            w.emax = kStartEmaxGrowth * w.emax;
            w.ee_start_step = step;
            if (w.emax <= kStartEmaxCeiling) return Next::kNewTrial;
            break;
        }
        const double next = temp + step;
        w.ee_start_temperature = next;
        w.ee_start_step = step;
        if (std::fabs(step) < kStartTolerance * next) break;
        ++steps;
        if (steps > kStartMaxSteps) break;
    }
    if (w.ei_degree > 0.0 && steps > kStartMaxSteps && w.ee_start_temperature < 1.5 * tg) {
        if (stop_instead_of_new_trial(w)) return Next::kLeave;
        estimate_emax(t, w, false);
        return Next::kNewTrial;
    }
    return Next::kIterate;
}

bool converged(const SolverWork& w) {
    const double c = w.convergence;
    return w.trial_iterations > 1 && c > w.change && c > w.previous_change &&
           (w.balance_error < c * c || w.balance_error > w.previous_balance_error);
}

bool tail_fits(const SolverWork& w) {
    const int m = w.tail_point;
    return w.F[m] < w.tail_level && w.EPSC[m] > kAcceptFraction * w.emax;
}

// Shrink-or-grow rule after an unconverged half of a trial.
Next shrink_or_grow(SolverWork& w) {
    if (w.emax >= kLargestEmax) {
        w.run_status = kStatusFailed;
        return Next::kLeave;
    }
    if (stop_instead_of_new_trial(w)) return Next::kLeave;
    apply_shrink_or_grow(w, w.tail_point);
    w.ee_start_step = w.emax;
    return Next::kNewTrial;
}

Next decide_converged(SolverWork& w) {
    if (tail_fits(w)) return Next::kLeave;
    if (w.emax >= kLargestEmax) {
        w.run_status = kStatusFailed;
        return Next::kLeave;
    }
    if (stop_instead_of_new_trial(w)) return Next::kLeave;
    // The tail rule needs the cell below the tail point; with the tail in
    // the first cell there is none, and the grid is resized instead.
    if (w.tail_point > 1) {
        apply_tail_rule(w, w.tail_point);
    } else {
        apply_shrink_or_grow(w, w.tail_point);
    }
    return Next::kNewTrial;
}

Next decide(const Tables& t, SolverWork& w) {
    if (converged(w)) return decide_converged(w);

    const int half = w.max_iterations / 2;
    if (w.grid_type == 3) {
        if (w.change == 0.0 || w.trial_iterations > half) {
            if (stop_instead_of_new_trial(w)) return Next::kLeave;
            reestimate_with_replacement(t, w);
            return Next::kNewTrial;
        }
        if (w.trial_iterations == half) return shrink_or_grow(w);
    } else if (w.trial_iterations >= half) {
        if (w.grid_type == 0 && w.ei_field_threshold > w.reduced_field) {
            if (stop_instead_of_new_trial(w)) return Next::kLeave;
            reestimate_without_replacement(t, w);
            return Next::kNewTrial;
        }
        return shrink_or_grow(w);
    }

    if (w.ee_degree > 0.0 && w.change == 0.0) {
        // Electron-electron collisions left F exactly unchanged.
        w.run_status = kStatusFailedUnchanged;
        return Next::kLeave;
    }
    if (w.total_iterations <= w.max_iterations) return Next::kIterate;

    const double c = w.convergence;
    const int m = w.tail_point;
    if (w.change > c || w.previous_change > c || w.F[m] > w.tail_level ||
        w.EPSC[m] < kAcceptFraction * w.emax) {
        w.run_status = kStatusFailed;
    }
    return Next::kLeave;
}

Next iterate_once(const Tables& t, SolverWork& w) {
    ++w.trial_iterations;
    ++w.total_iterations;

    slopes_and_cell_integrals(w);
    coulomb_update(w);
    {
        PhaseTimer walk_timer(w.profile.enabled, w.profile.walk_seconds);
        collision_integrals(t, w);
    }
    build_collision_part(w);
    growth_terms(t, w);
    effective_cross_section(w);

    // A Maxwellian run keeps its initial distribution.
    if (w.maxwellian_mode) return Next::kLeave;
    if (w.ee_momentum_flag == 1) ee_momentum_correction(w);
    if (w.trial_iterations == 1) {
        const Next start = electron_electron_start(t, w);
        if (start != Next::kIterate) return start;
    }

    if (w.ee_degree > 0.0) {
        ee_coefficients(w);
        power_balance(t, w);
    }
    build_fluxes_and_solve(w);
    new_distribution(w);
    return decide(t, w);
}

}  // namespace

void new_distribution(SolverWork& w) {
    const int n = w.n;
    // Underflowed and undefined values become the floor.
    for (int i = 1; i <= n; ++i) {
        if (!(w.F[i] >= kPositiveFloor)) w.F[i] = kPositiveFloor;
    }
    double s = 0.0;
    for (int i = 1; i <= n; ++i) s += w.F[i] * w.H[i];
    for (int i = 1; i <= n; ++i) w.F[i] = w.F[i] / s;

    double peak = w.F[1];
    for (int i = 2; i <= n; ++i) {
        if (w.F[i] > peak) peak = w.F[i];
    }
    w.eedf_peak = peak;
    w.tail_level = w.precision * peak;

    // The tail begins above the highest cell below the top that is still
    // above the precision level.
    int m = 1;
    for (int i = n - 1; i >= 1; --i) {
        if (w.F[i] > w.tail_level) {
            m = i + 1;
            break;
        }
    }
    w.tail_point = m;

    double change = 0.0;
    for (int i = 1; i <= n; ++i) {
        if (!(w.F[i] > w.tail_level)) continue;
        const double d = std::fabs(w.F[i] - w.FOLD[i]) / (w.F[i] + w.FOLD[i]);
        if (d > change) change = d;
    }
    w.previous_change = w.change;
    w.change = change;
    for (int i = 1; i <= n; ++i) w.FOLD[i] = w.F[i];
}

void iterate_run(const Tables& t, SolverWork& w, int) {
    start_run(w);
    for (;;) {
        start_trial(t, w);
        Next next = Next::kIterate;
        while (next == Next::kIterate) next = iterate_once(t, w);
        if (next == Next::kLeave) return;
    }
}

}  // namespace kestor
