// Run series: positions, spacing rules, run order, the grid hand-over and
// the target-mean-energy series, with a model of the solver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "driver/commands.h"
#include "driver/series.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::CR;
using test::DriverTest;
using test::fraction_entry;

TEST(SeriesPosition, IsDividedInSinglePrecision) {
    EXPECT_EQ(series_position(2, 10), static_cast<double>(1.0f / 9.0f));
    EXPECT_NE(series_position(2, 10), 1.0 / 9.0);
    EXPECT_EQ(series_position(1, 10), 0.0);
    EXPECT_EQ(series_position(10, 10), 1.0);
    EXPECT_EQ(series_position(1, 1), 0.0);   // one run: the first value
    EXPECT_EQ(series_position(3, 0), 2.0);   // max(n - 1, 1) guards the division
    EXPECT_EQ(series_position(2, 3), 0.5);
}

struct SpacingCase {
    int spacing;
    double x1, x2, x, expected;
};

const SpacingCase kSpacingCases[] = {
    {kSpacingLinear, 10.0, 100.0, 0.0, 10.0},
    {kSpacingLinear, 10.0, 100.0, 0.5, 55.0},
    {kSpacingLinear, 10.0, 100.0, 1.0, 100.0},
    {kSpacingQuadratic, 10.0, 100.0, 0.5, 32.5},  // (1 - 1/4) 10 + 100/4
    {kSpacingQuadratic, 10.0, 100.0, 1.0, 100.0},
    {kSpacingExponential, 10.0, 1000.0, 0.5, 100.0},  // geometric middle
    {kSpacingExponential, 1e-6, 1.0, 0.5, 1e-3},
};

TEST(SeriesSpacing, ValueByRule) {
    for (const SpacingCase& c : kSpacingCases) {
        double v = -1.0;
        EXPECT_TRUE(spacing_value(c.spacing, c.x1, c.x2, c.x, v));
        EXPECT_NEAR(v, c.expected, 1e-12 * c.expected) << c.spacing << " at " << c.x;
    }
}

TEST(SeriesSpacing, OtherCodesLeaveTheValue) {
    for (int code : {0, 4, -1}) {
        double v = 7.5;
        EXPECT_FALSE(spacing_value(code, 1.0, 2.0, 0.5, v));
        EXPECT_EQ(v, 7.5);
    }
}

TEST(SeriesSpacing, ExponentialFloor) {
    EXPECT_EQ(exponential_end(0.0), 1e-6);
    EXPECT_EQ(exponential_end(-3.0), 1e-6);
    EXPECT_EQ(exponential_end(2.0), 2.0);
}

TEST(SeriesStep, RelativeStepByRule) {
    double s = 0.0;
    ASSERT_TRUE(relative_step(kSpacingLinear, 1.0, 10.0, 0.5, 5.5, 10, s));
    EXPECT_DOUBLE_EQ(s, 9.0 / 5.5 / 9.0);
    ASSERT_TRUE(relative_step(kSpacingQuadratic, 1.0, 10.0, 0.5, 3.25, 10, s));
    EXPECT_DOUBLE_EQ(s, 9.0 * 1.0 / 3.25 / 9.0);
    // Exponential: the constant ratio of neighbours, ln(x2/x1) per interval.
    ASSERT_TRUE(relative_step(kSpacingExponential, 1.0, 1000.0, 0.5, 31.6, 4, s));
    EXPECT_DOUBLE_EQ(s, std::log(1000.0) / 3.0);
    s = 0.25;
    EXPECT_FALSE(relative_step(5, 1.0, 1000.0, 0.5, 31.6, 4, s));
    EXPECT_EQ(s, 0.25);
}

class Series : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        set_species({"A"});
        in.C[kCondGridType] = kGridLinear;
        in.C[kCondMaxEnergy] = 50.0;
        in.C[kCondConvergence] = 1e-3;
    }
    // Runs one series command whose line is `keyword` and whose four
    // parameter lines follow.
    CommandResult series(const std::string& keyword, std::vector<std::string> lines) {
        in.S.assign(keyword);
        script(std::move(lines));
        return cmd_runseries(p);
    }
    double field(int r) const { return t.run.run_conditions[r][kCondEN]; }
};

