// Exit statuses of the process, and the stop of the whole program that no
// command can handle: the end-of-file stop of a read without an end branch,
// or a lookup file that cannot be opened. A stop is thrown where the error
// is found and caught once in main, which writes its message to standard
// error and exits with its status.
#pragma once

#include <string>

namespace kestor {

struct ProgramStop {
    int exit_status;
    std::string message;  // one line for standard error
};

// Exit statuses. A stop's own status wins over a log that failed before it.
constexpr int kExitSuccess = 0;             // the script ended (FINISHED, ABORT or no script) with a complete log
constexpr int kUnexpectedExitStatus = 1;    // an unexpected error, such as memory exhausted
constexpr int kEndOfFileExitStatus = 24;    // end of file where a read has no end branch
constexpr int kLogFileExitStatus = 26;      // the log file could not be created or written
constexpr int kLookupFileExitStatus = 29;   // a lookup file could not be opened or written

}  // namespace kestor
