// Whole runs with electron-electron momentum transfer and with the
// density-gradient expansion, on model gases with known answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "solver_case.h"
#include "solver/solvebol.h"

namespace kestor {
namespace {

using test::SolverCase;

constexpr double kMassRatio = 1e-4;
constexpr double kRateK = 1e-13;          // constant collision frequency / N, m3/s
constexpr double kSigma = 1e-19;          // constant cross section, m2
constexpr double kIonThreshold = 15.0;    // eV
constexpr double kIonSlope = 1e-21;       // m2 per eV above the threshold

enum class Gas { kConstantFrequency, kConstantQ };

// One run of a model gas; the conditions not named are those of set_conditions.
struct RunSpec {
    double en_td = 5.0;
    Gas gas = Gas::kConstantFrequency;
    bool ionising = false;         // ionisation with a ramp cross section above 15 eV
    int growth_model = kGrowthNone;
    double ion_degree = 0.0;       // electron-electron collisions when > 0
    double ee_momentum = kEEMomentumOff;
    double maxwellian_mean = 0.0;  // Maxwellian mode when > 0
    double gas_temperature = 0.0;  // K
    int n = 300;
};

// What a run stores, kept after its tables are gone.
struct Stored {
    double result[kNumResults + 1];
    std::vector<double> eedf;
    std::vector<double> energy;
    double af1_low_edge;  // mobility factor of the first interior edge
    double ag1_low_edge;
    double gradient_alpha;  // spatial growth coefficient of kGradientSteadyState, m2
};

void add_gas(Tables& t, const RunSpec& spec) {
    const int s = test::add_species(t);
    if (spec.gas == Gas::kConstantFrequency) {
        test::add_collision(t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
    } else {
        test::add_collision(t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_value(kSigma));
    }
    if (spec.ionising) {
        const auto ramp = [](double e) { return e > kIonThreshold ? kIonSlope * (e - kIonThreshold) : 0.0; };
        test::add_collision(t, s, {.kind = kIonization, .threshold = kIonThreshold}, ramp, kIonThreshold);
    }
}

void set_run(SolverCase& m, const RunSpec& spec, int run) {
    test::set_conditions(m, spec.en_td, spec.n, run);
    m.t.run.run_gas_fractions[run][1] = 1.0;
    m.cond(kCondGrowthModel, run) = spec.growth_model;
    m.cond(kCondIonDegree, run) = spec.ion_degree;
    m.cond(kCondPlasmaDensity, run) = spec.ion_degree > 0.0 ? 1e16 : 0.0;
    m.cond(kCondEEMomentum, run) = spec.ee_momentum;
    m.cond(kCondMaxwellEnergy, run) = spec.maxwellian_mean;
    m.cond(kCondGasTemp, run) = spec.gas_temperature;
    // Electron-electron runs settle their energy balance slowly.
    m.cond(kCondMaxIterations, run) = 1000.0;
}

Stored collect(const SolverCase& m, int run) {
    Stored s{};
    for (int r = 1; r <= kNumResults; ++r) s.result[r] = m.result(r, run);
    const SolverWork& w = *m.work;
    for (int j = 1; j <= w.n; ++j) {
        s.eedf.push_back(m.tables->run.run_eedf[run][j]);
        s.energy.push_back(m.tables->run.run_eedf_energy[run][j]);
    }
    s.af1_low_edge = w.ee.AF1[2];
    s.ag1_low_edge = w.ee.AG1[2];
    s.gradient_alpha = w.grad.alpha;
    return s;
}

Stored solve_run(const RunSpec& spec) {
    SolverCase m;
    add_gas(m.t, spec);
    set_run(m, spec, test::kRun);
    solvebol(m.t, m.w, test::kRun);
    return collect(m, test::kRun);
}

double rel(double a, double b) { return std::fabs(a / b - 1.0); }

// Largest relative difference of two distributions on the same grid, over the
// cells above 1e-4 of the peak of the reference b.
double eedf_difference(const Stored& a, const Stored& b) {
    EXPECT_EQ(a.energy, b.energy);
    const double peak = *std::max_element(b.eedf.begin(), b.eedf.end());
    double d = 0.0;
    for (std::size_t j = 0; j < b.eedf.size() && j < a.eedf.size(); ++j) {
        if (b.eedf[j] > 1e-4 * peak) d = std::max(d, rel(a.eedf[j], b.eedf[j]));
    }
    return d;
}

// With a collision frequency independent of energy the distribution is a
// Maxwellian, which electron-electron collisions leave as it is; their
// momentum transfer conserves the swarm's momentum, so mobility and
// diffusion keep their values too.
class EeCollisionsConstantFrequency : public ::testing::TestWithParam<double> {};

TEST_P(EeCollisionsConstantFrequency, LeaveMeanEnergyMobilityAndDiffusion) {
    RunSpec spec;
    spec.en_td = GetParam();
    const Stored base = solve_run(spec);
    ASSERT_EQ(base.result[kResStatus], kStatusSuccess);

    for (int momentum : {kEEMomentumOff, kEEMomentumOn}) {
        RunSpec ee = spec;
        ee.ion_degree = 1e-3;
        ee.ee_momentum = momentum;
        const Stored s = solve_run(ee);
        const std::string what = "e-e momentum effects " + std::to_string(momentum);
        EXPECT_EQ(s.result[kResStatus], kStatusSuccess) << what;
        EXPECT_GT(s.result[kResCoulombLog], 0.0) << what;  // the Coulomb logarithm was formed
        EXPECT_LT(rel(s.result[kResMeanEnergy], base.result[kResMeanEnergy]), 0.005) << what;
        EXPECT_LT(rel(s.result[kResMobility], base.result[kResMobility]), 0.005) << what;
        EXPECT_LT(rel(s.result[kResDiffusion], base.result[kResDiffusion]), 0.005) << what;
        if (momentum == kEEMomentumOn) {
            // Real factors: momentum exchange reshapes the anisotropy near zero energy.
            EXPECT_GT(std::fabs(s.af1_low_edge - 1.0), 0.01);
            EXPECT_GT(std::fabs(s.ag1_low_edge - 1.0), 0.01);
        } else {
            EXPECT_EQ(s.af1_low_edge, 1.0);
            EXPECT_EQ(s.ag1_low_edge, 1.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, EeCollisionsConstantFrequency, ::testing::Values(2.0, 5.0, 10.0),
                         [](const ::testing::TestParamInfo<double>& i) {
                             return "Td" + std::to_string(static_cast<int>(i.param));
                         });

// Growth code kGrowthGradientNone: the expansion without growth. The bulk values are the flux
// values; D_L = D_T for a constant collision frequency, and D_L/D_T = 1/2 for a
// constant cross section (mobility ~ (E/N)^-1/2 in the generalised Einstein
// relation).
struct NoGrowthCase {
    std::string name;
    Gas gas;
    double en_td;
    double ratio;
    double tolerance;
};

void PrintTo(const NoGrowthCase& c, std::ostream* os) { *os << c.name << ", D_L/D_T " << c.ratio; }

class ExpansionWithoutGrowth : public ::testing::TestWithParam<NoGrowthCase> {};

TEST_P(ExpansionWithoutGrowth, LongitudinalDiffusionAndBulkValues) {
    const NoGrowthCase& c = GetParam();
    RunSpec spec;
    spec.gas = c.gas;
    spec.en_td = c.en_td;
    const Stored plain = solve_run(spec);
    spec.growth_model = kGrowthGradientNone;
    const Stored s = solve_run(spec);

    ASSERT_EQ(s.result[kResStatus], kStatusSuccess);
    EXPECT_NEAR(s.result[kResLongDiffusion] / s.result[kResDiffusion], c.ratio, c.tolerance);
    EXPECT_EQ(s.result[kResBulkMobility], s.result[kResMobility]);
    EXPECT_EQ(s.result[kResBulkTransDiffusion], s.result[kResDiffusion]);
    EXPECT_EQ(s.result[kResBulkLongDiffusion], s.result[kResLongDiffusion]);
    // The expansion changes nothing else of the run.
    for (int r : {kResMeanEnergy, kResMobility, kResDiffusion, kResEnergyMobility, kResEnergyDiffusion,
                  kResTotalCollisionFreq, kResMomentumFreq, kResPower, kResElasticPower}) {
        EXPECT_EQ(s.result[r], plain.result[r]) << "result " << r;
    }
    for (int r : {kResBulkMobility, kResLongDiffusion, kResBulkTransDiffusion, kResBulkLongDiffusion}) {
        EXPECT_EQ(plain.result[r], 0.0) << "result " << r;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ExpansionWithoutGrowth,
    ::testing::Values(NoGrowthCase{"ConstantFrequency3Td", Gas::kConstantFrequency, 3.0, 1.0, 0.01},
                      NoGrowthCase{"ConstantFrequency10Td", Gas::kConstantFrequency, 10.0, 1.0, 0.01},
                      NoGrowthCase{"ConstantFrequency30Td", Gas::kConstantFrequency, 30.0, 1.0, 0.01},
                      NoGrowthCase{"ConstantCrossSection10Td", Gas::kConstantQ, 10.0, 0.5, 0.03}),
    [](const ::testing::TestParamInfo<NoGrowthCase>& i) { return i.param.name; });

// Ionising model gas with temporal growth (kGrowthGradientTemporal and
// kGrowthGradientSpatial): where ionisation is strong the fast electrons at
// the front of the swarm multiply most, so the bulk drift and spread exceed
// the flux values; where it is negligible the two agree.
struct IonisingCase {
    std::string name;
    double en_td;
    int growth_model;
    bool strong;
};

void PrintTo(const IonisingCase& c, std::ostream* os) {
    *os << c.name << ": " << c.en_td << " Td, growth code " << c.growth_model;
}

class IonisingGasBulkValues : public ::testing::TestWithParam<IonisingCase> {};

TEST_P(IonisingGasBulkValues, DifferFromFluxValuesOnlyWhereIonisationIsStrong) {
    const IonisingCase& c = GetParam();
    RunSpec spec;
    spec.ionising = true;
    spec.en_td = c.en_td;
    spec.growth_model = c.growth_model;
    const Stored s = solve_run(spec);
    ASSERT_EQ(s.result[kResStatus], kStatusSuccess);
    const double mu = s.result[kResMobility], bulk_mu = s.result[kResBulkMobility];
    const double dt = s.result[kResDiffusion], bulk_dt = s.result[kResBulkTransDiffusion];
    const double dl = s.result[kResLongDiffusion], bulk_dl = s.result[kResBulkLongDiffusion];
    ASSERT_GT(dl, 0.0);
    if (c.strong) {
        ASSERT_GT(s.result[kResIonizationFreq], 0.0);
        EXPECT_GT(bulk_mu, 1.05 * mu);
        EXPECT_GT(bulk_dt, 1.05 * dt);
        EXPECT_GT(rel(bulk_dl, dl), 0.05);
    } else {
        EXPECT_LT(rel(bulk_mu, mu), 1e-6);
        EXPECT_LT(rel(bulk_dt, dt), 1e-6);
        EXPECT_LT(rel(bulk_dl, dl), 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, IonisingGasBulkValues,
    ::testing::Values(IonisingCase{"Negligible3TdTemporal", 3.0, kGrowthGradientTemporal, false},
                      IonisingCase{"Negligible3TdSteadyState", 3.0, kGrowthGradientSpatial, false},
                      IonisingCase{"Strong20TdTemporal", 20.0, kGrowthGradientTemporal, true},
                      IonisingCase{"Strong20TdSteadyState", 20.0, kGrowthGradientSpatial, true},
                      IonisingCase{"Strong40TdTemporal", 40.0, kGrowthGradientTemporal, true}),
    [](const ::testing::TestParamInfo<IonisingCase>& i) { return i.param.name; });

// kGradientSteadyState replaces the stored distribution by that of a swarm
// growing in space: it must come close to the steady-state spatial-growth
// solution (kGrowthSpatial), far from the temporal-growth one it starts from,
// while the transport values of the two sub-modes agree. Its growth
// coefficient, the root of the dispersion relation of the bulk values,
// matches the Townsend coefficient of the spatial-growth run.
struct ReconstructionCase {
    double en_td;
    double alpha_tolerance;  // the expansion stops at second order
};

void PrintTo(const ReconstructionCase& c, std::ostream* os) { *os << c.en_td << " Td"; }

class SpatialReconstruction : public ::testing::TestWithParam<ReconstructionCase> {};

TEST_P(SpatialReconstruction, ReplacesDistributionByThatOfSpatialGrowth) {
    const ReconstructionCase& c = GetParam();
    RunSpec spec;
    spec.ionising = true;
    spec.en_td = c.en_td;
    spec.growth_model = kGrowthGradientTemporal;
    const Stored temporal = solve_run(spec);
    spec.growth_model = kGrowthGradientSpatial;
    const Stored rebuilt = solve_run(spec);
    spec.growth_model = kGrowthSpatial;
    const Stored spatial = solve_run(spec);
    ASSERT_EQ(rebuilt.result[kResStatus], kStatusSuccess);
    ASSERT_EQ(spatial.result[kResStatus], kStatusSuccess);

    for (int r : {kResMobility, kResBulkMobility, kResDiffusion, kResLongDiffusion, kResBulkTransDiffusion,
                  kResBulkLongDiffusion, kResIonizationFreq}) {
        EXPECT_EQ(rebuilt.result[r], temporal.result[r]) << "result " << r;
    }
    EXPECT_GT(eedf_difference(rebuilt, temporal), 0.1);
    EXPECT_GT(eedf_difference(temporal, spatial), 0.2);
    EXPECT_LT(eedf_difference(rebuilt, spatial), 0.02);
    EXPECT_GT(rel(temporal.result[kResMeanEnergy], spatial.result[kResMeanEnergy]), 0.02);
    EXPECT_LT(rel(rebuilt.result[kResMeanEnergy], spatial.result[kResMeanEnergy]), 0.002);
    ASSERT_GT(spatial.result[kResTownsendAlpha], 0.0);
    EXPECT_LT(rel(rebuilt.gradient_alpha, spatial.result[kResTownsendAlpha]), c.alpha_tolerance);
}

INSTANTIATE_TEST_SUITE_P(Runs, SpatialReconstruction,
                         ::testing::Values(ReconstructionCase{10.0, 0.004}, ReconstructionCase{20.0, 0.006}),
                         [](const ::testing::TestParamInfo<ReconstructionCase>& i) {
                             return "Td" + std::to_string(static_cast<int>(i.param.en_td));
                         });

TEST(SpatialReconstruction, LeavesDistributionWithoutIonisation) {
    RunSpec spec;
    spec.ionising = true;
    spec.en_td = 3.0;
    spec.growth_model = kGrowthGradientTemporal;
    const Stored temporal = solve_run(spec);
    spec.growth_model = kGrowthGradientSpatial;
    const Stored rebuilt = solve_run(spec);
    EXPECT_EQ(rebuilt.eedf, temporal.eedf);
    EXPECT_EQ(rebuilt.result[kResMeanEnergy], temporal.result[kResMeanEnergy]);
}

// A Maxwellian run builds no operator; with a gradient sub-mode it must not
// expand with the operator left by the run before it. It adds no gradient
// correction: bulk values are flux values and D_L = D_T.
TEST(ExpansionWithoutOperator, MaxwellianRunDoesNotReuseEarlierOperator) {
    RunSpec ionising;
    ionising.ionising = true;
    ionising.en_td = 20.0;
    ionising.growth_model = kGrowthGradientTemporal;
    RunSpec maxwellian = ionising;
    maxwellian.en_td = 0.0;
    maxwellian.maxwellian_mean = 6.0;
    maxwellian.gas_temperature = 300.0;

    SolverCase shared;
    add_gas(shared.t, ionising);
    set_run(shared, ionising, 1);
    set_run(shared, maxwellian, 2);
    shared.t.num.run_count = 2;
    solvebol(shared.t, shared.w, 1);
    ASSERT_NE(shared.result(kResBulkLongDiffusion, 1), shared.result(kResLongDiffusion, 1));
    solvebol(shared.t, shared.w, 2);
    const Stored after = collect(shared, 2);
    const Stored alone = solve_run(maxwellian);

    for (int r = 1; r <= kNumResults; ++r) EXPECT_EQ(after.result[r], alone.result[r]) << "result " << r;
    EXPECT_EQ(alone.result[kResBulkMobility], alone.result[kResMobility]);
    EXPECT_NEAR(alone.result[kResLongDiffusion] / alone.result[kResDiffusion], 1.0, 1e-12);
    EXPECT_EQ(alone.result[kResBulkTransDiffusion], alone.result[kResDiffusion]);
    EXPECT_EQ(alone.result[kResBulkLongDiffusion], alone.result[kResLongDiffusion]);
    EXPECT_GT(alone.result[kResLongDiffusion], 0.0);
}

}  // namespace
}  // namespace kestor
