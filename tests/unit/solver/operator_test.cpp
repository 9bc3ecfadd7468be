// Terms of the Boltzmann operator and the main solve, on hand-built grids.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <limits>
#include <string>
#include <vector>

#include "solver_case.h"
#include "solver/linear.h"
#include "solver/operator.h"
#include "solver/operator_terms.h"

namespace kestor {
namespace {

using test::SolverCase;

constexpr double kMassRatio = 1e-4;
constexpr double kRateK = 1e-13;

double maxwellian(double eps, double t) {
    return kTwoOverSqrtPi / (std::sqrt(t) * t) * std::exp(-eps / t);
}

// ---------------------------------------------------------------- start

struct StartCase {
    std::string what;
    double c14, emax, precision, t0;
};

TEST(InitialDistribution, IsTheNormalisedMaxwellianOfTheTrialTemperature) {
    const std::vector<StartCase> cases = {
        {"temperature from the grid", 0.0, 30.0, 1e-10, 30.0 / (1.0 - std::log(1e-10))},
        {"Maxwellian mode", 3.0, 48.0, 1e-10, 2.0},
    };
    for (const StartCase& c : cases) {
        SolverCase m;
        SolverWork& w = m.w;
        test::uniform_grid(w, 200, c.emax);
        w.run.ln_precision = std::log(c.precision);
        w.dist.slope_mode = kSlopeExponential;
        w.run.maxwellian_energy = c.c14;
        EXPECT_NEAR(initial_distribution(w.run, w.grid, w.n, w.dist), c.t0, 1e-12 * c.t0) << c.what;
        for (int j = 1; j <= w.n; ++j) {
            ASSERT_NEAR(w.dist.F[j], maxwellian(w.grid.EPSC[j], c.t0), 1e-14 * w.dist.F[j]) << c.what;
            ASSERT_EQ(w.dist.FOLD[j], w.dist.F[j]) << c.what;
        }
        // The exponential cell integrals of a Maxwellian are exact: int eps^1/2 F = 1.
        slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) s += w.dist.H[j] * w.dist.F[j];
        EXPECT_NEAR(s, 1.0, 1e-7) << c.what;  // pi enters in single precision
    }
}

// ---------------------------------------------------------------- slopes

TEST(Slopes, OfAMaxwellianAreTheInverseTemperature) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 60, 30.0);
    w.dist.slope_mode = kSlopeExponential;
    test::exponential_f(w, 1.0 / 1.7);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    EXPECT_EQ(w.dist.slope_mode, kSlopeExponential);
    for (int j = 1; j <= w.n; ++j) EXPECT_NEAR(w.dist.G[j], 1.0 / 1.7, 1e-12) << j;
}

double linear_slope(const SolverWork& w, int j) {
    const double fl = w.dist.F[j - 1], fc = w.dist.F[j], fu = w.dist.F[j + 1];
    return ((fl - fc) / (fl + fc)) / (w.grid.EPSC[j] - w.grid.EPSC[j - 1]) +
           ((fc - fu) / (fc + fu)) / (w.grid.EPSC[j + 1] - w.grid.EPSC[j]);
}

TEST(Slopes, ARiseSwitchesTheRunToTheLinearProfile) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 20, 20.0);
    w.dist.slope_mode = kSlopeExponential;
    test::exponential_f(w, 0.5);
    w.dist.F[12] = 1.001 * w.dist.F[10];  // F(j+1) above F(j-1)/0.9999 at j = 11
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    EXPECT_EQ(w.dist.slope_mode, kSlopeLinear);
    for (int j = 2; j <= w.n - 1; ++j) EXPECT_DOUBLE_EQ(w.dist.G[j], linear_slope(w, j)) << j;
    EXPECT_EQ(w.dist.G[1], w.dist.G[2]);
    EXPECT_EQ(w.dist.G[w.n], w.dist.G[w.n - 1]);

    // It stays linear although the next distribution falls everywhere.
    test::exponential_f(w, 0.5);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    EXPECT_EQ(w.dist.slope_mode, kSlopeLinear);
    EXPECT_DOUBLE_EQ(w.dist.G[5], linear_slope(w, 5));
}

