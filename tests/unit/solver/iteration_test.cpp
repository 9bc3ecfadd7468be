// Iteration control: the new-distribution steps, the decisions of every
// iteration, grid trials and the run statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "solver_case.h"
#include "solver/iteration.h"
#include "solver/solvebol.h"
#include "tests/support/full_precision.h"

namespace kestor {
namespace {

using test::SolverCase;

constexpr double kMassRatio = 1e-4;
constexpr double kRateK = 1e-13;

// ---------------------------------------------------------------- new distribution

// Cells of unit weight H, so that the normalisation divides by sum F.
void unit_cells(SolverWork& w, const std::vector<double>& f, double precision) {
    test::uniform_grid(w, static_cast<int>(f.size()), static_cast<double>(f.size()));
    w.run.precision = precision;
    for (int j = 1; j <= w.n; ++j) {
        w.dist.F[j] = f[j - 1];
        w.dist.H[j] = 1.0;
    }
}

TEST(NewDistribution, FloorsAndNormalises) {
    SolverCase m;
    SolverWork& w = m.w;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    unit_cells(w, {3.0, nan, -2.0, 0.0, 1.0}, 1e-3);
    new_distribution(w.run, w.n, w.dist, w.iter);
    const double sum = 4.0 + 3.0 * kTiny;
    EXPECT_DOUBLE_EQ(w.dist.F[1], 3.0 / sum);
    for (int j : {2, 3, 4}) EXPECT_EQ(w.dist.F[j], kTiny / sum) << j;
    EXPECT_DOUBLE_EQ(w.dist.F[5], 1.0 / sum);
    EXPECT_EQ(w.iter.eedf_peak, w.dist.F[1]);
    EXPECT_EQ(w.iter.tail_level, 1e-3 * w.dist.F[1]);
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(w.dist.FOLD[j], w.dist.F[j]);
}

struct TailCase {
    std::string what;
    std::vector<double> f;
    int tail_point;
};

TEST(NewDistribution, TailPointIsAboveTheLastCellOverThePrecisionLevel) {
    const std::vector<TailCase> cases = {
        {"tail inside the grid", {1.0, 0.5, 0.1, 1e-4, 1e-6, 1e-7}, 5},
        {"tail in the last cell", {1.0, 0.5, 0.1, 1e-2, 1e-3, 1e-9}, 6},
        {"last cell not looked at", {1.0, 0.5, 0.1, 1e-2, 1e-3, 5.0}, 6},
        {"only the last cell above the level", {1e-9, 1e-9, 1.0}, 1},
        {"one cell", {2.0}, 1},
    };
    for (const TailCase& c : cases) {
        SolverCase m;
        SolverWork& w = m.w;
        unit_cells(w, c.f, 1e-5);
        new_distribution(w.run, w.n, w.dist, w.iter);
        EXPECT_EQ(w.iter.tail_point, c.tail_point) << c.what;
    }
}

TEST(NewDistribution, ChangeCountsOnlyCellsAboveThePrecisionLevel) {
    SolverCase m;
    SolverWork& w = m.w;
    unit_cells(w, {0.5, 0.3, 0.2, 1e-12}, 1e-6);
    new_distribution(w.run, w.n, w.dist, w.iter);
    EXPECT_EQ(w.iter.change, 1.0);  // compared with FOLD = 0
    const std::vector<double> old(w.dist.F + 1, w.dist.F + 5);

    // Cell 2 changes by 10 %, the tail cell by a factor 1000.
    w.dist.F[1] = old[0];
    w.dist.F[2] = old[1] * 1.1;
    w.dist.F[3] = old[2];
    w.dist.F[4] = old[3] * 1000.0;
    w.iter.change = 0.25;
    new_distribution(w.run, w.n, w.dist, w.iter);
    EXPECT_EQ(w.iter.previous_change, 0.25);
    double expected = 0.0;
    for (int j = 1; j <= 3; ++j) {
        expected = std::max(expected, std::fabs(w.dist.F[j] - old[j - 1]) / (w.dist.F[j] + old[j - 1]));
    }
    EXPECT_DOUBLE_EQ(w.iter.change, expected);

    // The same distribution again: no change beyond the rounding of the
    // renormalisation.
    new_distribution(w.run, w.n, w.dist, w.iter);
    EXPECT_LT(w.iter.change, 1e-15);
}

// ---------------------------------------------------------------- whole runs

// The constant-frequency gas (Maxwellian at 1.47 eV at 5 Td) on a linear grid.
void constant_frequency_run(SolverCase& m, double en_td, int n, double emax) {
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(kRateK));
    test::set_conditions(m, en_td, n);
    m.cond(kCondGridType) = kGridLinear;
    m.cond(kCondMaxEnergy) = emax;
}

struct LimitCase {
    int max_iterations;
    int total_iterations;
    int grid_trials;
    double emax;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << "limit " << c.max_iterations << ": " << c.total_iterations << " iterations, " << c.grid_trials
        << " grids, emax " << c.emax;
}

class IterationLimit : public ::testing::TestWithParam<LimitCase> {};

// A run that never converges (convergence limit 0) on a grid far too long:
// each trial shrinks the grid after half the limit, and the limit ends the
// run, also where half the limit is below 2 and every trial ends at once.
TEST_P(IterationLimit, EndsTheRunAsFailed) {
    const LimitCase& c = GetParam();
    SolverCase m;
    constant_frequency_run(m, 5.0, 200, 100.0);
    m.cond(kCondConvergence) = 0.0;
    m.cond(kCondMaxIterations) = c.max_iterations;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusFailed);
    EXPECT_EQ(m.result(kResIterations), c.total_iterations);
    EXPECT_EQ(m.result(kResGridTrials), c.grid_trials);
    EXPECT_DOUBLE_EQ(m.result(kResMaxEnergy), c.emax);
    // The results of the last distribution are stored all the same.
    EXPECT_NEAR(m.result(kResMeanEnergy), 2.199, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, IterationLimit,
    ::testing::Values(LimitCase{10, 11, 3, 56.25},       // trials of 5; the third ends at once
                      LimitCase{7, 8, 3, 56.25},         // half = 3
                      LimitCase{4, 5, 3, 56.25},         // half = 2
                      // half = 1: one iteration per trial; a new trial is still
                      // allowed one iteration past the limit
                      LimitCase{3, 5, 5, 31.640625},
                      LimitCase{2, 4, 4, 42.1875},
                      LimitCase{1, 3, 3, 56.25},         // half = 0
                      LimitCase{0, 2, 2, 75.0},
                      LimitCase{-5, 1, 1, 100.0}),
    [](const ::testing::TestParamInfo<LimitCase>& i) {
        const int v = i.param.max_iterations;
        return (v < 0 ? "minus" + std::to_string(-v) : std::to_string(v)) + "_iterations";
    });

TEST(GridTrials, AGridTooLongIsCutToTheTail) {
    SolverCase m;
    constant_frequency_run(m, 5.0, 200, 200.0);
    solvebol(m.t, m.w, test::kRun);
    const SolverWork& w = m.w;
    EXPECT_EQ(m.result(kResStatus), kStatusSuccess);
    EXPECT_EQ(m.result(kResGridTrials), 2.0);
    EXPECT_LT(m.result(kResMaxEnergy), 200.0);
    // The accepted grid: the tail begins above 0.7 emax.
    EXPECT_GT(w.grid.EPSC[w.iter.tail_point], 0.699999988079071 * w.grid.emax);
    EXPECT_LT(w.dist.F[w.iter.tail_point], w.iter.tail_level);
    EXPECT_NEAR(m.result(kResMeanEnergy), 2.199, 0.005 * 2.199);
}

struct NoGrowthCase {
    std::string what;
    double en_td, emax;
};

// The grid has to change but emax is already at the top energy.
TEST(GridTrials, FailsWhenTheGridCannotGrow) {
    const std::vector<NoGrowthCase> cases = {
        {"tail beyond 10000 eV", 500.0, 100.0},
        {"tail far below a grid at the top", 5.0, 10000.0},
    };
    for (const NoGrowthCase& c : cases) {
        SolverCase m;
        constant_frequency_run(m, c.en_td, 200, c.emax);
        m.cond(kCondMaxIterations) = 1000.0;
        solvebol(m.t, m.w, test::kRun);
        EXPECT_EQ(m.result(kResStatus), kStatusFailed) << c.what;
        EXPECT_NEAR(m.result(kResMaxEnergy), 10000.0, 1e-6) << c.what;
        EXPECT_LT(m.result(kResIterations), 1000.0) << c.what;
    }
}

// A run whose e-e start finds the grid far too short: every start diverges
// and makes emax 1.5 times larger, each on a new trial of one iteration,
// until the balance temperature fits; the limit 0 then ends the run.
TEST(ElectronElectronStart, DivergingStartGrowsTheGrid) {
    SolverCase m;
    constant_frequency_run(m, 5.0, 100, 0.5);
    m.cond(kCondIonDegree) = 1e-6;
    m.cond(kCondMaxIterations) = 0.0;
    solvebol(m.t, m.w, test::kRun);
    const double trials = m.result(kResGridTrials);
    EXPECT_GT(trials, 1.0);
    EXPECT_EQ(m.result(kResIterations), trials);
    EXPECT_DOUBLE_EQ(m.result(kResMaxEnergy), 0.5 * std::pow(1.5, trials - 1.0));
    EXPECT_EQ(m.result(kResStatus), kStatusFailed);
}

// ---------------------------------------------------------------- statuses

TEST(RunStatus, NoFieldInAColdGasFailsAtOnce) {
    SolverCase m;
    constant_frequency_run(m, 0.0, 200, 40.0);
    for (int j = 1; j < kResStatus; ++j) m.t.run.run_results[test::kRun][j] = -1.0;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusFailed);
    for (int j = 1; j < kResStatus; ++j) EXPECT_EQ(m.result(j), -1.0) << "result " << j;
}

TEST(RunStatus, NoFieldInAWarmGasIsSolved) {
    SolverCase m;
    constant_frequency_run(m, 0.0, 200, 1.0);
    m.cond(kCondGasTemp) = 1000.0;
    m.cond(kCondGridType) = kGridEstimated;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusSuccess);
    const double kt = 1000.0 * 1.3807e-23 / 1.6022e-19;
    EXPECT_NEAR(m.result(kResMeanEnergy), 1.5 * kt, 0.005 * 1.5 * kt);
}

// Without a field the distribution is the Maxwellian at the gas
// temperature, which is also where each trial starts: the first iteration
// changes it by almost nothing and the second converges. The grid is the
// only thing left to find.
struct NoFieldCase {
    std::string what;
    double tg_kelvin;
    int grid_type;
    double start_emax;
    int iterations;
    int grid_trials;
    double emax;  // the final grid's top, at full precision
};

void PrintTo(const NoFieldCase& c, std::ostream* os) { *os << c.what; }

class NoFieldInAWarmGas : public ::testing::TestWithParam<NoFieldCase> {};

TEST_P(NoFieldInAWarmGas, ConvergesAsSoonAsItsGridFits) {
    const NoFieldCase& c = GetParam();
    SolverCase m;
    constant_frequency_run(m, 0.0, 200, c.start_emax);
    m.cond(kCondGasTemp) = c.tg_kelvin;
    m.cond(kCondGridType) = c.grid_type;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusSuccess) << c.what;
    EXPECT_EQ(m.result(kResIterations), c.iterations) << c.what;
    EXPECT_EQ(m.result(kResGridTrials), c.grid_trials) << c.what;
    test::expect_full_precision(m.result(kResMaxEnergy), c.emax, c.what);
}

