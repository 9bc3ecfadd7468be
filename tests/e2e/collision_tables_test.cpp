// Tables the data-file reader builds, seen through whole runs: the
// rotational levels of a species, cross-section tables that fill their
// room, tables that start at their threshold, and keyword lines that also
// hold a table's dash line.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

// The one run of a layout 7 file, with the default grid.
RawRun single_run(const std::string& text, int species, int collisions) {
    const std::vector<RawRun> runs = raw_runs(text, species, collisions, kDefaultGridPoints);
    return runs.size() == 1 ? runs[0] : RawRun{};
}

// The lines of the rotational level list in a result file's header.
std::vector<std::string> level_list(const std::string& text) {
    std::vector<std::string> out;
    const std::vector<std::string> lines = split_lines(text);
    bool in_list = false;
    for (const std::string& l : lines) {
        if (l == "Rotational states:") {
            in_list = true;
            continue;
        }
        if (in_list && l.empty()) break;
        if (in_list) out.push_back(l);
    }
    return out;
}

const std::string kSaveLayout7 = "SAVERESULTS\nres.txt\n7\n1\n1\n1\n1\n1\n1\n0\n";

// A species' levels are every level of its rotations, however many
// collisions are held: the same gas gives the same run grouped or with
// SHOWROT, loaded first or after another gas.
TEST(RotationalLevels, SameRunGroupedOrShownLoadedFirstOrAfterAnotherGas) {
    struct Way {
        std::string what;
        bool showrot;
        bool after_other_gas;
    };
    const Way ways[] = {
        {"grouped, loaded first", false, false},
        {"grouped, loaded after Ar", false, true},
        {"SHOWROT, loaded first", true, false},
        {"SHOWROT, loaded after Ar", true, true},
    };
    // Gas at 300 K; grid type 1 from 60 eV, so that the grid does not
    // depend on which collisions are visible.
    const std::string conditions = conditions_with(
        {{kCondGasTemp, "300"}, {kCondGridType, "1"}, {kCondMaxEnergy, "60"}});
    RawRun reference;
    std::vector<std::string> reference_levels;
    for (const Way& w : ways) {
        TempDir dir;
        dir.copy_fixture("collisions/gas_ar.txt", "ar.txt");
        dir.write("mol.txt", rotor_gas(12, " 0.1 2.0e-21\n 1.0 5.0e-21\n 10.0 2.0e-21\n", w.showrot));
        std::string script;
        if (w.after_other_gas) script += "READCOLLISIONS\nar.txt\nAr\n0\n";
        script += "READCOLLISIONS\nmol.txt\nM\n0\n";
        script += w.after_other_gas ? conditions + "0 1\n1\n" : conditions;
        script += "RUN\n" + kSaveLayout7 + "END\n";
        const RunOutcome r = run_script(dir, script);
        ASSERT_EQ(r.exit_status, 0) << w.what;
        const std::string res = dir.read("res.txt");
        const int collisions = (w.after_other_gas ? 4 : 0) + (w.showrot ? 13 : 2);
        const RawRun run = single_run(res, w.after_other_gas ? 2 : 1, collisions);
        ASSERT_EQ(run.results.size(), static_cast<std::size_t>(kNumResults) + 1) << w.what;
        EXPECT_EQ(run.results[kResStatus], 0.0) << w.what;  // solved
        const std::vector<std::string> levels = level_list(res);
        EXPECT_EQ(levels.size(), 13u) << w.what;
        if (reference.results.empty()) {
            reference = run;
            reference_levels = levels;
            continue;
        }
        EXPECT_EQ(levels, reference_levels) << w.what;
        EXPECT_EQ(run.results, reference.results) << w.what;
        EXPECT_EQ(run.distribution, reference.distribution) << w.what;
    }
}

// An elastic table of 2e-20 m2 up to 99.9 eV whose last point is 1e-20 m2
// at 100 eV, written in `points` points.
std::string elastic_with_a_drop(int points) {
    std::ostringstream s;
    s.precision(10);
    s << "ELASTIC\nX\n 2.0e-5\n-----\n";
    for (int j = 0; j < points - 1; ++j) s << " " << 0.1 + (99.9 - 0.1) * j / (points - 2) << " 2.0e-20\n";
    s << " 100.0 1.0e-20\n-----\n";
    return s.str();
}

