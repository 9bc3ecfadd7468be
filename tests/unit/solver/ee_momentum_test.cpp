// Momentum transfer in electron-electron collisions: the per-edge factors
// AF1, AG1 and the corrected effective cross section.
#include "solver/ee_momentum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "tests/unit/solver/model_swarm.h"

namespace kestor {
namespace {

using test::constant_frequency_q;
using test::constant_q;
using test::maxwellian;
using test::uniform_grid;

constexpr double kCapFactor = -0.029999999329447746;

enum class Gas { kConstantQ, kConstantFrequency };

class EeMomentumTest : public ::testing::Test {
protected:
    void SetUp() override { wp_ = make_solver_work(); }

    // A Maxwellian swarm of temperature t on n cells up to emax, with factors
    // af1, ag1 left from a previous iteration and the coefficient a.
    SolverWork& swarm(int n, double emax, double t, Gas gas, double a, double af1 = 1.0,
                      double ag1 = 1.0) {
        SolverWork& w = *wp_;
        uniform_grid(w, n, emax);
        maxwellian(w, t);
        set_cross_sections(gas);
        for (int k = 1; k <= n + 1; ++k) {
            w.ee.AF1[k] = af1;
            w.ee.AG1[k] = ag1;
        }
        w.run.ee_degree = 1.0;
        w.coll.coulomb_factor = a;
        return w;
    }

    // QEFF is rebuilt every iteration before the correction rescales it.
    void set_cross_sections(Gas gas) {
        if (gas == Gas::kConstantQ) {
            constant_q(*wp_, 1e-19);
        } else {
            constant_frequency_q(*wp_, 1e-13);
        }
    }

    // Mean-energy scale of the slope cap.
    double cap_scale() const {
        const SolverWork& w = *wp_;
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) {
            s += (std::sqrt(w.grid.EPSC[j]) * w.grid.EPSC[j]) * w.dist.F[j] * w.grid.width(j);
        }
        return s / 1.5;
    }

    ZeroedPtr<SolverWork> wp_;
};

// Cases where the correction must reproduce the plain anisotropy: factors 1
// and QEFF unchanged, whatever the factors of the previous iteration.
struct IdentityCase {
    std::string name;
    int n;
    double a;
    Gas gas;
};

void PrintTo(const IdentityCase& c, std::ostream* os) { *os << c.name; }

class EeMomentumIdentity : public EeMomentumTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(EeMomentumIdentity, FactorsAreOneAndQeffUnchanged) {
    const IdentityCase& c = GetParam();
    SolverWork& w = swarm(c.n, 40.0, 3.0, c.gas, c.a, 0.7, 0.6);
    double qeff_before[kEdgeArray];
    for (int k = 1; k <= c.n + 1; ++k) qeff_before[k] = w.coll.QEFF[k];

    ee_momentum_correction(w);