// The estimated grid reaches the gas temperature times 1 - ln(precision)
// and fits at once; a given grid is first cut to the tail (too long) or
// widened by about a factor 1.2 per trial (too short).
INSTANTIATE_TEST_SUITE_P(
    Grids, NoFieldInAWarmGas,
    ::testing::Values(NoFieldCase{"1000 K, estimated grid", 1000.0, kGridEstimated, 1.0, 2, 1, 2.0704339576993176},
                      NoFieldCase{"300 K, estimated grid", 300.0, kGridEstimated, 1.0, 2, 1, 0.6211301873097953},
                      NoFieldCase{"300 K, linear grid too long", 300.0, kGridLinear, 1.0, 6, 2, 0.71700005996227389},
                      NoFieldCase{"300 K, linear grid too short", 300.0, kGridLinear, 0.2, 26, 8, 0.67984900888801814},
                      NoFieldCase{"300 K, given grid far too long", 300.0, kGridGivenThenEstimated, 100.0, 7, 2,
                                  0.70575003823638016}),
    [](const ::testing::TestParamInfo<NoFieldCase>& i) { return "case" + std::to_string(i.index); });

TEST(RunStatus, MissingElasticCollisions) {
    SolverCase m;
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kExcitation, .threshold = 5.0}, test::constant_value(1e-20), 5.0);
    test::set_conditions(m, 10.0, 200);
    m.t.run.run_results[test::kRun][kResMeanEnergy] = 42.0;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusMissingElastic);
    EXPECT_EQ(m.result(kResMeanEnergy), 42.0);
}

