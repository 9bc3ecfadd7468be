// Transport and rate coefficients of the final distribution and the stored
// rows of a run.

#include "solver/results.h"

#include <cmath>

#include "solver/constants.h"
#include "solver/gradient.h"
#include "solver/operator_terms.h"
#include "solver/setup.h"

namespace kestor {

namespace {

// Results of the closing steps that end up in the result row.
struct RunCoefficients {
    double field;               // E/N (V m2): the run's, or derived in a Maxwellian run
    double mean_energy;         // eV, of the stored F (rebuilt in kGradientSteadyState)
    TransportSums sums;
    double power;               // P, gained from the field (eV m3/s)
    double real_mobility;       // MR, real (or perpendicular) mobility N (1/m/V/s)
    double imaginary_sum;       // SI, sum of the imaginary mobility
    double momentum_frequency;  // nu_m / N (m3/s)
    double ei_frequency;        // nu_ei / N, electron-ion momentum frequency (m3/s)
    double ei_power;            // Pei, electron-ion power loss (eV m3/s)
    double elastic_power;       // PE, elastic power loss (eV m3/s)
    double inelastic_power;     // PI, inelastic power loss (eV m3/s)
    double collision_frequency; // nu_t / N, total collision frequency (m3/s)
    double growth_power;        // Pg, power of the electron-number growth (eV m3/s)
};

// Power gained from the field.
double field_power(const SolverWork& w, const TransportSums& sums) {
    const double e = w.run.reduced_field;
    if (w.run.growth_model == kGrowthSpatial) return (e * sums.mobility - sums.diffusion * w.coll.townsend_alpha) * e;
    double s = 0.0;
    for (int k = 2; k <= w.n; ++k) s += w.dist.F1[k] * w.grid.EPS[k] * (w.grid.EPSC[k - 1] - w.grid.EPSC[k]);
    return ((e * kGamma) / 3.0) * s;
}

// Mobilities in an oscillating field and the momentum frequency.
void field_frequency_terms(const SolverWork& w, RunCoefficients& r) {
    const double mu = r.sums.mobility;
    if (!w.run.field_frequency_mode) {
        r.real_mobility = mu;
        r.imaginary_sum = 0.0;
        r.momentum_frequency = kChargeOverMass / mu;
        return;
    }
    const double c2 = w.run.field_frequency;
    const double u2 = (c2 / kGamma) * (c2 / kGamma);
    double sr = 0.0, si = 0.0;
    for (int k = 2; k <= w.n; ++k) {
        const double sigma = w.coll.Q[k];
        const double eps = w.grid.EPS[k];
        const double df = w.dist.F[k - 1] - w.dist.F[k];
        sr += (eps / (sigma + u2 / (eps * sigma))) * w.ee.AF1[k] * df;
        si += (std::sqrt(eps) / (sigma * sigma + u2 / eps)) * w.ee.AF1[k] * df;
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
    const double* rr = w.coll.RR[k];
    const double* f = w.dist.F;
    double s = 0.0;
    if (n < 2) return s;
    if (f[1] > 0.0 && f[2] > 0.0) {
        s = (std::log(f[1]) - std::log(f[2])) * rr[1] * f[1] * w.grid.EPSC[1] / w.grid.centre_gap(2);
    }
    for (int j = 2; j <= n - 1; ++j) {
        if (!(f[j - 1] > 0.0) || !(f[j + 1] > 0.0)) continue;
        s += (std::log(f[j - 1]) - std::log(f[j + 1])) * w.grid.EPSC[j] * f[j] * rr[j] /
             (w.grid.EPSC[j + 1] - w.grid.EPSC[j - 1]);
    }
    return s;
}

// Sum over the cells of row F, and of row F EPSC (an energy rate).
double cell_sum(const SolverWork& w, const double* row) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += row[j] * w.dist.F[j];
    return s;
}
double energy_sum(const SolverWork& w, const double* row) {
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += row[j] * w.dist.F[j] * w.grid.EPSC[j];
    return s;
}

// Elastic energy-exchange loss of collision slot k with species s.
double recoil_loss(const SolverWork& w, int k, int s) {
    const double u = energy_sum(w, w.coll.RR[k]);
    const double slope = recoil_slope_sum(w, k);
    return 2.0 * w.run.CMRTS[s] * (u - slope * w.run.gas_temperature_ev);
}

// Rate, inverse rate and energy-loss coefficient of every collision, with
// the elastic and inelastic power losses and the total collision frequency.
void collision_coefficients(const Tables& t, SolverWork& w, RunCoefficients& r) {
    const int visible = visible_collision_count(t);
    const int visited = visited_collision_count(t);
    for (int k = 1; k <= visible; ++k) w.coll.XP[k] = 0.0;
    double pe = 0.0, pi = 0.0, nut = 0.0;
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        const int s = t.col.collision_species[k];
        const int kind = t.col.collision_kind[k];
        double rate = cell_sum(w, w.coll.RR[k]);
        double inverse = cell_sum(w, w.coll.RRINV[k]);
        w.coll.XK[k] = rate;
        w.coll.XKINV[k] = inverse;
        if (!valid_species(s)) {
            w.coll.XP[k] = 0.0;
            continue;
        }
        const double x = w.run.XS[s];
        const bool effective = t.sp.species_effective_flag[s] != 0;
        bool recoil = kind == kElastic;
        if (is_inelastic(kind)) {
            if (carries_electrons_off(kind)) {
                // Energy carried off by the attached electrons.
                w.coll.XP[k] = energy_sum(w, w.coll.RR[k]);
            } else {
                w.coll.XP[k] = (rate * w.run.CX1[k] - inverse * w.run.CX2[k]) * t.col.collision_threshold[k];
            }
            pi += x * w.coll.XP[k];
            recoil = !effective && !carries_electrons_off(kind);
        }
        if (recoil) {
            const double loss = recoil_loss(w, k, s);
            w.coll.XP[k] = w.coll.XP[k] + loss;
            pe += x * loss;
        }
        if (kind == kDeexcitation) {
            // The stored process is the de-excitation: the inverse direction.
            w.coll.XK[k] = inverse;
            w.coll.XKINV[k] = rate;
            const double tmp = rate;
            rate = inverse;
            inverse = tmp;
        }
        if (kind == kElastic || !effective) nut += x * (rate * w.run.CX1[k] + inverse * w.run.CX2[k]);
    }
    r.elastic_power = pe;
    r.inelastic_power = pi;
    r.collision_frequency = nut;
}

// Electron-ion momentum frequency and energy loss.
void electron_ion_terms(const SolverWork& w, RunCoefficients& r) {
    r.ei_frequency = 0.0;
    r.ei_power = 0.0;
    if (!(w.run.ei_degree > 0.0)) return;
    const int n = w.n;
    const double c = kTwoThirdsChargeOverMass / r.sums.mobility;
    double sei = 0.0, sm = 0.0, sp = 0.0;
    for (int k = 2; k <= n; ++k) {
        const double eps = w.grid.EPS[k];
        const double e32 = std::sqrt(eps) * eps;
        const double df = w.dist.F[k - 1] - w.dist.F[k];
        sei += w.coll.CSMEI[k] * e32 / w.coll.Q[k] * w.ee.AF1[k] * df;
        sm += e32 * w.ee.AF1[k] * df;
        const double fu = w.dist.F[k], fl = w.dist.F[k - 1];
        if (fu > 0.0 && fl > 0.0) {
            sp += std::sqrt(fu * fl) *
                  (w.run.gas_temperature_ev * (std::log(fu) - std::log(fl)) + w.grid.EPSC[k] - w.grid.EPSC[k - 1]);
        }
    }
    r.ei_frequency = c * sei;
    r.momentum_frequency = c * sm;
    r.ei_power = kGamma * w.coll.CSEEI[2] * (w.grid.EPS[2] * w.grid.EPS[2]) * sp;
}

double growth_power(const SolverWork& w, const TransportSums& sums) {
    const double nu = w.coll.ionization_freq - w.coll.attachment_freq;
    if (w.run.growth_model == kGrowthTemporal) {
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) s += w.grid.EPSC[j] * w.dist.H[j] * w.dist.F[j];
        return nu * s;
    }
    if (w.run.growth_model == kGrowthSpatial) {
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) s += w.coll.AAAA[j] * w.grid.EPSC[j];
        return w.run.reduced_field * sums.diffusion * w.coll.townsend_alpha + nu * s;
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
        w.coll.XK[k] = w.coll.XK[k] * w.run.CX1[k];
        w.coll.XKINV[k] = w.coll.XKINV[k] * w.run.CX1[k];
    }
    for (int k = kMaxCollisions + 1 - grouped; k <= kMaxCollisions; ++k) {
        const int leader = t.col.collision_group[k];
        if (leader < 1 || leader > visible) continue;
        w.coll.XK[leader] = w.coll.XK[leader] + w.run.CX1[k] * w.coll.XK[k];
        w.coll.XKINV[leader] = w.coll.XKINV[leader] + w.run.CX1[k] * w.coll.XKINV[k];
        w.coll.XP[leader] = w.coll.XP[leader] + w.coll.XP[k];
    }
}

