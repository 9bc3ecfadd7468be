// RUN2D: the grid of runs, its reduced rows and the bytes of the table file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/commands.h"
#include "driver/run2d.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::DriverTest;
using test::fraction_entry;

TEST(GridRows, ReducedToFitTheRunTables) {
    struct { int nr, nc, fit; } cases[] = {
        {40, 30, 33}, {10, 10, 10}, {1003, 1, 1003}, {1004, 1, 1003}, {1, 1004, 0},
        {0, 5, 0},    {5, 0, 5},    {-4, 3, -4},     {2147483647, 2, 501},
    };
    for (const auto& c : cases) EXPECT_EQ(grid_rows_that_fit(c.nr, c.nc), c.fit) << c.nr << " x " << c.nc;
}

class Run2D : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        set_species({"A"});
        in.C[kCondConvergence] = 1e-3;
    }
    CommandResult grid(std::vector<std::string> lines) {
        script(std::move(lines));
        in.S.assign("RUN2D");
        return cmd_run2d(p);
    }
    std::vector<std::string> table_lines(const std::string& name) const {
        return test::split_lines(read_file(name));
    }
    static std::string pad(std::string s, std::size_t n) {
        s.resize(n, ' ');
        return s;
    }
    std::string label_record(const std::string& head, const std::string& label) const {
        return " " + head + pad(label, 64);
    }
    // The result blocks 1..20 (10 has no label); `rows(q)` gives the
    // number records of result q.
    template <class Rows>
    void expect_result_blocks(const std::vector<std::string>& got, std::size_t& at, Rows rows) const {
        for (int q = 1; q <= 20; ++q) {
            if (q == 10) continue;
            ASSERT_LT(at + 1, got.size()) << q;
            EXPECT_EQ(got[at++], "") << q;
            EXPECT_EQ(got[at++], " " + t.labels.result_labels[q].full()) << q;
            for (const std::string& r : rows(q)) {
                ASSERT_LT(at, got.size()) << q;
                EXPECT_EQ(got[at++], r) << q;
            }
        }
    }
};

const std::string kZero = "   0.000    ";

TEST_F(Run2D, SecondVariableUndefinedAbortsBeforeReading) {
    const std::vector<std::vector<int>> lists = {{}, {kCondGasTemp, kCondEN}, {kCondIonMassRatio}};
    for (const auto& list : lists) {
        set_var_list(list);
        in.script_line_count = 0;
        t.num.run_count = 4;
        EXPECT_EQ(grid({"1", "1 2 3 4", "1 1", "1 1", "x.txt"}), CommandResult::kAbort);
        EXPECT_EQ(in.script_line_count, 0);
        EXPECT_EQ(t.num.run_count, 4);
    }
    EXPECT_EQ(log_lines().back(), "Second variable undefined");
    EXPECT_TRUE(model().runs.empty());
}

