// Collision names and the READCOLLISIONS command on scripts held in memory.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "driver/commands.h"
#include "driver_fixture.h"
#include "tests/support/fixtures.h"

namespace kestor {
namespace {

using test::collision_fixture;
using test::CR;
using test::DriverTest;
using test::padded;


// A path on a script line: between apostrophes, or its slashes end the name.
std::string quoted(const std::string& path) { return "'" + path + "'"; }

// --- setcname -----------------------------------------------------------------

struct NameCase {
    int k;
    int kind;
    std::string species;
    double threshold;
    std::string expected;  // without its trailing blanks
    int effective = 0;
    int grouped = 0;       // grouped processes carried by k
    int npoints = 4;
};

// Shortest text that reads back as the same double.
std::string shortest(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

void PrintTo(const NameCase& c, std::ostream* os) {
    static const char* const kKinds[] = {"elastic",       "attachment", "ionization", "excitation",
                                         "de-excitation", "rotation",   "vibration"};
    const std::string species =
        c.species.size() <= 12 ? c.species : "a species of " + std::to_string(c.species.size()) + " characters";
    *os << "collision " << c.k << " of " << species << ", " << kKinds[c.kind] << " at " << shortest(c.threshold)
        << " eV";
    if (c.effective != 0) *os << ", effective";
    if (c.grouped != 0) *os << ", " << c.grouped << " grouped";
    if (c.npoints != 4) *os << ", " << c.npoints << " points";
}

class CollisionName : public DriverTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(CollisionName, IsBuiltFromTheTables) {
    const NameCase& c = GetParam();
    set_species({"Other", c.species});
    t.num.collision_count = c.k + 1;
    t.col.collision_kind[c.k] = c.kind;
    t.col.collision_species[c.k] = 2;
    t.col.collision_threshold[c.k] = c.threshold;
    t.col.cs_npoints[c.k] = c.npoints;
    t.sp.species_effective_flag[2] = c.effective;
    // Grouped processes of another leader, then those of k.
    t.num.grouped_collision_count = 2 + c.grouped;
    t.col.collision_group[4003] = c.k + 1;
    t.col.collision_group[4002] = c.k + 1;
    for (int m = 3; m <= 2 + c.grouped; ++m) t.col.collision_group[4004 - m] = c.k;
    t.col.collision_group[c.k] = c.k;
    setcname(t, c.k);
    EXPECT_EQ(t.col.collision_name[c.k].full(), padded(c.expected));
}

const NameCase kNameCases[] = {
    {1, kElastic, "N2", 0.0, "C1    N2    Elastic"},
    {1, kElastic, "N2", 0.0, "C1    N2    Effective (momentum)", 1},
    {2, kAttachment, "O2", 3.85, "C2    O2    Attachment"},
    {3, kExcitation, "N2", 11.03, "C3    N2    Excitation    11.03 eV"},
    {12, kExcitation, "Ar", 0.09, "C12   Ar    Excitation    0.090 eV"},
    {123, kIonization, "Ar", 15.76, "C123  Ar    Ionization    15.76 eV"},
    {7, kDeexcitation, "N2(A)", 6.17, "C7    N2(A)    De-excitation    6.17 eV"},
    {5, kRotation, "N2", 0.0074, "C5    N2    Rotation  (13)", 0, 12},
    {5, kVibration, "N2", 0.29, "C5    N2    Vibration  (2)", 0, 1},
    {5, kRotation, "N2", 0.0074, "C5    N2    Rotation    0.0074 eV"},
    {5, kVibration, "N2", 0.29, "C5    N2    Vibration    0.29 eV"},
    // The forms switch at the single-precision 0.1 and 0.01.
    {4, kExcitation, "X", 0.1, "C4    X    Excitation    0.100 eV"},
    {4, kExcitation, "X", 0.10000000149011612, "C4    X    Excitation    0.10 eV"},
    {4, kExcitation, "X", 0.2, "C4    X    Excitation    0.20 eV"},
    {4, kExcitation, "X", 0.01, "C4    X    Excitation    0.010 eV"},
    {4, kExcitation, "X", 0.009999999776482582, "C4    X    Excitation    0.010 eV"},
    {4, kExcitation, "X", 0.0099999, "C4    X    Excitation    0.0100 eV"},
    {4, kExcitation, "X", 0.05, "C4    X    Excitation    0.050 eV"},
    {4, kExcitation, "X", 0.001, "C4    X    Excitation    0.0010 eV"},
    {4, kExcitation, "X", 0.0, "C4    X    Excitation    0.0000 eV"},
    {4, kExcitation, "X", -1.5, "C4    X    Excitation    -1.5000 eV"},
    {4, kExcitation, "X", 999.994, "C4    X    Excitation    999.99 eV"},
    {4, kExcitation, "X", 1234.5, "C4    X    Excitation    ****** eV"},
    // Numbers from 1000 on do not fit I3.
    {1000, kElastic, "N2", 0.0, "C***  N2    Elastic"},
    {3999, kExcitation, "N2", 2.0, "C***  N2    Excitation    2.00 eV"},
    // A full table is reported instead of the species and kind.
    {7, kExcitation, "N2", 2.0, "C7    Error: too many data points", 0, 0, 1003},
    // Long species names leave less room, and nothing runs past column 64.
    {1, kElastic, std::string(58, 's'), 0.0, "C1    " + std::string(58, 's')},
    {1, kElastic, std::string(55, 's'), 0.0, "C1    " + std::string(55, 's')},
    {1, kElastic, std::string(50, 's'), 0.0, "C1    " + std::string(50, 's') + "    Elas"},
    {1, kExcitation, std::string(36, 's'), 2.0, "C1    " + std::string(36, 's') + "    Excitation    2.00"},
    {1, kExcitation, std::string(38, 's'), 2.0, "C1    " + std::string(38, 's') + "    Excitation    2."},
    {1, kRotation, std::string(40, 's'), 2.0, "C1    " + std::string(40, 's') + "    Rotation  (12)", 0, 11},
    {1, kRotation, std::string(42, 's'), 2.0, "C1    " + std::string(42, 's') + "    Rotation  (1", 0, 11},
};

INSTANTIATE_TEST_SUITE_P(Cases, CollisionName, ::testing::ValuesIn(kNameCases));

TEST_F(DriverTest, ErrorNamesOfTheFullTables) {
    set_species({"N2"});
    t.col.collision_species[4003] = 1;
    t.col.collision_species[8] = 1;
    t.col.collision_species[9] = 1;
    t.col.cs_npoints[9] = 3;
    t.num.collision_count = 9;
    setcname(t, 4003);
    EXPECT_EQ(t.col.collision_name[4003].full(), padded("Error: too many collisions"));

    // The last collision loaded while the species table is full.
    t.num.species_count = kMaxSpecies;
    setcname(t, 9);
    EXPECT_EQ(t.col.collision_name[9].full(), padded("Error: too many species"));
    setcname(t, 8);
    EXPECT_EQ(t.col.collision_name[8].full(), padded("C8    N2    Elastic"));
    t.num.species_count = kMaxSpecies - 1;
    setcname(t, 9);
    EXPECT_EQ(t.col.collision_name[9].full(), padded("C9    N2    Elastic"));
}

// --- READCOLLISIONS -----------------------------------------------------------

class ReadCollisions : public DriverTest {
protected:
    CommandResult run(const std::string& file, const std::string& species, const std::string& flag = "0") {
        script({quoted(file), species, flag});
        return cmd_readcollisions(p);
    }
};

TEST_F(ReadCollisions, LoadsEachSpeciesOfTheLine) {
    struct Case {
        std::string line;
        std::vector<std::string> species;
    };
    const Case cases[] = {
        {"Ar He", {"Ar", "He"}},
        {"Ar,He", {"Ar", "He"}},
        {"  Ar\tHe  ! comment", {"Ar", "He", "!", "comment"}},
        {"Ar / He", {"Ar"}},
        {"'Ar' \"He\"", {"Ar", "He"}},
        {"Ar,,He", {"Ar"}},  // the null name ends the list
        {"", {}},
    };
    for (const Case& c : cases) {
        t.num.species_count = 0;
        t.num.collision_count = 0;
        EXPECT_EQ(run(collision_fixture("gas_ar.txt"), c.line), CommandResult::kNext) << c.line;
        ASSERT_EQ(t.num.species_count, static_cast<int>(c.species.size())) << c.line;
        for (std::size_t s = 0; s < c.species.size(); ++s)
            EXPECT_EQ(t.sp.species_name[s + 1].trimmed(), c.species[s]) << c.line;
    }
    EXPECT_EQ(in.script_line_count, 3 * 7);
}

TEST_F(ReadCollisions, StoresTheSettingsAndNamesTheNewCollisions) {
    script({"  " + quoted(collision_fixture("gas_ar.txt")) + "  ! the gas", "Ar", "1"});
    ASSERT_EQ(cmd_readcollisions(p), CommandResult::kNext);
    EXPECT_EQ(t.prefs.cs_file_name.trimmed(), collision_fixture("gas_ar.txt"));
    EXPECT_EQ(t.prefs.cs_extrapolate, 1);
    ASSERT_EQ(t.num.collision_count, 4);
    EXPECT_EQ(t.col.collision_name[2].trimmed(), "C2    Ar    Excitation    11.50 eV");
    // Extrapolated tables: more than the one flat point.
    EXPECT_GT(t.col.cs_npoints[1], 6);
}

// Runs held before a species is loaded never computed its collisions:
// their coefficients are 0, not what an earlier run in that row left.
TEST_F(ReadCollisions, RunsHeldShowNoCoefficientsForNewCollisions) {
    constexpr double kStale = 7.5;
    t.num.run_count = 2;
    for (int r = 1; r <= 3; ++r)
        for (int k = 1; k <= 8; ++k) {
            t.run.run_rate_coef[r][k] = kStale;
            t.run.run_inverse_rate_coef[r][k] = kStale;
            t.run.run_energy_loss_coef[r][k] = kStale;
        }
    t.num.collision_count = 2;  // held from an earlier load
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar"), CommandResult::kNext);
    ASSERT_EQ(t.num.collision_count, 6);
    for (int r = 1; r <= 3; ++r)
        for (int k = 1; k <= 8; ++k) {
            // New collisions 3..6 of held runs 1 and 2 only.
            const double expected = (r <= 2 && k >= 3 && k <= 6) ? 0.0 : kStale;
            EXPECT_EQ(t.run.run_rate_coef[r][k], expected) << "run " << r << ", collision " << k;
            EXPECT_EQ(t.run.run_inverse_rate_coef[r][k], expected) << "run " << r << ", collision " << k;
            EXPECT_EQ(t.run.run_energy_loss_coef[r][k], expected) << "run " << r << ", collision " << k;
        }
}

TEST_F(ReadCollisions, SpeciesNamesAreComparedWithCaseRespected) {
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar AR Ar"), CommandResult::kNext);
    EXPECT_EQ(t.num.species_count, 2);
    EXPECT_EQ(t.sp.species_name[2].trimmed(), "AR");
    // Ar twice, AR once: three loads of the four processes.
    EXPECT_EQ(t.num.collision_count, 12);
    EXPECT_EQ(t.col.collision_species[5], 2);
    EXPECT_EQ(t.col.collision_species[9], 1);
    EXPECT_EQ(t.col.collision_name[9].trimmed(), "C9    Ar    Elastic");
}

TEST_F(ReadCollisions, SpeciesNamedAgainKeepsItsIndexAndShowsOnlyItsNewCollisions) {
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "He Ar"), CommandResult::kNext);
    const std::size_t before = log_lines().size();
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar"), CommandResult::kNext);
    EXPECT_EQ(t.num.species_count, 2);
    EXPECT_EQ(t.num.collision_count, 9);
    EXPECT_EQ(t.col.collision_species[6], 2);
    const std::vector<std::string> log = log_lines();
    // Keyword, species, the reference text over three lines, the four new collisions.
    ASSERT_EQ(log.size() - before, 9u);
    EXPECT_EQ(log[before + 1], "Ar");
    EXPECT_EQ(log[before + 2], collision_fixture("gas_ar.txt") + "\r");
    EXPECT_EQ(log[before + 5], padded("C6    Ar    Elastic"));
    EXPECT_EQ(log.back(), padded("C9    Ar    Ionization    15.76 eV"));
}

TEST_F(ReadCollisions, RoomInTheSpeciesTableLimitsTheNamesTaken) {
    std::vector<std::string> known;
    for (int s = 1; s <= 200; ++s) known.push_back("S" + std::to_string(s));
    set_species(known);
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "S5 A B C D E"), CommandResult::kNext);
    // Four words: S5 (known), then A, B and C are new.
    EXPECT_EQ(t.num.species_count, 203);
    EXPECT_EQ(t.sp.species_name[203].trimmed(), "C");
    const std::vector<std::string> log = log_lines();
    for (const std::string& l : log) EXPECT_NE(l, "Too many species");
}

