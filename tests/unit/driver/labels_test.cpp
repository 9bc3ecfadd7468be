// The label tables set at start-up.
#include <gtest/gtest.h>

#include <string>

#include "common/tables.h"
#include "driver/labels.h"

namespace kestor {
namespace {

TEST(Labels, ConditionAndResultTexts) {
    auto t = make_tables();
    t->labels.result_labels[10].assign("stale");
    setlabels(*t);
    const auto& l = t->labels;
    EXPECT_EQ(l.condition_labels[1].trimmed(), "Electric field / N (Td)");
    EXPECT_EQ(l.condition_labels[10].trimmed(), "Ion/neutral mass ratio");
    EXPECT_EQ(l.condition_labels[20].trimmed(), "Maximum # of iterations");
    EXPECT_EQ(l.result_labels[1].trimmed(), "Mean energy (eV)");
    EXPECT_EQ(l.result_labels[9].trimmed(), "Bulk L diffusion coef. *N (1/m/s)");
    EXPECT_EQ(l.result_labels[11].trimmed(), "Energy mobility *N (1/m/V/s)");
    EXPECT_EQ(l.result_labels[25].trimmed(), "Coulomb logarithm");
    EXPECT_EQ(l.result_labels[30].trimmed(), "Error code");
    // Results 10 and 26 have no label; condition 17 and result 27 share one.
    EXPECT_EQ(l.result_labels[10].full(), std::string(64, ' '));
    EXPECT_EQ(l.result_labels[26].full(), std::string(64, ' '));
    EXPECT_EQ(l.condition_labels[17].full(), l.result_labels[27].full());
    EXPECT_EQ(l.result_labels[27].trimmed(), "Maximum energy");
    for (int j = 1; j <= 20; ++j) EXPECT_FALSE(l.condition_labels[j].is_blank()) << j;
    for (int j = 1; j <= 30; ++j)
        EXPECT_EQ(l.result_labels[j].is_blank(), j == 10 || j == 26) << j;
}

}  // namespace
}  // namespace kestor
