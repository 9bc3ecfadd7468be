// Iteration control of one run: grid trials, the fixed-point iteration on
// each grid, the electron-electron start, the treatment of every new
// distribution and the decisions that accept the grid, start a new trial
// or end the run with a status.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Runs the trials and iterations of the run (after the set-up and the first
// emax) until a decision ends it. On return w.iter.run_status holds
// kStatusSuccess, kStatusFailed or kStatusFailedUnchanged, and F (with FOLD)
// the final distribution on the last grid. Every run ends: a new grid trial
// is refused once total_iterations has passed max_iterations (kStatusFailed).
void iterate_run(const Tables& t, SolverWork& w);

// Steps after each solve: floor and normalisation of F, eedf_peak,
// tail_level, tail_point, change and previous_change; FOLD = F.
void new_distribution(const RunSettings& run, int n, Distribution& dist, IterationState& iter);

}  // namespace kestor
