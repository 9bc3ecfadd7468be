// Layout 7: collision blocks in the data-file format and the raw run arrays.
#include <gtest/gtest.h>

#include <limits>

#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::body;

const std::string kDashes(32, '-');

std::string name64(const std::string& s) { return s + std::string(64 - s.size(), ' '); }

// One species, one collision of the given kind, no run.
ZeroedPtr<Tables> one_collision(int kind) {
    auto t = test::labelled_tables();
    t->num.species_count = 1;
    t->sp.species_name[1].assign("Ar");
    t->num.collision_count = 1;
    t->col.collision_kind[1] = kind;
    t->col.collision_species[1] = 1;
    return t;
}

constexpr std::size_t kOneSpeciesHeader = 8;

struct BlockCase {
    const char* name;
    int kind;
    int effective_flag;
    std::vector<std::string> head;  // keyword and parameter lines around the species line
};

void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }

class CollisionBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(CollisionBlock, KeywordAndParameters) {
    const BlockCase& c = GetParam();
    auto t = one_collision(c.kind);
    t->sp.species_effective_flag[1] = c.effective_flag;
    CollisionTables& col = t->col;
    col.collision_mass_ratio[1] = 1.0005e-4;  // 0.1001E-03 in double, 0.1000E-03 in single
    col.collision_threshold[1] = 15.76;
    col.lower_level_energy[1] = 0.02;
    col.lower_level_weight[1] = 3.0;
    col.upper_level_energy[1] = 0.3;
    col.upper_level_weight[1] = 5.0;
    const auto b = body(test::write_records(*t, 7), kOneSpeciesHeader);
    std::vector<std::string> want = c.head;
    want.insert(want.begin() + (c.head.empty() ? 0 : 1), name64("Ar"));
    want.insert(want.end(), {kDashes, kDashes, "", "", "RESUME", "            0"});
    EXPECT_EQ(b, want);
}

const BlockCase kBlockCases[] = {
    {"Elastic", kElastic, 0, {"ELASTIC", "  0.1000E-03"}},
    {"Effective", kElastic, 1, {"EFFECTIVE", "  0.1000E-03"}},
    {"Attachment", kAttachment, 0, {"ATTACHMENT"}},
    {"Ionization", kIonization, 0, {"IONIZATION", "   15.76    "}},
    {"Excitation", kExcitation, 0, {"EXCITATION", "   15.76       5.000    "}},
    {"DeexcitationAsExcitation", kDeexcitation, 0, {"EXCITATION", "   15.76       5.000    "}},
    {"Rotation", kRotation, 0, {"ROTATION", "  0.2000E-01   3.000    ", "  0.3000       5.000    "}},
    {"VibrationKeepsItsKeyword", kVibration, 0, {"VIBRATION", "  0.2000E-01   3.000    ", "  0.3000       5.000    "}},
    {"UnknownKindHasNoKeyword", 9, 0, {}},
};

INSTANTIATE_TEST_SUITE_P(Layout7, CollisionBlock, ::testing::ValuesIn(kBlockCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CollisionData, IonizationTableRows) {
    auto t = one_collision(kIonization);
    t->col.collision_threshold[1] = 15.76;
    test::set_table(*t, 1, {{0.0, 0.0}, {15.76, 0.0}, {20.0, 1.5e-21}, {10000.0, 2.5e-20}});
    const auto b = body(test::write_records(*t, 7), kOneSpeciesHeader);
    const std::vector<std::string> want = {
        "IONIZATION", name64("Ar"), "   15.76    ", kDashes, "0.000\t0.000", "15.76\t0.000", "20.00\t0.1500E-20",
        "0.1000E+05\t0.2500E-19", kDashes, "", "", "RESUME", "            0"};
    EXPECT_EQ(b, want);
}

TEST(CollisionData, NoCollisionGoesStraightToResume) {
    auto t = test::labelled_tables();
    t->num.run_count = 1;
    const auto b = body(test::write_records(*t, 7), 5);
    ASSERT_EQ(b.size(), 2u + 7u + 1u + 10u + 6u);
    EXPECT_EQ(b[0], "RESUME");
    EXPECT_EQ(b[1], "            1");
    EXPECT_EQ(b[9], "");  // no species: an empty record of fractions
}

// The distribution arrays hold condition 15 (truncated) values, never more
// than the 1000 points of the tables, none for a negative count.
struct GridCase {
    const char* name;
    double grid_points;
    std::size_t values;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class ResumeGrid : public ::testing::TestWithParam<GridCase> {};

TEST_P(ResumeGrid, DistributionArrayLength) {
    const GridCase& c = GetParam();
    auto t = test::labelled_tables();
    t->num.run_count = 1;
    t->run.run_conditions[1][kCondGridPoints] = c.grid_points;
    for (int j = 1; j <= kMaxGrid; ++j) t->run.run_eedf[1][j] = j;
    const auto b = body(test::write_records(*t, 7), 5);
    // RESUME, count, 7 condition records, 1 fraction record, 10 result
    // records, 3 empty coefficient records, then the three arrays
    const std::size_t per_array = c.values == 0 ? 1 : (c.values + 2) / 3;
    ASSERT_EQ(b.size(), 2u + 7u + 1u + 10u + 3u + 3u * per_array);
    const std::size_t eedf = 2 + 7 + 1 + 10 + 3 + per_array;
    if (c.values == 0) {
        EXPECT_EQ(b[eedf], "");
    } else {
        EXPECT_EQ(b[eedf].substr(0, 25), "    1.00000000000000     ");
        const std::string& last = b[eedf + per_array - 1];
        EXPECT_EQ(last.size(), 1 + 24 * ((c.values - 1) % 3 + 1));
    }
}

const GridCase kGridCases[] = {
    {"Zero", 0, 0},
    {"Negative", -3, 0},
    {"NotANumber", std::numeric_limits<double>::quiet_NaN(), 0},
    {"Truncated", 4.9, 4},
    {"Full", 1000, 1000},
    {"BeyondTablesCapped", 5000, 1000},
    {"Huge", 1e300, 1000},
};

INSTANTIATE_TEST_SUITE_P(Layout7, ResumeGrid, ::testing::ValuesIn(kGridCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CollisionData, GroupedSlotsAreNotWritten) {
    auto t = one_collision(kRotation);
    t->num.grouped_collision_count = 1;
    t->col.collision_kind[4003] = kRotation;
    t->col.collision_species[4003] = 1;
    t->col.collision_group[4003] = 1;
    const auto b = body(test::write_records(*t, 7), kOneSpeciesHeader);
    EXPECT_EQ(std::count(b.begin(), b.end(), std::string("ROTATION")), 1);
}

}  // namespace
}  // namespace kestor
