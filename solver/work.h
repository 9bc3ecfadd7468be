// The solver's work area: per-run quantities and work arrays, allocated
// once (zeroed) for the whole process and shared by every solvebol call.
// Nothing in it is allocated per run or per iteration.
//
// Index conventions of the solver:
//   cells j = 1..n (n <= 1000), centres EPSC(j);
//   edges k = 1..n+1 with EPS(k) the lower edge of cell k, EPS(1) = 0,
//   EPS(n+1) = emax, and EPS(n+2) the sentinel edge of the collision walk;
//   interior edge k (2..n) lies between cells k-1 and k.
//   Edge arrays hold the value at energy EPS(k).
//   Species s = 1..species_count; collision slots k in the solver's order
//   (visible slots 1..collision_count, grouped ones from 4003 down).
// Energies are in eV, cross sections in m2, F in eV^-3/2; index 0 is unused.
// Matrices are stored column after column (row index fastest).
//
// The groups: `run` is written by the set-up alone and only read after it;
// `grid` is the grid of the current trial; `dist` the distribution and the
// integrals of its shape; `coll` the cross sections on the grid, the
// collision integrals and the growth of the electron number; `ee` the
// electron-electron momentum correction; `iter` the iteration control;
// `grad` the density-gradient expansion. The system matrix A (with ROWSUM)
// and the elimination's tables belong to no group: the iteration's solve
// and the expansion's three solves share them.
#pragma once

#include <cstddef>

#include "common/tables.h"
#include "solver/profile.h"
#include "solver/solve_work.h"
#include "solver/walk_pieces.h"

namespace kestor {

constexpr int kMaxCells = kMaxGrid;          // 1000
constexpr int kEdgeArray = kMaxGrid + 3;     // room for EPS(1..n+2)
constexpr int kCellArray = kMaxGrid + 2;     // cells 1..n (+1 spare)

// Dense matrix with rows 0..Rows-1 and columns 0..Cols-1, column-major.
template <int Rows, int Cols>
struct ColMatrix {
    double v[static_cast<std::size_t>(Rows) * Cols];
    double& operator()(int i, int k) { return v[static_cast<std::size_t>(k) * Rows + i]; }
    double operator()(int i, int k) const { return v[static_cast<std::size_t>(k) * Rows + i]; }
    double* column(int k) { return v + static_cast<std::size_t>(k) * Rows; }
    const double* column(int k) const { return v + static_cast<std::size_t>(k) * Rows; }
    static constexpr int rows() { return Rows; }
};

// System matrix: rows 1..n, columns 1..n and the right-hand side in n+1.
using SystemMatrix = ColMatrix<kMaxCells + 1, kMaxCells + 2>;
// Saved operator of the density-gradient expansion (rows 0..1007, columns 0..1000).
using SavedMatrix = ColMatrix<1008, kMaxCells + 1>;

// What the set-up derives from the run's conditions (C1..C20) and gas
// fractions; fixed for the rest of the run.
struct RunSettings {
    double reduced_field;              // E/N (V m2), from C1 in Td
    double field_frequency;            // C2: angular frequency / N (m3/s), raw
    int field_frequency_mode;          // 1 when C2 > 0: the field oscillates
    double cos_field_angle;            // C3: cosine of the angle between E and B, raw
    double gas_temperature_ev;         // kT of the gas (eV), from C4
    double excitation_temperature_ev;  // kT of the excited levels (eV), from C5
    double transition_energy;          // C6 (eV): where the two level temperatures meet
    double ee_degree;                  // ionisation degree seen by e-e collisions (0 when C9 < 0)
    double ei_degree;                  // weight of the electron-ion collisions (C9 C7, or C7 when C9 < 0)
    double plasma_density;             // C8 (1/m3); below 0 its negative is the Coulomb logarithm
    double sqrt_plasma_density;        // sqrt(C8) when C8 > 0, else 0
    double ion_mass_ratio;             // C10: ion/neutral mass ratio
    int ee_momentum_flag;              // INT(C11), kEEMomentumOff where the correction cannot apply
    int energy_sharing;                // INT(C12): kSharing* of the ionising collisions
    int growth_model;                  // kGrowthNone, kGrowthTemporal or kGrowthSpatial after normalisation
    int gradient_submode;              // kGradient*: the density-gradient expansion
    int maxwellian_mode;               // 1 when C14 > 0: F is held at the Maxwellian, E/N derived
    double maxwellian_energy;          // C14: Maxwellian mean energy (eV), raw
    double precision;                  // C18: level of F, relative to its peak, where the grid may end
    double ln_precision;               // ln C18
    double lambda;                     // -ln C18
    double convergence;                // C19: largest relative change of F of a converged iteration
    int max_iterations;                // INT(C20)
    int attachment_present;            // 1 when some visible collision is an attachment
    double electron_ion_mass_ratio;    // mu: mole-fraction weighted electron/target mass ratio over C10
    double ei_tail_parameter;          // electron-ion tail of the emax estimate, compared with lambda
    double ff_beta;                    // (1 - C3^2)(C2/gamma)^2 (m4 eV), field-frequency term of QEFF
    double ff_kappa;                   // (C2 C3/gamma)^2 (m4 eV), its angle term

