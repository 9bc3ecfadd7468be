// Run set-up: early returns, conversions, mode normalisation, level
// fractions, mass ratios and the Coulomb-logarithm parameters.
#include "solver/setup.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <ostream>

#include "solver_case.h"

namespace kestor {
namespace {

using test::add_collision;
using test::add_elastic;
using test::add_grouped;
using test::add_species;
using test::kRun;
using test::set_ordinary_conditions;
using test::SolverCase;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTg300 = 0.025852578088535347;  // 300 K in eV

// Marks every result of the run so that writes besides the status show.
void mark_results(Tables& t) {
    for (int j = 1; j <= kNumResults; ++j) t.run.run_results[kRun][j] = 5.0;
    t.run.run_rate_coef[kRun][1] = 5.0;
}

void expect_only_status_written(const Tables& t, RunStatus status) {
    EXPECT_EQ(t.run.run_results[kRun][kResStatus], status);
    for (int j = 1; j < kNumResults; ++j) EXPECT_EQ(t.run.run_results[kRun][j], 5.0) << j;
    EXPECT_EQ(t.run.run_rate_coef[kRun][1], 5.0);
}

TEST(SetupEarlyReturn, NoFieldAndNoGasTemperatureFailsBeforeAnything) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondEN) = 0.0;
    c.cond(kCondGasTemp) = 0.0;
    // Also without collisions: the failure comes first.
    mark_results(c.t);
    c.w.n = -77;
    EXPECT_FALSE(setup_run(c.t, c.w, kRun));
    expect_only_status_written(c.t, kStatusFailed);
    EXPECT_EQ(c.w.n, -77);
}

TEST(SetupEarlyReturn, NoFieldWithGasTemperatureIsComputed) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondEN) = 0.0;
    add_elastic(c.t, add_species(c.t));
    EXPECT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.reduced_field, 0.0);
}

TEST(SetupEarlyReturn, MissingElasticCollisionGivesStatus11) {
    for (bool maxwellian : {false, true}) {
        SolverCase c;
        set_ordinary_conditions(c);
        if (maxwellian) c.cond(kCondMaxwellEnergy) = 2.0;
        const int s = add_species(c.t);
        add_collision(c.t, s, {.kind = kExcitation, .threshold = 2.0}, {{0.0, 0.0}, {2.0, 0.0}, {1e4, 1e-20}});
        mark_results(c.t);
        EXPECT_FALSE(setup_run(c.t, c.w, kRun));
        expect_only_status_written(c.t, kStatusMissingElastic);
    }
}

TEST(SetupEarlyReturn, NoCollisionsAtAllGivesStatus11) {
    SolverCase c;
    set_ordinary_conditions(c);
    add_species(c.t);
    mark_results(c.t);
    EXPECT_FALSE(setup_run(c.t, c.w, kRun));
    expect_only_status_written(c.t, kStatusMissingElastic);
}

class SetupGridSize : public ::testing::TestWithParam<double> {};

// Grid sizes the work area cannot hold fail the run instead of writing
// past the arrays.
TEST_P(SetupGridSize, OutsideOneToThousandFailsTheRun) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondGridPoints) = GetParam();
    add_elastic(c.t, add_species(c.t));
    mark_results(c.t);
    EXPECT_FALSE(setup_run(c.t, c.w, kRun));
    expect_only_status_written(c.t, kStatusFailed);
}

INSTANTIATE_TEST_SUITE_P(Invalid, SetupGridSize,
                         ::testing::Values(0.0, 0.9, -5.0, 1001.0, 1e12, -1e12, kNaN));

TEST(SetupGridSizeValid, EndsOfTheRangeAreAccepted) {
    for (double cells : {1.0, 1000.0, 1000.9}) {
        SolverCase c;
        set_ordinary_conditions(c);
        c.cond(kCondGridPoints) = cells;
        add_elastic(c.t, add_species(c.t));
        EXPECT_TRUE(setup_run(c.t, c.w, kRun)) << cells;
        EXPECT_EQ(c.w.n, static_cast<int>(cells));
    }
}

TEST(ConditionInt, TruncatesTowardZeroAndNeverOverflows) {
    EXPECT_EQ(condition_int(2.9), 2);
    EXPECT_EQ(condition_int(-2.9), -2);
    EXPECT_EQ(condition_int(0.0), 0);
    EXPECT_EQ(condition_int(kNaN), 0);
    EXPECT_EQ(condition_int(1e300), INT_MAX);
    EXPECT_EQ(condition_int(-1e300), INT_MIN);
    EXPECT_EQ(condition_int(std::numeric_limits<double>::infinity()), INT_MAX);
}

