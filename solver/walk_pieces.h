// Work space of the collision walk of one process: its pieces, and the
// pieces of one part (forward or inverse) that take the exponential shape,
// gathered so that their integrals are formed several at a time.
#pragma once

#include "common/tables.h"
#include "solver/solve_work.h"

namespace kestor {

constexpr int kMaxWalkPieces = 2 * (kMaxCsPoints + 2 * kMaxGrid + 4) + 8;

// Pieces with the exponential shape of one part: the piece ends, the
// exponentials exp((ec - e) g) there, the slope g and the linear cross
// section; the integral comes back in `integral`, piece `piece`.
struct ExponentialPieces {
    int count;
    int piece[kMaxWalkPieces];
    double ea[kMaxWalkPieces], eb[kMaxWalkPieces];
    double xa[kMaxWalkPieces], xb[kMaxWalkPieces];
    double g[kMaxWalkPieces];
    double alpha[kMaxWalkPieces], beta[kMaxWalkPieces];
    double integral[kMaxWalkPieces];
};

// Pieces of the walk: the energy interval, the linear cross section, the
// source and destination cells, which parts integrate on it (1 forward,
// 2 inverse) and their integrals.
struct WalkPieces {
    int count;
    double ea[kMaxWalkPieces], eb[kMaxWalkPieces];
    double alpha[kMaxWalkPieces], beta[kMaxWalkPieces];
    int source[kMaxWalkPieces], destination[kMaxWalkPieces];
    unsigned char parts[kMaxWalkPieces];
    double forward[kMaxWalkPieces], inverse[kMaxWalkPieces];
    ExponentialPieces exponential;
};

// The integrals of the gathered pieces with factor f:
// ((xb P(eb) - xa P(ea)) f) / (-(g^3)), P(e) = (1 + u)((alpha + alpha) +
// beta g) + (alpha u) u with u = e g, each piece with its own numbers; the
// pieces go through the vector unit side by side.
void exponential_integrals(ExponentialPieces& x, double f, SolveIsa isa = SolveIsa::kAuto);

}  // namespace kestor
