// Whole runs of the solver on model gases with analytic solutions.
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

constexpr double kTd = 1e-21;                 // V m2
constexpr double kChargeOverMass = 1.75882e11;  // C/kg
constexpr double kMassRatio = 1e-4;
constexpr double kRateK = 1e-13;              // m3/s
constexpr double kTolerance = 0.005;

// Constant collision frequency: Maxwellian with mean energy
// (e/m)(E/N)^2/(2 r K^2), mobility (e/m)/K and DN = (2/3) mean x mobility.
struct MaxwellCase {
    std::string what;
    double en_td;
    int n;
    int grid_type;
    double emax;
};

void PrintTo(const MaxwellCase& c, std::ostream* os) { *os << c.what << ", " << c.n << " cells"; }

class ConstantFrequencyGas : public ::testing::TestWithParam<MaxwellCase> {};

TEST_P(ConstantFrequencyGas, GivesTheMaxwellian) {
    const MaxwellCase& c = GetParam();
    SolverCase m;
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
    test::set_conditions(m, c.en_td, c.n);
    m.cond(kCondGridType) = c.grid_type;
    m.cond(kCondMaxEnergy) = c.emax;
    solvebol(m.t, m.w, test::kRun);

    const double e = c.en_td * kTd;
    const double mean = kChargeOverMass * e * e / (2.0 * kMassRatio * kRateK * kRateK);
    const double mobility = 1.7588e24;
    ASSERT_EQ(m.result(kResStatus), kStatusSuccess) << c.what;
    EXPECT_NEAR(m.result(kResMeanEnergy), mean, kTolerance * mean) << c.what;
    EXPECT_NEAR(m.result(kResMobility), mobility, kTolerance * mobility) << c.what;
    const double dn = 2.0 / 3.0 * mean * mobility;
    EXPECT_NEAR(m.result(kResDiffusion), dn, kTolerance * dn) << c.what;

    // The distribution itself: ln F falls linearly with slope -1/kT.
    const double kt = 2.0 / 3.0 * mean;
    const SolverWork& w = m.w;
    for (int j = 1; j <= w.n; ++j) {
        const double eps = w.grid.EPSC[j];
        if (eps > 10.0 * kt) break;
        const double exact = 1.1283791670955126 / (std::sqrt(kt) * kt) * std::exp(-eps / kt);
        EXPECT_NEAR(m.t.run.run_eedf[test::kRun][j], exact, 0.01 * exact)
            << c.what << " at " << eps << " eV";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ConstantFrequencyGas,
    ::testing::Values(MaxwellCase{"5 Td, estimated grid", 5.0, 200, kGridEstimated, 0.0},
                      MaxwellCase{"5 Td, linear grid", 5.0, 300, kGridLinear, 40.0},
                      MaxwellCase{"2 Td, quadratic grid", 2.0, 250, kGridQuadratic, 10.0},
                      MaxwellCase{"10 Td, bent grid", 10.0, 400, kGridGivenThenEstimated, 120.0}),
    [](const ::testing::TestParamInfo<MaxwellCase>& i) { return "case" + std::to_string(i.index); });

TEST(ConstantFrequencyGas, MeanEnergyAtFiveTownsend) {
    SolverCase m;
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
    test::set_conditions(m, 5.0, 200);
    solvebol(m.t, m.w, test::kRun);
    EXPECT_NEAR(m.result(kResMeanEnergy), 2.199, kTolerance * 2.199);
}

// Constant cross section: Druyvesteyn, mean energy
// Gamma(5/4)/Gamma(3/4) (E/N / sigma) sqrt(1/(3r)).
struct DruyvesteynCase {
    double en_td;
    int n;
};

void PrintTo(const DruyvesteynCase& c, std::ostream* os) { *os << c.en_td << " Td, " << c.n << " cells"; }

class ConstantCrossSectionGas : public ::testing::TestWithParam<DruyvesteynCase> {};

TEST_P(ConstantCrossSectionGas, GivesTheDruyvesteynMeanEnergy) {
    const DruyvesteynCase& c = GetParam();
    SolverCase m;
    const int s = test::add_species(m.t);
    const double sigma = 1e-19;
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_value(sigma));
    test::set_conditions(m, c.en_td, c.n);
    solvebol(m.t, m.w, test::kRun);
    const double mean = 0.739668 * (c.en_td * kTd / sigma) * std::sqrt(1.0 / (3.0 * kMassRatio));
    ASSERT_EQ(m.result(kResStatus), kStatusSuccess);
    EXPECT_NEAR(m.result(kResMeanEnergy), mean, kTolerance * mean) << c.en_td << " Td";
}

