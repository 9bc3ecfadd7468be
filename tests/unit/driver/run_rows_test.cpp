// A run's row holds only what its own last solve stored: the solver's
// early returns write only the status, so every run command clears the
// results, coefficients and distribution of the row before solving, and
// the E/N search before each of its solves.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "driver/commands.h"
#include "driver/finderg.h"
#include "driver/run.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::DriverTest;
using test::SolverModel;

constexpr double kStale = 7.5;  // left in every row by runs made before

// The solver with an early return: for E/N in [early_from, early_below)
// it writes only the status (as for E/N 0 at 0 K or a missing elastic
// collision); otherwise the model of the fixture solves.
struct EarlyReturnModel {
    static inline double early_from = -INFINITY;
    static inline double early_below = INFINITY;
    static inline double status = kStatusMissingElastic;

    static void reset() {
        early_from = -INFINITY;
        early_below = INFINITY;
        status = kStatusMissingElastic;
    }
    static void solve(Tables& t, SolverWork& w, int irun) {
        const double e = t.run.run_conditions[irun][kCondEN];
        if (!(e >= early_from && e < early_below)) {
            SolverModel::solve(t, w, irun);
            return;
        }
        SolverModel::record(t, irun);
        t.run.run_results[irun][kResStatus] = status;
    }
};

class RunRows : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        EarlyReturnModel::reset();
        p.solve = &EarlyReturnModel::solve;
        set_species({"A"});
        t.num.collision_count = 3;
        in.C[kCondEN] = 10.0;
        in.C[kCondGasTemp] = 300.0;
        in.C[kCondGridPoints] = 50.0;
        in.C[kCondConvergence] = 1e-3;
        in.C[test::fraction_entry(1)] = 1.0;
    }

    // Every result, coefficient and distribution entry of row r as an
    // earlier run (before CLEARRUNS) left it.
    void fill_stale_row(int r) {
        RunTables& run = t.run;
        for (double& v : run.run_results[r]) v = kStale;
        for (double* row : {run.run_rate_coef[r], run.run_inverse_rate_coef[r], run.run_energy_loss_coef[r]})
            for (int k = 0; k <= kMaxCollisions; ++k) row[k] = kStale;
        for (double* row : {run.run_eedf[r], run.run_eedf_energy[r], run.run_anisotropy[r]})
            for (int j = 0; j <= kMaxGrid; ++j) row[j] = kStale;
    }
    void fill_stale_rows(int n) {
        for (int r = 1; r <= n; ++r) fill_stale_row(r);
    }

    // The first entry of row r that a writer can show and that is not 0
    // (results, coefficients of the collisions held, distribution on the
    // run's grid points), or "" when there is none.
    std::string stale_entry(int r) const {
        const RunTables& run = t.run;
        for (int j = 0; j <= kNumResults; ++j)
            if (run.run_results[r][j] != 0.0) return "result " + std::to_string(j);
        const int nc = t.num.collision_count;
        const int np = static_cast<int>(run.run_conditions[r][kCondGridPoints]);
        const struct {
            const char* name;
            const double* row;
            int last;
        } rows[] = {{"rate", run.run_rate_coef[r], nc},     {"inverse rate", run.run_inverse_rate_coef[r], nc},
                    {"energy loss", run.run_energy_loss_coef[r], nc}, {"eedf", run.run_eedf[r], np},
                    {"eedf energy", run.run_eedf_energy[r], np},      {"anisotropy", run.run_anisotropy[r], np}};
        for (const auto& row : rows)
            for (int j = 0; j <= row.last; ++j)
                if (row.row[j] != 0.0) return std::string(row.name) + " " + std::to_string(j);
        return "";
    }
};

// ---- every run command, every run returning early -------------------------

struct CommandCase {
    const char* what;
    const char* command_line;  // the line that selected the command
    CommandResult (*command)(Program&);
    std::vector<int> var_list;
    std::vector<std::string> lines;  // the parameter or data lines
    int runs;                        // runs held afterwards
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.what; }

