// A log that cannot be written is a failure: one line on standard error
// naming the log file and the reason, and exit status 26. A log that
// cannot be started ends the program before any command; one that fails
// part-way is given up (no later line is appended to it) while the script
// goes on, so that its result files are still written.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/child_process.h"

namespace kestor::test {
namespace {

// ---- the log cannot be started --------------------------------------------

struct StartCase {
    const char* name;
    void (*make_log)(const TempDir& dir);  // what stands where the log would be created
    const char* err;
};

void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

// Both hold for root as well, unlike a folder without write permission.
const StartCase kStartCases[] = {
    {"DirectoryInItsPlace", [](const TempDir& d) { fs::create_directory(d / "kestorlog.txt"); },
     "open error on log file \"kestorlog.txt\": Is a directory\n"},
    {"FullDeviceBehindIt", [](const TempDir& d) { fs::create_symlink("/dev/full", d / "kestorlog.txt"); },
     "write error on log file \"kestorlog.txt\": No space left on device\n"},
};

class LogCannotStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(LogCannotStart, EndsBeforeAnyCommandWithStatus26) {
    const StartCase& c = GetParam();
    TempDir dir;
    c.make_log(dir);
    dir.write("s.kes", "CLEARRUNS\nSAVERESULTS\nres.txt\n1\n0\n0\n0\n0\n0\n0\n0\n");
    const RunOutcome r = run_kestor(dir, {"s.kes"});
    EXPECT_EQ(r.exit_status, kLogFileExitStatus);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(dir.exists("res.txt"));
}

INSTANTIATE_TEST_SUITE_P(Cases, LogCannotStart, ::testing::ValuesIn(kStartCases),
                         [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST(LogCannotStart, AfterThePromptToo) {
    TempDir dir;
    fs::create_directory(dir / "kestorlog.txt");
    dir.write("s.kes", "CLEARRUNS\n");
    const RunOutcome r = run_kestor(dir, {}, "s.kes\n");
    EXPECT_EQ(r.exit_status, kLogFileExitStatus);
    EXPECT_EQ(r.out, "KESTOR+ script file?\n");
    EXPECT_EQ(r.err, "open error on log file \"kestorlog.txt\": Is a directory\n");
}

// ---- the log fails part-way -----------------------------------------------

// Runs kestor on `script` in `dir` with every file it writes limited to
// `limit` bytes (RLIMIT_FSIZE, as `ulimit -f` sets it). SIGXFSZ is left at
// its default, which kills the process at the first write past the limit:
// the program must ignore it itself, so that the write fails with EFBIG
// and is reported. Standard output and error go through pipes, which the
// limit does not cover.
RunOutcome run_with_file_size_limit(const TempDir& dir, const std::string& script, rlim_t limit) {
    return run_child(dir, ChildSetup({script}, {}, {{RLIMIT_FSIZE, limit}}));
}

constexpr rlim_t kLimit = 1000;  // bytes; the log passes it after about 90 lines
const std::string kLongScriptStart = [] {
    std::string s;
    for (int i = 0; i < 120; ++i) s += "CLEARRUNS\n";
    return s;
}();
const std::string kSave = "SAVERESULTS\nres.txt\n1\n1\n1\n1\n1\n1\n1\n0\n";

struct PartWayCase {
    const char* name;
    std::string script_end;  // after the lines that fill the log
    int exit_status;
    std::vector<std::string> err;  // lines on standard error
    bool saves;                    // the result file is written
    std::string script_start = kLongScriptStart;  // the lines that fill the log
};

void PrintTo(const PartWayCase& c, std::ostream* os) { *os << c.name; }

const std::string kFileTooLarge = "write error on log file \"kestorlog.txt\": File too large";

// The log fills up inside the block that READCOLLISIONS writes with the
// log held open.
const std::string kSpeciesBlockStart = [] {
    std::string s;
    for (int i = 0; i < 84; ++i) s += "CLEARRUNS\n";
    return s + "READCOLLISIONS\ngas.txt\nXn\n0\n";
}();

const PartWayCase kPartWayCases[] = {
    {"InsideTheSpeciesBlock", "END\n", kLogFileExitStatus, {kFileTooLarge}, false, kSpeciesBlockStart},
    {"ScriptGoesOnAndSaves", kSave + "END\n", kLogFileExitStatus, {kFileTooLarge}, true},
    {"LaterEndOfFileStopKeepsItsStatus", "SAVERESULTS\nres.txt\n1\n", kEndOfFileExitStatus,
     {kFileTooLarge, "end-of-file during read, unit 7, file s.kes"}, false},
};

class LogFailsPartWay : public ::testing::TestWithParam<PartWayCase> {};

TEST_P(LogFailsPartWay, ReportsOnceAndStopsAppending) {
    const PartWayCase& c = GetParam();
    const std::string script = c.script_start + c.script_end;
    TempDir whole, limited;
    for (const TempDir* d : {&whole, &limited}) {
        d->write("s.kes", script);
        d->copy_fixture("names/gas.txt", "gas.txt");
    }

    // Without the limit the log is complete and the run a success.
    const RunOutcome ok = run_with_file_size_limit(whole, "s.kes", RLIM_INFINITY);
    ASSERT_EQ(ok.exit_status, c.exit_status == kLogFileExitStatus ? 0 : c.exit_status);
    const std::string full_log = whole.read("kestorlog.txt");
    ASSERT_GT(full_log.size(), kLimit);

    const RunOutcome r = run_with_file_size_limit(limited, "s.kes", kLimit);
    EXPECT_EQ(r.exit_status, c.exit_status);
    EXPECT_EQ(split_lines(r.err), c.err);
    // The log keeps what was written before the failure, and nothing after.
    const std::string log = limited.read("kestorlog.txt");
    EXPECT_LE(log.size(), kLimit);
    EXPECT_EQ(log, full_log.substr(0, log.size()));
    // Every line is still echoed.
    EXPECT_EQ(r.out, ok.out);
    EXPECT_EQ(limited.exists("res.txt"), c.saves);
    if (c.saves) {
        EXPECT_EQ(limited.read("res.txt"), whole.read("res.txt"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LogFailsPartWay, ::testing::ValuesIn(kPartWayCases),
                         [](const ::testing::TestParamInfo<PartWayCase>& info) { return std::string(info.param.name); });

// ---- a result file past the limit ---------------------------------------------

// One run of the gas saved with every switch on: about 10000 bytes of
// results for a log of about 220.
const std::string kOneRunSaved = [] {
    std::string s = "READCOLLISIONS\ngas.txt\nXn\n0\n" + conditions_with({}) + "RUN\n";
    return s + kSave;
}();
const std::string kCannotWrite = "ERROR: Cannot write to file";

struct ResultCase {
    const char* name;
    std::string script;
    int exit_status;
    std::vector<std::string> err;
    std::string last_log_line;  // in the limited log
};

void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.name; }

const ResultCase kResultCases[] = {
    {"ScriptGoesOnAndReturns27", kOneRunSaved + "CLEARRUNS\n", kResultFileExitStatus, {}, CR + "FINISHED"},
    // The ABORT exit's own status wins.
    {"LaterAbortKeepsItsStatus", kOneRunSaved + "SAVERESULTS\nx\ny\n", kAbortExitStatus, {},
     abort_line(4 + 1 + kNumConditions + 1 + 10 + 3)},
    // The log fails first, then the result file: the log's status wins.
    {"LogFailedToo", kLongScriptStart + kOneRunSaved, kLogFileExitStatus, {kFileTooLarge}, ""},
};

class ResultFileOverTheLimit : public ::testing::TestWithParam<ResultCase> {};

TEST_P(ResultFileOverTheLimit, IsReportedAndTheScriptGoesOn) {
    const ResultCase& c = GetParam();
    TempDir dir;
    dir.write("s.kes", c.script);
    dir.copy_fixture("names/gas.txt", "gas.txt");
    const RunOutcome r = run_with_file_size_limit(dir, "s.kes", kLimit);
    EXPECT_EQ(r.exit_status, c.exit_status);
    EXPECT_EQ(split_lines(r.err), c.err);
    EXPECT_LE(dir.read("res.txt").size(), kLimit);
    // Logged while the log lasts, echoed always.
    EXPECT_NE(r.out.find("res.txt\n" + kCannotWrite + "\n"), std::string::npos) << r.out;
    const std::vector<std::string> log = split_lines(dir.read("kestorlog.txt"));
    ASSERT_FALSE(log.empty());
    if (!c.last_log_line.empty()) {
        EXPECT_EQ(log.back(), c.last_log_line);
        EXPECT_EQ(std::count(log.begin(), log.end(), kCannotWrite), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ResultFileOverTheLimit, ::testing::ValuesIn(kResultCases),
                         [](const ::testing::TestParamInfo<ResultCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestor::test