// E/N of a Maxwellian run: the field that supplies the power the
// distribution loses.
void maxwellian_field(Tables& t, int irun, RunCoefficients& r) {
    const double p = ((r.elastic_power + r.inelastic_power) + r.ei_power) + r.growth_power;
    const double e = std::sqrt(p / r.real_mobility);
    r.field = e;
    t.run.run_conditions[irun][kCondEN] = e * kTdPerVm2;
    r.power = p;
}

void store_row(Tables& t, const SolverWork& w, int irun, const RunCoefficients& r) {
    double* row = t.run.run_results[irun];
    for (int j = 1; j <= kNumResults; ++j) row[j] = 0.0;
    const double e = r.field;
    const double c2 = w.run.field_frequency;
    const TransportSums& s = r.sums;
    row[kResMeanEnergy] = r.mean_energy;
    row[kResMobility] = s.mobility;
    if (c2 > 0.0) {
        row[kResReMobility] = r.real_mobility;
        row[kResImMobility] = -(c2 / 3.0) * r.imaginary_sum;
    }
    if (w.run.gradient_submode != kGradientOff) {
        const GradientResults g = gradient_results(w.grad, e, s.mobility, s.diffusion);
        row[kResBulkMobility] = g.bulk_mobility;
        row[kResLongDiffusion] = g.longitudinal_diffusion;
        row[kResBulkTransDiffusion] = g.bulk_t_diffusion;
        row[kResBulkLongDiffusion] = g.bulk_l_diffusion;
    }
    row[kResDiffusion] = s.diffusion;
    row[kResEnergyMobility] = s.energy_mobility * (kGammaThird / s.flux_mean_energy);
    row[kResEnergyDiffusion] = (kGammaThird / s.flux_mean_energy) * s.energy_diffusion;
    row[kResTotalCollisionFreq] = r.collision_frequency;
    row[kResMomentumFreq] = r.momentum_frequency - r.ei_frequency;
    row[kResEIMomentumFreq] = r.ei_frequency;
    row[kResIonizationFreq] = w.coll.ionization_freq;
    if (w.run.attachment_present == 1) row[kResAttachmentFreq] = w.coll.attachment_freq;
    // Townsend coefficients only for a steady field.
    if (c2 == 0.0 && e > 0.0) {
        row[kResTownsendAlpha] = w.coll.ionization_freq * e / r.power;
        if (w.run.attachment_present == 1) row[kResTownsendEta] = e * w.coll.attachment_freq / r.power;
    }
    row[kResPower] = r.power;
    row[kResElasticPower] = r.elastic_power;
    row[kResInelasticPower] = r.inelastic_power;
    row[kResGrowthPower] = r.growth_power;
    row[kResEIPower] = r.ei_power;
    row[kResCoulombLog] = w.coll.coulomb_log;
    row[kResMaxEnergy] = w.grid.emax;
    row[kResIterations] = static_cast<double>(w.iter.total_iterations);
    row[kResGridTrials] = static_cast<double>(w.grid.grid_trials);
    row[kResStatus] = static_cast<double>(w.iter.run_status);
}

