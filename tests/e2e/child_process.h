// kestor as a child process that the test sets up itself: standard
// streams closed or read through pipes, resource limits, and runs that go
// on in the background while the test acts on their folder.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {

using Limits = std::vector<std::pair<int, rlim_t>>;

struct ChildSetup {
    explicit ChildSetup(std::vector<std::string> a, std::array<bool, 3> c = {}, Limits l = {}, std::string in = "")
        : args(std::move(a)), closed(c), limits(std::move(l)), stdin_text(std::move(in)) {}

    std::vector<std::string> args;
    std::array<bool, 3> closed;  // standard input, output and error the child starts without
    Limits limits;               // setrlimit(resource, value) in the child
    std::string stdin_text;      // standard input, when it is open
};

// A kestor process started in a folder. Its standard output and error,
// where open, go into pipes that the test reads.
class Child {
public:
    Child(const TempDir& dir, const ChildSetup& setup) {
        int out[2] = {-1, -1}, err[2] = {-1, -1};
        if (pipe(out) != 0 || pipe(err) != 0) return;
        // Standard input from a file in memory, so that no file of the
        // folder holds it.
        const int in = memfd_create("stdin", 0);
        if (in < 0 || write(in, setup.stdin_text.data(), setup.stdin_text.size()) !=
                          static_cast<ssize_t>(setup.stdin_text.size()) ||
            lseek(in, 0, SEEK_SET) != 0) {
            return;
        }
        std::vector<char*> argv = {const_cast<char*>(KESTOR_BINARY)};
        for (const std::string& a : setup.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const std::string workdir = dir.path().string();
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(workdir.c_str()) != 0) _exit(127);
            const int to[3] = {in, out[1], err[1]};
            for (int fd = 0; fd < 3; ++fd) {
                if (dup2(to[fd], fd) != fd) _exit(127);
            }
            // Nothing the test process holds (ctest's descriptors among
            // them) is handed on: the limits count descriptors.
            closefrom(3);
            for (int fd = 0; fd < 3; ++fd) {
                if (setup.closed[fd]) close(fd);
            }
            signal(SIGXFSZ, SIG_DFL);  // as a shell leaves it
            for (const auto& [resource, value] : setup.limits) {
                const rlimit rl{value, value};
                if (setrlimit(resource, &rl) != 0) _exit(127);
            }
            execv(KESTOR_BINARY, argv.data());
            _exit(127);
        }
        close(in);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Child() {
        for (int fd : {out_, err_}) {
            if (fd >= 0) close(fd);
        }
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // True once the process has ended (without waiting for it).
    bool exited() {
        if (waited_) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
        record(status);
        return true;
    }

    // Standard output and error to their ends, then the exit status.
    RunOutcome wait() {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        std::string* into[2] = {&outcome_.out, &outcome_.err};
        while ((fds[0].fd >= 0 || fds[1].fd >= 0) && poll(fds, 2, -1) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd >= 0 && fds[i].revents != 0 && !read_some(fds[i].fd, *into[i])) fds[i].fd = -1;
            }
        }
        if (!waited_ && pid_ > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
            record(status);
        }
        return outcome_;
    }

private:
    static bool read_some(int fd, std::string& into) {
        char buf[4096];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    void record(int status) {
        waited_ = true;
        outcome_.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool waited_ = false;
    RunOutcome outcome_;
};

inline RunOutcome run_child(const TempDir& dir, const ChildSetup& setup) { return Child(dir, setup).wait(); }

// Opens the FIFO `path` for writing once its reader has opened it; -1 when
// `reader` ended first.
inline int open_fifo_for_writing(const std::string& path, Child& reader) {
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

// Writes `data` into the FIFO `path` that `reader` waits on; false when
// the reader ended first.
inline bool feed_fifo(const std::string& path, Child& reader, const std::string& data) {
    const int fd = open_fifo_for_writing(path, reader);
    if (fd < 0) return false;
    const bool whole = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    close(fd);
    return whole;
}

// A run that waits inside READCOLLISIONS for its data file, the FIFO
// `fifo` of the folder, until the test hands it the data: alive, and
// holding the folder, for as long as the test needs. `script` (saved as
// `name`) names the FIFO on its READCOLLISIONS line.
class WaitingRun {
public:
    WaitingRun(const TempDir& dir, const std::string& name, const std::string& script, const std::string& fifo,
               std::array<bool, 3> closed = {})
        : dir_(dir), fifo_(dir.file(fifo)), ready_(prepare(dir, name, script, fifo_)), child_(dir, ChildSetup({name}, closed)) {}

    pid_t pid() const { return child_.pid(); }

    // Waits until the run waits for its data file (its READCOLLISIONS line
    // is logged); false when it ended first.
    bool waiting() {
        if (!ready_) return false;
        while (dir_.read("kestorlog.txt").find(CR + "READCOLLISIONS\n") == std::string::npos) {
            if (child_.exited()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Hands the run `data` as its data file and waits for its end; an exit
    // status of -1 when it had ended before.
    RunOutcome finish(const std::string& data) {
        const bool fed = feed_fifo(fifo_, child_, data);
        RunOutcome r = child_.wait();
        if (!fed) r.exit_status = -1;
        return r;
    }

private:
    static bool prepare(const TempDir& dir, const std::string& name, const std::string& script,
                        const std::string& fifo) {
        dir.write(name, script);
        return mkfifo(fifo.c_str(), 0600) == 0;
    }

    const TempDir& dir_;
    std::string fifo_;
    bool ready_;
    Child child_;
};

// Every regular file of the folder with its content.
inline std::map<std::string, std::string> folder_files(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& e : fs::directory_iterator(dir.path())) {
        if (e.is_regular_file()) files[e.path().filename().string()] = read_text(e.path());
    }
    return files;
}

}  // namespace kestor::test
