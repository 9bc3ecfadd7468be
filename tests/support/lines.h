// The lines of a text, and the log lines as the program writes them, for
// the tests to compare.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestor::test {

// The lines of `text`, line feeds removed; a last line without one is kept.
inline std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The carriage return in front of the command keywords, "Cannot find file",
// the ABORT line and FINISHED in the log.
inline const std::string CR = "\r";

// The ABORT line of the log after `reads` reads from the script.
inline std::string abort_line(int reads) {
    const std::string n = std::to_string(reads);
    return CR + " ABORT: Error in input file line:" + std::string(12 - n.size(), ' ') + n;
}

// A name or label as stored: blank-padded to 64 characters.
inline std::string padded(const std::string& s) { return s + std::string(64 - s.size(), ' '); }

}  // namespace kestor::test
