// Shown results and constant entries, worked out before anything is written.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "output/layouts.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct SelectionCase {
    const char* name;
    std::function<void(Tables&)> setup;  // applied to the model gas
    int entry;                           // IPSELECT index when shown_table, else ISAME index
    bool shown_table;
    int expected;
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

class SelectionRule : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(SelectionRule, GivesExpectedFlag) {
    const SelectionCase& c = GetParam();
    auto t = test::labelled_tables();
    test::fill_model(*t);
    c.setup(*t);
    Selections sel;
    build_selections(*t, sel);
    EXPECT_EQ(c.shown_table ? sel.IPSELECT[c.entry] : sel.ISAME[c.entry], c.expected);
}

const SelectionCase kCases[] = {
    // shown results
    // (the model gas has an ionization frequency in run 2 only)
    {"ResultNonZeroInOneSelectedRun", [](Tables&) {}, kResIonizationFreq, true, 1},
    {"ResultZeroEverywhere", [](Tables&) {}, kResReMobility, true, 0},
    {"ResultOnlyInUnselectedRun", [](Tables& t) { t.sel.run_selected[2] = 0; }, kResIonizationFreq, true, 0},
    {"SelectionFlagOtherThanOneIsNotSelected", [](Tables& t) { t.sel.run_selected[2] = 2; }, kResIonizationFreq,
     true, 0},
    {"NotANumberCountsAsNonZero", [](Tables& t) { t.run.run_results[1][kResImMobility] = kNaN; }, kResImMobility,
     true, 1},
    {"BlankLabelNeverShown", [](Tables& t) { t.run.run_results[1][kResUnused10] = 5.0; }, kResUnused10, true, 0},
    {"StatusZeroNotShown", [](Tables&) {}, kResStatus, true, 0},
    {"FailedStatusShown", [](Tables& t) { t.run.run_results[2][kResStatus] = kStatusIncorrectMeanEnergy; },
     kResStatus, true, 1},
    {"NoRunsNothingShown", [](Tables& t) { t.num.run_count = 0; }, kResMeanEnergy, true, 0},
    {"RunsBeyondCountIgnored",
     [](Tables& t) {
         t.run.run_results[3][kResReMobility] = 1.0;
         t.sel.run_selected[3] = 1;
     },
     kResReMobility, true, 0},
    // constant entries
    {"VaryingCondition", [](Tables&) {}, kCondEN, false, 0},
    {"FixedCondition", [](Tables&) {}, kCondGasTemp, false, 1},
    {"VaryingOnlyInUnselectedRun",
     [](Tables& t) {
         t.run.run_conditions[2][kCondGasTemp] = 400.0;
         t.sel.run_selected[2] = 0;
     },
     kCondGasTemp, false, 0},
    {"NotANumberNeverEqual",
     [](Tables& t) {
         t.run.run_conditions[1][kCondGasTemp] = kNaN;
         t.run.run_conditions[2][kCondGasTemp] = kNaN;
     },
     kCondGasTemp, false, 0},
    {"SingleRunWithNotANumberIsConstant",
     [](Tables& t) {
         t.num.run_count = 1;
         t.run.run_conditions[1][kCondGasTemp] = kNaN;
     },
     kCondGasTemp, false, 1},
    {"SignedZerosAreEqual", [](Tables& t) { t.run.run_conditions[2][kCondFrequency] = -0.0; }, kCondFrequency,
     false, 1},
    {"BlankConditionLabelIsConstant",
     [](Tables& t) {
         t.labels.condition_labels[kCondGasTemp].blank();
         t.run.run_conditions[2][kCondGasTemp] = 400.0;
     },
     kCondGasTemp, false, 1},
    {"NoRunsEverythingConstant", [](Tables& t) { t.num.run_count = 0; }, kCondEN, false, 1},
    {"VaryingFraction", [](Tables& t) { t.run.run_gas_fractions[2][1] = 0.5; }, kNumConditions + 1, false, 0},
    {"FixedFraction", [](Tables&) {}, kNumConditions + 1, false, 1},
    {"FractionHasNoLabelTest",
     [](Tables& t) {
         t.sp.species_name[1].blank();
         t.run.run_gas_fractions[2][1] = 0.5;
     },
     kNumConditions + 1, false, 0},
};

INSTANTIATE_TEST_SUITE_P(Writer, SelectionRule, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Selections, CorruptCountsStayInsideTables) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.run_count = 1 << 30;
    t->num.species_count = 1 << 30;
    Selections sel;
    build_selections(*t, sel);  // reads no row beyond the tables
    EXPECT_EQ(held_runs(*t), kMaxRuns);
    EXPECT_EQ(held_species(*t), kMaxSpecies);
    t->num.run_count = -5;
    EXPECT_EQ(held_runs(*t), 0);
}

}  // namespace
}  // namespace kestor
