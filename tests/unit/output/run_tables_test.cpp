// Layout 2: legends, column labels and rows of the run tables.
#include <gtest/gtest.h>

#include <string>

#include "common/forms.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::body;
using test::kModelHeaderRecords;

void only(Settings& p, int* which) {
    p.output_conditions = p.output_transport = p.output_rates = 0;
    p.output_inverse_rates = p.output_energy_loss = p.output_eedf = 0;
    *which = 1;
}

TEST(RunTables, NoRunsGiveTitlesLegendsAndHeadersOnly) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.run_count = 0;  // the rows of run 1 stay in the tables
    only(t->prefs, &t->prefs.output_conditions);
    t->prefs.output_rates = 1;
    const auto b = body(test::write_records(*t, 2), kModelHeaderRecords);
    // conditions: title, 20 + 1 legends with run 1's values, header, 2 empty
    ASSERT_EQ(b.size(), 25u + 6u);
    EXPECT_EQ(b[1], "A1     Electric field / N (Td)                    100.0    ");
    EXPECT_EQ(b[22], "          R#");
    EXPECT_EQ(b[23], "");
    EXPECT_EQ(b[25], "Rate coefficients (m3/s)");
    EXPECT_EQ(b[28], "          R#    E/N (Td) Energy (eV)      C1          C2    ");
    EXPECT_EQ(b[29], "");
}

TEST(RunTables, UnselectedRunHasNoRowButStillVaries) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    only(t->prefs, &t->prefs.output_conditions);
    t->sel.run_selected[2] = 0;
    const auto b = body(test::write_records(*t, 2), kModelHeaderRecords);
    ASSERT_EQ(b.size(), 26u);
    EXPECT_EQ(b[1], "A1     Electric field / N (Td)" + std::string(64 - 23, ' '));
    EXPECT_EQ(b[22], "          R#      A1    ");
    EXPECT_EQ(b[23], "           1   100.0    ");
    EXPECT_EQ(b[24], "");
}

TEST(RunTables, TwoVaryingFractions) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.species_count = 2;
    t->sp.species_name[2].assign("O2");
    t->run.run_gas_fractions[1][1] = 0.8;
    t->run.run_gas_fractions[1][2] = 0.2;
    t->run.run_gas_fractions[2][1] = 0.7;
    t->run.run_gas_fractions[2][2] = 0.3;
    t->run.run_conditions[2][kCondEN] = 100.0;  // only the fractions vary
    only(t->prefs, &t->prefs.output_conditions);
    const auto b = body(test::write_records(*t, 2), 2 + 2 * 3 + 3);
    ASSERT_EQ(b.size(), 1u + 22u + 3u + 2u);
    EXPECT_EQ(b[1], "A1     Electric field / N (Td)                    100.0    ");
    EXPECT_EQ(b[21], "A21    Mole fraction N2                        ");
    EXPECT_EQ(b[22], "A22    Mole fraction O2                        ");
    EXPECT_EQ(b[23], "          R#     A21         A22    ");
    EXPECT_EQ(b[24], "           1  0.8000      0.2000    ");
    EXPECT_EQ(b[25], "           2  0.7000      0.3000    ");
}

TEST(RunTables, CollisionFromThousandShowsAsterisks) {
    auto t = test::labelled_tables();
    t->num.collision_count = 1000;
    t->col.collision_name[7].assign("C7    Ar    Elastic");
    t->col.collision_name[123].assign("C123  Ar    Elastic");
    t->col.collision_name[1000].assign("C***  Ar    Elastic");
    for (int k : {7, 123, 1000}) t->sel.collision_selected[k] = 1;
    t->prefs.output_energy_loss = 1;
    const auto b = body(test::write_records(*t, 2), 5);
    ASSERT_EQ(b.size(), 1u + 3u + 1u + 2u);
    EXPECT_EQ(b[0], "Energy loss coefficients (eV m3/s)");
    EXPECT_EQ(b[3], " C***  Ar    Elastic" + std::string(64 - 19, ' '));
    EXPECT_EQ(b[4], "          R#    E/N (Td) Energy (eV)      C7        C123        C***    ");
}

// More than 997 selected collisions: the header goes on in a further record
// after 1000 fields, a row after the run number and 1000 numbers.
struct WideCase {
    int collisions;
    std::size_t header_fields_second;  // fields in the header's second record (0: none)
    std::size_t row_numbers_second;
};

void PrintTo(const WideCase& c, std::ostream* os) { *os << c.collisions << " collisions"; }

class WideTable : public ::testing::TestWithParam<WideCase> {};

TEST_P(WideTable, SplitsRecords) {
    const WideCase& c = GetParam();
    auto t = test::labelled_tables();
    t->num.collision_count = c.collisions;
    t->num.run_count = 1;
    t->sel.run_selected[1] = 1;
    for (int k = 1; k <= c.collisions; ++k) {
        t->col.collision_name[k].assign("C" + std::to_string(k));
        t->sel.collision_selected[k] = 1;
        t->run.run_rate_coef[1][k] = k;
    }
    t->prefs.output_rates = 1;
    const auto b = body(test::write_records(*t, 2), 5);
    const std::size_t legends = static_cast<std::size_t>(c.collisions);
    const std::size_t header = 1 + legends;
    const bool header_split = c.header_fields_second > 0;
    const std::size_t row = header + (header_split ? 2 : 1);
    ASSERT_GT(b.size(), row);
    EXPECT_EQ(b[header].size(), 12u * std::min<std::size_t>(1000, 3 + legends));
    if (header_split) {
        EXPECT_EQ(b[header + 1].size(), 12u * c.header_fields_second);
    }
    EXPECT_EQ(b[row].size(), 12u + 12u * std::min<std::size_t>(1000, 2 + legends));
    EXPECT_EQ(b[row].substr(0, 12), "           1");
    if (c.row_numbers_second > 0) {
        EXPECT_EQ(b[row + 1].size(), 12u * c.row_numbers_second);
        EXPECT_EQ(b[row + 1].substr(b[row + 1].size() - 12), g12_4(c.collisions));
    } else {
        EXPECT_EQ(b[row + 1], "");
    }
}

const WideCase kWideCases[] = {
    {997, 0, 0},    // the largest table within one record
    {998, 1, 0},    // header 1001 fields, row 1000 numbers
    {999, 2, 1},
    {1500, 503, 502},
};

INSTANTIATE_TEST_SUITE_P(Layout2, WideTable, ::testing::ValuesIn(kWideCases),
                         [](const auto& info) { return "Collisions" + std::to_string(info.param.collisions); });

}  // namespace
}  // namespace kestor
