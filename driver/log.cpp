#include "driver/log.h"

#include <cstdio>
#include <string>

#include "driver/text_util.h"

namespace kestor {

void writelog(Interpreter& in, std::string_view text) {
    // Open, append, close: the log is complete after every line, even if
    // the program is stopped right after it.
    const std::string path = in.LOGFILE.trimmed();
    if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
        if (std::fwrite(text.data(), 1, text.size(), f) == text.size()) std::fputc('\n', f);
        std::fclose(f);
    }
    if (in.screen_echo == 1) {
        const std::string_view shown = without_trailing_blanks(text);
        std::fwrite(shown.data(), 1, shown.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

}  // namespace kestor
