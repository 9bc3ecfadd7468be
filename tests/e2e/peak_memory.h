// A run of kestor whose peak resident memory is measured (read from
// wait4), with its standard input fed through a pipe by a writer process
// of its own, so that an input of any size needs no file of that size.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {

// Standard input: `head`, then `count` copies of `fill`, then `tail`.
struct Feed {
    std::string head;
    std::string fill;
    std::size_t count = 0;
    std::string tail;
};

struct Measured {
    int exit_status = -1;
    long peak_kib = 0;
};

inline bool write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w <= 0) return false;  // the reader has gone
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Writes the feed into `fd`, in blocks of whole copies of the fill.
inline void write_feed(int fd, const Feed& feed) {
    if (!write_all(fd, feed.head.data(), feed.head.size())) return;
    if (!feed.fill.empty()) {
        constexpr std::size_t kBlock = std::size_t{1} << 16;
        const std::size_t per_block = kBlock / feed.fill.size() + 1;
        std::string block;
        for (std::size_t k = 0; k < per_block; ++k) block += feed.fill;
        for (std::size_t left = feed.count; left > 0;) {
            const std::size_t copies = left < per_block ? left : per_block;
            if (!write_all(fd, block.data(), copies * feed.fill.size())) return;
            left -= copies;
        }
    }
    write_all(fd, feed.tail.data(), feed.tail.size());
}

// Runs kestor in `dir` with `args`, standard input fed from `feed`,
// standard output and error into .stdout and .stderr there.
inline Measured run_measured(const TempDir& dir, const std::vector<std::string>& args, const Feed& feed = {}) {
    const std::string workdir = dir.path().string();
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[1]);
        if (chdir(workdir.c_str()) != 0 || dup2(fds[0], STDIN_FILENO) < 0) _exit(127);
        close(fds[0]);
        if (!freopen(".stdout", "w", stdout) || !freopen(".stderr", "w", stderr)) _exit(127);
        std::vector<char*> argv = {const_cast<char*>(KESTOR_BINARY)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(KESTOR_BINARY, argv.data());
        _exit(127);
    }
    close(fds[0]);
    const pid_t writer = fork();
    if (writer == 0) {
        // A program that stops reading early ends the feed, not the writer.
        std::signal(SIGPIPE, SIG_IGN);
        write_feed(fds[1], feed);
        _exit(0);
    }
    close(fds[1]);
    int status = 0;
    rusage usage{};
    Measured m;
    const bool waited = wait4(pid, &status, 0, &usage) == pid;
    if (writer > 0) waitpid(writer, nullptr, 0);
    if (!waited) return m;
    m.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m.peak_kib = usage.ru_maxrss;
    return m;
}

}  // namespace kestor::test
