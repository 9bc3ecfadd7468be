// Vectors of doubles for the solver's kernels, written with the compiler's
// generic vector types so that each lane is an ordinary IEEE operation on
// any processor, and the choice between the baseline two-wide vectors and
// the four-wide ones that x86 processors with AVX2 offer.
#pragma once

#include <cstring>

#include "solver/solve_work.h"

// The four-wide kernels are built for x86 only: elsewhere (aarch64 among
// others) the two-wide kernels, which map onto the baseline vector unit,
// are the only ones.
#if defined(__x86_64__) || defined(__i386__)
#define KESTOR_WIDE_VECTORS 1
#define KESTOR_TARGET_WIDE __attribute__((target("avx2")))
#else
#define KESTOR_WIDE_VECTORS 0
#endif

#define KESTOR_INLINE inline __attribute__((always_inline))

namespace kestor::lanes {

// Vectors of two and four doubles and the lane masks that go with them.
using V2 = double __attribute__((vector_size(2 * sizeof(double))));
using M2 = long long __attribute__((vector_size(2 * sizeof(long long))));
using V4 = double __attribute__((vector_size(4 * sizeof(double))));
using M4 = long long __attribute__((vector_size(4 * sizeof(long long))));

// All-ones in the lanes whose bit is set, for every four-bit pattern.
struct LaneMaskTable {
    long long m[16][4];
    constexpr LaneMaskTable() : m() {
        for (int bits = 0; bits < 16; ++bits) {
            for (int l = 0; l < 4; ++l) m[bits][l] = (bits >> l) & 1 ? -1 : 0;
        }
    }
};
inline constexpr LaneMaskTable kLaneMasks;

template <class Vec>
struct Lanes;
template <>
struct Lanes<V2> {
    static constexpr int kCount = 2;
    using Mask = M2;
};
template <>
struct Lanes<V4> {
    static constexpr int kCount = 4;
    using Mask = M4;
};

template <class Vec>
KESTOR_INLINE void load(Vec& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}
template <class Vec>
KESTOR_INLINE void store(double* p, const Vec& v) {
    std::memcpy(p, &v, sizeof v);
}
template <class Vec>
KESTOR_INLINE void splat(Vec& v, double p) {
    double lanes[Lanes<Vec>::kCount];
    for (double& l : lanes) l = p;
    std::memcpy(&v, lanes, sizeof v);
}

// Lanes of `acc` whose bit is set take `u`, the others keep their bits.
template <class Vec>
KESTOR_INLINE void select_lanes(Vec& acc, const Vec& u, unsigned bits) {
    using Mask = typename Lanes<Vec>::Mask;
    Mask m;
    std::memcpy(&m, kLaneMasks.m[bits], sizeof m);
    Mask r;
    std::memcpy(&r, &u, sizeof r);
    Mask old;
    std::memcpy(&old, &acc, sizeof old);
    r = (r & m) | (old & ~m);
    std::memcpy(&acc, &r, sizeof acc);
}

// Bit l for each lane l of v that is not zero.
template <class Vec>
KESTOR_INLINE unsigned nonzero_lanes(const Vec& v) {
    const Vec zero = {};
    const auto nz = v != zero;
    unsigned bits = 0;
    for (int l = 0; l < Lanes<Vec>::kCount; ++l) bits |= static_cast<unsigned>(nz[l] & 1) << l;
    return bits;
}

#if KESTOR_WIDE_VECTORS
// True when the four-wide kernels are to run: asked for (kAuto) and offered
// by this processor.
inline bool use_wide_vectors(SolveIsa isa) {
    return isa != SolveIsa::kPortable && __builtin_cpu_supports("avx2") != 0;
}
#endif

}  // namespace kestor::lanes
