// The solver's work area: per-run quantities and work arrays, allocated
// once (zeroed) for the whole process and shared by every solvebol call.
//
// Index conventions of the solver:
//   cells j = 1..n (n <= 1000), centres EPSC(j);
//   edges k = 1..n+1 with EPS(k) the lower edge of cell k, EPS(1) = 0,
//   EPS(n+1) = emax, and EPS(n+2) the sentinel edge of the collision walk.
//   Edge arrays hold the value at energy EPS(k).
// Matrices are stored column after column (row index fastest).
#pragma once

#include <cstddef>

#include "common/tables.h"
#include "solver/profile.h"
#include "solver/solve_work.h"
#include "solver/walk_pieces.h"

namespace kestor {

constexpr int kMaxCells = kMaxGrid;          // 1000
constexpr int kMaxEdges = kMaxGrid + 1;      // 1001
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

struct SolverWork {
    // --- per-run quantities (run set-up) ---
    double reduced_field;              // E/N in V m2
    int field_frequency_mode;          // C2 > 0
    double gas_temperature_ev;
    double excitation_temperature_ev;
    double transition_energy;          // C6
    double ee_degree;
    double ei_degree;
    double plasma_density;             // C8
    double sqrt_plasma_density;        // sqrt(C8), for the Coulomb update
    double ion_mass_ratio;             // C10
    int ee_momentum_flag;
    int energy_sharing;
    int growth_model;
    int gradient_submode;
    int maxwellian_mode;               // C14 > 0
    int n;                             // energy cells
    int grid_type;
    double emax;
    double precision;                  // C18
    double ln_precision;               // ln p
    double lambda;                     // -ln p
    double convergence;                // C19
    int max_iterations;
    int attachment_present;
    double electron_ion_mass_ratio;    // mu
    double coulomb_factor;
    double ei_field_threshold;
    double ei_tail_parameter;
    int slope_mode;                    // 2 exponential, 1 linear
    double field_frequency;            // C2, angular frequency / N (m3/s), raw
    double cos_field_angle;            // C3, cosine of the E-B angle, raw
    double maxwellian_energy;          // C14, Maxwellian mean energy (eV), raw

    // --- operator terms ---
    double coulomb_log;
    double townsend_alpha;
    int momentum_floor_hit;
    double ionization_freq;
    double attachment_freq;
    double net_growth_freq;
    double ff_beta;                    // field-frequency factors of QEFF
    double ff_kappa;

    // --- power balance ---
    double collision_power, field_power, elastic_drift_power, elastic_thermal_power, extra_power;
    double ee_energy_factor;
    double balance_error, previous_balance_error;

    // --- iteration control ---
    int total_iterations;
    int grid_trials;
    int trial_iterations;
    int run_status;
    double change, previous_change;
    double eedf_peak, tail_level;
    int tail_point;
    double ee_start_temperature;
    double ee_start_step;

    // --- density-gradient expansion scalars ---
    double grad_W, grad_D0, grad_P1, grad_L1, grad_P2, grad_P3, grad_alpha;
    int saved_operator_valid;          // 1 once AG holds an operator of this run
    double grad_S[kCellArray];         // row factors of the gradient systems

    // --- species and collision work arrays ---
    double XS[kMaxSpecies + 1];
    double CMRTS[kMaxSpecies + 1];
    double XXS[kMaxSpecies + 1];
    double CX1[kMaxCollisions + 1];
    double CX2[kMaxCollisions + 1];
    double XK[kMaxCollisions + 1];
    double XKINV[kMaxCollisions + 1];
    double XP[kMaxCollisions + 1];

    // --- grid ---
    double EPS[kEdgeArray];
    double EPSC[kCellArray];

    // --- edge arrays (k = 1..n+1) ---
    double CSM[kEdgeArray], CSE[kEdgeArray], CSMEI[kEdgeArray], CSEEI[kEdgeArray];
    double Q[kEdgeArray], QEFF[kEdgeArray];
    double FF1[kEdgeArray], FF2[kEdgeArray], FF3[kEdgeArray];
    double AF1[kEdgeArray], AG1[kEdgeArray], B[kEdgeArray];
    double F1[kEdgeArray], G1[kEdgeArray];
    double GZ1[kEdgeArray], GZZ1[kEdgeArray];
    double AAW[kEdgeArray], AAC[kEdgeArray], AAE[kEdgeArray], AAR[kEdgeArray];
    double B0[kEdgeArray], B1[kEdgeArray];

    // --- cell arrays (j = 1..n) ---
    double F[kCellArray], FOLD[kCellArray], G[kCellArray];
    double H[kCellArray], HH[kCellArray], HHH[kCellArray];
    double RRI[kCellArray], RRA[kCellArray], RRIA[kCellArray], AAAA[kCellArray];
    double GZ[kCellArray], GZZ[kCellArray], GYY[kCellArray];
    // exp((EPSC(c) - e) G(c)) at the lower and upper edge e of cell c, for
    // the cells with the exponential shape (collision integrals)
    double edge_exp_lower[kCellArray], edge_exp_upper[kCellArray];
    WalkPieces walk_pieces;

    // --- linear-solver work ---
    SolveWork solve_work;              // column list JA and elimination tables
    double GAM[kEdgeArray];
    double ROWSUM[kCellArray];         // row sums A F of the power balance

    // --- collision integrals per slot and cell: [k][j] ---
    double RR[kMaxCollisions + 1][kCellArray];
    double RRINV[kMaxCollisions + 1][kCellArray];

    // --- matrices ---
    SystemMatrix AA;   // inelastic scatter matrix (rows 1..n, columns 1..n+1)
    SystemMatrix AAA;  // secondary electrons of ionisation
    SystemMatrix A;    // the system of the iteration
    SavedMatrix AG;    // saved operator

    // --- optional phase timers (benchmarks) ---
    SolverProfile profile;
    // Vector instruction set of the solver's kernels (the numbers do not
    // depend on it); kAuto unless a check asks for the baseline.
    SolveIsa kernel_isa;
};

inline ZeroedPtr<SolverWork> make_solver_work() { return make_zeroed<SolverWork>(); }

}  // namespace kestor