    for (int k = 2; k <= c.n; ++k) {
        EXPECT_NEAR(w.ee.AF1[k], 1.0, 1e-12) << "edge " << k;
        EXPECT_NEAR(w.coll.QEFF[k] / qeff_before[k], 1.0, 1e-12) << "edge " << k;
    }
    for (int k = 1; k <= c.n + 1; ++k) EXPECT_NEAR(w.ee.AG1[k], 1.0, 1e-12) << "edge " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EeMomentumIdentity,
    ::testing::Values(IdentityCase{"TwoCellsOneEquation", 2, 1e-12, Gas::kConstantQ},
                      IdentityCase{"TwoCellsConstantFrequency", 2, 1e-12, Gas::kConstantFrequency},
                      IdentityCase{"ZeroCoefficientConstantQ", 40, 0.0, Gas::kConstantQ},
                      IdentityCase{"ZeroCoefficientConstantFrequency", 40, 0.0, Gas::kConstantFrequency},
                      IdentityCase{"ThreeCellsZeroCoefficient", 3, 0.0, Gas::kConstantQ}),
    [](const ::testing::TestParamInfo<IdentityCase>& i) { return i.param.name; });

TEST_F(EeMomentumTest, OneCellLeavesMobilityFactorAndSetsDiffusionFactorToOne) {
    SolverWork& w = swarm(1, 10.0, 3.0, Gas::kConstantQ, 1e-12, 0.7, 0.6);
    const double qeff1 = w.coll.QEFF[1];
    const double qeff2 = w.coll.QEFF[2];

    ee_momentum_correction(w);

    EXPECT_EQ(w.ee.AF1[1], 0.7);
    EXPECT_EQ(w.ee.AF1[2], 0.7);
    EXPECT_EQ(w.coll.QEFF[1], qeff1);
    EXPECT_EQ(w.coll.QEFF[2], qeff2);
    EXPECT_EQ(w.ee.AG1[1], 1.0);
    EXPECT_EQ(w.ee.AG1[2], 1.0);
}

// The start slope is capped at -0.03 Fbar/S: a rising or flat edge takes the
// cap, a steep falling one keeps its own slope. Without the flux terms (a = 0)
// the solution is G1/QEFF, so F1 QEFF shows the slope that was used.
TEST_F(EeMomentumTest, SlopeCapAppliesToRisingAndFlatEdgesOnly) {
    const int n = 12;
    SolverWork& w = swarm(n, 12.0, 3.0, Gas::kConstantQ, 0.0, 0.5, 1.0);
    const int rising = 4;  // F(4) > F(3)
    const int flat = 8;    // F(8) = F(7)
    w.dist.F[rising] = 1.5 * w.dist.F[rising - 1];
    w.dist.F[flat] = w.dist.F[flat - 1];
    const double s_hat = cap_scale();

    ee_momentum_correction(w);

    for (int k = 2; k <= n; ++k) {
        const double fbar = std::sqrt(w.dist.F[k] * w.dist.F[k - 1]);
        const double cap = (fbar / s_hat) * kCapFactor;
        const double slope = (w.dist.F[k] - w.dist.F[k - 1]) / (w.grid.EPSC[k] - w.grid.EPSC[k - 1]);
        const double used = w.dist.F1[k] * w.coll.QEFF[k];
        if (k == rising || k == flat) {
            EXPECT_NEAR(used / cap, 1.0, 1e-12) << "edge " << k;
        } else {
            ASSERT_LT(slope, cap) << "edge " << k << " should be steep";
            EXPECT_NEAR(used / slope, 1.0, 1e-12) << "edge " << k;
        }
    }
    // A flat edge forms no factor: the previous one stays, and so does QEFF.
    EXPECT_EQ(w.ee.AF1[flat], 0.5);
    EXPECT_EQ(w.coll.QEFF[flat], 1e-19);
    EXPECT_NEAR(w.ee.AF1[rising], 1.0, 1e-12);
}

// Edges where F sits at the floor on either side keep the previous factor
// and QEFF and get a diffusion factor of 1.
struct FloorCase {
    std::string name;
    int lower_cell_floor;  // 0: only the last cell at the floor
};

void PrintTo(const FloorCase& c, std::ostream* os) { *os << c.name; }

class EeMomentumFloor : public EeMomentumTest, public ::testing::WithParamInterface<FloorCase> {};

TEST_P(EeMomentumFloor, FlooredEdgesKeepTheirFactors) {
    const int n = 30;
    SolverWork& w = swarm(n, 30.0, 3.0, Gas::kConstantQ, 1e-13, 0.8, 0.9);
    w.dist.F[n] = kTiny;
    if (GetParam().lower_cell_floor != 0) w.dist.F[n - 1] = kTiny;

    ee_momentum_correction(w);

    EXPECT_EQ(w.ee.AF1[n], 0.8);
    EXPECT_EQ(w.coll.QEFF[n], 1e-19);
    EXPECT_EQ(w.ee.AG1[n], 1.0);
    EXPECT_EQ(w.ee.AG1[1], 1.0);
    EXPECT_EQ(w.ee.AG1[n + 1], 1.0);
    for (int k = 2; k <= n + 1; ++k) {
        EXPECT_TRUE(std::isfinite(w.ee.AF1[k])) << "edge " << k;
        EXPECT_TRUE(std::isfinite(w.ee.AG1[k])) << "edge " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EeMomentumFloor,
                         ::testing::Values(FloorCase{"LastCell", 0}, FloorCase{"LastTwoCells", 1}),
                         [](const ::testing::TestParamInfo<FloorCase>& i) { return i.param.name; });

// With a collision frequency independent of energy the Maxwellian with its
// drift is unchanged by electron-electron collisions, which conserve
// momentum: the mobility and diffusion sums keep their values however strong
// the electron-electron coupling. With a constant cross section they do not.
struct SumRuleCase {
    std::string name;
    Gas gas;
    double a;
    bool conserved;
};

void PrintTo(const SumRuleCase& c, std::ostream* os) { *os << c.name; }

class EeMomentumSumRule : public EeMomentumTest, public ::testing::WithParamInterface<SumRuleCase> {};

TEST_P(EeMomentumSumRule, MobilityAndDiffusionOfConstantFrequencyGasUnchanged) {
    const SumRuleCase& c = GetParam();
    SolverWork& w = swarm(200, 60.0, 4.0, c.gas, c.a);
    const double mu0 = test::mobility(w);
    const double dn0 = test::diffusion_coefficient(w);
    for (int iteration = 0; iteration < 5; ++iteration) {
        set_cross_sections(c.gas);
        ee_momentum_correction(w);
    }
    const double mu_ratio = test::mobility(w) / mu0;
    const double dn_ratio = test::diffusion_coefficient(w) / dn0;
    if (c.conserved) {
        EXPECT_NEAR(mu_ratio, 1.0, 1e-6);
        EXPECT_NEAR(dn_ratio, 1.0, 1e-6);
        // The correction does act on single edges.
        EXPECT_GT(std::fabs(w.ee.AF1[2] - 1.0), 1e-3);
    } else {
        EXPECT_LT(mu_ratio, 0.99);
        EXPECT_LT(dn_ratio, 0.99);
    }
    // For a Maxwellian the slope is -F/T, so mobility and diffusion factors
    // agree (the Einstein relation survives the correction).
    for (int k = 2; k <= w.n; ++k) EXPECT_NEAR(w.ee.AG1[k] / w.ee.AF1[k], 1.0, 1e-3) << "edge " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EeMomentumSumRule,
    ::testing::Values(SumRuleCase{"ConstantFrequencyWeak", Gas::kConstantFrequency, 1e-14, true},
                      SumRuleCase{"ConstantFrequencyStrong", Gas::kConstantFrequency, 1e-12, true},
                      SumRuleCase{"ConstantCrossSection", Gas::kConstantQ, 1e-12, false}),
    [](const ::testing::TestParamInfo<SumRuleCase>& i) { return i.param.name; });

// The corrected QEFF reproduces the corrected anisotropy: G1/QEFF = F1.
TEST_F(EeMomentumTest, CorrectedQeffReproducesSolvedAnisotropy) {
    SolverWork& w = swarm(50, 40.0, 3.0, Gas::kConstantQ, 1e-12);
    double qeff_before[kEdgeArray];
    for (int k = 1; k <= w.n + 1; ++k) qeff_before[k] = w.coll.QEFF[k];
    ee_momentum_correction(w);
    for (int k = 2; k <= w.n; ++k) {
        EXPECT_NEAR(w.coll.QEFF[k] * w.ee.AF1[k] / qeff_before[k], 1.0, 1e-12) << "edge " << k;
    }
    EXPECT_EQ(w.coll.QEFF[1], qeff_before[1]);
    EXPECT_EQ(w.coll.QEFF[w.n + 1], qeff_before[w.n + 1]);
}

// Newton step of the electron-electron start with momentum effects.
TEST_F(EeMomentumTest, StartStepFallsBackToPreviousStepWhereUndefined) {
    struct Case {
        const char* name;
        int n;
        bool flat;  // a flat distribution: T1 = 0
        double e;
    };
    const Case cases[] = {{"OneCell", 1, false, 1e-20},
                          {"FlatDistribution", 20, true, 1e-20},
                          {"FlatDistributionNoField", 20, true, 0.0}};
    for (const Case& c : cases) {
        SolverWork& w = swarm(c.n, 20.0, 2.0, Gas::kConstantQ, 1e-13);
        if (c.flat) {
            for (int j = 1; j <= c.n; ++j) w.dist.F[j] = 0.1;
        }
        w.run.reduced_field = c.e;
        EXPECT_EQ(ee_start_momentum_step(w, 2.0, 0.3, -0.2, 1.25), 1.25) << c.name;
    }
}

TEST_F(EeMomentumTest, StartStepOnTwoCells) {
    // Hand-evaluated: edges 0, 1, 2 eV; QEFF(2) = 2; F = (0.5, 0.25).
    SolverWork& w = swarm(2, 2.0, 2.0, Gas::kConstantQ, 1e-13);
    w.coll.QEFF[2] = 2.0;
    w.dist.F[1] = 0.5;
    w.dist.F[2] = 0.25;
    w.run.reduced_field = 1e-3;
    // T1 = 2 * 1 * (-0.25) = -0.5 and T2 = -0.5; P = 444825.554209442e-6;
    // with T = 2: X = 2P/1 = 2P, Den = -S1 - (2.5 - 0.5) X.
    const double p = 444825.554209442e-3 * 1e-3;
    const double x = 2.0 * p;
    const double s1 = -0.2;
    const double r = 0.3;
    const double den = 0.2 - 2.0 * x;
    const double expected = -((r - x) * 2.0) / den;
    EXPECT_NEAR(ee_start_momentum_step(w, 2.0, r, s1, 9.0), expected, 1e-12 * std::fabs(expected));
}

}  // namespace
}  // namespace kestor
