// Energy grid, the energy-balance scan and the maximum-energy rules.
#include "solver/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

#include "solver_case.h"
#include "solver/setup.h"

namespace kestor {
namespace {

using test::add_collision;
using test::add_elastic;
using test::add_species;
using test::kRun;
using test::set_ordinary_conditions;
using test::SolverCase;

constexpr double kLambda10 = 23.025850929940457;  // -ln 1e-10

// --- grid construction ---

struct GridCase {
    int type;
    int n;
    double emax;
    std::vector<double> edges;
    std::vector<double> centres;
};

std::ostream& operator<<(std::ostream& os, const GridCase& g) {
    return os << "type " << g.type << " n " << g.n << " emax " << g.emax;
}

class GridShapes : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridShapes, EdgesAndCentres) {
    const GridCase& g = GetParam();
    SolverCase c;
    c.w.n = g.n;
    c.w.grid.grid_type = g.type;
    c.w.grid.emax = g.emax;
    c.w.grid.grid_trials = 2;
    build_grid(c.w.n, c.w.grid);
    EXPECT_EQ(c.w.grid.grid_trials, 3);
    for (int k = 1; k <= g.n + 1; ++k) EXPECT_DOUBLE_EQ(c.w.grid.EPS[k], g.edges[k - 1]) << "edge " << k;
    for (int j = 1; j <= g.n; ++j) EXPECT_DOUBLE_EQ(c.w.grid.EPSC[j], g.centres[j - 1]) << "centre " << j;
}

INSTANTIATE_TEST_SUITE_P(
    Table, GridShapes,
    ::testing::Values(GridCase{kGridLinear, 4, 8.0, {0, 2, 4, 6, 8}, {1, 3, 5, 7}},
                      GridCase{kGridQuadratic, 2, 8.0, {0, 2, 8}, {1, 5}},
                      GridCase{kGridEstimated, 2, 30.0, {0, 10, 30}, {5, 20}},
                      GridCase{kGridGivenThenEstimated, 2, 30.0, {0, 10, 30}, {5, 20}},
                      GridCase{kGridEstimated, 2, 5.0, {0, 2.5, 5}, {1.25, 3.75}},
                      GridCase{kGridGivenThenEstimated, 2, 5.0, {0, 2.5, 5}, {1.25, 3.75}},
                      // Other types are linear.
                      GridCase{-1, 4, 8.0, {0, 2, 4, 6, 8}, {1, 3, 5, 7}},
                      GridCase{7, 4, 8.0, {0, 2, 4, 6, 8}, {1, 3, 5, 7}},
                      GridCase{kGridLinear, 1, 3.0, {0, 3}, {1.5}}));

TEST(GridFractions, AreSinglePrecision) {
    SolverCase c;
    c.w.n = 3;
    c.w.grid.grid_type = kGridLinear;
    c.w.grid.emax = 9.0;
    build_grid(c.w.n, c.w.grid);
    EXPECT_EQ(c.w.grid.EPS[2], 9.0 * 0.3333333432674408);
    EXPECT_EQ(c.w.grid.EPS[3], 9.0 * 0.6666666865348816);
    EXPECT_EQ(c.w.grid.EPS[4], 9.0);
    EXPECT_EQ(c.w.grid.EPSC[1], (9.0 * 0.3333333432674408) * 0.5);
}

TEST(GridFractions, BentGridIsLinearBelowTenAndQuadraticAbove) {
    SolverCase c;
    c.w.n = 1000;
    c.w.grid.grid_type = kGridEstimated;
    c.w.grid.emax = 1000.0;
    build_grid(c.w.n, c.w.grid);
    EXPECT_DOUBLE_EQ(c.w.grid.EPS[1001], 1000.0);
    // Near zero the spacing is that of the linear part, 10 eV over n.
    const double x = static_cast<double>(1.0f / 1000.0f);
    EXPECT_DOUBLE_EQ(c.w.grid.EPS[2], x * (10.0 + 990.0 * x));
    for (int k = 2; k <= 1001; ++k) ASSERT_GT(c.w.grid.EPS[k], c.w.grid.EPS[k - 1]) << k;
}

// --- the energy-balance scan ---

// A gas with a constant elastic cross section q and mass ratio mr, nothing
// else; conditions set straight in the work area.
struct ScanGas {
    SolverCase c;
    explicit ScanGas(double q = 1e-19, double mr = 1e-4) {
        const int s = add_species(c.t);
        add_elastic(c.t, s, q, mr);
        c.w.run.XS[s] = 1.0;
        c.w.run.lambda = kLambda10;
    }
};

struct ThermalScanCase {
    double tg;
    double lambda;
};

void PrintTo(const ThermalScanCase& k, std::ostream* os) { *os << "Tg " << k.tg << " eV, lambda " << k.lambda; }

class ScanThermal : public ::testing::TestWithParam<ThermalScanCase> {};

// Without a field the energy scale u is the gas temperature. Each step adds
// the step just chosen for the next move, so after reaching e the sum is
// S = 1 + (e - 0.01 + next step) / Tg with a next step of at most Tg: the
// scan stops at an energy in (Tg (lambda - 2) + 0.01, Tg (lambda - 1) + 0.01].
TEST_P(ScanThermal, StopsOnceTheSumExceedsLambda) {
    const ThermalScanCase& k = GetParam();
    ScanGas g;
    g.c.w.run.gas_temperature_ev = k.tg;
    g.c.w.run.lambda = k.lambda;
    const double e = scan_energy_balance(g.c.t, g.c.w.run);
    const double first = 0.009999999776482582;
    EXPECT_GT(e, (k.tg * (k.lambda - 2.0) + first) * (1.0 - 1e-12));
    EXPECT_LE(e, (k.tg * (k.lambda - 1.0) + first) * (1.0 + 1e-12));
}

INSTANTIATE_TEST_SUITE_P(Table, ScanThermal,
                         ::testing::Values(ThermalScanCase{0.5, kLambda10}, ThermalScanCase{2.0, kLambda10},
                                           ThermalScanCase{0.05, kLambda10},
                                           ThermalScanCase{1.0, 9.210340371976182},  // 1e-4
                                           ThermalScanCase{3.0, 4.605170185988091}));  // 1e-2

// Field heating against elastic cooling: u = K / e with
// K = (gamma E^2 / 3) / (gamma 2 mr q^2), so S ~ 1 + e^2 / (2K) and the
// scan ends near sqrt(2 K (lambda - 1)).
TEST(ScanField, DruyvesteynTailEndsWhereTheSumReachesLambda) {
    for (double en_td : {30.0, 100.0, 300.0}) {
        const double q = 1e-19, mr = 1e-4;
        ScanGas g(q, mr);
        g.c.w.run.reduced_field = en_td * kTownsend;
        const double h = kGammaThird * g.c.w.run.reduced_field * g.c.w.run.reduced_field;
        const double k = h / (kGamma * 2.0 * mr * q * q);
        const double want = std::sqrt(2.0 * k * (kLambda10 - 1.0));
        EXPECT_NEAR(scan_energy_balance(g.c.t, g.c.w.run), want, 0.05 * want) << en_td;
    }
}

TEST(ScanField, FieldFrequencyWeakensTheHeating) {
    ScanGas g;
    g.c.w.run.reduced_field = 1e-19;
    const double dc = scan_energy_balance(g.c.t, g.c.w.run);
    g.c.w.run.field_frequency = 3e-12;
    const double ac = scan_energy_balance(g.c.t, g.c.w.run);
    EXPECT_LT(ac, 0.9 * dc);
}

TEST(ScanField, InelasticLossesShortenTheTail) {
    ScanGas g;
    g.c.w.run.reduced_field = 1e-19;
    const double elastic_only = scan_energy_balance(g.c.t, g.c.w.run);
    add_collision(g.c.t, 1, {.kind = kExcitation, .threshold = 10.0},
                  {{0.0, 0.0}, {10.0, 0.0}, {20.0, 1e-20}, {1e4, 1e-20}});
    const double with_loss = scan_energy_balance(g.c.t, g.c.w.run);
    EXPECT_LT(with_loss, 0.5 * elastic_only);
    EXPECT_GT(with_loss, 10.0);
}

TEST(ScanLimits, NeverBeyondTheCeiling) {
    ScanGas g;
    g.c.w.run.gas_temperature_ev = 1e6;
    EXPECT_EQ(scan_energy_balance(g.c.t, g.c.w.run), 9900.000095367432);
}

TEST(ScanLimits, NoUsableScaleEndsAtTheCurrentEnergy) {
    // No cross section at all: the scale is not a number.
    SolverCase none;
    none.w.run.lambda = kLambda10;
    none.w.run.gas_temperature_ev = 0.03;
    EXPECT_EQ(scan_energy_balance(none.t, none.w.run), 0.009999999776482582);
    // No field and a cold gas: the scale is 0.
    ScanGas cold;
    EXPECT_EQ(scan_energy_balance(cold.c.t, cold.c.w.run), 0.009999999776482582);
    // A precision that is not a number never satisfies the stop test.
    ScanGas lost;
    lost.c.w.run.gas_temperature_ev = 0.5;
    lost.c.w.run.lambda = std::nan("");
    EXPECT_EQ(scan_energy_balance(lost.c.t, lost.c.w.run), 9900.000095367432);
}

TEST(ScanLimits, TablesOfFewerThanTwoPointsAreLeftOut) {
    ScanGas g;
    g.c.w.run.gas_temperature_ev = 0.5;
    const double plain = scan_energy_balance(g.c.t, g.c.w.run);
    const int k = add_collision(g.c.t, 1, {.kind = kExcitation}, {{0.0, 1e-15}});
    EXPECT_EQ(scan_energy_balance(g.c.t, g.c.w.run), plain);
    g.c.t.col.cs_npoints[k] = 0;
    EXPECT_EQ(scan_energy_balance(g.c.t, g.c.w.run), plain);
}

// --- maximum-energy estimate ---

TEST(EstimateEmax, TemperatureFloors) {
    ScanGas g;
    g.c.w.run.gas_temperature_ev = 0.5;
    estimate_emax(g.c.t, g.c.w.run, g.c.w.grid, true);
    EXPECT_DOUBLE_EQ(g.c.w.grid.emax, 0.5 * (1.0 + kLambda10));
    g.c.w.run.excitation_temperature_ev = 0.8;
    estimate_emax(g.c.t, g.c.w.run, g.c.w.grid, true);
    EXPECT_DOUBLE_EQ(g.c.w.grid.emax, 0.8 * (1.0 + kLambda10));
}

TEST(EstimateEmax, ElectronIonReplacement) {
    for (int which = 0; which < 2; ++which) {
        ScanGas g;
        g.c.w.run.reduced_field = 1e-19;
        g.c.w.run.gas_temperature_ev = 0.03;
        if (which == 0) g.c.w.grid.ei_field_threshold = 2e-19;
        else g.c.w.run.ei_tail_parameter = 30.0;
        const double tail = g.c.w.run.ei_tail_parameter;
        estimate_emax(g.c.t, g.c.w.run, g.c.w.grid, true);
        EXPECT_DOUBLE_EQ(g.c.w.grid.emax, std::max(kLambda10, tail) * (1.5 * 0.03)) << which;
        estimate_emax(g.c.t, g.c.w.run, g.c.w.grid, false);
        EXPECT_GT(g.c.w.grid.emax, 10.0) << which;  // the field estimate
    }
}

TEST(EstimateEmax, ReestimateRules) {
    ScanGas g;
    g.c.w.run.reduced_field = 1e-19;
    g.c.w.run.gas_temperature_ev = 0.03;
    g.c.w.grid.ei_field_threshold = 2e-19;
    g.c.w.grid.grid_type = kGridGivenThenEstimated;
    reestimate_with_replacement(g.c.t, g.c.w.run, g.c.w.grid);
    EXPECT_EQ(g.c.w.grid.grid_type, kGridEstimated);
    EXPECT_DOUBLE_EQ(g.c.w.grid.emax, kLambda10 * (1.5 * 0.03));

    reestimate_without_replacement(g.c.t, g.c.w.run, g.c.w.grid);
    EXPECT_EQ(g.c.w.grid.ei_field_threshold, 0.0);
    EXPECT_EQ(g.c.w.grid.grid_type, kGridEstimated);
    EXPECT_DOUBLE_EQ(g.c.w.grid.emax, scan_energy_balance(g.c.t, g.c.w.run));
}

TEST(FirstEmax, EstimatedGridEstimatesOthersKeepTheCondition) {
    for (int type : {kGridEstimated, kGridLinear, kGridQuadratic, kGridGivenThenEstimated}) {
        SolverCase c;
        set_ordinary_conditions(c);
        c.cond(kCondGridType) = type;
        c.cond(kCondMaxEnergy) = 50.0;
        add_elastic(c.t, add_species(c.t));
        ASSERT_TRUE(setup_run(c.t, c.w, kRun));
        first_emax(c.t, c.w.run, c.w.grid);
        if (type == kGridEstimated) {
            EXPECT_EQ(c.w.grid.emax, scan_energy_balance(c.t, c.w.run));
        } else {
            EXPECT_EQ(c.w.grid.emax, 50.0) << type;
        }
    }
}

TEST(FirstEmax, MaxwellianRunsNeverScan) {
    SolverCase c;
    set_ordinary_conditions(c);
    c.cond(kCondGridType) = kGridEstimated;
    c.cond(kCondMaxwellEnergy) = 3.0;
    add_elastic(c.t, add_species(c.t));
    ASSERT_TRUE(setup_run(c.t, c.w, kRun));
    first_emax(c.t, c.w.run, c.w.grid);
    EXPECT_EQ(c.w.grid.emax, (1.0 + kLambda10) * 3.0 / 1.5);
    build_grid(c.w.n, c.w.grid);
    const double x = static_cast<double>(1.0f / 100.0f);
    EXPECT_DOUBLE_EQ(c.w.grid.EPS[2], x * (c.w.grid.emax * x));  // quadratic
}

// --- maximum-energy update rules ---

SolverCase grid_case(int n, double emax) {
    SolverCase c;
    c.w.n = n;
    c.w.grid.grid_type = kGridLinear;
    c.w.grid.emax = emax;
    c.w.dist.slope_mode = kSlopeExponential;
    build_grid(c.w.n, c.w.grid);
    return c;
}

TEST(TailRule, TakesTheCentreBeforeTheTailPoint) {
    SolverCase c = grid_case(100, 100.0);
    const double centre = c.w.grid.EPSC[50];
    apply_tail_rule(c.w.n, 51, c.w.grid, c.w.dist);
    EXPECT_DOUBLE_EQ(c.w.grid.emax, 1.2000000476837158 * centre);
    EXPECT_NEAR(c.w.grid.emax, 1.2 * 49.5, 1e-5);
    EXPECT_EQ(c.w.dist.slope_mode, kSlopeExponential);
}

TEST(TailRule, NeverAboveTenThousand) {
    SolverCase c = grid_case(10, 9000.0);
    c.w.grid.EPSC[4] = 8500.0;
    apply_tail_rule(c.w.n, 5, c.w.grid, c.w.dist);
    EXPECT_DOUBLE_EQ(c.w.grid.emax, 10000.0);
    // Below the cap the rule keeps 1.2 times the centre.
    SolverCase d = grid_case(10, 9000.0);
    d.w.grid.EPSC[4] = 8000.0;
    apply_tail_rule(d.w.n, 5, d.w.grid, d.w.dist);
    EXPECT_DOUBLE_EQ(d.w.grid.emax, 1.2000000476837158 * 8000.0);
}

TEST(TailRule, TailInTheFirstCellShrinksOrGrowsInstead) {
    for (int m : {1, 0, -3}) {
        SolverCase c = grid_case(10, 40.0);
        apply_tail_rule(c.w.n, m, c.w.grid, c.w.dist);
        EXPECT_EQ(c.w.grid.emax, 30.0) << m;
        EXPECT_EQ(c.w.dist.slope_mode, kSlopeLinear);
    }
    SolverCase one = grid_case(1, 40.0);
    apply_tail_rule(one.w.n, 1, one.w.grid, one.w.dist);
    EXPECT_DOUBLE_EQ(one.w.grid.emax, 40.0 * 1.2000000476837158);
}

TEST(ShrinkOrGrow, ShrinksBeforeTheLastCellGrowsAtIt) {
    struct Case {
        int m;
        double emax, want;
    };
    for (const Case& k : {Case{5, 40.0, 30.0}, Case{9, 40.0, 30.0}, Case{10, 40.0, 40.0 * 1.2000000476837158},
                          Case{10, 9000.0, 10000.0}}) {
        SolverCase c = grid_case(10, k.emax);
        apply_shrink_or_grow(c.w.n, k.m, c.w.grid, c.w.dist);
        EXPECT_DOUBLE_EQ(c.w.grid.emax, k.want) << k.m;
        EXPECT_EQ(c.w.dist.slope_mode, kSlopeLinear);
    }
}

}  // namespace
}  // namespace kestor
