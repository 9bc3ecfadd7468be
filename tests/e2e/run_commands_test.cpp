// RUN, RUNSERIES, RUNBACK and RUN2D end to end. Runs without collision data
// end at once with status 11, which keeps the run-count tests fast; the
// searches and the table file use a gas with a constant collision
// frequency, whose mean energy is known: (e/m)(E/N)^2 / (2 r K^2).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"
#include "tests/support/model_gas.h"

namespace kestor::test {
namespace {

// The analytic values are formed with the physical constants, not the
// program's own (solver/constants.h), as an independent check.
constexpr double kChargeToMass = 1.75882001076e11;  // C/kg
constexpr double kMassRatio = 1e-4;
constexpr double kCollisionRate = 1e-13;             // m3/s
constexpr double kOneTd = 1e-21;                     // V m2

double maxwell_mean_energy(double field_td) {
    const double en = field_td * kOneTd;
    return kChargeToMass * en * en / (2.0 * kMassRatio * kCollisionRate * kCollisionRate);
}
double maxwell_field_for(double mean_energy) {
    return std::sqrt(mean_energy * 2.0 * kMassRatio * kCollisionRate * kCollisionRate / kChargeToMass) / kOneTd;
}

// The constant-frequency gas Maxw as a data file: the momentum-transfer
// table of the solver tests' model gas (1000 log-spaced energies from 1e-3
// to 1e4 eV), written with seven significant digits.
std::string maxwell_gas_file() {
    static_assert(kMassRatio == 1e-4 && kCollisionRate == 1e-13, "the text below names these values");
    auto tables = make_tables();
    Tables& t = *tables;
    const int k = test::add_collision(t, test::add_species(t), {.kind = kElastic, .mass_ratio = kMassRatio},
                                      test::constant_frequency(kCollisionRate));
    const std::string dashes = "-----------------------------\n";
    std::string text =
        "Model gas with a constant collision frequency for the driver tests:\n"
        "sigma(E) = K / (gamma sqrt(E)), K = 1e-13 m3/s, mass ratio 1e-4.\n\n"
        "COMMENT\nMaxw\nConstant collision frequency model (analytic test gas).\n---\n\n"
        "ELASTIC\nMaxw\n1.0e-4\nMomentum transfer, nu/N = 1e-13 m3/s.\n" + dashes;
    for (int j = 0; j < t.col.cs_npoints[k]; ++j) {
        char pair[64];
        std::snprintf(pair, sizeof pair, "%.6e\t%.6e\n", t.col.cs_energy[k][j], t.col.cs_value[k][j]);
        text += pair;
    }
    return text + dashes;
}

// Writes the gas file into `dir`; the READCOLLISIONS block that loads it.
std::string load_maxwell(const TempDir& dir) {
    dir.write("maxwell_model.txt", maxwell_gas_file());
    return "READCOLLISIONS\nmaxwell_model.txt\nMaxw\n1\n";
}

// The run-name lines of a log (those starting with R and a digit or *).
std::vector<std::string> run_names(const std::vector<std::string>& log) {
    std::vector<std::string> names;
    for (const std::string& l : log)
        if (l.size() == 64 && l[0] == 'R' && (std::isdigit(static_cast<unsigned char>(l[1])) || l[1] == '*'))
            names.push_back(l);
    return names;
}

// The E/N (Td) and mean energy (eV) shown in a run name.
struct NameValues {
    double field = NAN;
    double mean = NAN;
};
NameValues values_of(const std::string& name) {
    NameValues v;
    v.field = std::strtod(name.c_str() + 6, nullptr);
    const std::size_t td = name.find(" Td");
    if (td != std::string::npos) v.mean = std::strtod(name.c_str() + td + 3, nullptr);
    return v;
}

TEST(RunCommand, DataLinesOneRunEach) {
    TempDir dir;
    const std::string script = load_maxwell(dir) + conditions_with({{kCondEN, "VAR"}}) +
                               "RUN\n5\n10, 7\n\nRUN\n20\nSAVERESULTS\n'res.txt'\n1\n1\n1\n1\n1\n1\n1\n0\n";
    const RunOutcome r = run_script(dir, script);
    EXPECT_EQ(r.exit_status, 0);
    const std::vector<std::string> names = run_names(log_lines(dir));
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].substr(0, 17), "R1    5.00 Td    ");
    EXPECT_EQ(names[1].substr(0, 17), "R2    10.0 Td    ");
    EXPECT_EQ(names[2].substr(0, 17), "R3    20.0 Td    ");
    EXPECT_NEAR(values_of(names[0]).mean, maxwell_mean_energy(5.0), 0.01 * maxwell_mean_energy(5.0));
    EXPECT_NEAR(values_of(names[2]).mean, maxwell_mean_energy(20.0), 0.01 * maxwell_mean_energy(20.0));
    // The SAVERESULTS line ended the second block: its lines were read as
    // ordinary lines and nothing was saved.
    EXPECT_FALSE(dir.exists("res.txt"));
    EXPECT_EQ(log_lines(dir).back(), CR + "FINISHED");
}

