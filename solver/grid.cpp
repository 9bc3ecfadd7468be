// Maximum energy of the grid and the grid itself.

#include "solver/grid.h"

#include <algorithm>
#include <cmath>

#include "solver/constants.h"
#include "solver/cross_sections.h"
#include "solver/setup.h"

namespace kestor {

namespace {

constexpr double kFirstScanStep = 0.009999999776482582;
constexpr double kScanStepGrowth = 3.0;
constexpr double kThresholdStepDivisor = 10.0;
constexpr double kScanCeiling = 9900.000095367432;
// Below this ratio b c / a^2 the root is taken in its linear limit.
constexpr double kQuadraticSwitch = 9.999999974752427e-07;
// Grids bend from linear to quadratic above this energy (eV).
constexpr double kGridBendEnergy = 10.0;
constexpr double kTailGrowth = 1.2000000476837158;
constexpr double kShrink = 0.75;
// Safety net for a scan whose stop test can never succeed (a precision that
// is not a number); a regular scan takes a few hundred steps.
constexpr int kMaxScanSteps = 1000000;

// Mixture sums at one energy: elastic energy exchange A, elastic momentum
// transfer B and inelastic C, each weighted by the mole fractions.
struct ScanSums {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
};

ScanSums mixture_sums(const Tables& t, const RunSettings& run, double e, int* cursor) {
    ScanSums sums;
    const int nc = visible_collision_count(t);
    for (int k = 1; k <= nc; ++k) {
        const int np = table_points(t, k);
        const int s = t.col.collision_species[k];
        // A table of fewer than two points has no interpolation.
        if (np < 2 || !valid_species(s)) continue;
        const double sigma = table_cross_section(t, k, np, e, cursor[k]);
        const double xs = run.XS[s] * sigma;
        const int kind = t.col.collision_kind[k];
        if (kind == kElastic) {
            sums.a += 2.0 * xs * t.col.collision_mass_ratio[k];
            sums.b += xs;
        } else if (is_inelastic(kind)) {
            sums.c += xs;
        }
    }
    return sums;
}

double largest_threshold(const Tables& t) {
    double top = 1.0;
    const int nc = visible_collision_count(t);
    for (int k = 1; k <= nc; ++k) top = std::max(top, t.col.collision_threshold[k]);
    return top;
}

// Local energy scale: the positive root of c u^2 - a u - b = 0.
double energy_scale(double a, double b, double c) {
    if (b * c > (kQuadraticSwitch * a) * a) {
        return ((a / c) * 0.5) * (1.0 - std::sqrt(((4.0 * b) * c) / (a * a) + 1.0));
    }
    return -(b / a);
}

// emax = max(emax, x), formed as emax + max(x - emax, 0).
double raise_to(double emax, double x) { return emax + std::max(x - emax, 0.0); }

void final_maxima(const RunSettings& run, GridState& grid, double estimate, bool ei_replacement) {
    grid.emax = estimate;
    grid.emax = raise_to(grid.emax, run.gas_temperature_ev * (1.0 + run.lambda));
    grid.emax = raise_to(grid.emax, run.excitation_temperature_ev * (1.0 + run.lambda));
    if (!ei_replacement) return;
    // Electron-ion collisions hold the distribution near the gas temperature.
    if (grid.ei_field_threshold > run.reduced_field || run.ei_tail_parameter > run.lambda) {
        grid.emax = std::max(run.lambda, run.ei_tail_parameter) * (1.5 * run.gas_temperature_ev);
    }
}

}  // namespace

double scan_energy_balance(const Tables& t, const RunSettings& run) {
    int cursor[kMaxCollisions + 1];
    std::fill(cursor, cursor + kMaxCollisions + 1, 1);

    const double top = largest_threshold(t);
    const double e_field = run.reduced_field;
    const double tg = run.gas_temperature_ev;
    const double c2 = run.field_frequency;
    const double h = (kGammaThird * e_field) * e_field;

    double eps = 0.0;
    double step = kFirstScanStep;
    double sum = 1.0;
    for (int iter = 0; iter < kMaxScanSteps; ++iter) {
        eps = std::min(eps + step, kScanCeiling);
        // Once at the ceiling the energy cannot change any more.
        if (eps >= kScanCeiling) return eps;

        const ScanSums s = mixture_sums(t, run, eps, cursor);
        const double sigma_t = s.b + s.c;
        double d = 1.0;
        if (c2 != 0.0) {
            const double q = c2 / sigma_t / kGamma;
            d = 1.0 + (q * q) / eps;
        }
        const double a = -(eps * (kGamma * eps)) * s.a;
        const double b = ((eps * (kGamma * tg)) * eps) * s.a + ((eps * h) / sigma_t) / d;
        const double c = s.c * (kGamma * eps);
        const double u = energy_scale(a, b, c);
        // No usable scale (no losses, no cross section): the scan ends here.
        if (std::isnan(u) || u == 0.0) return eps;

        step = std::min(kScanStepGrowth * step, u);
        if (2.0 * top > eps) step = std::min(step, top / kThresholdStepDivisor);
        sum = sum + step / u;
        if (sum > run.lambda || u < 0.0) return eps;
    }
    return eps;
}

void estimate_emax(const Tables& t, const RunSettings& run, GridState& grid, bool ei_replacement) {
    final_maxima(run, grid, scan_energy_balance(t, run), ei_replacement);
}

void first_emax(const Tables& t, const RunSettings& run, GridState& grid) {
    if (grid.grid_type == kGridEstimated) estimate_emax(t, run, grid, true);
}

void build_grid(int n, GridState& grid) {
    grid.grid_trials += 1;
    if (!valid_cell_count(n)) return;
    // Edge j at x (a + (emax - a) x), x = j/n: equal cells for a = emax,
    // edges growing as x^2 for a = 0, cells of about a/n near zero between.
    double a;
    if (grid.grid_type == kGridEstimated || grid.grid_type == kGridGivenThenEstimated) {
        a = std::min(grid.emax, kGridBendEnergy);
    } else if (grid.grid_type == kGridQuadratic) {
        a = 0.0;
    } else {
        a = grid.emax;
    }
    grid.EPS[1] = 0.0;
    for (int j = 1; j <= n; ++j) {
        // Grid fractions are single precision.
        const double x = static_cast<double>(static_cast<float>(j) / static_cast<float>(n));
        grid.EPS[j + 1] = x * (a + (grid.emax - a) * x);
        grid.EPSC[j] = (grid.EPS[j + 1] + grid.EPS[j]) * 0.5;
    }
}

void apply_tail_rule(int n, int m, GridState& grid, Distribution& dist) {
    if (m <= 1) {
        // No cell before the tail point: a tail rule would give emax = 0.
        apply_shrink_or_grow(n, m, grid, dist);
        return;
    }
    const int before = std::min(m - 1, n);
    grid.emax = grid.emax * std::min(kTailGrowth * grid.EPSC[before] / grid.emax, kTableUpperEnergy / grid.emax);
}

void apply_shrink_or_grow(int n, int m, GridState& grid, Distribution& dist) {
    const double f = m < n ? kShrink : kTailGrowth;
    grid.emax = grid.emax * std::min(f, kTableUpperEnergy / grid.emax);
    dist.slope_mode = kSlopeLinear;
}

void reestimate_with_replacement(const Tables& t, const RunSettings& run, GridState& grid) {
    estimate_emax(t, run, grid, true);
    grid.grid_type = kGridEstimated;
}

void reestimate_without_replacement(const Tables& t, const RunSettings& run, GridState& grid) {
    grid.ei_field_threshold = 0.0;
    estimate_emax(t, run, grid, false);
}

}  // namespace kestor
