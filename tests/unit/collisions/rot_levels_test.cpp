#include "collisions/rot_levels.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/zeroed.h"

namespace kestor {
namespace {

using Levels = std::vector<std::pair<double, double>>;

constexpr int kSpecies = 3;

class RotLevelsTest : public ::testing::Test {
protected:
    ZeroedPtr<SpeciesTables> sp_ = make_zeroed<SpeciesTables>();

    static LevelEntries entries(const Levels& pairs) {
        LevelEntries e;
        for (const auto& [en, w] : pairs) {
            e.energy.push_back(en);
            e.weight.push_back(w);
        }
        return e;
    }
    Levels levels() const {
        Levels l;
        for (int i = 1; i <= sp_->rot_level_count[kSpecies]; ++i)
            l.emplace_back(sp_->rot_level_energy[kSpecies][i], sp_->rot_level_weight[kSpecies][i]);
        return l;
    }
    Levels build(const Levels& pairs) {
        LevelEntries e = entries(pairs);
        build_rot_levels(*sp_, kSpecies, e);
        return levels();
    }
};

TEST_F(RotLevelsTest, TwoRotationsGiveThreeLevels) {
    // Also when they are the only collisions besides an elastic one (two
    // visible collisions once the second rotation is grouped).
    const Levels in = {{0, 1}, {0.01, 5}, {0.01, 5}, {0.03, 9}};
    EXPECT_EQ(build(in), (Levels{{0, 1}, {0.01, 5}, {0.03, 9}}));
}

TEST_F(RotLevelsTest, TableTakesTheLowestLevelsUpToItsRoom) {
    // 4003 rotations with levels of their own: twice as many levels as
    // the table holds, given highest first.
    Levels in;
    for (int i = 2 * kMaxRotLevels; i >= 1; --i) in.emplace_back(0.001 * i, i);
    const Levels out = build(in);
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxRotLevels));
    EXPECT_EQ(out.front(), (std::pair<double, double>{0.001, 1}));
    EXPECT_EQ(out.back(), (std::pair<double, double>{0.001 * kMaxRotLevels, kMaxRotLevels}));
}

TEST_F(RotLevelsTest, EntriesWithinAHundredthOfTheGapJoinTheLevel) {
    // After the level at 0 eV the limit is 0.01 + 0.01 * 0.01.
    EXPECT_EQ(build({{0, 1}, {0.01004, 7}, {0.01, 3}}), (Levels{{0, 1}, {0.01, 7}}));
    // Just beyond the limit it is a level of its own.
    EXPECT_EQ(build({{0, 1}, {0.01011, 7}, {0.01, 3}}), (Levels{{0, 1}, {0.01, 3}, {0.01011, 7}}));
}

TEST_F(RotLevelsTest, GapFractionIsTheSinglePrecisionHundredth) {
    // With the double 0.01 the limit after levels 0 and 1 eV would be
    // 1.01 + 0.0001 exactly; the single-precision factor lies below it.
    const double gap_limit = 1.0 + 0.009999999776482582 * (1.0 - 0.0);
    EXPECT_EQ(build({{0, 1}, {1, 2}, {gap_limit, 4}}), (Levels{{0, 1}, {1, 4}}));
    EXPECT_EQ(build({{0, 1}, {1, 2}, {1.01, 4}}), (Levels{{0, 1}, {1, 2}, {1.01, 4}}));
}

TEST_F(RotLevelsTest, FirstLevelTakesOnlyEqualEnergies) {
    EXPECT_EQ(build({{0.5, 1}, {0.5, 3}, {0.5000001, 2}}), (Levels{{0.5, 3}, {0.5000001, 2}}));
}

TEST_F(RotLevelsTest, LevelsComeOutAscendingWhateverTheEntryOrder) {
    EXPECT_EQ(build({{0.09, 17}, {0.05, 13}, {0.0, 1}, {0.0074, 5}, {0.05, 13}, {0.0248, 9}}),
              (Levels{{0, 1}, {0.0074, 5}, {0.0248, 9}, {0.05, 13}, {0.09, 17}}));
}

TEST_F(RotLevelsTest, NoEntriesLeaveTheLevelsAlone) {
    build({{0, 1}, {0.01, 5}});
    LevelEntries none;
    build_rot_levels(*sp_, kSpecies, none);
    EXPECT_EQ(levels(), (Levels{{0, 1}, {0.01, 5}}));
}

TEST_F(RotLevelsTest, EnergiesAboveTheEndTestAreNeverLevels) {
    EXPECT_EQ(build({{0, 1}, {2e15, 3}}), (Levels{{0, 1}}));
}

TEST_F(RotLevelsTest, NewEntriesReplaceTheOldLevels) {
    build({{0, 1}, {0.01, 5}, {0.03, 9}});
    EXPECT_EQ(build({{0, 1}, {0.02, 3}}), (Levels{{0, 1}, {0.02, 3}}));
}

}  // namespace
}  // namespace kestor