TEST(SetupConversions, ConstantsAndPerRunState) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondExcTemp) = 1000.0;
    c.cond(kCondFrequency) = 1e-14;
    c.cond(kCondCosEB) = 0.5;
    c.cond(kCondEnergySharing) = kSharingEqual;
    const int s = add_species(c.t);
    add_elastic(c.t, s);
    add_collision(c.t, s, {.kind = kAttachment}, {{0.0, 1e-22}, {1e4, 1e-22}});
    // Leftovers of an earlier run.
    c.w.dist.slope_mode = kSlopeLinear;
    c.w.iter.total_iterations = 12;
    c.w.grid.grid_trials = 3;
    c.w.iter.run_status = kStatusFailed;
    c.w.coll.coulomb_log = 8.0;
    c.w.coll.townsend_alpha = 1e-20;
    c.w.coll.momentum_floor_hit = 1;
    Distribution& d = c.w.dist;
    GradientState& g = c.w.grad;
    for (int j = 1; j <= 102; ++j) d.FF1[j] = d.FF2[j] = d.FF3[j] = g.GZ[j] = g.GZZ[j] = g.GYY[j] = 4.0;

    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.reduced_field, 9.999999682655225e-20);
    EXPECT_EQ(c.w.run.gas_temperature_ev, kTg300);
    EXPECT_EQ(c.w.run.excitation_temperature_ev, (1000.0 * kBoltzmann) / kElementaryCharge);
    EXPECT_EQ(c.w.run.field_frequency_mode, 1);
    EXPECT_EQ(c.w.run.field_frequency, 1e-14);
    EXPECT_EQ(c.w.run.cos_field_angle, 0.5);
    EXPECT_EQ(c.w.run.energy_sharing, kSharingEqual);
    EXPECT_EQ(c.w.n, 100);
    EXPECT_EQ(c.w.grid.grid_type, kGridLinear);
    EXPECT_EQ(c.w.grid.emax, 20.0);
    EXPECT_EQ(c.w.run.precision, 1e-10);
    EXPECT_EQ(c.w.run.lambda, 23.025850929940457);
    EXPECT_EQ(c.w.run.max_iterations, 100);
    EXPECT_EQ(c.w.run.attachment_present, 1);
    EXPECT_EQ(c.w.dist.slope_mode, kSlopeExponential);
    EXPECT_EQ(c.w.iter.total_iterations, 0);
    EXPECT_EQ(c.w.grid.grid_trials, 0);
    EXPECT_EQ(c.w.iter.run_status, kStatusSuccess);
    EXPECT_EQ(c.w.coll.coulomb_log, 0.0);
    EXPECT_EQ(c.w.coll.townsend_alpha, 0.0);
    EXPECT_EQ(c.w.coll.momentum_floor_hit, 0);
    for (int j = 1; j <= 100; ++j) {
        EXPECT_EQ(d.FF1[j] + d.FF2[j] + d.FF3[j] + g.GZ[j] + g.GZZ[j] + g.GYY[j], 0.0) << j;
    }
    EXPECT_EQ(d.FF1[101], 4.0);  // only the cells of this grid are cleared
}

struct ModeCase {
    double frequency;
    int growth_in;
    int growth_model;
    int gradient_submode;
};

void PrintTo(const ModeCase& m, std::ostream* os) {
    *os << "frequency " << m.frequency << ", growth code " << m.growth_in << " -> model " << m.growth_model
        << ", sub-mode " << m.gradient_submode;
}

class SetupModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SetupModes, GrowthModelAndGradientSubmode) {
    const ModeCase& m = GetParam();
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondFrequency) = m.frequency;
    c.cond(kCondGrowthModel) = m.growth_in;
    add_elastic(c.t, add_species(c.t));
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.growth_model, m.growth_model);
    EXPECT_EQ(c.w.run.gradient_submode, m.gradient_submode);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetupModes,
    ::testing::Values(ModeCase{0.0, kGrowthNone, kGrowthNone, kGradientOff},
                      ModeCase{0.0, kGrowthTemporal, kGrowthTemporal, kGradientOff},
                      ModeCase{0.0, kGrowthSpatial, kGrowthSpatial, kGradientOff},
                      ModeCase{0.0, kGrowthNoneAlso, kGrowthNone, kGradientOff},
                      ModeCase{0.0, kGrowthGradientTemporal, kGrowthTemporal, kGradientTemporal},
                      ModeCase{0.0, kGrowthGradientSpatial, kGrowthTemporal, kGradientSteadyState},
                      ModeCase{0.0, kGrowthGradientNone, kGrowthNone, kGradientNoGrowth},
                      // Codes beyond the named ones keep their number.
                      ModeCase{0.0, 7, kGrowthTemporal, 4}, ModeCase{0.0, -1, -1, kGradientOff},
                      ModeCase{1e-14, kGrowthNone, kGrowthNone, kGradientOff},
                      ModeCase{1e-14, kGrowthTemporal, kGrowthTemporal, kGradientOff},
                      ModeCase{1e-14, kGrowthSpatial, kGrowthTemporal, kGradientOff},
                      ModeCase{1e-14, kGrowthNoneAlso, kGrowthNone, kGradientOff},
                      ModeCase{1e-14, kGrowthGradientTemporal, kGrowthTemporal, kGradientOff},
                      ModeCase{1e-14, kGrowthGradientNone, kGrowthTemporal, kGradientOff},
                      // A negative frequency is no field-frequency mode.
                      ModeCase{-1e-14, kGrowthSpatial, kGrowthSpatial, kGradientOff}));

struct DegreeCase {
    double degree, charge, momentum, growth;
    double ee_degree, ei_degree;
    int momentum_flag;
};

void PrintTo(const DegreeCase& d, std::ostream* os) {
    *os << "ionisation degree " << d.degree << ", charge " << d.charge << ", momentum " << d.momentum
        << ", growth " << d.growth;
}

class SetupDegrees : public ::testing::TestWithParam<DegreeCase> {};

TEST_P(SetupDegrees, ElectronElectronAndElectronIonWeights) {
    const DegreeCase& d = GetParam();
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondIonDegree) = d.degree;
    c.cond(kCondIonCharge) = d.charge;
    c.cond(kCondEEMomentum) = d.momentum;
    c.cond(kCondGrowthModel) = d.growth;
    add_elastic(c.t, add_species(c.t));
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.ee_degree, d.ee_degree);
    EXPECT_EQ(c.w.run.ei_degree, d.ei_degree);
    EXPECT_EQ(c.w.run.ee_momentum_flag, d.momentum_flag);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetupDegrees,
    ::testing::Values(DegreeCase{1e-4, 1.0, kEEMomentumOn, kGrowthNone, 1e-4, 1e-4, kEEMomentumOn},
                      DegreeCase{1e-4, 2.0, kEEMomentumOn, kGrowthTemporal, 1e-4, 2e-4, kEEMomentumOn},
                      // Spatial growth switches the momentum effects off.
                      DegreeCase{1e-4, 1.0, kEEMomentumOn, kGrowthSpatial, 1e-4, 1e-4, kEEMomentumOff},
                      // A negative charge parameter: electron-ion only.
                      DegreeCase{1e-4, -1.0, kEEMomentumOn, kGrowthNone, 0.0, 1e-4, kEEMomentumOff},
                      DegreeCase{0.0, 1.0, kEEMomentumOn, kGrowthNone, 0.0, 0.0, kEEMomentumOff}));

// --- Coulomb logarithm ---

struct CoulombCase {
    double density, degree, charge, momentum;
    double coulomb_factor, field_threshold, tail_parameter;
};

void PrintTo(const CoulombCase& k, std::ostream* os) {
    *os << "plasma density " << k.density << ", ionisation degree " << k.degree << ", charge " << k.charge
        << ", momentum " << k.momentum;
}

class SetupCoulomb : public ::testing::TestWithParam<CoulombCase> {};

TEST_P(SetupCoulomb, Parameters) {
    const CoulombCase& k = GetParam();
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondPlasmaDensity) = k.density;
    c.cond(kCondIonDegree) = k.degree;
    c.cond(kCondIonCharge) = k.charge;
    c.cond(kCondEEMomentum) = k.momentum;
    add_elastic(c.t, add_species(c.t), 1e-19, 1e-4);  // mu = 1e-4 with C10 = 1
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_DOUBLE_EQ(c.w.coll.coulomb_factor, k.coulomb_factor);
    EXPECT_DOUBLE_EQ(c.w.grid.ei_field_threshold, k.field_threshold);
    EXPECT_DOUBLE_EQ(c.w.run.ei_tail_parameter, k.tail_parameter);
    EXPECT_EQ(c.w.coll.coulomb_log, 0.0);
}

