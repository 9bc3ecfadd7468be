// The lines of a text, as the tests compare them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestor::test_support {

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

}  // namespace kestor::test_support
