// The common header, the main file and the writer's status.
#include <gtest/gtest.h>

#include <filesystem>

#include "output/writebol.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::OutputDir;
using test::split_lines;

std::string name64(const std::string& s) { return s + std::string(64 - s.size(), ' '); }

TEST(Header, TwoSpeciesWithLevelsAndMultiLineReference) {
    auto t = test::labelled_tables();
    t->num.species_count = 2;
    t->sp.species_name[1].assign("N2");
    t->sp.species_reference[1].assign("n2.txt\r\nHow to reference in publications: A. Author");
    t->sp.species_name[2].assign("O2");  // blank reference, three levels
    t->sp.rot_level_count[2] = 3;
    const double e[4] = {0, 0.0, 0.01, 0.03}, w[4] = {0, 1, 5, 9};
    for (int l = 1; l <= 3; ++l) {
        t->sp.rot_level_energy[2][l] = e[l];
        t->sp.rot_level_weight[2][l] = w[l];
    }
    OutputDir dir;
    t->prefs.output_file_name.assign("h.txt");
    t->prefs.output_format = 0;
    ASSERT_TRUE(writebol(*t));
    const std::string want = "KESTOR+ version: 03/2016\n"
                             "Collision input data:\n" +
                             std::string(50, '-') + "\n" + name64("N2") + "\n" +
                             "n2.txt\r\nHow to reference in publications: A. Author\n" + std::string(50, '-') + "\n" +
                             name64("O2") + "\n" + "\n" + "Rotational states:\n" +
                             "  1   0.000       1.000    \n"
                             "  2  0.1000E-01   5.000    \n"
                             "  3  0.3000E-01   9.000    \n"
                             "\n\n\n";
    EXPECT_EQ(dir.read("h.txt"), want);
}

TEST(Header, NoSpeciesGivesFiveRecords) {
    auto t = test::labelled_tables();
    bool written = false;
    const auto lines = test::write_records(*t, 8, &written);
    EXPECT_TRUE(written);
    EXPECT_EQ(lines, (std::vector<std::string>{"KESTOR+ version: 03/2016", "Collision input data:", "", "", ""}));
}

// Codes outside 1..7 write the header and report success.
class HeaderOnly : public ::testing::TestWithParam<int> {};

TEST_P(HeaderOnly, WritesHeaderOnly) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    bool written = false;
    const auto lines = test::write_records(*t, GetParam(), &written);
    EXPECT_TRUE(written);
    EXPECT_EQ(lines.size(), test::kModelHeaderRecords);
}

INSTANTIATE_TEST_SUITE_P(Writer, HeaderOnly, ::testing::Values(0, 8, -1, 1000000));

TEST(MainFile, CannotBeOpenedGivesStatusOneAndCreatesNothing) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    OutputDir dir;
    t->prefs.output_format = 1;
    t->prefs.output_file_name.assign("missing/out.txt");
    EXPECT_FALSE(writebol(*t));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
    std::filesystem::create_directory(dir.path() / "adir");
    t->prefs.output_file_name.assign("adir");
    EXPECT_FALSE(writebol(*t));
    t->prefs.output_file_name.blank();
    EXPECT_FALSE(writebol(*t));
}

TEST(MainFile, FailedWritesAreReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->prefs.output_format = 7;
    t->prefs.output_file_name.assign("/dev/full");
    EXPECT_FALSE(writebol(*t));
}

TEST(MainFile, ReplacesEarlierContent) {
    auto t = test::labelled_tables();
    OutputDir dir;
    {
        std::ofstream old(dir.path() / "out.txt");
        old << std::string(10000, 'x') << "\n";
    }
    t->prefs.output_file_name.assign("out.txt");
    t->prefs.output_format = 0;
    ASSERT_TRUE(writebol(*t));
    EXPECT_EQ(dir.read("out.txt"), "KESTOR+ version: 03/2016\nCollision input data:\n\n\n\n");
}

TEST(MainFile, NameWithTrailingBlanksIsTrimmed) {
    auto t = test::labelled_tables();
    OutputDir dir;
    t->prefs.output_file_name.assign("out.txt   ");
    t->prefs.output_format = 0;
    ASSERT_TRUE(writebol(*t));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out.txt"));
}

}  // namespace
}  // namespace kestor