// A table that fills its 1003 points is completed all the same: it gives
// the run of the same table written in 1000 points.
TEST(FullTables, GiveTheRunOfTheSameTableInFewerPoints) {
    std::vector<RawRun> runs;
    for (int points : {1000, kMaxCsPoints}) {
        TempDir dir;
        dir.write("x.txt", elastic_with_a_drop(points));
        const RunOutcome r = run_script(
            dir, "READCOLLISIONS\nx.txt\nX\n0\n" + conditions_with({{kCondEN, "12"}}) + "RUN\n" + kSaveLayout7 + "END\n");
        ASSERT_EQ(r.exit_status, 0) << points;
        runs.push_back(single_run(dir.read("res.txt"), 1, 1));
        ASSERT_EQ(runs.back().results.size(), static_cast<std::size_t>(kNumResults) + 1) << points;
        EXPECT_EQ(runs.back().results[kResStatus], 0.0) << points;  // solved
    }
    EXPECT_NEAR(runs[0].results[kResMeanEnergy], 87.376, 0.001);  // eV
    // Equal within the discretisation of the two tables.
    for (int i = 1; i < kResStatus; ++i)
        EXPECT_NEAR(runs[1].results[i], runs[0].results[i], 1e-9 * std::abs(runs[0].results[i])) << i;
}

// An excitation whose file table starts at its threshold with a value
// above 0 excites nothing below the threshold: it gives, byte for byte,
// the result file of the same table starting there with 0.
TEST(ThresholdTables, AValueAtTheThresholdExcitesNothingBelowIt) {
    std::vector<std::string> files;
    for (const char* first : {"3.0 5.0e-21", "3.0 0.0"}) {
        TempDir dir;
        dir.write("x.txt", std::string("ELASTIC\nX\n 2.0e-5\n-----\n 0.0 5.0e-20\n 10.0 1.0e-19\n 100.0 5.0e-20\n-----\n\n") +
                               "EXCITATION\nX -> X*\n 3.0\n-----\n " + first + "\n 6.0 1.0e-20\n 50.0 5.0e-21\n-----\n");
        const RunOutcome r = run_script(
            dir, "READCOLLISIONS\nx.txt\nX\n0\n" + conditions_with({{kCondEN, "30"}}) + "RUN\n" + kSaveLayout7 + "END\n");
        ASSERT_EQ(r.exit_status, 0) << first;
        files.push_back(dir.read("res.txt"));
        const RawRun run = single_run(files.back(), 1, 2);
        ASSERT_EQ(run.results.size(), static_cast<std::size_t>(kNumResults) + 1) << first;
        EXPECT_EQ(run.results[kResStatus], 0.0) << first;
    }
    EXPECT_EQ(files[0], files[1]);
}

const std::string kFinished = CR + "FINISHED";

// A keyword line holding a table's dash line starts one block: the
// attachment gets the table after its target line.
TEST(DataFileKeywordLines, DashesOnAKeywordLineStartOneBlock) {
    struct Case {
        std::string what;
        std::string data;
        std::vector<std::string> names;
    };
    const std::string elastic = "ELASTIC\nX\n 2e-5\n-----\n 0 1e-20\n 100 1e-20\n-----\n";
    const std::string attachment = "\n-----\n 0 0\n 5 1e-21\n 10 2e-21\n-----\n";
    const Case cases[] = {
        {"dashes on the keyword line", "ATTACHMENT ----------\nX" + attachment + elastic,
         {"C1    X    Attachment", "C2    X    Elastic"}},
        {"dashes on the last keyword line", elastic + "ATTACHMENT -----\nX\n",
         {"C1    X    Elastic", "C2    X    Attachment"}},
        {"dashes on the last target line", elastic + "ATTACHMENT\nX  / -----\n",
         {"C1    X    Elastic", "C2    X    Attachment"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("x.txt", c.data);
        const RunOutcome r = run_script(dir, "NOSCREEN\nREADCOLLISIONS\nx.txt\nX\n0\n" + kSaveLayout7 + "END\n");
        EXPECT_EQ(r.exit_status, 0) << c.what;
        std::vector<std::string> expected = {"KESTOR+ script file: script.kes", CR + "READCOLLISIONS", "X", "x.txt"};
        for (const std::string& n : c.names) expected.push_back(padded(n));
        expected.push_back(CR + "SAVERESULTS");
        expected.push_back("res.txt");
        expected.push_back(kFinished);
        EXPECT_EQ(log_lines(dir), expected) << c.what;
    }
    // The attachment of the first case holds its table, completed.
    TempDir dir;
    dir.write("x.txt", cases[0].data);
    run_script(dir, "READCOLLISIONS\nx.txt\nX\n0\n" + kSaveLayout7 + "END\n");
    const std::string res = dir.read("res.txt");
    EXPECT_NE(res.find("ATTACHMENT\n" + padded("X") + "\n" + std::string(32, '-') +
                       "\n0.000\t0.000\n5.000\t0.1000E-20\n10.00\t0.2000E-20\n0.1000E+05\t0.2000E-20\n"),
              std::string::npos)
        << res;
}

}  // namespace
}  // namespace kestor::test
