// The script interpreter's state and the context every command works on.
#pragma once

#include "common/fixed_text.h"
#include "common/free_format.h"
#include "common/tables.h"
#include "solver/solvebol.h"
#include "solver/work.h"

namespace kestor {

struct Interpreter {
    // The script line just read, 256 characters blank-padded. Commands read
    // their own lines into it (a species line, a condition line, a RUN data
    // line), and the ABORT exit builds its message in it.
    LineText S{};
    // Words parsed from a line of 64 characters each: the species names of a
    // READCOLLISIONS species line or the entries of a composition line.
    // SS[1..204] (SS[0] unused): one name past a full species table, so
    // that it is refused with a message.
    Name SS[kMaxSpecies + 2]{};
    int script_line_count = 0;  // read operations made on the script so far; the ABORT line reports it
    int screen_echo = 1;        // 1: log lines also go to standard output; NOSCREEN sets 0 for good
    LineText LOGFILE{};         // the log file name, "kestorlog.txt" in the working directory
    LineText INPUTFILE{};       // the script file name, from the command line or the prompt
    // The current values that the next run copies: C[1..20] the conditions
    // in the order of the condition labels (C[1] E/N in Td, C[4] the gas
    // temperature in K, ...), C[20+s] the mole fraction of species s for
    // s = 1..203; C[0] unused. CONDITIONS sets them; series and grids write
    // their varied entry here before each run.
    double C[kMaxCurrent + 1] = {};
    // The VAR list: IVAR[1..var_count] are the indices into C (1..223) of
    // the entries given as VAR, in the order of the CONDITIONS block; the
    // entries after var_count are 0. RUN reads values for them from its
    // data lines; a series varies IVAR[1], a grid IVAR[1] (rows, with two
    // or more entries) and IVAR[var_count] (columns).
    int IVAR[kMaxCurrent + 1] = {};
    int var_count = 0;           // entries of the VAR list, 0..223
    int skip_failed_runs = 0;    // ninth SAVERESULTS line: 1 leaves runs with a positive status out
    bool result_file_failed = false;  // a SAVERESULTS file could not be written: the status at the end is 27
    // The varied value of the last series run or grid row; a spacing code
    // that computes none leaves it, and the next run takes it again.
    double series_value = 0.0;
    bool series_value_set = false;  // a spacing rule has computed series_value at least once
    // The relative step between neighbouring target mean energies of the
    // last series; it bounds the tolerance of the E/N search.
    double series_step = 0.0;
    LineInput script;            // the script, open while the command loop runs
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
// A file name, one text value. `refused` is set when the name names no
// file or may name another one than the script gives (cut at 256
// characters or at a slash, a null value, a NUL byte; see ReadTarget): the
// command treats it as a file it cannot open.
inline ReadResult script_read_name(Interpreter& in, LineText& name, bool& refused) {
    ++in.script_line_count;
    return read_name(in.script, name, refused);
}
inline ReadResult script_read_name_or_stop(Interpreter& in, LineText& name, bool& refused) {
    const ReadResult r = script_read_name(in, name, refused);
    if (r == ReadResult::kEnd) end_of_file_stop(in.script);
    return r;
}

}  // namespace kestor
