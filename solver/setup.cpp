// Run set-up: conditions to per-run quantities, level populations, mass
// ratios and the parameters of the Coulomb logarithm.

#include "solver/setup.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "solver/constants.h"

namespace kestor {

namespace {

constexpr double kTownsend = 9.999999682655225e-22;           // V m2 per Td
constexpr double kBoltzmann = 1.3807000128307309e-23;         // J/K
constexpr double kPi = 3.1415927410125732;
// Electron-electron momentum factor of the field threshold.
constexpr double kEeMomentumFactor = 0.5839999914169312;
constexpr double kOneThird = 0.3333333432674408;
constexpr double kTailFactor = 1.209199609805189;

// Conditions of the run, 1-based.
using Conditions = double[kNumConditions + 1];

int species_count(const Tables& t) { return std::clamp(t.num.species_count, 0, kMaxSpecies); }

void read_run(const Tables& t, SolverWork& w, int irun, Conditions& c) {
    const int ns = species_count(t);
    for (int s = 1; s <= ns; ++s) w.XS[s] = t.run.run_gas_fractions[irun][s];
    for (int k = 1; k <= kNumConditions; ++k) c[k] = t.run.run_conditions[irun][k];
}

// The quantities that are the conditions themselves or simple conversions.
void convert_conditions(SolverWork& w, const Conditions& c) {
    w.reduced_field = c[kCondEN] * kTownsend;
    w.field_frequency = c[kCondFrequency];
    w.field_frequency_mode = c[kCondFrequency] > 0.0 ? 1 : 0;
    w.cos_field_angle = c[kCondCosEB];
    w.gas_temperature_ev = (c[kCondGasTemp] * kBoltzmann) / kElementaryCharge;
    w.excitation_temperature_ev = (c[kCondExcTemp] * kBoltzmann) / kElementaryCharge;
    w.transition_energy = c[kCondTransitionEnergy];
    w.plasma_density = c[kCondPlasmaDensity];
    w.ion_mass_ratio = c[kCondIonMassRatio];
    w.energy_sharing = condition_int(c[kCondEnergySharing]);
    w.maxwellian_energy = c[kCondMaxwellEnergy];
    w.maxwellian_mode = c[kCondMaxwellEnergy] > 0.0 ? 1 : 0;
    w.n = condition_int(c[kCondGridPoints]);
    w.grid_type = condition_int(c[kCondGridType]);
    w.emax = c[kCondMaxEnergy];
    w.precision = c[kCondPrecision];
    w.ln_precision = std::log(c[kCondPrecision]);
    w.lambda = -w.ln_precision;
    w.convergence = c[kCondConvergence];
    w.max_iterations = condition_int(c[kCondMaxIterations]);
}

// Growth model, electron-ion and electron-electron weights, momentum flag
// and gradient sub-mode, in this order.
void normalise_modes(SolverWork& w, const Conditions& c) {
    int g = condition_int(c[kCondGrowthModel]);
    if (w.field_frequency_mode) {
        if (g == 2 || g >= 4) g = 1;
        else if (g == 3) g = 0;
    } else if (g == 3) {
        g = 0;
    }

    const double degree = c[kCondIonDegree];
    if (c[kCondIonCharge] < 0.0) {
        w.ei_degree = degree;
        w.ee_degree = 0.0;
    } else {
        w.ei_degree = c[kCondIonCharge] * degree;
        w.ee_degree = degree;
    }

    w.ee_momentum_flag = condition_int(c[kCondEEMomentum]);
    if (w.ee_degree <= 0.0 || g > 1) w.ee_momentum_flag = 0;

    w.gradient_submode = 0;
    if (g > 3) {
        w.gradient_submode = g - 3;
        g = w.gradient_submode == 3 ? 0 : 1;
    }
    w.growth_model = g;
}

void clear_cell_state(SolverWork& w) {
    for (int j = 1; j <= w.n; ++j) {
        w.FF1[j] = 0.0;
        w.FF2[j] = 0.0;
        w.FF3[j] = 0.0;
        w.GZ[j] = 0.0;
        w.GZZ[j] = 0.0;
        w.GYY[j] = 0.0;
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
void level_fractions(const Tables& t, SolverWork& w) {
    const int visited = visited_collision_count(t);
    const int visible = visible_collision_count(t);
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        w.CX1[k] = 1.0;
        w.CX2[k] = 0.0;
        if (t.col.lower_level_energy[k] > 0.0) w.CX1[k] = 0.0;
    }
    for (int k = 1; k <= visible; ++k) {
        if (t.col.collision_kind[k] == kDeexcitation) {
            w.CX1[k] = 0.0;
            w.CX2[k] = 1.0;
        }
    }

    const double tg = w.gas_temperature_ev;
    const double tx = w.excitation_temperature_ev;
    const double et = w.transition_energy;
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
            w.CX1[k] = 1.0 / (1.0 + r);
            w.CX2[k] = r / (1.0 + r);
        }
    }

