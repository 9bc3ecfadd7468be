#include "collisions/keywords.h"

#include <gtest/gtest.h>

#include <string>

#include "common/tables.h"

namespace kestor {
namespace {

struct KeywordCase {
    std::string line;
    BlockType type;
    int kind;
    bool effective;
    bool showrot;
};

void PrintTo(const KeywordCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.line); }

class KeywordLineTest : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(KeywordLineTest, Classifies) {
    const KeywordCase& c = GetParam();
    const KeywordLine kw = classify_keyword_line(c.line);
    EXPECT_EQ(kw.type, c.type) << c.line;
    if (c.type == BlockType::kProcess) {
        EXPECT_EQ(kw.kind, c.kind) << c.line;
    }
    EXPECT_EQ(kw.effective, c.effective) << c.line;
    EXPECT_EQ(kw.showrot, c.showrot) << c.line;
}

const KeywordCase kKeywordCases[] = {
    {"ELASTIC", BlockType::kProcess, kElastic, false, false},
    {"EFFECTIVE", BlockType::kProcess, kElastic, true, false},
    {"MOMENTUM", BlockType::kProcess, kElastic, true, false},
    {"ELASTIC MOMENTUM TRANSFER", BlockType::kProcess, kElastic, true, false},
    {"ATTACHMENT", BlockType::kProcess, kAttachment, false, false},
    {"IONIZATION", BlockType::kProcess, kIonization, false, false},
    {"IONISATION", BlockType::kProcess, kIonization, false, false},
    {"EXCITATION", BlockType::kProcess, kExcitation, false, false},
    {"ROTATION", BlockType::kProcess, kRotation, false, false},
    {"VIBRATION", BlockType::kProcess, kVibration, false, false},
    // A later keyword in the order overrides an earlier one.
    {"VIBRATIONAL EXCITATION", BlockType::kProcess, kVibration, false, false},
    {"EXCITATION ROTATION", BlockType::kProcess, kRotation, false, false},
    {"ELASTIC COMMENT", BlockType::kReference, -1, false, false},
    {"EFFECTIVE REFERENCE", BlockType::kReference, -1, true, false},
    {"COMMENT: elastic MOMENTUM-TRANSFER CROSS SECTION.", BlockType::kReference, -1, true, false},
    // Keywords are found inside longer words too.
    {"DISSOCIATIVEATTACHMENTS", BlockType::kProcess, kAttachment, false, false},
    {"  xx IONIZATIONyy", BlockType::kProcess, kIonization, false, false},
    // SHOWROT alone starts no block but switches the grouping off.
    {"SHOWROT", BlockType::kNone, -1, false, true},
    {"ROTATION SHOWROT", BlockType::kProcess, kRotation, false, true},
    // Case is respected.
    {"elastic", BlockType::kNone, -1, false, false},
    {"Excitation", BlockType::kNone, -1, false, false},
    {"", BlockType::kNone, -1, false, false},
    {"-----------------------------", BlockType::kNone, -1, false, false},
};

INSTANTIATE_TEST_SUITE_P(Lines, KeywordLineTest, ::testing::ValuesIn(kKeywordCases));

}  // namespace
}  // namespace kestor
