// RUN: one run, or one run per data line of values for the VAR entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/free_format.h"
#include "driver/commands.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::CR;
using test::DriverTest;
using test::fraction_entry;

class Run : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        set_species({"A"});
        in.C[kCondEN] = 10.0;
    }
    // The next script line after the command, or "<end>".
    std::string next_line() {
        std::string l;
        return in.script.next_line(l) ? l : "<end>";
    }
};

TEST_F(Run, EmptyVarListMakesOneRunAndReadsNothing) {
    script({"RUN", "CLEARRUNS"});
    std::string l;
    in.script.next_line(l);
    in.S.assign(l);
    EXPECT_EQ(cmd_run(p), CommandResult::kNext);
    EXPECT_EQ(model().runs, (std::vector<int>{1}));
    EXPECT_EQ(t.num.run_count, 1);
    EXPECT_EQ(in.script_line_count, 0);
    EXPECT_EQ(next_line(), "CLEARRUNS");
    EXPECT_EQ(log_lines(), (std::vector<std::string>{CR + "RUN", t.run.run_name[1].full()}));
}

struct DataCase {
    const char* what;
    std::vector<std::string> lines;
    std::vector<double> fields;  // E/N of the runs made
    double c1, c4;               // C(1), C(4) afterwards
    std::string next;            // the line the loop reads next
};

const DataCase kDataCases[] = {
    {"two lines, ended by an empty line", {"1 2", "3 4", "", "END"}, {1, 3}, 3, 4, "END"},
    {"too few values: first stored, no run", {"5", "6 7"}, {}, 5, 300, "6 7"},
    {"slash keeps the second entry", {"5 /", ""}, {5}, 5, 300, "<end>"},
    {"extra values are ignored", {"5 6 7 8", ""}, {5}, 5, 6, "<end>"},
    {"commas and a null value", {"5,,", "8, 9", "x"}, {5, 8}, 8, 9, "<end>"},
    {"a keyword line ends the block and is used up", {"5 6", "SAVERESULTS", "out"}, {5}, 5, 6, "out"},
    {"a text value ends the block", {"abc 1", "5 6"}, {}, 10, 300, "5 6"},
    {"end of the script ends the block", {"5 6"}, {5}, 5, 6, "<end>"},
    {"a comment line ends the block", {"! E/N and T", "5 6"}, {}, 10, 300, "5 6"},
    {"a line of only blanks ends the block", {"   ", "5 6"}, {}, 10, 300, "5 6"},
    {"Fortran exponents", {"1.5+1 3d2", ""}, {15}, 15, 300, "<end>"},
};

void PrintTo(const DataCase& c, std::ostream* os) { *os << c.what; }

class RunData : public Run, public ::testing::WithParamInterface<DataCase> {};

TEST_P(RunData, OneRunPerDataLine) {
    const DataCase& c = GetParam();
    set_var_list({kCondEN, kCondGasTemp});
    in.C[kCondEN] = 10.0;
    in.C[kCondGasTemp] = 300.0;
    script(c.lines);
    EXPECT_EQ(cmd_run(p), CommandResult::kNext);
    EXPECT_EQ(model().fields, c.fields) << c.what;
    EXPECT_EQ(t.num.run_count, static_cast<int>(c.fields.size())) << c.what;
    EXPECT_EQ(in.C[kCondEN], c.c1) << c.what;
    EXPECT_EQ(in.C[kCondGasTemp], c.c4) << c.what;
    EXPECT_EQ(next_line(), c.next) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunData, ::testing::ValuesIn(kDataCases));

TEST_F(Run, EveryDataLineCountsOneRead) {
    set_var_list({kCondEN});
    script({"1", "2", "", "3"});
    cmd_run(p);
    EXPECT_EQ(in.script_line_count, 3);
}

TEST_F(Run, VarValuesFollowTheVarListOrder) {
    set_species({"A", "B"});
    set_var_list({kCondGasTemp, fraction_entry(2)});
    script({"400 0.25", ""});
    cmd_run(p);
    EXPECT_EQ(t.run.run_conditions[1][kCondGasTemp], 400.0);
    EXPECT_EQ(t.run.run_gas_fractions[1][2], 0.25);
}

TEST_F(Run, LastRowIsNamedTooManyRunsThenRunRefuses) {
    t.num.run_count = 1002;
    script({});
    cmd_run(p);
    EXPECT_EQ(t.num.run_count, 1003);
    EXPECT_EQ(t.run.run_name[1003].trimmed(), "Error: Too many runs");
    cmd_run(p);
    EXPECT_EQ(t.num.run_count, 1003);
    EXPECT_EQ(model().runs, (std::vector<int>{1003}));
    const std::vector<std::string> log = log_lines();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], CR + "RUN");
    EXPECT_EQ(log[3], "Too many runs");
}

TEST_F(Run, FullTablesUseUpOneDataLine) {
    t.num.run_count = 1003;
    set_var_list({kCondEN});
    script({"5", "6"});
    cmd_run(p);
    EXPECT_TRUE(model().runs.empty());
    EXPECT_EQ(in.C[kCondEN], 5.0);
    EXPECT_EQ(next_line(), "6");
    EXPECT_EQ(log_lines().back(), "Too many runs");
}

}  // namespace
}  // namespace kestor
