#include "collisions/readcs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/program_stop.h"
#include "reader_test_util.h"

namespace kestor {
namespace {

using test::collision_fixture;
using test::load;
using test::ScratchDir;
using Points = std::vector<std::pair<double, double>>;

class ReadcsTest : public ::testing::Test {
protected:
    ZeroedPtr<Tables> tables_ = make_tables();
    Tables& t = *tables_;
    ScratchDir dir_{"kestor-cs"};

    Points table(int k) const {
        Points p;
        for (int j = 0; j < t.col.cs_npoints[k]; ++j) p.emplace_back(t.col.cs_energy[k][j], t.col.cs_value[k][j]);
        return p;
    }
    // Loads a data file written from `content` for species 1.
    std::string load_text(const std::string& content, const std::string& name = "X", int extrapolate = 0) {
        const std::string file = dir_.write("data.txt", content);
        load(t, file, 1, name, extrapolate);
        return file;
    }
};

// --- the fixtures -----------------------------------------------------------

TEST_F(ReadcsTest, GasWithElasticExcitationsAndIonization) {
    const std::string file = collision_fixture("gas_ar.txt");
    load(t, file, 1, "Ar");
    ASSERT_EQ(t.num.collision_count, 4);
    EXPECT_EQ(t.num.grouped_collision_count, 0);

    const int kinds[] = {kElastic, kExcitation, kExcitation, kIonization};
    const double thresholds[] = {0.0, 11.5, 0.09, 15.76};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(t.col.collision_kind[k], kinds[k - 1]) << k;
        EXPECT_EQ(t.col.collision_species[k], 1) << k;
        EXPECT_EQ(t.col.collision_threshold[k], thresholds[k - 1]) << k;
        EXPECT_EQ(t.col.upper_level_energy[k], thresholds[k - 1]) << k;
        EXPECT_EQ(t.col.lower_level_energy[k], 0.0) << k;
        EXPECT_EQ(t.col.lower_level_weight[k], 1.0) << k;
        EXPECT_EQ(t.col.upper_level_weight[k], 1.0) << k;
    }
    EXPECT_EQ(t.col.collision_mass_ratio[1], 1.36e-5);
    EXPECT_EQ(t.col.collision_mass_ratio[2], 0.0);
    EXPECT_EQ(t.sp.species_effective_flag[1], 0);

    EXPECT_EQ(table(1), (Points{{0, 7.5e-20}, {0.01, 7.5e-20}, {1, 1.5e-20}, {10, 1.2e-19}, {100, 4e-20},
                                {10000, 4e-20}}));
    EXPECT_EQ(table(2), (Points{{0, 0}, {11.5, 0}, {12, 1e-21}, {20, 8e-21}, {10000, 8e-21}}));
    EXPECT_EQ(table(3), (Points{{0, 0}, {0.05, 0}, {0.09, 0}, {0.5, 2e-21}, {10000, 2e-21}}));
    EXPECT_EQ(table(4), (Points{{0, 0}, {15.76, 0}, {20, 1e-21}, {100, 3e-20}, {10000, 3e-20}}));

    EXPECT_EQ(t.sp.species_reference[1].trimmed(),
              file + "\r\nHow to reference in publications: Test data written for the reader tests."
                     "\r\nSecond reference line.");
}

TEST_F(ReadcsTest, OtherSpeciesOfTheFileAndItsReference) {
    const std::string file = collision_fixture("gas_ar.txt");
    load(t, file, 2, "He");
    ASSERT_EQ(t.num.collision_count, 1);
    EXPECT_EQ(t.col.collision_species[1], 2);
    EXPECT_EQ(t.col.collision_mass_ratio[1], 1.36e-4);
    EXPECT_EQ(t.sp.species_reference[2].trimmed(), file);
}

TEST_F(ReadcsTest, RequestedNameIsComparedInUpperCase) {
    load(t, collision_fixture("gas_ar.txt"), 1, "  ar");
    EXPECT_EQ(t.num.collision_count, 4);
}

// The requested name and the target line are both raised to upper case,
// the letters a to z alone: the ends of the alphabet fold, their ASCII
// neighbours (@ before A, [ after Z, ` before a, { after z), digits and
// bytes above 127 stay as they are on either side.
struct CaseFoldCase {
    const char* requested;  // the species name as written in the script
    const char* target;     // the target line of the one block in the file
    bool matches;
};

void PrintTo(const CaseFoldCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.requested)) << " against target line "
        << ::testing::PrintToString(std::string(c.target));
}

class TargetCaseFoldTest : public ReadcsTest, public ::testing::WithParamInterface<CaseFoldCase> {};

TEST_P(TargetCaseFoldTest, OnlyLettersAToZFold) {
    const CaseFoldCase& c = GetParam();
    load_text(std::string("ELASTIC\n") + c.target + "\n 1e-5\n-----\n 0 1e-20\n 10 2e-20\n-----\n", c.requested);
    EXPECT_EQ(t.num.collision_count, c.matches ? 1 : 0);
}

