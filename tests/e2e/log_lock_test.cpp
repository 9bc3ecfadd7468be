// Two runs in one folder: the first holds a lock on kestorlog.txt for its
// whole life; a second one started meanwhile says so on standard error,
// returns 26 and leaves the log as it is.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kBusy = "log file \"kestorlog.txt\" is in use by another process\n";
const std::string kOlderLog = "KESTOR+ script file: older.kes\n" + CR + "FINISHED\n";
const std::string kSecondScript = "CLEARRUNS\nSAVERESULTS\nres.txt\n0\n0\n0\n0\n0\n0\n0\n0\n";

struct HeldCase {
    const char* label;
    std::vector<std::string> args;
    std::string typed;
};

void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.label; }

const HeldCase kHeldCases[] = {
    {"script_as_argument", {"b.kes"}, ""},
    // The lock comes before the prompt: nothing is asked.
    {"script_at_the_prompt", {}, "b.kes\n"},
};

class HeldLog : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HeldLog, IsLeftAsItIs) {
    const HeldCase& c = GetParam();
    TempDir dir;
    dir.write("kestorlog.txt", kOlderLog);
    dir.write("b.kes", kSecondScript);
    const int fd = open(dir.file("kestorlog.txt").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);

    const RunOutcome r = run_kestor(dir, c.args, c.typed);
    EXPECT_EQ(r.exit_status, kLogFileExitStatus);
    EXPECT_EQ(r.err, kBusy);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.read("kestorlog.txt"), kOlderLog);
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

// kestor started in `dir` on `script`, its standard output read through a pipe.
class RunningKestor {
public:
    RunningKestor(const TempDir& dir, const std::string& script) {
        int out[2];
        if (pipe(out) != 0) return;
        const std::string workdir = dir.path().string();
        pid_ = fork();
        if (pid_ == 0) {
            const int null_in = open("/dev/null", O_RDONLY);
            if (chdir(workdir.c_str()) != 0 || null_in < 0) _exit(127);
            dup2(null_in, STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            for (int fd : {null_in, out[0], out[1]}) close(fd);
            execl(KESTOR_BINARY, KESTOR_BINARY, script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~RunningKestor() {
        if (out_ >= 0) close(out_);
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    RunningKestor(const RunningKestor&) = delete;
    RunningKestor& operator=(const RunningKestor&) = delete;

    // Reads standard output until it holds `text` (true) or ends (false).
    bool read_until(const std::string& text) {
        char buf[256];
        while (output_.find(text) == std::string::npos) {
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return false;
            output_.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }
    bool exited() {
        if (waited_) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
        waited_ = true;
        exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    // The exit status, once the process has ended.
    int wait() {
        // Its output to the end, so that it never waits on a full pipe.
        char buf[256];
        while (read(out_, buf, sizeof buf) > 0) {
        }
        if (!waited_) {
            int status = 0;
            waitpid(pid_, &status, 0);
            waited_ = true;
            exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exit_status_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool waited_ = false;
    int exit_status_ = -1;
    std::string output_;
};

// Opens the FIFO `path` for writing once its reader has opened it; -1 when
// `reader` ended first.
int open_fifo_for_writing(const std::string& path, RunningKestor& reader) {
    for (;;) {
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        if (reader.exited()) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// The first run waits inside READCOLLISIONS for its data file (a FIFO) while
// a second one is started in the same folder.
TEST(LogLock, SecondRunWhileTheFirstIsInItsScript) {
    TempDir dir;
    dir.copy_fixture("names/gas.txt", "gas.txt");
    const std::string data = dir.read("gas.txt");
    ASSERT_EQ(mkfifo(dir.file("pipe.txt").c_str(), 0600), 0);
    dir.write("a.kes", "CLEARRUNS\nREADCOLLISIONS\npipe.txt\nXn\n0\nEND\n");
    dir.write("b.kes", kSecondScript);

    RunningKestor first(dir, "a.kes");
    ASSERT_TRUE(first.read_until(CR + "READCOLLISIONS\n"));
    const std::string head = "KESTOR+ script file: a.kes\n" + CR + "CLEARRUNS\n" + CR + "READCOLLISIONS\n";
    ASSERT_EQ(dir.read("kestorlog.txt"), head);

    const RunOutcome second = run_kestor(dir, {"b.kes"});
    EXPECT_EQ(second.exit_status, kLogFileExitStatus);
    EXPECT_EQ(second.err, kBusy);
    EXPECT_EQ(dir.read("kestorlog.txt"), head);
    EXPECT_FALSE(dir.exists("res.txt"));

    const int fifo = open_fifo_for_writing(dir.file("pipe.txt"), first);
    ASSERT_GE(fifo, 0);
    ASSERT_EQ(write(fifo, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    close(fifo);
    EXPECT_EQ(first.wait(), kExitSuccess);
    EXPECT_EQ(dir.read("kestorlog.txt"),
              head + "Xn\npipe.txt\n" + padded("C1    Xn    Elastic") + "\n" + CR + "FINISHED\n");

    // The lock ends with the process.
    EXPECT_EQ(run_kestor(dir, {"b.kes"}).exit_status, kExitSuccess);
}

}  // namespace
}  // namespace kestor::test