    if (!any_rotational_levels(t)) return;
    const int ns = species_count(t);
    for (int s = 1; s <= ns; ++s) {
        w.XXS[s] = 0.0;
        const int levels = std::clamp(t.sp.rot_level_count[s], 0, kMaxRotLevels);
        for (int l = 1; l <= levels; ++l) {
            w.XXS[s] += t.sp.rot_level_weight[s][l] *
                        rotational_weight(t.sp.rot_level_energy[s][l], tg, tx, et);
        }
    }
    for (int j = 1; j <= visited; ++j) {
        const int k = collision_slot(t, j);
        if (t.col.collision_kind[k] != kRotation) continue;
        const int s = t.col.collision_species[k];
        // A species without a level table has no population to share out:
        // its rotations keep the plain fractions, as vibrations do.
        if (!valid_species(s) || !(w.XXS[s] > 0.0)) continue;
        w.CX1[k] = t.col.lower_level_weight[k] *
                   rotational_weight(t.col.lower_level_energy[k], tg, tx, et) / w.XXS[s];
        w.CX2[k] = t.col.upper_level_weight[k] *
                   rotational_weight(t.col.upper_level_energy[k], tg, tx, et) / w.XXS[s];
    }
}

// Largest electron/target mass ratio of each species.
void species_mass_ratios(const Tables& t, SolverWork& w) {
    for (int s = 0; s <= kMaxSpecies; ++s) w.CMRTS[s] = 0.0;
    const int nc = visible_collision_count(t);
    for (int k = 1; k <= nc; ++k) {
        const int s = t.col.collision_species[k];
        if (!valid_species(s)) continue;
        w.CMRTS[s] = std::max(w.CMRTS[s], t.col.collision_mass_ratio[k]);
    }
}

void electron_ion_mass_ratio(const Tables& t, SolverWork& w, const Conditions& c) {
    double mu = 0.0;
    if (w.ei_degree > 0.0) {
        double sum = 0.0;
        const int ns = species_count(t);
        for (int s = 1; s <= ns; ++s) sum += w.CMRTS[s] * w.XS[s];
        mu = sum / c[kCondIonMassRatio];
    }
    w.electron_ion_mass_ratio = mu;
}

// A Maxwellian run: quadratic grid reaching the precision level.
void maxwellian_setup(SolverWork& w, const Conditions& c) {
    w.grid_type = 2;
    w.ee_momentum_flag = 0;
    w.emax = (1.0 + w.lambda) * c[kCondMaxwellEnergy] / 1.5;
    for (int k = 1; k <= w.n + 1; ++k) {
        w.AF1[k] = 1.0;
        w.AG1[k] = 1.0;
    }
}

void coulomb_parameters(SolverWork& w, const Conditions& c) {
    const double tg = w.gas_temperature_ev;
    const double e = w.reduced_field;
    const double z = w.ei_degree;
    const double mu = w.electron_ion_mass_ratio;
    const double density = c[kCondPlasmaDensity];
    double cl = 0.0;
    w.ei_field_threshold = 0.0;
    w.ei_tail_parameter = 0.0;
    // A negative density gives the Coulomb logarithm itself.
    if (density < 0.0) cl = -kCoulombConstant * density;
    if (z > 0.0) {
        if (density > 0.0) {
            const double temp = (kVacuumPermittivity * tg) / kElementaryCharge;
            const double lam = kTwelvePi / std::sqrt(density) * std::sqrt(temp) * temp;
            cl = std::log(lam) * kCoulombConstant;
        }
        if (w.ee_momentum_flag != 1) {
            w.ei_field_threshold = std::sqrt(mu / 27.0 / 3.0 / kPi * 32.0) * z * cl / tg / kGamma;
        } else {
            w.ei_field_threshold = std::sqrt(mu / 27.0 / kEeMomentumFactor) * z * cl / tg / kGamma;
        }
        if (w.ee_degree == 0.0) {
            const double u = cl * z / kGamma / e / tg;
            const double v = 1.5 * mu * u * u;
            w.ei_tail_parameter = std::pow(v, kOneThird) * kTailFactor;
        }
    }
    w.coulomb_factor = cl;
    w.sqrt_plasma_density = density > 0.0 ? std::sqrt(density) : 0.0;
}

// Counters and switches of the later phases that start each run afresh.
void clear_run_state(const Tables& t, SolverWork& w) {
    w.attachment_present = has_kind(t, kAttachment) ? 1 : 0;
    w.slope_mode = 2;
    w.total_iterations = 0;
    w.grid_trials = 0;
    w.run_status = kStatusSuccess;
    w.coulomb_log = 0.0;
    w.townsend_alpha = 0.0;
    w.momentum_floor_hit = 0;
}

void store_status(Tables& t, int irun, RunStatus status) {
    t.run.run_results[irun][30] = static_cast<double>(status);
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
    read_run(t, w, irun, c);

    if (c[kCondEN] == 0.0 && c[kCondGasTemp] == 0.0) {
        store_status(t, irun, kStatusFailed);
        return false;
    }

    convert_conditions(w, c);
    normalise_modes(w, c);
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

    level_fractions(t, w);
    species_mass_ratios(t, w);
    electron_ion_mass_ratio(t, w, c);
    if (w.maxwellian_mode) maxwellian_setup(w, c);
    coulomb_parameters(w, c);
    clear_run_state(t, w);
    return true;
}

}  // namespace kestor
