// Small operations on the interpreter's blank-padded texts.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace kestor {

// Removes the leading blanks (blanks only, not tabs) and pads again.
template <std::size_t N>
void left_adjust(FixedText<N>& text) {
    // In place: the command loop does this for every script line.
    const std::size_t length = text.trimmed_length();
    std::size_t first = 0;
    while (first < length && text.col(first + 1) == ' ') ++first;
    for (std::size_t i = first; i < length; ++i)
        if (text.c[i] == '\0') text.c[i] = ' ';
    std::memmove(text.c, text.c + first, length - first);
    std::memset(text.c + length - first, ' ', N - (length - first));
}

}  // namespace kestor
