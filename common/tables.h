// The shared tables of the program: species, collisions, runs, labels,
// selections and settings. One Tables object lives for the whole process
// and is passed by reference; it starts zeroed (texts read as blank).
//
// Indexing follows the physics bookkeeping: species, collisions, runs,
// conditions, results and grid points count from 1 (index 0 unused);
// the points of a cross-section table count from 0.
#pragma once

#include "common/fixed_text.h"
#include "common/zeroed.h"

namespace kestor {

constexpr int kMaxSpecies = 203;
constexpr int kMaxCollisions = 4003;    // slots shared by visible and grouped processes
constexpr int kMaxCsPoints = 1003;      // points 0..1002 of a cross-section table
constexpr int kMaxRuns = 1003;
constexpr int kMaxGrid = 1000;          // energy cells of a run
constexpr int kNumConditions = 20;
constexpr int kNumResults = 30;
constexpr int kMaxCurrent = 223;        // 20 conditions + 203 mole fractions
constexpr int kMaxRotLevels = 4003;     // rotational levels per species

// CollisionKind
enum CollisionKind : int {
    kElastic = 0,       // elastic or effective momentum transfer
    kAttachment = 1,
    kIonization = 2,
    kExcitation = 3,
    kDeexcitation = 4,  // the species is the upper state of a reversible excitation
    kRotation = 5,
    kVibration = 6,
};

// RunStatus values (result 30)
enum RunStatus : int {
    kStatusSuccess = 0,
    kStatusFailed = 1,
    kStatusFailedUnchanged = 3,
    kStatusIncorrectMeanEnergy = 7,
    kStatusMissingElastic = 11,
};

// Condition indices (1-based, condition_labels order)
enum Condition : int {
    kCondEN = 1, kCondFrequency = 2, kCondCosEB = 3, kCondGasTemp = 4, kCondExcTemp = 5,
    kCondTransitionEnergy = 6, kCondIonDegree = 7, kCondPlasmaDensity = 8, kCondIonCharge = 9,
    kCondIonMassRatio = 10, kCondEEMomentum = 11, kCondEnergySharing = 12, kCondGrowthModel = 13,
    kCondMaxwellEnergy = 14, kCondGridPoints = 15, kCondGridType = 16, kCondMaxEnergy = 17,
    kCondPrecision = 18, kCondConvergence = 19, kCondMaxIterations = 20,
};

// numdat: the counts
struct NumDat {
    int species_count;
    int collision_count;
    int run_count;
    int grouped_collision_count;
};

// coldat1..coldat6, coldat10, coldat4 (names): one entry per collision slot 1..4003
struct CollisionTables {
    double cs_energy[kMaxCollisions + 1][kMaxCsPoints];  // eV, [k][j], j = 0..1002
    double cs_value[kMaxCollisions + 1][kMaxCsPoints];   // m2
    int cs_npoints[kMaxCollisions + 1];
    int collision_kind[kMaxCollisions + 1];
    int collision_species[kMaxCollisions + 1];
    double collision_mass_ratio[kMaxCollisions + 1];
    double collision_threshold[kMaxCollisions + 1];
    double lower_level_energy[kMaxCollisions + 1];
    double upper_level_energy[kMaxCollisions + 1];
    double lower_level_weight[kMaxCollisions + 1];
    double upper_level_weight[kMaxCollisions + 1];
    int collision_group[kMaxCollisions + 1];
    Name collision_name[kMaxCollisions + 1];
};

// coldat4 (names), coldat7, coldat8, prefs1 (references): one entry per species 1..203
struct SpeciesTables {
    Name species_name[kMaxSpecies + 1];
    int species_effective_flag[kMaxSpecies + 1];
    int rot_level_count[kMaxSpecies + 1];
    double rot_level_energy[kMaxSpecies + 1][kMaxRotLevels + 1];  // [s][l], l = 1..
    double rot_level_weight[kMaxSpecies + 1][kMaxRotLevels + 1];
    RefText species_reference[kMaxSpecies + 1];
};

// rundat0..rundat4: one row per run 1..1003
struct RunTables {
    double run_conditions[kMaxRuns + 1][kNumConditions + 1];  // [r][j], j = 1..20
    double run_gas_fractions[kMaxRuns + 1][kMaxSpecies + 1];  // [r][s]
    double run_results[kMaxRuns + 1][kNumResults + 1];        // [r][j], j = 1..30
    double run_rate_coef[kMaxRuns + 1][kMaxCollisions + 1];   // [r][k], m3/s
    double run_inverse_rate_coef[kMaxRuns + 1][kMaxCollisions + 1];
    double run_energy_loss_coef[kMaxRuns + 1][kMaxCollisions + 1];  // eV m3/s
    double run_eedf[kMaxRuns + 1][kMaxGrid + 1];         // [r][j], eV^-3/2
    double run_eedf_energy[kMaxRuns + 1][kMaxGrid + 1];  // cell-centre energy, eV
    double run_anisotropy[kMaxRuns + 1][kMaxGrid + 1];
    Name run_name[kMaxRuns + 1];
};

// rundat4: labels, filled at start-up
struct LabelTables {
    Name condition_labels[kNumConditions + 1];
    Name result_labels[kNumResults + 1];
};

// seldat: what the writer writes
struct SelectionTables {
    int collision_selected[kMaxCollisions + 1];
    int run_selected[kMaxRuns + 1];
};

// prefs1..prefs3: file names and settings
struct Settings {
    LineText cs_file_name;
    LineText output_file_name;
    int output_format;  // OutputLayout
    int output_conditions;
    int output_transport;
    int output_rates;
    int output_inverse_rates;
    int output_energy_loss;
    int output_eedf;
    int normalize_fractions;
    int cs_extrapolate;
};

struct Tables {
    NumDat num;
    CollisionTables col;
    SpeciesTables sp;
    RunTables run;
    LabelTables labels;
    SelectionTables sel;
    Settings prefs;
};

// A zeroed Tables for the whole process (calloc'd: unused pages stay untouched).
inline ZeroedPtr<Tables> make_tables() { return make_zeroed<Tables>(); }

}  // namespace kestor