TEST_F(Run2D, TableFileOfAnEnGridAgainstGasTemperature) {
    set_var_list({kCondGasTemp});
    t.num.collision_count = 1;
    t.col.collision_name[1].assign("C1    A    Elastic");
    // The run step clears each row before its solve: the coefficients come
    // from the solve.
    p.solve = [](Tables& tt, SolverWork& w, int r) {
        test::SolverModel::solve(tt, w, r);
        tt.run.run_rate_coef[r][1] = r * 1e-14;
    };
    t.num.run_count = 9;  // dropped by the grid
    const std::string file = path("grid.txt");
    ASSERT_EQ(grid({"1", "10 20 300 400", "2 2", "1 1", "'" + file + "'"}), CommandResult::kNext);

    // Column by column, rows fastest.
    EXPECT_EQ(model().fields, (std::vector<double>{10, 20, 10, 20}));
    EXPECT_EQ(t.run.run_conditions[2][kCondGasTemp], 300.0);
    EXPECT_EQ(t.run.run_conditions[3][kCondGasTemp], 400.0);
    EXPECT_EQ(t.num.run_count, 4);
    EXPECT_EQ(in.C[kCondEN], 20.0);
    EXPECT_EQ(in.C[kCondGasTemp], 400.0);

    const std::vector<std::string> got = table_lines("grid.txt");
    std::size_t at = 0;
    const std::vector<std::string> head = {
        label_record("Rows: ", "Electric field / N (Td)"),
        "   10.00    ",
        "   20.00    ",
        "",
        label_record("Columns: ", "Gas temperature (K)"),
        "   300.0       400.0    ",
    };
    for (const std::string& l : head) {
        ASSERT_LT(at, got.size());
        EXPECT_EQ(got[at++], l);
    }
    expect_result_blocks(got, at, [](int q) {
        if (q == 1) return std::vector<std::string>{"   1.000       1.000    ", "   2.000       2.000    "};
        return std::vector<std::string>{kZero + kZero, kZero + kZero};
    });
    const std::vector<std::string> tail = {
        "", " " + pad("C1    A    Elastic", 64), "  0.1000E-13  0.3000E-13", "  0.2000E-13  0.4000E-13"};
    for (const std::string& l : tail) {
        ASSERT_LT(at, got.size());
        EXPECT_EQ(got[at++], l);
    }
    EXPECT_EQ(at, got.size());
    EXPECT_EQ(log_lines().back(), file);
}

TEST_F(Run2D, TargetEnergyGridListsTheEnFound) {
    // One VAR entry: the code makes the rows target mean energies.
    set_var_list({kCondGasTemp});
    const std::string file = path("target.txt");
    ASSERT_EQ(grid({"2", "1 2 300 300", "2 1", "1 1", "'" + file + "'"}), CommandResult::kNext);
    const std::vector<std::string> got = table_lines("target.txt");
    const std::vector<std::string> head = {
        " Rows: Mean energy(eV)",
        "   1.000    ",
        "   2.000    ",
        "",
        label_record("Columns: ", "Gas temperature (K)"),
        "   300.0    ",
        "",
        " " + pad("Electric field / N (Td)", 64),
        "   10.00    ",
        "   20.00    ",
    };
    ASSERT_GE(got.size(), head.size());
    for (std::size_t k = 0; k < head.size(); ++k) EXPECT_EQ(got[k], head[k]) << k;
    std::size_t at = head.size();
    expect_result_blocks(got, at, [](int q) {
        if (q == 1) return std::vector<std::string>{"   1.000    ", "   2.000    "};
        return std::vector<std::string>{kZero, kZero};
    });
    EXPECT_EQ(at, got.size());
    // Run 1: probes and one secant step; run 2: the proportional start
    // from run 1, then one step that meets the target.
    ASSERT_EQ(model().fields.size(), 5u);
    EXPECT_EQ(model().fields[0], 1.0);
    EXPECT_EQ(model().fields[1], 1000.0);
    EXPECT_NEAR(model().fields[3], 20.0, 1e-9);
}

TEST_F(Run2D, NormalisedFractionColumnsListEverySpecies) {
    set_species({"Ar", "N2"});
    t.prefs.normalize_fractions = 1;
    in.C[fraction_entry(1)] = 0.5;
    set_var_list({fraction_entry(2)});
    const std::string file = path("mix.txt");
    ASSERT_EQ(grid({"1", "10 10 0.2 0.4", "1 2", "1 1", "'" + file + "'"}), CommandResult::kNext);
    const std::vector<std::string> got = table_lines("mix.txt");
    const std::vector<std::string> head = {
        label_record("Rows: ", "Electric field / N (Td)"),
        "   10.00    ",
        "",
        " Columns: Mole fraction Ar",
        "  0.8000      0.6000    ",
        "",
        " Columns: Mole fraction N2",
        "  0.2000      0.4000    ",
        "",
        " " + t.labels.result_labels[kResMeanEnergy].full(),
    };
    ASSERT_GE(got.size(), head.size());
    for (std::size_t k = 0; k < head.size(); ++k) EXPECT_EQ(got[k], head[k]) << k;
}