const CaseFoldCase kCaseFoldCases[] = {
    // z and Z, a and A: the last and the first letter fold both ways.
    {"Xz", "XZ", true},
    {"XZ", "Xz", true},
    {"xz", "xZ", true},
    {"zz", "ZZ", true},
    {"a", "A", true},
    {"A", "a", true},
    {"aZ", "Az", true},
    {"Za", "zA", true},
    // The neighbours of the letters fold neither in the name nor in the line.
    {"X{", "X[", false},  // { = z + 1, [ = Z + 1
    {"X[", "X{", false},
    {"X`", "X@", false},  // ` = a - 1, @ = A - 1
    {"X@", "X`", false},
    {"X{", "x{", true},   // beside a letter that folds, { is kept on both sides
    {"x[", "X[", true},
    {"X`", "x`", true},
    {"x@", "X@", true},
    // Digits and bytes above 127 neither fold nor match their would-be partners.
    {"X1", "x1", true},
    {"X1", "X\x11", false},  // '1' - 32
    {"X\x11", "X1", false},
    {"H\xe9", "h\xe9", true},
    {"H\xe9", "H\xc9", false},  // Latin-1 e acute against E acute
    {"H\xc9", "h\xe9", false},
};

INSTANTIATE_TEST_SUITE_P(Names, TargetCaseFoldTest, ::testing::ValuesIn(kCaseFoldCases));

TEST_F(ReadcsTest, EveryLetterFoldsBothWays) {
    for (char lower = 'a'; lower <= 'z'; ++lower) {
        const std::string small = std::string("q") + lower;
        const std::string capital = std::string("Q") + static_cast<char>(lower - 'a' + 'A');
        for (const auto& [requested, target] : {std::pair{small, capital}, std::pair{capital, small}}) {
            t.num.collision_count = 0;
            load_text("ELASTIC\n" + target + "\n 1e-5\n-----\n 0 1e-20\n-----\n", requested);
            EXPECT_EQ(t.num.collision_count, 1) << requested << " against " << target;
        }
    }
}

TEST_F(ReadcsTest, SpeciesWithoutBlocksGetsNoCollision) {
    const std::string file = collision_fixture("gas_ar.txt");
    t.sp.species_effective_flag[1] = 1;
    load(t, file, 1, "Kr");
    EXPECT_EQ(t.num.collision_count, 0);
    EXPECT_EQ(t.sp.species_effective_flag[1], 0);
    EXPECT_EQ(t.sp.species_reference[1].trimmed(), file);
    EXPECT_EQ(t.sp.rot_level_count[1], 0);
}

TEST_F(ReadcsTest, WindowsLineEndsReadLikeUnixOnes) {
    auto other = make_tables();
    load(t, collision_fixture("gas_ar.txt"), 1, "Ar");
    load(*other, collision_fixture("gas_ar_crlf.txt"), 1, "Ar");
    ASSERT_EQ(other->num.collision_count, t.num.collision_count);
    for (int k = 1; k <= t.num.collision_count; ++k) {
        EXPECT_EQ(other->col.collision_kind[k], t.col.collision_kind[k]);
        EXPECT_EQ(other->col.collision_threshold[k], t.col.collision_threshold[k]);
        EXPECT_EQ(other->col.collision_mass_ratio[k], t.col.collision_mass_ratio[k]);
        ASSERT_EQ(other->col.cs_npoints[k], t.col.cs_npoints[k]);
        for (int j = 0; j < t.col.cs_npoints[k]; ++j) {
            EXPECT_EQ(other->col.cs_energy[k][j], t.col.cs_energy[k][j]);
            EXPECT_EQ(other->col.cs_value[k][j], t.col.cs_value[k][j]);
        }
    }
    // Same text after the file name: no carriage return of the file survives.
    const std::string a = t.sp.species_reference[1].trimmed();
    const std::string b = other->sp.species_reference[1].trimmed();
    EXPECT_EQ(b.substr(collision_fixture("gas_ar_crlf.txt").size()), a.substr(collision_fixture("gas_ar.txt").size()));
}

