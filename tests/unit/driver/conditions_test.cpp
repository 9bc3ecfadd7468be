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

using testing::DriverTest;

// Twenty condition lines with values 1 to 20 and a comment each, with
// the given lines replaced (condition index -> text).
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
        return std::vector<double>(in.C + kNumConditions + 1, in.C + kNumConditions + 1 + t.num.species_count);
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
    in.C[21] = 0.3;
    ASSERT_EQ(run(joined(condition_lines(), {"RUN", "0.5"})), CommandResult::kNext);
    for (int i = 1; i <= kNumConditions; ++i) EXPECT_EQ(in.C[i], i) << i;
    EXPECT_EQ(in.C[21], 1.0);
    EXPECT_EQ(in.var_count, 0);
    EXPECT_EQ(t.prefs.normalize_fractions, 5);  // not read
    EXPECT_EQ(in.script_line_count, 20);
    EXPECT_EQ(next_line(), "RUN");
}

TEST_F(Conditions, NoSpeciesStillSetsTheFirstFraction) {
    ASSERT_EQ(run(condition_lines()), CommandResult::kNext);
    EXPECT_EQ(in.C[21], 1.0);
}

TEST_F(Conditions, ConditionWordsAndValues) {
    set_species({"Ar"});
    const std::vector<std::pair<int, std::string>> replaced = {
        {1, "VAR        E/N"},      {3, "VARIABLE"},  {4, "VAR1"},     {5, "1,5  the comma ends the word"},
        {6, "  2.5e-3"},            {7, "1.5+3"},     {8, "4D2 ! d exponent"},
        {9, "'7'"},                 {10, "\t-2"},     {20, "VAR / max iterations"},
    };
    ASSERT_EQ(run(condition_lines(replaced)), CommandResult::kNext);
    EXPECT_EQ(var_list(), (std::vector<int>{1, 3, 4, 20}));
    for (int i : {1, 3, 4, 20}) EXPECT_EQ(in.C[i], 0.0) << i;
    EXPECT_EQ(in.C[2], 2.0);
    EXPECT_EQ(in.C[5], 1.0);
    EXPECT_EQ(in.C[6], 2.5e-3);
    EXPECT_EQ(in.C[7], 1500.0);
    EXPECT_EQ(in.C[8], 400.0);
    EXPECT_EQ(in.C[9], 7.0);
    EXPECT_EQ(in.C[10], -2.0);
}