TEST(Slopes, AFlatStretchKeepsTheExponentialProfileWithZeroSlope) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 10, 10.0);
    w.dist.slope_mode = kSlopeExponential;
    for (int j = 1; j <= w.n; ++j) w.dist.F[j] = 0.3;
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    EXPECT_EQ(w.dist.slope_mode, kSlopeExponential);
    for (int j = 1; j <= w.n; ++j) EXPECT_EQ(w.dist.G[j], 0.0);
}

TEST(Slopes, GridsWithoutAnInteriorCellHaveZeroSlopes) {
    for (int n : {1, 2}) {
        SolverCase m;
        SolverWork& w = m.w;
        test::uniform_grid(w, n, 10.0);
        w.dist.slope_mode = kSlopeExponential;
        for (int j = 0; j <= 4; ++j) w.dist.G[j] = 7.0;  // left over from an earlier run
        test::exponential_f(w, 0.5);
        slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
        for (int j = 1; j <= n; ++j) EXPECT_EQ(w.dist.G[j], 0.0) << "n = " << n;
        EXPECT_EQ(w.dist.slope_mode, kSlopeExponential);
        for (int j = 1; j <= n; ++j) EXPECT_NEAR(w.dist.H[j], std::sqrt(w.grid.EPSC[j]) * 10.0 / n, 1e-12);
    }
}

// ---------------------------------------------------------------- cell integrals

struct IntegralCase {
    std::string what;
    int slope_mode;
    double g;  // F = exp(-g eps)
    int n;
    double emax;
    double tolerance;
};

void PrintTo(const IntegralCase& c, std::ostream* os) {
    *os << c.what << ": F = exp(-" << c.g << " eps), " << c.n << " cells to " << c.emax << " eV";
}

class CellIntegrals : public ::testing::TestWithParam<IntegralCase> {};

// H, HH, HHH are the integrals of eps^1/2, eps^3/2, eps^0 times the in-cell
// profile; the midpoint rule stands in where the profile is flat or steep.
TEST_P(CellIntegrals, MatchTheProfileIntegrals) {
    const IntegralCase& c = GetParam();
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, c.n, c.emax);
    w.dist.slope_mode = c.slope_mode;
    w.run.ee_degree = 1e-3;
    test::exponential_f(w, c.g);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    ASSERT_EQ(w.dist.slope_mode, c.slope_mode);
    for (int j = 1; j <= w.n; ++j) {
        const double a = w.grid.EPS[j], b = w.grid.EPS[j + 1], ec = w.grid.EPSC[j], g = w.dist.G[j];
        if (c.slope_mode == kSlopeExponential && !(g > 0.0 && ec * g < 300.0)) {
            EXPECT_DOUBLE_EQ(w.dist.H[j], std::sqrt(ec) * (b - a)) << c.what << " cell " << j;
            EXPECT_DOUBLE_EQ(w.dist.HH[j], std::sqrt(ec) * (b - a) * ec) << c.what;
            EXPECT_DOUBLE_EQ(w.dist.HHH[j], b - a) << c.what;
            continue;
        }
        auto phi = [&](double e) {
            return c.slope_mode == kSlopeLinear ? 1.0 - g * (e - ec) : std::exp(-g * (e - ec));
        };
        const double h = test::integral([&](double e) { return std::sqrt(e) * phi(e); }, a, b);
        const double hh = test::integral([&](double e) { return e * std::sqrt(e) * phi(e); }, a, b);
        const double hhh = test::integral(phi, a, b);
        EXPECT_NEAR(w.dist.H[j], h, c.tolerance * h) << c.what << " cell " << j;
        EXPECT_NEAR(w.dist.HH[j], hh, c.tolerance * hh) << c.what << " cell " << j;
        EXPECT_NEAR(w.dist.HHH[j], hhh, 1e-7 * hhh) << c.what << " cell " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, CellIntegrals,
    // sqrt(pi)/2 enters in single precision (relative 1e-8, more after the
    // cancellations of HH). In steep cells (EPS g beyond ~36) erf saturates in double precision and
    // the closed form drops the erfc part, about 1/(2 EPS g) of the integral.
    ::testing::Values(IntegralCase{"Exponential", kSlopeExponential, 0.5, 40, 40.0, 1e-6},
                      IntegralCase{"Linear", kSlopeLinear, 0.05, 40, 20.0, 1e-7},
                      IntegralCase{"FlatExponential", kSlopeExponential, 0.0, 10, 10.0, 1e-7},
                      IntegralCase{"SteepExponential", kSlopeExponential, 20.0, 20, 20.0, 0.02}),
    [](const ::testing::TestParamInfo<IntegralCase>& i) { return i.param.what; });

