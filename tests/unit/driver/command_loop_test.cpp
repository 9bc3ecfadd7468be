// The keyword table and the command loop on scripts held in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/program_stop.h"
#include "driver/command_loop.h"
#include "driver/commands.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::abort_line;
using test::CR;
using test::DriverTest;

struct KeywordCase {
    const char* line;
    const char* keyword;  // nullptr: no command
};

const KeywordCase kKeywordCases[] = {
    {"CLEARRUNS", "CLEARRUNS"},          // not RUN
    {"MYRUN", "RUN"},
    {"RUN2D", "RUN2D"},                  // not RUN
    {"RUNSERIES", "RUNSERIES"},
    {"RUNBACK", "RUNBACK"},
    {"RUNSERIES RUNBACK", "RUNSERIES"},  // one command for both (it logs RUNBACK)
    {"APPEND", "END"},
    {"LEGEND", "END"},
    {"BACKEND", "END"},
    {"NOSCREEN RUN END", "NOSCREEN"},
    {"READCOLLISIONS SAVERESULTS", "READCOLLISIONS"},
    {"CLEARCOLLISIONS CONDITIONS", "CLEARCOLLISIONS"},
    {"CONDITIONS CLEARRUNS", "CONDITIONS"},
    {"SAVERESULTS END", "SAVERESULTS"},
    {"x ! RUN", "RUN"},
    {"run", nullptr},
    {"Run the series", nullptr},
    {"nothing here", nullptr},
    {"", nullptr},
};

void PrintTo(const KeywordCase& c, std::ostream* os) { *os << c.line; }

