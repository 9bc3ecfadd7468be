// Inputs at and beyond the edges of what the program computes: every one
// ends in a defined way (a run status, the ABORT exit, the end-of-file
// stop, a reported file error), never in a signal, a hang, an access out
// of bounds or a result that is silently wrong. Each script runs under a
// time limit, so that an endless loop fails its case instead of the suite.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

constexpr int kTimeLimitSeconds = 300;
constexpr const char* kGasFixture = "reliability/small_gases.txt";

// Runs kestor in `dir` on `script` (the first argument) with standard input
// from `stdin_path`, killed after the time limit (exit status 137).
RunOutcome run_limited(const TempDir& dir, const std::string& script, const std::string& stdin_path = "/dev/null") {
    const std::string cmd = "cd " + shell_quote(dir.path().string()) + " && timeout -s KILL " +
                            std::to_string(kTimeLimitSeconds) + " " + shell_quote(KESTOR_BINARY) + " " +
                            shell_quote(script) + " < " + shell_quote(stdin_path);
    return run_in(dir, cmd);
}

using Changes = std::vector<std::pair<int, std::string>>;

// Conditions of a plain run of the small gas: the default conditions at
// 300 K, on 100 cells, with at most 100 iterations; `changes` replace
// entries {condition (kCond*), entry}.
std::string conditions(const Changes& changes = {}) {
    Changes all = {{kCondGasTemp, "300"}, {kCondGridPoints, "100"}, {kCondMaxIterations, "100"}};
    all.insert(all.end(), changes.begin(), changes.end());
    return conditions_with(all);
}

// The script start that loads species of the small-gas fixture.
std::string load(const std::string& species) { return "READCOLLISIONS\nsmall_gases.txt\n" + species + "\n0\n"; }

// One RUN of a species of the small-gas fixture, with changed conditions.
std::string one_run(const Changes& changes, const std::string& species = "X") {
    return load(species) + conditions(changes) + "RUN\n";
}

// A run that succeeded shows a finite mean energy and "eV" in its name.
const std::string kSuccess = "eV";

bool is_run_name(const std::string& line) {
    return line.size() >= 2 && line[0] == 'R' && (std::isdigit(static_cast<unsigned char>(line[1])) || line[1] == '*');
}

