// RUN, RUNSERIES, RUNBACK and RUN2D end to end. Runs without collision data
// end at once with status 11, which keeps the run-count tests fast; the
// searches and the table file use a gas with a constant collision
// frequency, whose mean energy is known: (e/m)(E/N)^2 / (2 r K^2), and the
// mixtures and the failing searches the species of runs/plain_species.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
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

// The species of tests/fixtures/runs/plain_species.txt, copied into `dir`,
// and the READCOLLISIONS block that loads `species` from it.
std::string load_plain(const TempDir& dir, const std::string& species) {
    dir.copy_fixture("runs/plain_species.txt", "plain_species.txt");
    return "READCOLLISIONS\nplain_species.txt\n" + species + "\n0\n";
}

// A SAVERESULTS block writing every run to `file` in layout 7.
std::string save_raw(const std::string& file) { return "SAVERESULTS\n'" + file + "'\n7\n0\n0\n0\n0\n0\n0\n0\n"; }

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

// Targets that fall from 6 to 3 eV: RUNSERIES computes them in row order,
// each run after the first starting from the run before it (a step down),
// and RUNBACK from 3 eV up. The negative step of the series must not make
// the tolerance negative: every target is met.
TEST(RunSeries, FallingTargetMeanEnergies) {
    TempDir dir;
    const std::string series = "2\n6 3\n3\n1\n";
    const RunOutcome r = run_script(dir, load_maxwell(dir) + conditions_with({}) + "RUNSERIES\n" + series +
                                             "RUNBACK\n" + series + save_raw("raw.txt"));
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::vector<std::string> log = log_lines(dir);
    const auto from = std::find(log.begin(), log.end(), CR + "RUNSERIES");
    ASSERT_NE(from, log.end());
    EXPECT_EQ(std::vector<std::string>(from, log.end()),
              (std::vector<std::string>{CR + "RUNSERIES", padded("R1    8.26 Td    6.00 eV"),
                                        padded("R2    7.15 Td    4.50 eV"), padded("R3    5.84 Td    3.00 eV"),
                                        CR + "RUNBACK", padded("R6    5.84 Td    3.00 eV"),
                                        padded("R5    7.15 Td    4.50 eV"), padded("R4    8.26 Td    6.00 eV"),
                                        CR + "SAVERESULTS", "raw.txt", CR + "FINISHED"}));

    // The E/N found and the mean energy reached: within 1e-4 of the target
    // and of the analytic mean energy at that E/N. RUNBACK starts its
    // searches elsewhere and stops at other E/N.
    struct Row {
        double target;
        const char* field;
        const char* mean;
    };
    const Row rows[] = {
        {6.0, "8.25992300809715", "5.99977496767433"}, {4.5, "7.15341797080202", "4.49996375595924"},
        {3.0, "5.84075049814351", "3.00000047542817"}, {6.0, "8.25990056523425", "5.99974234589862"},
        {4.5, "7.15329038366441", "4.49980326365157"}, {3.0, "5.84075679344344", "3.00000694266138"},
    };
    const std::vector<RunWords> raw = resume_runs(dir.read("raw.txt"), 1, 1);
    ASSERT_EQ(raw.size(), 6u);
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const std::string run = "run " + std::to_string(k + 1);
        expect_full_precision(raw[k].conditions[kCondEN], rows[k].field, run + " E/N");
        expect_full_precision(raw[k].results[kResMeanEnergy], rows[k].mean, run + " mean energy");
        EXPECT_EQ(raw[k].results[kResStatus], "0.000000000000000E+000") << run;
        const double mean = std::strtod(raw[k].results[kResMeanEnergy].c_str(), nullptr);
        const double field = std::strtod(raw[k].conditions[kCondEN].c_str(), nullptr);
        EXPECT_NEAR(mean, rows[k].target, 1e-4 * rows[k].target) << run;
        EXPECT_NEAR(maxwell_mean_energy(field), mean, 1e-4 * mean) << run;
    }
}

