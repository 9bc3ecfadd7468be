// Fixed-length, blank-padded texts.
//
// Assignment pads with blanks or cuts; comparisons ignore trailing blanks.
// Storage that was never assigned holds NUL bytes (tables start zeroed);
// every accessor reads a NUL as a blank, so a zeroed text is a blank text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestor {

// `s` without its trailing blanks.
inline std::string_view without_trailing_blanks(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

template <std::size_t N>
struct FixedText {
    char c[N];

    static constexpr std::size_t size() { return N; }

    void assign(std::string_view s) {
        const std::size_t n = s.size() < N ? s.size() : N;
        if (n > 0) std::memcpy(c, s.data(), n);
        std::memset(c + n, ' ', N - n);
    }
    void blank() { std::memset(c, ' ', N); }

    // Character at column i (1-based), NUL read as blank.
    char col(std::size_t i) const { return c[i - 1] == '\0' ? ' ' : c[i - 1]; }

    // Length without trailing blanks (NULs count as blanks). The padding
    // is passed over eight characters at a time: a byte ORed with a blank
    // stays a blank only when it is a blank or a NUL.
    std::size_t trimmed_length() const {
        constexpr std::uint64_t kBlanks = 0x2020202020202020u;
        std::size_t n = N;
        for (std::uint64_t w; n >= sizeof w; n -= sizeof w) {
            std::memcpy(&w, c + n - sizeof w, sizeof w);
            if ((w | kBlanks) != kBlanks) break;
        }
        while (n > 0 && (c[n - 1] == ' ' || c[n - 1] == '\0')) --n;
        return n;
    }
    // The text without trailing blanks, as a view of the storage (a NUL
    // inside stays a NUL: for searches of words).
    std::string_view trimmed_view() const { return {c, trimmed_length()}; }
    // The text without trailing blanks.
    std::string trimmed() const { return full().substr(0, trimmed_length()); }
    // All N characters, NULs shown as blanks.
    std::string full() const {
        std::string s(c, N);
        if (std::memchr(c, '\0', N) != nullptr)
            for (char& ch : s)
                if (ch == '\0') ch = ' ';
        return s;
    }
    bool is_blank() const { return trimmed_length() == 0; }

    // Equality ignoring trailing blanks.
    bool equals(std::string_view s) const { return trimmed() == without_trailing_blanks(s); }
    template <std::size_t M>
    bool equals(const FixedText<M>& o) const { return trimmed() == o.trimmed(); }
};

using Name = FixedText<64>;       // names and labels
using LineText = FixedText<256>;  // script lines and file names
using RefText = FixedText<1024>;  // species reference texts

}  // namespace kestor