TEST_F(Conditions, BlankLinesAmongTheConditionsArePassedOver) {
    set_species({"Ar"});
    std::vector<std::string> lines = condition_lines();
    lines.insert(lines.begin() + 5, "");
    lines.insert(lines.begin() + 5, "   ");
    ASSERT_EQ(run(joined(lines, {"next"})), CommandResult::kNext);
    EXPECT_EQ(in.C[6], 6.0);
    EXPECT_EQ(in.C[20], 20.0);
    EXPECT_EQ(in.script_line_count, 20);
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

class Composition : public Conditions, public ::testing::WithParamInterface<CompositionCase> {};

TEST_P(Composition, IsReadSpeciesBySpecies) {
    const CompositionCase& c = GetParam();
    std::vector<std::string> names;
    for (int s = 1; s <= c.species; ++s) names.push_back("S" + std::to_string(s));
    set_species(names);
    std::vector<std::string> lines = joined(condition_lines({{2, "VAR"}}), c.lines);
    lines.push_back("after");
    ASSERT_EQ(run(lines), CommandResult::kNext) << c.what;
    EXPECT_EQ(fractions(), c.fractions) << c.what;
    std::vector<int> vars = {2};
    vars.insert(vars.end(), c.var_list.begin(), c.var_list.end());
    EXPECT_EQ(var_list(), vars) << c.what;
    EXPECT_EQ(t.prefs.normalize_fractions, 1) << c.what;
    EXPECT_EQ(in.script_line_count, 20 + c.reads) << c.what;
    EXPECT_EQ(next_line(), c.next) << c.what;
}

const CompositionCase kCompositionCases[] = {
    {"two fractions on one line", 2, {"0.8 0.2", "1"}, {0.8, 0.2}, {}, 2, "after"},
    {"more words than species", 2, {"0.8 0.2 0.7 x", "1"}, {0.8, 0.2}, {}, 2, "after"},
    {"commas between the words", 2, {"0.8,0.2", "1"}, {0.8, 0.2}, {}, 2, "after"},
    {"continued with &", 3, {"0.5 &", "0.3 0.2", "1"}, {0.5, 0.3, 0.2}, {}, 3, "after"},
    {"words after & are ignored", 3, {"0.5 & 0.9 0.9", "0.3 0.2", "1"}, {0.5, 0.3, 0.2}, {}, 3, "after"},
    {"VAR completes the list", 3, {"0.5 &", "0.3 VAR", "1"}, {0.5, 0.3, 0.0}, {23}, 3, "after"},
    {"VAR fractions after the condition entries", 3, {"VAR 0.3 VAR", "1"}, {0.0, 0.3, 0.0}, {21, 23}, 2,
     "after"},
    {"one word per line", 3, {"& ignored", "0.2 &", "0.3 &", "0.5", "1"}, {0.2, 0.3, 0.5}, {}, 5, "after"},
    {"switch line with a comment", 2, {"0.8 0.2", "1   normalise"}, {0.8, 0.2}, {}, 2, "after"},
    {"switch after a blank line", 2, {"0.8 0.2", "", "1"}, {0.8, 0.2}, {}, 2, "after"},
};

INSTANTIATE_TEST_SUITE_P(Cases, Composition, ::testing::ValuesIn(kCompositionCases));

TEST_F(Conditions, SecondCommandReplacesTheVarList) {
    set_species({"A", "B"});
    ASSERT_EQ(run(joined(condition_lines({{1, "VAR"}, {17, "VAR"}}), {"VAR 0.5", "1"})), CommandResult::kNext);
    EXPECT_EQ(var_list(), (std::vector<int>{1, 17, 21}));
    in.C[1] = 99.0;  // as a run command leaves it
    in.C[22] = 0.9;
    ASSERT_EQ(run(joined(condition_lines({{3, "VAR"}}), {"0.5 0.5", "0"})), CommandResult::kNext);
    EXPECT_EQ(var_list(), (std::vector<int>{3}));
    EXPECT_EQ(in.C[1], 1.0);
    EXPECT_EQ(in.C[3], 0.0);
    EXPECT_EQ(t.prefs.normalize_fractions, 0);
}

struct FailureCase {
    std::string what;
    int species;
    std::vector<std::string> lines;  // after the command line
    int reads;                       // reads counted when the command ends
    bool incomplete;                 // "Gas composition incomplete" logged
};

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
    {"a comment line among the conditions", 1, condition_lines({{4, "! gas temperature"}}), 4, false},
    {"a word that is no number", 1, condition_lines({{2, "zero"}}), 2, false},
    {"var in lower case", 1, condition_lines({{2, "var"}}), 2, false},
    {"a number run into letters", 1, condition_lines({{9, "1.0x"}}), 9, false},
    {"an empty quoted word", 1, condition_lines({{9, "''"}}), 9, false},
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
    EXPECT_EQ(in.C[12], 12.0);
}

TEST_F(Conditions, ValuesStoredBeforeAFailureStay) {
    set_species({"A", "B", "C"});
    EXPECT_EQ(run(joined(condition_lines({{5, "VAR"}}), {"0.5 VAR"})), CommandResult::kAbort);
    EXPECT_EQ(in.C[21], 0.5);
    EXPECT_EQ(var_list(), (std::vector<int>{5, 22}));
}

}  // namespace
}  // namespace kestor