TEST(RunCommand, DataLineWithTooFewValuesEndsTheBlock) {
    TempDir dir;
    const std::string script =
        conditions_with({{kCondEN, "VAR"}, {kCondGasTemp, "VAR"}}) + "RUN\n10 300\n20\n30 300\nCLEARRUNS\n";
    run_script(dir, script);
    const std::vector<std::string> log = log_lines(dir);
    const std::vector<std::string> names = run_names(log);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].substr(0, 13), "R1    10.0 Td");
    // "30 300" is no command; CLEARRUNS is.
    EXPECT_EQ(log[log.size() - 2], CR + "CLEARRUNS");
}

TEST(RunCommand, TooManyRuns) {
    TempDir dir;
    const std::string script =
        conditions_with({}) + "RUNSERIES\n1\n1 100\n1002\n1\nRUN\nRUN\nRUNSERIES\n1\n1 2\n5\n1\n";
    const RunOutcome r = run_script(dir, script);
    EXPECT_EQ(r.exit_status, 0);
    const std::vector<std::string> log = log_lines(dir);
    const std::vector<std::string> names = run_names(log);
    ASSERT_EQ(names.size(), 1002u);
    EXPECT_EQ(names[999].substr(0, 4), "R***");
    const std::vector<std::string> tail(log.end() - 7, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{CR + "RUN", "Error: Too many runs" + std::string(44, ' '), CR + "RUN",
                                              "Too many runs", CR + "RUNSERIES", "Too many runs", CR + "FINISHED"}));
}

TEST(RunSeries, ShortenedSeriesStillSpansItsValues) {
    TempDir dir;
    const std::string script = conditions_with({}) + "RUNSERIES\n1\n1 1000\n1000\n1\nRUNSERIES\n1\n10 100\n10\n1\n";
    run_script(dir, script);
    const std::vector<std::string> names = run_names(log_lines(dir));
    ASSERT_EQ(names.size(), 1002u);
    EXPECT_EQ(names[1000].substr(0, 13), "R***  10.0 Td");
    EXPECT_EQ(names[1001].substr(0, 13), "R***  55.0 Td");
    EXPECT_EQ(log_lines(dir).back(), CR + "FINISHED");
}

TEST(RunSeries, ForwardAndBackwardRows) {
    TempDir dir;
    const std::string series = "1\n1 1000\n4\n3\n";
    run_script(dir, load_maxwell(dir) + conditions_with({}) + "RUNSERIES\n" + series + "RUNBACK\n" + series);
    const std::vector<std::string> names = run_names(log_lines(dir));
    ASSERT_EQ(names.size(), 8u);
    const char* forward[] = {"R1    1.00 Td", "R2    10.0 Td", "R3    100. Td", "R4    1000. Td"};
    const char* backward[] = {"R8    1000. Td", "R7    100. Td", "R6    10.0 Td", "R5    1.00 Td"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(names[k].substr(0, std::string(forward[k]).size()), forward[k]);
        EXPECT_EQ(names[4 + k].substr(0, std::string(backward[k]).size()), backward[k]);
    }
    // The same E/N gives the same mean energy whichever neighbour it starts from.
    EXPECT_NEAR(values_of(names[1]).mean, values_of(names[6]).mean, 0.01 * values_of(names[1]).mean);
}

