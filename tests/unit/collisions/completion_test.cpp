#include "collisions/completion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "common/zeroed.h"

namespace kestor {
namespace {

using Points = std::vector<std::pair<double, double>>;

constexpr int kSlot = 7;

class CompletionTest : public ::testing::Test {
protected:
    ZeroedPtr<CollisionTables> col_ = make_zeroed<CollisionTables>();

    // Fills the slot as the reader leaves it: the pairs read, -1 beyond.
    void load(const Points& pts, double threshold) {
        for (int j = 0; j < kMaxCsPoints; ++j) {
            col_->cs_energy[kSlot][j] = 0.0;
            col_->cs_value[kSlot][j] = -1.0;
        }
        for (std::size_t j = 0; j < pts.size(); ++j) {
            col_->cs_energy[kSlot][j] = pts[j].first;
            col_->cs_value[kSlot][j] = pts[j].second;
        }
        col_->collision_threshold[kSlot] = threshold;
        col_->cs_npoints[kSlot] = -5;
    }
    Points stored() const {
        Points p;
        for (int j = 0; j < col_->cs_npoints[kSlot]; ++j)
            p.emplace_back(col_->cs_energy[kSlot][j], col_->cs_value[kSlot][j]);
        return p;
    }
    double e(int j) const { return col_->cs_energy[kSlot][j]; }
    double q(int j) const { return col_->cs_value[kSlot][j]; }
};

struct CompletionCase {
    std::string what;
    Points in;
    double threshold;
    int extrapolate;
    Points out;
};

void PrintTo(const CompletionCase& c, std::ostream* os) { *os << c.what; }

class CompletionCaseTest : public CompletionTest, public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(CompletionCaseTest, GivesTheCompletedTable) {
    const CompletionCase& c = GetParam();
    load(c.in, c.threshold);
    complete_table(*col_, kSlot, c.extrapolate);
    EXPECT_EQ(stored(), c.out) << c.what;
}

const CompletionCase kCompletionCases[] = {
    {"excitation whose single pair lies above the threshold",
     {{5, 1e-20}}, 4, 0,
     {{0, 0}, {4, 0}, {5, 1e-20}, {10000, 1e-20}}},
    {"elastic table from 0.01 eV: zero point with the first cross section",
     {{0.01, 3e-20}, {1, 5e-20}}, 0, 0,
     {{0, 3e-20}, {0.01, 3e-20}, {1, 5e-20}, {10000, 5e-20}}},
    {"points below the threshold: the last one moves onto it",
     {{0, 0}, {2, 0}, {3.5, 1e-21}, {5, 2e-21}}, 3, 0,
     {{0, 0}, {3, 0}, {3.5, 1e-21}, {5, 2e-21}, {10000, 2e-21}}},
    {"cross sections at and below the threshold become zero, point 0 too",
     {{0, 4e-21}, {1, 2e-21}, {2, 3e-21}, {3, 5e-21}, {6, 1e-20}}, 3, 0,
     {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {6, 1e-20}, {10000, 1e-20}}},
    {"a table starting at its threshold with a value gives 0 eV nothing",
     {{3, 5e-21}, {6, 1e-20}}, 3, 0,
     {{0, 0}, {3, 0}, {6, 1e-20}, {10000, 1e-20}}},
    {"a table starting below its threshold gives 0 eV nothing",
     {{1, 2e-21}, {6, 1e-20}}, 3, 0,
     {{0, 0}, {3, 0}, {6, 1e-20}, {10000, 1e-20}}},
    {"the appended point lets the last file point move onto the threshold",
     {{0, 0}, {1, 1e-21}, {2, 2e-21}}, 5, 0,
     {{0, 0}, {1, 0}, {5, 0}, {10000, 2e-21}}},
    {"the last point of the table is never moved",
     {{0, 0}, {1, 1e-21}}, 20000, 0,
     {{0, 0}, {1, 0}, {10000, 0}}},
    {"a table reaching 10000 eV gets no upper point",
     {{0, 1e-20}, {10000, 2e-20}}, 0, 0,
     {{0, 1e-20}, {10000, 2e-20}}},
    {"a table beyond 10000 eV gets no upper point",
     {{0, 1e-20}, {20000, 2e-20}}, 0, 1,
     {{0, 1e-20}, {20000, 2e-20}}},
    {"a threshold equal to the first energy inserts no threshold point",
     {{4, 0}, {5, 1e-20}}, 4, 0,
     {{0, 0}, {4, 0}, {5, 1e-20}, {10000, 1e-20}}},
    {"a negative threshold inserts nothing and clears nothing",
     {{0, 1e-20}, {1, 2e-20}}, -1, 0,
     {{0, 1e-20}, {1, 2e-20}, {10000, 2e-20}}},
    {"a table ending at or below 1 eV is extended flat even when extrapolating",
     {{0, 1e-20}, {0.5, 2e-20}}, 0, 1,
     {{0, 1e-20}, {0.5, 2e-20}, {10000, 2e-20}}},
    {"a table ending at exactly 1 eV is extended flat when extrapolating",
     {{0, 1e-20}, {1, 2e-20}}, 0, 2,
     {{0, 1e-20}, {1, 2e-20}, {10000, 2e-20}}},
    {"a single point at zero energy is extended flat",
     {{0, 1e-20}}, 0, 1,
     {{0, 1e-20}, {10000, 1e-20}}},
};

INSTANTIATE_TEST_SUITE_P(Tables, CompletionCaseTest, ::testing::ValuesIn(kCompletionCases));

TEST_F(CompletionTest, LogExtrapolationAppendsTheSeriesOfEnergies) {
    load({{0, 0}, {2, 1e-20}}, 0);
    complete_table(*col_, kSlot, 1);
    // 2 x 1.5^m reaches 10000 eV at m = 22.
    ASSERT_EQ(col_->cs_npoints[kSlot], 2 + 22);
    EXPECT_DOUBLE_EQ(e(2), 3.0);
    EXPECT_NEAR(q(2), 1.0566e-20, 0.0001e-20);
    EXPECT_DOUBLE_EQ(q(2), 1e-20 * (2.0 / 3.0) * std::log(3.0) / std::log(2.0));
    double en = 2.0;
    for (int m = 1; m <= 22; ++m) {
        en = 1.5 * en;
        EXPECT_EQ(e(1 + m), en) << m;
    }
    EXPECT_LT(e(22), 10000.0);
    EXPECT_GE(e(23), 10000.0);
    EXPECT_LT(e(23), 15000.0);
    // ln(E)/E keeps falling above 3 eV.
    for (int j = 3; j < 24; ++j) EXPECT_LT(q(j), q(j - 1)) << j;
}

TEST_F(CompletionTest, NegativeCrossSectionEndsTheUsablePointsAndLeavesTheRest) {
    load({{1, 1e-20}, {2, -1.0}, {3, 3e-20}, {4, 4e-20}, {5, 5e-20}}, 0);
    complete_table(*col_, kSlot, 0);
    EXPECT_EQ(stored(), (Points{{0, 1e-20}, {1, 1e-20}, {10000, 1e-20}}));
    // The pairs after the negative one stay beyond the count.
    EXPECT_EQ(e(3), 4.0);
    EXPECT_EQ(q(3), 4e-20);
    EXPECT_EQ(e(4), 5.0);
    EXPECT_EQ(q(5), -1.0);
}

TEST_F(CompletionTest, TableWithoutUsablePointIsLeftEmpty) {
    for (const Points& pts : {Points{}, Points{{1, -1.0}, {2, 1e-20}}}) {
        load(pts, 2);
        complete_table(*col_, kSlot, 0);
        EXPECT_EQ(col_->cs_npoints[kSlot], 0);
        EXPECT_EQ(q(0), pts.empty() ? -1.0 : pts[0].second);
    }
}

// --- tables that leave no room for their completion -------------------------

// Points j = 0 .. n-1 of e(j), q(j).
template <class E, class Q>
Points points(int n, E e, Q q) {
    Points p;
    for (int j = 0; j < n; ++j) p.emplace_back(e(j), q(j));
    return p;
}

// The cross section of a table at energy e, interpolated as the solver
// does (the end segments carried on linearly).
double interpolate(const Points& p, double e) {
    std::size_t j = 1;
    while (j + 1 < p.size() && !(p[j].first > e)) ++j;
    const double w = (p[j].first - e) / (p[j].first - p[j - 1].first);
    return p[j - 1].second * w + (1.0 - w) * p[j].second;
}

struct FullTableCase {
    std::string what;
    Points in;
    double threshold;
    int extrapolate;
    Points front;  // the first points expected
    int appended;  // points expected after the last read point
};

void PrintTo(const FullTableCase& c, std::ostream* os) { *os << c.what; }

class FullTableTest : public CompletionTest, public ::testing::WithParamInterface<FullTableCase> {};

// A table too long for its completion gives up inner points and is
// completed all the same: from 0 eV to at least 10000 eV, with its own
// first and last read points, and the same cross sections in between.
TEST_P(FullTableTest, IsCompletedWithFewerReadPoints) {
    const FullTableCase& c = GetParam();
    load(c.in, c.threshold);
    complete_table(*col_, kSlot, c.extrapolate);
    const Points out = stored();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxCsPoints));
    EXPECT_EQ(Points(out.begin(), out.begin() + c.front.size()), c.front);
    EXPECT_EQ(out[kMaxCsPoints - 1 - c.appended], c.in.back());
    EXPECT_GE(out.back().first, kTableUpperEnergy);
    EXPECT_LT(out[kMaxCsPoints - 2].first, kTableUpperEnergy);
    if (c.extrapolate == 0) {
        EXPECT_EQ(out.back().second, c.in.back().second);
    }
    for (std::size_t j = 1; j < out.size(); ++j) EXPECT_GE(out[j].first, out[j - 1].first) << j;
    // Straight runs of the table lose points, its shape stays.
    for (const auto& [en, q] : c.in) {
        if (en <= c.threshold) continue;
        EXPECT_NEAR(interpolate(out, en), q, 1e-9 * q) << en;
    }
}

