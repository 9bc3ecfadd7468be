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

// Exit statuses. A stop with a status of its own (1, 2, 24, 29) wins over
// a log or a result file that failed before it; at the end of a script
// that ended with FINISHED, a failed log (26) wins over a failed result
// file (27).
constexpr int kExitSuccess = 0;             // FINISHED, with a complete log and every result file written
constexpr int kUnexpectedExitStatus = 1;    // an unexpected error, such as memory exhausted
constexpr int kAbortExitStatus = 2;         // the ABORT exit, or a script that is missing or cannot be opened
constexpr int kEndOfFileExitStatus = 24;    // end of file where a read has no end branch
constexpr int kLogFileExitStatus = 26;      // the log could not be created or written, or another process holds it
constexpr int kResultFileExitStatus = 27;   // a result file could not be opened or written
constexpr int kLookupFileExitStatus = 29;   // a lookup file could not be opened or written

}  // namespace kestor