struct UnchangedCase {
    std::string what;
    int n;
    int grid_type;
};

// With e-e collisions (and no Coulomb logarithm, so the operator does not
// follow F) a grid of one or two cells gives the same distribution in the
// second solve: the run fails with kStatusFailedUnchanged. Grid type
// kGridGivenThenEstimated first re-estimates emax on a new trial.
TEST(RunStatus, UnchangedDistributionWithElectronElectronCollisions) {
    const std::vector<UnchangedCase> cases = {
        {"one cell", 1, kGridLinear},
        {"two cells", 2, kGridLinear},
        {"two cells, given then estimated grid", 2, kGridGivenThenEstimated},
    };
    for (const UnchangedCase& c : cases) {
        SolverCase m;
        constant_frequency_run(m, 5.0, c.n, 30.0);
        m.cond(kCondGridType) = c.grid_type;
        m.cond(kCondIonDegree) = 1e-4;
        solvebol(m.t, m.w, test::kRun);
        EXPECT_EQ(m.result(kResStatus), kStatusFailedUnchanged) << c.what;
        if (c.grid_type == kGridGivenThenEstimated) {
            EXPECT_GE(m.result(kResGridTrials), 2.0) << c.what;
        } else {
            EXPECT_EQ(m.result(kResGridTrials), 1.0) << c.what;
        }
        // One cell has no slope: no mobility, no field power (the momentum
        // frequency and the Townsend coefficient divide by them); the other
        // sums exist.
        for (int j : {kResMeanEnergy, kResDiffusion, kResPower, kResMaxEnergy}) {
            EXPECT_TRUE(std::isfinite(m.result(j))) << c.what << " " << j;
        }
    }
}

TEST(RunStatus, WithoutElectronElectronCollisionsASmallGridStillEnds) {
    for (int n : {1, 2, 3}) {
        SolverCase m;
        constant_frequency_run(m, 5.0, n, 30.0);
        solvebol(m.t, m.w, test::kRun);
        EXPECT_EQ(m.result(kResStatus), kStatusFailed) << n;
        EXPECT_LE(m.result(kResIterations), 202.0) << n;  // at most two iterations past the limit
        EXPECT_TRUE(std::isfinite(m.result(kResMeanEnergy))) << n;
    }
}

TEST(RunStatus, MaxwellianModeStopsInTheFirstIteration) {
    SolverCase m;
    constant_frequency_run(m, 0.0, 200, 40.0);
    m.cond(kCondGasTemp) = 300.0;
    m.cond(kCondMaxwellEnergy) = 1.2;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusSuccess);
    EXPECT_EQ(m.result(kResIterations), 1.0);
    EXPECT_EQ(m.result(kResGridTrials), 1.0);
    EXPECT_NEAR(m.result(kResMaxEnergy), 1.2 * (1.0 - std::log(1e-10)) / 1.5, 1e-9);
}

}  // namespace
}  // namespace kestor