TEST_F(Run2D, FractionColumnWithoutNormalisation) {
    set_species({"Ar", "N2"});
    t.prefs.normalize_fractions = 0;
    set_var_list({kCondGasTemp, fraction_entry(2)});  // rows: gas temperature, whatever the code
    const std::string file = path("frac.txt");
    ASSERT_EQ(grid({"5", "300 400 0.2 0.4", "2 2", "1 1", "'" + file + "'"}), CommandResult::kNext);
    const std::vector<std::string> got = table_lines("frac.txt");
    ASSERT_GE(got.size(), 7u);
    EXPECT_EQ(got[0], label_record("Rows: ", "Gas temperature (K)"));
    EXPECT_EQ(got[1], "   300.0    ");
    EXPECT_EQ(got[2], "   400.0    ");
    EXPECT_EQ(got[4], " Columns: Mole fraction N2");
    EXPECT_EQ(got[5], "  0.2000      0.4000    ");
    EXPECT_EQ(got[6], "");
    EXPECT_EQ(t.run.run_conditions[2][kCondGasTemp], 400.0);  // run 2: second row, first column
    EXPECT_EQ(t.run.run_gas_fractions[2][2], 0.2);
}

TEST_F(Run2D, MiddleVarEntryIsNotVaried) {
    set_species({"Ar", "N2"});
    set_var_list({kCondGasTemp, kCondExcTemp, fraction_entry(2)});
    in.C[kCondExcTemp] = 777.0;
    ASSERT_EQ(grid({"1", "300 400 0.2 0.4", "2 2", "1 1", "'" + path("m.txt") + "'"}), CommandResult::kNext);
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(t.run.run_conditions[r][kCondExcTemp], 777.0) << r;
}

TEST_F(Run2D, IonMassRatioRowsWithOneVarEntry) {
    set_var_list({kCondGasTemp});
    in.C[kCondEN] = 15.0;
    ASSERT_EQ(grid({"3", "1 3 300 300", "3 1", "1 1", "'" + path("m.txt") + "'"}), CommandResult::kNext);
    EXPECT_EQ(t.run.run_conditions[2][kCondIonMassRatio], 2.0);
    EXPECT_EQ(t.run.run_conditions[2][kCondEN], 15.0);
    EXPECT_EQ(table_lines("m.txt")[0], label_record("Rows: ", "Ion/neutral mass ratio"));
}

TEST_F(Run2D, FortyByThirtyIsReducedToThirtyThreeRows) {
    set_var_list({kCondGasTemp});
    ASSERT_EQ(grid({"1", "10 100 300 600", "40 30", "1 1", "'" + path("big.txt") + "'"}), CommandResult::kNext);
    EXPECT_EQ(t.num.run_count, 990);
    EXPECT_EQ(model().runs.size(), 990u);
    EXPECT_EQ(t.run.run_conditions[1][kCondEN], 10.0);
    EXPECT_EQ(t.run.run_conditions[33][kCondEN], 100.0);  // rows still reach x2
    EXPECT_EQ(t.run.run_conditions[34][kCondEN], 10.0);   // first row of column 2
    const std::vector<std::string> log = log_lines();
    EXPECT_EQ(log[1], "Too many runs");
    EXPECT_EQ(table_lines("big.txt")[1 + 33], "");  // 33 row records, then the column block
}

TEST_F(Run2D, GridWithoutRunsWritesTheHeadersOnly) {
    set_var_list({kCondGasTemp});
    t.num.run_count = 7;
    t.num.collision_count = 1;
    t.col.collision_name[1].assign("C1    A    Elastic");
    ASSERT_EQ(grid({"1", "10 20 300 400", "3 0", "1 1", "'" + path("none.txt") + "'"}), CommandResult::kNext);
    EXPECT_EQ(t.num.run_count, 0);
    EXPECT_TRUE(model().runs.empty());
    const std::vector<std::string> got = table_lines("none.txt");
    std::vector<std::string> expected = {label_record("Rows: ", "Electric field / N (Td)"), "",
                                         label_record("Columns: ", "Gas temperature (K)")};
    for (int q = 1; q <= 20; ++q) {
        if (q == 10) continue;
        expected.push_back("");
        expected.push_back(" " + t.labels.result_labels[q].full());
    }
    expected.push_back("");
    expected.push_back(" " + pad("C1    A    Elastic", 64));
    EXPECT_EQ(got, expected);
}

