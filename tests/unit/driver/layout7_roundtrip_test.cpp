// A layout-7 result file read back as a data file gives the collisions it
// was written from, with four significant digits, de-excitations turned
// into excitations, default upper weights, and rotation groups reduced to
// their leaders.
#include <gtest/gtest.h>

#include <vector>

#include "collisions/readcs.h"
#include "output/writebol.h"
#include "tests/unit/output/output_model.h"

namespace kestor {
namespace {

using test::Points;

struct Source {
    int kind;
    int species;
    double mass_ratio, threshold;
    double lower_energy, lower_weight, upper_energy, upper_weight;
    Points table;
};

const char* const kSpecies[] = {"", "N2", "N2A", "Ar"};

// Visible collisions in species order, so that reading the species back in
// order gives the same slots.
const std::vector<Source>& sources() {
    static const std::vector<Source> s = {
        {kElastic, 1, 1.0005e-4, 0, 0, 1, 0, 1, {{0, 1.23456e-20}, {1.5, 2e-20}, {10000, 2e-20}}},
        {kExcitation, 1, 0, 6.1687, 0, 1, 6.1687, 1.0, {{0, 0}, {6.1687, 0}, {7.25, 1e-21}, {10000, 2e-21}}},
        {kExcitation, 1, 0, 11.03, 0, 1, 11.03, 0.0, {{0, 0}, {11.03, 0}, {12, 3e-22}, {10000, 3e-22}}},
        {kIonization, 1, 0, 15.581, 0, 1, 15.581, 1, {{0, 0}, {15.581, 0}, {20.004, 1.23456e-21}, {10000, 2.5e-20}}},
        {kRotation, 1, 0, 0.01, 0, 1, 0.01, 5, {{0, 0}, {0.01, 0}, {0.5, 1e-21}, {10000, 1e-21}}},
        {kVibration, 1, 0, 0.29, 0, 1, 0.29, 1, {{0, 0}, {0.29, 0}, {1.0, 4e-21}, {10000, 4e-21}}},
        {kDeexcitation, 2, 0, 6.1687, 0, 1, 6.1687, 3.0, {{0, 0}, {6.1687, 0}, {8, 5e-22}, {10000, 5e-22}}},
        {kElastic, 3, 1.36e-5, 0, 0, 1, 0, 1, {{0, 7e-21}, {10000, 7e-21}}},
        {kAttachment, 3, 0, 0, 0, 1, 0, 1, {{0, 1e-23}, {10000, 1e-23}}},
    };
    return s;
}

void fill_source(Tables& t) {
    t.num.species_count = 3;
    for (int s = 1; s <= 3; ++s) {
        t.sp.species_name[s].assign(kSpecies[s]);
        t.sp.species_reference[s].assign(std::string("data_") + kSpecies[s] + ".txt");
    }
    t.sp.species_effective_flag[3] = 1;
    // N2's level table from both of its rotation processes
    t.sp.rot_level_count[1] = 3;
    const double e[4] = {0, 0, 0.01, 0.03}, w[4] = {0, 1, 5, 9};
    for (int l = 1; l <= 3; ++l) {
        t.sp.rot_level_energy[1][l] = e[l];
        t.sp.rot_level_weight[1][l] = w[l];
    }
    const auto& src = sources();
    t.num.collision_count = static_cast<int>(src.size());
    for (int k = 1; k <= t.num.collision_count; ++k) {
        const Source& c = src[static_cast<std::size_t>(k - 1)];
        CollisionTables& col = t.col;
        col.collision_kind[k] = c.kind;
        col.collision_species[k] = c.species;
        col.collision_mass_ratio[k] = c.mass_ratio;
        col.collision_threshold[k] = c.threshold;
        col.lower_level_energy[k] = c.lower_energy;
        col.lower_level_weight[k] = c.lower_weight;
        col.upper_level_energy[k] = c.upper_energy;
        col.upper_level_weight[k] = c.upper_weight;
        col.collision_group[k] = (c.kind == kRotation || c.kind == kVibration) ? k : 0;
        test::set_table(t, k, c.table);
    }
    // a grouped rotation process of N2, carried by collision 5
    t.num.grouped_collision_count = 1;
    t.col.collision_kind[kMaxCollisions] = kRotation;
    t.col.collision_species[kMaxCollisions] = 1;
    t.col.collision_group[kMaxCollisions] = 5;
    t.col.lower_level_energy[kMaxCollisions] = 0.01;
    t.col.lower_level_weight[kMaxCollisions] = 5;
    t.col.upper_level_energy[kMaxCollisions] = 0.03;
    t.col.upper_level_weight[kMaxCollisions] = 9;
    test::set_table(t, kMaxCollisions, {{0, 0}, {0.02, 0}, {1, 1e-21}, {10000, 1e-21}});
    // one run, whose arrays follow RESUME
    t.num.run_count = 1;
    test::set_run_conditions(t, 1, 100.0);
    t.run.run_results[1][kResMeanEnergy] = 2.5;
}

class Layout7RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        fill_source(*a_);
        a_->prefs.output_format = 7;
        a_->prefs.output_file_name.assign("back.txt");
        ASSERT_TRUE(writebol(*a_));
        b_->prefs.cs_file_name.assign("back.txt");
        b_->prefs.cs_extrapolate = 0;
        b_->num.species_count = 3;
        for (int s = 1; s <= 3; ++s) {
            Name n;
            n.assign(kSpecies[s]);
            b_->sp.species_name[s] = n;
            readcs(*b_, s, n);
        }
    }
    test::OutputDir dir_;  // the working folder of back.txt
    ZeroedPtr<Tables> a_ = test::labelled_tables();
    ZeroedPtr<Tables> b_ = make_tables();
};