TEST(CellIntegrals, SkipHhhWithoutElectronElectronCollisions) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 10, 10.0);
    w.dist.slope_mode = kSlopeExponential;
    w.run.ee_degree = 0.0;
    for (int j = 1; j <= w.n; ++j) w.dist.HHH[j] = -5.0;
    test::exponential_f(w, 0.5);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    for (int j = 1; j <= w.n; ++j) EXPECT_EQ(w.dist.HHH[j], -5.0);
}

// ---------------------------------------------------------------- Coulomb

struct CoulombCase {
    std::string what;
    double density, ee, ei;
    bool updated;
};

TEST(CoulombUpdate, FollowsTheMeanEnergyOnlyWithAPositiveDensity) {
    const std::vector<CoulombCase> cases = {
        {"plasma with e-e collisions", 1e16, 1e-3, 0.0, true},
        {"plasma with e-i collisions only", 1e17, 0.0, 1e-3, true},
        {"no plasma density", 0.0, 1e-3, 0.0, false},
        {"logarithm given as -density", -10.0, 1e-3, 0.0, false},
        {"neither e-e nor e-i collisions", 1e16, 0.0, 0.0, false},
    };
    for (const CoulombCase& c : cases) {
        SolverCase m;
        SolverWork& w = m.w;
        test::uniform_grid(w, 20, 20.0);
        w.run.plasma_density = c.density;
        w.run.sqrt_plasma_density = c.density > 0.0 ? std::sqrt(c.density) : 0.0;
        w.run.ee_degree = c.ee;
        w.run.ei_degree = c.ei;
        w.coll.coulomb_factor = 5.0;
        w.coll.coulomb_log = -1.0;
        double mean = 0.0;
        for (int j = 1; j <= w.n; ++j) {
            w.dist.F[j] = 0.01 * j;
            w.dist.HH[j] = 0.2;
            mean += w.dist.HH[j] * w.dist.F[j];
        }
        coulomb_update(w);
        if (c.updated) {
            // ln(12 pi n lambda_D^3) with the Debye length at kT = 2/3 of the mean energy.
            const double kt = mean / 1.5;
            const double debye = std::sqrt(kVacuumPermittivity * kt / (c.density * kElementaryCharge));
            const double expected = std::log(kTwelvePi * c.density * debye * debye * debye);
            EXPECT_NEAR(w.coll.coulomb_log, expected, 1e-9) << c.what;
            EXPECT_NEAR(w.coll.coulomb_factor, kCoulombConstant * expected, 1e-20) << c.what;
        } else {
            EXPECT_EQ(w.coll.coulomb_factor, 5.0) << c.what;
            EXPECT_EQ(w.coll.coulomb_log, -1.0) << c.what;
        }
    }
}

TEST(CoulombUpdate, AddsElectronIonCrossSectionsAboveZeroEnergy) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 10, 10.0);
    test::edge_cross_sections(w, test::constant_value(1e-19), kMassRatio);
    w.run.ei_degree = 1e-4;
    w.run.electron_ion_mass_ratio = 1e-5;
    w.coll.coulomb_factor = kCoulombConstant * 10.0;
    coulomb_update(w);
    EXPECT_EQ(w.coll.CSMEI[1], 0.0);
    EXPECT_EQ(w.coll.Q[1], 1e-19);
    for (int k = 2; k <= w.n + 1; ++k) {
        const double csmei = w.coll.coulomb_factor * 0.5 * 1e-4 / kGamma / (w.grid.EPS[k] * w.grid.EPS[k]);
        EXPECT_NEAR(w.coll.CSMEI[k], csmei, 1e-12 * csmei);
        EXPECT_NEAR(w.coll.CSEEI[k], 2.0 * 1e-5 * csmei, 1e-12 * csmei);
        EXPECT_NEAR(w.coll.Q[k], 1e-19 + csmei, 1e-12 * w.coll.Q[k]);
    }
}

// ---------------------------------------------------------------- growth

