// The Boltzmann solver entry.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Computes run `irun` from its rows of run_conditions and run_gas_fractions
// and stores its results, coefficients and distribution (status in
// run_results[irun][kResStatus]). Never stops the program.
void solvebol(Tables& t, SolverWork& w, int irun);

}  // namespace kestor
