// Momentum transfer in electron-electron collisions.
//
// Electron-electron collisions exchange momentum as well as energy. With
// "e-e momentum effects" on, every iteration solves for the first anisotropy
// at the interior edges with that exchange included, and turns the result
// into a per-edge factor AF1 that rescales the effective momentum cross
// section QEFF (and the mobility), and a factor AG1 of the diffusion.
#pragma once

#include "solver/work.h"

namespace kestor {

// Per-iteration correction (runs with ee_momentum_flag == 1), after QEFF has
// been rebuilt and before the electron-electron start and the operator.
// Reads F, EPS, EPSC, Q, QEFF and the AF1, AG1 of the previous iteration;
// writes QEFF, AF1, AG1, F1, G1, B0, B1 and the tridiagonal work arrays.
void ee_momentum_correction(SolverWork& w);

// No correction: the factors AF1 = AG1 = 1 over the edges 1..n+1.
void reset_momentum_factors(int n, EeMomentum& ee);

// Newton step of the temperature of the electron-electron start when
// momentum effects are on: the field power of the Maxwellian held in F
// (just evaluated at temperature T) enters the energy balance.
// R = B(n+1) - S0 and S1 are the balance sums of the start, prev its last
// step. Returns prev where the step is undefined: T1 = 0 (no usable field
// power sum, e.g. an underflowed distribution or fewer than two cells) or a
// zero denominator.
double ee_start_momentum_step(const SolverWork& w, double T, double R, double S1, double prev);

}  // namespace kestor
