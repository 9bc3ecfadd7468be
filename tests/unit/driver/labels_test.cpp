// The label tables set at start-up.
#include <gtest/gtest.h>

#include <string>

#include "common/tables.h"
#include "driver/labels.h"

namespace kestor {
namespace {

TEST(Labels, ConditionAndResultTexts) {
    auto t = make_tables();
    t->labels.result_labels[kResUnused10].assign("stale");
    setlabels(*t);
    const auto& l = t->labels;
    EXPECT_EQ(l.condition_labels[kCondEN].trimmed(), "Electric field / N (Td)");
    EXPECT_EQ(l.condition_labels[kCondIonMassRatio].trimmed(), "Ion/neutral mass ratio");
    EXPECT_EQ(l.condition_labels[kCondMaxIterations].trimmed(), "Maximum # of iterations");
    EXPECT_EQ(l.result_labels[kResMeanEnergy].trimmed(), "Mean energy (eV)");
    EXPECT_EQ(l.result_labels[kResBulkLongDiffusion].trimmed(), "Bulk L diffusion coef. *N (1/m/s)");
    EXPECT_EQ(l.result_labels[kResEnergyMobility].trimmed(), "Energy mobility *N (1/m/V/s)");
    EXPECT_EQ(l.result_labels[kResCoulombLog].trimmed(), "Coulomb logarithm");
    EXPECT_EQ(l.result_labels[kResStatus].trimmed(), "Error code");
    // Two result slots have no label; the maximum energy condition and result share one.
    EXPECT_EQ(l.result_labels[kResUnused10].full(), std::string(64, ' '));
    EXPECT_EQ(l.result_labels[kResUnused26].full(), std::string(64, ' '));
    EXPECT_EQ(l.condition_labels[kCondMaxEnergy].full(), l.result_labels[kResMaxEnergy].full());
    EXPECT_EQ(l.result_labels[kResMaxEnergy].trimmed(), "Maximum energy");
    for (int j = 1; j <= kNumConditions; ++j) EXPECT_FALSE(l.condition_labels[j].is_blank()) << j;
    for (int j = 1; j <= kNumResults; ++j)
        EXPECT_EQ(l.result_labels[j].is_blank(), j == kResUnused10 || j == kResUnused26) << j;
}

}  // namespace
}  // namespace kestor
