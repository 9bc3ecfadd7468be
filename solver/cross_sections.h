// Cross sections on the energy grid and the collision integrals per cell.
#pragma once

#include "common/tables.h"
#include "solver/constants.h"
#include "solver/work.h"

namespace kestor {

// Cross section of slot k at energy e, linear between the points of its
// table (np >= 2 points) and the last segment extended beyond its end.
// `cursor` (start at 1) is the first point searched and receives the
// segment found; for energies visited in ascending order it gives the same
// segment as a search from the first point.
double table_cross_section(const Tables& t, int k, int np, double e, int& cursor);

// Edge cross sections of the current grid of n cells: CSM, CSE, Q, QEFF at
// the edges EPS(1..n+1) from the mole and level fractions of the run;
// CSMEI and CSEEI cleared.
void edge_cross_sections(const Tables& t, const RunSettings& run, const GridState& grid, int n,
                         CollisionTerms& coll);

// Collision integrals of the current distribution slopes over the cells:
// RR, RRINV, AA, AAA, RRI, RRA, RRIA; clears AAAA; sets the sentinel edge
// EPS(n+2).
void collision_integrals(const Tables& t, SolverWork& w);

// True when F falls across a cell of centre ec with slope g, and gently
// enough for its exponential shape exp(-g (e - ec)).
inline bool exponential_fits(double ec, double g) { return g > 0.0 && ec * g < kMaxShapeExponent; }

// True when such a cell takes the exponential shape in the collision integrals.
inline bool exponential_shape(int slope_mode, double ec, double g) {
    return slope_mode == kSlopeExponential && exponential_fits(ec, g);
}

// Integral over [ea, eb] of f e (alpha e + beta) phi(e), with phi the shape
// of the distribution in a cell of centre ec and slope g (phi(ec) = 1):
// linear for kSlopeLinear, exponential where exponential_shape holds, flat
// otherwise.
double cell_integral(int slope_mode, double ea, double eb, double ec, double g, double f,
                     double alpha, double beta);

}  // namespace kestor
