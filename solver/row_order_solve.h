// The elimination of `solve` written row after row, as plainly as it can be:
// the check of the blocked elimination in elimination.cpp (its unit tests
// and bench/solve_bench compare every bit of the two), with the
// operator-shaped systems they compare them on. The program itself does not
// call it.
#pragma once

#include <cstdint>

#include "solver/work.h"

namespace kestor {

// Solves the n x n system held in a (right-hand side in column n+1) as
// `solve` does: for each pivot k = 1..n the column list (j > k with
// a(k, j) != 0, in ascending order) is written to columns[1..], and each
// row i != k with a(i, k) != 0 takes a(i, j) - r a(k, j) over the listed
// columns, r = a(i, k) / a(k, k); a zero pivot eliminates nothing. Then
// x(i) = a(i, n+1) / a(i, i) where a(i, i) != 0. columns: room for n + 1
// entries. Sizes outside 1..1000 do nothing.
void solve_row_order(double* x, SystemMatrix& a, int n, int* columns);

// A system shaped like the Boltzmann operator of n cells (columns 1..n+1
// of rows 1..n written, random from `seed`): a tridiagonal flux band,
// inelastic losses with gains a random offset lower and superelastic gains
// the same offset higher (three offsets), a full normalisation row 1 and a
// right-hand side with the normalisation and a few sources. Each diagonal
// dominates its column.
void make_operator_system(SystemMatrix& a, int n, std::uint64_t seed);

}  // namespace kestor
