// Layout 5: the E/p export blocks.
#include <gtest/gtest.h>

#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::body;
using test::kModelHeaderRecords;

TEST(EpExport, AttachmentAndIonizationFlags) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->num.collision_count = 4;
    t->col.collision_kind[3] = kIonization;
    t->col.collision_kind[4] = kAttachment;  // its coefficient is 0 in every run
    t->run.run_results[1][kResTownsendAlpha] = 1e-22;
    t->run.run_results[2][kResTownsendAlpha] = 2e-22;
    const auto b = body(test::write_records(*t, 5), kModelHeaderRecords);
    ASSERT_EQ(b.size(), 3u + 4u * 5u);
    EXPECT_EQ(b[1], "3,1,1");
    EXPECT_EQ(b[13], " ionization_coefficient");
    EXPECT_EQ(b[16], "   3.2180000E-02  6.4360000E-02");  // alpha/N * 3.218e20
    EXPECT_EQ(b[18], " attachment_coefficient");
    EXPECT_EQ(b[19], "            2");
    EXPECT_EQ(b[20], "   0.0000000E+00   64.36000    ");  // constant: written at x = 0
    EXPECT_EQ(b[21], "   0.0000000E+00  0.0000000E+00");
    EXPECT_EQ(b[22], "");
}

TEST(EpExport, NoSelectedRun) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->sel.run_selected[1] = t->sel.run_selected[2] = 0;
    const auto b = body(test::write_records(*t, 5), kModelHeaderRecords);
    const std::vector<std::string> want = {" N2", "1,0,0", "",
                                           " electron_mobility", "            0", "", "", "",
                                           " mean_electron_energy", "            0", "", "", "",
                                           " ionization_coefficient", "            0", "", "", ""};
    EXPECT_EQ(b, want);
}

TEST(EpExport, FirstRunBeyondLimitWritesNoPoint) {
    auto t = test::labelled_tables();
    test::fill_model(*t);
    t->run.run_conditions[1][kCondEN] = 20000.0;  // 6436 V/(cm Torr); run 2 at 64.36
    // the ionization block is constant (0 in both runs): nothing either
    const auto b = body(test::write_records(*t, 5), kModelHeaderRecords);
    ASSERT_EQ(b.size(), 3u + 3u * 5u);
    for (int blk = 0; blk < 3; ++blk) {
        EXPECT_EQ(b[3 + 5 * blk + 1], "            0");
        EXPECT_EQ(b[3 + 5 * blk + 2], "");
        EXPECT_EQ(b[3 + 5 * blk + 3], "");
    }
}

TEST(EpExport, SelectionAboveZeroCountsAndRecordsWrapAtFive) {
    auto t = test::labelled_tables();
    t->num.species_count = 1;
    t->sp.species_name[1].assign("Ar");
    t->num.run_count = 7;
    for (int r = 1; r <= 7; ++r) {
        t->run.run_conditions[r][kCondEN] = 10.0 * r;
        t->run.run_results[r][kResMeanEnergy] = r;  // doubles, then grows by >10 % each run
        t->sel.run_selected[r] = r == 4 ? 0 : 2;
    }
    const auto b = body(test::write_records(*t, 5), 2 + 3 + 3);
    ASSERT_EQ(b.size(), 3u + 5u + 7u + 5u);
    EXPECT_EQ(b[0], " Ar");
    EXPECT_EQ(b[8], " mean_electron_energy");
    EXPECT_EQ(b[9], "            6");
    EXPECT_EQ(b[10], "    3.218000       6.436000       9.653999       16.09000       19.30800    ");
    EXPECT_EQ(b[11], "    22.52600    ");
    EXPECT_EQ(b[12], "    1.000000       2.000000       3.000000       5.000000       6.000000    ");
    EXPECT_EQ(b[13], "    7.000000    ");
}

TEST(EpExport, NoSpeciesWritesBlankName) {
    auto t = test::labelled_tables();
    const auto b = body(test::write_records(*t, 5), 5);
    ASSERT_GE(b.size(), 2u);
    EXPECT_EQ(b[0], " ");
    EXPECT_EQ(b[1], "1,0,0");
}

}  // namespace
}  // namespace kestor