const double kFlat = 2e-20;

const FullTableCase kFullTableCases[] = {
    {"elastic table ending with a drop: the drop is kept and held to 10000 eV",
     points(kMaxCsPoints, [](int j) { return j < kMaxCsPoints - 1 ? 0.1 + 0.0997 * j : 100.0; },
            [](int j) { return j < kMaxCsPoints - 1 ? kFlat : 1e-20; }),
     0, 0,
     {{0, kFlat}, {0.1, kFlat}}, 1},
    {"excitation above its threshold: threshold and zero points in front",
     points(kMaxCsPoints, [](int j) { return 5.0 + j; }, [](int) { return 1e-21; }),
     4, 0,
     {{0, 0}, {4, 0}, {5, 1e-21}}, 1},
    {"ln(E)/E extension from 100 eV: twelve points appended",
     points(kMaxCsPoints, [](int j) { return 0.1 * (j + 1); }, [](int j) { return j < 500 ? 1e-20 : 2e-20; }),
     0, 1,
     {{0, 1e-20}, {0.1, 1e-20}}, 12},
};

INSTANTIATE_TEST_SUITE_P(Tables, FullTableTest, ::testing::ValuesIn(kFullTableCases));

TEST_F(CompletionTest, FullTableLosesOnlyPointsThatDoNotShapeIt) {
    // A straight rise, then a zigzag of 40 points: the 3 points made room
    // for come from the straight part, every corner of the zigzag stays.
    const int straight = kMaxCsPoints - 40;
    const Points in = points(
        kMaxCsPoints, [](int j) { return 1.0 + j; },
        [&](int j) { return j < straight ? 1e-22 * j : (j % 2 == 0 ? 1e-20 : 3e-20); });
    load(in, 0.5);
    complete_table(*col_, kSlot, 0);
    const Points out = stored();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxCsPoints));
    EXPECT_EQ(Points(out.end() - 41, out.end() - 1), Points(in.end() - 40, in.end()));
    EXPECT_EQ(out.back(), (std::pair<double, double>{10000, in.back().second}));
    // Cross sections at the threshold and below it are zero.
    EXPECT_EQ(out[0], (std::pair<double, double>{0, 0}));
    EXPECT_EQ(out[1], (std::pair<double, double>{0.5, 0}));
}

