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
constexpr double kTableUpperEnergy = 10000.0;  // eV: every cross-section table is carried up to here
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

// What a process does with the colliding electron. Attachment takes it
// away; ionisation and the excitations leave it in a lower cell, its
// destination; the excitations (rotations and vibrations included) also run
// backwards from their upper level. Every process but elastic momentum
// transfer takes energy from the electrons.
constexpr bool carries_electrons_off(int kind) { return kind == kAttachment; }
constexpr bool has_inverse(int kind) {
    return kind == kExcitation || kind == kDeexcitation || kind == kRotation || kind == kVibration;
}
constexpr bool has_destination_cell(int kind) { return kind == kIonization || has_inverse(kind); }
constexpr bool is_inelastic(int kind) { return carries_electrons_off(kind) || has_destination_cell(kind); }

// RunStatus values (result kResStatus)
enum RunStatus : int {
    kStatusSuccess = 0,
    kStatusFailed = 1,
    kStatusFailedUnchanged = 3,
    kStatusIncorrectMeanEnergy = 7,
    kStatusMissingElastic = 11,
};

// The one test of a failed run: a stored status above 0. Only the codes
// above are stored, so every other status is a success, kStatusSuccess.
constexpr bool run_failed(double status) { return status > 0.0; }

// Condition indices (1-based, condition_labels order)
enum Condition : int {
    kCondEN = 1, kCondFrequency = 2, kCondCosEB = 3, kCondGasTemp = 4, kCondExcTemp = 5,
    kCondTransitionEnergy = 6, kCondIonDegree = 7, kCondPlasmaDensity = 8, kCondIonCharge = 9,
    kCondIonMassRatio = 10, kCondEEMomentum = 11, kCondEnergySharing = 12, kCondGrowthModel = 13,
    kCondMaxwellEnergy = 14, kCondGridPoints = 15, kCondGridType = 16, kCondMaxEnergy = 17,
    kCondPrecision = 18, kCondConvergence = 19, kCondMaxIterations = 20,
};

// Result indices (1-based, result_labels order). Entries 10 and 26 have no
// label and stay 0 in every run.
enum Result : int {
    kResMeanEnergy = 1,            // eV
    kResMobility = 2,              // mu N, 1/m/V/s
    kResReMobility = 3,            // real part (field frequency) or perpendicular mobility N
    kResImMobility = 4,            // imaginary part (field frequency) or Hall mobility N
    kResBulkMobility = 5,
    kResDiffusion = 6,             // D N, 1/m/s
    kResLongDiffusion = 7,
    kResBulkTransDiffusion = 8,
    kResBulkLongDiffusion = 9,
    kResUnused10 = 10,
    kResEnergyMobility = 11,
    kResEnergyDiffusion = 12,
    kResTotalCollisionFreq = 13,   // m3/s
    kResMomentumFreq = 14,
    kResEIMomentumFreq = 15,
    kResIonizationFreq = 16,
    kResAttachmentFreq = 17,
    kResTownsendAlpha = 18,        // alpha/N, m2
    kResTownsendEta = 19,          // eta/N, m2
    kResPower = 20,                // eV m3/s
    kResElasticPower = 21,
    kResInelasticPower = 22,
    kResGrowthPower = 23,
    kResEIPower = 24,
    kResCoulombLog = 25,
    kResUnused26 = 26,
    kResMaxEnergy = 27,            // final maximum energy of the grid, eV
    kResIterations = 28,
    kResGridTrials = 29,
    kResStatus = 30,               // the RunStatus as a real
};

// Growth model, condition 13 (truncated). The solver reduces it to a growth
// model kGrowthNone, kGrowthTemporal or kGrowthSpatial and a density-gradient
// sub-mode (kGradient* below); in an oscillating field (condition 2 > 0)
// every code with growth becomes kGrowthTemporal, without the expansion.
enum GrowthModelCode : int {
    kGrowthNone = 0,               // electron number conserved: ionisation and attachment only take energy
    kGrowthTemporal = 1,           // exponential growth of the electron number in time
    kGrowthSpatial = 2,            // steady-state growth along the field (Townsend coefficient)
    kGrowthNoneAlso = 3,           // read as kGrowthNone
    kGrowthGradientTemporal = 4,   // temporal growth, then the density-gradient expansion
    kGrowthGradientSpatial = 5,    // the same, with the steady-state spatial-growth distribution rebuilt
    kGrowthGradientNone = 6,       // no growth, then the density-gradient expansion
};

