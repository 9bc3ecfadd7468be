// Small hand-written collision sets and run rows for the set-up, grid and
// collision-integral tests.
#pragma once

#include <initializer_list>
#include <utility>

#include "common/tables.h"
#include "common/zeroed.h"
#include "solver/work.h"

namespace kestor::test {

constexpr int kTestRun = 1;

struct SolverCase {
    ZeroedPtr<Tables> tables = make_tables();
    ZeroedPtr<SolverWork> work = make_solver_work();
    Tables& t = *tables;
    SolverWork& w = *work;
    double& cond(int c) { return t.run.run_conditions[kTestRun][c]; }
};

inline int add_species(Tables& t, double fraction = 1.0) {
    const int s = ++t.num.species_count;
    t.run.run_gas_fractions[kTestRun][s] = fraction;
    return s;
}

// Fills the table of slot k from (energy, cross section) points.
inline void set_table(Tables& t, int k, std::initializer_list<std::pair<double, double>> points) {
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

// A process in slot k (a visible one when k = collision_count + 1).
inline int add_collision_at(Tables& t, int k, int s, int kind, double threshold,
                            std::initializer_list<std::pair<double, double>> points,
                            double mass_ratio = 0.0) {
    t.col.collision_kind[k] = kind;
    t.col.collision_species[k] = s;
    t.col.collision_threshold[k] = threshold;
    t.col.collision_mass_ratio[k] = mass_ratio;
    t.col.lower_level_weight[k] = 1.0;
    t.col.upper_level_weight[k] = 1.0;
    set_table(t, k, points);
    return k;
}

inline int add_collision(Tables& t, int s, int kind, double threshold,
                         std::initializer_list<std::pair<double, double>> points, double mass_ratio = 0.0) {
    return add_collision_at(t, ++t.num.collision_count, s, kind, threshold, points, mass_ratio);
}

// The m-th grouped process (slot 4004 - m).
inline int add_grouped(Tables& t, int s, int kind, double threshold,
                       std::initializer_list<std::pair<double, double>> points) {
    const int m = ++t.num.grouped_collision_count;
    return add_collision_at(t, kMaxCollisions + 1 - m, s, kind, threshold, points);
}

// A constant elastic cross section q (m2) from 0 to 1e4 eV.
inline int add_elastic(Tables& t, int s, double q = 1e-19, double mass_ratio = 1e-4) {
    return add_collision(t, s, kElastic, 0.0, {{0.0, q}, {1e4, q}}, mass_ratio);
}

// Ordinary conditions of a run: 100 Td, 300 K, 100 cells of a linear grid
// to 20 eV, precision 1e-10.
inline void set_ordinary_conditions(SolverCase& c) {
    c.cond(kCondEN) = 100.0;
    c.cond(kCondCosEB) = 1.0;
    c.cond(kCondGasTemp) = 300.0;
    c.cond(kCondIonMassRatio) = 1.0;
    c.cond(kCondEnergySharing) = kSharingSecondaryAtZero;
    c.cond(kCondGridPoints) = 100.0;
    c.cond(kCondGridType) = kGridLinear;
    c.cond(kCondMaxEnergy) = 20.0;
    c.cond(kCondPrecision) = 1e-10;
    c.cond(kCondConvergence) = 1e-4;
    c.cond(kCondMaxIterations) = 100.0;
}

}  // namespace kestor::test