TEST_F(Run2D, MoreThan1003ColumnsMakesNoRun) {
    set_var_list({kCondGasTemp});
    ASSERT_EQ(grid({"1", "10 20 300 400", "1 1004", "1 1", "'" + path("wide.txt") + "'"}), CommandResult::kNext);
    EXPECT_TRUE(model().runs.empty());
    EXPECT_EQ(t.num.run_count, 0);
    EXPECT_EQ(in.C[kCondGasTemp], 400.0);  // the last column's value
    EXPECT_EQ(log_lines()[1], "Too many runs");
}

TEST_F(Run2D, HugeGridMakesNoRunAndEndsAtTheLastColumn) {
    set_var_list({kCondGasTemp});
    ASSERT_EQ(grid({"1", "10 20 300 400", "2147483647 2147483647", "1 1", "'" + path("huge.txt") + "'"}),
              CommandResult::kNext);
    EXPECT_TRUE(model().runs.empty());
    EXPECT_EQ(t.num.run_count, 0);
    EXPECT_EQ(in.C[kCondGasTemp], 400.0);
    EXPECT_EQ(log_lines()[1], "Too many runs");
}

TEST_F(Run2D, ExponentialSpacingOverZeroStartsAtTheFloor) {
    set_var_list({kCondGasTemp});
    ASSERT_EQ(grid({"1", "0 1 0 100", "3 2", "3 3", "'" + path("e.txt") + "'"}), CommandResult::kNext);
    EXPECT_NEAR(t.run.run_conditions[1][kCondEN], 1e-6, 1e-18);
    EXPECT_NEAR(t.run.run_conditions[2][kCondEN], 1e-3, 1e-15);
    EXPECT_NEAR(t.run.run_conditions[1][kCondGasTemp], 1e-6, 1e-18);
    EXPECT_NEAR(t.run.run_conditions[4][kCondGasTemp], 100.0, 1e-10);
}

TEST_F(Run2D, LongSpeciesNameKeepsItsRecordWhole) {
    const std::string name(64, 'M');
    set_species({"A", name});
    set_var_list({fraction_entry(2), kCondGasTemp});
    ASSERT_EQ(grid({"1", "0.1 0.2 300 400", "1 1", "1 1", "'" + path("long.txt") + "'"}), CommandResult::kNext);
    EXPECT_EQ(table_lines("long.txt")[0], " Rows: Mole fraction " + name);
}

TEST_F(Run2D, UnopenableTableFileAbortsAfterTheRuns) {
    set_var_list({kCondGasTemp});
    t.num.run_count = 8;
    EXPECT_EQ(grid({"1", "10 20 300 400", "2 2", "1 1", "'" + path("no/such/dir.txt") + "'"}),
              CommandResult::kAbort);
    EXPECT_EQ(t.num.run_count, 4);
    EXPECT_EQ(model().runs.size(), 4u);
}

TEST_F(Run2D, UnreadableParameterLineAborts) {
    set_var_list({kCondGasTemp});
    t.num.run_count = 8;
    EXPECT_EQ(grid({"1", "10 20 300 abc", "2 2", "1 1", "x.txt"}), CommandResult::kAbort);
    EXPECT_EQ(grid({"1", "10 20 300 400", "2 2.5", "1 1", "x.txt"}), CommandResult::kAbort);
    EXPECT_EQ(grid({"1", "10 20 300 400", "2 2", "1 1"}), CommandResult::kAbort);
    EXPECT_TRUE(model().runs.empty());
    EXPECT_EQ(t.num.run_count, 8);
}

}  // namespace
}  // namespace kestor
