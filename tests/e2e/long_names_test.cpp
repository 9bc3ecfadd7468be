// File names longer than the 256 characters a name holds: the script, a
// data file, a result file or a RUN2D table file whose name had to be cut is treated as
// a file that cannot be opened, never as the file its first 256 characters
// name. Names that fit, trailing blanks aside, are used as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

// Two folders and a file whose path is 256 characters long, and a name
// of 300 characters whose first 256 are that path. Both files exist, so a
// cut name would open the wrong one.
const std::string kFolders = std::string(120, 'd') + "/" + std::string(120, 'e');
const std::string kFits = kFolders + "/" + std::string(14, 'f');
const std::string kTooLong = kFits + std::string(44, 'g');
// One word without a folder, too long to be cut into a name that exists.
const std::string kLongWord(300, 'h');

std::string quoted(const std::string& name) { return "'" + name + "'"; }
// Conditions without a VAR entry (reads 1-21), then RUN: one run, which
// ends at once with status 11 as no collision is loaded.
std::string one_run() { return conditions_with({}) + "RUN\n"; }
const std::string kRunName = padded("R1    10.0 Td    Missing elastic collisions");

std::string save(const std::string& name, int layout) {
    return "SAVERESULTS\n" + name + "\n" + std::to_string(layout) + "\n1\n1\n1\n1\n1\n1\n0\n";
}

// Conditions with the gas temperature as VAR entry, then a grid of one
// run (reads 22-27) whose table file is `name`.
std::string grid(const std::string& name) {
    return conditions_with({{kCondGasTemp, "VAR"}}) + "RUN2D\n1\n1 2 0 300\n1 1\n1 1\n" + name + "\n";
}
const std::string kGridRunName = padded("R1    1.00 Td    Missing elastic collisions");

const std::vector<std::string> kLoaded = {CR + "READCOLLISIONS", "Xn", kFits, padded("C1    Xn    Elastic"),
                                          CR + "FINISHED"};

// A file the run must leave, with the start of a line it must hold.
struct Made {
    std::string file;
    std::string line_start;
};

bool holds_line_starting(const std::string& text, const std::string& start) {
    const std::vector<std::string> lines = split_lines(text);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(start); });
}

struct NameCase {
    const char* label;
    std::string script;
    std::vector<std::string> log;  // after the first line
    bool writes_short_file;        // the 256-character name is given and written
    std::vector<Made> made;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

// clang-format off
const NameCase kCases[] = {
    {"data_file_name_too_long",
     "READCOLLISIONS\n" + quoted(kTooLong) + "\nXn\n0\nEND\n",
     {CR + "READCOLLISIONS", CR + "Cannot find file " + kFits, abort_line(2)}, false, {}},
    {"data_file_word_too_long",
     "READCOLLISIONS\n" + kLongWord + "\nXn\n0\nEND\n",
     {CR + "READCOLLISIONS", CR + "Cannot find file " + kLongWord.substr(0, 256), abort_line(2)}, false, {}},
    {"data_file_name_that_fits",
     "READCOLLISIONS\n" + quoted(kFits) + "\nXn\n0\nEND\n", kLoaded, false, {}},
    {"data_file_name_with_blanks_after_it",
     "READCOLLISIONS\n" + quoted(kFits + std::string(60, ' ')) + "\nXn\n0\nEND\n", kLoaded, false, {}},

    // The script goes on, and the run held is saved by the next command.
    {"result_file_name_too_long",
     one_run() + save(quoted(kTooLong), 1) + save("kept.txt", 1),
     {CR + "RUN", kRunName, CR + "SAVERESULTS", kFits, "ERROR: Cannot write to file", CR + "SAVERESULTS", "kept.txt",
      CR + "FINISHED"},
     false, {{"kept.txt", "R1  "}}},
    {"result_file_name_that_fits",
     one_run() + save(quoted(kFits), 1),
     {CR + "RUN", kRunName, CR + "SAVERESULTS", kFits, CR + "FINISHED"}, true, {{kFits, "R1  "}}},
    // The lookup layout writes files of its own names and no main file.
    {"lookup_layout_ignores_the_name",
     one_run() + save(quoted(kTooLong), 6),
     {CR + "RUN", kRunName, CR + "SAVERESULTS", kFits, CR + "FINISHED"}, false, {{"energy.lut", ""}}},

    // The grid is computed; then the table file cannot be opened.
    {"table_file_name_too_long",
     grid(quoted(kTooLong)),
     {CR + "RUN2D", kGridRunName, abort_line(27)}, false, {}},
    {"table_file_name_that_fits",
     grid(quoted(kFits)),
     {CR + "RUN2D", kGridRunName, kFits, CR + "FINISHED"}, true, {{kFits, " Rows: Electric field / N (Td)"}}},
};
// clang-format on

class LongName : public ::testing::TestWithParam<NameCase> {};

TEST_P(LongName, IsRefusedWhenCut) {
    const NameCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir / kFolders);
    dir.copy_fixture("names/gas.txt", kFits);
    dir.copy_fixture("names/gas.txt", kTooLong);
    const std::string before = dir.read(kFits);