const CommandCase kCommandCases[] = {
    {"RUN without VAR entries", "RUN", cmd_run, {}, {}, 1},
    {"RUN with data lines", "RUN", cmd_run, {kCondEN}, {"5", "20", ""}, 2},
    {"RUNSERIES over E/N", "RUNSERIES", cmd_runseries, {}, {"1", "10 40", "4", "1"}, 4},
    {"RUNBACK over E/N", "RUNBACK", cmd_runseries, {}, {"1", "10 40", "4", "1"}, 4},
    {"RUNSERIES over a target mean energy", "RUNSERIES", cmd_runseries, {}, {"2", "1 3", "3", "1"}, 3},
    {"RUN2D over E/N and gas temperature", "RUN2D", cmd_run2d, {kCondGasTemp},
     {"1", "10 20 300 400", "2 2", "1 1", "grid.txt"}, 4},
    {"RUN2D over a target mean energy", "RUN2D", cmd_run2d, {kCondGasTemp},
     {"2", "1 2 300 400", "2 2", "1 1", "grid.txt"}, 4},
};

class EveryRunCommand : public RunRows, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(EveryRunCommand, EarlyReturnsLeaveOnlyTheirStatus) {
    const CommandCase& c = GetParam();
    fill_stale_rows(8);
    set_var_list(c.var_list);
    std::vector<std::string> lines = c.lines;
    // RUN2D writes its table file into the test's directory.
    if (c.command == cmd_run2d) lines.back() = "'" + path(lines.back()) + "'";
    script(lines);
    in.S.assign(c.command_line);
    ASSERT_EQ(c.command(p), CommandResult::kNext);
    ASSERT_EQ(t.num.run_count, c.runs);
    EXPECT_FALSE(model().runs.empty());
    for (int r = 1; r <= c.runs; ++r) {
        EXPECT_EQ(t.run.run_results[r][kResStatus], kStatusMissingElastic) << "run " << r;
        t.run.run_results[r][kResStatus] = 0.0;
        EXPECT_EQ(stale_entry(r), "") << "run " << r;
        // Conditions and fractions are the run's own, not cleared.
        EXPECT_EQ(t.run.run_conditions[r][kCondGridPoints], 50.0) << "run " << r;
        EXPECT_EQ(t.run.run_gas_fractions[r][1], 1.0) << "run " << r;
    }
    // Rows beyond the runs made are not touched.
    EXPECT_EQ(t.run.run_results[c.runs + 1][kResMeanEnergy], kStale);
}

INSTANTIATE_TEST_SUITE_P(Commands, EveryRunCommand, ::testing::ValuesIn(kCommandCases),
                         [](const ::testing::TestParamInfo<CommandCase>& info) {
                             std::string name;
                             for (const char* s = info.param.what; *s != '\0'; ++s)
                                 if (std::isalnum(static_cast<unsigned char>(*s))) name += *s;
                             return name;
                         });

TEST_F(RunRows, SolvedRunsOfASeriesKeepTheirOwnResults) {
    // Runs at 30 and 40 Td return early; 10 and 20 Td are solved.
    EarlyReturnModel::early_from = 25.0;
    fill_stale_rows(4);
    script({"1", "10 40", "4", "1"});
    in.S.assign("RUNSERIES");
    ASSERT_EQ(cmd_runseries(p), CommandResult::kNext);
    EXPECT_NEAR(t.run.run_results[2][kResMeanEnergy], 2.0, 1e-6);  // the model: 0.1 E/N
    EXPECT_EQ(t.run.run_results[2][kResStatus], 0.0);
    EXPECT_EQ(t.run.run_results[2][kResIterations], 0.0);
    EXPECT_EQ(t.run.run_results[3][kResMeanEnergy], 0.0);
    EXPECT_EQ(t.run.run_results[3][kResMaxEnergy], 0.0);
    EXPECT_EQ(t.run.run_results[3][kResStatus], kStatusMissingElastic);
    // Run 3 took over the grid of run 2; run 4 none after the failed run 3.
    EXPECT_EQ(model().grid_types, (std::vector<double>{0, kGridGivenThenEstimated, kGridGivenThenEstimated, 0}));
    EXPECT_NEAR(model().max_energies[2], 20.0, 1e-5);  // result 27 of run 2
}