// A grid with a Maxwellian, constant cross sections and ionisation or
// attachment rates per cell.
void growth_state(SolverWork& w, int growth_model, double rri, double rra) {
    test::uniform_grid(w, 20, 20.0);
    test::edge_cross_sections(w, test::constant_value(1e-19), kMassRatio);
    w.dist.slope_mode = kSlopeExponential;
    w.run.precision = 1e-10;
    w.run.reduced_field = 1e-20;
    w.run.growth_model = growth_model;
    test::exponential_f(w, 0.5);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    for (int j = 1; j <= w.n; ++j) {
        w.coll.RRI[j] = j > 5 ? rri : 0.0;
        w.coll.RRA[j] = rra;
    }
}

TEST(GrowthTerms, RatesAreTheSumsOverTheCurrentDistribution) {
    SolverCase m;
    SolverWork& w = m.w;
    growth_state(w, kGrowthTemporal, 1e-14, 2e-15);
    growth_terms(w);
    double ion = 0.0, att = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        ion += w.coll.RRI[j] * w.dist.F[j];
        att += w.coll.RRA[j] * w.dist.F[j];
    }
    EXPECT_NEAR(w.coll.ionization_freq, ion, 1e-12 * ion);
    EXPECT_NEAR(w.coll.attachment_freq, att, 1e-12 * att);
    EXPECT_NEAR(w.coll.net_growth_freq, ion - att, 1e-12 * ion);
}

struct PathCase {
    std::string what;
    int growth_model;
    double rri;
    bool temporal, spatial;
    bool alpha_cleared;  // the Townsend coefficient of an earlier iteration is dropped
};

TEST(GrowthTerms, PathFollowsTheModelAndTheNetRate) {
    const std::vector<PathCase> cases = {
        {"temporal model", kGrowthTemporal, 1e-14, true, false, false},
        {"no growth, negligible net rate", kGrowthNone, 0.0, true, false, false},
        {"no growth, real net rate", kGrowthNone, 1e-14, false, false, false},
        {"spatial model", kGrowthSpatial, 1e-14, false, true, false},
        {"spatial model, negligible net rate", kGrowthSpatial, 0.0, true, false, true},
        {"spatial model, tiny but non-zero net rate", kGrowthSpatial, 1e-40, true, false, true},
    };
    constexpr double kEarlierAlpha = 3e-20;  // left from an earlier grid
    for (const PathCase& c : cases) {
        SolverCase m;
        SolverWork& w = m.w;
        growth_state(w, c.growth_model, c.rri, 0.0);
        for (int k = 1; k <= w.n + 1; ++k) w.coll.Q[k] = 7.0;  // marks an untouched Q
        w.coll.townsend_alpha = kEarlierAlpha;
        growth_terms(w);
        if (c.rri > 0.0) {
            EXPECT_NE(w.coll.net_growth_freq, 0.0) << c.what;
        }
        if (c.alpha_cleared) {
            EXPECT_EQ(w.coll.townsend_alpha, 0.0) << c.what;
        } else if (!c.spatial) {
            EXPECT_EQ(w.coll.townsend_alpha, kEarlierAlpha) << c.what;
        }
        const double nu = w.coll.net_growth_freq;
        if (c.temporal) {
            for (int k = 2; k <= w.n + 1; ++k) {
                ASSERT_NEAR(w.coll.Q[k], w.coll.CSM[k] + (nu / kGamma) / std::sqrt(w.grid.EPS[k]), 1e-30) << c.what;
            }
            for (int j = 1; j <= w.n; ++j) ASSERT_EQ(w.A(j, j), nu * w.dist.H[j]) << c.what;
        } else {
            for (int k = 2; k <= w.n + 1; ++k) ASSERT_EQ(w.coll.Q[k], 7.0) << c.what;
        }
        double shape = 0.0;
        for (int j = 1; j <= w.n; ++j) shape += w.coll.AAAA[j];
        EXPECT_NEAR(shape, c.spatial ? 1.0 : 0.0, 1e-12) << c.what;
    }
}

TEST(GrowthTerms, StrongAttachmentHoldsQAtTheMomentumFloor) {
    SolverCase m;
    SolverWork& w = m.w;
    growth_state(w, kGrowthTemporal, 0.0, 1e-12);
    growth_terms(w);
    EXPECT_EQ(w.coll.momentum_floor_hit, 1);
    EXPECT_EQ(w.coll.Q[1], w.coll.CSM[1]);  // no growth term at zero energy
    for (int k = 2; k <= w.n; ++k) EXPECT_EQ(w.coll.Q[k], 0.009999999776482582 * w.coll.CSM[k]) << k;
    // The top edge is not floored.
    EXPECT_LT(w.coll.Q[w.n + 1], 0.0);

    // A later temporal step without the floor clears the mark.
    for (int j = 1; j <= w.n; ++j) w.coll.RRA[j] = 0.0;
    growth_terms(w);
    EXPECT_EQ(w.coll.momentum_floor_hit, 0);
}

