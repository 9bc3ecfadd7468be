// Recognition of the keyword lines of a cross-section data file.
#pragma once

#include <string_view>

namespace kestor {

enum class BlockType { kNone, kProcess, kReference };

// What a keyword line starts. Keywords are found as substrings anywhere
// in the line, case respected; a keyword later in the fixed order
// overrides an earlier one, so reference keywords win over process ones.
struct KeywordLine {
    BlockType type = BlockType::kNone;
    int kind = -1;          // CollisionKind of a process block
    bool effective = false; // the line names an effective momentum transfer
    bool showrot = false;   // every rotation of the rest of the file shown on its own
};

KeywordLine classify_keyword_line(std::string_view line);

}  // namespace kestor