TEST_F(ReadcsTest, RotationsAndVibrationsFormGroupsInTheTopSlots) {
    load(t, collision_fixture("molecule_rot.txt"), 1, "N2");
    ASSERT_EQ(t.num.collision_count, 4);
    ASSERT_EQ(t.num.grouped_collision_count, 4);
    struct Slot {
        int k, kind, group;
        double threshold;
    };
    const Slot slots[] = {
        {2, kRotation, 2, 0.0074},          {4003, kRotation, 2, 0.0248 - 0.0074},
        {3, kVibration, 3, 0.29},           {4002, kRotation, 2, 0.0521 - 0.0248},
        {4001, kVibration, 3, 0.59},        {4000, kRotation, 2, 0.0893 - 0.0521},
    };
    for (const Slot& s : slots) {
        EXPECT_EQ(t.col.collision_kind[s.k], s.kind) << s.k;
        EXPECT_EQ(t.col.collision_group[s.k], s.group) << s.k;
        EXPECT_EQ(t.col.collision_threshold[s.k], s.threshold) << s.k;
        EXPECT_EQ(t.col.collision_species[s.k], 1) << s.k;
        EXPECT_GT(t.col.cs_npoints[s.k], 0) << s.k;
    }
    EXPECT_EQ(t.col.collision_kind[1], kElastic);
    EXPECT_EQ(t.col.collision_kind[4], kExcitation);
    EXPECT_EQ(t.col.lower_level_energy[4002], 0.0248);
    EXPECT_EQ(t.col.lower_level_weight[4002], 9.0);
    EXPECT_EQ(t.col.upper_level_weight[4002], 13.0);
    // Every distinct level, although only four collisions are visible.
    ASSERT_EQ(t.sp.rot_level_count[1], 5);
    const double energies[] = {0.0, 0.0074, 0.0248, 0.0521, 0.0893};
    const double weights[] = {1, 5, 9, 13, 17};
    for (int l = 1; l <= 5; ++l) {
        EXPECT_EQ(t.sp.rot_level_energy[1][l], energies[l - 1]) << l;
        EXPECT_EQ(t.sp.rot_level_weight[1][l], weights[l - 1]) << l;
    }
}

TEST_F(ReadcsTest, ShowrotMakesEveryLaterRotationVisible) {
    load(t, collision_fixture("molecule_showrot.txt"), 1, "N2");
    ASSERT_EQ(t.num.collision_count, 7);
    ASSERT_EQ(t.num.grouped_collision_count, 1);
    // Before the SHOWROT line: a leader and one grouped process.
    EXPECT_EQ(t.col.collision_group[2], 2);
    EXPECT_EQ(t.col.collision_group[4003], 2);
    EXPECT_EQ(t.col.collision_kind[4003], kRotation);
    // After it every rotation and vibration is its own group.
    const int kinds[] = {kElastic, kRotation, kVibration, kRotation, kVibration, kRotation, kExcitation};
    for (int k = 1; k <= 7; ++k) EXPECT_EQ(t.col.collision_kind[k], kinds[k - 1]) << k;
    for (int k : {3, 4, 5, 6}) EXPECT_EQ(t.col.collision_group[k], k) << k;
    ASSERT_EQ(t.sp.rot_level_count[1], 5);
    EXPECT_EQ(t.sp.rot_level_energy[1][5], 0.0893);
    EXPECT_EQ(t.sp.rot_level_weight[1][5], 17.0);
}

TEST_F(ReadcsTest, ReversibleExcitationIsReadForBothSides) {
    const std::string file = collision_fixture("reversible.txt");
    load(t, file, 1, "N2(X)");
    load(t, file, 2, "n2(a)");
    ASSERT_EQ(t.num.collision_count, 2);
    EXPECT_EQ(t.col.collision_kind[1], kExcitation);
    EXPECT_EQ(t.col.upper_level_energy[1], 6.17);
    EXPECT_EQ(t.col.upper_level_weight[1], 0.0);  // only the threshold is read
    EXPECT_EQ(t.col.collision_threshold[1], 6.17);
    EXPECT_EQ(t.col.collision_species[1], 1);

    EXPECT_EQ(t.col.collision_kind[2], kDeexcitation);
    EXPECT_EQ(t.col.upper_level_energy[2], 6.17);
    EXPECT_EQ(t.col.upper_level_weight[2], 3.0);
    EXPECT_EQ(t.col.collision_threshold[2], 6.17);
    EXPECT_EQ(t.col.collision_species[2], 2);

    const Points expected = {{0, 0}, {6.17, 0}, {7, 1e-21}, {20, 5e-21}, {10000, 5e-21}};
    EXPECT_EQ(table(1), expected);
    EXPECT_EQ(table(2), expected);
}

TEST_F(ReadcsTest, EffectiveAndMomentumKeywordsMarkTheSpecies) {
    const std::string file = collision_fixture("effective.txt");
    const char* names[] = {"He", "Ne", "Xe"};
    const int flags[] = {1, 1, 0};
    for (int s = 1; s <= 3; ++s) load(t, file, s, names[s - 1]);
    ASSERT_EQ(t.num.collision_count, 3);
    for (int s = 1; s <= 3; ++s) {
        EXPECT_EQ(t.sp.species_effective_flag[s], flags[s - 1]) << names[s - 1];
        EXPECT_EQ(t.col.collision_kind[s], kElastic) << names[s - 1];
    }
    // Read again from a file with a plain ELASTIC block, the flag is recomputed.
    load(t, collision_fixture("gas_ar.txt"), 1, "He");
    EXPECT_EQ(t.sp.species_effective_flag[1], 0);
}

