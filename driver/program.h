// The main program: start-up, then the command loop.
#pragma once

#include "common/program_stop.h"
#include "driver/interpreter.h"
#include "driver/run_lock.h"

namespace kestor {

// The start of a run up to its restarted log: the floating-point mode,
// the lock on the folder, the script name (the first command-line
// argument `first_arg`, nullptr when there is none, or the answer at the
// prompt) and the log's first line. It needs neither the tables nor the
// solver's work space, so that a start that then fails for lack of memory
// leaves this run's first line as the folder's log, not an earlier run's
// complete log. The lock is held until the object is destroyed. An end of
// standard input at the prompt throws ProgramStop, after the log restart.
class StartUp {
public:
    StartUp(Interpreter& in, const char* first_arg);

    // kExitSuccess when the script is to run, else the exit status to
    // stop with: kLogFileExitStatus when another process holds the folder
    // or the log cannot be started.
    int status() const { return status_; }

    // The rest of start-up and the script; the exit status when the
    // interpreter stops (common/program_stop.h): kAbortExitStatus after the
    // ABORT exit or without a script; kLogFileExitStatus when the log lost
    // a line; kResultFileExitStatus when a result file could not be
    // written; else kExitSuccess. An end-of-file stop throws ProgramStop.
    int run(Program& p) const;

private:
    void discard_earlier_log() const;

    RunLock lock_;
    bool name_usable_ = false;
    int status_ = kExitSuccess;
};

// The main program: StartUp, then, when it lets the script run, the
// script; the exit status as StartUp::status or StartUp::run gives it.
int vadovararav(Program& p, const char* first_arg);

constexpr const char* kLogFileName = "kestorlog.txt";
constexpr int kScriptUnit = 7;

}  // namespace kestor