constexpr double kCl16 = 4.997467044861063e-11;  // C8 = 1e16 m-3 at 300 K

INSTANTIATE_TEST_SUITE_P(
    Table, SetupCoulomb,
    ::testing::Values(
        // No ions: nothing, whatever the density.
        CoulombCase{1e16, 0.0, 1.0, kEEMomentumOff, 0.0, 0.0, 0.0},
        // A negative density is the logarithm itself, also without ions.
        CoulombCase{-10.0, 0.0, 1.0, kEEMomentumOff, 7.727221346741363e-11, 0.0, 0.0},
        CoulombCase{0.0, 1e-3, 1.0, kEEMomentumOff, 0.0, 0.0, 0.0},
        CoulombCase{1e16, 1e-3, 1.0, kEEMomentumOff, kCl16, 1.1557799400905595e-20, 0.0},
        CoulombCase{1e16, 1e-3, 1.0, kEEMomentumOn, kCl16, 8.20784814231666e-21, 0.0},
        // Electron-ion only: the tail parameter is formed.
        CoulombCase{1e16, 1e-4, -1.0, kEEMomentumOn, kCl16, 1.1557799400905595e-21, 0.14123428735339147}));

TEST(SetupMassRatios, LargestRatioPerSpeciesAndElectronIonRatio) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondIonDegree) = 1e-5;
    c.cond(kCondIonCharge) = 1.0;
    c.cond(kCondIonMassRatio) = 2.0;
    const int a = add_species(c.t, 0.25);
    const int b = add_species(c.t, 0.75);
    add_elastic(c.t, a, 1e-19, 2e-5);
    add_elastic(c.t, a, 1e-19, 3e-5);
    add_elastic(c.t, b, 1e-19, 1e-5);
    add_collision(c.t, b, {.kind = kExcitation, .threshold = 1.0}, {{0.0, 0.0}, {1.0, 0.0}, {1e4, 1e-20}});
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.CMRTS[a], 3e-5);
    EXPECT_EQ(c.w.run.CMRTS[b], 1e-5);
    EXPECT_DOUBLE_EQ(c.w.run.electron_ion_mass_ratio, (3e-5 * 0.25 + 1e-5 * 0.75) / 2.0);
    EXPECT_EQ(c.w.run.XS[a], 0.25);
    EXPECT_EQ(c.w.run.XS[b], 0.75);
}

TEST(SetupMaxwellian, QuadraticGridReachingThePrecision) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondMaxwellEnergy) = 2.0;
    c.cond(kCondIonDegree) = 1e-4;
    c.cond(kCondIonCharge) = 1.0;
    c.cond(kCondEEMomentum) = kEEMomentumOn;
    add_elastic(c.t, add_species(c.t));
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.maxwellian_mode, 1);
    EXPECT_EQ(c.w.grid.grid_type, kGridQuadratic);
    EXPECT_EQ(c.w.run.ee_momentum_flag, kEEMomentumOff);
    EXPECT_EQ(c.w.grid.emax, 32.034467906587274);
    for (int k = 1; k <= 101; ++k) {
        EXPECT_EQ(c.w.ee.AF1[k], 1.0);
        EXPECT_EQ(c.w.ee.AG1[k], 1.0);
    }
}

// --- level fractions ---

struct TwoLevelCase {
    double tg_kelvin, tx_kelvin, transition, gl, gu, eu;
    double cx1, cx2;
};

void PrintTo(const TwoLevelCase& k, std::ostream* os) {
    *os << "Tg " << k.tg_kelvin << " K, Tx " << k.tx_kelvin << " K, transition " << k.transition << " eV, g "
        << k.gl << " -> " << k.gu << ", upper level " << k.eu << " eV";
}

class SetupTwoLevel : public ::testing::TestWithParam<TwoLevelCase> {};

TEST_P(SetupTwoLevel, ExcitationFractionsFollowTheLevelPopulations) {
    const TwoLevelCase& k = GetParam();
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondGasTemp) = k.tg_kelvin;
    c.cond(kCondExcTemp) = k.tx_kelvin;
    c.cond(kCondTransitionEnergy) = k.transition;
    const int s = add_species(c.t);
    add_elastic(c.t, s);
    const int x = add_collision(c.t, s, {.kind = kExcitation, .threshold = k.eu},
                                {{0.0, 0.0}, {k.eu, 0.0}, {1e4, 1e-20}});
    c.t.col.lower_level_weight[x] = k.gl;
    c.t.col.upper_level_weight[x] = k.gu;
    c.t.col.upper_level_energy[x] = k.eu;
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_NEAR(c.w.run.CX1[x], k.cx1, 1e-14);
    EXPECT_NEAR(c.w.run.CX2[x], k.cx2, 1e-14);
}