INSTANTIATE_TEST_SUITE_P(Runs, ConstantCrossSectionGas,
                         ::testing::Values(DruyvesteynCase{10.0, 200}, DruyvesteynCase{3.0, 300},
                                           DruyvesteynCase{30.0, 500}),
                         [](const ::testing::TestParamInfo<DruyvesteynCase>& i) {
                             return "Td" + std::to_string(static_cast<int>(i.param.en_td));
                         });

TEST(ConstantCrossSectionGas, MeanEnergyAtTenTownsend) {
    SolverCase m;
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_value(1e-19));
    test::set_conditions(m, 10.0, 200);
    solvebol(m.t, m.w, test::kRun);
    EXPECT_NEAR(m.result(kResMeanEnergy), 4.270, kTolerance * 4.270);
}

// Maxwellian mode: the rate coefficient of a step cross section sigma0 above
// u is sigma0 2 gamma sqrt(kT/pi) (1 + u/kT) exp(-u/kT).
TEST(MaxwellianMode, StepExcitationRate) {
    SolverCase m;
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_value(1e-19));
    const double u = 5.0, sigma0 = 1e-20;
    const int k = test::add_collision(m.t, s, {.kind = kExcitation, .threshold = u}, test::constant_value(sigma0), u);
    test::set_conditions(m, 0.0, 200);
    m.cond(kCondGasTemp) = 300.0;
    m.cond(kCondMaxwellEnergy) = 3.0;
    solvebol(m.t, m.w, test::kRun);

    const double kt = 2.0;
    const double expected =
        sigma0 * 2.0 * kGamma * std::sqrt(kt / M_PI) * (1.0 + u / kt) * std::exp(-u / kt);
    EXPECT_NEAR(expected, 2.719e-15, 0.001e-15);
    EXPECT_EQ(m.result(kResStatus), kStatusSuccess);
    EXPECT_EQ(m.result(kResIterations), 1.0);
    EXPECT_EQ(m.result(kResGridTrials), 1.0);
    EXPECT_NEAR(m.rate(k), expected, kTolerance * expected);
    EXPECT_NEAR(m.result(kResMeanEnergy), 3.0, kTolerance * 3.0);
    // The E/N that keeps this distribution is stored back, and the power
    // drawn from it balances the losses.
    EXPECT_GT(m.cond(kCondEN), 0.0);
    const double losses = m.result(kResElasticPower) + m.result(kResInelasticPower);
    EXPECT_NEAR(m.result(kResPower), losses, 1e-9 * m.result(kResPower));
}

// An oscillating field (angular frequency / N = C2, field across the
// magnetic field: C3 = 0) on the constant-frequency gas: the distribution is
// the Maxwellian of the effective field, mean (e/m)(E/N)^2/(2 r (K^2 + C2^2));
// the real and imaginary mobilities are (e/m) K/(K^2 + C2^2) and
// -(e/m) C2/(K^2 + C2^2); the momentum frequency is the smaller root
// min(K, C2^2/K) of the real mobility.
struct FrequencyCase {
    double c2_over_k;
};

void PrintTo(const FrequencyCase& c, std::ostream* os) { *os << "C2/K " << c.c2_over_k; }

class OscillatingField : public ::testing::TestWithParam<FrequencyCase> {};

