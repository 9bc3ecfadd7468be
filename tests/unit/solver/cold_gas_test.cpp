// Whole runs in a gas at 0 K whose upper levels are populated at an
// excitation temperature: the superelastic collisions from those levels
// carry electrons into the tail of the distribution. Without a gas
// temperature the levels follow the excitation temperature alone, and the
// transition energy plays no part.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "solver_case.h"
#include "solver/solvebol.h"
#include "tests/support/full_precision.h"

namespace kestor {
namespace {

using test::expect_full_precision;
using test::SolverCase;

// Elastic scattering, an excitation of 2 eV to an upper level of weight 3,
// and two rotations J -> J + 2 of a rigid rotor of 2.5 meV, the second
// grouped under the first, with the rotor's lowest eight levels.
void excited_gas(SolverCase& m) {
    Tables& t = m.t;
    const int s = test::add_species(t);
    test::add_elastic(t, s, 1e-19, 2e-5);
    const int x = test::add_collision(t, s, {.kind = kExcitation, .threshold = 2.0},
                                      {{0.0, 0.0}, {2.0, 0.0}, {3.0, 1e-20}, {1e4, 1e-20}});
    t.col.upper_level_weight[x] = 3.0;
    t.col.upper_level_energy[x] = 2.0;

    constexpr double kB = 2.5e-3;
    auto level = [](int j) { return kB * j * (j + 1); };
    t.sp.rot_level_count[s] = 8;
    for (int l = 1; l <= 8; ++l) {
        t.sp.rot_level_energy[s][l] = level(l - 1);
        t.sp.rot_level_weight[s][l] = 2.0 * l - 1.0;
    }
    int leader = 0;
    for (int j = 0; j < 2; ++j) {
        const double thr = level(j + 2) - level(j);
        const test::Points table = {{0.0, 0.0}, {thr, 0.0}, {1.0, 5e-21}, {1e4, 1e-21}};
        const int k = j == 0 ? test::add_collision(t, s, {.kind = kRotation, .threshold = thr}, table)
                             : test::add_grouped(t, s, {.kind = kRotation, .threshold = thr}, table);
        if (j == 0) leader = k;
        t.col.collision_group[k] = leader;
        t.col.lower_level_energy[k] = level(j);
        t.col.upper_level_energy[k] = level(j + 2);
        t.col.lower_level_weight[k] = 2.0 * j + 1.0;
        t.col.upper_level_weight[k] = 2.0 * j + 5.0;
    }
}

struct Cell {
    double energy;  // eV
    double eedf;    // eV^-3/2
};

struct ColdGasCase {
    std::string what;
    double tx_kelvin;
    double transition;       // eV
    double emax;             // the final grid's top
    std::vector<Cell> tail;  // the last cells of the distribution
};

void PrintTo(const ColdGasCase& c, std::ostream* os) { *os << c.what; }

class ColdGasTail : public ::testing::TestWithParam<ColdGasCase> {};

TEST_P(ColdGasTail, FollowsTheExcitationTemperature) {
    const ColdGasCase& c = GetParam();
    constexpr int kCells = 200;
    SolverCase m;
    excited_gas(m);
    test::set_conditions(m, 5.0, kCells);
    m.cond(kCondGasTemp) = 0.0;
    m.cond(kCondExcTemp) = c.tx_kelvin;
    m.cond(kCondTransitionEnergy) = c.transition;
    solvebol(m.t, m.w, test::kRun);
    ASSERT_EQ(m.result(kResStatus), kStatusSuccess) << c.what;
    expect_full_precision(m.result(kResMaxEnergy), c.emax, c.what + ", maximum energy");
    const int first = kCells - static_cast<int>(c.tail.size()) + 1;
    for (int j = first; j <= kCells; ++j) {
        const Cell& cell = c.tail[static_cast<std::size_t>(j - first)];
        const std::string at = c.what + ", cell " + std::to_string(j);
        expect_full_precision(m.t.run.run_eedf_energy[test::kRun][j], cell.energy, at + " energy");
        expect_full_precision(m.t.run.run_eedf[test::kRun][j], cell.eedf, at + " distribution");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ColdGasTail,
    ::testing::Values(
        ColdGasCase{"3000 K, transition at 0.1 eV", 3000.0, 0.1, 7.3976608781283115,
                    {{7.2682019362228516, 3.6653829073442114e-11},
                     {7.3051902053386968, 3.4628311811539863e-11},
                     {7.3421784744545429, 3.3015401899442963e-11},
                     {7.3791667435703889, 3.1840675806410752e-11}}},
        // The same run to the last bit.
        ColdGasCase{"3000 K, no transition energy", 3000.0, 0.0, 7.3976608781283115,
                    {{7.2682019362228516, 3.6653829073442114e-11},
                     {7.3051902053386968, 3.4628311811539863e-11},
                     {7.3421784744545429, 3.3015401899442963e-11},
                     {7.3791667435703889, 3.1840675806410752e-11}}},
        // The grid reaches the excitation temperature times 1 - ln(precision).
        ColdGasCase{"10000 K, transition at 1 eV", 10000.0, 1.0, 20.704339576993174,
                    {{20.158033315724829, 9.7650716927659954e-11},
                     {20.313470913852491, 7.9935787629205559e-11},
                     {20.469443727938163, 6.5394668085530669e-11},
                     {20.625951757981838, 5.3391830049493576e-11}}}),
    [](const ::testing::TestParamInfo<ColdGasCase>& i) { return "case" + std::to_string(i.index); });

}  // namespace
}  // namespace kestor
