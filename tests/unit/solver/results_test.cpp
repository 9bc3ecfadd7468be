// Transport sums, per-collision coefficients and the stored rows of a run.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "solver_case.h"
#include "solver/operator_terms.h"
#include "solver/results.h"
#include "solver/solvebol.h"

namespace kestor {
namespace {

using test::SolverCase;

constexpr double kMassRatio = 1e-4;

// ---------------------------------------------------------------- zero energy

// A cross section that vanishes at zero energy: Q(1) = 0.
test::CrossSection vanishing_at_zero() {
    return [](double e) { return 1e-19 * e / (e + 0.1); };
}

int add_vanishing_elastic(SolverCase& m, int s) {
    const int k = test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, vanishing_at_zero());
    // The table starts at zero energy with a zero cross section.
    Tables& t = m.t;
    for (int p = t.col.cs_npoints[k]; p > 0; --p) {
        t.col.cs_energy[k][p] = t.col.cs_energy[k][p - 1];
        t.col.cs_value[k][p] = t.col.cs_value[k][p - 1];
    }
    t.col.cs_energy[k][0] = 0.0;
    t.col.cs_value[k][0] = 0.0;
    t.col.cs_npoints[k] += 1;
    return k;
}

TEST(TransportSums, ZeroEnergyEdgeAddsNothingToTheDiffusion) {
    SolverCase m;
    SolverWork& w = m.w;
    test::uniform_grid(w, 10, 10.0);
    test::edge_cross_sections(w, test::constant_value(1e-19), kMassRatio);
    w.coll.Q[1] = 0.0;
    w.dist.slope_mode = kSlopeExponential;
    test::exponential_f(w, 0.5);
    slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
    for (int k = 1; k <= w.n + 1; ++k) w.ee.AF1[k] = w.ee.AG1[k] = 1.0;
    const TransportSums s = transport_sums(w);
    double dn = 0.0;
    for (int j = 1; j <= w.n; ++j) {
        const double lower = j == 1 ? 0.0 : w.grid.EPS[j] / w.coll.Q[j];
        dn += 0.5 * (w.grid.EPS[j + 1] / w.coll.Q[j + 1] + lower) * w.dist.F[j] * 1.0;
    }
    EXPECT_NEAR(s.diffusion, kGammaThird * dn, 1e-12 * kGammaThird * dn);
    EXPECT_TRUE(std::isfinite(s.energy_diffusion));
    EXPECT_TRUE(std::isfinite(s.mobility));
}

struct ZeroEnergyCase {
    std::string what;
    int growth_model;
};

void PrintTo(const ZeroEnergyCase& c, std::ostream* os) { *os << c.what; }

class VanishingCrossSection : public ::testing::TestWithParam<ZeroEnergyCase> {};

// An ionising gas whose momentum cross section is 0 at 0 eV: every stored
// result is a number, with spatial growth too.
TEST_P(VanishingCrossSection, GivesFiniteResults) {
    const ZeroEnergyCase& c = GetParam();
    SolverCase m;
    const int s = test::add_species(m.t);
    add_vanishing_elastic(m, s);
    test::add_collision(m.t, s, {.kind = kIonization, .threshold = 15.0},
                        [](double e) { return 3e-20 * (1.0 - 15.0 / e); }, 15.0);
    test::set_conditions(m, 300.0, 200);
    m.cond(kCondGrowthModel) = c.growth_model;
    solvebol(m.t, m.w, test::kRun);
    EXPECT_LE(m.result(kResStatus), kStatusFailed) << c.what;
    for (int j = 1; j < kResStatus; ++j) EXPECT_TRUE(std::isfinite(m.result(j))) << c.what << " result " << j;
    // Without growth, ionisation only takes energy: no ionisation rate.
    EXPECT_EQ(m.result(kResIonizationFreq) > 0.0, c.growth_model != kGrowthNone) << c.what;
    for (int j = 1; j <= m.w.n; ++j) {
        ASSERT_TRUE(std::isfinite(m.t.run.run_eedf[test::kRun][j])) << c.what;
        ASSERT_TRUE(std::isfinite(m.t.run.run_anisotropy[test::kRun][j])) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Growth, VanishingCrossSection,
                         ::testing::Values(ZeroEnergyCase{"NoGrowth", kGrowthNone},
                                           ZeroEnergyCase{"Temporal", kGrowthTemporal},
                                           ZeroEnergyCase{"Spatial", kGrowthSpatial}),
                         [](const ::testing::TestParamInfo<ZeroEnergyCase>& i) { return i.param.what; });

// ---------------------------------------------------------------- the result row

struct RowCase {
    std::string what;
    double frequency;
    bool attachment;
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.what; }

class ResultRow : public ::testing::TestWithParam<RowCase> {};

// A run of the constant-frequency gas with a weak attachment process and
// temporal growth on a grid long enough for its tail.
void attaching_run(SolverCase& m, double frequency, bool attachment) {
    const int s = test::add_species(m.t);
    test::add_collision(m.t, s, {.kind = kElastic, .mass_ratio = kMassRatio}, test::constant_frequency(1e-13));
    if (attachment) test::add_collision(m.t, s, {.kind = kAttachment}, test::constant_value(1e-23));
    test::set_conditions(m, 5.0, 200);
    m.cond(kCondFrequency) = frequency;
    m.cond(kCondGrowthModel) = kGrowthTemporal;
    // A fixed grid: the emax estimate sees the frequency whatever its sign.
    m.cond(kCondGridType) = kGridLinear;
    m.cond(kCondMaxEnergy) = 40.0;
    double* row = m.t.run.run_results[test::kRun];
    for (int j = 1; j <= kNumResults; ++j) row[j] = -7.0;  // a previous run's values
}

TEST_P(ResultRow, SetsTheColumnsOfItsMode) {
    const RowCase& c = GetParam();
    SolverCase m;
    attaching_run(m, c.frequency, c.attachment);
    solvebol(m.t, m.w, test::kRun);
    ASSERT_EQ(m.result(kResStatus), kStatusSuccess) << c.what;
    EXPECT_EQ(m.result(kResUnused10), 0.0);
    EXPECT_EQ(m.result(kResUnused26), 0.0);
    // No density-gradient expansion, no electron-ion collisions.
    for (int j : {kResBulkMobility, kResLongDiffusion, kResBulkTransDiffusion, kResBulkLongDiffusion,
                  kResEIMomentumFreq, kResEIPower}) {
        EXPECT_EQ(m.result(j), 0.0) << c.what << " result " << j;
    }
    const bool ac = c.frequency > 0.0;
    const bool dc = c.frequency == 0.0;
    EXPECT_EQ(m.result(kResReMobility) != 0.0, ac) << c.what;
    EXPECT_EQ(m.result(kResImMobility) != 0.0, ac) << c.what;
    EXPECT_EQ(m.result(kResAttachmentFreq) > 0.0, c.attachment) << c.what;
    EXPECT_EQ(m.result(kResTownsendEta) > 0.0, c.attachment && dc) << c.what;
    EXPECT_EQ(m.result(kResTownsendAlpha), 0.0) << c.what;  // no ionisation
    if (c.attachment && dc) {
        const double eta = 5.0 * kTownsend * m.result(kResAttachmentFreq) / m.result(kResPower);
        EXPECT_DOUBLE_EQ(m.result(kResTownsendEta), eta);
    }
    // Growth power of the attachment loss: (nu_i - nu_a) sum EPSC H F.
    EXPECT_EQ(m.result(kResGrowthPower) < 0.0, c.attachment) << c.what;
    EXPECT_EQ(m.result(kResMaxEnergy), m.w.grid.emax);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ResultRow,
    ::testing::Values(RowCase{"DC field with attachment", 0.0, true}, RowCase{"DC field", 0.0, false},
                      RowCase{"oscillating field with attachment", 1e-14, true},
                      RowCase{"negative frequency with attachment", -1e-14, true}),
    [](const ::testing::TestParamInfo<RowCase>& i) {
        // "DC field with attachment" -> DCFieldWithAttachment
        std::string name;
        bool word_start = true;
        for (char ch : i.param.what) {
            const unsigned char u = static_cast<unsigned char>(ch);
            if (!std::isalnum(u)) {
                word_start = true;
                continue;
            }
            name += word_start ? static_cast<char>(std::toupper(u)) : ch;
            word_start = false;
        }
        return name;
    });

TEST(ResultRow, NegativeFrequencyIsADcRunForEverySum) {
    SolverCase dc, neg;
    attaching_run(dc, 0.0, true);
    attaching_run(neg, -1e-14, true);
    solvebol(dc.t, dc.w, test::kRun);
    solvebol(neg.t, neg.w, test::kRun);
    for (int j : {kResMeanEnergy, kResMobility, kResDiffusion, kResEnergyMobility, kResEnergyDiffusion,
                  kResTotalCollisionFreq, kResMomentumFreq, kResIonizationFreq, kResAttachmentFreq, kResPower,
                  kResElasticPower, kResInelasticPower, kResGrowthPower}) {
        EXPECT_EQ(neg.result(j), dc.result(j)) << "result " << j;
    }
}

// ---------------------------------------------------------------- per collision

// Hand-made final state: a Maxwellian on ten cells, one species with an
// elastic process, an excitation, its de-excitation, an attachment, a
// visible rotation with one grouped rotation, and a second species whose
// elastic data are effective with an excitation of its own.
class CollisionCoefficients : public ::testing::Test {
protected:
    SolverCase m;
    SolverWork& w = m.w;
    Tables& t = m.t;
    int elastic = 0, excitation = 0, deexcitation = 0, attachment = 0, rotation = 0;
    int effective_elastic = 0, effective_excitation = 0;
    const int grouped = kMaxCollisions;

    void SetUp() override {
        test::set_conditions(m, 5.0, 10);
        test::uniform_grid(w, 10, 10.0);
        test::edge_cross_sections(w, test::constant_value(1e-19), kMassRatio);
        w.dist.slope_mode = kSlopeExponential;
        w.run.reduced_field = 5e-21;
        w.run.gas_temperature_ev = 0.03;
        test::exponential_f(w, 0.7);
        slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
        for (int k = 1; k <= w.n + 1; ++k) w.ee.AF1[k] = w.ee.AG1[k] = 1.0;

        const int s1 = test::add_species(t, 0.75);
        const int s2 = test::add_species(t, 0.25);
        t.sp.species_effective_flag[s2] = 1;
        elastic = add(s1, kElastic, 0.0);
        excitation = add(s1, kExcitation, 2.0);
        deexcitation = add(s1, kDeexcitation, 2.0);
        attachment = add(s1, kAttachment, 0.0);
        rotation = add(s1, kRotation, 0.01);
        effective_elastic = add(s2, kElastic, 0.0);
        effective_excitation = add(s2, kExcitation, 3.0);
        t.num.grouped_collision_count = 1;
        t.col.collision_kind[grouped] = kRotation;
        t.col.collision_species[grouped] = s1;
        t.col.collision_threshold[grouped] = 0.02;
        t.col.collision_group[grouped] = rotation;

        w.run.XS[s1] = 0.75;
        w.run.XS[s2] = 0.25;
        w.run.CMRTS[s1] = 1e-4;
        w.run.CMRTS[s2] = 2e-5;
        for (int k : {elastic, excitation, deexcitation, attachment, rotation, effective_elastic,
                      effective_excitation, grouped}) {
            w.run.CX1[k] = 0.8;
            w.run.CX2[k] = 0.1;
            for (int j = 1; j <= w.n; ++j) {
                w.coll.RR[k][j] = 1e-14 * (1.0 + 0.1 * (k % 7)) * j;
                w.coll.RRINV[k][j] = 3e-15 * j;
            }
        }
        w.run.CX1[deexcitation] = 0.0;
        w.run.CX2[deexcitation] = 1.0;
    }

    int add(int s, int kind, double threshold) {
        const int k = ++t.num.collision_count;
        t.col.collision_kind[k] = kind;
        t.col.collision_species[k] = s;
        t.col.collision_threshold[k] = threshold;
        return k;
    }

    double sum(const double* row, bool with_energy = false) const {
        double s = 0.0;
        for (int j = 1; j <= w.n; ++j) s += row[j] * w.dist.F[j] * (with_energy ? w.grid.EPSC[j] : 1.0);
        return s;
    }

    // 2 m/M (U - T kTg): the recoil loss of a process of species mass ratio r.
    double recoil(int k, double r) const {
        const double* rr = w.coll.RR[k];
        const double* f = w.dist.F;
        const double* ec = w.grid.EPSC;
        double slope = (std::log(f[1]) - std::log(f[2])) * rr[1] * f[1] * ec[1] / (ec[2] - ec[1]);
        for (int j = 2; j <= w.n - 1; ++j) {
            slope += (std::log(f[j - 1]) - std::log(f[j + 1])) * ec[j] * f[j] * rr[j] / (ec[j + 1] - ec[j - 1]);
        }
        return 2.0 * r * (sum(rr, true) - slope * w.run.gas_temperature_ev);
    }

    // Sums of the forward and inverse integrals of slot k over F.
    double forward(int k) const { return sum(w.coll.RR[k]); }
    double inverse(int k) const { return sum(w.coll.RRINV[k]); }

    double stored_rate(int k) const { return t.run.run_rate_coef[test::kRun][k]; }
    double stored_inverse(int k) const { return t.run.run_inverse_rate_coef[test::kRun][k]; }
    double stored_loss(int k) const { return t.run.run_energy_loss_coef[test::kRun][k]; }
};

TEST_F(CollisionCoefficients, RatesLossesAndFolding) {
    store_results(t, w, test::kRun);
    const double tol = 1e-12;
    auto near = [&](double a, double b) { return std::fabs(a - b) <= tol * std::fabs(b); };

    // Elastic: its rate and the recoil loss.
    EXPECT_TRUE(near(stored_rate(elastic), forward(elastic)));
    EXPECT_TRUE(near(stored_loss(elastic), recoil(elastic, 1e-4)));

    // Excitation of a species with elastic data: threshold loss minus the
    // superelastic gain, plus the recoil.
    const double kx = forward(excitation), kix = inverse(excitation);
    EXPECT_TRUE(near(stored_loss(excitation), (kx * 0.8 - kix * 0.1) * 2.0 + recoil(excitation, 1e-4)));

    // De-excitation: the stored rate is the inverse integral.
    EXPECT_TRUE(near(stored_rate(deexcitation), inverse(deexcitation)));
    EXPECT_TRUE(near(stored_inverse(deexcitation), forward(deexcitation)));

    // Attachment: the energy the attached electrons carry, no recoil.
    EXPECT_TRUE(near(stored_loss(attachment), sum(w.coll.RR[attachment], true)));

    // Effective species: no recoil for its inelastic process.
    EXPECT_TRUE(near(stored_loss(effective_excitation),
                     (forward(effective_excitation) * 0.8 - inverse(effective_excitation) * 0.1) * 3.0));

    // The grouped rotation is folded into its visible leader.
    const double lead = forward(rotation) * 0.8 + 0.8 * forward(grouped);
    EXPECT_TRUE(near(stored_rate(rotation), lead));
    const double lead_inverse = inverse(rotation) * 0.8 + 0.8 * inverse(grouped);
    EXPECT_TRUE(near(stored_inverse(rotation), lead_inverse));
    const double loss_rot = (forward(rotation) * 0.8 - inverse(rotation) * 0.1) * 0.01 + recoil(rotation, 1e-4);
    const double loss_grp = (forward(grouped) * 0.8 - inverse(grouped) * 0.1) * 0.02 + recoil(grouped, 1e-4);
    EXPECT_TRUE(near(stored_loss(rotation), loss_rot + loss_grp));

    // Total collision frequency: every process of the first species, only
    // the elastic one of the effective species.
    double nut = 0.0;
    for (int k : {elastic, excitation, attachment, rotation, grouped}) {
        nut += 0.75 * (forward(k) * 0.8 + inverse(k) * 0.1);
    }
    nut += 0.75 * (inverse(deexcitation) * 0.0 + forward(deexcitation) * 1.0);
    nut += 0.25 * (forward(effective_elastic) * 0.8 + inverse(effective_elastic) * 0.1);
    EXPECT_NEAR(m.result(kResTotalCollisionFreq), nut, 1e-12 * nut);

    // Elastic and inelastic power losses.
    double pe = 0.75 * (recoil(elastic, 1e-4) + recoil(excitation, 1e-4) + recoil(deexcitation, 1e-4) +
                        recoil(rotation, 1e-4) + recoil(grouped, 1e-4)) +
                0.25 * recoil(effective_elastic, 2e-5);
    EXPECT_NEAR(m.result(kResElasticPower), pe, 1e-10 * std::fabs(pe));
}

TEST_F(CollisionCoefficients, WithoutGroupedProcessesNothingIsScaled) {
    t.num.grouped_collision_count = 0;
    store_results(t, w, test::kRun);
    EXPECT_NEAR(stored_rate(rotation), forward(rotation), 1e-12 * stored_rate(rotation));
}

TEST_F(CollisionCoefficients, MomentumFloorFailsTheRun) {
    w.iter.run_status = kStatusSuccess;
    w.coll.momentum_floor_hit = 1;
    store_results(t, w, test::kRun);
    EXPECT_EQ(m.result(kResStatus), kStatusFailed);
}

// ---------------------------------------------------------------- distribution tables

TEST(DistributionTables, AnisotropyIsTheCellMeanWithExtrapolatedEnds) {
    for (int n : {2, 3, 4, 12}) {
        SolverCase m;
        SolverWork& w = m.w;
        test::set_conditions(m, 5.0, n);
        test::uniform_grid(w, n, 12.0);
        test::edge_cross_sections(w, test::constant_value(1e-19), kMassRatio);
        w.run.reduced_field = 5e-21;
        w.dist.slope_mode = kSlopeExponential;
        test::exponential_f(w, 0.6);
        slopes_and_cell_integrals(w.run, w.grid, w.n, w.dist);
        for (int k = 1; k <= n + 1; ++k) w.ee.AF1[k] = w.ee.AG1[k] = 1.0;
        face_anisotropy(w);
        store_results(m.t, w, test::kRun);
        const double* an = m.t.run.run_anisotropy[test::kRun];
        for (int j = 1; j <= n; ++j) {
            EXPECT_EQ(m.t.run.run_eedf[test::kRun][j], w.dist.F[j]);
            EXPECT_EQ(m.t.run.run_eedf_energy[test::kRun][j], w.grid.EPSC[j]);
        }
        if (n >= 4) {
            for (int j = 2; j <= n - 1; ++j) {
                EXPECT_DOUBLE_EQ(an[j], -((w.dist.F1[j] + w.dist.F1[j + 1]) * 0.5) / w.dist.F[j]) << n;
            }
            EXPECT_DOUBLE_EQ(an[1], 1.5 * an[2] - 0.5 * an[3]) << n;
            EXPECT_DOUBLE_EQ(an[n], 1.5 * an[n - 1] - 0.5 * an[n - 2]) << n;
            // For an exponential F the face anisotropy is E g F / Q: positive.
            EXPECT_GT(an[2], 0.0);
        } else {
            // Too few interior cells to extrapolate: each cell the mean of its
            // edges, the outer edges without flux.
            EXPECT_DOUBLE_EQ(an[1], -(w.dist.F1[2] * 0.5) / w.dist.F[1]) << n;
            EXPECT_DOUBLE_EQ(an[n], -(w.dist.F1[n] * 0.5) / w.dist.F[n]) << n;
            if (n == 3) {
                EXPECT_DOUBLE_EQ(an[2], -((w.dist.F1[2] + w.dist.F1[3]) * 0.5) / w.dist.F[2]);
            }
        }
    }
}

}  // namespace
}  // namespace kestor
