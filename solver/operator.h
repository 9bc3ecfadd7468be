// Construction of the discrete Boltzmann operator and the main solve of one iteration.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Collision part of the system: inelastic scatter, secondary electrons, attachment.
void build_collision_part(SolverWork& w);
// Power balance of the current distribution (collision, field and elastic powers).
void power_balance(const Tables& t, SolverWork& w);
// Field and elastic fluxes, saved operator, temporal attachment, normalisation row, solve.
void build_fluxes_and_solve(SolverWork& w);

}  // namespace kestor