// A target series whose every solve fails: each run probes 1 and 1000 Td
// (a failed neighbour gives no starting point), then halves its way from
// 1000 Td toward the 1 Td probe for all 20 steps and keeps the last one,
// 1 + 999/2^20 Td, with the status of that failed solve.
TEST(RunSeries, TargetSeriesWhoseEverySolveFails) {
    struct Case {
        const char* what;
        const char* species;
        std::vector<std::pair<int, std::string>> changes;
        const char* keyword;
        const char* shown;   // the status in the run name
        const char* status;  // result 30 in the RESUME section
    };
    const Case cases[] = {
        {"no elastic data", "Gx", {}, "RUNSERIES", "Missing elastic collisions", "11.0000000000000"},
        {"no grid points", "Ga", {{kCondGridPoints, "0"}}, "RUNBACK", "Failed", "1.00000000000000"},
        {"stopped by the iteration limit", "Ga", {{kCondMaxIterations, "1"}}, "RUNSERIES", "Failed",
         "1.00000000000000"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const RunOutcome r = run_script(dir, load_plain(dir, c.species) + conditions_with(c.changes) + c.keyword +
                                                 "\n2\n6 3\n3\n1\n" + save_raw("raw.txt"));
        ASSERT_EQ(r.exit_status, 0) << c.what << ": " << r.err;
        const bool backward = std::string(c.keyword) == "RUNBACK";
        std::vector<std::string> expected;
        for (int k = 1; k <= 3; ++k)
            expected.push_back(padded("R" + std::to_string(backward ? 4 - k : k) + "    1.00 Td    " + c.shown));
        EXPECT_EQ(run_names(log_lines(dir)), expected) << c.what;
        const std::vector<RunWords> raw = resume_runs(dir.read("raw.txt"), 1, 1);
        ASSERT_EQ(raw.size(), 3u) << c.what;
        for (std::size_t k = 0; k < raw.size(); ++k) {
            EXPECT_EQ(raw[k].conditions[kCondEN], "1.00095272064209") << c.what << ", run " << k + 1;
            EXPECT_EQ(raw[k].results[kResStatus], c.status) << c.what << ", run " << k + 1;
        }
    }
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

// Rows and columns over two mole fractions given as VAR on the composition
// line. With a normalisation switch other than 0 every species gets a
// column block holding its fraction in the last row of each column: the row
// fraction shows its last row value there, a fixed fraction (switch 1) what
// is left beside the two varied ones.
TEST(Run2D, RowsAndColumnsOfTwoVariedMoleFractions) {
    struct Case {
        const char* what;
        const char* species;
        const char* composition;
        std::vector<std::string> records;  // from "Rows:" to the last column record
    };
    const std::string f2 = "  0.2000    ", f4 = "  0.4000    ", f6 = "  0.6000    ";
    const Case cases[] = {
        {"two species, normalised",
         "Ga Gb",
         "VAR VAR\n1\n",
         {" Rows: Mole fraction Ga", f2, f4, f6, "", " Columns: Mole fraction Ga", f6 + f6, "",
          " Columns: Mole fraction Gb", "  0.1000      0.3000    "}},
        {"three species, the middle one fixed, normalised",
         "Ga Gb Gc",
         "VAR 0.5 VAR\n1\n",
         {" Rows: Mole fraction Ga", f2, f4, f6, "", " Columns: Mole fraction Ga", f6 + f6, "",
          " Columns: Mole fraction Gb", "  0.3000      0.1000    ", "", " Columns: Mole fraction Gc",
          "  0.1000      0.3000    "}},
        {"two species, not normalised",
         "Ga Gb",
         "VAR VAR\n0\n",
         {" Rows: Mole fraction Ga", f2, f4, f6, "", " Columns: Mole fraction Gb", "  0.1000      0.3000    "}},
        // Switch 2 normalises nothing, but like 1 it lists every species.
        {"three species, switch 2",
         "Ga Gb Gc",
         "VAR 0.5 VAR\n2\n",
         {" Rows: Mole fraction Ga", f2, f4, f6, "", " Columns: Mole fraction Ga", f6 + f6, "",
          " Columns: Mole fraction Gb", "  0.5000      0.5000    ", "", " Columns: Mole fraction Gc",
          "  0.1000      0.3000    "}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const RunOutcome r = run_script(dir, load_plain(dir, c.species) + conditions_with({}, c.composition) +
                                                 "RUN2D\n1\n0.2 0.6 0.1 0.3\n3 2\n1 1\ngrid.txt\n");
        ASSERT_EQ(r.exit_status, 0) << c.what << ": " << r.err;
        EXPECT_EQ(run_names(log_lines(dir)).size(), 6u) << c.what;
        const std::vector<std::string> t = split_lines(dir.read("grid.txt"));
        ASSERT_GT(t.size(), c.records.size() + 1) << c.what;
        EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + c.records.size()), c.records) << c.what;
        // The result blocks follow.
        EXPECT_EQ(t[c.records.size()], "") << c.what;
        EXPECT_EQ(t[c.records.size() + 1], " " + padded("Mean energy (eV)")) << c.what;
    }
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