// Density-gradient sub-mode: kGrowthGradientTemporal selects kGradientTemporal,
// and so on (a code above 6 gives a sub-mode above 3 that expands like
// kGradientTemporal); off for the other growth codes and in an oscillating
// field.
enum GradientSubmode : int {
    kGradientOff = 0,
    kGradientTemporal = 1,         // expansion of the temporal-growth distribution
    kGradientSteadyState = 2,      // ... and the spatial-growth distribution rebuilt from it
    kGradientNoGrowth = 3,         // expansion without growth
};

// Grid type, condition 16 (truncated).
enum GridType : int {
    kGridEstimated = 0,            // maximum energy estimated from the cross sections; cells widening
                                   // from 10 eV / n at zero energy (equal cells when emax <= 10 eV)
    kGridLinear = 1,               // given maximum energy, equal cells (also any value outside 0..3)
    kGridQuadratic = 2,            // given maximum energy, cell edges growing as the square
    kGridGivenThenEstimated = 3,   // given maximum energy for the first trials, shape of kGridEstimated;
                                   // estimated like it once a trial fails to converge
};

// Energy sharing of ionisation, condition 12 (truncated).
enum EnergySharing : int {
    kSharingEqual = 1,             // primary and secondary share the remaining energy equally
    kSharingSecondaryAtZero = 2,   // the secondary starts at zero energy, the primary keeps the rest
    kSharingPrimaryOnly = 3,       // the secondary electron is not entered (so for any other value)
};

// e-e momentum effects, condition 11 (truncated). The solver forces it off
// without e-e collisions, with a growth model above temporal and in a
// Maxwellian run. Only 1 runs the momentum correction; any value but 0
// gives the field heating of the electron-electron start its momentum form.
constexpr int kEEMomentumOff = 0;
constexpr int kEEMomentumOn = 1;

// Shape of the distribution inside a cell (solver's slope mode).
enum SlopeMode : int {
    kSlopeLinear = 1,
    kSlopeExponential = 2,
};

// Varied quantity of RUNSERIES and RUNBACK (first parameter line); with a
// non-empty VAR list the first VAR entry is varied whatever the code.
enum SeriesVariable : int {
    kSeriesEN = 1,                 // E/N (Td)
    kSeriesMaxwellEnergy = 3,      // Maxwellian mean energy (eV)
    // any other value: a target mean energy (eV), E/N searched for each run
};

// Row quantity of RUN2D (first parameter line); with two or more VAR
// entries the first VAR entry is the row quantity whatever the code.
enum GridRowVariable : int {
    kRowEN = 1,                    // E/N (Td)
    kRowIonMassRatio = 3,          // ion/neutral mass ratio (condition 10)
    // any other value: a target mean energy (eV)
};

// Spacing of series and grid values between the first and the last.
enum SeriesSpacing : int {
    kSpacingLinear = 1,
    kSpacingQuadratic = 2,
    kSpacingExponential = 3,
};

// The counts, written by the collision reader and the interpreter.
struct NumDat {
    int species_count;            // species 1..species_count, in the order first named
    int collision_count;          // visible collisions in slots 1..collision_count
    int run_count;                // runs held, rows 1..run_count
    int grouped_collision_count;  // grouped rotations and vibrations, slots 4003 down
};