TEST_F(ReadCollisions, SpeciesBeyondTheTableIsRefused) {
    std::vector<std::string> known;
    for (int s = 1; s <= 202; ++s) known.push_back("S" + std::to_string(s));
    set_species(known);
    // Room for two names: Ar becomes species 203, He is refused.
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar He S2"), CommandResult::kNext);
    EXPECT_EQ(t.num.species_count, 203);
    EXPECT_EQ(t.sp.species_name[203].trimmed(), "Ar");
    // The last collision loaded with the table full carries the error name.
    EXPECT_EQ(t.num.collision_count, 4);
    EXPECT_EQ(t.col.collision_name[3].trimmed(), "C3    Ar    Excitation    0.090 eV");
    EXPECT_EQ(t.col.collision_name[4].trimmed(), "Error: too many species");
    std::vector<std::string> log = log_lines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.back(), "Too many species");
    EXPECT_EQ(log[log.size() - 2], padded("Error: too many species"));

    // With the table full, a known name is still loaded, a new one refused.
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "S7 Kr"), CommandResult::kNext);
    EXPECT_EQ(t.num.collision_count, 4);
    log = log_lines();
    // One name of room: Kr is not looked at. The file holds nothing for S7.
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "S7");
    EXPECT_EQ(log[log.size() - 2], collision_fixture("gas_ar.txt"));
    EXPECT_EQ(log.back(), "No collisions for S7 in " + collision_fixture("gas_ar.txt"));
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Kr S7"), CommandResult::kNext);
    EXPECT_EQ(t.num.species_count, 203);
    EXPECT_EQ(log_lines().back(), "Too many species");
}

