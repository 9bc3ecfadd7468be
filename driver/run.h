// The run step that every run command performs, and the gas-fraction
// normaliser.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

// Zeroes the results of row r, its coefficients of the collisions held and
// its distribution on the run's grid points (condition 15). The solver's
// early returns write only the status, so a row cleared before each solve
// never shows an earlier run's numbers as its own. Conditions and
// fractions are kept.
void clear_run_results(Tables& t, int r);

// Zeroes the coefficients of collisions first..last in every run held: a
// collision loaded after a run was solved has no coefficient in it.
void clear_collision_coefficients(Tables& t, int first, int last);

// Starts row r as a new run: copies the current conditions and fractions
// into it and normalises the fractions when asked (two or more species,
// switch 1).
void prepare_run(Program& p, int r);
// Solves run r from a cleared row: every solve of a run goes through here.
void solve_run(Program& p, int r);
// Names run r and logs its name with all 64 characters.
void finish_run(Program& p, int r);
// The whole step with a plain solve: prepare, solve, name, log.
void run_step(Program& p, int r);

// Scales the fractions of run irun that are not varied so that all of them
// sum to 1 while the VAR fractions keep the values the script gave them.
void normfrac(const Interpreter& in, Tables& t, int irun);

}  // namespace kestor
