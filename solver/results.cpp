// Transport and rate coefficients of the final distribution and the stored
// rows of a run.

#include "solver/results.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/gradient.h"
#include "solver/setup.h"

namespace kestor {

namespace {

constexpr double kChargeOverMass = 175884243269.09976;  // e/m = gamma^2/2
constexpr double kTwoThirdsChargeOverMass = 117256162179.39984;
constexpr double kTwoMassOverCharge = 1.1371115245042363e-11;
constexpr double kTdPerVm2 = 1.0000000200408773e+21;  // 1/(1 Td)

// Results of the closing steps that end up in the result row.
struct RunCoefficients {
    double mean_energy;
    TransportSums sums;
    double power;               // P
    double real_mobility;       // MR
    double imaginary_sum;       // SI
    double momentum_frequency;  // nu_m
    double ei_frequency;        // nu_ei
    double ei_power;            // Pei
    double elastic_power;       // PE
    double inelastic_power;     // PI
    double collision_frequency; // nu_t
    double growth_power;        // Pg
};

double mean_energy(const SolverWork& w) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += w.HH[j] * w.F[j];
    return s;
}

// Power gained from the field.
double field_power(const SolverWork& w, const TransportSums& sums) {
    const double e = w.reduced_field;
    if (w.growth_model == 2) return (e * sums.mobility - sums.diffusion * w.townsend_alpha) * e;
    double s = 0.0;
    for (int k = 2; k <= w.n; ++k) s += w.F1[k] * w.EPS[k] * (w.EPSC[k - 1] - w.EPSC[k]);
    return ((e * kGamma) / 3.0) * s;
}

// Mobilities in an oscillating field and the momentum frequency.
void field_frequency_terms(const SolverWork& w, RunCoefficients& r) {
    const double mu = r.sums.mobility;
    if (!w.field_frequency_mode) {
        r.real_mobility = mu;
        r.imaginary_sum = 0.0;
        r.momentum_frequency = kChargeOverMass / mu;
        return;
    }
    const double c2 = w.field_frequency;
    const double u2 = (c2 / kGamma) * (c2 / kGamma);
    double sr = 0.0, si = 0.0;
    for (int k = 2; k <= w.n; ++k) {
        const double sigma = w.Q[k];
        const double eps = w.EPS[k];
        const double df = w.F[k - 1] - w.F[k];
        sr += (eps / (sigma + u2 / (eps * sigma))) * w.AF1[k] * df;
        si += (std::sqrt(eps) / (sigma * sigma + u2 / eps)) * w.AF1[k] * df;
    }
    const double mr = kGammaThird * sr;
    const double x = kTwoMassOverCharge * c2 * mr;
    const double root = 1.0 - x * x;
    r.real_mobility = mr;
    r.imaginary_sum = si;
    r.momentum_frequency = kChargeOverMass / mr * 0.5 * (1.0 - std::sqrt(root > 0.0 ? root : 0.0));
}

// Slope sum of the recoil loss: the distribution's logarithmic slope times
// the rate per cell. A grid of one cell has no slope; a cell whose
// neighbours are not positive contributes nothing.
double recoil_slope_sum(const SolverWork& w, int k) {
    const int n = w.n;
    const double* rr = w.RR[k];
    const double* f = w.F;
    double s = 0.0;
    if (n < 2) return s;
    if (f[1] > 0.0 && f[2] > 0.0) {
        s = (std::log(f[1]) - std::log(f[2])) * rr[1] * f[1] * w.EPSC[1] / (w.EPSC[2] - w.EPSC[1]);
    }
    for (int j = 2; j <= n - 1; ++j) {
        if (!(f[j - 1] > 0.0) || !(f[j + 1] > 0.0)) continue;
        s += (std::log(f[j - 1]) - std::log(f[j + 1])) * w.EPSC[j] * f[j] * rr[j] /
             (w.EPSC[j + 1] - w.EPSC[j - 1]);
    }
    return s;
}

// Elastic energy-exchange loss of collision slot k with species s.
double recoil_loss(const SolverWork& w, int k, int s) {
    double u = 0.0;
    for (int j = 1; j <= w.n; ++j) u += w.RR[k][j] * w.F[j] * w.EPSC[j];
    const double slope = recoil_slope_sum(w, k);
    return 2.0 * w.CMRTS[s] * (u - slope * w.gas_temperature_ev);
}

double cell_sum(const SolverWork& w, const double* row) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += row[j] * w.F[j];
    return s;
}

