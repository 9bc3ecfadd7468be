#include "collisions/keywords.h"

#include "common/tables.h"

namespace kestor {
namespace {

struct KeywordRule {
    std::string_view word;
    BlockType type;
    int kind;
};

// The test order matters: each match overrides the ones before it.
constexpr KeywordRule kRules[] = {
    {"MOMENTUM", BlockType::kProcess, kElastic},
    {"EFFECTIVE", BlockType::kProcess, kElastic},
    {"ELASTIC", BlockType::kProcess, kElastic},
    {"ATTACHMENT", BlockType::kProcess, kAttachment},
    {"IONIZATION", BlockType::kProcess, kIonization},
    {"IONISATION", BlockType::kProcess, kIonization},
    {"EXCITATION", BlockType::kProcess, kExcitation},
    {"ROTATION", BlockType::kProcess, kRotation},
    {"VIBRATION", BlockType::kProcess, kVibration},
    {"COMMENT", BlockType::kReference, -1},
    {"REFERENCE", BlockType::kReference, -1},
};

bool has(std::string_view line, std::string_view word) { return line.find(word) != std::string_view::npos; }

}  // namespace

KeywordLine classify_keyword_line(std::string_view line) {
    KeywordLine kw;
    for (const KeywordRule& r : kRules) {
        if (!has(line, r.word)) continue;
        kw.type = r.type;
        if (r.type == BlockType::kProcess) kw.kind = r.kind;
    }
    kw.effective = has(line, "MOMENTUM") || has(line, "EFFECTIVE");
    kw.showrot = has(line, "SHOWROT");
    return kw;
}

}  // namespace kestor