TEST_F(ReadcsTest, ReferenceBlocksJoinTheReferenceText) {
    const std::string file = collision_fixture("references.txt");
    load(t, file, 1, "Kr");
    EXPECT_EQ(t.num.collision_count, 1);
    EXPECT_EQ(t.sp.species_reference[1].trimmed(),
              file +
                  "\r\nHow to reference in publications:"
                  "\r\nSmith, Test Journal 1 (2000) 1."
                  "\r\nHow to reference in publications: Second block text."
                  "\r\n"
                  "\r\nLine after an empty one.");
}

TEST_F(ReadcsTest, TableWithoutClosingLineEndsAtTheNextKeywordLine) {
    load(t, collision_fixture("no_closing_line.txt"), 1, "Ne");
    ASSERT_EQ(t.num.collision_count, 2);
    EXPECT_EQ(t.col.collision_kind[2], kExcitation);
    EXPECT_EQ(t.col.collision_threshold[2], 16.6);
    EXPECT_EQ(table(1), (Points{{0, 1e-20}, {10, 2e-20}, {10000, 2e-20}}));
    EXPECT_EQ(table(2), (Points{{0, 0}, {16.6, 0}, {20, 1e-21}, {10000, 1e-21}}));
}

TEST_F(ReadcsTest, SpeciesReadAgainGetsItsCollisionsAppendedAndNewLevels) {
    load(t, collision_fixture("molecule_rot.txt"), 1, "N2");
    ASSERT_EQ(t.sp.rot_level_count[1], 5);
    // A file without rotations for N2 leaves the levels.
    t.sp.rot_level_weight[1][5] = 99.0;
    load(t, collision_fixture("gas_ar.txt"), 1, "N2");
    EXPECT_EQ(t.num.collision_count, 4);
    EXPECT_EQ(t.sp.rot_level_count[1], 5);
    EXPECT_EQ(t.sp.rot_level_weight[1][5], 99.0);
    EXPECT_EQ(t.sp.species_reference[1].trimmed(), collision_fixture("gas_ar.txt"));
    // A second file with rotations starts a new group and replaces the levels.
    load(t, collision_fixture("molecule_showrot.txt"), 1, "N2");
    EXPECT_EQ(t.num.collision_count, 11);
    EXPECT_EQ(t.num.grouped_collision_count, 5);
    EXPECT_EQ(t.col.collision_group[6], 6);
    EXPECT_EQ(t.col.collision_group[3999], 6);
    EXPECT_EQ(t.sp.rot_level_count[1], 5);
    EXPECT_EQ(t.sp.rot_level_weight[1][5], 17.0);
}

// --- the table search and read ----------------------------------------------

struct SearchCase {
    bool attachment;     // no parameter line: the search starts at the keyword line
    int comment_lines;   // lines between the parameter (or target) line and the table
    bool dash_line;      // whether a dash line follows them
    double first_energy; // first energy of the file table as read
};

void PrintTo(const SearchCase& c, std::ostream* os) {
    *os << (c.attachment ? "attachment, " : "elastic, ") << c.comment_lines << " comment lines, "
        << (c.dash_line ? "then a dash line" : "no dash line");
}

class TableSearchTest : public ReadcsTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(TableSearchTest, DashLineIsSearchedInAtMostHundredLines) {
    const SearchCase& c = GetParam();
    std::string text = c.attachment ? "ATTACHMENT\nX\n" : "ELASTIC\nX\n 1e-5\n";
    for (int i = 0; i < c.comment_lines; ++i) text += "comment line " + std::to_string(i) + "\n";
    if (c.dash_line) text += "-----\n";
    text += " 1.0 1e-20\n 2.0 2e-20\n 3.0 3e-20\n-----\n";
    load_text(text);
    ASSERT_EQ(t.num.collision_count, 1);
    ASSERT_GE(t.col.cs_npoints[1], 2);
    EXPECT_EQ(t.col.cs_energy[1][1], c.first_energy);
}

// The search starts again two lines back: target, parameter line and 98
// comments make the 100 lines searched, and so do the keyword line, the
// target line and 98 comments of a block without parameter lines.
const SearchCase kSearchCases[] = {
    {false, 3, true, 1.0},
    {false, 97, true, 1.0},   // the dash line is the 100th line
    {false, 98, false, 1.0},  // no dash line: the table starts after the 100th line
    {false, 97, false, 2.0},  // the 100th line is the first pair: it is passed over
    {true, 3, true, 1.0},
    {true, 97, true, 1.0},
    {true, 98, false, 1.0},
    {true, 97, false, 2.0},
};

INSTANTIATE_TEST_SUITE_P(Lines, TableSearchTest, ::testing::ValuesIn(kSearchCases));

