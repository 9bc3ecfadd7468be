// The labels of the conditions and results, in the order of their
// kCond* and kRes* indices.
#include "driver/labels.h"

#include <string_view>

namespace kestor {

namespace {

constexpr std::string_view kConditionLabels[kNumConditions] = {
    "Electric field / N (Td)",
    "Angular frequency / N (m3/s)",
    "Cosine of E-B field angle",
    "Gas temperature (K)",
    "Excitation temperature (K)",
    "Transition energy (eV)",
    "Ionization degree",
    "Plasma density (1/m3)",
    "Ion charge parameter",
    "Ion/neutral mass ratio",
    "e-e momentum effects",
    "Energy sharing",
    "Growth model",
    "Maxwellian mean energy (eV)",
    "# of grid points",
    "Grid type",
    "Maximum energy",
    "Precision",
    "Convergence",
    "Maximum # of iterations",
};

// An empty text leaves the result without a label (never shown or written).
constexpr std::string_view kResultLabels[kNumResults] = {
    "Mean energy (eV)",
    "Mobility *N (1/m/V/s)",
    "Re/perp mobility *N (1/m/V/s)",
    "Im/Hall mobility *N (1/m/V/s)",
    "Bulk mobility *N (1/m/V/s)",
    "Diffusion coefficient *N (1/m/s)",
    "Longitud. diffusion coef. *N (1/m/s)",
    "Bulk T diffusion coef. *N (1/m/s)",
    "Bulk L diffusion coef. *N (1/m/s)",
    "",
    "Energy mobility *N (1/m/V/s)",
    "Energy diffusion coef. D*N (1/m/s)",
    "Total collision freq. /N (m3/s)",
    "Momentum frequency /N (m3/s)",
    "e-i momentum frequency /N (m3/s)",
    "Total ionization freq. /N (m3/s)",
    "Total attachment freq. /N (m3/s)",
    "Townsend ioniz. coef. alpha/N (m2)",
    "Townsend attach. coef. eta/N (m2)",
    "Power /N (eV m3/s)",
    "Elastic power loss /N (eV m3/s)",
    "Inelastic power loss /N (eV m3/s)",
    "Growth power /N (eV m3/s)",
    "e-i power loss /N (eV m3/s)",
    "Coulomb logarithm",
    "",
    "Maximum energy",
    "# of iterations",
    "# of grid trials",
    "Error code",
};

static_assert(kConditionLabels[kCondEN - 1] == "Electric field / N (Td)");
static_assert(kConditionLabels[kCondGrowthModel - 1] == "Growth model");
static_assert(kConditionLabels[kCondMaxIterations - 1] == "Maximum # of iterations");
static_assert(kResultLabels[kResMeanEnergy - 1] == "Mean energy (eV)");
static_assert(kResultLabels[kResUnused10 - 1].empty() && kResultLabels[kResUnused26 - 1].empty());
static_assert(kResultLabels[kResMaxEnergy - 1] == "Maximum energy");
static_assert(kResultLabels[kResStatus - 1] == "Error code");

}  // namespace

void setlabels(Tables& t) {
    for (int j = 1; j <= kNumResults; ++j) t.labels.result_labels[j].blank();
    for (int j = 1; j <= kNumResults; ++j)
        if (!kResultLabels[j - 1].empty()) t.labels.result_labels[j].assign(kResultLabels[j - 1]);
    for (int j = 1; j <= kNumConditions; ++j) t.labels.condition_labels[j].assign(kConditionLabels[j - 1]);
}

}  // namespace kestor
