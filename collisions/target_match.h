// Matching the target line of a data-file block against a species name.
#pragma once

#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace kestor {

enum class MatchSide { kNone, kSide1, kSide2 };

struct TargetMatch {
    MatchSide side = MatchSide::kNone;
    bool reversible = false;  // the target line pairs two states with "<->"
};

// The requested name as compared with target lines: leading blanks
// removed, letters a to z made upper case, trailing blanks dropped.
std::string requested_name(const Name& name);

// Compares a target line with the requested name (from requested_name).
// The text from the first "/" on is a comment; "A -> B" names A; a
// reversible "A <-> B" matches either side, side 2 first.
TargetMatch match_target(std::string_view line, std::string_view requested);

}  // namespace kestor
