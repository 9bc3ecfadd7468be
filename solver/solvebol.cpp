// The solver entry: one run from its conditions to its stored results.
#include "solver/solvebol.h"

#include "solver/gradient.h"
#include "solver/grid.h"
#include "solver/iteration.h"
#include "solver/results.h"
#include "solver/setup.h"

namespace kestor {

void solvebol(Tables& t, SolverWork& w, int irun) {
    if (!setup_run(t, w, irun)) return;
    const bool expansion = w.run.gradient_submode != kGradientOff;
    if (expansion) clear_saved_operator(w.n, w.grad);
    first_emax(t, w.run, w.grid);
    iterate_run(t, w);
    face_anisotropy(w);
    if (expansion) gradient_expansion(w);
    store_results(t, w, irun);
}

}  // namespace kestor
