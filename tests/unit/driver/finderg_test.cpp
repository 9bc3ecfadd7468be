// The E/N search against a model of the solver whose mean energy is a
// known function of E/N.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "driver/commands.h"
#include "driver/finderg.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::DriverTest;

class Finderg : public DriverTest {
protected:
    // A stored neighbour run.
    void neighbour(int q, double field, double mean, double status = kStatusSuccess) {
        t.run.run_conditions[q][kCondEN] = field;
        t.run.run_results[q][kResMeanEnergy] = mean;
        t.run.run_results[q][kResStatus] = status;
    }
    double status(int r) const { return t.run.run_results[r][kResStatus]; }
    double field(int r) const { return t.run.run_conditions[r][kCondEN]; }
    double mean(int r) const { return t.run.run_results[r][kResMeanEnergy]; }
};

TEST_F(Finderg, FirstRunProbesThenSecant) {
    // w = 0.1 E: the secant through the probes is exact.
    finderg(p, 1, 1, 5.0, 1e-6, 20);
    ASSERT_EQ(model().fields.size(), 3u);
    EXPECT_EQ(model().fields[0], 1.0);
    EXPECT_EQ(model().fields[1], 1000.0);
    EXPECT_NEAR(model().fields[2], 50.0, 1e-9);
    EXPECT_NEAR(mean(1), 5.0, 1e-9);
    EXPECT_EQ(status(1), kStatusSuccess);
}

TEST_F(Finderg, SecondRunStartsByProportion) {
    neighbour(4, 20.0, 2.0);
    finderg(p, 5, 4, 3.0, 1e-6, 20);
    ASSERT_GE(model().fields.size(), 1u);
    EXPECT_DOUBLE_EQ(model().fields[0], 20.0 * 3.0 / 2.0);
    EXPECT_NEAR(mean(5), 3.0, 3e-6);
}

TEST_F(Finderg, SecondRunAfterFailedFirstProbes) {
    neighbour(4, 20.0, 2.0, kStatusFailed);
    finderg(p, 5, 4, 3.0, 1e-6, 20);
    ASSERT_GE(model().fields.size(), 2u);
    EXPECT_EQ(model().fields[0], 1.0);
    EXPECT_EQ(model().fields[1], 1000.0);
}

TEST_F(Finderg, LaterRunsStartFromTheTwoBefore) {
    // Upward from rows r-2, r-1; downward (RUNBACK) from rows r+2, r+1.
    struct { int irun, istart, q1, q2; } cases[] = {{7, 5, 5, 6}, {3, 5, 5, 4}};
    for (const auto& c : cases) {
        model().fields.clear();
        neighbour(c.q1, 10.0, 1.0);
        neighbour(c.q2, 20.0, 2.0);
        finderg(p, c.irun, c.istart, 4.0, 1e-6, 20);
        ASSERT_EQ(model().fields.size(), 1u) << c.irun;
        EXPECT_NEAR(model().fields[0], 40.0, 1e-9) << c.irun;  // secant of the neighbours, no probe
    }
}

TEST_F(Finderg, FailedNeighbourIsProbed) {
    neighbour(5, 10.0, 1.0, kStatusFailedUnchanged);  // failed: no value
    neighbour(6, 20.0, 2.0);
    finderg(p, 7, 5, 4.0, 1e-6, 20);
    ASSERT_GE(model().fields.size(), 1u);
    EXPECT_EQ(model().fields[0], 1.0);
}

TEST_F(Finderg, SecantIsClampedToHalfTheLowerField) {
    // w = 1 + 0.001 E never reaches 0.5 eV: each step at most halves E/N,
    // and after the limit the successful last solve is marked as missing its target.
    model().offset = 1.0;
    model().scale = 0.001;
    finderg(p, 1, 1, 0.5, 1e-4, 20);
    ASSERT_EQ(model().fields.size(), 22u);
    double lowest = 1.0;
    for (std::size_t k = 2; k < model().fields.size(); ++k) {
        EXPECT_GE(model().fields[k], 0.5 * lowest * (1 - 1e-12)) << k;
        lowest = std::min(lowest, model().fields[k]);
    }
    EXPECT_EQ(status(1), kStatusIncorrectMeanEnergy);
    EXPECT_EQ(field(1), model().fields.back());  // the run holds its last solve
    setrname(t, 1);
    EXPECT_NE(t.run.run_name[1].full().find("Incorrect mean energy"), std::string::npos);
}

