// The log file and its console echo.
//
// A log that cannot be created or written is reported once on standard
// error (the file name and the reason) and then given up: LOGFILE is
// blanked, the log keeps the lines written before the failure, later lines
// are only echoed, and the process ends with kLogFileExitStatus. Without a
// log file name writelog only echoes.
#pragma once

#include <cstdio>
#include <string_view>

#include "driver/interpreter.h"

namespace kestor {

constexpr char kCR = '\r';

// Creates the log afresh holding `first_line` only (not echoed). False
// when it cannot be created or written; the log is then given up.
bool restart_log(Interpreter& in, std::string_view first_line);

// Appends `text` as one line to the log file (trailing blanks kept) and
// echoes it without trailing blanks while screen_echo is 1.
void writelog(Interpreter& in, std::string_view text);

// writelog with one carriage return in front of `text`: the command
// keywords, "Cannot find file", the ABORT line and FINISHED carry it, so
// that a terminal shows them from the start of the line.
void writelog_cr(Interpreter& in, std::string_view text);

// The log file held open for one or more lines (`mode` "wb" restarts it,
// "ab" appends). A failing open, write or close is reported and gives the
// log up; the lines of a log given up go nowhere.
class LogFile {
public:
    LogFile(Interpreter& in, const char* mode);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Writes `text` and a line feed.
    void line(std::string_view text);

private:
    Interpreter& in_;
    std::FILE* f_ = nullptr;
};

// True when there is no log to write: it was given up (or never named).
bool log_given_up(const Interpreter& in);

}  // namespace kestor
