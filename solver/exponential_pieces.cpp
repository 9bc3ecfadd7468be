// Integrals of the walk's pieces with the exponential shape, several pieces
// per vector operation: each lane carries one piece through exactly the
// operations of the scalar form.
#include <cstring>

#include "solver/walk_pieces.h"

namespace kestor {

namespace {

using V2 = double __attribute__((vector_size(2 * sizeof(double))));
using V4 = double __attribute__((vector_size(4 * sizeof(double))));

#define KESTOR_INLINE inline __attribute__((always_inline))

template <class T>
KESTOR_INLINE void load(T& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}
template <class T>
KESTOR_INLINE void store(double* p, const T& v) {
    std::memcpy(p, &v, sizeof v);
}

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
    constexpr int W = sizeof(Vec) / sizeof(double);
    Vec fv;
    for (int l = 0; l < W; ++l) fv[l] = f;
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

__attribute__((target("avx2"))) void integrals_wide(ExponentialPieces& x, double f) { integrals<V4>(x, f); }

}  // namespace

void exponential_integrals(ExponentialPieces& x, double f, SolveIsa isa) {
    if (isa != SolveIsa::kPortable && __builtin_cpu_supports("avx2")) {
        integrals_wide(x, f);
    } else {
        integrals_portable(x, f);
    }
}

}  // namespace kestor
