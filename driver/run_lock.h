// One run per folder: a run holds advisory locks (flock) from start-up
// until it ends, so that a second run started in the same folder is
// refused before it touches any file.
#pragma once

#include <string>

namespace kestor {

// The lock is taken on the folder that holds the log, which stays where
// it is when a user renames or deletes the running program's log to keep
// it; a lock on the log alone would move with the renamed file and let a
// second run restart the log and interleave with the first. The log file
// itself is locked too, when it exists: it still guards the folder where
// the folder cannot be locked (no read permission on it; flock emulated
// on a network file system). flock rather than fcntl: a record lock would
// be dropped by the close after every log line. A file system without
// locks runs unlocked. Neither descriptor ever writes.
class RunLock {
public:
    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the locks for the log named `log_name`; false when another
    // process holds them (reported on standard error), which leaves every
    // file as it was.
    bool take(const std::string& log_name);
    // The lock on the folder is held: no other run works there.
    bool holds_folder() const { return folder_fd_ >= 0; }

private:
    int folder_fd_ = -1;
    int log_fd_ = -1;
};

}  // namespace kestor