TEST_F(ReadCollisions, ThreeHundredSpeciesOnOneLine) {
    std::string line;
    for (int s = 1; s <= 300; ++s) line += "G" + std::to_string(s) + " ";
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), line), CommandResult::kNext);
    // The line is cut at 256 characters: G1 to G66 and a last "G".
    EXPECT_EQ(t.num.species_count, 67);
    EXPECT_EQ(t.sp.species_name[66].trimmed(), "G66");
    EXPECT_EQ(t.sp.species_name[67].trimmed(), "G");
    std::string many;
    for (int s = 1; s <= 300; ++s) many += "g" + std::to_string(s % 7) + ",";
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), many), CommandResult::kNext);
    // Seven names g0 to g6 again and again, and the cut "g" at the end.
    EXPECT_EQ(t.num.species_count, 67 + 8);
    EXPECT_EQ(t.sp.species_name[75].trimmed(), "g");
}

TEST_F(ReadCollisions, SpeciesTableFillsOverSeveralCommands) {
    for (int r = 0; r < 5; ++r) {
        std::string line;
        for (int s = 1; s <= 50; ++s) line += "N" + std::to_string(r * 50 + s) + " ";
        ASSERT_EQ(run(collision_fixture("gas_ar.txt"), line), CommandResult::kNext);
    }
    EXPECT_EQ(t.num.species_count, 203);
    EXPECT_EQ(t.sp.species_name[203].trimmed(), "N203");
    EXPECT_EQ(log_lines().back(), "Too many species");
}