// Expected fractions: R = (gu/gl) w(Eu)/w(0) (R = (gu/gl) exp(-Eu/Tx) when
// the transition energy is 0), lower 1/(1+R), upper R/(1+R).
INSTANTIATE_TEST_SUITE_P(
    Table, SetupTwoLevel,
    ::testing::Values(
        TwoLevelCase{300, 1000, 0.0, 1, 3, 0.1, 0.5154484726393397, 0.4845515273606603},
        TwoLevelCase{300, 2000, 0.05, 2, 3, 0.2, 0.9287975534754601, 0.07120244652453986},
        TwoLevelCase{3000, 1000, 0.05, 1, 2, 0.15, 0.6275469811747025, 0.3724530188252975},
        // Equal temperatures: the plain Boltzmann ratio at that temperature.
        TwoLevelCase{1500, 1500, 0.1, 1, 5, 0.12, 0.336016456367566, 0.6639835436324341},
        // No excitation temperature: ground state only.
        TwoLevelCase{300, 0, 0.1, 1, 5, 0.12, 1.0, 0.0},
        // No gas temperature: the excitation temperature alone, whatever
        // the transition energy.
        TwoLevelCase{0, 2000, 0.05, 2, 3, 0.15, 0.614165113140392, 0.385834886859608}));

TEST(SetupLevels, DeexcitationStartsFromTheUpperLevel) {
    SolverCase c;
    set_ordinary_conditions(c);
    const int s = add_species(c.t);
    add_elastic(c.t, s);
    const int d = add_collision(c.t, s, {.kind = kDeexcitation, .threshold = 2.0},
                                {{0.0, 0.0}, {2.0, 0.0}, {1e4, 1e-20}});
    const int v = add_grouped(c.t, s, {.kind = kVibration, .threshold = 0.3}, {{0.0, 0.0}, {0.3, 0.0}, {1e4, 1e-20}});
    const int hot = add_grouped(c.t, s, {.kind = kVibration, .threshold = 0.3}, {{0.0, 0.0}, {0.3, 0.0}, {1e4, 1e-20}});
    c.t.col.lower_level_energy[hot] = 0.29;
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.CX1[d], 0.0);
    EXPECT_EQ(c.w.run.CX2[d], 1.0);
    EXPECT_EQ(c.w.run.CX1[v], 1.0);
    EXPECT_EQ(c.w.run.CX2[v], 0.0);
    EXPECT_EQ(c.w.run.CX1[hot], 0.0);
    EXPECT_EQ(c.w.run.CX2[hot], 0.0);
}

// A rigid rotor ladder E_J = B J (J + 1), g_J = 2J + 1, with rotations
// J -> J + 2 as visible and grouped processes.
struct Ladder {
    static constexpr int kLevels = 12;
    static constexpr double kB = 2.5e-4;
    static double energy(int j) { return kB * j * (j + 1); }
    static double weight(int j) { return 2.0 * j + 1.0; }
};

void add_ladder(SolverCase& c, int s, int* slots) {
    c.t.sp.rot_level_count[s] = Ladder::kLevels;
    for (int l = 1; l <= Ladder::kLevels; ++l) {
        c.t.sp.rot_level_energy[s][l] = Ladder::energy(l - 1);
        c.t.sp.rot_level_weight[s][l] = Ladder::weight(l - 1);
    }
    for (int j = 0; j < 4; ++j) {
        const double thr = Ladder::energy(j + 2) - Ladder::energy(j);
        const int k = j < 2 ? add_collision(c.t, s, {.kind = kRotation, .threshold = thr},
                                            {{0.0, 0.0}, {thr, 0.0}, {1e4, 1e-21}})
                            : add_grouped(c.t, s, {.kind = kRotation, .threshold = thr},
                                          {{0.0, 0.0}, {thr, 0.0}, {1e4, 1e-21}});
        c.t.col.lower_level_energy[k] = Ladder::energy(j);
        c.t.col.upper_level_energy[k] = Ladder::energy(j + 2);
        c.t.col.lower_level_weight[k] = Ladder::weight(j);
        c.t.col.upper_level_weight[k] = Ladder::weight(j + 2);
        slots[j] = k;
    }
}