// The collision processes, one entry per slot 1..4003 (visible collisions
// from 1 up, grouped rotations and vibrations from 4003 down); written by
// the collision reader, the names by the interpreter.
struct CollisionTables {
    double cs_energy[kMaxCollisions + 1][kMaxCsPoints];  // cross-section table: energies (eV), [k][p], p = 0..1002
    double cs_value[kMaxCollisions + 1][kMaxCsPoints];   // its cross sections (m2)
    int cs_npoints[kMaxCollisions + 1];                  // points in the table
    int collision_kind[kMaxCollisions + 1];              // CollisionKind
    int collision_species[kMaxCollisions + 1];           // target species
    double collision_mass_ratio[kMaxCollisions + 1];     // electron/target mass ratio (elastic and effective)
    double collision_threshold[kMaxCollisions + 1];      // energy lost in the process (eV)
    double lower_level_energy[kMaxCollisions + 1];       // energy of the level the process starts from (eV)
    double upper_level_energy[kMaxCollisions + 1];       // energy of the level it ends in (eV)
    double lower_level_weight[kMaxCollisions + 1];       // statistical weights (1 by default; the upper one
    double upper_level_weight[kMaxCollisions + 1];       // is 0 for the forward process of a reversible pair)
    int collision_group[kMaxCollisions + 1];             // grouped process: the visible slot that carries it
    Name collision_name[kMaxCollisions + 1];             // 64-character display name
};

// The species, one entry per species 1..203; written by the collision
// reader, the names by the interpreter.
struct SpeciesTables {
    Name species_name[kMaxSpecies + 1];
    int species_effective_flag[kMaxSpecies + 1];  // 1: its elastic data are an effective momentum transfer
    int rot_level_count[kMaxSpecies + 1];         // rotational levels in the two tables below
    double rot_level_energy[kMaxSpecies + 1][kMaxRotLevels + 1];  // level energies (eV, ascending), [s][l], l = 1..
    double rot_level_weight[kMaxSpecies + 1][kMaxRotLevels + 1];  // their statistical weights
    RefText species_reference[kMaxSpecies + 1];  // data-file name and reference text, lines joined by CR LF
};

// The runs, one row per run 1..1003: the interpreter writes the conditions,
// fractions and name, the solver the rest (and E/N of a Maxwellian run).
struct RunTables {
    double run_conditions[kMaxRuns + 1][kNumConditions + 1];  // [r][j], Condition j = 1..20
    double run_gas_fractions[kMaxRuns + 1][kMaxSpecies + 1];  // [r][s], mole fractions
    double run_results[kMaxRuns + 1][kNumResults + 1];        // [r][j], Result j = 1..30
    double run_rate_coef[kMaxRuns + 1][kMaxCollisions + 1];   // [r][k], visible collision k (m3/s)
    double run_inverse_rate_coef[kMaxRuns + 1][kMaxCollisions + 1];  // superelastic rate coefficient (m3/s)
    double run_energy_loss_coef[kMaxRuns + 1][kMaxCollisions + 1];   // energy-loss coefficient (eV m3/s)
    double run_eedf[kMaxRuns + 1][kMaxGrid + 1];         // [r][j], distribution of grid cell j (eV^-3/2)
    double run_eedf_energy[kMaxRuns + 1][kMaxGrid + 1];  // its cell-centre energy (eV)
    double run_anisotropy[kMaxRuns + 1][kMaxGrid + 1];   // its first anisotropy over the distribution
    Name run_name[kMaxRuns + 1];                          // name with E/N and mean energy or status text
};

// Labels of the conditions and results, filled at start-up.
struct LabelTables {
    Name condition_labels[kNumConditions + 1];
    Name result_labels[kNumResults + 1];
};

// What SAVERESULTS writes: 1 for a selected collision or run.
struct SelectionTables {
    int collision_selected[kMaxCollisions + 1];
    int run_selected[kMaxRuns + 1];
};

// File names and settings of the commands.
struct Settings {
    LineText cs_file_name;      // data file of the current READCOLLISIONS
    LineText output_file_name;  // result file of SAVERESULTS, or table file of RUN2D
    int output_format;          // OutputLayout
    int output_conditions;      // the six output switches: on when 1
    int output_transport;
    int output_rates;
    int output_inverse_rates;
    int output_energy_loss;
    int output_eedf;
    int normalize_fractions;    // 1: the fractions of each run not varied are rescaled so that all sum to 1
    int cs_extrapolate;         // 0: tables extended to 10000 eV with their last value; else as ln(E)/E
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
