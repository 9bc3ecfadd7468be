// Layouts 3 and 4: x-y tables, the row writer and the sum rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "output/writetab2.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::body;
using test::kModelHeaderRecords;

TEST(Writetab2, NumbersWithoutBlanksJoinedByTab) {
    EXPECT_EQ(tab2_row(300.0, 1e-20), "300.0\t0.1000E-19");
    EXPECT_EQ(tab2_row(100.0, 1.234e-14), "100.0\t0.1234E-13");
    EXPECT_EQ(tab2_row(0.0, -2.5), "0.000\t-2.500");
    EXPECT_EQ(tab2_row(10000.0, 12346.0), "0.1000E+05\t0.1235E+05");
}

std::size_t count(const std::vector<std::string>& lines, const std::string& s) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), s));
}

// The coefficient tables need their own switch at 1; the inelastic tables
// follow whenever the three switch values add up to more than 0.
struct SumCase {
    const char* name;
    int rates, inverse, loss;
    std::size_t rate_tables, inelastic_tables;
};

void PrintTo(const SumCase& c, std::ostream* os) { *os << c.name; }

class SumRule : public ::testing::TestWithParam<SumCase> {};

TEST_P(SumRule, DecidesTables) {
    const SumCase& c = GetParam();
    auto t = test::labelled_tables();
    test::fill_model(*t);
    Settings& p = t->prefs;
    p.output_conditions = p.output_transport = p.output_eedf = 0;
    p.output_rates = c.rates;
    p.output_inverse_rates = c.inverse;
    p.output_energy_loss = c.loss;
    const auto lines = test::write_records(*t, 3);
    EXPECT_EQ(count(lines, "E/N (Td)\tRate coefficient (m3/s)"), c.rate_tables);
    EXPECT_EQ(count(lines, "E/N (Td)\tInelastic energy loss coefficient (eV m3/s)"), c.inelastic_tables);
}

const SumCase kSumCases[] = {
    {"RatesOnly", 1, 0, 0, 2, 1},
    {"RatesTwo", 2, 0, 0, 0, 1},
    {"RatesOneInverseMinusOne", 1, -1, 0, 2, 0},
    {"AllOff", 0, 0, 0, 0, 0},
    {"LossOnly", 0, 0, 1, 0, 1},
    {"LargeValuesDoNotOverflow", 2147483647, 2147483647, 2147483647, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Layout3, SumRule, ::testing::ValuesIn(kSumCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XYTables, RatesOnlyAgainstEN) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    Settings& p = t->prefs;
    p.output_conditions = p.output_transport = p.output_inverse_rates = p.output_energy_loss = 0;
    const auto b = body(test::write_records(*t, 3), kModelHeaderRecords);
    const std::string c1 = "C1    N2    Elastic" + std::string(64 - 19, ' ');
    const std::vector<std::string> first = {c1, "E/N (Td)\tRate coefficient (m3/s)", "100.0\t0.1000E-12",
                                            "200.0\t0.2000E-12", "", ""};
    ASSERT_GE(b.size(), first.size());
    EXPECT_EQ(std::vector<std::string>(b.begin(), b.begin() + 6), first);
    EXPECT_EQ(b.size(), 6u * 3u);
}

TEST(XYTables, AgainstEnergyKeepsRunOrder) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->run.run_results[1][kResMeanEnergy] = 5.0;  // run 1 has the higher mean energy
    Settings& p = t->prefs;
    p.output_transport = p.output_rates = p.output_inverse_rates = p.output_energy_loss = 0;
    const auto b = body(test::write_records(*t, 4), kModelHeaderRecords);
    ASSERT_EQ(b.size(), 20u + 2u + 5u);
    EXPECT_EQ(b[22], "Energy (eV) \tElectric field / N (Td)" + std::string(64 - 23, ' '));
    EXPECT_EQ(b[23], "5.000\t100.0");
    EXPECT_EQ(b[24], "3.250\t200.0");
}