TEST(RunSeries, TargetMeanEnergiesAreMet) {
    for (const char* keyword : {"RUNSERIES", "RUNBACK"}) {
        TempDir dir;
        const std::string script =
            load_maxwell(dir) + conditions_with({}) + keyword + "\n2\n2 5\n4\n1\n";
        run_script(dir, script);
        const std::vector<std::string> names = run_names(log_lines(dir));
        ASSERT_EQ(names.size(), 4u) << keyword;
        for (const std::string& n : names) {
            const int row = std::atoi(n.c_str() + 1);
            const double target = 1.0 + row;
            // The convergence condition 1e-4 bounds the tolerance.
            EXPECT_NE(n.find("    " + std::to_string(row + 1) + ".00 eV"), std::string::npos) << n;
            EXPECT_NEAR(values_of(n).field, maxwell_field_for(target), 0.01 * maxwell_field_for(target)) << n;
        }
    }
}

TEST(RunSeries, UnreachableTargetIsMarked) {
    // At 300 K the mean energy cannot fall below 1.5 kT = 0.039 eV.
    TempDir dir;
    const std::string script =
        load_maxwell(dir) + conditions_with({{kCondGasTemp, "300"}}) + "RUNSERIES\n2\n0.01 0.02\n2\n1\n";
    run_script(dir, script);
    const std::vector<std::string> names = run_names(log_lines(dir));
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& n : names)
        EXPECT_NE(n.find(" Td    Incorrect mean energy"), std::string::npos) << n;
}

TEST(Run2D, SecondVariableUndefined) {
    const std::vector<std::pair<std::string, std::vector<std::pair<int, std::string>>>> cases = {
        {"no VAR entry", {}},
        {"last VAR entry is E/N", {{kCondEN, "VAR"}}},
        {"last VAR entry is the mass ratio", {{kCondGasTemp, "VAR"}, {kCondIonMassRatio, "VAR"}}},
    };
    for (const auto& [what, changes] : cases) {
        TempDir dir;
        // Reads 1-21 are the conditions, read 22 the RUN2D line.
        const RunOutcome r = run_script(dir, conditions_with(changes) + "RUN2D\n1\n1 2 3 4\n1 1\n1 1\nt.txt\n");
        EXPECT_EQ(r.exit_status, kAbortExitStatus);
        const std::vector<std::string> log = log_lines(dir);
        ASSERT_EQ(log.size(), 4u) << what;
        EXPECT_EQ(log[1], CR + "RUN2D") << what;
        EXPECT_EQ(log[2], "Second variable undefined") << what;
        EXPECT_EQ(log[3], abort_line(22)) << what;
        EXPECT_FALSE(dir.exists("t.txt")) << what;
    }
}

TEST(Run2D, FortyByThirtyKeepsThirtyThreeRows) {
    TempDir dir;
    const std::string script =
        conditions_with({{kCondGasTemp, "VAR"}}) + "RUN2D\n1\n1 100 0 300\n40 30\n1 1\ngrid.txt\n";
    run_script(dir, script);
    const std::vector<std::string> log = log_lines(dir);
    EXPECT_EQ(log[2], "Too many runs");
    const std::vector<std::string> names = run_names(log);
    ASSERT_EQ(names.size(), 990u);
    EXPECT_EQ(names[32].substr(0, 13), "R33   100. Td");  // the last row reaches x2
    EXPECT_EQ(names[33].substr(0, 13), "R34   1.00 Td");  // first row of column 2
    EXPECT_EQ(log[log.size() - 2], "grid.txt");
    // 33 row records after the row header, then the column block.
    const std::vector<std::string> table = split_lines(dir.read("grid.txt"));
    ASSERT_GT(table.size(), 37u);
    EXPECT_EQ(table[34], "");
    EXPECT_EQ(table[36].size(), 30u * 12u);
}

