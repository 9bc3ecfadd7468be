#include "driver/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kestor {

namespace {

bool is_open(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// A descriptor in place of the closed standard descriptor `fd`, opened
// with `flags`; false when none can be had.
bool fill(int fd, int flags) {
    int opened = ::open("/dev/null", flags);
    if (opened < 0) opened = ::open("/", O_RDONLY | O_DIRECTORY);
    if (opened < 0) return false;
    // The lowest free number is taken; the lower standard ones are open by now.
    if (opened == fd) return true;
    const bool moved = ::dup2(opened, fd) == fd;
    ::close(opened);
    return moved;
}

}  // namespace

bool open_closed_standard_streams() {
    constexpr int kFlags[] = {O_RDONLY, O_WRONLY, O_WRONLY};
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (!is_open(fd) && !fill(fd, kFlags[fd])) return false;
    }
    return true;
}

}  // namespace kestor