// Rate, inverse rate and energy-loss coefficient of every collision, with
// the elastic and inelastic power losses and the total collision frequency.
void collision_coefficients(const Tables& t, SolverWork& w, RunCoefficients& r) {
    const int visible = visible_collision_count(t);
    const int visited = visited_collision_count(t);
    for (int k = 1; k <= visible; ++k) w.XP[k] = 0.0;
    double pe = 0.0, pi = 0.0, nut = 0.0;
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        const int s = t.col.collision_species[k];
        const int kind = t.col.collision_kind[k];
        double rate = cell_sum(w, w.RR[k]);
        double inverse = cell_sum(w, w.RRINV[k]);
        w.XK[k] = rate;
        w.XKINV[k] = inverse;
        if (!valid_species(s)) {
            w.XP[k] = 0.0;
            continue;
        }
        const double x = w.XS[s];
        const bool effective = t.sp.species_effective_flag[s] != 0;
        bool recoil = kind == kElastic;
        if (kind >= kAttachment) {
            if (kind == kAttachment) {
                // Energy carried off by the attached electrons.
                double e = 0.0;
                for (int i = 1; i <= w.n; ++i) e += w.RR[k][i] * w.F[i] * w.EPSC[i];
                w.XP[k] = e;
            } else {
                w.XP[k] = (rate * w.CX1[k] - inverse * w.CX2[k]) * t.col.collision_threshold[k];
            }
            pi += x * w.XP[k];
            recoil = !effective && kind != kAttachment;
        }
        if (recoil) {
            const double loss = recoil_loss(w, k, s);
            w.XP[k] = w.XP[k] + loss;
            pe += x * loss;
        }
        if (kind == kDeexcitation) {
            // The stored process is the de-excitation: the inverse direction.
            w.XK[k] = inverse;
            w.XKINV[k] = rate;
            const double tmp = rate;
            rate = inverse;
            inverse = tmp;
        }
        if (kind == kElastic || !effective) nut += x * (rate * w.CX1[k] + inverse * w.CX2[k]);
    }
    r.elastic_power = pe;
    r.inelastic_power = pi;
    r.collision_frequency = nut;
}

// Electron-ion momentum frequency and energy loss.
void electron_ion_terms(const SolverWork& w, RunCoefficients& r) {
    r.ei_frequency = 0.0;
    r.ei_power = 0.0;
    if (!(w.ei_degree > 0.0)) return;
    const int n = w.n;
    const double c = kTwoThirdsChargeOverMass / r.sums.mobility;
    double sei = 0.0, sm = 0.0, sp = 0.0;
    for (int k = 2; k <= n; ++k) {
        const double eps = w.EPS[k];
        const double e32 = std::sqrt(eps) * eps;
        const double df = w.F[k - 1] - w.F[k];
        sei += w.CSMEI[k] * e32 / w.Q[k] * w.AF1[k] * df;
        sm += e32 * w.AF1[k] * df;
        const double fu = w.F[k], fl = w.F[k - 1];
        if (fu > 0.0 && fl > 0.0) {
            sp += std::sqrt(fu * fl) *
                  (w.gas_temperature_ev * (std::log(fu) - std::log(fl)) + w.EPSC[k] - w.EPSC[k - 1]);
        }
    }
    r.ei_frequency = c * sei;
    r.momentum_frequency = c * sm;
    r.ei_power = kGamma * w.CSEEI[2] * (w.EPS[2] * w.EPS[2]) * sp;
}

double growth_power(const SolverWork& w, const TransportSums& sums) {
    const double nu = w.ionization_freq - w.attachment_freq;
    if (w.growth_model == 1) {
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) s += w.EPSC[j] * w.H[j] * w.F[j];
        return nu * s;
    }
    if (w.growth_model == 2) {
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) s += w.AAAA[j] * w.EPSC[j];
        return w.reduced_field * sums.diffusion * w.townsend_alpha + nu * s;
    }
    return 0.0;
}