std::string trimmed(const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

// The mean energy shown by a successful run name: the word before "eV".
bool shows_finite_mean_energy(const std::string& name) {
    const std::string t = trimmed(name);
    if (t.size() < 4 || t.compare(t.size() - 3, 3, " eV") != 0) return false;
    const std::size_t start = t.find_last_of(' ', t.size() - 4);
    const std::string word = t.substr(start + 1, t.size() - 4 - start);
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    return end != word.c_str() && *end == '\0' && std::isfinite(v);
}

struct Case {
    const char* what;
    std::string script;
    int exit_status;
    std::string last_log_line;
    std::vector<std::string> runs;   // per run in log order: kSuccess or the status text
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }


const std::string kFinished = CR + "FINISHED";
const std::string kFailed = "Failed";
const std::string kMissed = "Incorrect mean energy";

const Case kCases[] = {
    // Grid sizes: the work arrays hold 1 to 1000 cells.
    {"grid of 0 cells", one_run({{kCondGridPoints, "0"}}), 0, kFinished, {kFailed}},
    {"negative grid size", one_run({{kCondGridPoints, "-3"}}), 0, kFinished, {kFailed}},
    {"grid of 1001 cells", one_run({{kCondGridPoints, "1001"}}), 0, kFinished, {kFailed}},
    {"grid size beyond 32 bits", one_run({{kCondGridPoints, "1e12"}}), 0, kFinished, {kFailed}},
    {"grid of one cell", one_run({{kCondGridPoints, "1"}}), 0, kFinished, {kFailed}},
    {"grid of two cells", one_run({{kCondGridPoints, "2"}}), 0, kFinished, {kFailed}},
    {"grid of 1000 cells", one_run({{kCondGridPoints, "1000"}}), 0, kFinished, {kSuccess}},

    // Iteration limits below 2 end the run instead of starting new grid
    // trials without end; a limit beyond 32 bits is the largest integer.
    {"iteration limit 0", one_run({{kCondMaxIterations, "0"}}), 0, kFinished, {kFailed}},
    {"iteration limit 1", one_run({{kCondMaxIterations, "1"}}), 0, kFinished, {kFailed}},
    {"negative iteration limit", one_run({{kCondMaxIterations, "-5"}}), 0, kFinished, {kFailed}},
    {"iteration limit 1 with growing grids", one_run({{kCondGridType, "3"}, {kCondMaxIterations, "1"}}), 0,
     kFinished, {kFailed}},
    {"iteration limit beyond 32 bits", one_run({{kCondMaxIterations, "1e12"}}), 0, kFinished, {kSuccess}},

    // A value that is not a finite number never enters the conditions: it
    // is a read error (ABORT) or ends a block of RUN data lines.
    {"condition nan", load("X") + "CONDITIONS\nnan\n", kAbortExitStatus, abort_line(6), {}},
    {"condition inf", load("X") + "CONDITIONS\n10\n0\n0\ninf\n", kAbortExitStatus, abort_line(9), {}},
    {"condition beyond a double", load("X") + "CONDITIONS\n1e999\n", kAbortExitStatus, abort_line(6), {}},
    {"data line nan ends the RUN block", one_run({{kCondEN, "VAR"}}) + "10\nnan\n20\n", 0, kFinished,
     {kSuccess}},
    {"data line inf ends the RUN block", one_run({{kCondEN, "VAR"}}) + "-inf\n", 0, kFinished, {}},
    // Conditions whose derived quantities are not finite.
    {"precision 0", one_run({{kCondPrecision, "0"}}), 0, kFinished, {kFailed}},
    {"negative precision", one_run({{kCondPrecision, "-1"}}), 0, kFinished, {kFailed}},
    {"E/N whose square overflows", one_run({{kCondEN, "1e300"}}), 0, kFinished, {kFailed}},
    {"gas temperature whose energy overflows", one_run({{kCondGasTemp, "1e300"}}), 0, kFinished, {kFailed}},
    {"maximum energy 0 on a fixed grid", one_run({{kCondGridType, "1"}, {kCondMaxEnergy, "0"}}), 0, kFinished,
     {kFailed}},
    // Found by fuzzing the interpreter (there on 10 cells at -2 Td).
    {"precision and convergence 0",
     one_run({{kCondPrecision, "0"}, {kCondConvergence, "0"}, {kCondMaxIterations, "11"}}), 0, kFinished,
     {kFailed}},
    {"negative precision and convergence 0",
     one_run({{kCondPrecision, "-1"}, {kCondConvergence, "0"}, {kCondMaxIterations, "11"}}), 0, kFinished,
     {kFailed}},
    {"huge Maxwellian mean energy", one_run({{kCondMaxwellEnergy, "1e300"}}), 0, kFinished, {kFailed}},
    {"tiny Maxwellian mean energy", one_run({{kCondMaxwellEnergy, "1e-300"}}), 0, kFinished, {kFailed}},

    // Zero temperatures with rotational levels: only the ground level is
    // populated.
    {"cold gas with rotational levels", one_run({{kCondGasTemp, "0"}, {kCondExcTemp, "0"}}, "R"), 0, kFinished,
     {kSuccess}},
    {"cold gas with rotational levels and a transition energy",
     one_run({{kCondGasTemp, "0"}, {kCondExcTemp, "0"}, {kCondTransitionEnergy, "0.1"}}, "R"), 0, kFinished,
     {kSuccess}},
    {"excitation temperature only, with rotational levels",
     one_run({{kCondGasTemp, "0"}, {kCondExcTemp, "500"}}, "R"), 0, kFinished, {kSuccess}},
    {"no field in a cold gas with rotational levels", one_run({{kCondEN, "0"}, {kCondGasTemp, "0"}}, "R"), 0,
     kFinished, {kFailed}},

    // Electron-ion collisions whose mass ratio or Coulomb logarithm is not
    // finite.
    {"electron-ion collisions with ion mass ratio 0",
     one_run({{kCondIonDegree, "1e-3"}, {kCondPlasmaDensity, "1e18"}, {kCondIonMassRatio, "0"}}), 0, kFinished,
     {kFailed}},
    {"electron-ion collisions only, ion mass ratio 0",
     one_run({{kCondIonDegree, "1e-3"}, {kCondPlasmaDensity, "1e18"}, {kCondIonCharge, "-1"},
              {kCondIonMassRatio, "0"}}),
     0, kFinished, {kFailed}},
    {"electron-ion collisions in a cold gas",
     one_run({{kCondGasTemp, "0"}, {kCondIonDegree, "1e-3"}, {kCondPlasmaDensity, "1e18"}}), 0, kFinished,
     {kFailed}},

    // Empty, one-point and zero cross-section tables.
    {"elastic table without points", one_run({}, "EMPTY"), 0, kFinished, {kFailed}},
    {"elastic table whose first cross section is negative", one_run({}, "NEG"), 0, kFinished, {kFailed}},
    {"elastic table of one point", one_run({}, "ONE"), 0, kFinished, {kSuccess}},
    {"elastic cross sections all zero", one_run({}, "ZERO"), 0, kFinished, {kFailed}},
    {"elastic table without points, Maxwellian run", one_run({{kCondMaxwellEnergy, "1"}}, "EMPTY"), 0, kFinished,
     {kSuccess}},

    // Counts and targets out of range.
    {"series of 0 runs", load("X") + conditions() + "RUNSERIES\n1\n1 10\n0\n1\n", 0, kFinished, {}},
    {"target mean energy 0", load("X") + conditions() + "RUNSERIES\n2\n0 0\n2\n1\n", 0, kFinished, {kMissed, kMissed}},
    {"negative target mean energy", load("X") + conditions() + "RUNSERIES\n2\n-1 -2\n1\n1\n", 0, kFinished, {kMissed}},
    {"target series with a spacing code without a rule", load("X") + conditions() + "RUNSERIES\n2\n1 2\n1\n9\n", 0,
     kFinished, {kMissed}},
    {"grid of target energies with a zero target",
     load("X") + conditions({{kCondGasTemp, "VAR"}}) + "RUN2D\n2\n0 2\n300 300\n2 1\n1 1\ngrid.txt\n", 0, kFinished,
     {kMissed, kSuccess}},
};

class Reliability : public ::testing::TestWithParam<Case> {};

TEST_P(Reliability, EndsInADefinedWay) {
    const Case& c = GetParam();
    TempDir dir;
    dir.copy_fixture(kGasFixture, "small_gases.txt");
    dir.write("script.kes", c.script);
    const RunOutcome r = run_limited(dir, "script.kes");
    EXPECT_EQ(r.exit_status, c.exit_status) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;

    const std::vector<std::string> log = log_lines(dir);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "KESTOR+ script file: script.kes");
    EXPECT_EQ(log.back(), c.last_log_line);

    std::vector<std::string> runs;
    for (const std::string& line : log)
        if (is_run_name(line)) runs.push_back(line);
    ASSERT_EQ(runs.size(), c.runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (c.runs[i] == kSuccess) {
            EXPECT_TRUE(shows_finite_mean_energy(runs[i])) << runs[i];
        } else {
            const std::string t = trimmed(runs[i]);
            EXPECT_EQ(t.substr(t.size() - std::min(t.size(), c.runs[i].size())), c.runs[i]) << runs[i];
        }
    }
}

