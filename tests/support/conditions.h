// The 20 conditions of a test run: one set of base values, and the changes
// that each kind of test makes to it, as numbers for a run row or as the
// entries of a CONDITIONS block.
#pragma once

#include <array>
#include <charconv>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "common/tables.h"

namespace kestor::test {

using ConditionRow = std::array<double, kNumConditions + 1>;                 // [kCond*], entry 0 unused
using ConditionChanges = std::initializer_list<std::pair<int, double>>;  // {kCond*, value}

// Every condition 0 except what any computed run needs (an ion/neutral mass
// ratio of 1, precision 1e-10, convergence 1e-4, at most 200 iterations),
// then the changes.
inline ConditionRow condition_row(ConditionChanges changes) {
    ConditionRow c{};
    c[kCondIonMassRatio] = 1.0;
    c[kCondPrecision] = 1e-10;
    c[kCondConvergence] = 1e-4;
    c[kCondMaxIterations] = 200.0;
    for (const auto& [j, v] : changes) c[static_cast<std::size_t>(j)] = v;
    return c;
}

// The same into the row of run `run`.
inline void set_conditions(Tables& t, int run, ConditionChanges changes) {
    const ConditionRow c = condition_row(changes);
    for (int j = 1; j <= kNumConditions; ++j) t.run.run_conditions[run][j] = c[static_cast<std::size_t>(j)];
}

// The same as the 20 entries of a CONDITIONS block, each the shortest
// number text that reads back as the same value.
inline std::vector<std::string> condition_entries(ConditionChanges changes) {
    const ConditionRow c = condition_row(changes);
    std::vector<std::string> entries;
    for (int j = 1; j <= kNumConditions; ++j) {
        char text[32];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, c[static_cast<std::size_t>(j)]);
        entries.emplace_back(text, ec == std::errc() ? end : text);
    }
    return entries;
}

}  // namespace kestor::test
