// Cross sections on the grid, the closed-form cell integrals and the walk
// that fills the collision integrals and scatter matrices.
#include "solver/cross_sections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include "solver_case.h"
#include "solver/grid.h"
#include "solver/walk_pieces.h"

namespace kestor {
namespace {

using test::add_collision;
using test::add_grouped;
using test::add_species;
using test::SolverCase;

// Composite 5-point Gauss-Legendre quadrature.
double quad(const std::function<double(double)>& f, double a, double b, int pieces = 200) {
    static const double x[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                                0.9061798459386640};
    static const double wt[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889,
                                 0.4786286704993665, 0.2369268850561891};
    const double h = (b - a) / pieces;
    double s = 0.0;
    for (int p = 0; p < pieces; ++p) {
        const double mid = a + (p + 0.5) * h;
        for (int i = 0; i < 5; ++i) s += wt[i] * f(mid + 0.5 * h * x[i]);
    }
    return s * 0.5 * h;
}

// --- table interpolation ---

TEST(TableCrossSection, LinearBetweenPointsAndExtendedBeyond) {
    SolverCase c;
    const int k = add_collision(c.t, add_species(c.t), {.kind = kExcitation, .threshold = 1.0},
                                {{0.0, 0.0}, {1.0, 0.0}, {3.0, 4e-20}, {5.0, 2e-20}});
    int cursor = 1;
    EXPECT_DOUBLE_EQ(table_cross_section(c.t, k, 4, 0.5, cursor), 0.0);
    EXPECT_DOUBLE_EQ(table_cross_section(c.t, k, 4, 2.0, cursor), 2e-20);
    EXPECT_DOUBLE_EQ(table_cross_section(c.t, k, 4, 3.0, cursor), 4e-20);
    EXPECT_DOUBLE_EQ(table_cross_section(c.t, k, 4, 4.5, cursor), 2.5e-20);
    EXPECT_DOUBLE_EQ(table_cross_section(c.t, k, 4, 6.0, cursor), 1e-20);  // last segment extended
    EXPECT_EQ(cursor, 3);
}

TEST(TableCrossSection, CursorGivesTheSameSegmentAsAFreshSearch) {
    SolverCase c;
    const int k = add_collision(c.t, add_species(c.t), {.kind = kElastic}, {{0.0, 1.0}});
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int np = 50;
    double e = 0.0;
    for (int p = 0; p < np; ++p) {
        c.t.col.cs_energy[k][p] = e;
        c.t.col.cs_value[k][p] = u(rng);
        e += p % 7 == 3 ? 0.0 : u(rng);  // some repeated energies
    }
    int cursor = 1;
    for (double x = 0.0; x < e + 2.0; x += 0.0137) {
        int fresh = 1;
        const double want = table_cross_section(c.t, k, np, x, fresh);
        ASSERT_EQ(table_cross_section(c.t, k, np, x, cursor), want) << x;
        ASSERT_EQ(cursor, fresh);
    }
}

// --- closed-form cell integrals ---

struct PieceCase {
    int slope_mode;
    double ea, eb, ec, g, f, alpha, beta;
    int shape;  // 0 flat, 1 linear, 2 exponential
};

std::ostream& operator<<(std::ostream& os, const PieceCase& p) {
    return os << "mode " << p.slope_mode << " [" << p.ea << ", " << p.eb << "] ec " << p.ec << " g " << p.g
              << " alpha " << p.alpha << " beta " << p.beta;
}

class CellIntegralPieces : public ::testing::TestWithParam<PieceCase> {};

TEST_P(CellIntegralPieces, MatchesQuadratureOfTheIntegrand) {
    const PieceCase& p = GetParam();
    auto shape = [&](double e) {
        if (p.shape == 1) return 1.0 - p.g * (e - p.ec);
        if (p.shape == 2) return std::exp(-p.g * (e - p.ec));
        return 1.0;
    };
    const double want = quad([&](double e) { return p.f * e * (p.alpha * e + p.beta) * shape(e); }, p.ea, p.eb);
    const double got = cell_integral(p.slope_mode, p.ea, p.eb, p.ec, p.g, p.f, p.alpha, p.beta);
    EXPECT_NEAR(got, want, 1e-9 * std::fabs(want));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CellIntegralPieces,
    ::testing::Values(
        // Linear shape, falling and rising distribution, both cross-section slopes.
        PieceCase{kSlopeLinear, 2.0, 2.5, 2.25, 0.3, kGamma, 1e-21, 2e-21, 1},
        PieceCase{kSlopeLinear, 2.0, 2.5, 2.25, -0.2, kGamma, -1e-21, 5e-21, 1},
        PieceCase{kSlopeLinear, 10.0, 10.3, 10.4, 1.5, 3.0, 2e-22, -1e-21, 1},
        // Exponential shape.
        PieceCase{kSlopeExponential, 2.0, 2.5, 2.25, 0.3, kGamma, 1e-21, 2e-21, 2},
        PieceCase{kSlopeExponential, 2.0, 2.5, 2.25, 0.3, kGamma, -1e-21, 5e-21, 2},
        PieceCase{kSlopeExponential, 0.05, 0.15, 0.1, 12.0, 2.0, 3e-20, 1e-21, 2},
        PieceCase{kSlopeExponential, 40.0, 42.0, 41.0, 2.5, 1.0, -4e-22, 2e-20, 2},
        PieceCase{kSlopeExponential, 5.1, 5.3, 5.5, 0.8, kGamma, 1e-21, 0.0, 2},
        // Exponential mode falls back to flat: rising or flat distribution,
        // or a slope too steep for the exponential.
        PieceCase{kSlopeExponential, 2.0, 2.5, 2.25, 0.0, kGamma, 1e-21, 2e-21, 0},
        PieceCase{kSlopeExponential, 2.0, 2.5, 2.25, -0.4, kGamma, -1e-21, 5e-21, 0},
        PieceCase{kSlopeExponential, 3.9, 4.1, 4.0, 80.0, 1.0, 1e-21, 1e-21, 0},
        // Any other mode is flat.
        PieceCase{0, 1.0, 3.0, 2.0, 0.5, kGamma, 1e-21, -5e-22, 0},
        PieceCase{3, 1.0, 3.0, 2.0, 0.5, 2.0, -1e-21, 4e-21, 0}));

TEST(CellIntegral, EmptyPieceIsZero) {
    for (int mode : {int{kSlopeLinear}, int{kSlopeExponential}, 0}) {
        EXPECT_EQ(cell_integral(mode, 2.0, 2.0, 2.1, 0.5, kGamma, 1e-21, 1e-21), 0.0);
    }
}

// A process of species s with its lower- and upper-level fractions.
int add_with_fractions(SolverCase& c, int s, int kind, double thr,
                       std::initializer_list<std::pair<double, double>> pts, double c1, double c2) {
    const int k = add_collision(c.t, s, {.kind = kind, .threshold = thr}, pts);
    c.w.run.CX1[k] = c1;
    c.w.run.CX2[k] = c2;
    return k;
}

// --- cross sections at the edges ---

// Four cells of 2 eV, one species of mole fraction x.
struct EdgeCase {
    SolverCase c;
    int s;
    explicit EdgeCase(double x = 0.5, double mass_ratio = 1e-4) {
        s = add_species(c.t, x);
        c.w.run.XS[s] = x;
        c.w.run.CMRTS[s] = mass_ratio;
        c.w.n = 4;
        c.w.grid.grid_type = kGridLinear;
        c.w.grid.emax = 8.0;
        build_grid(c.w.n, c.w.grid);
        for (int k = 1; k <= 5; ++k) c.w.coll.CSMEI[k] = c.w.coll.CSEEI[k] = 9.0;
    }
    int add(int kind, double thr, std::initializer_list<std::pair<double, double>> pts, double c1 = 1.0,
            double c2 = 0.0) {
        return add_with_fractions(c, s, kind, thr, pts, c1, c2);
    }
};

TEST(EdgeCrossSections, ElasticAndInelasticAboveThreshold) {
    EdgeCase e(0.5, 1e-4);
    e.add(kElastic, 0.0, {{0.0, 1e-19}, {1e4, 1e-19}});
    // Rising linearly from 3 eV: 1e-20 per eV.
    e.add(kExcitation, 3.0, {{0.0, 0.0}, {3.0, 0.0}, {1e4, (1e4 - 3.0) * 1e-20}}, 0.8);
    e.add(kAttachment, 0.0, {{0.0, 2e-21}, {1e4, 2e-21}});
    edge_cross_sections(e.c.t, e.c.w.run, e.c.w.grid, e.c.w.n, e.c.w.coll);
    const double edges[] = {0, 2, 4, 6, 8};
    for (int k = 1; k <= 5; ++k) {
        const double en = edges[k - 1];
        const double ex = en >= 3.0 ? (en - 3.0) * 1e-20 * 0.8 * 0.5 : 0.0;
        const double el = 1e-19 * 0.5;
        const double at = 2e-21 * 0.5;
        EXPECT_NEAR(e.c.w.coll.CSM[k], el + ex + at, 1e-32) << k;
        EXPECT_NEAR(e.c.w.coll.CSE[k], 2e-4 * (el + ex), 1e-36) << k;  // attachment exchanges no energy
        EXPECT_EQ(e.c.w.coll.Q[k], e.c.w.coll.CSM[k]);
        EXPECT_EQ(e.c.w.coll.QEFF[k], e.c.w.coll.CSM[k]);
        EXPECT_EQ(e.c.w.coll.CSMEI[k], 0.0);
        EXPECT_EQ(e.c.w.coll.CSEEI[k], 0.0);
    }
}

TEST(EdgeCrossSections, EffectiveSpeciesCountsOnlyItsElasticTable) {
    EdgeCase e(1.0);
    e.c.t.sp.species_effective_flag[e.s] = 1;
    e.add(kElastic, 0.0, {{0.0, 1e-19}, {1e4, 1e-19}});
    e.add(kExcitation, 1.0, {{0.0, 0.0}, {1.0, 0.0}, {1e4, 1e-20}}, 0.5, 0.5);
    e.add(kIonization, 1.0, {{0.0, 0.0}, {1.0, 0.0}, {1e4, 1e-20}});
    edge_cross_sections(e.c.t, e.c.w.run, e.c.w.grid, e.c.w.n, e.c.w.coll);
    for (int k = 1; k <= 5; ++k) EXPECT_DOUBLE_EQ(e.c.w.coll.CSM[k], 1e-19) << k;
}

TEST(EdgeCrossSections, SuperelasticTermFromDetailedBalance) {
    EdgeCase e(0.5, 1e-4);
    // De-excitation of an upper level 1.5 eV up: sigma = 2e-20 (e - 1.5) per
    // eV up to 3.5 eV, then 4e-20.
    const int k = e.add(kDeexcitation, 1.5, {{0.0, 0.0}, {1.5, 0.0}, {3.5, 4e-20}, {1e4, 4e-20}}, 0.0, 1.0);
    e.c.t.col.lower_level_weight[k] = 1.0;
    e.c.t.col.upper_level_weight[k] = 3.0;
    edge_cross_sections(e.c.t, e.c.w.run, e.c.w.grid, e.c.w.n, e.c.w.coll);
    auto sigma = [](double en) { return en < 1.5 ? 0.0 : (en < 3.5 ? 2e-20 * (en - 1.5) : 4e-20); };
    // Zero energy: sigma_q / (E_q / thr - 1) with the first positive point.
    const double c0 = 4e-20 * 0.5 / (3.5 / 1.5 - 1.0) / 3.0;
    EXPECT_NEAR(e.c.w.coll.CSM[1], c0, 1e-33);
    const double edges[] = {0, 2, 4, 6, 8};
    for (int j = 2; j <= 5; ++j) {
        const double en = edges[j - 1];
        const double want = 1.0 * 0.5 * (1.5 / en + 1.0) * sigma(1.5 + en) / 3.0;
        EXPECT_NEAR(e.c.w.coll.CSM[j], want, 1e-33) << j;
        EXPECT_NEAR(e.c.w.coll.CSE[j], 2e-4 * want, 1e-37) << j;
    }
    // The limit at zero energy continues the detailed-balance term.
    EXPECT_NEAR(e.c.w.coll.CSM[1], 0.5 * 1.5 * 2e-20 / 3.0, 1e-33);
}

TEST(EdgeCrossSections, UnusableTablesAreSkipped) {
    EdgeCase e(1.0);
    e.add(kElastic, 0.0, {{0.0, 1e-19}, {1e4, 1e-19}});
    e.add(kExcitation, 0.0, {{0.0, 5e-19}});                                   // one point
    e.add(kDeexcitation, 1.0, {{0.0, 0.0}, {1.0, 0.0}, {1e4, 0.0}}, 0.0, 1.0);  // nowhere positive
    edge_cross_sections(e.c.t, e.c.w.run, e.c.w.grid, e.c.w.n, e.c.w.coll);
    for (int k = 1; k <= 5; ++k) EXPECT_DOUBLE_EQ(e.c.w.coll.CSM[k], 1e-19) << k;
}

// --- the walk ---

// Energy sharing other than kSharingEqual and kSharingSecondaryAtZero: only
// the primary electron is entered.
constexpr int kPrimaryOnly = 3;

// A linear grid of n cells up to emax, one species, slopes G given.
struct WalkCase {
    SolverCase c;
    int s;
    WalkCase(int n, double emax, int slope_mode, double x = 0.7) {
        s = add_species(c.t, x);
        c.w.run.XS[s] = x;
        c.w.n = n;
        c.w.grid.grid_type = kGridLinear;
        c.w.grid.emax = emax;
        c.w.dist.slope_mode = slope_mode;
        c.w.run.growth_model = kGrowthTemporal;
        c.w.run.energy_sharing = kPrimaryOnly;
        build_grid(c.w.n, c.w.grid);
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> u(0.05, 0.6);
        for (int j = 1; j <= n; ++j) c.w.dist.G[j] = u(rng);
        for (int j = 1; j <= n; ++j) c.w.coll.AAAA[j] = 3.0;
    }
    int add(int kind, double thr, std::initializer_list<std::pair<double, double>> pts, double c1 = 1.0,
            double c2 = 0.0) {
        return add_with_fractions(c, s, kind, thr, pts, c1, c2);
    }
    int n() const { return c.w.n; }
    double column_sum(const SystemMatrix& m, int col) const {
        double sum = 0.0;
        for (int i = 1; i <= c.w.n; ++i) sum += m(i, col);
        return sum;
    }
    double column_scale(const SystemMatrix& m, int col) const {
        double sum = 0.0;
        for (int i = 1; i <= c.w.n; ++i) sum += std::fabs(m(i, col));
        return sum;
    }
    // Shape of the distribution in cell j, normalised at its centre.
    double shape(int j, double e) const {
        const double g = c.w.dist.G[j], ec = c.w.grid.EPSC[j];
        if (c.w.dist.slope_mode == kSlopeLinear) return 1.0 - g * (e - ec);
        if (g > 0.0 && ec * g < 300.0) return std::exp(-g * (e - ec));
        return 1.0;
    }
};

std::function<double(double)> table_function(const Tables& t, int k) {
    return [&t, k](double e) {
        int cursor = 1;
        return table_cross_section(t, k, t.col.cs_npoints[k], e, cursor);
    };
}

TEST(Walk, ElasticOnlyAddsToItsIntegral) {
    WalkCase wc(20, 10.0, kSlopeExponential);
    const int k = wc.add(kElastic, 0.0, {{0.0, 1e-19}, {4.0, 3e-19}, {1e4, 3e-19}});
    collision_integrals(wc.c.t, wc.c.w);
    auto sigma = table_function(wc.c.t, k);
    for (int j = 1; j <= wc.n(); ++j) {
        const double a = wc.c.w.grid.EPS[j], b = wc.c.w.grid.EPS[j + 1];
        const double want = quad([&](double e) { return kGamma * e * sigma(e) * wc.shape(j, e); }, a, b);
        EXPECT_NEAR(wc.c.w.coll.RR[k][j], want, 1e-9 * want) << j;
        EXPECT_EQ(wc.column_scale(wc.c.w.coll.AA, j), 0.0);
        EXPECT_EQ(wc.column_scale(wc.c.w.coll.AAA, j), 0.0);
        EXPECT_EQ(wc.c.w.coll.RRI[j] + wc.c.w.coll.RRA[j] + wc.c.w.coll.RRIA[j] + wc.c.w.coll.AAAA[j], 0.0);
    }
    EXPECT_EQ(wc.c.w.grid.EPS[wc.n() + 2], 1.0000000272564224e16);
}

struct ExcitationCase {
    int slope_mode;
    double thr;
    std::vector<std::pair<double, double>> table;
};

std::ostream& operator<<(std::ostream& os, const ExcitationCase& p) {
    return os << "mode " << p.slope_mode << " threshold " << p.thr << ", " << p.table.size() << " points";
}

class WalkExcitation : public ::testing::TestWithParam<ExcitationCase> {};

// Every electron that loses energy in cell c lands in a lower cell: each
// column's gains equal its loss, and the loss is the forward integral.
TEST_P(WalkExcitation, GainsOfEachColumnEqualItsLoss) {
    const ExcitationCase& p = GetParam();
    WalkCase wc(40, 20.0, p.slope_mode);
    const int k = add_collision(wc.c.t, wc.s, {.kind = kExcitation, .threshold = p.thr}, {{0.0, 0.0}});
    for (size_t i = 0; i < p.table.size(); ++i) {
        wc.c.t.col.cs_energy[k][i] = p.table[i].first;
        wc.c.t.col.cs_value[k][i] = p.table[i].second;
    }
    wc.c.t.col.cs_npoints[k] = static_cast<int>(p.table.size());
    wc.c.w.run.CX1[k] = 0.9;
    wc.c.w.run.CX2[k] = 0.0;
    collision_integrals(wc.c.t, wc.c.w);

    auto sigma = table_function(wc.c.t, k);
    double total = 0.0;
    double largest = 0.0;
    for (int c = 1; c <= wc.n(); ++c) largest = std::max(largest, wc.c.w.coll.RR[k][c]);
    for (int c = 1; c <= wc.n(); ++c) {
        const double loss = wc.c.w.coll.AA(c, c);
        total += loss;
        EXPECT_NEAR(wc.column_sum(wc.c.w.coll.AA, c), 0.0, 1e-12 * wc.column_scale(wc.c.w.coll.AA, c)) << c;
        EXPECT_NEAR(loss, 0.7 * 0.9 * wc.c.w.coll.RR[k][c], 1e-14 * loss) << c;
        // Forward integral over the part of the cell above the threshold.
        const double a = std::max(wc.c.w.grid.EPS[c], p.thr), b = wc.c.w.grid.EPS[c + 1];
        const double want = b > a ? quad([&](double e) { return kGamma * e * sigma(e) * wc.shape(c, e); }, a, b) : 0.0;
        // A sliver of a cell above the threshold loses digits in the closed form.
        EXPECT_NEAR(wc.c.w.coll.RR[k][c], want, 1e-9 * std::fabs(want) + 1e-12 * largest) << c;
    }
    EXPECT_GT(total, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WalkExcitation,
    ::testing::Values(
        // Threshold inside cell 3, on an edge, completed tables.
        ExcitationCase{kSlopeExponential, 1.3, {{0.0, 0.0}, {1.3, 0.0}, {6.0, 3e-20}, {1e4, 1e-20}}},
        ExcitationCase{kSlopeLinear, 1.3, {{0.0, 0.0}, {1.3, 0.0}, {6.0, 3e-20}, {1e4, 1e-20}}},
        ExcitationCase{kSlopeExponential, 5.0, {{0.0, 0.0}, {5.0, 0.0}, {5.2, 2e-20}, {9.0, 2e-21}, {1e4, 1e-21}}},
        // A falling cross section and a threshold of several cells.
        ExcitationCase{kSlopeExponential, 11.7, {{0.0, 0.0}, {11.7, 0.0}, {12.0, 5e-20}, {30.0, 1e-21}, {1e4, 1e-22}}},
        // No point at the threshold: the first segment spans it.
        ExcitationCase{kSlopeExponential, 4.0, {{0.0, 0.0}, {5.0, 1e-20}, {1e4, 1e-20}}},
        ExcitationCase{kSlopeLinear, 4.0, {{0.0, 0.0}, {5.0, 1e-20}, {1e4, 1e-20}}}));

// Gains of a forward excitation land at the energy minus the threshold.
TEST(Walk, ExcitationGainsLandAtTheLowerEnergy) {
    WalkCase wc(10, 10.0, 0);  // flat shape
    const double thr = 2.5, q = 1e-20;
    const int k = wc.add(kExcitation, thr, {{0.0, 0.0}, {thr, 0.0}, {thr, q}, {1e4, q}});
    collision_integrals(wc.c.t, wc.c.w);
    for (int c = 1; c <= 10; ++c) {
        for (int m = 1; m <= 10; ++m) {
            if (m == c) continue;
            // Overlap of cell c with cell m shifted up by the threshold.
            const double a = std::max(wc.c.w.grid.EPS[c], wc.c.w.grid.EPS[m] + thr);
            const double b = std::min(wc.c.w.grid.EPS[c + 1], wc.c.w.grid.EPS[m + 1] + thr);
            const double want = b > a ? -0.7 * kGamma * q * (b * b - a * a) / 2.0 : 0.0;
            EXPECT_NEAR(wc.c.w.coll.AA(m, c), want, 1e-12 * std::fabs(want) + 1e-30) << m << "," << c;
        }
    }
    (void)k;
}

TEST(Walk, SuperelasticMovesElectronsUpByTheThreshold) {
    WalkCase wc(30, 15.0, kSlopeExponential);
    const double thr = 4.0;
    const int k = wc.add(kExcitation, thr, {{0.0, 0.0}, {thr, 0.0}, {8.0, 4e-20}, {1e4, 4e-20}}, 0.6, 0.4);
    wc.c.t.col.lower_level_weight[k] = 1.0;
    wc.c.t.col.upper_level_weight[k] = 3.0;
    collision_integrals(wc.c.t, wc.c.w);
    auto sigma = table_function(wc.c.t, k);
    const double gfac = kGamma * 1.0 / 3.0;
    for (int m = 1; m <= wc.n(); ++m) {
        const double a = wc.c.w.grid.EPS[m] + thr, b = wc.c.w.grid.EPS[m + 1] + thr;
        const double ec = wc.c.w.grid.EPSC[m] + thr, g = wc.c.w.dist.G[m];
        const double want = quad([&](double e) { return gfac * e * sigma(e) * std::exp(-g * (e - ec)); }, a, b);
        EXPECT_NEAR(wc.c.w.coll.RRINV[k][m], want, 1e-9 * want) << m;
        const double sum = wc.column_sum(wc.c.w.coll.AA, m);
        if (b <= 15.0) {
            EXPECT_NEAR(sum, 0.0, 1e-12 * wc.column_scale(wc.c.w.coll.AA, m)) << m;
        } else if (a >= 15.0) {
            // The electron would leave the grid: lost from cell m.
            EXPECT_NEAR(sum, 0.4 * 0.7 * want, 1e-9 * want) << m;
        }
    }
}

TEST(Walk, ThresholdAboveTheGridOnlyRemovesSuperelasticElectrons) {
    WalkCase wc(10, 5.0, kSlopeExponential);
    const int k = wc.add(kExcitation, 7.0, {{0.0, 0.0}, {7.0, 0.0}, {9.0, 1e-20}, {1e4, 1e-20}}, 0.5, 0.5);
    collision_integrals(wc.c.t, wc.c.w);
    for (int c = 1; c <= 10; ++c) {
        EXPECT_EQ(wc.c.w.coll.RR[k][c], 0.0);
        EXPECT_GT(wc.c.w.coll.RRINV[k][c], 0.0);
        EXPECT_GT(wc.c.w.coll.AA(c, c), 0.0);
        EXPECT_EQ(wc.column_sum(wc.c.w.coll.AA, c), wc.c.w.coll.AA(c, c));
    }
}

// Superelastic energies above the last table point follow the last segment.
TEST(Walk, BeyondTheLastTablePointTheLastSegmentContinues) {
    WalkCase wc(20, 10.0, 0);
    const double thr = 5.0;
    const int k = wc.add(kExcitation, thr, {{0.0, 0.0}, {thr, 0.0}, {8.0, 3e-20}, {12.0, 2e-20}}, 0.5, 0.5);
    collision_integrals(wc.c.t, wc.c.w);
    auto sigma = [](double e) { return e < 8.0 ? 1e-20 * (e - 5.0) : 3e-20 - 0.25e-20 * (e - 8.0); };
    for (int m = 1; m <= 20; ++m) {
        const double a = wc.c.w.grid.EPS[m] + thr, b = wc.c.w.grid.EPS[m + 1] + thr;
        const double want = quad([&](double e) { return kGamma * e * sigma(e); }, a, b);
        EXPECT_NEAR(wc.c.w.coll.RRINV[k][m], want, 1e-9 * want) << m;
        ASSERT_TRUE(std::isfinite(wc.c.w.coll.AA(m, m)));
    }
}

TEST(Walk, TablesOfFewerThanTwoPointsAreSkipped) {
    WalkCase wc(10, 10.0, kSlopeExponential);
    const int k = wc.add(kExcitation, 1.0, {{0.0, 1e-19}}, 0.5, 0.5);
    wc.c.w.coll.RR[k][3] = 5.0;
    collision_integrals(wc.c.t, wc.c.w);
    for (int c = 1; c <= 10; ++c) {
        EXPECT_EQ(wc.c.w.coll.RR[k][c], 0.0);
        EXPECT_EQ(wc.column_scale(wc.c.w.coll.AA, c), 0.0);
    }
}

TEST(Walk, AttachmentOnlyRemovesElectrons) {
    WalkCase wc(10, 10.0, kSlopeExponential);
    const int k = wc.add(kAttachment, 0.0, {{0.0, 1e-21}, {3.0, 5e-21}, {1e4, 5e-22}}, 1.0);
    collision_integrals(wc.c.t, wc.c.w);
    for (int c = 1; c <= 10; ++c) {
        EXPECT_GT(wc.c.w.coll.RRA[c], 0.0);
        EXPECT_EQ(wc.c.w.coll.RRA[c], 0.7 * 1.0 * wc.c.w.coll.RR[k][c]);
        EXPECT_EQ(wc.c.w.coll.RRIA[c], -wc.c.w.coll.RRA[c]);
        EXPECT_EQ(wc.column_scale(wc.c.w.coll.AA, c), 0.0);
    }
}

// --- ionisation and the secondary electrons ---

struct IonizationWalk {
    WalkCase wc;
    int k;
    static constexpr double kThr = 3.0;
    IonizationWalk(int sharing, int growth) : wc(40, 20.0, 2) {
        wc.c.w.run.energy_sharing = sharing;
        wc.c.w.run.growth_model = growth;
        k = wc.add(kIonization, kThr, {{0.0, 0.0}, {kThr, 0.0}, {10.0, 6e-20}, {1e4, 1e-20}}, 1.0);
        collision_integrals(wc.c.t, wc.c.w);
    }
    SolverWork& w() { return wc.c.w; }
};

TEST(WalkIonization, SecondaryAtZeroEnergy) {
    IonizationWalk iw(kSharingSecondaryAtZero, kGrowthTemporal);
    for (int c = 1; c <= 40; ++c) {
        EXPECT_EQ(iw.w().coll.RRI[c], iw.w().coll.AA(c, c)) << c;
        EXPECT_EQ(iw.w().coll.AAA(1, c), iw.w().coll.RRI[c]) << c;
        EXPECT_EQ(iw.wc.column_sum(iw.w().coll.AAA, c), iw.w().coll.AAA(1, c));
        // The primary is conserved and lands at the energy minus the threshold.
        EXPECT_NEAR(iw.wc.column_sum(iw.w().coll.AA, c), 0.0, 1e-12 * iw.wc.column_scale(iw.w().coll.AA, c));
        EXPECT_EQ(iw.w().coll.RRIA[c], iw.w().coll.RRI[c]);
    }
    EXPECT_GT(iw.w().coll.RRI[40], 0.0);
}

TEST(WalkIonization, EqualSharingPutsBothElectronsInTheSameCell) {
    IonizationWalk iw(kSharingEqual, kGrowthTemporal);
    const SolverWork& w = iw.w();
    for (int c = 1; c <= 40; ++c) {
        EXPECT_NEAR(iw.wc.column_sum(w.coll.AA, c), 0.0, 1e-12 * iw.wc.column_scale(w.coll.AA, c)) << c;
        EXPECT_NEAR(iw.wc.column_sum(w.coll.AAA, c), w.coll.RRI[c], 1e-12 * w.coll.RRI[40]) << c;
        for (int m = 1; m <= 40; ++m) {
            if (m != c) {
                EXPECT_EQ(w.coll.AAA(m, c), -w.coll.AA(m, c)) << m << "," << c;
            }
            if (w.coll.AAA(m, c) == 0.0) continue;
            // (e - thr) / 2 of the cell's energies meets cell m.
            const double lo = (w.grid.EPS[c] - IonizationWalk::kThr) * 0.5;
            const double hi = (w.grid.EPS[c + 1] - IonizationWalk::kThr) * 0.5;
            EXPECT_LT(w.grid.EPS[m], hi + 1e-12) << m << "," << c;
            EXPECT_GT(w.grid.EPS[m + 1], lo - 1e-12) << m << "," << c;
        }
    }
    EXPECT_GT(w.coll.RRI[40], 0.0);
}

TEST(WalkIonization, OtherSharingEntersOnlyThePrimary) {
    IonizationWalk iw(kPrimaryOnly, kGrowthTemporal);
    for (int c = 1; c <= 40; ++c) {
        EXPECT_EQ(iw.wc.column_scale(iw.w().coll.AAA, c), 0.0);
        EXPECT_EQ(iw.w().coll.RRI[c], iw.w().coll.AA(c, c));
    }
    EXPECT_GT(iw.w().coll.RRI[40], 0.0);
}

TEST(WalkIonization, WithoutGrowthIonisationIsAnEnergyLoss) {
    for (int sharing : {kSharingEqual, kSharingSecondaryAtZero}) {
        IonizationWalk iw(sharing, kGrowthNone);
        IonizationWalk reference(kPrimaryOnly, kGrowthTemporal);
        for (int c = 1; c <= 40; ++c) {
            EXPECT_EQ(iw.w().coll.RRI[c], 0.0);
            EXPECT_EQ(iw.wc.column_scale(iw.w().coll.AAA, c), 0.0);
            for (int m = 1; m <= 40; ++m) EXPECT_EQ(iw.w().coll.AA(m, c), reference.w().coll.AA(m, c)) << m << "," << c;
        }
    }
}

// A grid whose maximum energy is not a number never satisfies the walk's
// comparisons; the walk must still end.
TEST(Walk, BrokenGridStillEnds) {
    WalkCase wc(10, 10.0, kSlopeExponential);
    wc.add(kExcitation, 1.0, {{0.0, 0.0}, {1.0, 0.0}, {1e4, 1e-20}}, 0.5, 0.5);
    wc.add(kIonization, 2.0, {{0.0, 0.0}, {2.0, 0.0}, {1e4, 1e-20}});
    wc.c.w.grid.emax = std::nan("");
    build_grid(wc.c.w.n, wc.c.w.grid);
    collision_integrals(wc.c.t, wc.c.w);
    SUCCEED();
}

TEST(WalkOrder, GroupedProcessesAreIncluded) {
    WalkCase wc(10, 10.0, kSlopeExponential);
    const int k = add_grouped(wc.c.t, wc.s, {.kind = kVibration, .threshold = 1.0},
                              {{0.0, 0.0}, {1.0, 0.0}, {1e4, 1e-20}});
    wc.c.w.run.CX1[k] = 1.0;
    collision_integrals(wc.c.t, wc.c.w);
    EXPECT_GT(wc.c.w.coll.RR[k][10], 0.0);
    EXPECT_GT(wc.c.w.coll.AA(10, 10), 0.0);
}

// --- pieces with the exponential shape, several per vector operation ---

bool same_bits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

// The gathered pieces give the bits of cell_integral's exponential form,
// piece by piece, with either build of the vector kernel and for counts that
// end inside a vector.
TEST(ExponentialPieces, GiveTheBitsOfTheCellIntegral) {
    struct Piece {
        double ea, eb, ec, g, alpha, beta;
    };
    const Piece table[] = {
        {0.0, 0.05, 0.1, 2.0, 1e-20, 0.0},       // from zero energy
        {0.1, 0.35, 0.2, 0.5, -3e-21, 4e-20},    // falling cross section
        {4.0, 4.5, 4.2, 40.0, 2e-21, -8e-21},    // steep distribution
        {11.5, 11.6, 11.55, 1e-3, 5e-22, -5.75e-21},
        {950.0, 951.0, 950.5, 0.3, 0.0, 3e-21},  // flat cross section
        {2.0, 2.0000001, 2.00000005, 7.0, 1e-19, 1e-19},
    };
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (SolveIsa isa : {SolveIsa::kAuto, SolveIsa::kPortable}) {
        for (int count : {1, 2, 3, 4, 5, 7, 8, 13}) {
            auto x = make_zeroed<ExponentialPieces>();
            std::vector<Piece> used;
            for (int q = 0; q < count; ++q) {
                Piece p = table[q % std::size(table)];
                if (q >= static_cast<int>(std::size(table))) {
                    p.ea = 20.0 * u(rng);
                    p.eb = p.ea + u(rng);
                    p.ec = p.ea + 0.5 * (p.eb - p.ea);
                    p.g = 0.01 + 3.0 * u(rng);
                    p.alpha = (u(rng) - 0.5) * 1e-20;
                    p.beta = u(rng) * 1e-19;
                }
                used.push_back(p);
                x->piece[q] = q;
                x->ea[q] = p.ea;
                x->eb[q] = p.eb;
                x->xa[q] = std::exp((p.ec - p.ea) * p.g);
                x->xb[q] = std::exp((p.ec - p.eb) * p.g);
                x->g[q] = p.g;
                x->alpha[q] = p.alpha;
                x->beta[q] = p.beta;
            }
            x->count = count;
            exponential_integrals(*x, kGamma, isa);
            for (int q = 0; q < count; ++q) {
                const Piece& p = used[q];
                const double want = cell_integral(2, p.ea, p.eb, p.ec, p.g, kGamma, p.alpha, p.beta);
                EXPECT_TRUE(same_bits(x->integral[q], want)) << "count " << count << " piece " << q;
            }
        }
    }
}

// The collision integrals of a set with excitation, superelastic and
// ionisation processes are the same bits with either build of the kernels.
TEST(Walk, BothBuildsOfTheKernelsGiveTheSameBits) {
    auto run = [](SolveIsa isa, int slope_mode) {
        auto wc = std::make_unique<WalkCase>(60, 30.0, slope_mode);
        wc->c.w.kernel_isa = isa;
        wc->c.w.run.energy_sharing = kSharingEqual;
        wc->add(kElastic, 0.0, {{0.0, 1e-19}, {4.0, 3e-19}, {1e4, 3e-19}});
        wc->add(kExcitation, 3.3, {{0.0, 0.0}, {3.3, 0.0}, {5.0, 2e-20}, {9.0, 1e-20}, {1e4, 1e-21}}, 0.8, 0.2);
        wc->add(kRotation, 0.07, {{0.0, 0.0}, {0.07, 0.0}, {0.5, 3e-21}, {1e4, 1e-22}}, 0.6, 0.3);
        wc->add(kIonization, 12.0, {{0.0, 0.0}, {12.0, 0.0}, {20.0, 3e-20}, {1e4, 2e-21}});
        collision_integrals(wc->c.t, wc->c.w);
        return wc;
    };
    for (int slope_mode : {kSlopeLinear, kSlopeExponential}) {
        const auto a = run(SolveIsa::kAuto, slope_mode);
        const auto b = run(SolveIsa::kPortable, slope_mode);
        const SolverWork& wa = a->c.w;
        const SolverWork& wb = b->c.w;
        for (int k = 1; k <= a->c.t.num.collision_count; ++k) {
            for (int j = 1; j <= a->n(); ++j) {
                ASSERT_TRUE(same_bits(wa.coll.RR[k][j], wb.coll.RR[k][j])) << k << "," << j;
                ASSERT_TRUE(same_bits(wa.coll.RRINV[k][j], wb.coll.RRINV[k][j])) << k << "," << j;
            }
        }
        EXPECT_EQ(std::memcmp(wa.coll.AA.v, wb.coll.AA.v, sizeof wa.coll.AA.v), 0);
        EXPECT_EQ(std::memcmp(wa.coll.AAA.v, wb.coll.AAA.v, sizeof wa.coll.AAA.v), 0);
    }
}

}  // namespace
}  // namespace kestor
