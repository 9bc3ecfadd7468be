// Every command that asks whether a run failed gives the same answer, the
// one of run_failed, also for statuses the solver never stores (fractions,
// negative values, a value that is not a number).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver/command_loop.h"
#include "driver/commands.h"
#include "driver/finderg.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::DriverTest;

struct StatusCase {
    const char* what;
    double status;
    bool failed;
};

const StatusCase kStatusCases[] = {
    {"success", kStatusSuccess, false},
    {"failed", kStatusFailed, true},
    {"failed, unchanged", kStatusFailedUnchanged, true},
    {"target missed", kStatusIncorrectMeanEnergy, true},
    {"no elastic data", kStatusMissingElastic, true},
    {"a fraction below one half", 0.3, true},
    {"a fraction above one half", 0.7, true},
    {"negative zero", -0.0, false},
    {"negative", -1.0, false},
    {"not a number", std::nan(""), false},
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.what; }

class RunFailed : public DriverTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(RunFailed, TheTestOfAFailedRun) { EXPECT_EQ(run_failed(GetParam().status), GetParam().failed); }

TEST_P(RunFailed, SkipFailedLeavesOutExactlyTheFailedRuns) {
    t.num.run_count = 1;
    t.run.run_results[1][kResStatus] = GetParam().status;
    script({"SAVERESULTS", "'" + path("r.txt") + "'", "0", "0", "0", "0", "0", "0", "0", "1"});
    command_loop(p);
    EXPECT_EQ(t.sel.run_selected[1], GetParam().failed ? 0 : 1);
}

TEST_P(RunFailed, ESeriesHandsOverTheGridOfARunThatDidNotFail) {
    set_species({"A"});
    in.C[kCondGridType] = kGridLinear;
    model().failing_runs = {1};
    model().fail_status = GetParam().status;
    in.S.assign("RUNSERIES");
    script({"1", "10 20", "2", "1"});
    ASSERT_EQ(cmd_runseries(p), CommandResult::kNext);
    ASSERT_EQ(model().grid_types.size(), 2u);
    EXPECT_EQ(model().grid_types[1], GetParam().failed ? kGridLinear : kGridGivenThenEstimated);
}

TEST_P(RunFailed, SearchTakesNoValueFromAFailedNeighbour) {
    t.run.run_conditions[4][kCondEN] = 20.0;
    t.run.run_results[4][kResMeanEnergy] = 2.0;
    t.run.run_results[4][kResStatus] = GetParam().status;
    finderg(p, 5, 4, 3.0, 1e-6, 20);
    ASSERT_GE(model().fields.size(), 1u);
    // A failed neighbour is probed at 1 Td; any other gives the proportional start.
    EXPECT_EQ(model().fields[0], GetParam().failed ? 1.0 : 30.0);
}

TEST_P(RunFailed, MissedTargetMarksOnlyALastSolveThatDidNotFail) {
    // Every solve ends with the status of the case and 1 eV or more: the
    // target 0.5 eV is never met.
    model().offset = 1.0;
    model().scale = 0.001;
    model().fail_from = 0.0;
    model().fail_status = GetParam().status;
    finderg(p, 1, 1, 0.5, 1e-3, 5);
    const double stored = t.run.run_results[1][kResStatus];
    if (GetParam().failed)
        EXPECT_EQ(stored, GetParam().status);
    else
        EXPECT_EQ(stored, kStatusIncorrectMeanEnergy);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunFailed, ::testing::ValuesIn(kStatusCases));

}  // namespace
}  // namespace kestor
