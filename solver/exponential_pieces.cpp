// Integrals of the walk's pieces with the exponential shape, several pieces
// per vector operation: each lane carries one piece through exactly the
// operations of the scalar form.
#include "solver/vector_lanes.h"
#include "solver/walk_pieces.h"

namespace kestor {

namespace {

using lanes::load;
using lanes::store;
using lanes::V2;
using lanes::V4;

// One piece, or one lane of pieces: T is double or a vector of doubles.
template <class T>
KESTOR_INLINE void piece_integral(T& out, const T& ea, const T& eb, const T& xa, const T& xb, const T& g,
                                  const T& alpha, const T& beta, const T& f) {
    const T ua = ea * g;
    const T ub = eb * g;
    const T pa = (1.0 + ua) * ((alpha + alpha) + beta * g) + (alpha * ua) * ua;
    const T pb = (1.0 + ub) * ((alpha + alpha) + beta * g) + (alpha * ub) * ub;
    const T ta = xa * pa;
    const T tb = xb * pb;
    out = ((tb - ta) * f) / (-((g * g) * g));
}

template <class Vec>
KESTOR_INLINE void integrals(ExponentialPieces& x, double f) {
    constexpr int W = lanes::Lanes<Vec>::kCount;
    Vec fv;
    lanes::splat(fv, f);
    int q = 0;
    for (; q + W <= x.count; q += W) {
        Vec ea, eb, xa, xb, g, alpha, beta;
        load(ea, x.ea + q);
        load(eb, x.eb + q);
        load(xa, x.xa + q);
        load(xb, x.xb + q);
        load(g, x.g + q);
        load(alpha, x.alpha + q);
        load(beta, x.beta + q);
        Vec r;
        piece_integral(r, ea, eb, xa, xb, g, alpha, beta, fv);
        store(x.integral + q, r);
    }
    for (; q < x.count; ++q) {
        piece_integral(x.integral[q], x.ea[q], x.eb[q], x.xa[q], x.xb[q], x.g[q], x.alpha[q], x.beta[q], f);
    }
}

void integrals_portable(ExponentialPieces& x, double f) { integrals<V2>(x, f); }

#if KESTOR_WIDE_VECTORS
KESTOR_TARGET_WIDE void integrals_wide(ExponentialPieces& x, double f) { integrals<V4>(x, f); }
#endif

}  // namespace

void exponential_integrals(ExponentialPieces& x, double f, SolveIsa isa) {
#if KESTOR_WIDE_VECTORS
    if (lanes::use_wide_vectors(isa)) {
        integrals_wide(x, f);
        return;
    }
#endif
    (void)isa;
    integrals_portable(x, f);
}

}  // namespace kestor
