// Real data files from public databases, when they are beside the checkout
// (KESTOR_SHARED_DATA); each test skips when its file is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "collisions/readcs.h"
#include "reader_test_util.h"

namespace kestor {
namespace {

using test::load;

std::string shared_file(const std::string& name) {
    return (std::filesystem::path(KESTOR_SHARED_DATA) / name).string();
}

// Every completed table starts at zero energy and reaches 10000 eV, and
// its cross sections are not negative.
void expect_completed_tables(const Tables& t, int first, int last) {
    for (int k = first; k <= last; ++k) {
        const int n = t.col.cs_npoints[k];
        ASSERT_GE(n, 2) << k;
        ASSERT_LT(n, kMaxCsPoints) << k;
        EXPECT_EQ(t.col.cs_energy[k][0], 0.0) << k;
        EXPECT_GE(t.col.cs_energy[k][n - 1], 10000.0) << k;
        for (int j = 0; j < n; ++j) {
            EXPECT_GE(t.col.cs_value[k][j], 0.0) << k << " " << j;
            if (j > 0) {
                EXPECT_GE(t.col.cs_energy[k][j], t.col.cs_energy[k][j - 1]) << k << " " << j;
            }
        }
    }
}

struct SpeciesCount {
    const char* name;
    int collisions;
    int attachments;
};

TEST(SharedData, MultiSpeciesFileLoadsEverySpecies) {
    const std::string file = shared_file("Phelps_multi-species_LXCat_2020-02-18.txt");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared data file " << file;
    const SpeciesCount species[] = {
        {"Ar", 3, 0},  {"CO", 18, 0}, {"CO2", 14, 1}, {"H2", 17, 0}, {"H2O", 10, 1}, {"He", 3, 0},  {"Mg", 4, 0},
        {"N2", 26, 0}, {"Na", 7, 0},  {"Ne", 8, 0},   {"NO", 10, 0}, {"O2", 17, 2},  {"SF6", 9, 3},
    };
    auto tables = make_tables();
    Tables& t = *tables;
    int isp = 0;
    for (const SpeciesCount& s : species) {
        const int c0 = t.num.collision_count;
        load(t, file, ++isp, s.name);
        EXPECT_EQ(t.num.collision_count - c0, s.collisions) << s.name;
        int attachments = 0;
        int momentum = 0;
        for (int k = c0 + 1; k <= t.num.collision_count; ++k) {
            EXPECT_EQ(t.col.collision_species[k], isp);
            if (t.col.collision_kind[k] == kAttachment) {
                ++attachments;
                EXPECT_EQ(t.col.collision_threshold[k], 0.0) << s.name;
            }
            if (t.col.collision_kind[k] == kElastic) {
                ++momentum;
                EXPECT_GT(t.col.collision_mass_ratio[k], 0.0) << s.name;
            }
        }
        EXPECT_EQ(attachments, s.attachments) << s.name;
        EXPECT_EQ(momentum, 1) << s.name;
        EXPECT_EQ(t.sp.species_effective_flag[isp], 1) << s.name;
        expect_completed_tables(t, c0 + 1, t.num.collision_count);
        // No carriage return of the file's line ends is left in the text.
        const std::string ref = t.sp.species_reference[isp].trimmed();
        EXPECT_EQ(ref.find('\r') == std::string::npos, ref == file) << s.name;
    }
    EXPECT_EQ(t.num.grouped_collision_count, 0);
}

// A single-species file: its blocks by kind, all ELASTIC (not EFFECTIVE).
struct SingleSpeciesFile {
    const char* file;
    const char* species;
    int elastic, excitation, ionization;
};

void PrintTo(const SingleSpeciesFile& c, std::ostream* os) { *os << c.file; }

class SingleSpecies : public ::testing::TestWithParam<SingleSpeciesFile> {};

TEST_P(SingleSpecies, FileLoadsWhole) {
    const SingleSpeciesFile& c = GetParam();
    const std::string file = shared_file(c.file);
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared data file " << file;
    auto tables = make_tables();
    Tables& t = *tables;
    load(t, file, 1, c.species);
    ASSERT_EQ(t.num.collision_count, c.elastic + c.excitation + c.ionization);
    EXPECT_EQ(t.num.grouped_collision_count, 0);
    int elastic = 0, excitation = 0, ionization = 0;
    for (int k = 1; k <= t.num.collision_count; ++k) {
        EXPECT_EQ(t.col.collision_species[k], 1) << k;
        switch (t.col.collision_kind[k]) {
            case kElastic:
                ++elastic;
                EXPECT_GT(t.col.collision_mass_ratio[k], 0.0) << k;
                break;
            case kExcitation:
                ++excitation;
                EXPECT_GT(t.col.collision_threshold[k], 0.0) << k;
                break;
            case kIonization:
                ++ionization;
                EXPECT_GT(t.col.collision_threshold[k], 0.0) << k;
                break;
            default:
                ADD_FAILURE() << "collision " << k << " of kind " << t.col.collision_kind[k];
        }
    }
    EXPECT_EQ(elastic, c.elastic);
    EXPECT_EQ(excitation, c.excitation);
    EXPECT_EQ(ionization, c.ionization);
    EXPECT_EQ(t.sp.species_effective_flag[1], 0);
    EXPECT_EQ(t.sp.species_reference[1].trimmed().rfind(file, 0), 0u);
    expect_completed_tables(t, 1, t.num.collision_count);
}

const SingleSpeciesFile kSingleSpeciesFiles[] = {
    {"N2_Phelps_LXCat_2016-01-14.txt", "N2", 1, 23, 2},
    {"Ar_Puech_LXCat_2026-04-25.txt", "Ar", 1, 40, 1},
    {"CH4_Community+Morgan_elastic_LXCat_2024-12-30.txt", "CH4", 2, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(SharedData, SingleSpecies, ::testing::ValuesIn(kSingleSpeciesFiles),
                         [](const auto& info) { return std::string(info.param.species); });

}  // namespace
}  // namespace kestor
