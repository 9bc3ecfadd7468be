// Terms of the Boltzmann operator that are rebuilt in every iteration from
// the current distribution.

#include "solver/operator_terms.h"

#include <cmath>

#include "solver/constants.h"

namespace kestor {

namespace {

constexpr double kSqrtPiOverTwo = 0.8862269377835134;
// A decrease of F between neighbours of 1e-4 is needed for a usable
// exponential slope; a rise of as much makes the profile linear.
constexpr double kSlopeFall = 1.000100016593933;
constexpr double kSlopeRise = 0.9998999834060669;
constexpr double kExpProfileLimit = 300.0;           // largest EPSC*G of the exponential form
constexpr double kTinyGrowth = 1.0000000031710769e-30;
constexpr double kMomentumFloor = 0.009999999776482582;  // Q >= 1 % of CSM

double pow32(double x) { return std::sqrt(x) * x; }

// eps/Q at edge k; the zero-energy edge gives 0 even where Q(1) = 0.
double eps_over_q(const SolverWork& w, int k) { return k == 1 ? 0.0 : w.EPS[k] / w.Q[k]; }

// Exponential slopes of the interior cells. Returns false when F rises
// somewhere, which makes the run switch to the linear profile.
bool exponential_slopes(SolverWork& w) {
    for (int j = 2; j <= w.n - 1; ++j) {
        const double lo = w.F[j - 1];
        const double hi = w.F[j + 1];
        if (hi > 0.0 && lo > kSlopeFall * hi) {
            w.G[j] = std::log(lo / hi) / (w.EPSC[j + 1] - w.EPSC[j - 1]);
        } else {
            w.G[j] = 0.0;
            if (kSlopeRise * hi > lo) return false;
        }
    }
    return true;
}

void linear_slopes(SolverWork& w) {
    for (int j = 2; j <= w.n - 1; ++j) {
        const double fl = w.F[j - 1];
        const double fc = w.F[j];
        const double fu = w.F[j + 1];
        w.G[j] = ((fl - fc) / (fl + fc)) / (w.EPSC[j] - w.EPSC[j - 1]) +
                 ((fc - fu) / (fc + fu)) / (w.EPSC[j + 1] - w.EPSC[j]);
    }
}

void slopes(SolverWork& w) {
    const int n = w.n;
    if (n < 3) {
        // No cell has two neighbours: a flat profile in every cell.
        for (int j = 1; j <= n; ++j) w.G[j] = 0.0;
        return;
    }
    if (w.slope_mode == kSlopeExponential && !exponential_slopes(w)) w.slope_mode = kSlopeLinear;
    if (w.slope_mode == kSlopeLinear) linear_slopes(w);
    w.G[1] = w.G[2];
    w.G[n] = w.G[n - 1];
}

// Integrals over cell j of eps^1/2, eps^3/2 and eps^0 times the in-cell
// profile of F (normalised to 1 at the centre).
void cell_integrals(SolverWork& w, int j, bool with_hhh) {
    const double a = w.EPS[j];
    const double b = w.EPS[j + 1];
    const double c = w.EPSC[j];
    const double g = w.G[j];
    if (w.slope_mode == kSlopeLinear) {
        const double u = 1.0 + c * g;
        const double a32 = pow32(a), b32 = pow32(b);
        const double a52 = a * a32, b52 = b * b32;
        const double a72 = std::pow(a, 3.5), b72 = std::pow(b, 3.5);
        w.H[j] = u * (b32 - a32) / 1.5 - g * (b52 - a52) / 2.5;
        w.HH[j] = u * (b52 - a52) / 2.5 - g * (b72 - a72) / 3.5;
        if (with_hhh) w.HHH[j] = u * (b - a) - 0.5 * g * (b * b - a * a);
    } else if (g > 0.0 && c * g < kExpProfileLimit) {
        const double t = 1.0 / g;
        const double xc = c / t, xa = a / t, xb = b / t;
        const double e0 = std::exp(xc), ea = std::exp(-xa), eb = std::exp(-xb);
        const double k = (std::sqrt(t) * e0) * t;
        const double sa = std::sqrt(xa), sb = std::sqrt(xb);
        const double bb = (sa * ea - sb * eb) + kSqrtPiOverTwo * (std::erf(sb) - std::erf(sa));
        w.H[j] = bb * k;
        w.HH[j] = (1.5 * w.H[j] + (sa * ea * xa - sb * eb * xb) * k) * t;
        if (with_hhh) w.HHH[j] = (ea - eb) * e0 * t;
    } else {
        // Flat, rising or very steep cell: midpoint rule.
        w.H[j] = std::sqrt(c) * (b - a);
        w.HH[j] = w.H[j] * c;
        if (with_hhh) w.HHH[j] = b - a;
    }
}

void temporal_growth(SolverWork& w) {
    const int n = w.n;
    const double nu = w.net_growth_freq;
    // The growth rate acts like an extra momentum-transfer cross section.
    for (int k = 2; k <= n + 1; ++k) {
        w.Q[k] = w.CSM[k] + w.CSMEI[k] + (nu / kGamma) / std::sqrt(w.EPS[k]);
    }
    for (int j = 1; j <= n; ++j) w.A(j, j) += nu * w.H[j];
    w.momentum_floor_hit = 0;
    for (int k = 1; k <= n; ++k) {
        const double floor = kMomentumFloor * w.CSM[k];
        if (w.Q[k] < floor) {
            w.Q[k] = floor;
            w.momentum_floor_hit = 1;
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
    const double e = w.reduced_field;
    const double alpha = w.townsend_alpha;
    const double factor = (alpha * kGammaThird) / w.net_growth_freq;
    double fmax = w.F[1];
    for (int j = 1; j <= n; ++j) {
        const double rl = eps_over_q(w, j);
        const double ru = eps_over_q(w, j + 1);
        const double bracket = e * (rl - ru) + 0.5 * alpha * (rl + ru) * (w.EPS[j + 1] - w.EPS[j]);
        w.AAAA[j] = -bracket * factor * w.F[j];
        if (w.F[j] > fmax) fmax = w.F[j];
    }
    const double level = w.precision * fmax;
    for (int j = 1; j <= n; ++j) {
        if (w.F[j] < level && w.AAAA[j] < 0.0) w.AAAA[j] = 0.0;
    }
    double sum = 0.0;
    for (int j = 1; j <= n; ++j) sum += w.AAAA[j];
    if (sum == 0.0 || !std::isfinite(sum)) {
        for (int j = 1; j <= n; ++j) w.AAAA[j] = 0.0;
        return false;
    }
    for (int j = 1; j <= n; ++j) w.AAAA[j] = w.AAAA[j] / sum;
    return true;
}

void spatial_growth(SolverWork& w) {
    const int n = w.n;
    double s1 = 0.0, s2 = 0.0;
    for (int j = 1; j <= n; ++j) {
        const double rl = eps_over_q(w, j);
        const double ru = eps_over_q(w, j + 1);
        s1 += (ru - rl) * w.F[j];
        s2 += (ru + rl) * w.F[j] * (w.EPS[j + 1] - w.EPS[j]);
    }
    const double b = s1 * (w.reduced_field * kGamma) / 3.0;
    const double c = s2 * kGammaSixth;
    // Average with the previous iteration's coefficient damps oscillations.
    w.townsend_alpha = (w.townsend_alpha + townsend_root(b, c, w.net_growth_freq)) * 0.5;
    if (!spatial_shape(w)) return;

    const int rhs = n + 1;
    for (int i = 1; i <= n; ++i) w.A(i, rhs) -= w.ionization_freq * w.AAAA[i];
    // The attachment loss follows the new distribution.
    for (int k = 1; k <= n; ++k) {
        const double rra = w.RRA[k];
        double* col = w.A.column(k);
        for (int i = 1; i <= n; ++i) col[i] -= w.AAAA[i] * rra;
    }
}

}  // namespace

void field_frequency_factors(SolverWork& w) {
    const double c2 = w.field_frequency;
    const double c3 = w.cos_field_angle;
    const double cg = c2 * c3 / kGamma;
    w.ff_beta = (1.0 - c3 * c3) * (c2 / kGamma) * (c2 / kGamma);
    w.ff_kappa = cg * cg;
}

double initial_distribution(SolverWork& w, double c14) {
    const int n = w.n;
    const double t0 = c14 > 0.0 ? c14 / 1.5 : w.EPS[n + 1] / (1.0 - w.ln_precision);
    const double inv_sqrt = 1.0 / std::sqrt(t0);
    const double inv = 1.0 / t0;
    for (int j = 1; j <= n; ++j) {
        w.F[j] = std::exp(-w.EPSC[j] / t0) * kTwoOverSqrtPi * inv_sqrt * inv;
        w.FOLD[j] = w.F[j];
    }
    return t0;
}

void slopes_and_cell_integrals(SolverWork& w) {
    slopes(w);
    const bool with_hhh = w.ee_degree > 0.0;
    for (int j = 1; j <= w.n; ++j) cell_integrals(w, j, with_hhh);
}

void coulomb_update(SolverWork& w) {
    const int n = w.n;
    if (w.plasma_density > 0.0 && (w.ee_degree > 0.0 || w.ei_degree > 0.0)) {
        double s = 0.0;
        for (int j = 1; j <= n; ++j) s += w.HH[j] * w.F[j];
        const double u = s * kVacuumPermittivity / 1.5 / kElementaryCharge;
        const double lambda = (std::sqrt(u) * (kTwelvePi / w.sqrt_plasma_density)) * u;
        w.coulomb_log = std::log(lambda);
        w.coulomb_factor = kCoulombConstant * w.coulomb_log;
    }
    if (!(w.ei_degree > 0.0)) return;
    const double scale = (w.coulomb_factor * 0.5 * w.ei_degree / kGamma);
    for (int k = 2; k <= n + 1; ++k) {
        w.CSMEI[k] = scale / (w.EPS[k] * w.EPS[k]);
        w.CSEEI[k] = w.CSMEI[k] * 2.0 * w.electron_ion_mass_ratio;
        w.Q[k] = w.CSM[k] + w.CSMEI[k];
    }
}

void growth_terms(const Tables&, SolverWork& w) {
    const int n = w.n;
    double ion = 0.0, att = 0.0;
    for (int j = 1; j <= n; ++j) ion += w.RRI[j] * w.F[j];
    for (int j = 1; j <= n; ++j) att += w.RRA[j] * w.F[j];
    w.ionization_freq = ion;
    w.attachment_freq = att;
    w.net_growth_freq = ion - att;

    if (w.growth_model == 1 || std::fabs(w.net_growth_freq) <= kTinyGrowth) {
        temporal_growth(w);
    } else if (w.growth_model == 2) {
        spatial_growth(w);
    }
}

void effective_cross_section(SolverWork& w) {
    const int n = w.n;
    for (int k = 1; k <= n + 1; ++k) w.QEFF[k] = w.Q[k];
    if (!w.field_frequency_mode) return;
    for (int k = 2; k <= n + 1; ++k) {
        const double q = w.Q[k];
        w.QEFF[k] = q * (1.0 + w.ff_beta / (q * q * w.EPS[k] + w.ff_kappa));
    }
}

void ee_coefficients(SolverWork& w) {
    const int n = w.n;
    w.FF1[1] = 0.0;
    w.FF2[1] = 0.0;
    for (int k = 1; k <= n; ++k) {
        w.FF1[k + 1] = w.FF1[k] + w.H[k] * w.F[k];
        w.FF2[k + 1] = w.FF2[k] + w.HH[k] * w.F[k];
    }
    w.FF3[n + 1] = 0.0;
    for (int k = n; k >= 1; --k) w.FF3[k] = w.FF3[k + 1] + w.HHH[k] * w.F[k];
}

}  // namespace kestor
