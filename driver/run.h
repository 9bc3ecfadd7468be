// The run step that every run command performs, and the gas-fraction
// normaliser.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

// Steps 1-2: copies the current conditions and fractions into row r and
// normalises the fractions when asked (two or more species, switch 1).
void prepare_run(Program& p, int r);
// Steps 4-5: names run r and logs its name with all 64 characters.
void finish_run(Program& p, int r);
// The whole step with a plain solve: prepare, solve, name, log.
void run_step(Program& p, int r);

// Scales the fractions of run irun that are not varied so that all of them
// sum to 1 while the VAR fractions keep the values the script gave them.
void normfrac(const Interpreter& in, Tables& t, int irun);

}  // namespace kestor
