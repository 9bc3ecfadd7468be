// Thinning of the E/p export tables.
#include <gtest/gtest.h>

#include <vector>

#include "output/gasparsel.h"

namespace kestor {
namespace {

struct ThinCase {
    const char* name;
    std::vector<float> x, y;
    float xmax;
    std::vector<float> kept_x, kept_y;  // the points written (nout of them)
};

void PrintTo(const ThinCase& c, std::ostream* os) { *os << c.name; }

class Thinning : public ::testing::TestWithParam<ThinCase> {};

TEST_P(Thinning, KeepsExpectedPoints) {
    const ThinCase& c = GetParam();
    const std::vector<float> x0 = c.x, y0 = c.y;
    std::vector<float> xs(c.x.size(), -1.0f), ys(c.x.size(), -1.0f);
    const int nout = gasparsel(0.1f, c.x, c.y, xs, ys, c.xmax);
    ASSERT_EQ(static_cast<std::size_t>(nout), c.kept_x.size());
    EXPECT_EQ(std::vector<float>(xs.begin(), xs.begin() + nout), c.kept_x);
    EXPECT_EQ(std::vector<float>(ys.begin(), ys.begin() + nout), c.kept_y);
    EXPECT_EQ(c.x, x0);
    EXPECT_EQ(c.y, y0);
}

const ThinCase kCases[] = {
    {"MobilityExample", {1, 2, 3, 4, 5}, {100, 105, 108, 112, 200}, 5000, {1, 4, 5}, {100, 112, 200}},
    // compared with the last kept point: a slow drift is kept once it adds up
    {"SlowDrift", {1, 2, 3, 4, 5}, {100, 104, 108, 111, 112}, 5000, {1, 4, 5}, {100, 111, 112}},
    {"LastZeroBeforeOnset", {1, 2, 3, 4, 5}, {0, 0, 0, 1e-3f, 2e-3f}, 5000, {1, 3, 4, 5}, {0, 0, 1e-3f, 2e-3f}},
    {"ConstantStartsAtZero", {1, 2, 3}, {0, 0, 0}, 5000, {0, 3}, {0, 0}},
    {"ConstantNonZeroStartsAtZero", {10, 20, 30}, {7, 7, 7}, 5000, {0, 30}, {7, 7}},
    {"TwoEqualPoints", {10, 20}, {7, 7}, 5000, {0, 20}, {7, 7}},
    {"ThreeKeptEqualEndsStay", {1, 2, 3}, {7, 9, 7}, 5000, {1, 2, 3}, {7, 9, 7}},
    {"SinglePoint", {10}, {3}, 5000, {10}, {3}},
    {"SinglePointBeyondLimit", {6000}, {3}, 5000, {}, {}},
    {"NoPoint", {}, {}, 5000, {}, {}},
    {"LimitIsInclusive", {1, 5000, 6000}, {1, 2, 3}, 5000, {1, 5000}, {1, 2}},
    // points after the first one above the limit are not written
    {"StopsAtFirstKeptAboveLimit", {1, 6000, 10, 20}, {1, 2, 3, 4}, 5000, {1}, {1}},
    {"ConstantBeyondLimitWritesNothing", {6000, 10}, {0, 0}, 5000, {}, {}},
    {"ConstantLastBeyondLimit", {10, 20, 6000}, {4, 4, 4}, 5000, {0}, {4}},
    // tiny values near zero: the offset keeps the ratio finite
    {"NearZeroOffset", {1, 2, 3, 4}, {0, 1e-7f, 6e-7f, 6e-7f}, 5000, {1, 3, 4}, {0, 6e-7f, 6e-7f}},
};

INSTANTIATE_TEST_SUITE_P(Gasparsel, Thinning, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The relative change is computed in single precision: for this pair it
// reaches the tolerance in float arithmetic but stays below it in double.
TEST(Gasparsel, ChangeTestInSinglePrecision) {
    const std::vector<float> x = {1, 2, 3}, y = {15.779696464538574f, 17.440717697143555f, 30.0f};
    std::vector<float> xs(3), ys(3);
    ASSERT_EQ(gasparsel(0.1f, x, y, xs, ys, 5000.0f), 3);
    EXPECT_EQ(ys[1], 17.440717697143555f);
}

}  // namespace
}  // namespace kestor
