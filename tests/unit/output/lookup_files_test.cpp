// Layout 6: lookup-table files and their names.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

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

TEST(LookupFiles, SameNameLaterCollisionWins) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->col.collision_name[1].assign("C1    N2    Excitation    11.03 eV");
    OutputDir dir;
    write_lookup_files(*t);
    EXPECT_EQ(dir.read("N2_Excitation_11.03_eV.lut"), test::fixture("lookup/N2_Excitation_11.03_eV.lut"));
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
