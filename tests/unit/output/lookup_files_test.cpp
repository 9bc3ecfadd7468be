// Layout 6: lookup-table files and their names.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "output/lookup_files.h"
#include "output/writebol.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

namespace fs = std::filesystem;
using test::OutputDir;

struct NameCase {
    const char* collision_name;
    const char* file_name;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.collision_name); }

class LookupName : public ::testing::TestWithParam<NameCase> {};

TEST_P(LookupName, BuiltFromColumnSeven) {
    Name n;
    n.assign(GetParam().collision_name);
    EXPECT_EQ(lookup_file_name(n), GetParam().file_name);
}

const NameCase kNameCases[] = {
    {"C3    N2    Excitation    11.03 eV", "N2_Excitation_11.03_eV.lut"},
    {"C1    N2    Elastic", "N2_Elastic.lut"},
    {"C12   Ar     Excitation    0.090 eV", "Ar_Excitation_0.090_eV.lut"},
    {"C***  N2    Rotation  (13)", "N2_Rotation_(13).lut"},
    {"C5", ".lut"},
    {"C12345", ".lut"},
    {"C123456", "6.lut"},
    {"", ".lut"},
    {"Error: too many collisions", "_too_many_collisions.lut"},
    // a name never leads out of the working directory
    {"C1    N2/A    Excitation", "N2_A_Excitation.lut"},
    {"C1    ../../etc/x", ".._.._etc_x.lut"},
    {"C1    /", "_.lut"},
};

INSTANTIATE_TEST_SUITE_P(Layout6, LookupName, ::testing::ValuesIn(kNameCases));

// Collision names in slot order and the files their tables go to.
struct SharedNameCase {
    const char* what;
    std::vector<std::string> collision_names;
    std::vector<std::string> file_names;
};

void PrintTo(const SharedNameCase& c, std::ostream* os) { *os << c.what; }

class LookupNames : public ::testing::TestWithParam<SharedNameCase> {};

TEST_P(LookupNames, LastOfASharedNameKeepsItTheOthersAddTheirNumber) {
    const SharedNameCase& c = GetParam();
    auto t = make_tables();
    t->num.collision_count = static_cast<int>(c.collision_names.size());
    for (std::size_t k = 0; k < c.collision_names.size(); ++k) t->col.collision_name[k + 1].assign(c.collision_names[k]);
    const std::vector<std::string> names = lookup_file_names(*t);
    ASSERT_EQ(names.size(), c.collision_names.size() + 1);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()), c.file_names);
}

const SharedNameCase kSharedNameCases[] = {
    {"distinct names stay plain",
     {"C1    N2    Elastic", "C2    N2    Excitation    0.29 eV", "C3    N2    Excitation    0.59 eV"},
     {"N2_Elastic.lut", "N2_Excitation_0.29_eV.lut", "N2_Excitation_0.59_eV.lut"}},
    {"two excitations at one threshold text",
     {"C1    N2    Elastic", "C2    N2    Rotation", "C3    N2    Excitation    0.29 eV",
      "C4    N2    Excitation    0.29 eV"},
     {"N2_Elastic.lut", "N2_Rotation.lut", "N2_Excitation_0.29_eV_C3.lut", "N2_Excitation_0.29_eV.lut"}},
    {"three apart, and one pair in between",
     {"C1    Ar    Excitation    11.55 eV", "C2    Ar    Elastic", "C3    Ar    Excitation    11.55 eV",
      "C4    Ar    Elastic", "C5    Ar    Excitation    11.55 eV"},
     {"Ar_Excitation_11.55_eV_C1.lut", "Ar_Elastic_C2.lut", "Ar_Excitation_11.55_eV_C3.lut", "Ar_Elastic.lut",
      "Ar_Excitation_11.55_eV.lut"}},
    {"one species in two files: the second file's collisions keep the plain names",
     {"C1    Ar    Elastic", "C2    Ar    Ionization    15.76 eV", "C3    Ar    Elastic",
      "C4    Ar    Ionization    15.76 eV"},
     {"Ar_Elastic_C1.lut", "Ar_Ionization_15.76_eV_C2.lut", "Ar_Elastic.lut", "Ar_Ionization_15.76_eV.lut"}},
    {"names with nothing from column 7 on", {"C1", "C2", "C3    X    Elastic"}, {"_C1.lut", ".lut", "X_Elastic.lut"}},
};

INSTANTIATE_TEST_SUITE_P(Layout6, LookupNames, ::testing::ValuesIn(kSharedNameCases));

// The number added is the collision's own, in full: the C label of a
// name shows three asterisks from 1000 on.
TEST(LookupNamesNumbered, NumbersOfEveryWidthAndFromAThousandOn) {
    constexpr int kCount = 1002;
    auto t = make_tables();
    t->num.collision_count = kCount;
    for (int k = 1; k <= kCount; ++k) {
        std::string label = k < 1000 ? "C" + std::to_string(k) : "C***";
        label.resize(6, ' ');
        t->col.collision_name[k].assign(label + "Ar    Elastic");
    }
    const std::vector<std::string> names = lookup_file_names(*t);
    const struct {
        int k;
        const char* file;
    } expected[] = {{1, "Ar_Elastic_C1.lut"},        {9, "Ar_Elastic_C9.lut"},       {10, "Ar_Elastic_C10.lut"},
                    {99, "Ar_Elastic_C99.lut"},      {100, "Ar_Elastic_C100.lut"},   {999, "Ar_Elastic_C999.lut"},
                    {1000, "Ar_Elastic_C1000.lut"},  {1001, "Ar_Elastic_C1001.lut"}, {kCount, "Ar_Elastic.lut"}};
    for (const auto& e : expected) EXPECT_EQ(names[e.k], e.file) << e.k;
    EXPECT_EQ(std::set<std::string>(names.begin() + 1, names.end()).size(), static_cast<std::size_t>(kCount));
}

