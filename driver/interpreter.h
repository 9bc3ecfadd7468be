// The script interpreter's state and the context every command works on.
#pragma once

#include "common/fixed_text.h"
#include "common/free_format.h"
#include "common/tables.h"
#include "solver/solvebol.h"
#include "solver/work.h"

namespace kestor {

struct Interpreter {
    LineText S{};                     // the script line just read
    Name SS[kMaxSpecies + 2]{};       // names parsed from a line, SS[1..204]
    int script_line_count = 0;        // read operations made on the script
    int screen_echo = 1;              // log lines are echoed while 1
    LineText LOGFILE{};
    LineText INPUTFILE{};
    double C[kMaxCurrent + 1] = {};   // current conditions C(1..20), fractions C(20+s)
    int IVAR[kMaxCurrent + 1] = {};   // the VAR list, IVAR(1..var_count)
    int var_count = 0;
    int skip_failed_runs = 0;         // ninth SAVERESULTS line
    double series_value = 0.0;        // v of the last series or grid row
    double series_step = 0.0;         // s of the last target-mean-energy series
    bool series_value_set = false;    // a spacing rule has computed v at least once
    LineInput script;
};

// The routine that computes one run from its rows (the solver; tests put
// a model of it here).
using RunSolver = void (*)(Tables&, SolverWork&, int irun);

// Everything a command may touch.
struct Program {
    Tables& t;
    SolverWork& work;
    Interpreter& in;
    RunSolver solve = solvebol;
};

// How a command ends: go on with the next line, or end the script through
// the ABORT exit or with FINISHED. Only the command loop acts on it.
enum class CommandResult { kNext, kAbort, kFinish };

// Every read on the script first adds 1 to script_line_count.
inline ReadResult script_read_line(Interpreter& in, LineText& out) {
    ++in.script_line_count;
    return read_line(in.script, out);
}
template <class... T>
ReadResult script_read_values(Interpreter& in, T&... targets) {
    ++in.script_line_count;
    return read_values(in.script, targets...);
}
// A parameter read without an end branch: the end of the script is the
// end-of-file stop.
template <class... T>
ReadResult script_read_values_or_stop(Interpreter& in, T&... targets) {
    const ReadResult r = script_read_values(in, targets...);
    if (r == ReadResult::kEnd) end_of_file_stop(in.script);
    return r;
}

}  // namespace kestor
