// Layout 1: per-run blocks, their switches and the distribution rows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::body;
using test::kModelHeaderRecords;

void all_switches(Settings& p, int v) {
    p.output_conditions = p.output_transport = p.output_rates = v;
    p.output_inverse_rates = p.output_energy_loss = p.output_eedf = v;
}

TEST(RunBlocks, EverySwitchOffGivesNameAndTwoEmptyRecords) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    all_switches(t->prefs, 0);
    t->prefs.output_rates = 2;  // only 1 switches a block on
    EXPECT_EQ(body(test::write_records(*t, 1), kModelHeaderRecords),
              (std::vector<std::string>{"R1  ", "", "", "R2  ", "", ""}));
}

TEST(RunBlocks, NoRunsWriteNothingAfterHeader) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.run_count = 0;  // the rows of runs 1 and 2 stay in the tables
    EXPECT_EQ(test::write_records(*t, 1).size(), kModelHeaderRecords);
}

TEST(RunBlocks, UnselectedRunGetsNoBlockAndDoesNotShowResults) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    all_switches(t->prefs, 0);
    t->prefs.output_transport = 1;
    t->sel.run_selected[2] = 0;  // the only run with an ionization frequency
    const auto b = body(test::write_records(*t, 1), kModelHeaderRecords);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b[0], "R1  ");
    for (const std::string& l : b) {
        EXPECT_EQ(l.find("R2"), std::string::npos);
        EXPECT_EQ(l.find("Total ionization"), std::string::npos);
    }
}

TEST(RunBlocks, RunsFromThousandShowAsterisks) {
    auto t = test::labelled_tables();
    t->num.run_count = 1000;
    t->run.run_name[1000].assign("R***  100. Td    1.50 eV");
    t->sel.run_selected[1000] = 1;
    EXPECT_EQ(body(test::write_records(*t, 1), 5), (std::vector<std::string>{"R***", "", ""}));
}

TEST(RunBlocks, LongNamesAreCut) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    all_switches(t->prefs, 0);
    t->prefs.output_conditions = t->prefs.output_rates = 1;
    t->num.run_count = 1;
    t->sp.species_name[1].assign("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    t->col.collision_name[2].assign("C2    N2    Excitation    11.03 eV  and some more words");
    t->sel.collision_selected[1] = 0;
    const auto lines = test::write_records(*t, 1);
    const std::string fraction = "Mole fraction ABCDEFGHIJKLMNOPQRSTUVWXYZ   1.000    ";
    const std::string rate = "C2    N2    Excitation    11.03 eV  and   0.1234E-13";
    EXPECT_NE(std::find(lines.begin(), lines.end(), fraction), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), rate), lines.end());
    // the unselected collision is left out
    for (const std::string& l : lines) EXPECT_NE(l.rfind("C1    N2", 0), 0u) << l;
}

// Distribution rows: bounded by the threshold T = f(1) * precision and by
// the run's own grid points (at most the 1000 table points).
struct EedfCase {
    const char* name;
    double grid_points;
    double precision;
    int first_below;  // first point below T (0: none)
    bool nan_at_2;
    int expected_rows;
};

void PrintTo(const EedfCase& c, std::ostream* os) { *os << c.name; }

class EedfRows : public ::testing::TestWithParam<EedfCase> {};

TEST_P(EedfRows, StopWhereExpected) {
    const EedfCase& c = GetParam();
    auto t = test::labelled_tables();
    t->num.run_count = 1;
    t->sel.run_selected[1] = 1;
    t->run.run_name[1].assign("R1");
    t->prefs.output_eedf = 1;
    t->run.run_conditions[1][kCondGridPoints] = c.grid_points;
    t->run.run_conditions[1][kCondPrecision] = c.precision;
    for (int k = 1; k <= kMaxGrid; ++k) {
        t->run.run_eedf_energy[1][k] = k;
        t->run.run_eedf[1][k] = (c.first_below != 0 && k >= c.first_below) ? 1e-30 : 1.0;
    }
    if (c.nan_at_2) t->run.run_eedf[1][2] = std::numeric_limits<double>::quiet_NaN();
    const auto b = body(test::write_records(*t, 1), 5);
    // name, dashes, column title, rows, two empty records
    ASSERT_EQ(b.size(), 5u + static_cast<std::size_t>(c.expected_rows));
    EXPECT_EQ(b[1], std::string(60, '-'));
    EXPECT_EQ(b[2], "Energy (eV) EEDF (eV-3/2) Anisotropy");
    if (c.expected_rows > 0) {
        EXPECT_EQ(b[3], "   1.000    \t   1.000    \t   0.000    ");
    }
}

const EedfCase kEedfCases[] = {
    {"FallsBelowAtPoint57", 200, 1e-10, 57, false, 56},
    {"PrecisionAboveOneWritesNoRow", 200, 2.0, 0, false, 0},
    {"StopsAfterRunGridPoints", 40, 1e-10, 0, false, 40},
    {"GridPointsTruncated", 40.9, 1e-10, 0, false, 40},
    {"GridPointsBeyondTableStopAt1000", 5000, 1e-10, 0, false, 1000},
    {"ZeroPrecisionRunsToGridPoints", 300, 0.0, 0, false, 300},
    {"NegativeGridPointsNoRow", -3, 1e-10, 0, false, 0},
    {"NotANumberGridPointsNoRow", std::numeric_limits<double>::quiet_NaN(), 1e-10, 0, false, 0},
    {"NotANumberDoesNotStop", 10, 1e-10, 0, true, 10},
};

INSTANTIATE_TEST_SUITE_P(Layout1, EedfRows, ::testing::ValuesIn(kEedfCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunBlocks, RunSevenWithConditionsOnly) {
    auto t = test::labelled_tables();
    t->num.run_count = 7;
    t->num.species_count = 2;
    t->sp.species_name[1].assign("N2");
    t->sp.species_name[2].assign("O2");
    for (int r = 1; r <= 7; ++r) {
        test::set_run_conditions(*t, r, 10.0 * r);
        t->run.run_gas_fractions[r][1] = 0.1 * r;  // each block shows its own run's fraction
        t->run.run_gas_fractions[r][2] = 1.0 - 0.1 * r;
    }
    t->run.run_name[7].assign("R7    70.0 Td");
    t->sel.run_selected[7] = 1;
    t->prefs.output_conditions = 1;
    const auto b = body(test::write_records(*t, 1), 2 + 2 * 3 + 3);
    ASSERT_EQ(b.size(), 1u + 1u + 20u + 2u + 2u);
    EXPECT_EQ(b[0], "R7  ");
    EXPECT_EQ(b[1 + kCondGasTemp], "Gas temperature (K)                        300.0    ");
    EXPECT_EQ(b[22], "Mole fraction N2                          0.7000    ");
    EXPECT_EQ(b[23], "Mole fraction O2                          0.3000    ");
}

}  // namespace
}  // namespace kestor