TEST(GrowthTerms, SpatialGrowthSolvesTheTownsendQuadratic) {
    SolverCase m;
    SolverWork& w = m.w;
    growth_state(w, kGrowthSpatial, 1e-14, 1e-15);
    // No momentum transfer at zero energy: the zero-energy terms must stay 0.
    w.coll.CSM[1] = 0.0;
    w.coll.Q[1] = 0.0;
    w.coll.townsend_alpha = 0.0;
    growth_terms(w);
    ASSERT_TRUE(std::isfinite(w.coll.townsend_alpha));
    // alpha is the mean of the previous value (0) and the smaller root of
    // c alpha^2 - b alpha + nu = 0.
    const double root = 2.0 * w.coll.townsend_alpha;
    double s1 = 0.0, s2 = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        const double rl = j == 1 ? 0.0 : w.grid.EPS[j] / w.coll.Q[j];
        const double ru = w.grid.EPS[j + 1] / w.coll.Q[j + 1];
        s1 += (ru - rl) * w.dist.F[j];
        s2 += (ru + rl) * w.dist.F[j] * (w.grid.EPS[j + 1] - w.grid.EPS[j]);
    }
    const double b = s1 * w.run.reduced_field * kGamma / 3.0;
    const double c = s2 * kGamma / 6.0;
    const double nu = w.coll.net_growth_freq;
    EXPECT_NEAR(c * root * root - b * root + nu, 0.0, 1e-9 * std::fabs(nu));
    EXPECT_LT(root, 0.5 * b / c);  // the smaller root

    double shape = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        ASSERT_TRUE(std::isfinite(w.coll.AAAA[j])) << j;
        shape += w.coll.AAAA[j];
    }
    EXPECT_NEAR(shape, 1.0, 1e-12);
    for (int i = 1; i <= w.n; ++i) {
        ASSERT_NEAR(w.A(i, w.n + 1), -w.coll.ionization_freq * w.coll.AAAA[i], 1e-30);
        ASSERT_NEAR(w.A(i, 3), -w.coll.AAAA[i] * w.coll.RRA[3], 1e-30);
    }
}

// Without any transport (eps/Q = 0 on every edge) neither the Townsend
// quadratic nor the shape of the produced electrons exists.
TEST(GrowthTerms, SpatialGrowthWithoutTransportLeavesTheSystemAlone) {
    SolverCase m;
    SolverWork& w = m.w;
    growth_state(w, kGrowthSpatial, 1e-14, 0.0);
    for (int k = 1; k <= w.n + 1; ++k) w.coll.Q[k] = std::numeric_limits<double>::infinity();
    w.coll.townsend_alpha = 4e-20;
    growth_terms(w);
    EXPECT_GT(w.coll.net_growth_freq, 0.0);
    EXPECT_EQ(w.coll.townsend_alpha, 2e-20);  // mean of the previous value and a zero root
    for (int i = 1; i <= w.n; ++i) {
        EXPECT_EQ(w.coll.AAAA[i], 0.0);
        for (int k = 1; k <= w.n + 1; ++k) ASSERT_EQ(w.A(i, k), 0.0) << i << "," << k;
    }
}

// ---------------------------------------------------------------- QEFF

struct FieldCase {
    double c2, c3;
};

TEST(EffectiveCrossSection, CombinesTheFieldFrequencyAndTheFieldAngle) {
    const std::vector<FieldCase> cases = {{0.0, 0.0}, {1e-13, 1.0}, {1e-13, 0.0}, {3e-14, 0.5}, {1e-12, 0.2}};
    for (const FieldCase& c : cases) {
        SolverCase m;
        SolverWork& w = m.w;
        test::uniform_grid(w, 30, 30.0);
        test::edge_cross_sections(w, test::constant_frequency(kRateK), kMassRatio);
        w.run.field_frequency = c.c2;
        w.run.cos_field_angle = c.c3;
        w.run.field_frequency_mode = c.c2 > 0.0 ? 1 : 0;
        field_frequency_factors(w.run);
        effective_cross_section(w.run, w.grid, w.n, w.coll);
        EXPECT_EQ(w.coll.QEFF[1], w.coll.Q[1]);
        for (int k = 2; k <= w.n + 1; ++k) {
            const double q = w.coll.Q[k];
            const double u = c.c2 / (kGamma * std::sqrt(w.grid.EPS[k]));
            const double expected = 1.0 / (c.c3 * c.c3 / q + (1.0 - c.c3 * c.c3) / (q + u * u / q));
            ASSERT_NEAR(w.coll.QEFF[k], expected, 1e-12 * expected) << c.c2 << " " << c.c3 << " edge " << k;
        }
    }
}