TEST_F(Series, ForwardAndBackwardFillTheSameRows) {
    ASSERT_EQ(series("RUNSERIES", {"1", "10 100", "10", "3"}), CommandResult::kNext);
    std::vector<double> forward;
    for (int r = 1; r <= 10; ++r) forward.push_back(field(r));
    EXPECT_EQ(model().runs, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    for (int r = 1; r <= 10; ++r)
        EXPECT_NEAR(forward[r - 1], 10.0 * std::pow(10.0, (r - 1) / 9.0), 1e-6 * forward[r - 1]) << r;
    EXPECT_EQ(t.num.run_count, 10);
    EXPECT_EQ(in.C[kCondEN], forward.back());

    t.num.run_count = 0;
    model().runs.clear();
    ASSERT_EQ(series("RUNSERIES RUNBACK", {"1", "10 100", "10", "3"}), CommandResult::kNext);
    EXPECT_EQ(model().runs, (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    for (int r = 1; r <= 10; ++r) EXPECT_EQ(field(r), forward[r - 1]) << r;
    EXPECT_EQ(in.C[kCondEN], forward.front());
    const std::vector<std::string> log = log_lines();
    EXPECT_EQ(log[0], CR + "RUNSERIES");
    EXPECT_EQ(log[11], CR + "RUNBACK");
    EXPECT_EQ(log[12].substr(0, 13), "R10   100. Td");  // computed first
}

TEST_F(Series, AppendsAfterTheRunsHeld) {
    t.num.run_count = 4;
    series("RUNSERIES", {"1", "10 30", "3", "1"});
    EXPECT_EQ(model().runs, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(field(6), 20.0);
    EXPECT_EQ(t.num.run_count, 7);
}

TEST_F(Series, TooManyRunsShortensTheSeries) {
    t.num.run_count = 1000;
    series("RUNSERIES", {"1", "10 100", "10", "1"});
    EXPECT_EQ(model().runs, (std::vector<int>{1001, 1002, 1003}));
    EXPECT_EQ(field(1001), 10.0);
    EXPECT_EQ(field(1002), 55.0);
    EXPECT_EQ(field(1003), 100.0);
    EXPECT_EQ(t.num.run_count, 1003);
    const std::vector<std::string> log = log_lines();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[1], "Too many runs");
    EXPECT_EQ(log[4].substr(0, 20), "Error: Too many runs");

    model().runs.clear();
    series("RUNSERIES", {"1", "10 100", "10", "1"});
    EXPECT_TRUE(model().runs.empty());
    EXPECT_EQ(t.num.run_count, 1003);
}

TEST_F(Series, CountOfZeroOrLessMakesNoRun) {
    t.num.run_count = 5;
    for (const char* n : {"0", "-3", "-2147483648"}) {
        series("RUNSERIES", {"1", "10 100", n, "1"});
        EXPECT_TRUE(model().runs.empty()) << n;
        EXPECT_EQ(t.num.run_count, 5) << n;
    }
}

TEST_F(Series, HugeCountIsShortenedWithoutOverflow) {
    t.num.run_count = 1001;
    series("RUNSERIES", {"1", "10 100", "2147483647", "1"});
    EXPECT_EQ(model().runs, (std::vector<int>{1002, 1003}));
    EXPECT_EQ(t.num.run_count, 1003);
}

TEST_F(Series, OneRunTakesTheFirstValue) {
    series("RUNSERIES", {"1", "10 100", "1", "2"});
    EXPECT_EQ(field(1), 10.0);
}

TEST_F(Series, ExponentialFromZeroStartsAtTheFloor) {
    series("RUNSERIES", {"1", "0 1", "3", "3"});
    EXPECT_NEAR(field(1), 1e-6, 1e-18);
    EXPECT_NEAR(field(2), 1e-3, 1e-15);
    EXPECT_NEAR(field(3), 1.0, 1e-12);
}

TEST_F(Series, GridHandOverAfterSuccessfulRunsOnly) {
    model().failing_runs = {5};
    series("RUNSERIES", {"1", "10 100", "10", "1"});
    const auto& types = model().grid_types;
    const auto& emax = model().max_energies;
    ASSERT_EQ(types.size(), 10u);
    EXPECT_EQ(types[0], kGridLinear);  // the first run takes the conditions
    EXPECT_EQ(emax[0], 50.0);
    for (int r : {2, 3, 4, 5, 7, 8}) {
        EXPECT_EQ(types[r - 1], kGridGivenThenEstimated) << r;
        EXPECT_DOUBLE_EQ(emax[r - 1], 10.0 * 0.1 * field(r - 1)) << r;  // maximum energy result of run r-1
    }
    EXPECT_EQ(types[5], kGridLinear);  // run 6 follows the failed run 5
    EXPECT_EQ(emax[5], 50.0);
    EXPECT_EQ(in.C[kCondGridType], kGridLinear);
    EXPECT_EQ(in.C[kCondMaxEnergy], 50.0);
}

TEST_F(Series, BackwardHandOverComesFromTheRowAbove) {
    series("RUNBACK", {"1", "10 40", "4", "1"});
    const auto& emax = model().max_energies;  // calls for rows 4, 3, 2, 1
    EXPECT_EQ(model().grid_types[0], kGridLinear);
    EXPECT_DOUBLE_EQ(emax[1], 10.0 * 0.1 * 40.0);
    EXPECT_NEAR(emax[3], 10.0 * 0.1 * 20.0, 1e-5);
}

TEST_F(Series, FirstVarEntryWinsOverTheCode) {
    set_var_list({kCondGasTemp, fraction_entry(2)});
    in.C[kCondEN] = 25.0;
    series("RUNSERIES", {"1", "300 600", "4", "1"});
    EXPECT_EQ(in.C[kCondGasTemp], 600.0);
    EXPECT_NEAR(t.run.run_conditions[2][kCondGasTemp], 400.0, 1e-4);
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(field(r), 25.0);
    for (double type : model().grid_types) EXPECT_EQ(type, kGridLinear);  // no hand-over

    series("RUNBACK", {"1", "300 600", "4", "1"});
    EXPECT_EQ(in.C[kCondGasTemp], 300.0);
}

TEST_F(Series, MaxwellianSeriesVariesTheMaxwellianMeanEnergy) {
    series("RUNSERIES", {"3", "1 3", "3", "1"});
    EXPECT_EQ(t.run.run_conditions[2][kCondMaxwellEnergy], 2.0);
    EXPECT_EQ(in.C[kCondMaxwellEnergy], 3.0);
}

TEST_F(Series, UnknownSpacingKeepsTheHeldValue) {
    in.C[kCondEN] = 42.0;
    series("RUNSERIES", {"1", "10 100", "2", "7"});  // before any v: the current E/N
    EXPECT_EQ(field(1), 42.0);
    EXPECT_EQ(field(2), 42.0);
    series("RUNSERIES", {"1", "10 100", "2", "1"});  // v = 100 at its last run
    series("RUNSERIES", {"1", "1 2", "2", "0"});
    EXPECT_EQ(field(5), 100.0);
    EXPECT_EQ(field(6), 100.0);
}

TEST_F(Series, UnknownSpacingBeforeAnyValueGivesNoTarget) {
    // No target exists yet: each run is solved once at the current E/N and
    // marked as having missed its target.
    in.C[kCondEN] = 12.0;
    series("RUNSERIES", {"2", "1 5", "2", "9"});
    EXPECT_EQ(model().fields, (std::vector<double>{12.0, 12.0}));
    EXPECT_EQ(t.run.run_results[1][kResStatus], kStatusIncorrectMeanEnergy);
    EXPECT_EQ(t.run.run_results[2][kResStatus], kStatusIncorrectMeanEnergy);
    EXPECT_EQ(in.series_step, 0.0);
}

TEST_F(Series, UnreadableParameterLineAborts) {
    const std::vector<std::vector<std::string>> bad = {
        {"x", "10 100", "3", "1"}, {"1", "10 abc", "3", "1"}, {"1", "10 100", "3.5", "1"}, {"1", "10 100"}};
    for (const auto& lines : bad) {
        in.script_line_count = 0;
        EXPECT_EQ(series("RUNSERIES", lines), CommandResult::kAbort);
        EXPECT_TRUE(model().runs.empty());
        EXPECT_EQ(t.num.run_count, 0);
    }
}

TEST_F(Series, TargetMeanEnergiesAreMet) {
    // w = 0.3 sqrt(E); targets 1..5 eV.
    model().scale = 0.3;
    model().power = 0.5;
    in.C[kCondConvergence] = 1e-4;
    ASSERT_EQ(series("RUNSERIES", {"2", "1 5", "5", "1"}), CommandResult::kNext);
    for (int r = 1; r <= 5; ++r) {
        const double target = r;
        EXPECT_LT(std::abs(t.run.run_results[r][kResMeanEnergy] / target - 1.0), 1e-4) << r;
        EXPECT_EQ(t.run.run_results[r][kResStatus], kStatusSuccess) << r;
    }
    // The first run probes; the second starts by proportion from the first.
    EXPECT_EQ(model().fields[0], 1.0);
    EXPECT_EQ(model().fields[1], 1000.0);
    EXPECT_EQ(t.num.run_count, 5);
}

TEST_F(Series, FallingTargetsStartFromTheRunsBefore) {
    // w = 0.3 sqrt(E); targets 6, 5, 4 and 3 eV: a negative step.
    model().scale = 0.3;
    model().power = 0.5;
    in.C[kCondConvergence] = 1e-4;
    in.C[kCondEN] = 17.0;
    ASSERT_EQ(series("RUNSERIES", {"2", "6 3", "4", "1"}), CommandResult::kNext);
    auto mean = [this](int r) { return t.run.run_results[r][kResMeanEnergy]; };
    for (int r = 1; r <= 4; ++r) {
        const double target = 7.0 - r;
        EXPECT_LT(std::abs(mean(r) / target - 1.0), 1e-4) << r;
        EXPECT_EQ(t.run.run_results[r][kResStatus], kStatusSuccess) << r;
    }
    // Rows in order; only the first run probes.
    const std::vector<int>& runs = model().runs;
    const std::vector<double>& fields = model().fields;
    EXPECT_TRUE(std::is_sorted(runs.begin(), runs.end()));
    auto first_solve = [&](int r) { return std::find(runs.begin(), runs.end(), r) - runs.begin(); };
    ASSERT_LT(first_solve(3), static_cast<std::ptrdiff_t>(fields.size()));
    EXPECT_EQ(fields[0], 1.0);
    EXPECT_EQ(fields[1], 1000.0);
    for (std::size_t k = static_cast<std::size_t>(first_solve(2)); k < fields.size(); ++k) {
        EXPECT_NE(fields[k], 1.0) << k;
        EXPECT_NE(fields[k], 1000.0) << k;
    }
    // Run 2 starts from run 1 by proportion, below it; run 3 from the
    // secant through runs 1 and 2 (within the clamps here).
    auto target = [](int r) {
        double v = 0.0;
        spacing_value(kSpacingLinear, 6.0, 3.0, series_position(r, 4), v);
        return v;
    };
    EXPECT_EQ(fields[first_solve(2)], field(1) * target(2) / mean(1));
    EXPECT_LT(fields[first_solve(2)], field(1));
    const double m = target(3);
    const double secant = ((m - mean(1)) * field(2) - (m - mean(2)) * field(1)) / (mean(2) - mean(1));
    EXPECT_GT(secant, 0.5 * field(2));
    EXPECT_EQ(fields[first_solve(3)], secant);
    EXPECT_EQ(in.C[kCondEN], 17.0);  // a target series varies no condition
    EXPECT_DOUBLE_EQ(in.series_step, (3.0 - 6.0) / 3.0 / 3.0);
}

TEST_F(Series, TargetSeriesWhoseEverySolveFails) {
    // A failed neighbour gives no starting point: every run probes 1 and
    // 1000 Td, then halves from 1000 Td toward 1 Td for all 20 steps, and
    // keeps the last E/N with the failed status.
    model().fail_from = 0.0;
    std::vector<double> one_run = {1.0, 1000.0};
    for (int k = 1; k <= kSearchLimit; ++k) one_run.push_back(1.0 + 999.0 / std::ldexp(1.0, k));
    for (const char* keyword : {"RUNSERIES", "RUNBACK"}) {
        t.num.run_count = 0;
        model().runs.clear();
        model().fields.clear();
        ASSERT_EQ(series(keyword, {"2", "6 3", "3", "1"}), CommandResult::kNext) << keyword;
        const bool backward = std::string(keyword) == "RUNBACK";
        std::vector<int> runs;
        std::vector<double> fields;
        for (int i = 1; i <= 3; ++i) {
            runs.insert(runs.end(), one_run.size(), backward ? 4 - i : i);
            fields.insert(fields.end(), one_run.begin(), one_run.end());
        }
        EXPECT_EQ(model().runs, runs) << keyword;
        EXPECT_EQ(model().fields, fields) << keyword;
        for (int r = 1; r <= 3; ++r) {
            EXPECT_EQ(field(r), 1.0 + 999.0 / 1048576.0) << keyword << " " << r;
            EXPECT_EQ(t.run.run_results[r][kResStatus], kStatusFailed) << keyword << " " << r;
        }
        EXPECT_EQ(t.num.run_count, 3) << keyword;
    }
}

TEST_F(Series, TargetSeriesBackwardProbesAtItsLastRow) {
    model().scale = 0.3;
    model().power = 0.5;
    t.num.run_count = 2;
    series("RUNBACK", {"5", "1 4", "4", "3"});
    EXPECT_EQ(model().runs.front(), 6);
    EXPECT_EQ(model().fields[0], 1.0);
    EXPECT_EQ(model().fields[1], 1000.0);
    for (int r = 3; r <= 6; ++r) EXPECT_EQ(t.run.run_results[r][kResStatus], kStatusSuccess) << r;
    EXPECT_NEAR(t.run.run_results[3][kResMeanEnergy], 1.0, 1e-3);
    EXPECT_NEAR(t.run.run_results[6][kResMeanEnergy], 4.0, 4e-3);
    EXPECT_DOUBLE_EQ(in.series_step, std::log(4.0) / 3.0);
}

}  // namespace
}  // namespace kestor