TEST_F(Layout7RoundTrip, SameCollisionsAndNothingElse) {
    const Tables& b = *b_;
    ASSERT_EQ(b.num.collision_count, 9);
    EXPECT_EQ(b.num.grouped_collision_count, 0);  // the group comes back as its leader alone
    const int kinds[] = {0, kElastic, kExcitation, kExcitation, kIonization, kRotation, kVibration,
                         kExcitation, kElastic, kAttachment};
    const int species[] = {0, 1, 1, 1, 1, 1, 1, 2, 3, 3};
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(b.col.collision_kind[k], kinds[k]) << k;
        EXPECT_EQ(b.col.collision_species[k], species[k]) << k;
    }
}

TEST_F(Layout7RoundTrip, ParametersWithFourDigits) {
    const CollisionTables& c = b_->col;
    EXPECT_EQ(c.collision_mass_ratio[1], 1.000e-4);  // through single precision: not 1.001e-4
    EXPECT_EQ(c.collision_mass_ratio[8], 1.36e-5);
    EXPECT_EQ(c.collision_threshold[2], 6.169);
    EXPECT_EQ(c.upper_level_weight[2], 1.0);
    EXPECT_EQ(c.collision_threshold[3], 11.03);
    EXPECT_EQ(c.upper_level_weight[3], 1.0);  // was 0.0: forward process of a reversible pair
    EXPECT_EQ(c.collision_threshold[4], 15.58);
    // the de-excitation comes back as an excitation of its own species
    EXPECT_EQ(c.collision_threshold[7], 6.169);
    EXPECT_EQ(c.upper_level_weight[7], 1.0);
    // rotation and vibration keep their two levels
    const int levelled[] = {5, 6};
    const double upper[] = {0.01, 0.29}, weight[] = {5.0, 1.0};
    for (int i = 0; i < 2; ++i) {
        const int k = levelled[i];
        EXPECT_EQ(c.lower_level_energy[k], 0.0);
        EXPECT_EQ(c.lower_level_weight[k], 1.0);
        EXPECT_EQ(c.upper_level_energy[k], upper[i]);
        EXPECT_EQ(c.upper_level_weight[k], weight[i]);
        EXPECT_EQ(c.collision_threshold[k], upper[i]);
        EXPECT_EQ(c.collision_group[k], k);
    }
}

TEST_F(Layout7RoundTrip, TablesComeBackWithoutNewPoints) {
    const CollisionTables& c = b_->col;
    const Points want[] = {
        {},
        {{0, 1.235e-20}, {1.5, 2e-20}, {10000, 2e-20}},
        {{0, 0}, {6.169, 0}, {7.25, 1e-21}, {10000, 2e-21}},
        {{0, 0}, {11.03, 0}, {12, 3e-22}, {10000, 3e-22}},
        {{0, 0}, {15.58, 0}, {20.0, 1.235e-21}, {10000, 2.5e-20}},
        {{0, 0}, {0.01, 0}, {0.5, 1e-21}, {10000, 1e-21}},
        {{0, 0}, {0.29, 0}, {1.0, 4e-21}, {10000, 4e-21}},
        {{0, 0}, {6.169, 0}, {8, 5e-22}, {10000, 5e-22}},
        {{0, 7e-21}, {10000, 7e-21}},
        {{0, 1e-23}, {10000, 1e-23}},
    };
    for (int k = 1; k <= 9; ++k) {
        ASSERT_EQ(c.cs_npoints[k], static_cast<int>(want[k].size())) << k;
        for (std::size_t j = 0; j < want[k].size(); ++j) {
            EXPECT_EQ(c.cs_energy[k][j], want[k][j].first) << k << " point " << j;
            EXPECT_EQ(c.cs_value[k][j], want[k][j].second) << k << " point " << j;
        }
    }
}

TEST_F(Layout7RoundTrip, SpeciesFlagsAndLevels) {
    const SpeciesTables& s = b_->sp;
    EXPECT_EQ(s.species_effective_flag[1], 0);
    EXPECT_EQ(s.species_effective_flag[3], 1);  // "EFFECTIVE" sets the flag again
    // rebuilt from the leader's two levels only
    ASSERT_EQ(s.rot_level_count[1], 2);
    EXPECT_EQ(s.rot_level_energy[1][1], 0.0);
    EXPECT_EQ(s.rot_level_weight[1][1], 1.0);
    EXPECT_EQ(s.rot_level_energy[1][2], 0.01);
    EXPECT_EQ(s.rot_level_weight[1][2], 5.0);
    EXPECT_EQ(s.rot_level_count[2], 0);
    EXPECT_EQ(s.species_reference[1].trimmed(), "back.txt");
}

}  // namespace
}  // namespace kestor
