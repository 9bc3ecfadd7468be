#include "driver/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kestor {

namespace {

enum class Locked { kYes, kBusy, kNotHere };

// An exclusive lock on `fd` without waiting. kNotHere: the file system
// cannot lock this descriptor, which guards nothing then.
Locked try_lock(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) return Locked::kYes;
    return errno == EWOULDBLOCK ? Locked::kBusy : Locked::kNotHere;
}

// Closes `fd` (when open) and marks it closed.
void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Keeps the descriptor `opened` in `fd` while it holds the lock; an
// unopened one (-1) locks nothing.
Locked hold(int& fd, int opened) {
    fd = opened;
    if (fd < 0) return Locked::kNotHere;
    const Locked locked = try_lock(fd);
    if (locked != Locked::kYes) close_fd(fd);
    return locked;
}

// The folder of the log file: "." for a plain name.
std::string folder_of(const std::string& log_name) {
    const std::filesystem::path folder = std::filesystem::path(log_name).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

}  // namespace

bool RunLock::take(const std::string& log_name) {
    const Locked folder = hold(folder_fd_, ::open(folder_of(log_name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Opened without creating or truncating it, so that a refused run
    // touches nothing, and without blocking on a FIFO of that name.
    const Locked log = folder == Locked::kBusy
                           ? Locked::kNotHere
                           : hold(log_fd_, ::open(log_name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (folder != Locked::kBusy && log != Locked::kBusy) return true;
    close_fd(folder_fd_);
    std::fflush(stdout);
    std::fprintf(stderr, "log file \"%s\" is in use by another process\n", log_name.c_str());
    return false;
}

// Closing the descriptors releases the locks.
RunLock::~RunLock() {
    close_fd(log_fd_);
    close_fd(folder_fd_);
}

}  // namespace kestor
