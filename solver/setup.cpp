// Run set-up: conditions to per-run quantities, level populations, mass
// ratios and the parameters of the Coulomb logarithm.

#include "solver/setup.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "solver/constants.h"
#include "solver/ee_momentum.h"
#include "solver/operator_terms.h"

namespace kestor {

namespace {

// Electron-electron momentum factor of the field threshold.
constexpr double kEeMomentumFactor = 0.5839999914169312;
constexpr double kOneThird = 0.3333333432674408;
constexpr double kTailFactor = 1.209199609805189;

// Growth code kGrowthGradientTemporal + i selects gradient sub-mode
// kGradientTemporal + i.
constexpr int kGradientCodeOffset = static_cast<int>(kGrowthGradientTemporal) - static_cast<int>(kGradientTemporal);

// Conditions of the run, 1-based.
using Conditions = double[kNumConditions + 1];

int species_count(const Tables& t) { return std::clamp(t.num.species_count, 0, kMaxSpecies); }

void read_run(const Tables& t, RunSettings& run, int irun, Conditions& c) {
    const int ns = species_count(t);
    for (int s = 1; s <= ns; ++s) run.XS[s] = t.run.run_gas_fractions[irun][s];
    for (int k = 1; k <= kNumConditions; ++k) c[k] = t.run.run_conditions[irun][k];
}

// The quantities that are the conditions themselves or simple conversions,
// the grid size and the first grid.
void convert_conditions(SolverWork& w, const Conditions& c) {
    w.run.reduced_field = c[kCondEN] * kTownsend;
    w.run.field_frequency = c[kCondFrequency];
    w.run.field_frequency_mode = c[kCondFrequency] > 0.0 ? 1 : 0;
    w.run.cos_field_angle = c[kCondCosEB];
    w.run.gas_temperature_ev = (c[kCondGasTemp] * kBoltzmann) / kElementaryCharge;
    w.run.excitation_temperature_ev = (c[kCondExcTemp] * kBoltzmann) / kElementaryCharge;
    w.run.transition_energy = c[kCondTransitionEnergy];
    w.run.plasma_density = c[kCondPlasmaDensity];
    w.run.ion_mass_ratio = c[kCondIonMassRatio];
    w.run.energy_sharing = condition_int(c[kCondEnergySharing]);
    w.run.maxwellian_energy = c[kCondMaxwellEnergy];
    w.run.maxwellian_mode = c[kCondMaxwellEnergy] > 0.0 ? 1 : 0;
    w.n = condition_int(c[kCondGridPoints]);
    w.grid.grid_type = condition_int(c[kCondGridType]);
    w.grid.emax = c[kCondMaxEnergy];
    w.run.precision = c[kCondPrecision];
    w.run.ln_precision = std::log(c[kCondPrecision]);
    w.run.lambda = -w.run.ln_precision;
    w.run.convergence = c[kCondConvergence];
    w.run.max_iterations = condition_int(c[kCondMaxIterations]);
}

// Growth model, electron-ion and electron-electron weights, momentum flag
// and gradient sub-mode, in this order.
void normalise_modes(RunSettings& run, const Conditions& c) {
    int g = condition_int(c[kCondGrowthModel]);
    // An oscillating field admits no spatial growth and no gradient expansion.
    if (run.field_frequency_mode) {
        if (g == kGrowthSpatial || g >= kGrowthGradientTemporal) g = kGrowthTemporal;
        else if (g == kGrowthNoneAlso) g = kGrowthNone;
    } else if (g == kGrowthNoneAlso) {
        g = kGrowthNone;
    }

    const double degree = c[kCondIonDegree];
    if (c[kCondIonCharge] < 0.0) {
        run.ei_degree = degree;
        run.ee_degree = 0.0;
    } else {
        run.ei_degree = c[kCondIonCharge] * degree;
        run.ee_degree = degree;
    }

    run.ee_momentum_flag = condition_int(c[kCondEEMomentum]);
    if (run.ee_degree <= 0.0 || g > kGrowthTemporal) run.ee_momentum_flag = kEEMomentumOff;

    // Growth codes from kGrowthGradientTemporal on name a gradient sub-mode;
    // its growth is temporal, except none for kGradientNoGrowth.
    run.gradient_submode = kGradientOff;
    if (g >= kGrowthGradientTemporal) {
        run.gradient_submode = g - kGradientCodeOffset;
        g = run.gradient_submode == kGradientNoGrowth ? kGrowthNone : kGrowthTemporal;
    }
    run.growth_model = g;
}

void clear_cell_state(SolverWork& w) {
    for (int j = 1; j <= w.n; ++j) {
        w.dist.FF1[j] = 0.0;
        w.dist.FF2[j] = 0.0;
        w.dist.FF3[j] = 0.0;
        w.grad.GZ[j] = 0.0;
        w.grad.GZZ[j] = 0.0;
        w.grad.GYY[j] = 0.0;
    }
}

bool has_kind(const Tables& t, int kind) {
    const int nc = visible_collision_count(t);
    for (int k = 1; k <= nc; ++k) {
        if (t.col.collision_kind[k] == kind) return true;
    }
    return false;
}

bool any_rotational_levels(const Tables& t) {
    const int ns = species_count(t);
    for (int s = 1; s <= ns; ++s) {
        if (t.sp.rot_level_count[s] > 0) return true;
    }
    return false;
}

// Fractions of the target species in the lower and the upper level of a
// process: 1 and 0 unless the lower level is excited, de-excitations
// start from the upper level, excitations and rotations follow the
// populations at the excitation and gas temperatures.
void level_fractions(const Tables& t, RunSettings& run) {
    const int visited = visited_collision_count(t);
    const int visible = visible_collision_count(t);
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        run.CX1[k] = 1.0;
        run.CX2[k] = 0.0;
        if (t.col.lower_level_energy[k] > 0.0) run.CX1[k] = 0.0;
    }
    for (int k = 1; k <= visible; ++k) {
        if (t.col.collision_kind[k] == kDeexcitation) {
            run.CX1[k] = 0.0;
            run.CX2[k] = 1.0;
        }
    }

