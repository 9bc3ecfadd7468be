// CONDITIONS on scripts held in memory: the conditions, the gas
// composition, the VAR list and the ways the command fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/program_stop.h"
#include "driver/commands.h"
#include "driver_fixture.h"

namespace kestor {
namespace {

using test::DriverTest;
using test::fraction_entry;

// Twenty condition lines, condition i with the value i and a comment, with
// the given lines replaced (condition -> text).
std::vector<std::string> condition_lines(const std::vector<std::pair<int, std::string>>& replaced = {}) {
    std::vector<std::string> lines;
    for (int i = 1; i <= kNumConditions; ++i) lines.push_back(std::to_string(i) + "   condition " + std::to_string(i));
    for (const auto& [i, text] : replaced) lines[i - 1] = text;
    return lines;
}

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Conditions : public DriverTest {
protected:
    CommandResult run(const std::vector<std::string>& lines) {
        script(lines);
        return cmd_conditions(p);
    }
    std::vector<int> var_list() const { return std::vector<int>(in.IVAR + 1, in.IVAR + 1 + in.var_count); }
    std::vector<double> fractions() const {
        return std::vector<double>(in.C + fraction_entry(1), in.C + fraction_entry(1) + t.num.species_count);
    }
    // The line the script reads next.
    std::string next_line() {
        std::string l;
        return in.script.next_line(l) ? l : "<end>";
    }
};

TEST_F(Conditions, OneSpeciesReadsTwentyLinesAndTakesTheWholeGas) {
    set_species({"Ar"});
    t.prefs.normalize_fractions = 5;
    in.C[fraction_entry(1)] = 0.3;
    ASSERT_EQ(run(joined(condition_lines(), {"RUN", "0.5"})), CommandResult::kNext);
    for (int i = 1; i <= kNumConditions; ++i) EXPECT_EQ(in.C[i], i) << i;
    EXPECT_EQ(in.C[fraction_entry(1)], 1.0);
    EXPECT_EQ(in.var_count, 0);
    EXPECT_EQ(t.prefs.normalize_fractions, 5);  // not read
    EXPECT_EQ(in.script_line_count, kNumConditions);
    EXPECT_EQ(next_line(), "RUN");
}

TEST_F(Conditions, NoSpeciesStillSetsTheFirstFraction) {
    ASSERT_EQ(run(condition_lines()), CommandResult::kNext);
    EXPECT_EQ(in.C[fraction_entry(1)], 1.0);
}

TEST_F(Conditions, ConditionWordsAndValues) {
    set_species({"Ar"});
    const std::vector<std::pair<int, std::string>> replaced = {
        {kCondEN, "VAR        E/N"},
        {kCondCosEB, "VARIABLE"},
        {kCondGasTemp, "VAR1"},
        {kCondExcTemp, "1,5  the comma ends the word"},
        {kCondTransitionEnergy, "  2.5e-3"},
        {kCondIonDegree, "1.5+3"},
        {kCondPlasmaDensity, "4D2 ! d exponent"},
        {kCondIonCharge, "'7'"},
        {kCondIonMassRatio, "\t-2"},
        {kCondMaxIterations, "VAR / max iterations"},
    };
    ASSERT_EQ(run(condition_lines(replaced)), CommandResult::kNext);
    const std::vector<int> varied = {kCondEN, kCondCosEB, kCondGasTemp, kCondMaxIterations};
    EXPECT_EQ(var_list(), varied);
    for (int i : varied) EXPECT_EQ(in.C[i], 0.0) << i;
    EXPECT_EQ(in.C[kCondFrequency], kCondFrequency);  // the line left as it was
    EXPECT_EQ(in.C[kCondExcTemp], 1.0);
    EXPECT_EQ(in.C[kCondTransitionEnergy], 2.5e-3);
    EXPECT_EQ(in.C[kCondIonDegree], 1500.0);
    EXPECT_EQ(in.C[kCondPlasmaDensity], 400.0);
    EXPECT_EQ(in.C[kCondIonCharge], 7.0);
    EXPECT_EQ(in.C[kCondIonMassRatio], -2.0);
}

TEST_F(Conditions, BlankLinesAmongTheConditionsArePassedOver) {
    set_species({"Ar"});
    std::vector<std::string> lines = condition_lines();
    lines.insert(lines.begin() + 5, "");
    lines.insert(lines.begin() + 5, "   ");
    ASSERT_EQ(run(joined(lines, {"next"})), CommandResult::kNext);
    EXPECT_EQ(in.C[kCondTransitionEnergy], kCondTransitionEnergy);
    EXPECT_EQ(in.C[kCondMaxIterations], kCondMaxIterations);
    EXPECT_EQ(in.script_line_count, kNumConditions);
    EXPECT_EQ(next_line(), "next");
}

struct CompositionCase {
    std::string what;
    int species;
    std::vector<std::string> lines;  // composition lines, then the switch
    std::vector<double> fractions;
    std::vector<int> var_list;       // entries after the condition entries
    int reads;                       // reads after the 20 condition lines
    std::string next;                // the line after the command
};

void PrintTo(const CompositionCase& c, std::ostream* os) { *os << c.what; }

class Composition : public Conditions, public ::testing::WithParamInterface<CompositionCase> {};

TEST_P(Composition, IsReadSpeciesBySpecies) {
    const CompositionCase& c = GetParam();
    std::vector<std::string> names;
    for (int s = 1; s <= c.species; ++s) names.push_back("S" + std::to_string(s));
    set_species(names);
    std::vector<std::string> lines = joined(condition_lines({{kCondFrequency, "VAR"}}), c.lines);
    lines.push_back("after");
    ASSERT_EQ(run(lines), CommandResult::kNext) << c.what;
    EXPECT_EQ(fractions(), c.fractions) << c.what;
    std::vector<int> vars = {kCondFrequency};
    vars.insert(vars.end(), c.var_list.begin(), c.var_list.end());
    EXPECT_EQ(var_list(), vars) << c.what;
    EXPECT_EQ(t.prefs.normalize_fractions, 1) << c.what;
    EXPECT_EQ(in.script_line_count, kNumConditions + c.reads) << c.what;
    EXPECT_EQ(next_line(), c.next) << c.what;
}

const CompositionCase kCompositionCases[] = {
    {"two fractions on one line", 2, {"0.8 0.2", "1"}, {0.8, 0.2}, {}, 2, "after"},
    {"more words than species", 2, {"0.8 0.2 0.7 x", "1"}, {0.8, 0.2}, {}, 2, "after"},
    {"commas between the words", 2, {"0.8,0.2", "1"}, {0.8, 0.2}, {}, 2, "after"},
    {"continued with &", 3, {"0.5 &", "0.3 0.2", "1"}, {0.5, 0.3, 0.2}, {}, 3, "after"},
    {"words after & are ignored", 3, {"0.5 & 0.9 0.9", "0.3 0.2", "1"}, {0.5, 0.3, 0.2}, {}, 3, "after"},
    {"VAR completes the list", 3, {"0.5 &", "0.3 VAR", "1"}, {0.5, 0.3, 0.0}, {fraction_entry(3)}, 3, "after"},
    {"VAR fractions after the condition entries", 3, {"VAR 0.3 VAR", "1"}, {0.0, 0.3, 0.0},
     {fraction_entry(1), fraction_entry(3)}, 2, "after"},
    {"one word per line", 3, {"& ignored", "0.2 &", "0.3 &", "0.5", "1"}, {0.2, 0.3, 0.5}, {}, 5, "after"},
    {"switch line with a comment", 2, {"0.8 0.2", "1   normalise"}, {0.8, 0.2}, {}, 2, "after"},
    {"switch after a blank line", 2, {"0.8 0.2", "", "1"}, {0.8, 0.2}, {}, 2, "after"},
};

INSTANTIATE_TEST_SUITE_P(Cases, Composition, ::testing::ValuesIn(kCompositionCases));

TEST_F(Conditions, SecondCommandReplacesTheVarList) {
    set_species({"A", "B"});
    ASSERT_EQ(run(joined(condition_lines({{kCondEN, "VAR"}, {kCondMaxEnergy, "VAR"}}), {"VAR 0.5", "1"})),
              CommandResult::kNext);
    EXPECT_EQ(var_list(), (std::vector<int>{kCondEN, kCondMaxEnergy, fraction_entry(1)}));
    in.C[kCondEN] = 99.0;  // as a run command leaves it
    in.C[fraction_entry(2)] = 0.9;
    ASSERT_EQ(run(joined(condition_lines({{kCondCosEB, "VAR"}}), {"0.5 0.5", "0"})), CommandResult::kNext);
    EXPECT_EQ(var_list(), (std::vector<int>{kCondCosEB}));
    EXPECT_EQ(in.C[kCondEN], kCondEN);
    EXPECT_EQ(in.C[kCondCosEB], 0.0);
    EXPECT_EQ(t.prefs.normalize_fractions, 0);
}

struct FailureCase {
    std::string what;
    int species;
    std::vector<std::string> lines;  // after the command line
    int reads;                       // reads counted when the command ends
    bool incomplete;                 // "Gas composition incomplete" logged
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what << ", " << c.species << " species"; }

class ConditionFailure : public Conditions, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConditionFailure, EndsThroughAbort) {
    const FailureCase& c = GetParam();
    std::vector<std::string> names;
    for (int s = 1; s <= c.species; ++s) names.push_back("S" + std::to_string(s));
    set_species(names);
    EXPECT_EQ(run(c.lines), CommandResult::kAbort) << c.what;
    EXPECT_EQ(in.script_line_count, c.reads) << c.what;
    const std::vector<std::string> log = log_lines();
    if (c.incomplete) {
        EXPECT_EQ(log, (std::vector<std::string>{"Gas composition incomplete"})) << c.what;
    } else {
        EXPECT_TRUE(log.empty()) << c.what;
    }
}

const FailureCase kFailureCases[] = {
    {"a comment line among the conditions", 1, condition_lines({{kCondGasTemp, "! gas temperature"}}), 4, false},
    {"a word that is no number", 1, condition_lines({{kCondFrequency, "zero"}}), 2, false},
    {"var in lower case", 1, condition_lines({{kCondFrequency, "var"}}), 2, false},
    {"a number run into letters", 1, condition_lines({{kCondIonCharge, "1.0x"}}), 9, false},
    {"an empty quoted word", 1, condition_lines({{kCondIonCharge, "''"}}), 9, false},
    {"a blank composition line", 2, joined(condition_lines(), {"", "1"}), 21, true},
    {"too few words and no &", 3, joined(condition_lines(), {"0.5 0.5", "1"}), 21, true},
    {"one fraction per line without &", 3, joined(condition_lines(), {"0.2", "0.3", "0.5", "1"}), 21, true},
    {"a slash cuts the list", 2, joined(condition_lines(), {"0.5 / 0.5", "1"}), 21, true},
    {"var in lower case", 2, joined(condition_lines(), {"var 0.5", "1"}), 21, false},
    {"a fraction run into &", 2, joined(condition_lines(), {"0.5& 0.5", "1"}), 21, false},
    {"the end of the script at a composition line", 2, condition_lines(), 21, false},
    {"the end of the script after &", 3, joined(condition_lines(), {"0.5 &"}), 22, false},
    {"the end of the script at the switch", 2, joined(condition_lines(), {"0.5 0.5"}), 22, false},
    {"a switch that is no integer", 2, joined(condition_lines(), {"0.5 0.5", "1.0"}), 22, false},
    {"a switch of letters", 2, joined(condition_lines(), {"0.5 0.5", "yes"}), 22, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConditionFailure, ::testing::ValuesIn(kFailureCases));

TEST_F(Conditions, EndOfTheScriptAmongTheConditionsStops) {
    set_species({"A"});
    std::vector<std::string> lines = condition_lines();
    lines.resize(12);
    script(lines);
    try {
        cmd_conditions(p);
        ADD_FAILURE() << "no stop";
    } catch (const ProgramStop& stop) {
        EXPECT_EQ(stop.exit_status, kEndOfFileExitStatus);
    }
    EXPECT_EQ(in.script_line_count, 13);
    EXPECT_EQ(in.C[kCondEnergySharing], kCondEnergySharing);  // the last line read
}

TEST_F(Conditions, ValuesStoredBeforeAFailureStay) {
    set_species({"A", "B", "C"});
    EXPECT_EQ(run(joined(condition_lines({{kCondExcTemp, "VAR"}}), {"0.5 VAR"})), CommandResult::kAbort);
    EXPECT_EQ(in.C[fraction_entry(1)], 0.5);
    EXPECT_EQ(var_list(), (std::vector<int>{kCondExcTemp, fraction_entry(2)}));
}

}  // namespace
}  // namespace kestor
