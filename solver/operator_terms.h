// Terms of the Boltzmann operator. Per iteration: the in-cell slopes of the
// distribution and its cell integrals, the Coulomb and electron-ion terms,
// the growth of the electron number, the effective momentum cross section
// and the electron-electron integrals. Per trial: the starting Maxwellian.
// Once per run, at set-up: the field-frequency factors of QEFF.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Field-frequency factors beta = (1 - C3^2)(C2/gamma)^2 and
// kappa = (C2 C3/gamma)^2 of the effective cross section (set-up).
void field_frequency_factors(RunSettings& run);

// Starting distribution of a grid trial: F = FOLD = the Maxwellian of
// temperature T0 (C14/1.5 in Maxwellian mode, else emax/(1 - ln p)),
// normalised analytically to int eps^1/2 F = 1. Returns T0.
double initial_distribution(const RunSettings& run, const GridState& grid, int n, Distribution& dist);

// Logarithmic slopes G of F (switching the run to the linear in-cell
// profile when F rises somewhere) and the cell integrals H, HH (and HHH
// when electron-electron collisions are on). Grids of fewer than three
// cells have no interior slope: G = 0 there.
void slopes_and_cell_integrals(const RunSettings& run, const GridState& grid, int n, Distribution& dist);

// Mean energy of F (eV): sum over the cells of HH F.
double mean_energy(int n, const Distribution& dist);

// Coulomb logarithm from the mean energy of the current F (positive plasma
// density with electron-electron or electron-ion collisions), then the
// electron-ion cross sections CSMEI, CSEEI and Q above zero energy.
void coulomb_update(SolverWork& w);

// Ionisation and attachment rates of the current F and the temporal or
// spatial growth terms in Q, A and AAAA (after the collision part of A).
void growth_terms(SolverWork& w);

// QEFF from Q with the field-frequency and E-B angle factor.
void effective_cross_section(const RunSettings& run, const GridState& grid, int n, CollisionTerms& coll);

// Cumulative electron-electron integrals FF1, FF2 (upward) and FF3
// (downward) of F and its cell integrals.
void ee_coefficients(int n, Distribution& dist);

}  // namespace kestor
