// The private working directory of a fuzzing process, and the watcher that
// removes it however the process ends.
//
// libFuzzer ends a process in many ways: exit() after -runs or
// -max_total_time, but _Exit() after a crash, a timeout, an out-of-memory
// report or an interrupt, and a signal such as SIGKILL ends it with no
// code run at all. So the directory is removed by a second process, the
// watcher, forked at start-up before any fuzzing thread exists. It blocks
// on a pipe whose write end only the fuzzing process holds (close-on-exec,
// so no program libFuzzer or the sanitizers start keeps it); the kernel
// closes that end when the fuzzing process has ended for whatever reason,
// and the watcher then removes the directory and exits. An exit handler
// also removes it at a normal end, so that the directory is already gone
// when the caller's wait returns.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace kestor::test {

namespace fs = std::filesystem;

// A directory of its own for the whole fuzzing process; the interpreter
// writes its log and result files into the working directory, so the
// process changes into it once, at start-up.
inline const fs::path& work_dir();

inline void remove_work_dir(const fs::path& dir) {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(ec), ec);
    fs::remove_all(dir, ec);
}

// The watcher's whole life. It leaves the fuzzer's session, so that a
// Ctrl-C or a hang-up sent to the fuzzer's terminal does not end it first,
// and closes every descriptor but the pipe and standard error, so that
// nothing reading the fuzzer's output or files waits on it.
[[noreturn]] inline void watch_work_dir(int read_end, const fs::path& dir) {
    setsid();
    if (chdir("/") != 0) _exit(1);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
    }
    if (read_end > 3) close_range(3, static_cast<unsigned>(read_end) - 1, 0);
    close_range(static_cast<unsigned>(read_end) + 1, ~0U, 0);
    char byte = 0;
    for (;;) {
        const ssize_t n = read(read_end, &byte, 1);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    remove_work_dir(dir);
    // No exit handlers or leak check of the forked copy of the fuzzer.
    _exit(0);
}

// Creates the directory, starts its watcher and changes into it.
inline const fs::path* make_work_dir() {
    std::string tmpl = (fs::temp_directory_path() / "kestor-fuzz-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) std::abort();
    // Never destroyed: the exit handler reads it after static objects are.
    const fs::path* dir = new fs::path(buf.data());
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) std::abort();
    const pid_t pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        close(ends[1]);
        watch_work_dir(ends[0], *dir);
    }
    // The write end stays open, unwritten, until the process ends.
    close(ends[0]);
    fs::current_path(*dir);
    std::atexit([] { remove_work_dir(work_dir()); });
    return dir;
}

inline const fs::path& work_dir() {
    static const fs::path* const dir = make_work_dir();
    return *dir;
}

}  // namespace kestor::test