TEST_F(ReadCollisions, FullCollisionSlotsEndTheCommand) {
    t.num.collision_count = 4000;
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar He"), CommandResult::kNext);
    EXPECT_EQ(t.num.collision_count, kMaxCollisions);
    EXPECT_EQ(t.num.species_count, 1);
    EXPECT_EQ(t.col.collision_name[4003].trimmed(), "Error: too many collisions");
    EXPECT_EQ(t.col.collision_name[4001].trimmed(), "C***  Ar    Elastic");
    EXPECT_EQ(t.col.collision_name[4002].trimmed(), "C***  Ar    Excitation    11.50 eV");
    const std::vector<std::string> log = log_lines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.back(), "Too many collisions");
    EXPECT_EQ(log[log.size() - 2], padded("Error: too many collisions"));
}

TEST_F(ReadCollisions, SlotsFilledByGroupedProcessesLoadNothingMore) {
    t.num.collision_count = 3;
    t.num.grouped_collision_count = 4000;
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar He"), CommandResult::kNext);
    EXPECT_EQ(t.num.species_count, 2);
    EXPECT_EQ(t.num.collision_count, 3);
    const std::vector<std::string> log = log_lines();
    ASSERT_FALSE(log.empty());
    // The file holds processes for both, so no "No collisions" line either.
    EXPECT_EQ(log.back(), collision_fixture("gas_ar.txt"));
    for (const std::string& l : log) EXPECT_NE(l, "Too many collisions");
}