    // Per species s:
    double XS[kMaxSpecies + 1];        // mole fraction in the run
    double CMRTS[kMaxSpecies + 1];     // electron/target mass ratio m/M, the largest of its elastic collisions
    double XXS[kMaxSpecies + 1];       // rotational partition sum: level weights times populations
    // Per collision slot k, the share of the target species in the level
    // from which the process starts:
    double CX1[kMaxCollisions + 1];    // lower-level fraction, for the forward process
    double CX2[kMaxCollisions + 1];    // upper-level fraction, for the inverse (superelastic) process
};

// The energy grid of the current trial; the trial rules change emax and
// grid_type, and build_grid rebuilds the edges.
struct GridState {
    double emax;                       // top of the grid (eV), kResMaxEnergy
    int grid_type;                     // kGrid*: shape of the grid; a re-estimate makes it kGridEstimated
    double ei_field_threshold;         // E/N (V m2) below which e-i collisions bound emax; 0 once given up
    int grid_trials;                   // grids built in the run, kResGridTrials
    double EPS[kEdgeArray];            // per edge: its energy (eV), the lower edge of cell k
    double EPSC[kCellArray];           // per cell: centre energy (eV)

    // Width of cell j (eV).
    double width(int j) const { return EPS[j + 1] - EPS[j]; }
    // Distance of the centres of the two cells that share interior edge k (eV).
    double centre_gap(int k) const { return EPSC[k] - EPSC[k - 1]; }
};

// The distribution of the iteration and the integrals of its in-cell shape.
struct Distribution {
    int slope_mode;                    // kSlope*: shape of F inside a cell, exponential until turned linear
    double F[kCellArray];              // per cell: the distribution (eV^-3/2), sum H F = 1 after a solve
    double FOLD[kCellArray];           // per cell: F of the previous iteration
    double G[kCellArray];              // per cell: slope of the in-cell shape (1/eV)
    double H[kCellArray];              // per cell: integral of eps^1/2 times the shape (eV^3/2)
    double HH[kCellArray];             // per cell: integral of eps^3/2 times the shape (eV^5/2)
    double HHH[kCellArray];            // per cell: integral of the shape (eV); only with e-e collisions
    double FF1[kEdgeArray];            // per edge: integral of eps^1/2 F below EPS(k), times ee_energy_factor
    double FF2[kEdgeArray];            // per edge: integral of eps^3/2 F below EPS(k) (eV)
    double FF3[kEdgeArray];            // per edge: integral of F above EPS(k) (eV^-1/2)
    double F1[kEdgeArray];             // per edge: first anisotropy, E/QEFF dF/deps (entry 1 stays 0)
};

// Cross sections on the grid, the collision integrals of the current
// shape of F and the growth of the electron number.
struct CollisionTerms {
    // Per edge: mixture cross sections weighted by mole and level fractions (m2).
    double CSM[kEdgeArray];            // momentum transfer of the neutrals
    double CSE[kEdgeArray];            // energy exchange: each momentum contribution times 2 m/M
    double CSMEI[kEdgeArray];          // electron-ion momentum transfer (0 at edge 1)
    double CSEEI[kEdgeArray];          // electron-ion energy exchange, CSMEI times 2 mu
    double Q[kEdgeArray];              // total momentum transfer: CSM + CSMEI (+ temporal growth, floored)
    double QEFF[kEdgeArray];           // effective: Q with the field-frequency term, over AF1 (e-e correction)
    double coulomb_log;                // Coulomb logarithm of the last update, kResCoulombLog
    double coulomb_factor;             // 7.727e-12 times the Coulomb logarithm (m3 eV^3/2 / s)

