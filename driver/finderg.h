// The E/N search for a target mean energy.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

// Solves run irun at trial E/N values until its mean energy lies within
// the relative tolerance tol of `target`, starting from the runs next to
// it in the series or grid that began at row istart, with at most `limit`
// secant or bisection steps. Each solve starts from a cleared row, so the
// run keeps the rows of its last solve only; kStatusIncorrectMeanEnergy
// marks a successful last solve that missed the target.
void finderg(Program& p, int irun, int istart, double target, double tol, int limit);

}  // namespace kestor