    const RunOutcome r = run_script(dir, c.script);
    // The ABORT exit, or a result file refused and the script finished.
    const bool aborts = c.log.back().find("ABORT: Error in input file line:") != std::string::npos;
    const bool refused = std::find(c.log.begin(), c.log.end(), "ERROR: Cannot write to file") != c.log.end();
    EXPECT_EQ(r.exit_status, aborts ? kAbortExitStatus : refused ? kResultFileExitStatus : kExitSuccess);
    std::vector<std::string> log = {"KESTOR+ script file: script.kes"};
    log.insert(log.end(), c.log.begin(), c.log.end());
    EXPECT_EQ(log_lines(dir), log);
    for (const Made& m : c.made) {
        ASSERT_TRUE(dir.exists(m.file)) << m.file;
        EXPECT_TRUE(holds_line_starting(dir.read(m.file), m.line_start)) << m.file;
    }
    // The file that the first 256 characters name is not written in place
    // of the one the script gives.
    if (!c.writes_short_file) {
        EXPECT_EQ(dir.read(kFits), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LongName, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.label); });

// The script name, given as the argument or typed at the prompt: a cut
// name is a script that cannot be found, even where its first 256
// characters name a script.
struct ScriptNameCase {
    const char* label;
    std::vector<std::string> args;
    std::string typed;
    std::string logged_name;  // what the log shows as the script's name
    bool runs;
};

void PrintTo(const ScriptNameCase& c, std::ostream* os) { *os << c.label; }

const ScriptNameCase kScriptNames[] = {
    {"argument_too_long", {kTooLong}, "", kFits, false},
    {"argument_that_fits", {kFits}, "", kFits, true},
    {"typed_too_long", {}, quoted(kTooLong) + "\n", kFits, false},
    {"typed_that_fits", {}, quoted(kFits) + "\n", kFits, true},
};

class LongScriptName : public ::testing::TestWithParam<ScriptNameCase> {};

TEST_P(LongScriptName, IsRefusedWhenCut) {
    const ScriptNameCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir / kFolders);
    dir.write(kFits, "CLEARRUNS\n");
    dir.write(kTooLong, "CLEARRUNS\n");
    const RunOutcome r = run_kestor(dir, c.args, c.typed);
    EXPECT_EQ(r.exit_status, c.runs ? kExitSuccess : kAbortExitStatus);
    EXPECT_EQ(log_lines(dir), script_name_log(c.logged_name, c.runs));
}

INSTANTIATE_TEST_SUITE_P(Cases, LongScriptName, ::testing::ValuesIn(kScriptNames),
                         [](const ::testing::TestParamInfo<ScriptNameCase>& info) {
                             return std::string(info.param.label);
                         });

}  // namespace
}  // namespace kestor::test
