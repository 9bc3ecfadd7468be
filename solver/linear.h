// Linear solvers of the distribution equations.
#pragma once

#include "solver/work.h"

namespace kestor {

// Solves the n x n system held in a (rows and columns 1..n, right-hand
// side in column n+1) by Gauss-Jordan elimination without pivoting, in the
// natural pivot order, skipping zero entries. x(i) = a(i, n+1) / a(i, i) for
// every final pivot a(i, i) != 0; the others keep their value. A zero pivot
// met on the way is skipped (its column is not eliminated). a is left in
// its reduced form. ja: column-list work space, entries 1..n cleared.
// Sizes outside 1..1000 do nothing.
void solve(double* x, SystemMatrix& a, int n, int* ja);

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
