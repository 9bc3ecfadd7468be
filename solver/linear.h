// Linear solvers of the distribution equations.
#pragma once

#include "solver/work.h"

namespace kestor {

// Solves the n x n system held in a (rows and columns 1..n, right-hand
// side in column n+1) by Gauss-Jordan elimination without pivoting, in the
// natural pivot order, skipping zero entries. x(i) = a(i, n+1) / a(i, i) for
// every final pivot a(i, i) != 0; the others keep their value. A zero pivot
// met on the way is skipped (its column is not eliminated). a is left in
// its reduced form. work: the tables of the elimination, nothing carried
// from one call to the next. Sizes outside 1..1000 do nothing. The numbers
// do not depend on `isa`; they are those of solve_row_order
// (solver/row_order_solve.h), the same elimination row after row.
void solve(double* x, SystemMatrix& a, int n, SolveWork& work, SolveIsa isa = SolveIsa::kAuto);

// solve that also returns the number of entries a(i, j) it updated.
long long solve_counted(double* x, SystemMatrix& a, int n, SolveWork& work, SolveIsa isa = SolveIsa::kAuto);

// solve of the work area's system A (w.n equations) into x, timed and
// counted in w.profile when profiling is on.
void solve_system(SolverWork& w, double* x);

// Tridiagonal system by the Thomas algorithm, arrays 1-based with entries
// 1..m: sub-diagonal, diagonal, super-diagonal, right-hand side; u receives
// the solution, gam is work space of m+1 entries. A zero pivot ends the
// call: u keeps the forward values before it and its old values after.
void tridag(const double* sub, const double* diag, const double* super, const double* rhs,
            double* u, int m, double* gam);

// Exponential-fitting (Scharfetter-Gummel) weights of the flux w f - d f'
// between two points h apart: flux = c1 f(first) + c2 f(second); upwind
// when d = 0.
void expsch(double& c1, double& c2, double w, double d, double h);

}  // namespace kestor
