// Cross sections on the energy grid and the collision integrals per cell.
#pragma once

#include "common/tables.h"
#include "solver/work.h"

namespace kestor {

// Cross section of slot k at energy e, linear between the points of its
// table (np >= 2 points) and the last segment extended beyond its end.
// `cursor` (start at 1) is the first point searched and receives the
// segment found; for energies visited in ascending order it gives the same
// segment as a search from the first point.
double table_cross_section(const Tables& t, int k, int np, double e, int& cursor);

// Edge cross sections of the current grid: CSM, CSE, Q, QEFF at the edges
// EPS(1..n+1); CSMEI and CSEEI cleared.
void edge_cross_sections(const Tables& t, SolverWork& w);

// Collision integrals of the current distribution slopes over the cells:
// RR, RRINV, AA, AAA, RRI, RRA, RRIA; clears AAAA; sets the sentinel edge
// EPS(n+2).
void collision_integrals(const Tables& t, SolverWork& w);

// Integral over [ea, eb] of f e (alpha e + beta) phi(e), with phi the shape
// of the distribution in a cell of centre ec and slope g (phi(ec) = 1):
// linear for slope_mode 1, exponential for slope_mode 2 when g > 0 and
// ec g < 300, flat otherwise.
double cell_integral(int slope_mode, double ea, double eb, double ec, double g, double f,
                     double alpha, double beta);

}  // namespace kestor