const char* const kFixedFiles[] = {"energy.lut", "mobility.lut", "diffusion.lut", "elastic_power.lut",
                                   "inelastic_power.lut"};

std::set<std::string> files_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

TEST(LookupFiles, ModelGasMatchesExpectedFiles) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->sel.run_selected[2] = 0;            // selections play no part
    t->sel.collision_selected[1] = 0;
    t->run.run_results[2][kResStatus] = kStatusFailed;  // a failed run still has its rows
    OutputDir dir;
    t->prefs.output_format = 6;
    t->prefs.output_file_name.assign("main.txt");
    EXPECT_TRUE(writebol(*t));
    std::set<std::string> want(std::begin(kFixedFiles), std::end(kFixedFiles));
    want.insert({"N2_Elastic.lut", "N2_Excitation_11.03_eV.lut"});
    EXPECT_EQ(files_in(dir.path()), want);  // no main file
    for (const std::string& f : want) {
        test::keep_for_review("lookup/" + f, dir.read(f));
        EXPECT_EQ(dir.read(f), test::fixture("lookup/" + f)) << f;
    }
}

TEST(LookupFiles, NoRunNoCollision) {
    auto t = test::labelled_tables();
    OutputDir dir;
    {
        std::ofstream old(dir.path() / "energy.lut");
        old << "old content that must go\n";
    }
    t->prefs.output_format = 6;
    EXPECT_TRUE(writebol(*t));
    const std::set<std::string> want(std::begin(kFixedFiles), std::end(kFixedFiles));
    EXPECT_EQ(files_in(dir.path()), want);
    EXPECT_EQ(dir.read("energy.lut"), "XMultiplicator\t1E-21*V*m^2\nYMultiplicator\teV\nXYData {\n}\n");
    EXPECT_EQ(dir.read("diffusion.lut"), "XMultiplicator\teV\nYMultiplicator\tm^-1*s^-1\nXYData {\n}\n");
}

// The later collision keeps the plain name, with the same file as when
// the names differ; the earlier one is written beside it under its number.
TEST(LookupFiles, SameNameLaterCollisionKeepsItTheEarlierAddsItsNumber) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->col.collision_name[1].assign("C1    N2    Excitation    11.03 eV");
    OutputDir dir;
    write_lookup_files(*t);
    std::set<std::string> want(std::begin(kFixedFiles), std::end(kFixedFiles));
    want.insert({"N2_Excitation_11.03_eV_C1.lut", "N2_Excitation_11.03_eV.lut"});
    EXPECT_EQ(files_in(dir.path()), want);
    EXPECT_EQ(dir.read("N2_Excitation_11.03_eV.lut"), test::fixture("lookup/N2_Excitation_11.03_eV.lut"));
    EXPECT_EQ(dir.read("N2_Excitation_11.03_eV_C1.lut"), test::fixture("lookup/N2_Elastic.lut"));
}

TEST(LookupFiles, OpenErrorStopsAndKeepsEarlierFiles) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    OutputDir dir;
    fs::create_directory(dir.path() / "diffusion.lut");  // cannot be opened as a file
    t->prefs.output_format = 6;
    try {
        writebol(*t);
        FAIL() << "no stop";
    } catch (const ProgramStop& s) {
        EXPECT_EQ(s.exit_status, kLookupFileExitStatus);
        EXPECT_NE(s.message.find("open error"), std::string::npos) << s.message;
        EXPECT_NE(s.message.find("diffusion.lut"), std::string::npos) << s.message;
        EXPECT_EQ(s.message.find('\n'), std::string::npos);
    }
    EXPECT_EQ(dir.read("energy.lut"), test::fixture("lookup/energy.lut"));
    EXPECT_EQ(dir.read("mobility.lut"), test::fixture("lookup/mobility.lut"));
    EXPECT_FALSE(fs::exists(dir.path() / "elastic_power.lut"));
    EXPECT_FALSE(fs::exists(dir.path() / "N2_Elastic.lut"));
}

TEST(LookupFiles, WriteErrorStops) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    auto t = test::labelled_tables();
    test::fill_model(*t);
    OutputDir dir;
    fs::create_symlink("/dev/full", dir.path() / "N2_Elastic.lut");
    try {
        write_lookup_files(*t);
        FAIL() << "no stop";
    } catch (const ProgramStop& s) {
        EXPECT_EQ(s.exit_status, kLookupFileExitStatus);
        EXPECT_NE(s.message.find("N2_Elastic.lut"), std::string::npos) << s.message;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "N2_Excitation_11.03_eV.lut"));
}

}  // namespace
}  // namespace kestor
