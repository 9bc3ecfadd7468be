#include "driver/log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver/text_util.h"

namespace kestor {

namespace {

// Opens the log with `mode`, writes `text` and a line feed and closes it:
// the log is complete after every line, even if the program is stopped
// right after it. False (the log given up) when any step fails.
bool write_log_line(Interpreter& in, const char* mode, std::string_view text) {
    const std::string path = in.LOGFILE.trimmed();
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (f == nullptr) {
        give_up_log(in, "open error", errno);
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fputc('\n', f) != EOF;
    int err = written ? 0 : errno;
    // The buffered line reaches the file at the close: a full disk shows here.
    if (std::fclose(f) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) give_up_log(in, "write error", err);
    return written;
}

}  // namespace

bool log_given_up(const Interpreter& in) { return in.LOGFILE.is_blank(); }

void give_up_log(Interpreter& in, const char* what, int err) {
    std::string message = std::string(what) + " on log file \"" + in.LOGFILE.trimmed() + "\"";
    if (err != 0) message += std::string(": ") + std::strerror(err);
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", message.c_str());
    in.LOGFILE.blank();
}

bool restart_log(Interpreter& in, std::string_view first_line) {
    return !log_given_up(in) && write_log_line(in, "wb", first_line);
}

void writelog(Interpreter& in, std::string_view text) {
    if (!log_given_up(in)) write_log_line(in, "ab", text);
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