void store_collision_tables(Tables& t, const SolverWork& w, int irun) {
    const int visible = visible_collision_count(t);
    for (int k = 1; k <= visible; ++k) {
        t.run.run_rate_coef[irun][k] = w.coll.XK[k];
        t.run.run_inverse_rate_coef[irun][k] = w.coll.XKINV[k];
        t.run.run_energy_loss_coef[irun][k] = w.coll.XP[k];
    }
}

// Anisotropy of cell j: the mean of its two edge values over F(j). The
// zero-energy and top edges carry no flux, so their values count as 0.
double cell_anisotropy(const SolverWork& w, int j) {
    const double upper = j < w.n ? w.dist.F1[j + 1] : 0.0;
    const double lower = j > 1 ? w.dist.F1[j] : 0.0;
    return -((lower + upper) * 0.5) / w.dist.F[j];
}

void store_distribution(Tables& t, const SolverWork& w, int irun) {
    const int n = w.n;
    double* energy = t.run.run_eedf_energy[irun];
    double* eedf = t.run.run_eedf[irun];
    double* an = t.run.run_anisotropy[irun];
    for (int j = 1; j <= n; ++j) {
        energy[j] = w.grid.EPSC[j];
        eedf[j] = w.dist.F[j];
    }
    // The end cells are extrapolated from two interior cells, which a grid
    // of three cells or fewer lacks (with three, cell 1 would read cell 3
    // before it is written): there every cell takes the mean of its edges.
    if (n <= 3) {
        for (int j = 1; j <= n; ++j) an[j] = n == 1 ? 0.0 : cell_anisotropy(w, j);
        return;
    }
    for (int j = 2; j <= n - 1; ++j) an[j] = -((w.dist.F1[j] + w.dist.F1[j + 1]) * 0.5) / w.dist.F[j];
    // End cells: linear extrapolation from their two neighbours.
    an[1] = 1.5 * an[2] - 0.5 * an[3];
    an[n] = 1.5 * an[n - 1] - 0.5 * an[n - 2];
}

}  // namespace