TEST_P(OscillatingField, GivesTheDrudeMobilities) {
    const double c2 = GetParam().c2_over_k * kRateK;
    SolverCase m;
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
    test::set_conditions(m, 5.0, 300);
    m.cond(kCondFrequency) = c2;
    m.cond(kCondCosEB) = 0.0;
    solvebol(m.t, m.w, test::kRun);
    ASSERT_EQ(m.result(kResStatus), kStatusSuccess);
    const double e = 5.0 * kTd;
    const double k2 = kRateK * kRateK + c2 * c2;
    const double mean = kChargeOverMass * e * e / (2.0 * kMassRatio * k2);
    const double real = kChargeOverMass * kRateK / k2;
    const double imaginary = -kChargeOverMass * c2 / k2;
    const double nu = std::min(kRateK, c2 * c2 / kRateK);
    EXPECT_NEAR(m.result(kResMeanEnergy), mean, kTolerance * mean);
    EXPECT_NEAR(m.result(kResMobility), kChargeOverMass / kRateK, kTolerance * kChargeOverMass / kRateK);
    EXPECT_NEAR(m.result(kResReMobility), real, kTolerance * real);
    EXPECT_NEAR(m.result(kResImMobility), imaginary, kTolerance * std::fabs(imaginary));
    EXPECT_NEAR(m.result(kResMomentumFreq), nu, 0.02 * nu);
    EXPECT_EQ(m.result(kResTownsendAlpha), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Frequencies, OscillatingField,
                         ::testing::Values(FrequencyCase{2.0}, FrequencyCase{0.5}, FrequencyCase{5.0}),
                         [](const ::testing::TestParamInfo<FrequencyCase>& i) {
                             return "case" + std::to_string(i.index);
                         });

// The E/N stored by a Maxwellian run is the field that keeps that
// distribution: for the constant-frequency gas K sqrt(2 r mean/(e/m)).
TEST(MaxwellianMode, StoresTheFieldOfItsPowerBalance) {
    for (double mean : {0.5, 2.1985, 8.0}) {
        SolverCase m;
        const int s = test::add_species(m.t);
        test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
        test::set_conditions(m, 1.0, 300);
        m.cond(kCondMaxwellEnergy) = mean;
        solvebol(m.t, m.w, test::kRun);
        const double en_td = kRateK * std::sqrt(2.0 * kMassRatio * mean / kChargeOverMass) / kTd;
        EXPECT_NEAR(m.cond(kCondEN), en_td, kTolerance * en_td) << mean;
        EXPECT_NEAR(m.result(kResMeanEnergy), mean, kTolerance * mean) << mean;
    }
}

// Strong electron-electron collisions make the distribution Maxwellian. For
// the constant cross section the power balance then gives the mean energy
// 1.5 (E/N)/(sigma sqrt(12 r)) instead of the Druyvesteyn value; the
// constant-frequency gas is Maxwellian already and keeps its mean energy.
// The iteration counts of such runs are not part of the check.
struct CollisionalCase {
    std::string what;
    bool constant_frequency;
    double en_td;
    double mean;
};

TEST(ElectronElectronCollisions, DriveTheDistributionToAMaxwellian) {
    const double sigma = 1e-19;
    const std::vector<CollisionalCase> cases = {
        {"constant cross section", false, 10.0, 1.5 * (10.0 * kTd / sigma) / std::sqrt(12.0 * kMassRatio)},
        {"constant frequency", true, 5.0, kChargeOverMass * 25.0 * kTd * kTd / (2.0 * kMassRatio * kRateK * kRateK)},
    };
    for (const CollisionalCase& c : cases) {
        SolverCase m;
        const int s = test::add_species(m.t);
        test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio},
                            c.constant_frequency ? test::constant_frequency(kRateK) : test::constant_value(sigma));
        test::set_conditions(m, c.en_td, 200);
        m.cond(kCondIonDegree) = 1e-2;
        m.cond(kCondPlasmaDensity) = 1e16;
        solvebol(m.t, m.w, test::kRun);
        EXPECT_LE(m.result(kResStatus), kStatusFailed) << c.what;
        EXPECT_NEAR(m.result(kResMeanEnergy), c.mean, kTolerance * c.mean) << c.what;
        EXPECT_GT(m.result(kResCoulombLog), 10.0) << c.what;  // a Coulomb logarithm of this plasma
    }
}

// Density-gradient expansion on the constant-frequency gas without
// ionisation: longitudinal and transverse diffusion are equal, and the bulk
// coefficients are the flux ones.
TEST(GradientExpansion, ConstantFrequencyDiffusesAlikeInBothDirections) {
    for (int growth_model : {kGrowthGradientTemporal, kGrowthGradientSpatial, kGrowthGradientNone}) {
        SolverCase m;
        const int s = test::add_species(m.t);
        test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
        test::set_conditions(m, 5.0, 300);
        m.cond(kCondGrowthModel) = growth_model;
        solvebol(m.t, m.w, test::kRun);
        ASSERT_EQ(m.result(kResStatus), kStatusSuccess) << growth_model;
        const double dn = m.result(kResDiffusion);
        EXPECT_NEAR(m.result(kResLongDiffusion), dn, kTolerance * dn) << growth_model;
        EXPECT_EQ(m.result(kResBulkMobility), m.result(kResMobility)) << growth_model;
        EXPECT_EQ(m.result(kResBulkTransDiffusion), dn) << growth_model;
        EXPECT_EQ(m.result(kResBulkLongDiffusion), m.result(kResLongDiffusion)) << growth_model;
    }
}

}  // namespace
}  // namespace kestor
