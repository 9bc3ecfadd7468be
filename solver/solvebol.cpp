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
    if (w.gradient_submode > 0) clear_saved_operator(w);
    first_emax(t, w);
    iterate_run(t, w, irun);
    face_anisotropy(w);
    if (w.gradient_submode > 0) gradient_expansion(w);
    store_results(t, w, irun);
}

}  // namespace kestor
