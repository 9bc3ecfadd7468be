// A stop of the whole program that no command can handle: the end-of-file
// stop of a read without an end branch, or a lookup file that cannot be
// opened. It is thrown where the error is found and caught once in main,
// which writes the message to standard error and exits with the status.
#pragma once

#include <string>

namespace kestor {

struct ProgramStop {
    int exit_status;
    std::string message;  // one line for standard error
};

constexpr int kEndOfFileExitStatus = 24;

}  // namespace kestor