// A keyword line that also holds the dash line starts one block, never a
// second one when the reader steps back onto it.
TEST_F(ReadcsTest, KeywordLineWithDashesStartsOneBlock) {
    struct Case {
        std::string what;
        std::string text;
        Points attachment;  // the table of the attachment
    };
    const std::string elastic = "ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 10 2e-20\n-----\n";
    const Case cases[] = {
        {"its table after the target line",
         "ATTACHMENT -----\nX\n-----\n 1 1e-22\n 2 2e-22\n-----\n" + elastic,
         {{0, 1e-22}, {1, 1e-22}, {2, 2e-22}, {10000, 2e-22}}},
        {"at the end of the file", elastic + "ATTACHMENT -----\nX\n", {}},
        {"target line with dashes at the end of the file", elastic + "ATTACHMENT\nX / -----\n", {}},
    };
    for (const Case& c : cases) {
        t.num.collision_count = 0;
        load_text(c.text);
        ASSERT_EQ(t.num.collision_count, 2) << c.what;
        const int attachment = t.col.collision_kind[1] == kAttachment ? 1 : 2;
        EXPECT_EQ(t.col.collision_kind[attachment], kAttachment) << c.what;
        EXPECT_EQ(t.col.collision_kind[3 - attachment], kElastic) << c.what;
        EXPECT_EQ(table(attachment), c.attachment) << c.what;
        EXPECT_EQ(table(3 - attachment), (Points{{0, 1e-20}, {10, 2e-20}, {10000, 2e-20}})) << c.what;
    }
}

TEST_F(ReadcsTest, DashLineBeyondTheSearchLeavesAnEmptyTable) {
    std::string text = "ELASTIC\nX\n 1e-5\n";
    for (int i = 0; i < 98; ++i) text += "comment\n";
    text += "-----\n 1.0 1e-20\n-----\n";
    load_text(text);
    ASSERT_EQ(t.num.collision_count, 1);
    EXPECT_EQ(t.col.cs_npoints[1], 0);
}

TEST_F(ReadcsTest, TableOf2000PointsKeeps1003AndSkipsTheRest) {
    std::string text = "ELASTIC\nX\n 1e-5\n-----\n";
    for (int j = 0; j < 2000; ++j) text += " " + std::to_string(0.01 * (j + 1)) + " 1e-20\n";
    text += "-----\nIONIZATION\nX\n 15.0\n-----\n 15 0\n 30 1e-20\n-----\n";
    load_text(text);
    ASSERT_EQ(t.num.collision_count, 2);
    // The first 1003 pairs are kept; two of their inner points make room
    // for the zero point and the upper point.
    const Points p = table(1);
    ASSERT_EQ(p.size(), static_cast<std::size_t>(kMaxCsPoints));
    EXPECT_EQ(p[0], (std::pair<double, double>{0, 1e-20}));
    EXPECT_EQ(p[1], (std::pair<double, double>{0.01, 1e-20}));
    EXPECT_EQ(p[kMaxCsPoints - 2].first, std::stod(std::to_string(0.01 * kMaxCsPoints)));
    EXPECT_EQ(p[kMaxCsPoints - 1], (std::pair<double, double>{10000, 1e-20}));
    EXPECT_EQ(t.col.collision_kind[2], kIonization);
    EXPECT_EQ(table(2), (Points{{0, 0}, {15, 0}, {30, 1e-20}, {10000, 1e-20}}));
}

TEST_F(ReadcsTest, NonNumericEnergyEndsTheTable) {
    load_text(
        "ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 1 2e-20\n abc 3e-20\n 2 4e-20\n-----\n"
        "IONIZATION\nX\n 10\n-----\n 10 0\n 20 1e-20\n-----\n");
    ASSERT_EQ(t.num.collision_count, 2);
    EXPECT_EQ(table(1), (Points{{0, 1e-20}, {1, 2e-20}, {10000, 2e-20}}));
    EXPECT_EQ(t.col.collision_kind[2], kIonization);
}

TEST_F(ReadcsTest, EnergyWithoutCrossSectionIsNotUsable) {
    load_text("ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 1 2e-20\n 3\n-----\n");
    EXPECT_EQ(table(1), (Points{{0, 1e-20}, {1, 2e-20}, {10000, 2e-20}}));
}

TEST_F(ReadcsTest, SlashEndsTheTable) {
    load_text("ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 1 2e-20 / end\n 2 3e-20\n-----\n");
    EXPECT_EQ(table(1), (Points{{0, 1e-20}, {1, 2e-20}, {10000, 2e-20}}));
}

TEST_F(ReadcsTest, PairsMayRunOverLines) {
    load_text("ELASTIC\nX\n 1e-5\n-----\n 0 1e-20 1\n 2e-20, 2, 3e-20\n\n 4 4e-20\n-----\n");
    EXPECT_EQ(table(1), (Points{{0, 1e-20}, {1, 2e-20}, {2, 3e-20}, {4, 4e-20}, {10000, 4e-20}}));
}

TEST_F(ReadcsTest, NegativeCrossSectionEndsTheUsablePoints) {
    load_text("EXCITATION\nX\n 2\n-----\n 3 1e-20\n 4 -2e-20\n 5 3e-20\n-----\n");
    EXPECT_EQ(table(1), (Points{{0, 0}, {2, 0}, {3, 1e-20}, {10000, 1e-20}}));
}

