// Run series: the position of a run within a series, the spacing rules and
// the relative step that sets the tolerance of a target-mean-energy search.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

// A first or last value of 0 or less has no logarithm: exponential
// spacing starts or ends at this value instead.
constexpr double kExponentialFloor = 1e-6;

// Iteration limit of every E/N search of a series or a grid.
constexpr int kSearchLimit = 20;

// Position of run i (1..n) within a series of n: (i-1)/max(n-1,1), divided
// in single precision and widened.
double series_position(int i, int n);

// The value at position x between x1 and x2 by the spacing code; false (v
// unchanged) for any other code.
bool spacing_value(int spacing, double x1, double x2, double x, double& v);

// The floor of exponential spacing applied to one end value.
double exponential_end(double x);

// The relative step of the series at value v and position x, by the
// spacing code; false (s unchanged) for any other code.
bool relative_step(int spacing, double x1, double x2, double x, double v, int n, double& s);

// The value of the varied quantity (index iv into C, 0 for a target mean
// energy) at position x; it is held by the interpreter as v. A spacing code
// without a rule keeps the v held from earlier commands; before any rule
// has computed one, a condition keeps its current value and a target is 0.
double varied_value(Interpreter& in, int spacing, double x1, double x2, double x, int iv);

}  // namespace kestor