// ---- runs refused for "Too many runs" -------------------------------------

TEST_F(RunRows, RefusedRunsClearNoRow) {
    const struct {
        const char* command_line;
        CommandResult (*command)(Program&);
        std::vector<std::string> lines;
    } cases[] = {{"RUN", cmd_run, {}}, {"RUNSERIES", cmd_runseries, {"1", "10 40", "4", "1"}}};
    for (const auto& c : cases) {
        fill_stale_row(kMaxRuns);
        t.num.run_count = kMaxRuns;
        script(c.lines);
        in.S.assign(c.command_line);
        ASSERT_EQ(c.command(p), CommandResult::kNext) << c.command_line;
        EXPECT_EQ(t.num.run_count, kMaxRuns) << c.command_line;
        EXPECT_TRUE(model().runs.empty()) << c.command_line;
        EXPECT_EQ(t.run.run_results[kMaxRuns][kResMeanEnergy], kStale) << c.command_line;
        EXPECT_EQ(t.run.run_eedf[kMaxRuns][1], kStale) << c.command_line;
        EXPECT_EQ(log_lines().back(), "Too many runs") << c.command_line;
    }
}

// ---- the E/N search after a failed solve ----------------------------------

TEST_F(RunRows, SearchWhoseLastSolveReturnsEarlyKeepsNoTrialsMeanEnergy) {
    // 1 Td is solved (0.1 eV); 1000 Td and the bisection at 500.5 Td return
    // early. The run must not show the 0.1 eV of the first probe.
    EarlyReturnModel::early_from = 500.0;
    EarlyReturnModel::status = kStatusFailed;
    fill_stale_rows(1);
    finderg(p, 1, 1, 5.0, 1e-4, 1);
    EXPECT_EQ(model().fields, (std::vector<double>{1.0, 1000.0, 500.5}));
    EXPECT_EQ(t.run.run_conditions[1][kCondEN], 500.5);
    EXPECT_EQ(t.run.run_results[1][kResStatus], kStatusFailed);
    setrname(t, 1);
    EXPECT_NE(t.run.run_name[1].full().find("Failed"), std::string::npos);
    t.run.run_results[1][kResStatus] = 0.0;
    EXPECT_EQ(stale_entry(1), "");
}

TEST_F(RunRows, SearchCountsAnEarlyReturnAsNoValue) {
    // w = 0.005 (E/N)^2. The proportional start from run 4 (20 Td, 2 eV)
    // at 30 Td returns early: like any failed solve it has no value, so
    // 1000 Td is probed next, and the search goes on by secant steps.
    model().scale = 0.005;
    model().power = 2.0;
    EarlyReturnModel::early_from = 29.0;
    EarlyReturnModel::early_below = 31.0;
    t.run.run_conditions[4][kCondEN] = 20.0;
    t.run.run_results[4][kResMeanEnergy] = 2.0;
    finderg(p, 5, 4, 3.0, 1e-6, 20);
    ASSERT_GE(model().fields.size(), 2u);
    EXPECT_EQ(model().fields[0], 30.0);
    EXPECT_EQ(model().fields[1], 1000.0);
    EXPECT_NEAR(t.run.run_results[5][kResMeanEnergy], 3.0, 3e-6);
    EXPECT_EQ(t.run.run_results[5][kResStatus], 0.0);
}

TEST_F(RunRows, TargetOfZeroAfterEarlyReturnIsFailedNotMissed) {
    // A target that cannot be met is solved once; an early return keeps its
    // own status and stores nothing else.
    EarlyReturnModel::status = kStatusFailed;
    fill_stale_rows(2);
    t.run.run_conditions[2][kCondEN] = 10.0;
    finderg(p, 2, 1, 0.0, 1e-4, 20);
    EXPECT_EQ(model().fields, (std::vector<double>{10.0}));
    EXPECT_EQ(t.run.run_results[2][kResStatus], kStatusFailed);
    t.run.run_results[2][kResStatus] = 0.0;
    EXPECT_EQ(stale_entry(2), "");
}

}  // namespace
}  // namespace kestor