    const double tg = run.gas_temperature_ev;
    const double tx = run.excitation_temperature_ev;
    const double et = run.transition_energy;
    if (tx > 0.0) {
        const double w0 = level_weight(0.0, tg, tx, et);
        for (int k = 1; k <= visible; ++k) {
            if (t.col.collision_kind[k] != kExcitation) continue;
            const double gl = t.col.lower_level_weight[k];
            const double gu = t.col.upper_level_weight[k];
            const double eu = t.col.upper_level_energy[k];
            double r;
            if (et == 0.0 || tg == 0.0) {
                r = (gu / gl) * std::exp(-eu / tx);
            } else {
                r = ((gu / gl) / w0) * level_weight(eu, tg, tx, et);
            }
            run.CX1[k] = 1.0 / (1.0 + r);
            run.CX2[k] = r / (1.0 + r);
        }
    }

    if (!any_rotational_levels(t)) return;
    const int ns = species_count(t);
    for (int s = 1; s <= ns; ++s) {
        run.XXS[s] = 0.0;
        const int levels = std::clamp(t.sp.rot_level_count[s], 0, kMaxRotLevels);
        for (int l = 1; l <= levels; ++l) {
            run.XXS[s] += t.sp.rot_level_weight[s][l] *
                          rotational_weight(t.sp.rot_level_energy[s][l], tg, tx, et);
        }
    }
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        if (t.col.collision_kind[k] != kRotation) continue;
        const int s = t.col.collision_species[k];
        // A species without a level table has no population to share out:
        // its rotations keep the plain fractions, as vibrations do.
        if (!valid_species(s) || !(run.XXS[s] > 0.0)) continue;
        run.CX1[k] = t.col.lower_level_weight[k] *
                     rotational_weight(t.col.lower_level_energy[k], tg, tx, et) / run.XXS[s];
        run.CX2[k] = t.col.upper_level_weight[k] *
                     rotational_weight(t.col.upper_level_energy[k], tg, tx, et) / run.XXS[s];
    }
}

// Largest electron/target mass ratio of each species.
void species_mass_ratios(const Tables& t, RunSettings& run) {
    for (int s = 0; s <= kMaxSpecies; ++s) run.CMRTS[s] = 0.0;
    const int nc = visible_collision_count(t);
    for (int k = 1; k <= nc; ++k) {
        const int s = t.col.collision_species[k];
        if (!valid_species(s)) continue;
        run.CMRTS[s] = std::max(run.CMRTS[s], t.col.collision_mass_ratio[k]);
    }
}

void electron_ion_mass_ratio(const Tables& t, RunSettings& run) {
    double mu = 0.0;
    if (run.ei_degree > 0.0) {
        double sum = 0.0;
        const int ns = species_count(t);
        for (int s = 1; s <= ns; ++s) sum += run.CMRTS[s] * run.XS[s];
        mu = sum / run.ion_mass_ratio;
    }
    run.electron_ion_mass_ratio = mu;
}

// A Maxwellian run: quadratic grid reaching the precision level.
void maxwellian_setup(SolverWork& w, const Conditions& c) {
    w.grid.grid_type = kGridQuadratic;
    w.run.ee_momentum_flag = kEEMomentumOff;
    w.grid.emax = (1.0 + w.run.lambda) * c[kCondMaxwellEnergy] / 1.5;
    reset_momentum_factors(w.n, w.ee);
}

