#include "collisions/target_match.h"

#include <gtest/gtest.h>

#include <string>

namespace kestor {
namespace {

Name name_of(const char* s) {
    Name n;
    n.assign(s);
    return n;
}

TEST(RequestedName, LeadingBlanksGoAndLettersAToZAreRaised) {
    EXPECT_EQ(requested_name(name_of("co2")), "CO2");
    EXPECT_EQ(requested_name(name_of("   n2(a)")), "N2(A)");
    EXPECT_EQ(requested_name(name_of("Ar*")), "AR*");
    // Bytes outside a to z are left alone.
    EXPECT_EQ(requested_name(name_of("h\xe9")), "H\xe9");
}

struct TargetCase {
    std::string line;
    std::string requested;  // as given by requested_name
    MatchSide side;
    bool reversible;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.line) << " for " << c.requested;
}

class TargetLineTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetLineTest, Matches) {
    const TargetCase& c = GetParam();
    // Target lines arrive as 256-character blank-padded lines.
    LineText line;
    line.assign(c.line);
    const TargetMatch m = match_target(line.full(), c.requested);
    EXPECT_EQ(m.side, c.side) << "'" << c.line << "' for " << c.requested;
    EXPECT_EQ(m.reversible, c.reversible) << c.line;
}

const TargetCase kTargetCases[] = {
    {"CO2", "CO2", MatchSide::kSide1, false},
    {"co2", "CO2", MatchSide::kSide1, false},
    {"   co2   ", "CO2", MatchSide::kSide1, false},
    {"CO2 / ground state", "CO2", MatchSide::kSide1, false},
    {"CO2 -> CO2(V1)", "CO2", MatchSide::kSide1, false},
    {"CO2->CO2(V1)", "CO2", MatchSide::kSide1, false},
    {"CO2(X)", "CO2", MatchSide::kNone, false},
    {"CO", "CO2", MatchSide::kNone, false},
    {"CO2 CO", "CO2", MatchSide::kNone, false},
    {"", "CO2", MatchSide::kNone, false},
    // The comment goes first: an arrow after the slash is no product.
    {"N2 / -> N2(A)", "N2", MatchSide::kSide1, false},
    {"N2 / A <-> B", "N2", MatchSide::kSide1, false},
    // Reversible pairs: side 2 first, then side 1.
    {"N2(X) <-> N2(A)", "N2(X)", MatchSide::kSide1, true},
    {"N2(X) <-> N2(A)", "N2(A)", MatchSide::kSide2, true},
    {"n2(x)<->n2(a)", "N2(A)", MatchSide::kSide2, true},
    {"N2(X) <-> N2(A) / triplet", "N2(A)", MatchSide::kSide2, true},
    {"N2(X) <-> N2(A)", "N2", MatchSide::kNone, true},
    {"Ar <-> Ar", "AR", MatchSide::kSide2, true},
    {"<-> Ar*", "AR*", MatchSide::kSide2, true},
    // A tab is no blank: the name does not match.
    {"Ar\t", "AR", MatchSide::kNone, false},
};

INSTANTIATE_TEST_SUITE_P(Lines, TargetLineTest, ::testing::ValuesIn(kTargetCases));

}  // namespace
}  // namespace kestor
