// Expansion of the distribution in the gradients of the electron density.
//
// With the operator of the last iteration saved (AG), three further systems
// give the first- and second-order corrections along the field (GZ, GZZ) and
// the second-order correction across it (GYY). From them follow the bulk
// mobility and the longitudinal, bulk transverse and bulk longitudinal
// diffusion coefficients; in kGradientSteadyState they also rebuild the
// distribution of a swarm growing in space along the field.
#pragma once

#include "solver/work.h"

namespace kestor {

// At the start of every run with a gradient sub-mode (after n is set):
// clears AG over rows and columns 1..n and marks it empty, so that a run
// which never builds an operator (a Maxwellian run) cannot expand with the
// operator of an earlier run.
void clear_saved_operator(int n, GradientState& grad);

// Saves the operator of the current iteration for the expansion:
// AG = A - AAA over rows and columns 1..n (the secondary electrons moved into
// the matrix, before the temporal attachment terms and the normalisation row),
// and marks AG as holding an operator of this run.
void save_operator(SolverWork& w);

// The three solves with the saved operator, after the face anisotropy F1 of
// the final distribution is formed: GZ, GZZ, GYY, GZ1, GZZ1 and W, D0, P1, L1,
// P2, P3 into w.grad. Without a saved operator of this run there is nothing
// to expand: the solutions are zero, P1 = P2 = P3 = 0 and L1 keeps only the
// terms that do not depend on them.
void gradient_expansion(SolverWork& w);

// kGradientSteadyState, after the transport sums: the spatial growth
// coefficient alpha (into grad.alpha) from the net growth rate of coll, and
// F, F1 replaced by F + alpha GZ + alpha^2 GZZ (F1 with GZ1, GZZ1).
void gradient_reconstruct(const CollisionTerms& coll, int n, GradientState& grad, Distribution& dist);

// The stored values that the expansion changes, from the run's E/N `field`
// (V m2), the mobility MU and the diffusion coefficient DN of the final
// distribution.
struct GradientResults {
    double bulk_mobility;            // MU - P1/E (MU when E <= 0)
    double longitudinal_diffusion;   // L1
    double bulk_t_diffusion;         // DN + P3
    double bulk_l_diffusion;         // L1 + P2
};
GradientResults gradient_results(const GradientState& grad, double field, double mu, double dn);

}  // namespace kestor
