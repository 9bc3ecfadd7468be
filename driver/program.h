// The main program: start-up, then the command loop.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

// Start-up and the script: sets the floating-point mode, takes the script
// name from `first_arg` (the first command-line argument, nullptr when
// there is none) or from the prompt, restarts the log and runs the command
// loop, holding a lock on the log meanwhile. Returns the exit status when
// the interpreter stops (common/program_stop.h): kAbortExitStatus after
// the ABORT exit or without a script; kLogFileExitStatus when the log is
// held by another process, could not be created or lost a line;
// kResultFileExitStatus when a result file could not be written; else
// kExitSuccess. An end-of-file stop throws ProgramStop.
int vadovararav(Program& p, const char* first_arg);

constexpr const char* kLogFileName = "kestorlog.txt";
constexpr int kScriptUnit = 7;

}  // namespace kestor