// The case's description as its test name.
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* p = info.param.what; *p != '\0'; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Reliability, ::testing::ValuesIn(kCases), case_name);

// ---- files -----------------------------------------------------------------

const char* const kFullDevice = "/dev/full";

TEST(ReliabilityFiles, ResultsOnAFullDiskAreReportedAndTheScriptGoesOn) {
    if (!std::filesystem::exists(kFullDevice)) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    dir.copy_fixture(kGasFixture, "small_gases.txt");
    dir.write("script.kes",
              load("X") + conditions() + "RUN\nSAVERESULTS\n'/dev/full'\n1\n1\n1\n1\n1\n1\n1\n0\nCLEARRUNS\n");
    const RunOutcome r = run_limited(dir, "script.kes");
    EXPECT_EQ(r.exit_status, kResultFileExitStatus);
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[log.size() - 5], CR + "SAVERESULTS");
    EXPECT_EQ(log[log.size() - 4], kFullDevice);
    EXPECT_EQ(log[log.size() - 3], "ERROR: Cannot write to file");
    EXPECT_EQ(log[log.size() - 2], CR + "CLEARRUNS");
    EXPECT_EQ(log.back(), kFinished);
}

// The table file of RUN2D that cannot be written completely ends the script
// like one that cannot be opened, and its name is not logged as written.
TEST(ReliabilityFiles, GridTableOnAFullDiskAborts) {
    if (!std::filesystem::exists(kFullDevice)) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    dir.copy_fixture(kGasFixture, "small_gases.txt");
    dir.write("script.kes", load("X") + conditions({{kCondGasTemp, "VAR"}}) +
                                "RUN2D\n1\n10 20 300 400\n1 2\n1 1\n'/dev/full'\nCLEARRUNS\n");
    const RunOutcome r = run_limited(dir, "script.kes");
    EXPECT_EQ(r.exit_status, kAbortExitStatus);
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_GE(log.size(), 3u);
    EXPECT_TRUE(is_run_name(log[log.size() - 2])) << log[log.size() - 2];
    EXPECT_EQ(log.back(), abort_line(4 + 1 + kNumConditions + 1 + 5));
}

