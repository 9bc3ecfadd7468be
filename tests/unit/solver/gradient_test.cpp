// Density-gradient expansion: the three solves with the saved operator, the
// bulk and longitudinal coefficients and the reconstruction of a swarm
// growing in space.
#include "solver/gradient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "tests/unit/solver/model_swarm.h"

namespace kestor {
namespace {

using test::constant_frequency_q;
using test::constant_q;
using test::face_anisotropy;
using test::field_elastic_operator;
using test::steady_distribution;
using test::uniform_grid;

constexpr double kField = 1e-20;        // E/N = 10 Td
constexpr double kTwoMOverM = 2e-4;     // mass ratio 1e-4
constexpr double kRate = 1e-13;         // constant collision frequency / N, m3/s
constexpr double kJunk = 7.25;

enum class Gas { kConstantFrequency, kConstantQ };

// No net production, one independent of energy, or an ionisation ramp above 15 eV.
enum class Production { kNone, kFlat, kRamp };

class GradientTest : public ::testing::Test {
protected:
    void SetUp() override { wp_ = make_solver_work(); }

    // The steady swarm of field heating and elastic recoil on n cells, its
    // face anisotropy and its operator saved in AG.
    SolverWork& swarm(int n, Gas gas, int growth_model = kGrowthNone, Production production = Production::kNone) {
        SolverWork& w = *wp_;
        w.run.reduced_field = kField;
        const double t = test::constant_frequency_temperature(kField, kTwoMOverM, kRate);
        uniform_grid(w, n, 20.0 * t);
        if (gas == Gas::kConstantFrequency) {
            constant_frequency_q(w, kRate);
        } else {
            constant_q(w, 1e-19);
        }
        steady_distribution(w, kTwoMOverM);
        for (int k = 1; k <= n + 1; ++k) {
            w.ee.AF1[k] = 1.0;
            w.ee.AG1[k] = 1.0;
        }
        face_anisotropy(w);
        field_elastic_operator(w, kTwoMOverM);
        w.run.growth_model = growth_model;
        for (int j = 1; j <= n; ++j) {
            const double weight = std::sqrt(w.grid.EPSC[j]) * (w.grid.EPS[j + 1] - w.grid.EPS[j]);
            switch (production) {
                case Production::kNone: w.coll.RRIA[j] = 0.0; break;
                case Production::kFlat: w.coll.RRIA[j] = 1e-15 * weight; break;
                case Production::kRamp:
                    w.coll.RRIA[j] = w.grid.EPSC[j] > 15.0 ? 1e-19 * (w.grid.EPSC[j] - 15.0) * weight : 0.0;
                    break;
            }
        }
        return w;
    }

    // A swarm without field in equilibrium with a gas at kt eV, with an
    // ionisation ramp above 2 kt when `ionising`.
    SolverWork& thermal_swarm(int n, double kt, bool ionising) {
        SolverWork& w = *wp_;
        w.run.reduced_field = 0.0;
        uniform_grid(w, n, 25.0 * kt);
        constant_q(w, 1e-19);
        steady_distribution(w, kTwoMOverM, kt);
        face_anisotropy(w);
        field_elastic_operator(w, kTwoMOverM, kt);
        w.run.growth_model = ionising ? kGrowthTemporal : kGrowthNone;
        for (int j = 1; j <= n; ++j) {
            const double weight = std::sqrt(w.grid.EPSC[j]) * (w.grid.EPS[j + 1] - w.grid.EPS[j]);
            w.coll.RRIA[j] = ionising && w.grid.EPSC[j] > 2.0 * kt ? 1e-18 * (w.grid.EPSC[j] - 2.0 * kt) * weight : 0.0;
        }
        return w;
    }

    void fill_solutions_with_junk() {
        SolverWork& w = *wp_;
        for (int j = 1; j <= w.n; ++j) w.grad.GZ[j] = w.grad.GZZ[j] = w.grad.GYY[j] = kJunk;
        for (int k = 2; k <= w.n; ++k) w.grad.GZ1[k] = w.grad.GZZ1[k] = kJunk;
    }

