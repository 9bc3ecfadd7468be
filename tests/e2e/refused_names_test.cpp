// File names that name no file, or another one: a name read that assigns
// nothing (a null value, a slash first), an unquoted word cut at a slash
// that a path goes on after, and a name holding a NUL byte are refused like
// a name too long to be held. They never fall back on the name of an
// earlier command or open the file their first part names. A name followed
// by a slash and nothing glued to it, and every quoted name without a NUL,
// are taken as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kNul(1, '\0');

// Every file below `dir` but the run's own standard streams and script.
std::set<std::string> files_in(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        if (!e.is_regular_file()) continue;
        const std::string rel = fs::relative(e.path(), dir.path()).string();
        if (rel != ".stdout" && rel != ".stderr" && rel != ".stdin" && rel != "script.kes") names.insert(rel);
    }
    return names;
}

bool holds_line_starting(const std::string& text, const std::string& start) {
    const std::vector<std::string> lines = split_lines(text);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(start); });
}

// The data files: gas.txt, the same under a name with a blank (what a NUL
// in "ga<NUL>s.txt" was taken for) and in a folder.
const std::set<std::string> kGiven = {"gas.txt", "ga s.txt", "sub/gas.txt"};

void lay_out(const TempDir& dir) {
    fs::create_directories(dir / "sub");
    for (const std::string& f : kGiven) dir.copy_fixture("names/gas.txt", f);
}

// --- Data files: an earlier READCOLLISIONS of gas.txt (reads 1-4), then
// one of the name line under test.
std::string load_again(const std::string& name_line) {
    return "READCOLLISIONS\ngas.txt\nXn\n0\nREADCOLLISIONS\n" + name_line + "\nXn\n0\nEND\n";
}
const std::vector<std::string> kFirstLoad = {CR + "READCOLLISIONS", "Xn", "gas.txt", padded("C1    Xn    Elastic")};

std::vector<std::string> load_refused(const std::string& logged) {
    std::vector<std::string> log = kFirstLoad;
    log.insert(log.end(), {CR + "READCOLLISIONS", CR + "Cannot find file " + logged, abort_line(6)});
    return log;
}
std::vector<std::string> loaded_again(const std::string& file) {
    std::vector<std::string> log = kFirstLoad;
    log.insert(log.end(), {CR + "READCOLLISIONS", "Xn", file, padded("C2    Xn    Elastic"), CR + "FINISHED"});
    return log;
}

// --- Result files: one run saved into res.txt in layout 1 (reads 1-32),
// then saved under the name line in layout 0 (the header only), which
// must not replace res.txt.
std::string one_run() { return conditions_with({}) + "RUN\n"; }
std::string save(const std::string& name, int layout) {
    return "SAVERESULTS\n" + name + "\n" + std::to_string(layout) + "\n1\n1\n1\n1\n1\n1\n0\n";
}
std::string save_again(const std::string& name_line) { return one_run() + save("res.txt", 1) + save(name_line, 0); }
const std::vector<std::string> kFirstSave = {CR + "RUN", padded("R1    10.0 Td    Missing elastic collisions"),
                                             CR + "SAVERESULTS", "res.txt"};

std::vector<std::string> save_refused(const std::string& logged) {
    std::vector<std::string> log = kFirstSave;
    log.insert(log.end(), {CR + "SAVERESULTS", logged, "ERROR: Cannot write to file", CR + "FINISHED"});
    return log;
}
std::vector<std::string> saved_again(const std::string& file) {
    std::vector<std::string> log = kFirstSave;
    log.insert(log.end(), {CR + "SAVERESULTS", file, CR + "FINISHED"});
    return log;
}

// --- RUN2D table files: after the same first save, a grid of one run
// (reads 33-59) whose table file is the name line.
std::string grid_after_save(const std::string& name_line) {
    return one_run() + save("res.txt", 1) + conditions_with({{kCondGasTemp, "VAR"}}) +
           "RUN2D\n1\n1 2 0 300\n1 1\n1 1\n" + name_line + "\n";
}
std::vector<std::string> grid_log(const std::vector<std::string>& tail) {
    std::vector<std::string> log = kFirstSave;
    log.insert(log.end(), {CR + "RUN2D", padded("R1    1.00 Td    Missing elastic collisions")});
    log.insert(log.end(), tail.begin(), tail.end());
    return log;
}

