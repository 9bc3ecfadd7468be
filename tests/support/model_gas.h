// Model gases written straight into the tables: species with their mole
// fractions in a run, and collision processes with their cross-section
// tables, given as a few points or as a function sampled at log-spaced
// energies (densely enough that the linear interpolation does not matter).
#pragma once

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "common/tables.h"
#include "solver/constants.h"

namespace kestor::test {

constexpr int kRun = 1;  // the run row the builders fill

// A process apart from its table: its kind, the energy it takes (eV) and,
// for elastic momentum transfer, the electron/target mass ratio. Written
// with the names, {.kind = kElastic, .mass_ratio = 1e-4}, so that the two
// numbers cannot change places.
struct Process {
    int kind = kElastic;
    double threshold = 0.0;
    double mass_ratio = 0.0;
};

using Points = std::vector<std::pair<double, double>>;  // (energy eV, cross section m2)
using CrossSection = std::function<double(double)>;

inline int add_species(Tables& t, double fraction = 1.0, int run = kRun) {
    const int s = ++t.num.species_count;
    t.run.run_gas_fractions[run][s] = fraction;
    return s;
}

// Fills the table of slot k from (energy, cross section) points.
inline void set_table(Tables& t, int k, const Points& points) {
    int p = 0;
    for (const auto& [e, q] : points) {
        t.col.cs_energy[k][p] = e;
        t.col.cs_value[k][p] = q;
        ++p;
    }
    t.col.cs_npoints[k] = p;
    // Points beyond the count hold what an unread point holds.
    for (int i = p; i < p + 3 && i < kMaxCsPoints; ++i) t.col.cs_value[k][i] = -1.0;
}

// The process in slot k, without its table, with statistical weights 1.
inline void set_process(Tables& t, int k, int s, const Process& p) {
    t.col.collision_kind[k] = p.kind;
    t.col.collision_species[k] = s;
    t.col.collision_threshold[k] = p.threshold;
    t.col.collision_mass_ratio[k] = p.mass_ratio;
    t.col.lower_level_weight[k] = 1.0;
    t.col.upper_level_weight[k] = 1.0;
}

// A process of species s in slot k (a visible one when k = collision_count + 1).
inline int add_collision_at(Tables& t, int k, int s, const Process& p, const Points& points) {
    set_process(t, k, s, p);
    set_table(t, k, points);
    return k;
}

// The next visible process of species s.
inline int add_collision(Tables& t, int s, const Process& p, const Points& points) {
    return add_collision_at(t, ++t.num.collision_count, s, p, points);
}

// The same with sigma sampled at `points` log-spaced energies from e_lo to
// the top of the tables (e_lo is the threshold of an inelastic process, the
// table starting there).
inline int add_collision(Tables& t, int s, const Process& p, const CrossSection& sigma, double e_lo = 1e-3,
                         int points = 1000) {
    Points table;
    const double e_hi = kTableUpperEnergy;
    const double ratio = std::log(e_hi / e_lo) / (points - 1);
    for (int i = 0; i < points; ++i) {
        const double e = i == points - 1 ? e_hi : e_lo * std::exp(ratio * i);
        table.emplace_back(e, sigma(e));
    }
    return add_collision(t, s, p, table);
}

// The m-th grouped process (slot 4004 - m).
inline int add_grouped(Tables& t, int s, const Process& p, const Points& points) {
    const int m = ++t.num.grouped_collision_count;
    return add_collision_at(t, kMaxCollisions + 1 - m, s, p, points);
}

// A constant elastic cross section q (m2) over the whole table.
inline int add_elastic(Tables& t, int s, double q = 1e-19, double mass_ratio = 1e-4) {
    return add_collision(t, s, {.kind = kElastic, .mass_ratio = mass_ratio}, {{0.0, q}, {kTableUpperEnergy, q}});
}

// Constant collision frequency K N: sigma = K/(gamma sqrt(eps)).
inline CrossSection constant_frequency(double k_rate) {
    return [k_rate](double e) { return k_rate / (kGamma * std::sqrt(e)); };
}

inline CrossSection constant_value(double q) {
    return [q](double) { return q; };
}

}  // namespace kestor::test