TEST_F(Finderg, SecantIsClampedToTwiceTheHigherField) {
    // Equal mean energies: an infinite quotient ends at the upper bound,
    // one that is not a number at the lower.
    model().scale = 2.0;
    model().power = 0.0;
    finderg(p, 1, 1, 3.0, 1e-4, 1);
    ASSERT_EQ(model().fields.size(), 3u);
    EXPECT_EQ(model().fields[2], 2000.0);

    model().fields.clear();
    finderg(p, 1, 1, 2.0, 1e-4, 1);
    ASSERT_EQ(model().fields.size(), 3u);
    EXPECT_EQ(model().fields[2], 0.5);
    EXPECT_EQ(status(1), kStatusSuccess);  // met at once
}

TEST_F(Finderg, FailedLastSolveKeepsItsStatus) {
    // The 1000 Td probe fails, so the step bisects to 500.5 Td, which fails too.
    model().fail_from = 500.0;
    finderg(p, 1, 1, 5.0, 1e-4, 1);
    ASSERT_EQ(model().fields.size(), 3u);
    EXPECT_EQ(model().fields[2], 500.5);
    EXPECT_EQ(status(1), kStatusFailed);
    setrname(t, 1);
    EXPECT_NE(t.run.run_name[1].full().find("Failed"), std::string::npos);
}

TEST_F(Finderg, BisectsWhileOnePointHasNoValue) {
    model().fail_from = 400.0;
    finderg(p, 1, 1, 30.0, 1e-6, 20);
    ASSERT_GE(model().fields.size(), 4u);
    EXPECT_EQ(model().fields[2], 500.5);             // (1 + 1000) / 2
    EXPECT_EQ(model().fields[3], (1.0 + 500.5) / 2);  // the failed 500.5 replaced the failed 1000
    EXPECT_NEAR(mean(1), 30.0, 30.0 * 1e-6);
    EXPECT_EQ(status(1), kStatusSuccess);
}

TEST_F(Finderg, ConvergesOnACurvedModel) {
    // w = 0.3 sqrt(E): secant steps approach the target from the probes.
    model().scale = 0.3;
    model().power = 0.5;
    finderg(p, 1, 1, 2.0, 1e-5, 20);
    EXPECT_LT(std::abs(mean(1) / 2.0 - 1.0), 1e-5);
    EXPECT_EQ(status(1), kStatusSuccess);
    EXPECT_NEAR(field(1), std::pow(2.0 / 0.3, 2), 1e-2);
}

TEST_F(Finderg, LimitBelowOneStillSolvesTheRun) {
    neighbour(1, 10.0, 1.0);
    neighbour(2, 20.0, 2.0);
    for (int limit : {0, -3}) {
        model().fields.clear();
        t.run.run_results[3][kResMeanEnergy] = 0.0;
        finderg(p, 3, 1, 4.0, 1e-6, limit);
        ASSERT_EQ(model().fields.size(), 1u) << limit;
        EXPECT_NEAR(mean(3), 4.0, 1e-9) << limit;
        EXPECT_EQ(status(3), kStatusSuccess) << limit;
    }
}

TEST_F(Finderg, TargetOfZeroOrLessIsSolvedOnceAndMissed) {
    const double nan = std::nan("");
    for (double target : {0.0, -2.0, nan}) {
        model().fields.clear();
        t.run.run_conditions[1][kCondEN] = 30.0;
        finderg(p, 1, 1, target, 1.0, 20);
        ASSERT_EQ(model().fields.size(), 1u) << target;
        EXPECT_EQ(model().fields[0], 30.0) << target;  // at the run's own E/N
        EXPECT_EQ(status(1), kStatusIncorrectMeanEnergy) << target;
    }
}

TEST_F(Finderg, TargetOfZeroKeepsTheStatusOfAFailedSolve) {
    model().failing_runs = {1};
    t.run.run_conditions[1][kCondEN] = 30.0;
    finderg(p, 1, 1, 0.0, 1.0, 20);
    EXPECT_EQ(status(1), kStatusFailed);
}

}  // namespace
}  // namespace kestor