TEST_F(CompletionTest, FullTableAlreadyReachingTheUpperEnergyIsCleared) {
    // Nothing to add: the ln(E)/E extension has nothing to do and the
    // cross sections at and below the threshold still become zero.
    const Points in = points(kMaxCsPoints, [](int j) { return 10.0 * j; }, [](int) { return 1e-20; });
    for (int extrapolate : {0, 1}) {
        load(in, 25);
        complete_table(*col_, kSlot, extrapolate);
        const Points out = stored();
        ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxCsPoints)) << extrapolate;
        EXPECT_EQ(Points(out.begin(), out.begin() + 4), (Points{{0, 0}, {10, 0}, {25, 0}, {30, 1e-20}}))
            << extrapolate;
        EXPECT_EQ(out.back(), in.back()) << extrapolate;
    }
}

TEST_F(CompletionTest, TableFilledByTheInsertionsIsCompleted) {
    // 1002 points above the threshold: threshold point, zero point and
    // upper point need one place more than is left.
    const Points in = points(kMaxCsPoints - 1, [](int j) { return 5.0 + j; }, [](int) { return 1e-21; });
    load(in, 4);
    complete_table(*col_, kSlot, 0);
    const Points out = stored();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxCsPoints));
    EXPECT_EQ(Points(out.begin(), out.begin() + 3), (Points{{0, 0}, {4, 0}, {5, 1e-21}}));
    EXPECT_EQ(Points(out.end() - 2, out.end()), (Points{{5.0 + kMaxCsPoints - 2, 1e-21}, {10000, 1e-21}}));
}