// Grouped rotation and vibration processes are added to their visible leader.
void fold_grouped(const Tables& t, SolverWork& w) {
    const int grouped = visited_collision_count(t) - visible_collision_count(t);
    if (grouped <= 0) return;
    const int visible = visible_collision_count(t);
    for (int k = 1; k <= visible; ++k) {
        const int kind = t.col.collision_kind[k];
        if (kind != kRotation && kind != kVibration) continue;
        w.XK[k] = w.XK[k] * w.CX1[k];
        w.XKINV[k] = w.XKINV[k] * w.CX1[k];
    }
    for (int k = kMaxCollisions + 1 - grouped; k <= kMaxCollisions; ++k) {
        const int leader = t.col.collision_group[k];
        if (leader < 1 || leader > visible) continue;
        w.XK[leader] = w.XK[leader] + w.CX1[k] * w.XK[k];
        w.XKINV[leader] = w.XKINV[leader] + w.CX1[k] * w.XKINV[k];
        w.XP[leader] = w.XP[leader] + w.XP[k];
    }
}

// E/N of a Maxwellian run: the field that supplies the power the
// distribution loses.
void maxwellian_field(Tables& t, SolverWork& w, int irun, RunCoefficients& r) {
    const double p = ((r.elastic_power + r.inelastic_power) + r.ei_power) + r.growth_power;
    const double e = std::sqrt(p / r.real_mobility);
    w.reduced_field = e;
    t.run.run_conditions[irun][kCondEN] = e * kTdPerVm2;
    r.power = p;
}

void store_row(Tables& t, const SolverWork& w, int irun, const RunCoefficients& r) {
    double* row = t.run.run_results[irun];
    for (int j = 1; j <= kNumResults; ++j) row[j] = 0.0;
    const double e = w.reduced_field;
    const double c2 = w.field_frequency;
    const TransportSums& s = r.sums;
    row[1] = r.mean_energy;
    row[2] = s.mobility;
    if (c2 > 0.0) {
        row[3] = r.real_mobility;
        row[4] = -(c2 / 3.0) * r.imaginary_sum;
    }
    if (w.gradient_submode > 0) {
        const GradientResults g = gradient_results(w, s.mobility, s.diffusion);
        row[5] = g.bulk_mobility;
        row[7] = g.longitudinal_diffusion;
        row[8] = g.bulk_t_diffusion;
        row[9] = g.bulk_l_diffusion;
    }
    row[6] = s.diffusion;
    row[11] = s.energy_mobility * (kGammaThird / s.flux_mean_energy);
    row[12] = (kGammaThird / s.flux_mean_energy) * s.energy_diffusion;
    row[13] = r.collision_frequency;
    row[14] = r.momentum_frequency - r.ei_frequency;
    row[15] = r.ei_frequency;
    row[16] = w.ionization_freq;
    if (w.attachment_present == 1) row[17] = w.attachment_freq;
    if (c2 == 0.0 && e > 0.0) {
        row[18] = w.ionization_freq * e / r.power;
        if (w.attachment_present == 1) row[19] = e * w.attachment_freq / r.power;
    }
    row[20] = r.power;
    row[21] = r.elastic_power;
    row[22] = r.inelastic_power;
    row[23] = r.growth_power;
    row[24] = r.ei_power;
    row[25] = w.coulomb_log;
    row[27] = w.emax;
    row[28] = static_cast<double>(w.total_iterations);
    row[29] = static_cast<double>(w.grid_trials);
    row[30] = static_cast<double>(w.run_status);
}

void store_collision_tables(Tables& t, const SolverWork& w, int irun) {
    const int visible = visible_collision_count(t);
    for (int k = 1; k <= visible; ++k) {
        t.run.run_rate_coef[irun][k] = w.XK[k];
        t.run.run_inverse_rate_coef[irun][k] = w.XKINV[k];
        t.run.run_energy_loss_coef[irun][k] = w.XP[k];
    }
}

// Anisotropy of cell j: the mean of its two edge values over F(j). The
// zero-energy and top edges carry no flux, so their values count as 0.
double cell_anisotropy(const SolverWork& w, int j) {
    const double upper = j < w.n ? w.F1[j + 1] : 0.0;
    const double lower = j > 1 ? w.F1[j] : 0.0;
    return -((lower + upper) * 0.5) / w.F[j];
}

