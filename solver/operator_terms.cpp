// Terms of the Boltzmann operator: most are rebuilt in every iteration from
// the current distribution; the starting Maxwellian once per trial, the
// field-frequency factors once per run.

#include "solver/operator_terms.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/cross_sections.h"

namespace kestor {

namespace {

constexpr double kSqrtPiOverTwo = 0.8862269377835134;
// A decrease of F between neighbours of 1e-4 is needed for a usable
// exponential slope; a rise of as much makes the profile linear.
constexpr double kSlopeFall = 1.000100016593933;
constexpr double kSlopeRise = 0.9998999834060669;
constexpr double kMomentumFloor = 0.009999999776482582;  // Q >= 1 % of CSM

double pow32(double x) { return std::sqrt(x) * x; }

// eps/Q at edge k; the zero-energy edge gives 0 even where Q(1) = 0.
double eps_over_q(const SolverWork& w, int k) { return k == 1 ? 0.0 : w.grid.EPS[k] / w.coll.Q[k]; }

// Exponential slopes of the interior cells. Returns false when F rises
// somewhere, which makes the run switch to the linear profile.
bool exponential_slopes(const GridState& grid, int n, Distribution& dist) {
    for (int j = 2; j <= n - 1; ++j) {
        const double lo = dist.F[j - 1];
        const double hi = dist.F[j + 1];
        if (hi > 0.0 && lo > kSlopeFall * hi) {
            dist.G[j] = std::log(lo / hi) / (grid.EPSC[j + 1] - grid.EPSC[j - 1]);
        } else {
            dist.G[j] = 0.0;
            if (kSlopeRise * hi > lo) return false;
        }
    }
    return true;
}

void linear_slopes(const GridState& grid, int n, Distribution& dist) {
    for (int j = 2; j <= n - 1; ++j) {
        const double fl = dist.F[j - 1];
        const double fc = dist.F[j];
        const double fu = dist.F[j + 1];
        dist.G[j] = ((fl - fc) / (fl + fc)) / grid.centre_gap(j) + ((fc - fu) / (fc + fu)) / grid.centre_gap(j + 1);
    }
}

void slopes(const GridState& grid, int n, Distribution& dist) {
    if (n < 3) {
        // No cell has two neighbours: a flat profile in every cell.
        for (int j = 1; j <= n; ++j) dist.G[j] = 0.0;
        return;
    }
    if (dist.slope_mode == kSlopeExponential && !exponential_slopes(grid, n, dist)) dist.slope_mode = kSlopeLinear;
    if (dist.slope_mode == kSlopeLinear) linear_slopes(grid, n, dist);
    dist.G[1] = dist.G[2];
    dist.G[n] = dist.G[n - 1];
}

// Integrals over cell j of eps^1/2, eps^3/2 and eps^0 times the in-cell
// profile of F (normalised to 1 at the centre).
void cell_integrals(const GridState& grid, int j, bool with_hhh, Distribution& dist) {
    const double a = grid.EPS[j];
    const double b = grid.EPS[j + 1];
    const double c = grid.EPSC[j];
    const double g = dist.G[j];
    if (dist.slope_mode == kSlopeLinear) {
        const double u = 1.0 + c * g;
        const double a32 = pow32(a), b32 = pow32(b);
        const double a52 = a * a32, b52 = b * b32;
        const double a72 = std::pow(a, 3.5), b72 = std::pow(b, 3.5);
        dist.H[j] = u * (b32 - a32) / 1.5 - g * (b52 - a52) / 2.5;
        dist.HH[j] = u * (b52 - a52) / 2.5 - g * (b72 - a72) / 3.5;
        if (with_hhh) dist.HHH[j] = u * (b - a) - 0.5 * g * (b * b - a * a);
    } else if (exponential_fits(c, g)) {
        const double t = 1.0 / g;
        const double xc = c / t, xa = a / t, xb = b / t;
        const double e0 = std::exp(xc), ea = std::exp(-xa), eb = std::exp(-xb);
        const double k = (std::sqrt(t) * e0) * t;
        const double sa = std::sqrt(xa), sb = std::sqrt(xb);
        const double bb = (sa * ea - sb * eb) + kSqrtPiOverTwo * (std::erf(sb) - std::erf(sa));
        dist.H[j] = bb * k;
        dist.HH[j] = (1.5 * dist.H[j] + (sa * ea * xa - sb * eb * xb) * k) * t;
        if (with_hhh) dist.HHH[j] = (ea - eb) * e0 * t;
    } else {
        // Flat, rising or very steep cell: midpoint rule.
        dist.H[j] = std::sqrt(c) * (b - a);
        dist.HH[j] = dist.H[j] * c;
        if (with_hhh) dist.HHH[j] = b - a;
    }
}

void temporal_growth(SolverWork& w) {
    const int n = w.n;
    const double nu = w.coll.net_growth_freq;
    // The growth rate acts like an extra momentum-transfer cross section.
    for (int k = 2; k <= n + 1; ++k) {
        w.coll.Q[k] = w.coll.CSM[k] + w.coll.CSMEI[k] + (nu / kGamma) / std::sqrt(w.grid.EPS[k]);
    }
    for (int j = 1; j <= n; ++j) w.A(j, j) += nu * w.dist.H[j];
    w.coll.momentum_floor_hit = 0;
    for (int k = 1; k <= n; ++k) {
        const double floor = kMomentumFloor * w.coll.CSM[k];
        if (w.coll.Q[k] < floor) {
            w.coll.Q[k] = floor;
            w.coll.momentum_floor_hit = 1;
        }
    }
}

// Smaller root of c alpha^2 - b alpha + nu = 0. Without the quadratic term
// (c = 0, e.g. an all-zero F) the root of the linear equation is its limit.
double townsend_root(double b, double c, double nu) {
    if (c == 0.0) return b != 0.0 ? nu / b : 0.0;
    double d = b * b - 4.0 * nu * c;
    if (d < 0.0) d = 0.0;
    return ((b - std::sqrt(d)) / c) * 0.5;
}

// Energy shape AAAA of the electrons produced in the spatial growth model,
// normalised to sum 1. Returns false when no shape can be formed (zero or
// undefined sum); AAAA is then left zero.
bool spatial_shape(SolverWork& w) {
    const int n = w.n;
    const double e = w.run.reduced_field;
    const double alpha = w.coll.townsend_alpha;
    const double factor = (alpha * kGammaThird) / w.coll.net_growth_freq;
    double fmax = w.dist.F[1];
    for (int j = 1; j <= n; ++j) {
        const double rl = eps_over_q(w, j);
        const double ru = eps_over_q(w, j + 1);
        const double bracket = e * (rl - ru) + 0.5 * alpha * (rl + ru) * w.grid.width(j);
        w.coll.AAAA[j] = -bracket * factor * w.dist.F[j];
        if (w.dist.F[j] > fmax) fmax = w.dist.F[j];
    }
    const double level = w.run.precision * fmax;
    for (int j = 1; j <= n; ++j) {
        if (w.dist.F[j] < level && w.coll.AAAA[j] < 0.0) w.coll.AAAA[j] = 0.0;
    }
    double sum = 0.0;
    for (int j = 1; j <= n; ++j) sum += w.coll.AAAA[j];
    if (sum == 0.0 || !std::isfinite(sum)) {
        for (int j = 1; j <= n; ++j) w.coll.AAAA[j] = 0.0;
        return false;
    }
    for (int j = 1; j <= n; ++j) w.coll.AAAA[j] = w.coll.AAAA[j] / sum;
    return true;
}

void spatial_growth(SolverWork& w) {
    const int n = w.n;
    double s1 = 0.0, s2 = 0.0;
    for (int j = 1; j <= n; ++j) {
        const double rl = eps_over_q(w, j);
        const double ru = eps_over_q(w, j + 1);
        s1 += (ru - rl) * w.dist.F[j];
        s2 += (ru + rl) * w.dist.F[j] * w.grid.width(j);
    }
    const double b = s1 * (w.run.reduced_field * kGamma) / 3.0;
    const double c = s2 * kGammaSixth;
    // Average with the previous iteration's coefficient damps oscillations.
    w.coll.townsend_alpha = (w.coll.townsend_alpha + townsend_root(b, c, w.coll.net_growth_freq)) * 0.5;
    if (!spatial_shape(w)) return;

    const int rhs = n + 1;
    for (int i = 1; i <= n; ++i) w.A(i, rhs) -= w.coll.ionization_freq * w.coll.AAAA[i];
    // The attachment loss follows the new distribution.
    for (int k = 1; k <= n; ++k) {
        const double rra = w.coll.RRA[k];
        double* col = w.A.column(k);
        for (int i = 1; i <= n; ++i) col[i] -= w.coll.AAAA[i] * rra;
    }
}

}  // namespace

void field_frequency_factors(RunSettings& run) {
    const double c2 = run.field_frequency;
    const double c3 = run.cos_field_angle;
    const double cg = c2 * c3 / kGamma;
    run.ff_beta = (1.0 - c3 * c3) * (c2 / kGamma) * (c2 / kGamma);
    run.ff_kappa = cg * cg;
}

double initial_distribution(const RunSettings& run, const GridState& grid, int n, Distribution& dist) {
    const double c14 = run.maxwellian_energy;
    const double t0 = c14 > 0.0 ? c14 / 1.5 : grid.EPS[n + 1] / (1.0 - run.ln_precision);
    const double inv_sqrt = 1.0 / std::sqrt(t0);
    const double inv = 1.0 / t0;
    for (int j = 1; j <= n; ++j) {
        dist.F[j] = std::exp(-grid.EPSC[j] / t0) * kTwoOverSqrtPi * inv_sqrt * inv;
        dist.FOLD[j] = dist.F[j];
    }
    return t0;
}

double mean_energy(int n, const Distribution& dist) {
    double s = 0.0;
    for (int j = 1; j <= n; ++j) s += dist.HH[j] * dist.F[j];
    return s;
}

void slopes_and_cell_integrals(const RunSettings& run, const GridState& grid, int n, Distribution& dist) {
    slopes(grid, n, dist);
    const bool with_hhh = run.ee_degree > 0.0;
    for (int j = 1; j <= n; ++j) cell_integrals(grid, j, with_hhh, dist);
}

void coulomb_update(SolverWork& w) {
    const int n = w.n;
    if (w.run.plasma_density > 0.0 && (w.run.ee_degree > 0.0 || w.run.ei_degree > 0.0)) {
        const double u = mean_energy(n, w.dist) * kVacuumPermittivity / 1.5 / kElementaryCharge;
        const double lambda = (std::sqrt(u) * (kTwelvePi / w.run.sqrt_plasma_density)) * u;
        w.coll.coulomb_log = std::log(lambda);
        w.coll.coulomb_factor = kCoulombConstant * w.coll.coulomb_log;
    }
    if (!(w.run.ei_degree > 0.0)) return;
    const double scale = (w.coll.coulomb_factor * 0.5 * w.run.ei_degree / kGamma);
    for (int k = 2; k <= n + 1; ++k) {
        w.coll.CSMEI[k] = scale / (w.grid.EPS[k] * w.grid.EPS[k]);
        w.coll.CSEEI[k] = w.coll.CSMEI[k] * 2.0 * w.run.electron_ion_mass_ratio;
        w.coll.Q[k] = w.coll.CSM[k] + w.coll.CSMEI[k];
    }
}

void growth_terms(SolverWork& w) {
    const int n = w.n;
    double ion = 0.0, att = 0.0;
    for (int j = 1; j <= n; ++j) ion += w.coll.RRI[j] * w.dist.F[j];
    for (int j = 1; j <= n; ++j) att += w.coll.RRA[j] * w.dist.F[j];
    w.coll.ionization_freq = ion;
    w.coll.attachment_freq = att;
    w.coll.net_growth_freq = ion - att;

    // A vanishing net growth takes the temporal path whatever the model.
    if (w.run.growth_model == kGrowthTemporal || std::fabs(w.coll.net_growth_freq) <= kTiny) {
        // Without a net rate the smaller Townsend root is 0: a coefficient
        // left from an earlier, longer grid must not drive this drift.
        if (w.run.growth_model == kGrowthSpatial) w.coll.townsend_alpha = 0.0;
        temporal_growth(w);
    } else if (w.run.growth_model == kGrowthSpatial) {
        spatial_growth(w);
    }
}

void effective_cross_section(const RunSettings& run, const GridState& grid, int n, CollisionTerms& coll) {
    for (int k = 1; k <= n + 1; ++k) coll.QEFF[k] = coll.Q[k];
    if (!run.field_frequency_mode) return;
    for (int k = 2; k <= n + 1; ++k) {
        const double q = coll.Q[k];
        coll.QEFF[k] = q * (1.0 + run.ff_beta / (q * q * grid.EPS[k] + run.ff_kappa));
    }
}

void ee_coefficients(int n, Distribution& dist) {
    dist.FF1[1] = 0.0;
    dist.FF2[1] = 0.0;
    for (int k = 1; k <= n; ++k) {
        dist.FF1[k + 1] = dist.FF1[k] + dist.H[k] * dist.F[k];
        dist.FF2[k + 1] = dist.FF2[k] + dist.HH[k] * dist.F[k];
    }
    dist.FF3[n + 1] = 0.0;
    for (int k = n; k >= 1; --k) dist.FF3[k] = dist.FF3[k + 1] + dist.HHH[k] * dist.F[k];
}

}  // namespace kestor