// The table file of a target-mean-energy grid: rows are the targets 2 and
// 4 eV, columns the excitation temperature, which a gas without inelastic
// processes ignores.
TEST(Run2D, TableFileOfATargetEnergyGrid) {
    TempDir dir;
    const std::string script = load_maxwell(dir) + conditions_with({{kCondExcTemp, "VAR"}}) +
                               "RUN2D\n2\n2 4 0 300\n2 2\n1 1\n'tab/le.txt'\n";
    fs::create_directory(dir / "tab");
    const RunOutcome r = run_script(dir, script);
    EXPECT_EQ(r.exit_status, 0);
    const std::vector<std::string> log = log_lines(dir);
    EXPECT_EQ(log[log.size() - 2], "tab/le.txt");
    ASSERT_EQ(run_names(log).size(), 4u);

    const std::vector<std::string> t = split_lines(dir.read("tab/le.txt"));
    auto label = [](const std::string& head, const std::string& text) {
        std::string l = text;
        l.resize(64, ' ');
        return " " + head + l;
    };
    const std::vector<std::string> head = {
        " Rows: Mean energy(eV)",
        "   2.000    ",
        "   4.000    ",
        "",
        label("Columns: ", "Excitation temperature (K)"),
        "   0.000       300.0    ",
        "",
        label("", "Electric field / N (Td)"),
    };
    ASSERT_GE(t.size(), head.size() + 2);
    for (std::size_t k = 0; k < head.size(); ++k) EXPECT_EQ(t[k], head[k]) << k;
    // The E/N found for each target, in both columns.
    for (int row = 0; row < 2; ++row) {
        const std::string& rec = t[head.size() + row];
        ASSERT_EQ(rec.size(), 24u);
        const double expected = maxwell_field_for(2.0 * (row + 1));
        EXPECT_NEAR(std::strtod(rec.substr(0, 12).c_str(), nullptr), expected, 0.005 * expected) << rec;
        EXPECT_NEAR(std::strtod(rec.substr(12).c_str(), nullptr), expected, 0.005 * expected) << rec;
    }
    // Result blocks 1..20 without 10, then the one collision.
    std::size_t at = head.size() + 2;
    const char* labels[] = {"Mean energy (eV)", "Mobility *N (1/m/V/s)"};
    for (const char* l : labels) {
        ASSERT_LT(at + 3, t.size());
        EXPECT_EQ(t[at], "");
        EXPECT_EQ(t[at + 1], label("", l));
        at += 4;
    }
    // Mobility * N of a constant collision frequency: (e/m) / K.
    const double mobility = kChargeToMass / kCollisionRate;
    for (std::size_t k = at - 2; k < at; ++k)
        EXPECT_NEAR(std::strtod(t[k].substr(0, 12).c_str(), nullptr), mobility, 0.005 * mobility) << t[k];
    at += 4 * 17;  // results 3..20 but 10
    ASSERT_EQ(t.size(), at + 4);
    EXPECT_EQ(t[at], "");
    EXPECT_EQ(t[at + 1], label("", "C1    Maxw    Elastic"));
    for (std::size_t k = 0; k < t.size(); ++k)
        if (!t[k].empty() && t[k][0] != ' ') ADD_FAILURE() << "record " << k << ": " << t[k];
}

TEST(Run2D, TableFileThatCannotBeOpenedAborts) {
    TempDir dir;
    const std::string script =
        conditions_with({{kCondGasTemp, "VAR"}}) + "RUN2D\n1\n1 2 0 300\n2 2\n1 1\n'no/t.txt'\nCLEARRUNS\n";
    run_script(dir, script);
    const std::vector<std::string> log = log_lines(dir);
    EXPECT_EQ(run_names(log).size(), 4u);
    EXPECT_EQ(log.back(), abort_line(27));
}

}  // namespace
}  // namespace kestor::test
