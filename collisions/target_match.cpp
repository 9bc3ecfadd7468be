#include "collisions/target_match.h"

namespace kestor {
namespace {

constexpr std::string_view kBlanks = " ";

// Only the letters a to z are folded: names may hold other bytes.
void upper_az(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string_view strip(std::string_view s) {
    const std::size_t b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos) return {};
    const std::size_t e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

// Blanks every character from position pos to the end.
void blank_from(std::string& s, std::size_t pos) {
    if (pos < s.size()) s.replace(pos, std::string::npos, s.size() - pos, ' ');
}

}  // namespace

std::string requested_name(const Name& name) {
    std::string s(strip(name.full()));
    upper_az(s);
    return s;
}

TargetMatch match_target(std::string_view line, std::string_view requested) {
    std::string s(line);
    const std::size_t slash = s.find('/');
    if (slash != std::string::npos) blank_from(s, slash);
    const bool reversible = s.find("<->") != std::string::npos;
    if (!reversible) {
        const std::size_t arrow = s.find("->");
        if (arrow != std::string::npos) blank_from(s, arrow);
    }
    upper_az(s);

    TargetMatch m;
    m.reversible = reversible;
    const std::string_view want = strip(requested);
    if (!reversible) {
        if (strip(s) == want) m.side = MatchSide::kSide1;
        return m;
    }
    // With p the (0-based) position of the first "->", side 1 ends two
    // characters before it (the "<" is left out) and side 2 starts after it.
    const std::size_t p = s.find("->");
    const std::string_view all(s);
    const std::string_view side1 = p >= 1 ? all.substr(0, p - 1) : std::string_view{};
    const std::string_view side2 = all.substr(p + 2);
    if (strip(side2) == want)
        m.side = MatchSide::kSide2;
    else if (strip(side1) == want)
        m.side = MatchSide::kSide1;
    return m;
}

}  // namespace kestor