TEST_F(ReadcsTest, TableWithoutUsablePointKeepsItsSlotEmpty) {
    load_text(
        "ELASTIC\nX\n 1e-5\n-----\n-----\n"
        "ELASTIC\nX\n 2e-5\n-----\n 0 -1\n 1 1e-20\n-----\n"
        "ELASTIC\nX\n 3e-5\n-----\n x 1e-20\n-----\n");
    ASSERT_EQ(t.num.collision_count, 3);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(t.col.cs_npoints[k], 0) << k;
    EXPECT_EQ(t.col.collision_mass_ratio[3], 3e-5);
}

TEST_F(ReadcsTest, TableEndingAtOneElectronVoltIsExtendedFlatWhenExtrapolating) {
    load_text("ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 1 2e-20\n-----\n", "X", 1);
    EXPECT_EQ(table(1), (Points{{0, 1e-20}, {1, 2e-20}, {10000, 2e-20}}));
}

TEST_F(ReadcsTest, ExtrapolationSwitchIsTakenFromTheSettings) {
    load_text("ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 2 1e-20\n-----\n", "X", 1);
    EXPECT_EQ(t.col.cs_npoints[1], 2 + 22);
}

// --- parameter lines ----------------------------------------------------------

TEST_F(ReadcsTest, ParameterLineOfLettersKeepsTheDefaults) {
    load_text(
        "EXCITATION\nX\n abc\n-----\n 1 0\n 2 1e-20\n-----\n"
        "ROTATION\nX\n low high\n 0.1 3\n-----\n 0.1 0\n 1 1e-20\n-----\n"
        "EXCITATION\nY <-> X\n 6.17 abc\n-----\n 6.17 0\n 8 1e-20\n-----\n"
        "VIBRATION\nX\n 0.0 1\n up\n-----\n 0.3 0\n 1 1e-20\n-----\n");
    ASSERT_EQ(t.num.collision_count, 4);
    EXPECT_EQ(t.col.collision_threshold[1], 0.0);
    EXPECT_EQ(table(1), (Points{{0, 0}, {1, 0}, {2, 1e-20}, {10000, 1e-20}}));
    // The first level line failed: the second is not read.
    EXPECT_EQ(t.col.collision_kind[2], kRotation);
    EXPECT_EQ(t.col.lower_level_energy[2], 0.0);
    EXPECT_EQ(t.col.upper_level_energy[2], 0.0);
    EXPECT_EQ(t.col.upper_level_weight[2], 1.0);
    EXPECT_EQ(t.col.cs_npoints[2], 4);
    // The energy is read, the weight keeps its default.
    EXPECT_EQ(t.col.collision_kind[3], kDeexcitation);
    EXPECT_EQ(t.col.upper_level_energy[3], 6.17);
    EXPECT_EQ(t.col.upper_level_weight[3], 1.0);
    EXPECT_EQ(t.col.upper_level_energy[4], 0.0);
    EXPECT_EQ(t.col.lower_level_weight[4], 1.0);
    EXPECT_EQ(t.col.collision_kind[4], kVibration);
    // The rotation's level entries (0, 1) twice make one level.
    EXPECT_EQ(t.sp.rot_level_count[1], 1);
}

TEST_F(ReadcsTest, AttachmentReadsNoParameterLine) {
    load_text("ATTACHMENT\nX -> X^-\nSPECIES: e / X\n-----\n 0 0\n 1 1e-22\n-----\n");
    ASSERT_EQ(t.num.collision_count, 1);
    EXPECT_EQ(t.col.collision_kind[1], kAttachment);
    EXPECT_EQ(t.col.collision_threshold[1], 0.0);
    EXPECT_EQ(table(1), (Points{{0, 0}, {1, 1e-22}, {10000, 1e-22}}));
}

TEST_F(ReadcsTest, ParametersMayRunOverLines) {
    load_text("ROTATION\nX\n 0.0\n\n 1\n 0.01 5\n-----\n 0.01 0\n 1 1e-20\n-----\n");
    EXPECT_EQ(t.col.lower_level_weight[1], 1.0);
    EXPECT_EQ(t.col.upper_level_energy[1], 0.01);
    EXPECT_EQ(t.col.upper_level_weight[1], 5.0);
}

TEST_F(ReadcsTest, EndOfFileAtAParameterLineStopsTheProgram) {
    for (const char* text : {"ELASTIC\nX", "EXCITATION\nX\n", "EXCITATION\nX\n   \n\n", "ROTATION\nX\n 0 1\n"}) {
        try {
            load_text(text);
            ADD_FAILURE() << "no stop for " << text;
        } catch (const ProgramStop& stop) {
            EXPECT_EQ(stop.exit_status, kEndOfFileExitStatus);
            EXPECT_NE(stop.message.find("end-of-file during read"), std::string::npos);
        }
    }
}

// --- truncated files and other files -----------------------------------------