TEST_F(ReadCollisions, MissingOrUnreadableParametersEndThroughAbort) {
    struct Case {
        std::vector<std::string> lines;
        int reads;  // reads counted when the command ends
    };
    const Case cases[] = {
        {{quoted(collision_fixture("none.txt")), "Ar", "0"}, 1},
        {{quoted(std::filesystem::path(collision_fixture("gas_ar.txt")).parent_path().string()), "Ar", "0"}, 1},
        {{quoted(collision_fixture("gas_ar.txt"))}, 2},
        {{quoted(collision_fixture("gas_ar.txt")), "Ar", "1.5"}, 3},
        {{quoted(collision_fixture("gas_ar.txt")), "Ar", "x"}, 3},
        {{"'" + collision_fixture("gas_ar.txt") + "'x", "Ar", "0"}, 1},
    };
    for (const Case& c : cases) {
        in.script_line_count = 0;
        script(c.lines);
        EXPECT_EQ(cmd_readcollisions(p), CommandResult::kAbort) << c.lines[0];
        EXPECT_EQ(in.script_line_count, c.reads) << c.lines[0];
        EXPECT_EQ(t.num.species_count, 0);
    }
    const std::vector<std::string> log = log_lines();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], CR + "READCOLLISIONS");
    EXPECT_EQ(log[1], CR + "Cannot find file " + collision_fixture("none.txt"));
    // A directory is no data file.
    const std::string folder = std::filesystem::path(collision_fixture("gas_ar.txt")).parent_path().string();
    EXPECT_EQ(log[3], CR + "Cannot find file " + folder);
}

TEST_F(ReadCollisions, EndOfTheScriptAtTheFileOrFlagLineStops) {
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{}, std::vector<std::string>{"", "  "}, std::vector<std::string>{"'unclosed", ""},
          std::vector<std::string>{quoted(collision_fixture("gas_ar.txt")), "Ar"}}) {
        script(lines);
        EXPECT_THROW(cmd_readcollisions(p), ProgramStop);
    }
}

TEST_F(ReadCollisions, SpeciesLogBlockWithTheLogHeldOpen) {
    ASSERT_EQ(run(collision_fixture("reversible.txt"), "N2(X) N2(A) N2"), CommandResult::kNext);
    const std::string file = collision_fixture("reversible.txt");
    EXPECT_EQ(read_file("log.txt"), CR + "READCOLLISIONS\n"
                                    "N2(X)\n" + file + "\n" + padded("C1    N2(X)    Excitation    6.17 eV") + "\n"
                                    "N2(A)\n" + file + "\n" + padded("C2    N2(A)    De-excitation    6.17 eV") + "\n"
                                    "N2\n" + file + "\n"
                                    "No collisions for N2 in " + file + "\n");
}

TEST_F(ReadCollisions, UnwritableLogLosesTheBlockButLoadingGoesOn) {
    in.LOGFILE.assign(path("no-such-dir/log.txt"));
    ASSERT_EQ(run(collision_fixture("gas_ar.txt"), "Ar He"), CommandResult::kNext);
    EXPECT_EQ(t.num.species_count, 2);
    EXPECT_EQ(t.num.collision_count, 5);
    EXPECT_EQ(t.col.collision_name[5].trimmed(), "C5    He    Elastic");
}

}  // namespace
}  // namespace kestor
