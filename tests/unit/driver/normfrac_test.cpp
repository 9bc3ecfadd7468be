// The gas-fraction normaliser and the copy of the current values into a
// run's row.
#include <gtest/gtest.h>

#include <vector>

#include "driver/run.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::DriverTest;
using test::fraction_entry;

struct FractionCase {
    const char* what;
    std::vector<double> fractions;  // C from fraction_entry(1) on
    std::vector<int> var_list;      // IVAR(1..)
    int normalize;                  // normalize_fractions
    std::vector<double> expected;   // run_gas_fractions(r, 1..)
};

const FractionCase kFractionCases[] = {
    {"VAR fraction keeps its value, the other fills the rest", {0.5, 0.25}, {fraction_entry(2)}, 1, {0.75, 0.25}},
    {"VAR fraction above 1 empties the others", {0.2, 0.3, 1.5}, {fraction_entry(3)}, 1, {0.0, 0.0, 1.5}},
    {"every fraction varied: unchanged", {0.3, 0.3}, {fraction_entry(1), fraction_entry(2)}, 1, {0.3, 0.3}},
    {"every other fraction 0: unchanged", {0.0, 0.4}, {fraction_entry(2)}, 1, {0.0, 0.4}},
    {"all fractions 0: unchanged, no 0/0", {0.0, 0.0}, {}, 1, {0.0, 0.0}},
    {"empty VAR list: plain normalisation", {2.0, 6.0}, {}, 1, {0.25, 0.75}},
    {"VAR conditions add nothing", {1.0, 3.0}, {kCondEN, kCondGasTemp}, 1, {0.25, 0.75}},
    {"switch 0: copied unchanged", {2.0, 6.0}, {}, 0, {2.0, 6.0}},
    {"switch 2: copied unchanged", {2.0, 6.0}, {}, 2, {2.0, 6.0}},
    {"one species: never normalised", {0.4}, {}, 1, {0.4}},
};

void PrintTo(const FractionCase& c, std::ostream* os) { *os << c.what; }

class Normfrac : public DriverTest, public ::testing::WithParamInterface<FractionCase> {};

TEST_P(Normfrac, ScalesTheFractionsNotVaried) {
    const FractionCase& c = GetParam();
    std::vector<std::string> names;
    for (std::size_t s = 0; s < c.fractions.size(); ++s) names.push_back("S" + std::to_string(s + 1));
    set_species(names);
    set_var_list(c.var_list);
    t.prefs.normalize_fractions = c.normalize;
    for (std::size_t s = 0; s < c.fractions.size(); ++s) in.C[fraction_entry(1) + s] = c.fractions[s];
    prepare_run(p, 3);
    for (std::size_t s = 0; s < c.expected.size(); ++s)
        EXPECT_DOUBLE_EQ(t.run.run_gas_fractions[3][s + 1], c.expected[s]) << c.what << ", species " << s + 1;
}

INSTANTIATE_TEST_SUITE_P(Cases, Normfrac, ::testing::ValuesIn(kFractionCases));

TEST_F(DriverTest, RunStepCopiesTheConditionsAndOnlyTheLoadedFractions) {
    set_species({"A"});
    for (int j = 1; j <= kNumConditions; ++j) in.C[j] = 100.0 + j;
    in.C[fraction_entry(1)] = 1.0;
    in.C[fraction_entry(2)] = 0.5;  // no species 2 yet
    // Left in the row by a run of a gas cleared since.
    for (int s = 1; s <= kMaxSpecies; ++s) t.run.run_gas_fractions[7][s] = 0.7;
    prepare_run(p, 7);
    for (int j = 1; j <= kNumConditions; ++j) EXPECT_EQ(t.run.run_conditions[7][j], 100.0 + j);
    EXPECT_EQ(t.run.run_gas_fractions[7][1], 1.0);
    for (int s = 2; s <= kMaxSpecies; ++s) ASSERT_EQ(t.run.run_gas_fractions[7][s], 0.0) << s;
    EXPECT_EQ(t.run.run_conditions[6][kCondEN], 0.0);  // only row 7 written
}

}  // namespace
}  // namespace kestor