TEST_F(ReadcsTest, TruncatedFilesEndTheReading) {
    struct Case {
        std::string text;
        int collisions;
        int points;  // of the last collision
    };
    const Case cases[] = {
        {"ELASTIC\n", 0, 0},
        {"ELASTIC\nX\n 1e-5\n", 1, 0},
        {"ELASTIC\nX\n 1e-5\ncomment", 1, 0},
        {"ELASTIC\nX\n 1e-5\n-----\n", 1, 0},
        {"ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 5 2e-20\n 10", 1, 3},
        {"ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n 5 2e-20\n 10 3e-20", 1, 4},
    };
    for (const Case& c : cases) {
        tables_ = make_tables();
        Tables& fresh = *tables_;
        fresh.col.cs_npoints[1] = 77;
        const std::string file = dir_.write("cut.txt", c.text);
        load(fresh, file, 1, "X");
        EXPECT_EQ(fresh.num.collision_count, c.collisions) << c.text;
        if (c.collisions > 0) {
            EXPECT_EQ(fresh.col.cs_npoints[1], c.points) << c.text;
            EXPECT_EQ(fresh.col.collision_mass_ratio[1], 1e-5) << c.text;
        }
    }
}

TEST_F(ReadcsTest, FileThatCannotBeOpenedChangesNothing) {
    for (const std::string& path : {dir_.file(""), dir_.file("missing.txt")}) {
        t.sp.species_reference[1].assign("kept");
        t.sp.species_effective_flag[1] = 1;
        load(t, path, 1, "X");
        EXPECT_EQ(t.num.collision_count, 0) << path;
        EXPECT_EQ(t.sp.species_reference[1].trimmed(), "kept") << path;
        EXPECT_EQ(t.sp.species_effective_flag[1], 1) << path;
    }
}

TEST_F(ReadcsTest, OnlyTheFirst256CharactersOfALineCount) {
    load_text(std::string(250, ' ') + "ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n-----\n" + std::string(249, ' ') +
              "ELASTIC\nX\n 2e-5\n-----\n 0 1e-20\n-----\n");
    ASSERT_EQ(t.num.collision_count, 1);
    EXPECT_EQ(t.col.collision_mass_ratio[1], 2e-5);
}

TEST_F(ReadcsTest, LowerCaseKeywordStartsNoBlock) {
    load_text("elastic\nX\n 1e-5\n-----\n 0 1e-20\n-----\nExcitation\nX\n 1\n-----\n 1 0\n-----\n");
    EXPECT_EQ(t.num.collision_count, 0);
}

// --- reference blocks ---------------------------------------------------------

TEST_F(ReadcsTest, ReferenceBlockCutByTheEndOfTheFileIsNotKept) {
    for (const char* text : {"COMMENT\nX\n", "COMMENT\nX\nfirst\nsecond\n"}) {
        const std::string file = load_text(text);
        EXPECT_EQ(t.sp.species_reference[1].trimmed(), file) << text;
    }
}

TEST_F(ReadcsTest, ReferenceBlockOfMoreThanHundredLinesEndsAfterThem) {
    std::string text = "COMMENT\nX\nfirst\n";
    for (int i = 0; i < 101; ++i) text += "r\n";
    text += "---\nELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n-----\n";
    const std::string file = load_text(text);
    std::string expected = file + "\r\nHow to reference in publications: first";
    for (int i = 0; i < 100; ++i) expected += "\r\nr";
    EXPECT_EQ(t.sp.species_reference[1].trimmed(), expected);
    // The 101st line and the dash line are keyword lines again.
    EXPECT_EQ(t.num.collision_count, 1);
}

TEST_F(ReadcsTest, LongFirstReferenceLineIsCutAt256Characters) {
    const std::string file = load_text("COMMENT\nX\n" + std::string(300, 'a') + "\n---\n");
    const std::string ref = t.sp.species_reference[1].trimmed();
    const std::string intro = "How to reference in publications: ";
    EXPECT_EQ(ref, file + "\r\n" + intro + std::string(256 - intro.size(), 'a'));
}

struct ReferenceLimitCase {
    int fill_to;       // length of the text after the filler lines
    int final_length;  // length of the stored text
};

void PrintTo(const ReferenceLimitCase& c, std::ostream* os) { *os << "text of " << c.fill_to << " characters"; }

class ReferenceLimitTest : public ReadcsTest, public ::testing::WithParamInterface<ReferenceLimitCase> {};

