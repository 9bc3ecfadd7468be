#include "driver/log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver/text_util.h"

namespace kestor {

namespace {

// Reports a failed open or write of the log (`what` and the errno value,
// 0 when unknown) on standard error and gives the log up.
void give_up_log(Interpreter& in, const char* what, int err) {
    std::string message = std::string(what) + " on log file \"" + in.LOGFILE.trimmed() + "\"";
    if (err != 0) message += std::string(": ") + std::strerror(err);
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", message.c_str());
    in.LOGFILE.blank();
}

}  // namespace

bool log_given_up(const Interpreter& in) { return in.LOGFILE.is_blank(); }

LogFile::LogFile(Interpreter& in, const char* mode) : in_(in) {
    if (log_given_up(in_)) return;
    errno = 0;
    f_ = std::fopen(in_.LOGFILE.trimmed().c_str(), mode);
    if (f_ == nullptr) give_up_log(in_, "open error", errno);
}

// The buffered lines reach the file at the close: a full disk shows here.
LogFile::~LogFile() {
    if (f_ != nullptr && std::fclose(f_) != 0) give_up_log(in_, "write error", errno);
}

void LogFile::line(std::string_view text) {
    if (f_ == nullptr) return;
    if (std::fwrite(text.data(), 1, text.size(), f_) == text.size() && std::fputc('\n', f_) != EOF) return;
    const int err = errno;
    std::fclose(f_);
    f_ = nullptr;
    give_up_log(in_, "write error", err);
}

bool restart_log(Interpreter& in, std::string_view first_line) {
    LogFile(in, "wb").line(first_line);
    return !log_given_up(in);
}

void writelog(Interpreter& in, std::string_view text) {
    // Open, append, close: the log is complete after every line, even if
    // the program is stopped right after it.
    LogFile(in, "ab").line(text);
    if (in.screen_echo == 1) {
        const std::string_view shown = without_trailing_blanks(text);
        std::fwrite(shown.data(), 1, shown.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

void writelog_cr(Interpreter& in, std::string_view text) {
    std::string line(1, kCR);
    line += text;
    writelog(in, line);
}

}  // namespace kestor
