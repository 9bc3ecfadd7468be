// Thinning of an x-y table for the E/p export, in single precision.
#pragma once

#include <span>

namespace kestor {

// Keeps the first and last point, every point whose y differs from the
// last kept one by a relative amount of at least tol, and the last zero
// before a non-zero value. Fills xs, ys (room for x.size() values; x and
// y have the same size) and returns how many kept points lie before the
// first one whose x exceeds xmax: the points the caller writes. A table
// thinned to two equal values then starts at x = 0.
int gasparsel(float tol, std::span<const float> x, std::span<const float> y,
              std::span<float> xs, std::span<float> ys, float xmax);

}  // namespace kestor
