// Energy grid of a run and the maximum-energy trials.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Largest emax that a new trial may still raise.
constexpr double kLargestRaisableEmax = 9999.899864196777;

// Starting emax of the first grid trial: the estimate (with the
// electron-ion replacement) for kGridEstimated, otherwise the emax of the
// set-up.
void first_emax(const Tables& t, const RunSettings& run, GridState& grid);

// Energy-balance scan: the energy at which the balance of field heating
// against elastic and inelastic losses has let the distribution fall by
// the precision. Uses the run's E/N, gas temperature, field frequency,
// mole fractions and lambda.
double scan_energy_balance(const Tables& t, const RunSettings& run);

// emax from the scan and the gas and excitation temperatures; with
// `ei_replacement` the electron-ion dominated estimate may replace it.
void estimate_emax(const Tables& t, const RunSettings& run, GridState& grid, bool ei_replacement);

// Edges EPS(1..n+1) and centres EPSC(1..n) of n cells for the current emax
// and grid_type; grid_trials += 1.
void build_grid(int n, GridState& grid);

// emax for a new trial from the tail point m: 1.2 times the centre of the
// cell before it, at most 10000 eV. With m <= 1 there is no such cell and
// the shrink-or-grow rule applies instead.
void apply_tail_rule(int n, int m, GridState& grid, Distribution& dist);

// emax for a new trial: shrunk by 0.75 when the tail point m lies before
// the last cell, grown by 1.2 otherwise (at most 10000 eV); the cell shape
// becomes linear for the rest of the run.
void apply_shrink_or_grow(int n, int m, GridState& grid, Distribution& dist);

// New estimate of emax with the electron-ion replacement; grid_type then
// kGridEstimated.
void reestimate_with_replacement(const Tables& t, const RunSettings& run, GridState& grid);
// ei_field_threshold = 0 for the rest of the run, then a new estimate
// without the replacement.
void reestimate_without_replacement(const Tables& t, const RunSettings& run, GridState& grid);

}  // namespace kestor
