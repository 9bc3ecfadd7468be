// The main program: start-up, then the command loop.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

// Start-up and the script: sets the floating-point mode, takes the script
// name from `first_arg` (the first command-line argument, nullptr when
// there is none) or from the prompt, restarts the log and runs the command
// loop. Returns the exit status when the interpreter stops: kExitSuccess,
// or kLogFileExitStatus when the log could not be created or lost a line.
// An end-of-file stop throws ProgramStop.
int vadovararav(Program& p, const char* first_arg);

constexpr const char* kLogFileName = "kestorlog.txt";
constexpr int kScriptUnit = 7;

}  // namespace kestor