TEST(XYTables, EverythingVaryingListsNoConstant) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    for (int j = 1; j <= kNumConditions; ++j) t->run.run_conditions[2][j] = 2.0 * t->run.run_conditions[1][j] + 1.0;
    t->run.run_gas_fractions[2][1] = 0.5;
    Settings& p = t->prefs;
    p.output_transport = p.output_rates = p.output_inverse_rates = p.output_energy_loss = 0;
    const auto b = body(test::write_records(*t, 3), kModelHeaderRecords);
    ASSERT_EQ(b.size(), 2u + 21u * 5u);
    EXPECT_EQ(b[0], "");
    EXPECT_EQ(b[1], "");
    EXPECT_EQ(b[2], "E/N (Td)    \tElectric field / N (Td)" + std::string(64 - 23, ' '));
    EXPECT_EQ(b[2 + 20 * 5], "E/N (Td)    \tMole fraction N2" + std::string(62, ' '));
    EXPECT_EQ(b[2 + 20 * 5 + 1], "100.0\t1.000");
    EXPECT_EQ(b[2 + 20 * 5 + 2], "201.0\t0.5000");
    EXPECT_EQ(b[2 + 7 * 5], "E/N (Td)    \tPlasma density (1/m3)" + std::string(64 - 21, ' '));
    EXPECT_EQ(b[2 + 7 * 5 + 2], "201.0\t0.2000E+19");
}

TEST(XYTables, SpeciesWithoutInelasticCollisionsGivesZeros) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.species_count = 2;
    t->sp.species_name[2].assign("Ar");
    Settings& p = t->prefs;
    p.output_conditions = p.output_transport = p.output_inverse_rates = p.output_energy_loss = 0;
    p.output_rates = 3;  // no rate tables, but the switches add up to more than 0
    const auto b = body(test::write_records(*t, 3), 2 + 2 * 3 + 3);
    ASSERT_EQ(b.size(), 12u);
    EXPECT_EQ(b[2], "100.0\t0.1400E-12");  // N2: the excitation only, not the elastic loss
    EXPECT_EQ(b[6], "Ar" + std::string(62, ' '));
    EXPECT_EQ(b[8], "100.0\t0.000");
    EXPECT_EQ(b[9], "200.0\t0.000");
}

TEST(XYTables, InelasticSumAddsEveryKindAboveElastic) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.collision_count = 4;
    t->col.collision_species[3] = 1;
    t->col.collision_kind[3] = kAttachment;
    t->col.collision_species[4] = 1;
    t->col.collision_kind[4] = kDeexcitation;
    t->run.run_energy_loss_coef[1][3] = 1e-14;
    t->run.run_energy_loss_coef[1][4] = -4e-14;
    t->sel.run_selected[2] = 0;
    Settings& p = t->prefs;
    p.output_conditions = p.output_transport = p.output_rates = p.output_energy_loss = 0;
    const auto lines = test::write_records(*t, 3);
    EXPECT_EQ(lines[lines.size() - 3], "100.0\t0.1100E-12");  // 1.4e-13 + 1e-14 - 4e-14
}

TEST(XYTables, NoSelectedRunGivesHeadersOnly) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->sel.run_selected[1] = t->sel.run_selected[2] = 0;
    Settings& p = t->prefs;
    p.output_inverse_rates = p.output_energy_loss = 0;
    const auto b = body(test::write_records(*t, 3), kModelHeaderRecords);
    // 20 constants, 2 empty, the E/N table; no result is shown; two rate
    // tables and one inelastic table, each a name, a header and 2 empty
    ASSERT_EQ(b.size(), 22u + 3u + 4u * 3u);
    EXPECT_EQ(b[22], "E/N (Td)    \tElectric field / N (Td)" + std::string(64 - 23, ' '));
    EXPECT_EQ(b[23], "");
    EXPECT_EQ(b[25], "C1    N2    Elastic" + std::string(64 - 19, ' '));
    EXPECT_EQ(b[26], "E/N (Td)\tRate coefficient (m3/s)");
    EXPECT_EQ(b[27], "");
}

}  // namespace
}  // namespace kestor