// ---------------------------------------------------------------- e-e integrals

TEST(ElectronElectronCoefficients, AreCumulativeIntegralsOfTheDistribution) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 30, 30.0);
    w.dist.slope_mode = kSlopeExponential;
    w.run.ee_degree = 1e-3;
    test::exponential_f(w, 0.4);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    ee_coefficients(w.n, w.dist);
    double h = 0.0, hh = 0.0, hhh = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        h += w.dist.H[j] * w.dist.F[j];
        hh += w.dist.HH[j] * w.dist.F[j];
        hhh += w.dist.HHH[j] * w.dist.F[j];
    }
    EXPECT_EQ(w.dist.FF1[1], 0.0);
    EXPECT_EQ(w.dist.FF2[1], 0.0);
    EXPECT_EQ(w.dist.FF3[w.n + 1], 0.0);
    EXPECT_NEAR(w.dist.FF1[w.n + 1], h, 1e-12 * h);
    EXPECT_NEAR(w.dist.FF2[w.n + 1], hh, 1e-12 * hh);
    EXPECT_NEAR(w.dist.FF3[1], hhh, 1e-12 * hhh);
    EXPECT_NEAR(w.dist.FF1[11] - w.dist.FF1[10], w.dist.H[10] * w.dist.F[10], 1e-14);
    EXPECT_NEAR(w.dist.FF3[10] - w.dist.FF3[11], w.dist.HHH[10] * w.dist.F[10], 1e-14);
}

// ---------------------------------------------------------------- the system

// Field heating and elastic recoil of a constant-frequency gas on a uniform
// grid, ready for the solve.
void transport_state(SolverWork& w, int n, double emax, double en_td) {
    test::uniform_grid(w, n, emax);
    test::edge_cross_sections(w, test::constant_frequency(kRateK), kMassRatio);
    w.dist.slope_mode = kSlopeExponential;
    w.run.reduced_field = en_td * 1e-21;
    w.run.ln_precision = std::log(1e-10);
    w.run.precision = 1e-10;
    initial_distribution(w.run, w.grid, w.n, w.dist);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
}

void one_solve(SolverCase& m) {
    build_collision_part(m.w);
    growth_terms(m.w);
    effective_cross_section(m.w.run, m.w.grid, m.w.n, m.w.coll);
    build_fluxes_and_solve(m.w);
}

TEST(MainSolve, ConstantFrequencyGasGivesTheExactMaxwellianRatio) {
    SolverCase m;
    SolverWork& w = m.w;
    transport_state(w, 100, 40.0, 5.0);
    one_solve(m);
    const double e = w.run.reduced_field;
    const double kt = kGamma * kGamma * e * e / (3.0 * 2.0 * kMassRatio * kRateK * kRateK);
    double s = 0.0;
    for (int j = 1; j <= w.n; ++j) s += w.dist.H[j] * w.dist.F[j];
    EXPECT_NEAR(s, 1.0, 1e-12);
    for (int k = 2; k <= w.n; ++k) {
        const double slope = std::log(w.dist.F[k - 1] / w.dist.F[k]) / (w.grid.EPSC[k] - w.grid.EPSC[k - 1]);
        ASSERT_NEAR(slope, 1.0 / kt, 1e-8 / kt) << "edge " << k;
    }
}

TEST(MainSolve, OneCellIsTheNormalisationAlone) {
    SolverCase m;
    SolverWork& w = m.w;
    transport_state(w, 1, 10.0, 5.0);
    one_solve(m);
    EXPECT_DOUBLE_EQ(w.dist.F[1], 1.0 / w.dist.H[1]);
}

TEST(MainSolve, WithoutDiffusionElectronsDriftToTheBottomCell) {
    // No field, cold gas, no e-e: D = 0 on every edge, upwind fluxes.
    SolverCase m;
    SolverWork& w = m.w;
    transport_state(w, 20, 10.0, 0.0);
    one_solve(m);
    EXPECT_DOUBLE_EQ(w.dist.F[1], 1.0 / w.dist.H[1]);
    for (int j = 2; j <= w.n; ++j) EXPECT_EQ(w.dist.F[j], 0.0) << j;
}

TEST(CollisionPart, CopiesTheScatterMatrixAndAddsSecondariesAndAttachment) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 4, 4.0);
    for (int j = 1; j <= 4; ++j) {
        w.dist.F[j] = 1.0 / j;
        w.coll.RRA[j] = 0.1 * j;
        for (int i = 1; i <= 4; ++i) {
            w.coll.AA(i, j) = i == j ? 2.0 : -0.25;
            w.coll.AAA(i, j) = i < j ? 0.5 * i : 0.0;
        }
    }
    build_collision_part(w);
    for (int i = 1; i <= 4; ++i) {
        double rhs = 0.0;
        for (int k = 1; k <= 4; ++k) {
            rhs += w.coll.AAA(i, k) * w.dist.F[k];
            EXPECT_EQ(w.A(i, k), w.coll.AA(i, k) + (i == k ? w.coll.RRA[k] : 0.0)) << i << "," << k;
        }
        EXPECT_DOUBLE_EQ(w.A(i, 5), rhs) << i;
    }
}

// Field heating alone: no loss at all, so the energy balance is off by the
// whole field power and the e-e friction is cut by a quarter.
TEST(PowerBalance, FieldPowerAloneGivesTheFullImbalance) {
    SolverCase m;
    SolverWork& w = m.w;
    transport_state(w, 30, 30.0, 5.0);
    for (int k = 1; k <= w.n + 1; ++k) w.coll.CSE[k] = 0.0;
    w.run.ee_degree = 1e-3;
    w.iter.balance_error = 0.125;
    build_collision_part(w);
    effective_cross_section(w.run, w.grid, w.n, w.coll);
    ee_coefficients(w.n, w.dist);
    std::vector<double> ff1(w.dist.FF1 + 1, w.dist.FF1 + w.n + 2);
    power_balance(m.t, w);
    EXPECT_GT(w.iter.field_power, 0.0);
    EXPECT_EQ(w.iter.collision_power, 0.0);
    EXPECT_EQ(w.iter.elastic_drift_power, 0.0);
    EXPECT_EQ(w.iter.previous_balance_error, 0.125);
    EXPECT_DOUBLE_EQ(w.iter.balance_error, 1.0);
    EXPECT_DOUBLE_EQ(w.iter.ee_energy_factor, 0.75);
    for (int k = 1; k <= w.n + 1; ++k) EXPECT_EQ(w.dist.FF1[k], ff1[k - 1] * 0.75);
}

TEST(PowerBalance, AVanishedCellGivesNoUndefinedThermalPower) {
    SolverCase m;
    SolverWork& w = m.w;
    transport_state(w, 30, 30.0, 5.0);
    w.run.ee_degree = 1e-3;
    w.run.gas_temperature_ev = 0.025;
    for (int j = 20; j <= w.n; ++j) w.dist.F[j] = 0.0;  // an underflowed start Maxwellian
    build_collision_part(w);
    effective_cross_section(w.run, w.grid, w.n, w.coll);
    ee_coefficients(w.n, w.dist);
    power_balance(m.t, w);
    EXPECT_TRUE(std::isfinite(w.iter.elastic_thermal_power));
    EXPECT_TRUE(std::isfinite(w.iter.balance_error));
    EXPECT_TRUE(std::isfinite(w.iter.ee_energy_factor));
}

TEST(PowerBalance, IsNotFormedWithoutElectronElectronCollisions) {
    SolverCase m;
    SolverWork& w = m.w;
    transport_state(w, 10, 10.0, 5.0);
    w.run.ee_degree = 0.0;
    w.iter.balance_error = 0.25;
    w.iter.previous_balance_error = 0.5;
    power_balance(m.t, w);
    EXPECT_EQ(w.iter.balance_error, 0.25);
    EXPECT_EQ(w.iter.previous_balance_error, 0.5);
}

}  // namespace
}  // namespace kestor
