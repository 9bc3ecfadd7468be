// The script commands. Each reads its own parameter lines from the script
// and reports how it ended; the command loop writes the ABORT line.
#pragma once

#include "driver/interpreter.h"

namespace kestor {

CommandResult cmd_noscreen(Program& p);
CommandResult cmd_readcollisions(Program& p);
CommandResult cmd_clearcollisions(Program& p);
CommandResult cmd_conditions(Program& p);
CommandResult cmd_clearruns(Program& p);
CommandResult cmd_runseries(Program& p);  // RUNSERIES and RUNBACK
CommandResult cmd_run2d(Program& p);
CommandResult cmd_run(Program& p);
CommandResult cmd_saveresults(Program& p);

// Builds collision_name(k) for a new visible collision.
void setcname(Tables& t, int k);
// Builds run_name(irun) from the run's rows.
void setrname(Tables& t, int irun);

}  // namespace kestor