// --- which points a full table gives up when several tie --------------------

// Cross sections of 1 and 3 units of 2^-66 m2 (about 1.4e-20 and 4.1e-20):
// with whole-eV energies every removal change is computed exactly, so
// points of equal change tie exactly.
const double kUnit = std::ldexp(1.0, -66);

// A zigzag between 1 and 3 units at energies first + j (eV), flat at the
// points of `flat`: such a point takes the value of its neighbours, which
// are equal, so that removing it changes nothing. Every corner of the
// zigzag changes the table by the same amount.
Points zigzag(double first, const std::vector<int>& flat = {}) {
    auto level = [](int j) { return (j % 2 == 1 ? 3.0 : 1.0) * kUnit; };
    Points p;
    for (int j = 0; j < kMaxCsPoints; ++j) {
        const bool is_flat = std::find(flat.begin(), flat.end(), j) != flat.end();
        p.emplace_back(first + j, level(is_flat ? j - 1 : j));
    }
    return p;
}

struct TiedTableCase {
    std::string what;
    Points in;                 // 1003 read points
    int front;                 // points the completion puts in front of them
    std::vector<int> dropped;  // the read points given up, by their index in `in`
};

void PrintTo(const TiedTableCase& c, std::ostream* os) { *os << c.what; }

class TiedTableTest : public CompletionTest, public ::testing::WithParamInterface<TiedTableCase> {};

// Of points that change the table equally the first goes; after each
// removal the changes are measured again on the shorter table.
TEST_P(TiedTableTest, GivesUpTheFirstOfEqualPoints) {
    const TiedTableCase& c = GetParam();
    load(c.in, 0);
    complete_table(*col_, kSlot, 0);
    const Points out = stored();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxCsPoints)) << c.what;
    Points kept;
    for (int j = 0; j < kMaxCsPoints; ++j)
        if (std::find(c.dropped.begin(), c.dropped.end(), j) == c.dropped.end()) kept.push_back(c.in[j]);
    // The kept read points follow the points put in front, and the flat
    // upper point follows them.
    ASSERT_EQ(static_cast<int>(kept.size()) + c.front + 1, kMaxCsPoints) << c.what;
    EXPECT_EQ(Points(out.begin() + c.front, out.end() - 1), kept) << c.what;
    EXPECT_EQ(out.back(), (std::pair<double, double>{10000, c.in.back().second})) << c.what;
}

const TiedTableCase kTiedTableCases[] = {
    // From 0 eV: only the upper point is added, one read point goes.
    {"two flat points tie: the first goes", zigzag(0.0, {300, 700}), 0, {300}},
    {"the inner point next to the last point is looked at too", zigzag(0.0, {1001}), 0, {1001}},
    // From 1 eV: the zero point in front and the upper point, two go.
    {"three flat points tie, two to give up: the first two go", zigzag(1.0, {200, 500, 800}), 1, {200, 500}},
    // Before the flat point goes its neighbours change the table less than
    // a corner; after it, they change it more: the corner at point 1 goes.
    {"a flat point, then the first corner: the changes are measured again", zigzag(1.0, {300}), 1, {1, 300}},
    // After point 1 goes, the new point 1 (read point 2) changes the
    // table as much as every corner does: it ties again, and goes.
    {"a zigzag whose corners all tie: the first two inner points go", zigzag(1.0), 1, {1, 2}},
    {"a straight line ties everywhere: the first inner points go",
     points(kMaxCsPoints, [](int j) { return 1.0 + j; }, [](int j) { return j * kUnit; }), 1, {1, 2}},
};

INSTANTIATE_TEST_SUITE_P(Tables, TiedTableTest, ::testing::ValuesIn(kTiedTableCases));

TEST_F(CompletionTest, TableThatJustFitsKeepsEveryReadPoint) {
    // 1001 points from zero: the flat upper point makes 1002; the ln(E)/E
    // extension from 2000 eV takes four points and two read points go.
    const Points in = points(kMaxCsPoints - 2, [](int j) { return j * 2.0; }, [](int) { return 1e-21; });
    load(in, 0);
    complete_table(*col_, kSlot, 0);
    Points expected = in;
    expected.emplace_back(10000, 1e-21);
    EXPECT_EQ(stored(), expected);

    load(in, 0);
    complete_table(*col_, kSlot, 1);
    const Points out = stored();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kMaxCsPoints));
    EXPECT_EQ(out[kMaxCsPoints - 5], in.back());
    EXPECT_EQ(out[kMaxCsPoints - 4].first, 3000.0);
    EXPECT_GE(out.back().first, 10000.0);
    EXPECT_LT(out[kMaxCsPoints - 2].first, 10000.0);
}

}  // namespace
}  // namespace kestor