void coulomb_parameters(SolverWork& w, const Conditions& c) {
    const double tg = w.run.gas_temperature_ev;
    const double e = w.run.reduced_field;
    const double z = w.run.ei_degree;
    const double mu = w.run.electron_ion_mass_ratio;
    const double density = c[kCondPlasmaDensity];
    double cl = 0.0;
    w.grid.ei_field_threshold = 0.0;
    w.run.ei_tail_parameter = 0.0;
    // A negative density gives the Coulomb logarithm itself.
    if (density < 0.0) cl = -kCoulombConstant * density;
    if (z > 0.0) {
        if (density > 0.0) {
            const double temp = (kVacuumPermittivity * tg) / kElementaryCharge;
            const double lam = kTwelvePi / std::sqrt(density) * std::sqrt(temp) * temp;
            cl = std::log(lam) * kCoulombConstant;
        }
        if (w.run.ee_momentum_flag != kEEMomentumOn) {
            w.grid.ei_field_threshold = std::sqrt(mu / 27.0 / 3.0 / kPi * 32.0) * z * cl / tg / kGamma;
        } else {
            w.grid.ei_field_threshold = std::sqrt(mu / 27.0 / kEeMomentumFactor) * z * cl / tg / kGamma;
        }
        if (w.run.ee_degree == 0.0) {
            const double u = cl * z / kGamma / e / tg;
            const double v = 1.5 * mu * u * u;
            w.run.ei_tail_parameter = std::pow(v, kOneThird) * kTailFactor;
        }
    }
    w.coll.coulomb_factor = cl;
    w.run.sqrt_plasma_density = density > 0.0 ? std::sqrt(density) : 0.0;
}

// Counters and switches of the later phases that start each run afresh.
void clear_run_state(const Tables& t, SolverWork& w) {
    w.run.attachment_present = has_kind(t, kAttachment) ? 1 : 0;
    w.dist.slope_mode = kSlopeExponential;
    w.iter.total_iterations = 0;
    w.grid.grid_trials = 0;
    w.iter.run_status = kStatusSuccess;
    w.coll.coulomb_log = 0.0;
    w.coll.townsend_alpha = 0.0;
    w.coll.momentum_floor_hit = 0;
}

void store_status(Tables& t, int irun, RunStatus status) {
    t.run.run_results[irun][kResStatus] = static_cast<double>(status);
}

}  // namespace

int condition_int(double c) {
    if (std::isnan(c)) return 0;
    if (c >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (c <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(c);
}

double level_weight(double e, double tg, double tx, double et) {
    if (tx >= tg) return std::exp((et - e) / tg) + std::exp((et - e) / tx);
    return 1.0 / (std::exp((e - et) / tg) + std::exp((e - et) / tx));
}

double rotational_weight(double e, double tg, double tx, double et) {
    if (et != 0.0 && tg != 0.0 && tx != 0.0) return level_weight(e, tg, tx, et);
    const double tmax = std::max(tg, tx);
    // Cold gas: only the ground level is populated.
    if (tmax == 0.0) return e <= 0.0 ? 1.0 : 0.0;
    return std::exp(-e / tmax);
}

int visible_collision_count(const Tables& t) {
    return std::clamp(t.num.collision_count, 0, kMaxCollisions);
}

int visited_collision_count(const Tables& t) {
    const int visible = visible_collision_count(t);
    const int grouped = std::clamp(t.num.grouped_collision_count, 0, kMaxCollisions - visible);
    return visible + grouped;
}

int collision_slot(const Tables& t, int j) {
    const int visible = visible_collision_count(t);
    return j <= visible ? j : kMaxCollisions + 1 - (j - visible);
}

int table_points(const Tables& t, int k) {
    return std::clamp(t.col.cs_npoints[k], 0, kMaxCsPoints);
}

bool setup_run(Tables& t, SolverWork& w, int irun) {
    if (irun < 1 || irun > kMaxRuns) return false;
    Conditions c;
    read_run(t, w.run, irun, c);

    if (c[kCondEN] == 0.0 && c[kCondGasTemp] == 0.0) {
        store_status(t, irun, kStatusFailed);
        return false;
    }

    convert_conditions(w, c);
    normalise_modes(w.run, c);
    // The work arrays hold at most 1000 cells: another size fails the run.
    if (!valid_cell_count(w.n)) {
        store_status(t, irun, kStatusFailed);
        return false;
    }
    clear_cell_state(w);
    if (!has_kind(t, kElastic)) {
        store_status(t, irun, kStatusMissingElastic);
        return false;
    }

    level_fractions(t, w.run);
    species_mass_ratios(t, w.run);
    electron_ion_mass_ratio(t, w.run);
    field_frequency_factors(w.run);
    if (w.run.maxwellian_mode) maxwellian_setup(w, c);
    coulomb_parameters(w, c);
    clear_run_state(t, w);
    return true;
}

}  // namespace kestor