class Keyword : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(Keyword, FirstInTableOrderWins) {
    const KeywordCase& c = GetParam();
    const CommandEntry* e = find_command(c.line);
    if (c.keyword == nullptr) {
        EXPECT_EQ(e, nullptr) << c.line;
    } else {
        ASSERT_NE(e, nullptr) << c.line;
        EXPECT_EQ(e->keyword, c.keyword) << c.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Keyword, ::testing::ValuesIn(kKeywordCases));

TEST(KeywordHandlers, SeriesKeywordsShareOneCommand) {
    EXPECT_EQ(find_command("RUNSERIES")->handler, &cmd_runseries);
    EXPECT_EQ(find_command("RUNBACK")->handler, &cmd_runseries);
    EXPECT_EQ(find_command("MYRUN")->handler, &cmd_run);
    EXPECT_EQ(find_command("CLEARRUNS")->handler, &cmd_clearruns);
}

struct LoopCase {
    const char* what;
    std::vector<std::string> script;
    std::vector<std::string> log;
};


const LoopCase kLoopCases[] = {
    {"end of the script gives FINISHED", {"CLEARRUNS"}, {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"empty script", {}, {CR + "FINISHED"}},
    {"comment lines are skipped; a tab before ! is no blank",
     {"  ! CLEARRUNS", "/ CLEARRUNS", "\t! CLEARRUNS"},
     {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"lines after END are never read", {"END", "CLEARRUNS"}, {CR + "FINISHED"}},
    {"APPEND ends the script", {"APPEND", "CLEARRUNS"}, {CR + "FINISHED"}},
    {"lines without keyword are ignored", {"hello", "run", "CLEARRUNS"}, {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"NOSCREEN and CONDITIONS-free lines log nothing", {"NOSCREEN"}, {CR + "FINISHED"}},
    {"the log names the keyword, not the line", {"  please CLEARCOLLISIONS now"},
     {CR + "CLEARCOLLISIONS", CR + "FINISHED"}},
};

void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.what; }

class Loop : public DriverTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(Loop, LogsCommandsAndEnds) {
    script(GetParam().script);
    command_loop(p);
    EXPECT_EQ(log_lines(), GetParam().log) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Loop, ::testing::ValuesIn(kLoopCases));

TEST_F(DriverTest, KeywordBeyondColumn256IsNotSeen) {
    script({std::string(250, ' ') + "CLEARRUNS", std::string(247, ' ') + "CLEARRUNS"});
    command_loop(p);
    EXPECT_EQ(log_lines(), (std::vector<std::string>{CR + "CLEARRUNS", CR + "FINISHED"}));
}

// The counts and the fractions of the cleared species go; the conditions,
// the VAR list and the slots stay.
TEST_F(DriverTest, ClearCollisionsZeroesTheCountsAndTheFractions) {
    t.num.species_count = 3;
    t.num.collision_count = 40;
    t.num.grouped_collision_count = 12;
    t.num.run_count = 9;
    t.col.collision_name[5].assign("C5");
    in.C[kCondGasTemp] = 300.0;
    for (int s = 1; s <= kMaxSpecies; ++s) in.C[kNumConditions + s] = 0.25;
    set_var_list({kCondEN});
    script({"CLEARCOLLISIONS"});
    command_loop(p);
    EXPECT_EQ(t.num.species_count, 0);
    EXPECT_EQ(t.num.collision_count, 0);
    EXPECT_EQ(t.num.grouped_collision_count, 0);
    EXPECT_EQ(t.num.run_count, 0);
    EXPECT_EQ(t.col.collision_name[5].trimmed(), "C5");
    EXPECT_EQ(in.C[kCondGasTemp], 300.0);
    for (int s = 1; s <= kMaxSpecies; ++s) ASSERT_EQ(in.C[kNumConditions + s], 0.0) << s;
    EXPECT_EQ(in.var_count, 1);
}

TEST_F(DriverTest, ClearRunsKeepsCollisions) {
    t.num.collision_count = 40;
    t.num.run_count = 9;
    script({"CLEARRUNS"});
    command_loop(p);
    EXPECT_EQ(t.num.run_count, 0);
    EXPECT_EQ(t.num.collision_count, 40);
}

TEST_F(DriverTest, AbortLineCountsReadsNotLines) {
    // Read 1 is the command line, read 2 passes over two blank lines to
    // the file name, reads 3..6 are integers, read 7 fails.
    script({"SAVERESULTS", "", "", "'" + path("out.txt") + "'", "1", "1", "1", "1", "x", "0", "0"});
    command_loop(p);
    const std::vector<std::string> log = log_lines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], CR + "SAVERESULTS");
    EXPECT_EQ(log[1], path("out.txt"));
    EXPECT_EQ(log[2], abort_line(7));
}

TEST_F(DriverTest, SaveResultsEndOfScriptIsTheEndOfFileStop) {
    script({"SAVERESULTS", "'" + path("out.txt") + "'", "1"});
    EXPECT_THROW(command_loop(p), ProgramStop);
    const std::vector<std::string> log = log_lines();
    ASSERT_EQ(log.size(), 2u);  // no FINISHED, no ABORT
    EXPECT_EQ(log[1], path("out.txt"));
}

TEST_F(DriverTest, SaveResultsStoresTheSettingsAndSelections) {
    t.num.collision_count = 2;
    t.num.run_count = 3;
    t.run.run_results[1][kResStatus] = kStatusSuccess;
    t.run.run_results[2][kResStatus] = kStatusMissingElastic;
    t.run.run_results[3][kResStatus] = kStatusIncorrectMeanEnergy;
    t.sel.collision_selected[3] = 5;  // above the count: left alone
    script({"SAVERESULTS", "'" + path("r.txt") + "'", "3", "1", "0", "1", "0", "1", "0", "1"});
    command_loop(p);
    EXPECT_EQ(t.prefs.output_format, 3);
    EXPECT_EQ(t.prefs.output_conditions, 1);
    EXPECT_EQ(t.prefs.output_transport, 0);
    EXPECT_EQ(t.prefs.output_rates, 1);
    EXPECT_EQ(t.prefs.output_inverse_rates, 0);
    EXPECT_EQ(t.prefs.output_energy_loss, 1);
    EXPECT_EQ(t.prefs.output_eedf, 0);
    EXPECT_EQ(in.skip_failed_runs, 1);
    EXPECT_EQ(t.sel.collision_selected[1], 1);
    EXPECT_EQ(t.sel.collision_selected[2], 1);
    EXPECT_EQ(t.sel.collision_selected[3], 5);
    EXPECT_EQ(t.sel.run_selected[1], 1);
    EXPECT_EQ(t.sel.run_selected[2], 0);
    EXPECT_EQ(t.sel.run_selected[3], 0);
}

TEST_F(DriverTest, SaveResultsWithoutSkipKeepsFailedRuns) {
    t.num.run_count = 2;
    t.run.run_results[2][kResStatus] = kStatusMissingElastic;
    for (const char* skip : {"0", "2"}) {
        t.sel.run_selected[2] = 0;
        script({"SAVERESULTS", "'" + path("r.txt") + "'", "0", "0", "0", "0", "0", "0", "0", skip});
        command_loop(p);
        EXPECT_EQ(t.sel.run_selected[2], 1) << "skip " << skip;
    }
}

TEST_F(DriverTest, SaveResultsFileNameIsLeftAdjusted) {
    script({"SAVERESULTS", "'   " + path("r.txt") + "'", "0", "0", "0", "0", "0", "0", "0", "0"});
    command_loop(p);
    EXPECT_EQ(t.prefs.output_file_name.trimmed(), path("r.txt"));
    EXPECT_EQ(log_lines()[1], path("r.txt"));
}

TEST_F(DriverTest, SaveResultsCannotWriteGoesOn) {
    script({"SAVERESULTS", "'" + path("missing/r.txt") + "'", "0", "0", "0", "0", "0", "0", "0", "0", "CLEARRUNS"});
    command_loop(p);
    EXPECT_EQ(log_lines(), (std::vector<std::string>{CR + "SAVERESULTS", path("missing/r.txt"),
                                                     "ERROR: Cannot write to file", CR + "CLEARRUNS",
                                                     CR + "FINISHED"}));
}

}  // namespace
}  // namespace kestor
