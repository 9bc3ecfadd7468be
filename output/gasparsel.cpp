// Table thinning of the E/p export, single precision throughout.
#include "output/gasparsel.h"

#include <cmath>
#include <cstddef>

namespace kestor {

namespace {

// Keeps the denominator away from 0 for quantities that start at zero.
constexpr float kZeroOffset = 9.999999747378752e-06f;

bool changed_enough(float yj, float yl, float tol) {
    return 2.0f * std::fabs(yj - yl) / ((yj + kZeroOffset) + yl) >= tol;
}

}  // namespace

int gasparsel(float tol, std::span<const float> x, std::span<const float> y, std::span<float> xs,
              std::span<float> ys, float xmax) {
    const std::size_t n = x.size();
    if (n == 0) return 0;
    xs[0] = x[0];
    ys[0] = y[0];
    std::size_t m = 1;  // points kept
    std::size_t last = 0;
    for (std::size_t j = 1; j < n; ++j) {
        // Compared with the last kept point, so a slow drift is kept once
        // it has added up to the tolerance.
        const bool keep = j == n - 1 || changed_enough(y[j], y[last], tol) || (y[j] == 0.0f && y[j + 1] != 0.0f);
        if (!keep) continue;
        xs[m] = x[j];
        ys[m] = y[j];
        ++m;
        last = j;
    }
    // The x limit applies to the x of the runs themselves: a table whose
    // first run lies beyond it writes nothing, also for a constant quantity.
    std::size_t nout = 0;
    while (nout < m && !(xs[nout] > xmax)) ++nout;

    // A constant quantity is written at x = 0 and at the last x.
    if (m == 2 && ys[1] == ys[0]) xs[0] = 0.0f;
    return static_cast<int>(nout);
}

}  // namespace kestor