    // Per cell, with mole and level fractions; times F(j) a rate (m3/s).
    double RRI[kCellArray];            // ionisation loss rate from the cell
    double RRA[kCellArray];            // attachment loss rate from the cell
    double RRIA[kCellArray];           // RRI - RRA, net production
    // exp((EPSC(c) - e) G(c)) at the lower and upper edge e of cell c, for
    // the cells with the exponential shape (collision integrals)
    double edge_exp_lower[kCellArray], edge_exp_upper[kCellArray];
    WalkPieces walk_pieces;            // pieces of the walk of one process

    // Growth of the electron number, from the current F.
    double ionization_freq;            // sum RRI F (m3/s), kResIonizationFreq
    double attachment_freq;            // sum RRA F (m3/s), kResAttachmentFreq
    double net_growth_freq;            // ionization_freq - attachment_freq
    double townsend_alpha;             // net alpha/N of the spatial growth (m2), averaged over iterations
    int momentum_floor_hit;            // 1 when the temporal growth pushed Q to 1 % of CSM (run fails)
    double AAAA[kCellArray];           // per cell: energy shape of the electrons born in spatial growth, sum 1

    // Per slot, of the final F, before the mole fraction (results).
    double XK[kMaxCollisions + 1];     // rate coefficient (m3/s)
    double XKINV[kMaxCollisions + 1];  // inverse (superelastic) rate coefficient (m3/s)
    double XP[kMaxCollisions + 1];     // energy-loss coefficient (eV m3/s)

    // Per slot and cell, [k][j], without fractions: times F(j) the rate (m3/s).
    double RR[kMaxCollisions + 1][kCellArray];     // forward process from source cell j
    double RRINV[kMaxCollisions + 1][kCellArray];  // inverse process into destination cell j
    // Per cell pair (row = cell the electron is in after, column = cell
    // before), with fractions; rows 1..n, columns 1..n (n+1 cleared).
    SystemMatrix AA;                   // inelastic scatter: losses on the diagonal, gains negative
    SystemMatrix AAA;                  // secondary electrons of ionisation (row: cell of the new electron)
};

// Electron-electron momentum correction: two tridiagonal systems on the
// interior edges k = 2..n and the factors they give.
struct EeMomentum {
    double AF1[kEdgeArray];            // per edge: mobility factor (1 without the correction); divides QEFF
    double AG1[kEdgeArray];            // per edge: diffusion factor (1 without the correction)
    double G1[kEdgeArray];             // per edge: capped slope of F, then start and solution of system two
    double AAW[kEdgeArray];            // per row: sub-diagonal
    double AAC[kEdgeArray];            // per row: diagonal
    double AAE[kEdgeArray];            // per row: super-diagonal
    double AAR[kEdgeArray];            // per row: right-hand side
    double B0[kEdgeArray];             // per edge: sum of sqrt(F(j) F(j-1)) gap over the edges j above k
    double B1[kEdgeArray];             // per edge: sum of (anisotropy / sqrt(eps)) gap / 3 over them
    double GAM[kEdgeArray];            // elimination factors of the tridiagonal solve
};

// Iteration control of the run: counters, status, change measure, tail,
// the energy balance and the electron-electron start.
struct IterationState {
    int total_iterations;              // iterations of the run over all trials, kResIterations
    int trial_iterations;              // iterations of the current trial
    int run_status;                    // RunStatus, kResStatus
    double change;                     // largest relative change of F above tail_level, last iteration
    double previous_change;            // change of the iteration before
    double eedf_peak;                  // largest F
    double tail_level;                 // precision times eedf_peak
    int tail_point;                    // cell where the tail of F begins

