#include "collisions/completion.h"

#include <gtest/gtest.h>

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
    {"cross sections at and below the threshold become zero, point 0 stays",
     {{0, 4e-21}, {1, 2e-21}, {2, 3e-21}, {3, 5e-21}, {6, 1e-20}}, 3, 0,
     {{0, 4e-21}, {1, 0}, {2, 0}, {3, 0}, {6, 1e-20}, {10000, 1e-20}}},
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

TEST_F(CompletionTest, FullTableGetsNothingInserted) {
    Points pts;
    for (int j = 0; j < kMaxCsPoints; ++j) pts.emplace_back(5.0 + j, 1e-21);
    load(pts, 4);
    complete_table(*col_, kSlot, 0);
    EXPECT_EQ(col_->cs_npoints[kSlot], kMaxCsPoints);
    EXPECT_EQ(e(0), 5.0);
    EXPECT_EQ(q(0), 1e-21);
    EXPECT_EQ(e(kMaxCsPoints - 1), 5.0 + kMaxCsPoints - 1);
}

TEST_F(CompletionTest, FullTableStopsExtrapolationEvenAboveTheUpperEnergy) {
    Points pts;
    for (int j = 0; j < kMaxCsPoints; ++j) pts.emplace_back(j * 20.0, 1e-20);
    load(pts, 0);
    complete_table(*col_, kSlot, 1);
    EXPECT_EQ(col_->cs_npoints[kSlot], kMaxCsPoints);
}

TEST_F(CompletionTest, TableFilledByTheInsertionsKeepsItsFirstCount) {
    // 1002 points above the threshold: the threshold point fills the
    // table, the zero point no longer fits and the completion stops.
    Points pts;
    for (int j = 0; j < kMaxCsPoints - 1; ++j) pts.emplace_back(5.0 + j, 1e-21);
    load(pts, 4);
    complete_table(*col_, kSlot, 0);
    EXPECT_EQ(col_->cs_npoints[kSlot], kMaxCsPoints - 1);
    EXPECT_EQ(e(0), 4.0);
    EXPECT_EQ(q(0), 0.0);
    EXPECT_EQ(e(kMaxCsPoints - 1), 5.0 + kMaxCsPoints - 2);
}

TEST_F(CompletionTest, TableFilledByTheUpperPointIsComplete) {
    // 1001 points from zero: the flat upper point makes 1002, and with a
    // single free place the log extension stops once the table is full.
    Points pts;
    for (int j = 0; j < kMaxCsPoints - 2; ++j) pts.emplace_back(j * 2.0, 1e-21);
    load(pts, 0);
    complete_table(*col_, kSlot, 0);
    EXPECT_EQ(col_->cs_npoints[kSlot], kMaxCsPoints - 1);
    EXPECT_EQ(e(kMaxCsPoints - 2), 10000.0);

    load(pts, 0);
    complete_table(*col_, kSlot, 1);
    EXPECT_EQ(col_->cs_npoints[kSlot], kMaxCsPoints - 2);  // stopped: the first count stays
    EXPECT_EQ(e(kMaxCsPoints - 1), 1.5 * e(kMaxCsPoints - 2));
}

}  // namespace
}  // namespace kestor
