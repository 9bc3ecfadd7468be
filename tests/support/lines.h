// The lines of a text, as the tests compare them.
#pragma once

#include <string>
#include <vector>

namespace kestor::test_support {

// The lines of `text`, line feeds removed; a last line without one is kept.
inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace kestor::test_support