    // Energy balance of an iteration with e-e collisions (eV m3/s).
    double collision_power;            // sum EPSC (A F - b), collision part of the operator
    double field_power;                // gained from the field
    double elastic_drift_power;        // lost in elastic recoil
    double elastic_thermal_power;      // gained from the gas temperature
    double extra_power;                // superelastic gains and the attachment terms
    double ee_energy_factor;           // factor of the e-e friction FF1 that closes the balance
    double balance_error;              // relative imbalance of the last iteration
    double previous_balance_error;     // of the iteration before

    // Electron-electron start of a trial.
    double ee_start_temperature;       // temperature of its Maxwellian (eV)
    double ee_start_step;              // its last temperature step (eV); small steps end the starts
    // Per column j = 1..n+1: energy gained per unit F(j) under the operator
    // (-sum_i A(i, j) EPSC(i)) with the elastic and field fluxes; column
    // n+1 that of the right-hand side.
    double B[kEdgeArray];
};

// Density-gradient expansion: the three solves with the saved operator and
// the sums that give the bulk and longitudinal coefficients.
struct GradientState {
    int saved_operator_valid;          // 1 once AG holds an operator of this run
    double W;                          // gamma/3 sum EPS F1 gap: the flux drift velocity (m/s)
    double D0;                         // diffusion coefficient N without the e-e factors (1/m/s)
    double P1;                         // drift correction of the bulk mobility (m/s)
    double L1;                         // longitudinal diffusion coefficient N (1/m/s), kResLongDiffusion
    double P2;                         // growth correction of the longitudinal diffusion (1/m/s)
    double P3;                         // growth correction of the transverse diffusion (1/m/s)
    double alpha;                      // spatial growth alpha/N of kGradientSteadyState (m2)
    double S[kCellArray];              // per cell: row factor, its electrons plus the anisotropy flux out
    double GZ[kCellArray];             // per cell: first-order correction along the field
    double GZZ[kCellArray];            // per cell: second-order correction along the field
    double GYY[kCellArray];            // per cell: second-order correction across the field
    double GZ1[kEdgeArray];            // per edge: anisotropy of GZ, built like F1
    double GZZ1[kEdgeArray];           // per edge: anisotropy of GZZ
    SavedMatrix AG;                    // operator of the last iteration without secondary electrons and
                                       // normalisation row (rows and columns 1..n)
};

struct SolverWork {
    SolveWork solve_work;              // elimination tables of `solve`

    int n;                             // cells of the run's grid (1..1000), set by the set-up; sizes every group

    RunSettings run;
    GridState grid;
    Distribution dist;
    CollisionTerms coll;
    EeMomentum ee;
    IterationState iter;
    GradientState grad;

    // The linear system of the iteration, solved in place by solve_system.
    SystemMatrix A;                    // rows 1..n: balance of each cell; column n+1 the right-hand side
    double ROWSUM[kCellArray];         // per row: sum over columns of a matrix times F

    // Vector instruction set of the solver's kernels (the numbers do not
    // depend on it); kAuto unless a check asks for the baseline.
    SolveIsa kernel_isa;
    // Optional phase timers (benchmarks).
    SolverProfile profile;
};

inline ZeroedPtr<SolverWork> make_solver_work() { return make_zeroed<SolverWork>(); }

}  // namespace kestor