    ZeroedPtr<SolverWork> wp_;
};

// sum sqrt(EPSC) width x over the cells, with the sum of magnitudes for scale.
struct WeightedSum {
    double sum;
    double scale;
};

WeightedSum weighted_sum(const SolverWork& w, const double* x) {
    WeightedSum s{0.0, 0.0};
    for (int j = 1; j <= w.n; ++j) {
        const double term = std::sqrt(w.grid.EPSC[j]) * (w.grid.EPS[j + 1] - w.grid.EPS[j]) * x[j];
        s.sum += term;
        s.scale += std::fabs(term);
    }
    return s;
}

// Analytic checks of the longitudinal diffusion: D_L = D_T for a constant
// collision frequency; for a constant cross section the generalised Einstein
// relation gives D_L/D_T = 1 + dln(mu)/dln(E) = 1/2 (mobility ~ E^-1/2).
struct LongitudinalCase {
    std::string name;
    Gas gas;
    double ratio;
    double tolerance;
};

void PrintTo(const LongitudinalCase& c, std::ostream* os) { *os << c.name; }

class GradientLongitudinal : public GradientTest, public ::testing::WithParamInterface<LongitudinalCase> {};

TEST_P(GradientLongitudinal, RatioToTransverseDiffusion) {
    const LongitudinalCase& c = GetParam();
    SolverWork& w = swarm(300, c.gas);
    const double dn = test::diffusion_coefficient(w);
    const double mu = test::mobility(w);

    gradient_expansion(w);

    EXPECT_NEAR(w.grad.D0 / dn, 1.0, 1e-12);           // no electron-electron factors here
    EXPECT_NEAR(w.grad.W / (-kField * mu), 1.0, 1e-12);  // the drift velocity against the field
    EXPECT_NEAR(w.grad.L1 / dn, c.ratio, c.tolerance);
    // Without growth the bulk values are the flux values.
    EXPECT_EQ(w.grad.P1, 0.0);
    EXPECT_EQ(w.grad.P2, 0.0);
    EXPECT_EQ(w.grad.P3, 0.0);
    const GradientResults r = gradient_results(w.grad, kField, mu, dn);
    EXPECT_EQ(r.bulk_mobility, mu);
    EXPECT_EQ(r.bulk_t_diffusion, dn);
    EXPECT_EQ(r.longitudinal_diffusion, w.grad.L1);
    EXPECT_EQ(r.bulk_l_diffusion, w.grad.L1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GradientLongitudinal,
    ::testing::Values(LongitudinalCase{"ConstantFrequency", Gas::kConstantFrequency, 1.0, 0.01},
                      LongitudinalCase{"ConstantCrossSection", Gas::kConstantQ, 0.5, 0.03}),
    [](const ::testing::TestParamInfo<LongitudinalCase>& i) { return i.param.name; });

// The longitudinal diffusion is the flux along the field carried by the
// first-order solution: L1 = gamma/3 sum_k EPS GZ1 gap, up to the difference
// between the cell and the edge form of the diffusion sum.
struct FluxCase {
    std::string name;
    Gas gas;
    int growth_model;
    Production production;
};

void PrintTo(const FluxCase& c, std::ostream* os) { *os << c.name; }

class GradientFlux : public GradientTest, public ::testing::WithParamInterface<FluxCase> {};

TEST_P(GradientFlux, LongitudinalDiffusionIsFluxOfFirstOrderSolution) {
    const FluxCase& c = GetParam();
    SolverWork& w = swarm(300, c.gas, c.growth_model, c.production);
    gradient_expansion(w);
    double flux = 0.0;
    for (int k = 2; k <= w.n; ++k) flux += w.grid.EPS[k] * w.grad.GZ1[k] * (w.grid.EPSC[k] - w.grid.EPSC[k - 1]);
    flux *= kGammaThird;
    EXPECT_NEAR(flux / w.grad.L1, 1.0, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GradientFlux,
    ::testing::Values(FluxCase{"ConstantFrequency", Gas::kConstantFrequency, kGrowthNone, Production::kNone},
                      FluxCase{"ConstantCrossSection", Gas::kConstantQ, kGrowthNone, Production::kNone},
                      FluxCase{"ConstantFrequencyRamp", Gas::kConstantFrequency, kGrowthTemporal, Production::kRamp},
                      FluxCase{"ConstantCrossSectionRamp", Gas::kConstantQ, kGrowthTemporal, Production::kRamp}),
    [](const ::testing::TestParamInfo<FluxCase>& i) { return i.param.name; });

// Without field nothing tells the direction along the field from the one
// across it: the second-order solutions agree, and so do the longitudinal
// and transverse diffusion and their growth corrections.
TEST_F(GradientTest, ZeroFieldIsIsotropic) {
    for (bool ionising : {false, true}) {
        SolverWork& w = thermal_swarm(500, 1.0, ionising);
        gradient_expansion(w);
        EXPECT_EQ(w.grad.W, 0.0);
        EXPECT_EQ(w.grad.P1, 0.0);
        EXPECT_NEAR(w.grad.L1 / w.grad.D0, 1.0, 1e-3) << "ionising " << ionising;
        double scale = 0.0;
        for (int j = 1; j <= w.n; ++j) {
            EXPECT_EQ(w.grad.GZ[j], 0.0);
            scale = std::max(scale, std::fabs(w.grad.GYY[j]));
        }
        ASSERT_GT(scale, 0.0);
        for (int j = 1; j <= w.n; ++j) {
            EXPECT_NEAR(w.grad.GZZ[j], w.grad.GYY[j], 1e-2 * scale) << "cell " << j << " ionising " << ionising;
        }
        if (ionising) {
            ASSERT_GT(std::fabs(w.grad.P3 / w.grad.D0), 1e-3);
            EXPECT_NEAR(w.grad.P2 / w.grad.P3, 1.0, 2e-2);
        }
    }
}

// Every solution carries no electrons and vanishes in the last cell.
struct SolutionCase {
    std::string name;
    Gas gas;
    int growth_model;
    Production production;
};

void PrintTo(const SolutionCase& c, std::ostream* os) { *os << c.name; }

class GradientSolutions : public GradientTest, public ::testing::WithParamInterface<SolutionCase> {};

TEST_P(GradientSolutions, ZeroLastCellAndZeroWeightedSum) {
    const SolutionCase& c = GetParam();
    SolverWork& w = swarm(120, c.gas, c.growth_model, c.production);
    gradient_expansion(w);
    const double* solutions[] = {w.grad.GZ, w.grad.GZZ, w.grad.GYY};
    const char* names[] = {"GZ", "GZZ", "GYY"};
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(solutions[s][w.n], 0.0) << names[s];
        const WeightedSum ws = weighted_sum(w, solutions[s]);
        EXPECT_GT(ws.scale, 0.0) << names[s];
        EXPECT_LE(std::fabs(ws.sum), 1e-10 * ws.scale) << names[s];
    }
    EXPECT_EQ(w.grad.GZ1[1], 0.0);
    EXPECT_EQ(w.grad.GZZ1[1], 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GradientSolutions,
    ::testing::Values(SolutionCase{"NoGrowth", Gas::kConstantFrequency, kGrowthNone, Production::kNone},
                      SolutionCase{"NoGrowthConstantQ", Gas::kConstantQ, kGrowthNone, Production::kNone},
                      SolutionCase{"GrowthWithRamp", Gas::kConstantFrequency, kGrowthTemporal, Production::kRamp},
                      SolutionCase{"GrowthConstantQRamp", Gas::kConstantQ, kGrowthTemporal, Production::kRamp}),
    [](const ::testing::TestParamInfo<SolutionCase>& i) { return i.param.name; });

// The growth corrections P1, P2, P3: none without growth whatever the
// ionisation; none for a production independent of energy (the gradient
// solutions carry no electrons); real ones for a production that favours fast
// electrons.
struct GrowthCase {
    std::string name;
    int growth_model;
    Production production;
    bool corrected;
};

void PrintTo(const GrowthCase& c, std::ostream* os) { *os << c.name; }

class GradientGrowth : public GradientTest, public ::testing::WithParamInterface<GrowthCase> {};

TEST_P(GradientGrowth, BulkCorrections) {
    const GrowthCase& c = GetParam();
    SolverWork& w = swarm(200, Gas::kConstantFrequency, c.growth_model, c.production);
    gradient_expansion(w);
    const double p1 = std::fabs(w.grad.P1 / w.grad.W);
    const double p2 = std::fabs(w.grad.P2 / w.grad.L1);
    const double p3 = std::fabs(w.grad.P3 / w.grad.D0);
    if (c.corrected) {
        EXPECT_GT(p1, 1e-3);
        EXPECT_GT(p2, 1e-3);
        EXPECT_GT(p3, 1e-5);
    } else {
        EXPECT_LT(p1, 1e-12);
        EXPECT_LT(p2, 1e-12);
        EXPECT_LT(p3, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GradientGrowth,
    ::testing::Values(GrowthCase{"NoGrowthWithRamp", kGrowthNone, Production::kRamp, false},
                      GrowthCase{"GrowthWithoutProduction", kGrowthTemporal, Production::kNone, false},
                      GrowthCase{"GrowthFlatProduction", kGrowthTemporal, Production::kFlat, false},
                      GrowthCase{"GrowthRamp", kGrowthTemporal, Production::kRamp, true}),
    [](const ::testing::TestParamInfo<GrowthCase>& i) { return i.param.name; });

// With fewer than three cells there is no interior row: the solutions are 0.
TEST_F(GradientTest, GridsBelowThreeCellsGiveZeroSolutions) {
    for (int n : {1, 2}) {
        SolverWork& w = swarm(n, Gas::kConstantFrequency, kGrowthTemporal, Production::kFlat);
        fill_solutions_with_junk();
        gradient_expansion(w);
        for (int j = 1; j <= n; ++j) {
            EXPECT_EQ(w.grad.GZ[j], 0.0) << "n " << n;
            EXPECT_EQ(w.grad.GZZ[j], 0.0) << "n " << n;
            EXPECT_EQ(w.grad.GYY[j], 0.0) << "n " << n;
        }
        EXPECT_EQ(w.grad.P1, 0.0);
        EXPECT_EQ(w.grad.P2, 0.0);
        EXPECT_EQ(w.grad.P3, 0.0);
        EXPECT_TRUE(std::isfinite(w.grad.L1)) << "n " << n;
        EXPECT_TRUE(std::isfinite(w.grad.D0)) << "n " << n;
    }
}

// The zero-energy edge adds nothing to the diffusion sums, whatever the
// cross section there (0 would otherwise give 0/0).
TEST_F(GradientTest, ZeroEnergyEdgeContributesNothing) {
    SolverWork& w = swarm(100, Gas::kConstantQ, 1, Production::kRamp);
    w.coll.Q[1] = 1e-19;
    gradient_expansion(w);
    const double d0 = w.grad.D0;
    const double l1 = w.grad.L1;
    const double p3 = w.grad.P3;
    const double q_at_zero[] = {0.0, 1e-25, std::numeric_limits<double>::infinity()};
    for (double q : q_at_zero) {
        w.coll.Q[1] = q;
        gradient_expansion(w);
        EXPECT_EQ(w.grad.D0, d0) << "Q(1) = " << q;
        EXPECT_EQ(w.grad.L1, l1) << "Q(1) = " << q;
        EXPECT_EQ(w.grad.P3, p3) << "Q(1) = " << q;
        for (int j = 1; j <= w.n; ++j) ASSERT_TRUE(std::isfinite(w.grad.GYY[j])) << "Q(1) = " << q;
    }
}

TEST_F(GradientTest, SaveOperatorMovesSecondaryElectronsIntoTheMatrix) {
    SolverWork& w = *wp_;
    w.n = 4;
    w.grad.saved_operator_valid = 0;
    for (int i = 1; i <= 5; ++i) {
        for (int k = 1; k <= 5; ++k) {
            w.A(i, k) = 10.0 * i + k;
            w.coll.AAA(i, k) = 0.5 * k;
        }
    }
    w.grad.AG(5, 5) = kJunk;
    save_operator(w);
    for (int i = 1; i <= 4; ++i) {
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(w.grad.AG(i, k), 10.0 * i + k - 0.5 * k);
    }
    EXPECT_EQ(w.grad.AG(5, 5), kJunk);  // outside the grid
    EXPECT_EQ(w.grad.saved_operator_valid, 1);
}

// A run that never builds an operator (a Maxwellian run) must not expand with
// the operator of the run before it: the run start clears AG, and the
// expansion then has nothing to add.
TEST_F(GradientTest, RunWithoutOperatorDoesNotReuseEarlierOne) {
    SolverWork& w = swarm(80, Gas::kConstantQ, 1, Production::kRamp);
    gradient_expansion(w);
    ASSERT_NE(w.grad.P1, 0.0);
    ASSERT_NE(w.grad.L1, w.grad.D0);

    // Next run: same grid, the set-up clears the saved operator, no iteration saves one.
    clear_saved_operator(w.n, w.grad);
    EXPECT_EQ(w.grad.saved_operator_valid, 0);
    for (int i = 1; i <= w.n; ++i) {
        for (int c = 1; c <= w.n; ++c) ASSERT_EQ(w.grad.AG(i, c), 0.0);
    }
    fill_solutions_with_junk();
    gradient_expansion(w);
    for (int j = 1; j <= w.n; ++j) {
        EXPECT_EQ(w.grad.GZ[j], 0.0);
        EXPECT_EQ(w.grad.GZZ[j], 0.0);
        EXPECT_EQ(w.grad.GYY[j], 0.0);
    }
    for (int k = 2; k <= w.n; ++k) {
        EXPECT_EQ(w.grad.GZ1[k], 0.0);
        EXPECT_EQ(w.grad.GZZ1[k], 0.0);
    }
    EXPECT_EQ(w.grad.P1, 0.0);
    EXPECT_EQ(w.grad.P2, 0.0);
    EXPECT_EQ(w.grad.P3, 0.0);
    // With zero solutions the longitudinal diffusion keeps D0 - (W/3) Sb.
    double sb = 0.0;
    for (int k = 2; k <= w.n; ++k)
        sb += (std::sqrt(w.grid.EPS[k]) / w.coll.Q[k]) * w.dist.F1[k] * (w.grid.EPSC[k] - w.grid.EPSC[k - 1]);
    const double expected = w.grad.D0 - (w.grad.W / 3.0) * sb;
    ASSERT_NE(w.grad.W, 0.0);
    EXPECT_NEAR(w.grad.L1, expected, 1e-12 * std::fabs(expected));

    // The steady-state reconstruction then leaves the distribution alone.
    double f[kCellArray];
    for (int j = 1; j <= w.n; ++j) f[j] = w.dist.F[j];
    w.coll.ionization_freq = 1e-16;
    gradient_reconstruct(w.coll, w.n, w.grad, w.dist);
    for (int j = 1; j <= w.n; ++j) EXPECT_EQ(w.dist.F[j], f[j]);
}

// The spatial growth coefficient: the root of (L1+P2) a^2 + (W+P1) a + nu = 0
// that stays finite as L1+P2 -> 0.
struct AlphaCase {
    std::string name;
    double wp;   // W + P1
    double lp;   // L1 + P2
    double nu;   // ionisation minus attachment frequency
    double alpha;
    double tolerance;
};

void PrintTo(const AlphaCase& c, std::ostream* os) { *os << c.name; }

class GradientAlpha : public GradientTest, public ::testing::WithParamInterface<AlphaCase> {};

TEST_P(GradientAlpha, GrowthCoefficientAndReplacedDistribution) {
    const AlphaCase& c = GetParam();
    SolverWork& w = *wp_;
    w.n = 4;
    for (int j = 1; j <= 4; ++j) {
        w.dist.F[j] = 1.0 / j;
        w.grad.GZ[j] = 0.5 * j;
        w.grad.GZZ[j] = -0.25 * j;
        w.dist.F1[j] = j > 1 ? -0.1 * j : 0.0;
        w.grad.GZ1[j] = j > 1 ? 0.2 * j : 0.0;
        w.grad.GZZ1[j] = j > 1 ? 0.3 : 0.0;
    }
    w.grad.W = c.wp + 0.125;
    w.grad.P1 = -0.125;
    w.grad.L1 = c.lp - 0.5;
    w.grad.P2 = 0.5;
    w.coll.ionization_freq = c.nu + 2.0;
    w.coll.attachment_freq = 2.0;

    gradient_reconstruct(w.coll, w.n, w.grad, w.dist);

    EXPECT_NEAR(w.grad.alpha, c.alpha, c.tolerance);
    const double a = w.grad.alpha;
    for (int j = 1; j <= 4; ++j) {
        EXPECT_NEAR(w.dist.F[j], 1.0 / j + a * 0.5 * j + a * a * (-0.25 * j), 1e-12) << "cell " << j;
    }
    EXPECT_EQ(w.dist.F1[1], 0.0);
    for (int k = 2; k <= 4; ++k) {
        EXPECT_NEAR(w.dist.F1[k], -0.1 * k + a * 0.2 * k + a * a * 0.3, 1e-12) << "edge " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GradientAlpha,
    ::testing::Values(
        // alpha^2 - 2 alpha + 0.75 = 0: roots 0.5 and 1.5, the smaller one.
        AlphaCase{"TwoRealRoots", -2.0, 1.0, 0.75, 0.5, 1e-12},
        // No real root: the square root is taken of 0.
        AlphaCase{"NegativeDiscriminant", -1.0, 1.0, 1.0, 0.5, 1e-12},
        // No net production: no spatial growth.
        AlphaCase{"NoProduction", -2.0, 1.0, 0.0, 0.0, 1e-12},
        // Attachment dominates: the swarm decays along the field.
        AlphaCase{"NetAttachment", -2.0, 1.0, -1.25, -0.5, 1e-12},
        // No longitudinal diffusion: the balance is linear, alpha = -nu/(W+P1).
        AlphaCase{"ZeroDiffusion", -2.0, 0.0, 1.0, 0.5, 1e-12},
        AlphaCase{"ZeroDiffusionNearby", -2.0, 1e-6, 1.0, 0.5, 1e-6},
        // Neither diffusion nor drift: nothing to balance, no growth.
        AlphaCase{"ZeroDiffusionAndDrift", 0.0, 0.0, 1.0, 0.0, 1e-12}),
    [](const ::testing::TestParamInfo<AlphaCase>& i) { return i.param.name; });

TEST_F(GradientTest, BulkMobilityIsFluxMobilityWithoutField) {
    SolverWork& w = *wp_;
    w.grad.P1 = 3.0;
    w.grad.P2 = 5.0;
    w.grad.P3 = 7.0;
    w.grad.L1 = 11.0;
    struct Case {
        double e;
        double bulk_mobility;
    };
    const Case cases[] = {{2.0, 100.0 - 1.5}, {0.0, 100.0}, {-2.0, 100.0}};
    for (const Case& c : cases) {
        const GradientResults r = gradient_results(w.grad, c.e, 100.0, 50.0);
        EXPECT_EQ(r.bulk_mobility, c.bulk_mobility) << "E " << c.e;
        EXPECT_EQ(r.longitudinal_diffusion, 11.0);
        EXPECT_EQ(r.bulk_t_diffusion, 57.0);
        EXPECT_EQ(r.bulk_l_diffusion, 16.0);
    }
}

}  // namespace
}  // namespace kestor
