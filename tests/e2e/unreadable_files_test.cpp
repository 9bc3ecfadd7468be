// Scripts and data files that exist but cannot be read: a folder, a device,
// a file above the size limit, a file without read permission. Each is
// logged like a missing file ("Cannot find file") and returns the ABORT
// status; the script also says why on standard error.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "common/free_format.h"
#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotDropPrivileges = 126;

// Runs kestor as run_kestor does, but as an unprivileged user when the tests
// run as root (root reads a file whatever its permissions). The folder is
// opened to that user for the log and the outputs of the run.
RunOutcome run_kestor_unprivileged(const TempDir& dir, const std::vector<std::string>& args) {
    if (geteuid() != 0) return run_kestor(dir, args);
    fs::permissions(dir.path(), fs::perms::all, fs::perm_options::replace);
    std::string cmd = "cd " + shell_quote(dir.path().string()) + " && " + shell_quote(KESTOR_BINARY);
    for (const std::string& a : args) cmd += " " + shell_quote(a);
    cmd += " < /dev/null > .stdout 2> .stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(kCannotDropPrivileges);
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunOutcome r;
    r.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = dir.read(".stdout");
    r.err = dir.read(".stderr");
    return r;
}

// What stands under the name given; returns that name.
struct Unreadable {
    const char* label;
    std::string (*make)(const TempDir& dir);
    std::string reason;  // as the script's open error gives it
};

void PrintTo(const Unreadable& c, std::ostream* os) { *os << c.label; }

const Unreadable kUnreadable[] = {
    {"folder",
     [](const TempDir& d) {
         fs::create_directory(d / "adir");
         return std::string("adir");
     },
     "Is a directory"},
    // Never ends: it must not be read.
    {"device", [](const TempDir&) { return std::string("/dev/zero"); }, "a device, not a text file"},
    // Sparse: the size alone refuses it, before any byte is read.
    {"above_the_size_limit",
     [](const TempDir& d) {
         d.write("big.txt", "CLEARRUNS\n");
         fs::resize_file(d / "big.txt", LineInput::kMaxFileBytes + 1);
         return std::string("big.txt");
     },
     "larger than " + std::to_string(LineInput::kMaxFileBytes) + " bytes"},
    {"no_read_permission",
     [](const TempDir& d) {
         d.write("locked.txt", "CLEARRUNS\n");
         fs::permissions(d / "locked.txt", fs::perms::none, fs::perm_options::replace);
         return std::string("locked.txt");
     },
     "Permission denied"},
};

std::string case_name(const ::testing::TestParamInfo<Unreadable>& info) { return info.param.label; }

class UnreadableScript : public ::testing::TestWithParam<Unreadable> {};

TEST_P(UnreadableScript, IsLoggedLikeAMissingOneAndSaysWhy) {
    TempDir dir;
    const std::string name = GetParam().make(dir);
    const RunOutcome r = run_kestor_unprivileged(dir, {name});
    if (r.exit_status == kCannotDropPrivileges) GTEST_SKIP() << "running as root, cannot drop privileges";
    EXPECT_EQ(r.exit_status, kAbortExitStatus);
    EXPECT_EQ(dir.read("kestorlog.txt"),
              "KESTOR+ script file: " + name + "\n" + CR + "Cannot find file " + name + "\n");
    EXPECT_EQ(r.out, CR + "Cannot find file " + name + "\n");
    EXPECT_EQ(r.err, "open error on script file \"" + name + "\": " + GetParam().reason + "\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableScript, ::testing::ValuesIn(kUnreadable), case_name);

class UnreadableDataFile : public ::testing::TestWithParam<Unreadable> {};

// Nothing is loaded and nothing after it runs: before, the species was
// added without collisions and the script went on to its end.
TEST_P(UnreadableDataFile, EndsTheScriptLikeAMissingOne) {
    TempDir dir;
    const std::string name = GetParam().make(dir);
    dir.write("s.kes", "READCOLLISIONS\n'" + name + "'\nXn\n0\nSAVERESULTS\nres.txt\n0\n0\n0\n0\n0\n0\n0\n0\n");
    const RunOutcome r = run_kestor_unprivileged(dir, {"s.kes"});
    if (r.exit_status == kCannotDropPrivileges) GTEST_SKIP() << "running as root, cannot drop privileges";
    EXPECT_EQ(r.exit_status, kAbortExitStatus);
    EXPECT_EQ(dir.read("kestorlog.txt"),
              "KESTOR+ script file: s.kes\n" + CR + "READCOLLISIONS\n" + CR + "Cannot find file " + name + "\n" +
                  abort_line(2) + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(dir.exists("res.txt"));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableDataFile, ::testing::ValuesIn(kUnreadable), case_name);

}  // namespace
}  // namespace kestor::test