// A device never ends and is no text file: as a data file or as the script
// it is a file that cannot be read, logged like a missing one, and on
// standard input at the prompt it gives a blank name.
TEST(ReliabilityFiles, EndlessDevicesAreNotRead) {
    const char* const zero = "/dev/zero";
    if (!std::filesystem::exists(zero)) GTEST_SKIP() << "no /dev/zero";
    {
        TempDir dir;
        dir.write("script.kes", "READCOLLISIONS\n'/dev/zero'\nX\n0\nEND\n");
        const RunOutcome r = run_limited(dir, "script.kes");
        EXPECT_EQ(r.exit_status, kAbortExitStatus);
        EXPECT_EQ(log_lines(dir), (std::vector<std::string>{"KESTOR+ script file: script.kes", CR + "READCOLLISIONS",
                                                            CR + "Cannot find file /dev/zero", abort_line(2)}));
    }
    {
        TempDir dir;
        const RunOutcome r = run_limited(dir, zero);
        EXPECT_EQ(r.exit_status, kAbortExitStatus);
        EXPECT_EQ(log_lines(dir),
                  (std::vector<std::string>{"KESTOR+ script file: /dev/zero", CR + "Cannot find file /dev/zero"}));
    }
    {
        TempDir dir;
        const RunOutcome r = run_limited(dir, "", zero);
        EXPECT_EQ(r.exit_status, kAbortExitStatus);
        EXPECT_EQ(log_lines(dir), (std::vector<std::string>{"KESTOR+ script file: ", CR + "Cannot find file "}));
    }
}

// CLEARCOLLISIONS forgets the species' rotational levels, effective flags
// and reference texts: a species loaded into a cleared slot shows only its
// own in the results header.
TEST(ReliabilityFiles, ClearedSpeciesLeaveNothingBehind) {
    TempDir dir;
    dir.copy_fixture(kGasFixture, "small_gases.txt");
    const std::string save = "SAVERESULTS\nh.txt\n0\n0\n0\n0\n0\n0\n0\n0\n";
    // X from a file without rotations; Y from a file without a process
    // for it.
    dir.write("script.kes", load("R S") + "CLEARCOLLISIONS\n" + load("X") + load("Y") + save);
    run_limited(dir, "script.kes");
    const std::vector<std::string> header = split_lines(dir.read("h.txt"));
    ASSERT_EQ(header.size(), 11u);
    const std::string dashes(50, '-');
    EXPECT_EQ(header[2], dashes);
    EXPECT_EQ(trimmed(header[3]), "X");
    EXPECT_EQ(header[4], "small_gases.txt");
    EXPECT_EQ(header[5], dashes);
    EXPECT_EQ(trimmed(header[6]), "Y");
    EXPECT_EQ(header[7], "small_gases.txt");
}

// ---- the log when the process is killed ---------------------------------------

// Lines of the log as it is on disk, and whether its last line is complete.
std::vector<std::string> log_on_disk(const TempDir& dir, bool& ends_with_line_feed) {
    const std::string text = dir.read("kestorlog.txt");
    ends_with_line_feed = !text.empty() && text.back() == '\n';
    return split_lines(text);
}

// Every log line is on disk once it is written: a process killed while it
// computes leaves a log that is complete up to its last event.
TEST(ReliabilityLog, CompleteUpToTheLastLineWhenKilled) {
    TempDir dir;
    dir.copy_fixture(kGasFixture, "small_gases.txt");
    // A long series: the process is killed long before it ends.
    dir.write("script.kes", load("X") + conditions({{kCondGridPoints, "400"}}) + "RUNSERIES\n1\n1 1000\n1003\n3\n");
    const std::string script = (dir / "script.kes").string();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        execl(KESTOR_BINARY, KESTOR_BINARY, script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until three runs are logged, then kill at once.
    constexpr int kRunsBeforeKill = 3;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeLimitSeconds);
    std::size_t seen = 0;
    bool complete = false;
    while (std::chrono::steady_clock::now() < deadline) {
        seen = 0;
        for (const std::string& line : log_on_disk(dir, complete)) seen += is_run_name(line) ? 1 : 0;
        if (seen >= kRunsBeforeKill) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_GE(seen, static_cast<std::size_t>(kRunsBeforeKill));
    ASSERT_TRUE(WIFSIGNALED(status)) << "the series ended before the kill";

    const std::vector<std::string> log = log_on_disk(dir, complete);
    EXPECT_TRUE(complete) << "the last log line is cut";
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log.front(), "KESTOR+ script file: " + script);
    EXPECT_NE(log.back(), kFinished);
    std::size_t i = 0;
    while (i < log.size() && log[i] != CR + "RUNSERIES") ++i;
    ASSERT_LT(i, log.size());
    // After the keyword only whole run names: 64 characters each, R1, R2, ...
    for (std::size_t r = 1; i + r < log.size(); ++r) {
        const std::string& name = log[i + r];
        EXPECT_EQ(name.size(), 64u) << name;
        EXPECT_EQ(name.rfind("R" + std::to_string(r) + " ", 0), 0u) << name;
    }
    EXPECT_GE(log.size() - i - 1, seen);
}

}  // namespace
}  // namespace kestor::test