// After filler lines that bring the text to fill_to characters come a
// line of 200 characters, an empty line and the line "ab": each is taken
// only while the text stays below 1024 characters, and a line that is
// dropped does not stop the next ones.
TEST_P(ReferenceLimitTest, LinesAreTakenWhileTheTextStaysBelow1024Characters) {
    const ReferenceLimitCase& c = GetParam();
    const std::string head = "COMMENT\nX\nfirst\n";
    load_text(head + "---\n");
    int length = static_cast<int>(t.sp.species_reference[1].trimmed_length());
    std::string text = head;
    while (length < c.fill_to) {
        const int rest = c.fill_to - length;
        const int line = rest - 2 <= 200 ? rest - 2 : (rest - 202 == 1 ? 199 : 200);
        text += std::string(line, 'f') + "\n";
        length += 2 + line;
    }
    ASSERT_EQ(length, c.fill_to);
    load_text(text + std::string(200, 'z') + "\n\nab\n---\n");
    EXPECT_EQ(static_cast<int>(t.sp.species_reference[1].trimmed_length()), c.final_length);
}

INSTANTIATE_TEST_SUITE_P(Limits, ReferenceLimitTest,
                         ::testing::Values(ReferenceLimitCase{1022, 1022},  // not even the empty line
                                           ReferenceLimitCase{1021, 1023},  // the empty line only
                                           ReferenceLimitCase{1019, 1021},
                                           ReferenceLimitCase{1018, 1020},  // "ab" would make 1024
                                           ReferenceLimitCase{1000, 1006},  // the long line dropped
                                           ReferenceLimitCase{800, 1008}));

// --- capacity -----------------------------------------------------------------

TEST_F(ReadcsTest, BlockBeyondTheLastSlotEndsTheReading) {
    t.num.collision_count = 4000;
    t.num.grouped_collision_count = 2;
    load(t, collision_fixture("gas_ar.txt"), 1, "Ar");
    EXPECT_EQ(t.num.collision_count, 4001);
    EXPECT_EQ(t.num.grouped_collision_count, 2);
    EXPECT_EQ(t.col.collision_kind[4001], kElastic);
    // The reference block came before the elastic block.
    EXPECT_NE(t.sp.species_reference[1].trimmed().find("Test data"), std::string::npos);
}

TEST_F(ReadcsTest, NothingAfterARefusedBlockIsRead) {
    t.num.collision_count = 4000;
    t.num.grouped_collision_count = 2;
    const std::string file = load_text(
        "ELASTIC\nX\n 1e-5\n-----\n 0 1e-20\n-----\n"
        "EXCITATION\nX\n 2\n-----\n 2 0\n-----\n"
        "COMMENT\nX\nA late reference.\n---\n");
    EXPECT_EQ(t.num.collision_count, 4001);
    EXPECT_EQ(t.sp.species_reference[1].trimmed(), file);
}

TEST_F(ReadcsTest, FullSlotsTakeNoBlock) {
    struct Case {
        int visible, grouped;
    };
    for (const Case c : {Case{4003, 0}, Case{3, 4000}, Case{2000, 2003}}) {
        t.num.collision_count = c.visible;
        t.num.grouped_collision_count = c.grouped;
        load(t, collision_fixture("molecule_rot.txt"), 1, "N2");
        EXPECT_EQ(t.num.collision_count, c.visible);
        EXPECT_EQ(t.num.grouped_collision_count, c.grouped);
        EXPECT_EQ(t.sp.species_reference[1].trimmed(), collision_fixture("molecule_rot.txt"));
    }
}

TEST_F(ReadcsTest, GroupedProcessesMeetTheVisibleOnes) {
    // Room for three processes: elastic, the rotation leader and one grouped.
    t.num.collision_count = 4000;
    load(t, collision_fixture("molecule_rot.txt"), 1, "N2");
    EXPECT_EQ(t.num.collision_count, 4002);
    EXPECT_EQ(t.num.grouped_collision_count, 1);
    EXPECT_EQ(t.col.collision_group[4003], 4002);
    EXPECT_EQ(t.sp.rot_level_count[1], 3);
}

// --- a large file -------------------------------------------------------------

TEST_F(ReadcsTest, LargeFileWithHundredsOfProcessesLoadsWhole) {
    constexpr int kBlocks = 300;
    constexpr int kPoints = 900;
    std::string text;
    text.reserve(6u << 20);
    for (int b = 0; b < kBlocks; ++b) {
        const double threshold = 1.0 + 0.01 * b;
        text += "EXCITATION\nX -> X(" + std::to_string(b) + ")\n " + std::to_string(threshold) +
                "\nCOMMENT: generated block\n-----------------------------\n";
        for (int j = 0; j < kPoints; ++j) {
            char pair[64];
            std::snprintf(pair, sizeof pair, " %.6e\t%.6e\n", threshold + 0.05 * j, 1e-22 * (j + 1));
            text += pair;
        }
        text += "-----------------------------\n\n";
    }
    ASSERT_GT(text.size(), 5u << 20);
    load_text(text);
    ASSERT_EQ(t.num.collision_count, kBlocks);
    for (int k = 1; k <= kBlocks; ++k) {
        ASSERT_EQ(t.col.cs_npoints[k], kPoints + 2) << k;
        EXPECT_EQ(t.col.cs_energy[k][kPoints + 1], 10000.0) << k;
    }
}

}  // namespace
}  // namespace kestor