struct NameCase {
    const char* label;
    std::string script;
    std::vector<std::string> log;   // after the first line
    std::set<std::string> written;  // files the run makes
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

const std::set<std::string> kLogOnly = {"kestorlog.txt"};
const std::set<std::string> kResOnly = {"kestorlog.txt", "res.txt"};
std::set<std::string> res_and(const std::string& file) { return {"kestorlog.txt", "res.txt", file}; }

// clang-format off
const NameCase kCases[] = {
    // Refused: nothing is read again, ABORT.
    {"data_null_comma",          load_again(","),             load_refused(""),        kLogOnly},
    {"data_null_repeat",         load_again("1*"),            load_refused(""),        kLogOnly},
    {"data_slash_line",          load_again("/"),             load_refused(""),        kLogOnly},
    {"data_slash_first",         load_again("/gas.txt"),      load_refused(""),        kLogOnly},
    {"data_cut_at_a_slash",      load_again("gas.txt/more"),  load_refused("gas.txt"), kLogOnly},
    {"data_dot_slash",           load_again("./gas.txt"),     load_refused("."),       kLogOnly},
    {"data_nul_inside",          load_again("ga" + kNul + "s.txt"),       load_refused("ga s.txt"), kLogOnly},
    {"data_nul_inside_quotes",   load_again("'ga" + kNul + "s.txt'"),     load_refused("ga s.txt"), kLogOnly},
    {"data_nul_at_the_end",      load_again("gas.txt" + kNul + " x"),     load_refused("gas.txt"),  kLogOnly},
    // Taken as before.
    {"data_slash_after_a_blank", load_again("gas.txt /comment"), loaded_again("gas.txt"), kLogOnly},
    {"data_slash_ends_the_line", load_again("gas.txt/"),        loaded_again("gas.txt"), kLogOnly},
    {"data_slash_then_a_blank",  load_again("gas.txt/ more"),   loaded_again("gas.txt"), kLogOnly},
    {"data_comma_after",         load_again("gas.txt, more"),   loaded_again("gas.txt"), kLogOnly},
    {"data_quoted_path",         load_again("'sub/gas.txt'"),   loaded_again("sub/gas.txt"), kLogOnly},
    {"data_quoted_then_slash",   load_again("'sub/gas.txt'/x"), loaded_again("sub/gas.txt"), kLogOnly},

    // Refused: "ERROR: Cannot write to file", the script goes on, res.txt
    // keeps the first save.
    {"result_null_comma",        save_again(","),               save_refused(""),        kResOnly},
    {"result_slash_first",       save_again("/res.txt"),        save_refused(""),        kResOnly},
    {"result_cut_at_a_slash",    save_again("nodir/res.txt"),   save_refused("nodir"),   kResOnly},
    {"result_word_then_slash",   save_again("res.txt/x"),       save_refused("res.txt"), kResOnly},
    {"result_nul_inside",        save_again("new" + kNul + ".txt"), save_refused("new .txt"), kResOnly},
    // Taken as before.
    {"result_slash_after_a_blank", save_again("new.txt /comment"), saved_again("new.txt"),     res_and("new.txt")},
    {"result_slash_ends_the_line", save_again("new.txt/"),         saved_again("new.txt"),     res_and("new.txt")},
    {"result_quoted_path",         save_again("'sub/new.txt'"),    saved_again("sub/new.txt"), res_and("sub/new.txt")},

    // Refused: the grid is computed, then ABORT; no table is written.
    {"table_null_comma",         grid_after_save(","),               grid_log({abort_line(59)}), kResOnly},
    {"table_slash_first",        grid_after_save("/table.txt"),      grid_log({abort_line(59)}), kResOnly},
    {"table_cut_at_a_slash",     grid_after_save("nodir/table.txt"), grid_log({abort_line(59)}), kResOnly},
    {"table_nul_inside",         grid_after_save("ta" + kNul + "ble.txt"), grid_log({abort_line(59)}), kResOnly},
    // Taken as before.
    {"table_slash_after_a_blank", grid_after_save("table.txt /comment"),
     grid_log({"table.txt", CR + "FINISHED"}), res_and("table.txt")},
};
// clang-format on

class RefusedName : public ::testing::TestWithParam<NameCase> {};

TEST_P(RefusedName, NamesNoOtherFile) {
    const NameCase& c = GetParam();
    TempDir dir;
    lay_out(dir);
    const RunOutcome r = run_script(dir, c.script);
    std::vector<std::string> log = {"KESTOR+ script file: script.kes"};
    log.insert(log.end(), c.log.begin(), c.log.end());
    EXPECT_EQ(log_lines(dir), log);
    // A refused data or table file ends in ABORT, a refused result file
    // lets the script finish and tells at the end.
    const bool aborted = log.back().find("ABORT") != std::string::npos;
    const bool unsaved = std::find(log.begin(), log.end(), "ERROR: Cannot write to file") != log.end();
    EXPECT_EQ(r.exit_status, aborted ? kAbortExitStatus : unsaved ? kResultFileExitStatus : kExitSuccess);
    std::set<std::string> files = kGiven;
    files.insert(c.written.begin(), c.written.end());
    EXPECT_EQ(files_in(dir), files);
    if (c.written.contains("res.txt")) {
        EXPECT_TRUE(holds_line_starting(dir.read("res.txt"), "R1  "));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedName, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.label); });

// The script name typed at the prompt: a refused name is a missing script.
struct TypedCase {
    const char* label;
    std::string typed;
    std::string logged;
    bool runs;
};

void PrintTo(const TypedCase& c, std::ostream* os) { *os << c.label; }

const TypedCase kTyped[] = {
    {"cut_at_a_slash", "s.kes/more\n", "s.kes", false},
    {"nul_inside", "s" + kNul + ".kes\n", "s .kes", false},
    {"null_value", ",s.kes\n", "", false},
    {"slash_after_a_blank", "s.kes /comment\n", "s.kes", true},
    {"quoted_path", "'sub/s.kes'\n", "sub/s.kes", true},
};

class RefusedScriptName : public ::testing::TestWithParam<TypedCase> {};

TEST_P(RefusedScriptName, IsAMissingScript) {
    const TypedCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir / "sub");
    for (const char* name : {"s.kes", "s .kes", "sub/s.kes"}) dir.write(name, "CLEARRUNS\n");
    const RunOutcome r = run_kestor(dir, {}, c.typed);
    EXPECT_EQ(r.exit_status, c.runs ? kExitSuccess : kAbortExitStatus);
    EXPECT_EQ(log_lines(dir), script_name_log(c.logged, c.runs));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedScriptName, ::testing::ValuesIn(kTyped),
                         [](const ::testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kestor::test
