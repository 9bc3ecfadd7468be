// NOSCREEN, CLEARCOLLISIONS, CLEARRUNS and SAVERESULTS.
#include <string>

#include "driver/commands.h"
#include "driver/log.h"
#include "driver/text_util.h"
#include "output/layouts.h"
#include "output/writebol.h"

namespace kestor {

namespace {

// Every collision and run is written; with skip_failed_runs 1 the failed
// runs are left out.
void select_for_output(Tables& t, int skip_failed_runs) {
    for (int k = 1; k <= t.num.collision_count; ++k) t.sel.collision_selected[k] = 1;
    for (int r = 1; r <= t.num.run_count; ++r) t.sel.run_selected[r] = 1;
    if (skip_failed_runs != 1) return;
    for (int r = 1; r <= t.num.run_count; ++r)
        if (run_failed(t.run.run_results[r][kResStatus])) t.sel.run_selected[r] = 0;
}

// The species tables that a later load does not always rewrite: a
// species loaded after the clear from a file without rotations (or from a
// file that cannot be opened) would otherwise show the levels, the
// effective flag or the reference text of the species cleared from its
// slot, in the solver's level populations and in the results header.
void clear_species_data(SpeciesTables& sp) {
    for (int s = 1; s <= kMaxSpecies; ++s) {
        sp.rot_level_count[s] = 0;
        sp.species_effective_flag[s] = 0;
        sp.species_reference[s].blank();
    }
}

// A refused result-file name names no file or some other one (an earlier
// result file, the folder of a path): the main file then counts as one
// that cannot be written. The lookup layout writes
// no main file (its files have names of their own).
bool main_file_refused(const Settings& s, bool name_refused) {
    return name_refused && s.output_format != kLayoutLookup;
}

}  // namespace

CommandResult cmd_noscreen(Program& p) {
    p.in.screen_echo = 0;
    return CommandResult::kNext;
}

CommandResult cmd_clearcollisions(Program& p) {
    writelog_cr(p.in, "CLEARCOLLISIONS");
    clear_species_data(p.t.sp);
    // The fractions typed for the cleared gas belong to no species loaded
    // from now on.
    for (int s = 1; s <= kMaxSpecies; ++s) p.in.C[kNumConditions + s] = 0.0;
    p.t.num.species_count = 0;
    p.t.num.collision_count = 0;
    p.t.num.grouped_collision_count = 0;
    p.t.num.run_count = 0;
    return CommandResult::kNext;
}

CommandResult cmd_clearruns(Program& p) {
    writelog_cr(p.in, "CLEARRUNS");
    p.t.num.run_count = 0;
    return CommandResult::kNext;
}

CommandResult cmd_saveresults(Program& p) {
    Interpreter& in = p.in;
    Settings& s = p.t.prefs;
    writelog_cr(in, "SAVERESULTS");

    bool name_refused = false;
    if (script_read_name_or_stop(in, s.output_file_name, name_refused) != ReadResult::kOk) return CommandResult::kAbort;
    left_adjust(s.output_file_name);
    writelog(in, s.output_file_name.trimmed());

    int* const switches[] = {&s.output_format,        &s.output_conditions,  &s.output_transport,
                             &s.output_rates,         &s.output_inverse_rates, &s.output_energy_loss,
                             &s.output_eedf,          &in.skip_failed_runs};
    for (int* value : switches)
        if (script_read_values_or_stop(in, *value) != ReadResult::kOk) return CommandResult::kAbort;

    select_for_output(p.t, in.skip_failed_runs);
    if (main_file_refused(s, name_refused) || !writebol(p.t)) {
        writelog(in, "ERROR: Cannot write to file");
        in.result_file_failed = true;
    }
    return CommandResult::kNext;
}

}  // namespace kestor