TEST(SetupLevels, RotationalLadderFollowsBoltzmannPopulations) {
    for (double tx_kelvin : {0.0, 600.0}) {
        SolverCase c;
        set_ordinary_conditions(c);
        c.cond(kCondExcTemp) = tx_kelvin;
        const int s = add_species(c.t);
        add_elastic(c.t, s);
        int slots[4];
        add_ladder(c, s, slots);
        ASSERT_TRUE(setup_run(c.t, c.w, kRun));

        // Without a transition energy the populations are those at the
        // higher of the two temperatures.
        const double kt = std::max(kTg300, (tx_kelvin * kBoltzmann) / kElementaryCharge);
        double z = 0.0;
        for (int j = 0; j < Ladder::kLevels; ++j) z += Ladder::weight(j) * std::exp(-Ladder::energy(j) / kt);
        EXPECT_NEAR(c.w.run.XXS[s], z, 1e-12 * z);
        for (int j = 0; j < 4; ++j) {
            const int k = slots[j];
            EXPECT_NEAR(c.w.run.CX1[k], Ladder::weight(j) * std::exp(-Ladder::energy(j) / kt) / z, 1e-14) << j;
            EXPECT_NEAR(c.w.run.CX2[k], Ladder::weight(j + 2) * std::exp(-Ladder::energy(j + 2) / kt) / z, 1e-14) << j;
        }
    }
}

TEST(SetupLevels, ColdGasPopulatesOnlyTheGroundLevel) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondGasTemp) = 0.0;  // E/N stays positive
    const int s = add_species(c.t);
    add_elastic(c.t, s);
    int slots[4];
    add_ladder(c, s, slots);
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.XXS[s], 1.0);
    EXPECT_EQ(c.w.run.CX1[slots[0]], 1.0);
    EXPECT_EQ(c.w.run.CX2[slots[0]], 0.0);
    EXPECT_EQ(c.w.run.CX1[slots[1]], 0.0);
}

TEST(SetupLevels, RotationOfASpeciesWithoutLevelsKeepsPlainFractions) {
    SolverCase c;
    set_ordinary_conditions(c);
    const int s = add_species(c.t, 0.5);
    const int bare = add_species(c.t, 0.5);
    add_elastic(c.t, s);
    add_elastic(c.t, bare);
    int slots[4];
    add_ladder(c, s, slots);
    const int k = add_collision(c.t, bare, {.kind = kRotation, .threshold = 0.01},
                                {{0.0, 0.0}, {0.01, 0.0}, {1e4, 1e-21}});
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    EXPECT_EQ(c.w.run.XXS[bare], 0.0);
    EXPECT_EQ(c.w.run.CX1[k], 1.0);
    EXPECT_EQ(c.w.run.CX2[k], 0.0);
}

TEST(LevelWeight, TwoTemperatureForms) {
    const double tg = 0.03, tx = 0.1, et = 0.05, e = 0.2;
    EXPECT_DOUBLE_EQ(level_weight(e, tg, tx, et), std::exp((et - e) / tg) + std::exp((et - e) / tx));
    EXPECT_DOUBLE_EQ(level_weight(e, tx, tg, et), 1.0 / (std::exp((e - et) / tx) + std::exp((e - et) / tg)));
    // Equal temperatures: both forms are Boltzmann factors relative to w(0).
    EXPECT_NEAR(level_weight(e, tg, tg, et) / level_weight(0.0, tg, tg, et), std::exp(-e / tg), 1e-15);
}

TEST(CollisionOrder, VisibleThenGroupedFromTheTop) {
    SolverCase c;
    c.t.num.collision_count = 3;
    c.t.num.grouped_collision_count = 2;
    EXPECT_EQ(visited_collision_count(c.t), 5);
    const int want[] = {1, 2, 3, 4003, 4002};
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(collision_slot(c.t, j), want[j - 1]);
    // Counts beyond the slots never give a slot outside 1..4003 or twice.
    c.t.num.collision_count = 4000;
    c.t.num.grouped_collision_count = 10;
    EXPECT_EQ(visited_collision_count(c.t), kMaxCollisions);
    EXPECT_EQ(collision_slot(c.t, kMaxCollisions), 4001);
}

}  // namespace
}  // namespace kestor
