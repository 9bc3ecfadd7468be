// Run set-up: per-run quantities from the run's conditions and gas
// fractions, level fractions of the collisions, species mass ratios and
// the Coulomb-logarithm parameters; clears the run's counters and state.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Set-up of run `irun`. Returns false when the run ends early with
// kStatusFailed (E/N and gas temperature both 0, or a grid size outside
// 1..1000) or kStatusMissingElastic (no elastic or effective cross section);
// then only run_results[irun][kResStatus] is written.
bool setup_run(Tables& t, SolverWork& w, int irun);

// Condition value truncated toward zero; a NaN gives 0 and values beyond
// the 32-bit range give its nearest end.
int condition_int(double c);

// True for a grid of 1 to 1000 cells.
constexpr bool valid_cell_count(int n) { return n >= 1 && n <= kMaxCells; }

// Two-temperature weight w(E) of a level at energy e (eV), with gas and
// excitation temperatures tg, tx (eV) and transition energy et (eV).
double level_weight(double e, double tg, double tx, double et);

// Weight W(E) of a rotational level: w(E) when et, tg and tx are all
// non-zero, otherwise the Boltzmann factor at max(tg, tx) (1 at e <= 0 and
// 0 above when that temperature is 0).
double rotational_weight(double e, double tg, double tx, double et);

// The solver's collision order: j = 1..visited_collision_count(t) visits the
// visible slots 1..collision_count, then the grouped slots 4003, 4002, ...
// Counts are bounded so that every slot lies in 1..4003 and none repeats.
int visible_collision_count(const Tables& t);
int visited_collision_count(const Tables& t);
int collision_slot(const Tables& t, int j);

// Points of the table of slot k, bounded by the table capacity.
int table_points(const Tables& t, int k);

// True when s indexes a species slot.
constexpr bool valid_species(int s) { return s >= 1 && s <= kMaxSpecies; }

}  // namespace kestor
