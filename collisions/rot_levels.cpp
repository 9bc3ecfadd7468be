#include "collisions/rot_levels.h"

#include <algorithm>
#include <cstddef>

namespace kestor {
namespace {

// Single-precision constants of the grouping, widened to double.
constexpr double kTakenMarker = 1.0000000272564224e16;         // energy of an entry already grouped
constexpr double kAllTakenTest = 999999986991104.0;             // lowest above this: all grouped
constexpr double kFirstLevelWidth = 1.0000000168623835e-16;     // the first level takes equal energies
constexpr double kGapFraction = 0.009999999776482582;           // share of the gap to the previous level

double lowest_energy(const LevelEntries& e) {
    return *std::min_element(e.energy.begin(), e.energy.end());
}

}  // namespace

void build_rot_levels(SpeciesTables& sp, int isp, LevelEntries& entries) {
    if (entries.energy.empty()) return;
    // The level populations need every level: a table cut short would put
    // the whole population into its lowest levels.
    int count = 0;
    for (int l = 1; l <= kMaxRotLevels; ++l) {
        const double e = lowest_energy(entries);
        if (e > kAllTakenTest) break;
        sp.rot_level_energy[isp][l] = e;
        // Entries within one hundredth of the gap to the previous level
        // belong to this level.
        const double limit = l == 1 ? e + kFirstLevelWidth
                                    : e + kGapFraction * (e - sp.rot_level_energy[isp][l - 1]);
        bool any = false;
        double w = 0.0;
        for (std::size_t i = 0; i < entries.energy.size(); ++i) {
            if (!(entries.energy[i] <= limit)) continue;
            w = any ? std::max(w, entries.weight[i]) : entries.weight[i];
            any = true;
            entries.energy[i] = kTakenMarker;
        }
        sp.rot_level_weight[isp][l] = w;
        count = l;
    }
    sp.rot_level_count[isp] = count;
}

}  // namespace kestor
