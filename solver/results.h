// Transport and rate coefficients of the final distribution of a run and
// the storing of the run's result row, per-collision and distribution tables.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// First anisotropy F1 at the interior edges from the final F (entry 1, at
// zero energy, stays 0).
void face_anisotropy(SolverWork& w);

// Sums over the final distribution that give the transport coefficients.
struct TransportSums {
    double flux_mean_energy;  // eps0 = sum HH F
    double mobility;          // MU
    double energy_mobility;   // SE
    double diffusion;         // DN
    double energy_diffusion;  // SD
};
TransportSums transport_sums(const SolverWork& w);

// Everything after the face anisotropy and the density-gradient expansion:
// transport sums, power, field-frequency mobilities, per-collision
// coefficients, electron-ion terms, growth power, status from the momentum
// floor, folding of grouped processes, the E/N of a Maxwellian run and the
// stored rows of run `irun`.
void store_results(Tables& t, SolverWork& w, int irun);

}  // namespace kestor
