// Small operations on the interpreter's blank-padded texts.
#pragma once

#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace kestor {

// Removes the leading blanks (blanks only, not tabs) and pads again.
template <std::size_t N>
void left_adjust(FixedText<N>& text) {
    const std::string s = text.full();
    const std::size_t first = s.find_first_not_of(' ');
    text.assign(std::string_view(s).substr(first == std::string::npos ? s.size() : first));
}

inline std::string_view without_trailing_blanks(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

}  // namespace kestor