void face_anisotropy(SolverWork& w) {
    const int n = w.n;
    const double e = w.run.reduced_field;
    w.dist.F1[1] = 0.0;
    for (int k = 2; k <= n; ++k) {
        w.dist.F1[k] = e / w.coll.QEFF[k] * (w.dist.F[k] - w.dist.F[k - 1]) / w.grid.centre_gap(k);
    }
    // Spatial growth adds the drift of the growing swarm.
    if (w.run.growth_model != kGrowthSpatial) return;
    for (int k = 2; k <= n; ++k) {
        w.dist.F1[k] = w.dist.F1[k] + 0.5 * w.coll.townsend_alpha * (w.dist.F[k - 1] + w.dist.F[k]) / w.coll.Q[k];
    }
}

TransportSums transport_sums(const SolverWork& w) {
    const int n = w.n;
    TransportSums s{};
    s.flux_mean_energy = mean_energy(n, w.dist);
    double mu = 0.0, se = 0.0;
    for (int k = 2; k <= n; ++k) {
        const double eps = w.grid.EPS[k];
        const double df = w.dist.F[k - 1] - w.dist.F[k];
        mu += (eps / w.coll.Q[k]) * w.ee.AF1[k] * df;
        se += (eps * eps / w.coll.Q[k]) * w.ee.AF1[k] * df;
    }
    double dn = 0.0, sd = 0.0;
    for (int j = 1; j <= n; ++j) {
        // Mean of eps/Q over the two edges; the zero-energy edge adds nothing.
        const double lower = j == 1 ? 0.0 : w.ee.AG1[j] * w.grid.EPS[j] / w.coll.Q[j];
        const double b = 0.5 * (w.ee.AG1[j + 1] * w.grid.EPS[j + 1] / w.coll.Q[j + 1] + lower);
        const double width = w.grid.width(j);
        dn += b * w.dist.F[j] * width;
        sd += b * w.grid.EPSC[j] * w.dist.F[j] * width;
    }
    s.mobility = kGammaThird * mu;
    s.energy_mobility = se;
    s.diffusion = kGammaThird * dn;
    s.energy_diffusion = sd;
    return s;
}

void store_results(Tables& t, SolverWork& w, int irun) {
    RunCoefficients r{};
    r.field = w.run.reduced_field;
    r.sums = transport_sums(w);
    r.mean_energy = r.sums.flux_mean_energy;
    if (w.run.gradient_submode == kGradientSteadyState) {
        gradient_reconstruct(w.coll, w.n, w.grad, w.dist);
        r.mean_energy = mean_energy(w.n, w.dist);
    }
    r.power = field_power(w, r.sums);
    field_frequency_terms(w, r);
    collision_coefficients(t, w, r);
    electron_ion_terms(w, r);
    r.growth_power = growth_power(w, r.sums);
    if (w.coll.momentum_floor_hit == 1) w.iter.run_status = kStatusFailed;
    // A distribution that is not a number (an energy grid that became
    // infinite or undefined) is a failed run, never a success.
    if (!std::isfinite(r.mean_energy) || !std::isfinite(w.grid.emax)) w.iter.run_status = kStatusFailed;
    fold_grouped(t, w);
    if (w.run.maxwellian_mode) maxwellian_field(t, irun, r);

    store_row(t, w, irun, r);
    store_collision_tables(t, w, irun);
    store_distribution(t, w, irun);
}

}  // namespace kestor
