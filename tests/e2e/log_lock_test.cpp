// Two runs in one folder: the first holds a lock on the folder (and on
// kestorlog.txt) for its whole life; a second one started meanwhile says
// so on standard error, returns 26 and leaves every file as it is.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/child_process.h"

namespace kestor::test {
namespace {

const std::string kBusy = "log file \"kestorlog.txt\" is in use by another process\n";
const std::string kSecondScript = "CLEARRUNS\nSAVERESULTS\nres.txt\n0\n0\n0\n0\n0\n0\n0\n0\n";

// Another process holds a lock on `held`: the folder (".") or the log, as
// a run that cannot lock its folder does.
struct HeldCase {
    const char* label;
    std::vector<std::string> args;
    std::string typed;
    const char* held;
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.label; }

const HeldCase kHeldCases[] = {
    {"folder_script_as_argument", {"b.kes"}, "", "."},
    // The lock comes before the prompt: nothing is asked.
    {"folder_script_at_the_prompt", {}, "b.kes\n", "."},
    {"log_script_as_argument", {"b.kes"}, "", "kestorlog.txt"},
    {"log_script_at_the_prompt", {}, "b.kes\n", "kestorlog.txt"},
};

class HeldLog : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HeldLog, IsLeftAsItIs) {
    const HeldCase& c = GetParam();
    TempDir dir;
    dir.write("kestorlog.txt", kEarlierRunLog);
    dir.write("b.kes", kSecondScript);
    const int fd = open(dir.file(c.held).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);

    const RunOutcome r = run_kestor(dir, c.args, c.typed);
    EXPECT_EQ(r.exit_status, kLogFileExitStatus);
    EXPECT_EQ(r.err, kBusy);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.read("kestorlog.txt"), kEarlierRunLog);
    EXPECT_FALSE(dir.exists("res.txt"));

    // Released, the log is the next run's.
    close(fd);
    const RunOutcome next = run_kestor(dir, c.args, c.typed);
    EXPECT_EQ(next.exit_status, kExitSuccess);
    EXPECT_EQ(log_lines(dir), (std::vector<std::string>{"KESTOR+ script file: b.kes", CR + "CLEARRUNS",
                                                       CR + "SAVERESULTS", "res.txt", CR + "FINISHED"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldLog, ::testing::ValuesIn(kHeldCases),
                         [](const ::testing::TestParamInfo<HeldCase>& info) { return std::string(info.param.label); });

// What a user does to the first run's log while it runs, before a second
// run is started in the folder: nothing, keep it under another name, delete
// it, or delete it and put another file of that name in its place.
struct LogAction {
    const char* label;
    void (*act)(const TempDir& dir);
    const char* kept_as;     // where the first run's log head then is, if anywhere but the log
    std::string log_before;  // what the log holds before the first run's later lines
};

void PrintTo(const LogAction& a, std::ostream* os) { *os << a.label; }

const std::string kReplacement = "another file\n";
const std::string kFirstHead = "KESTOR+ script file: a.kes\n" + CR + "CLEARRUNS\n" + CR + "READCOLLISIONS\n";

const LogAction kLogActions[] = {
    {"left_alone", [](const TempDir&) {}, nullptr, kFirstHead},
    {"renamed", [](const TempDir& d) { fs::rename(d / "kestorlog.txt", d / "keep.txt"); }, "keep.txt", ""},
    {"deleted", [](const TempDir& d) { fs::remove(d / "kestorlog.txt"); }, nullptr, ""},
    {"replaced",
     [](const TempDir& d) {
         fs::remove(d / "kestorlog.txt");
         d.write("kestorlog.txt", kReplacement);
     },
     nullptr, kReplacement},
};

class SecondRun : public ::testing::TestWithParam<LogAction> {};

// The first run waits inside READCOLLISIONS for its data file (a FIFO)
// while a second one is started in the same folder: refused whatever
// became of the first run's log, with no file touched. The first run's
// later lines go on by the log's name, as they always did: into a new
// kestorlog.txt once the old one is gone, after the replacement's text.
TEST_P(SecondRun, IsRefusedWhileTheFirstHoldsTheFolder) {
    const LogAction& a = GetParam();
    TempDir dir;
    dir.copy_fixture("names/gas.txt", "gas.txt");
    const std::string data = dir.read("gas.txt");
    dir.write("b.kes", kSecondScript);

    WaitingRun first(dir, "a.kes", "CLEARRUNS\nREADCOLLISIONS\npipe.txt\nXn\n0\nEND\n", "pipe.txt");
    ASSERT_TRUE(first.waiting());
    ASSERT_EQ(dir.read("kestorlog.txt"), kFirstHead);
    a.act(dir);

    const auto before = folder_files(dir);
    const RunOutcome second = run_kestor(dir, {"b.kes"});
    EXPECT_EQ(second.exit_status, kLogFileExitStatus);
    EXPECT_EQ(second.err, kBusy);
    EXPECT_EQ(second.out, "");
    auto after = folder_files(dir);
    for (const char* own : {".stdin", ".stdout", ".stderr"}) after.erase(own);
    EXPECT_EQ(after, before);

    EXPECT_EQ(first.finish(data).exit_status, kExitSuccess);
    const std::string rest = "Xn\npipe.txt\n" + padded("C1    Xn    Elastic") + "\n" + CR + "FINISHED\n";
    EXPECT_EQ(dir.read("kestorlog.txt"), a.log_before + rest);
    if (a.kept_as != nullptr) {
        EXPECT_EQ(dir.read(a.kept_as), kFirstHead);
    }

    // The lock ends with the process.
    EXPECT_EQ(run_kestor(dir, {"b.kes"}).exit_status, kExitSuccess);
}

INSTANTIATE_TEST_SUITE_P(Cases, SecondRun, ::testing::ValuesIn(kLogActions),
                         [](const ::testing::TestParamInfo<LogAction>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kestor::test