void store_distribution(Tables& t, const SolverWork& w, int irun) {
    const int n = w.n;
    double* energy = t.run.run_eedf_energy[irun];
    double* eedf = t.run.run_eedf[irun];
    double* an = t.run.run_anisotropy[irun];
    for (int j = 1; j <= n; ++j) {
        energy[j] = w.EPSC[j];
        eedf[j] = w.F[j];
    }
    // The end cells are extrapolated from two interior cells, which a grid
    // of three cells or fewer lacks (with three, cell 1 would read cell 3
    // before it is written): there every cell takes the mean of its edges.
    if (n <= 3) {
        for (int j = 1; j <= n; ++j) an[j] = n == 1 ? 0.0 : cell_anisotropy(w, j);
        return;
    }
    for (int j = 2; j <= n - 1; ++j) an[j] = -((w.F1[j] + w.F1[j + 1]) * 0.5) / w.F[j];
    // End cells: linear extrapolation from their two neighbours.
    an[1] = 1.5 * an[2] - 0.5 * an[3];
    an[n] = 1.5 * an[n - 1] - 0.5 * an[n - 2];
}

}  // namespace

void face_anisotropy(SolverWork& w) {
    const int n = w.n;
    const double e = w.reduced_field;
    w.F1[1] = 0.0;
    for (int k = 2; k <= n; ++k) {
        w.F1[k] = e / w.QEFF[k] * (w.F[k] - w.F[k - 1]) / (w.EPSC[k] - w.EPSC[k - 1]);
    }
    if (w.growth_model != 2) return;
    for (int k = 2; k <= n; ++k) {
        w.F1[k] = w.F1[k] + 0.5 * w.townsend_alpha * (w.F[k - 1] + w.F[k]) / w.Q[k];
    }
}

TransportSums transport_sums(const SolverWork& w) {
    const int n = w.n;
    TransportSums s{};
    s.flux_mean_energy = mean_energy(w);
    double mu = 0.0, se = 0.0;
    for (int k = 2; k <= n; ++k) {
        const double eps = w.EPS[k];
        const double df = w.F[k - 1] - w.F[k];
        mu += (eps / w.Q[k]) * w.AF1[k] * df;
        se += (eps * eps / w.Q[k]) * w.AF1[k] * df;
    }
    double dn = 0.0, sd = 0.0;
    for (int j = 1; j <= n; ++j) {
        // Mean of eps/Q over the two edges; the zero-energy edge adds nothing.
        const double lower = j == 1 ? 0.0 : w.AG1[j] * w.EPS[j] / w.Q[j];
        const double b = 0.5 * (w.AG1[j + 1] * w.EPS[j + 1] / w.Q[j + 1] + lower);
        const double width = w.EPS[j + 1] - w.EPS[j];
        dn += b * w.F[j] * width;
        sd += b * w.EPSC[j] * w.F[j] * width;
    }
    s.mobility = kGammaThird * mu;
    s.energy_mobility = se;
    s.diffusion = kGammaThird * dn;
    s.energy_diffusion = sd;
    return s;
}

void store_results(Tables& t, SolverWork& w, int irun) {
    RunCoefficients r{};
    r.sums = transport_sums(w);
    r.mean_energy = r.sums.flux_mean_energy;
    if (w.gradient_submode == 2) {
        gradient_reconstruct(w);
        r.mean_energy = mean_energy(w);
    }
    r.power = field_power(w, r.sums);
    field_frequency_terms(w, r);
    collision_coefficients(t, w, r);
    electron_ion_terms(w, r);
    r.growth_power = growth_power(w, r.sums);
    if (w.momentum_floor_hit == 1) w.run_status = kStatusFailed;
    // A distribution that is not a number (an energy grid that became
    // infinite or undefined) is a failed run, never a success.
    if (!std::isfinite(r.mean_energy) || !std::isfinite(w.emax)) w.run_status = kStatusFailed;
    fold_grouped(t, w);
    if (w.maxwellian_mode) maxwellian_field(t, w, irun, r);

    store_row(t, w, irun, r);
    store_collision_tables(t, w, irun);
    store_distribution(t, w, irun);
}

}  // namespace kestor
