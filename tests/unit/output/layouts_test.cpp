// Every main-file layout of the model gas against its expected file in
// tests/fixtures/output/ (tests/fixtures/regenerate.sh writes them again for review).
#include <gtest/gtest.h>

#include <functional>

#include "output/writebol.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::fixture;
using test::OutputDir;

struct LayoutCase {
    const char* name;
    int layout;
    std::function<void(Settings&)> switches;  // changes to "every switch on"
    const char* expected;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class LayoutFile : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutFile, MatchesExpectedFile) {
    const LayoutCase& c = GetParam();
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->prefs.output_format = c.layout;
    if (c.switches) c.switches(t->prefs);
    OutputDir dir;
    t->prefs.output_file_name.assign("result.txt");
    ASSERT_TRUE(writebol(*t));
    const std::string got = dir.read("result.txt");
    test::keep_for_review(c.expected, got);
    const std::string want = fixture(c.expected);
    ASSERT_FALSE(want.empty()) << c.expected;
    // Compare record by record first, for a readable failure.
    const auto g = test::split_lines(got), w = test::split_lines(want);
    for (std::size_t i = 0; i < std::min(g.size(), w.size()); ++i)
        ASSERT_EQ(g[i], w[i]) << "record " << i + 1;
    EXPECT_EQ(g.size(), w.size());
    EXPECT_EQ(got, want);
}

const LayoutCase kLayoutCases[] = {
    {"RunBlocks", 1, nullptr, "layout1.txt"},
    {"RunTables", 2, nullptr, "layout2.txt"},
    {"XYAgainstEN", 3, nullptr, "layout3.txt"},
    {"XYAgainstEnergyRateSwitchTwo", 4,
     [](Settings& p) {
         p.output_transport = p.output_inverse_rates = p.output_energy_loss = 0;
         p.output_rates = 2;
     },
     "layout4.txt"},
    {"EpExport", 5, nullptr, "layout5.txt"},
    {"CollisionData", 7, nullptr, "layout7.txt"},
};

INSTANTIATE_TEST_SUITE_P(Model, LayoutFile, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestor
