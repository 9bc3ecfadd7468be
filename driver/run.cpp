// The run step, normfrac and the RUN command.
#include "driver/run.h"

#include <algorithm>
#include <string>

#include "driver/commands.h"
#include "driver/log.h"
#include "output/layouts.h"

namespace kestor {

namespace {

// Entries 0..last of a row.
void zero_entries(double* row, int last) { std::fill(row, row + last + 1, 0.0); }

}  // namespace

void normfrac(const Interpreter& in, Tables& t, int irun) {
    const int ns = t.num.species_count;
    double* f = t.run.run_gas_fractions[irun];
    double total = 0.0;
    for (int s = 1; s <= ns; ++s) total += f[s];
    double varied = 0.0;
    for (int k = 1; k <= in.var_count; ++k)
        if (in.IVAR[k] > kNumConditions) varied += f[in.IVAR[k] - kNumConditions];
    if (!(total > varied)) return;
    const double room = std::max(1.0 - varied, 0.0);
    for (int s = 1; s <= ns; ++s) f[s] = f[s] * room / (total - varied);
    for (int k = 1; k <= in.var_count; ++k)
        if (in.IVAR[k] > kNumConditions) f[in.IVAR[k] - kNumConditions] = in.C[in.IVAR[k]];
}

void clear_run_results(Tables& t, int r) {
    RunTables& run = t.run;
    // Only what the solver writes and the writers read (with the writers'
    // own bounds): pages of the zeroed tables beyond it stay untouched.
    const int collisions = held_collisions(t);
    const int points = run_grid_points(t, r);
    zero_entries(run.run_results[r], kNumResults);
    zero_entries(run.run_rate_coef[r], collisions);
    zero_entries(run.run_inverse_rate_coef[r], collisions);
    zero_entries(run.run_energy_loss_coef[r], collisions);
    zero_entries(run.run_eedf[r], points);
    zero_entries(run.run_eedf_energy[r], points);
    zero_entries(run.run_anisotropy[r], points);
}

void clear_collision_coefficients(Tables& t, int first, int last) {
    RunTables& run = t.run;
    const int runs = held_runs(t);
    first = std::max(first, 1);
    last = std::min(last, kMaxCollisions);
    for (int r = 1; r <= runs; ++r)
        for (int k = first; k <= last; ++k) {
            run.run_rate_coef[r][k] = 0.0;
            run.run_inverse_rate_coef[r][k] = 0.0;
            run.run_energy_loss_coef[r][k] = 0.0;
        }
}

void prepare_run(Program& p, int r) {
    Tables& t = p.t;
    const Interpreter& in = p.in;
    for (int j = 1; j <= kNumConditions; ++j) t.run.run_conditions[r][j] = in.C[j];
    double* fractions = t.run.run_gas_fractions[r];
    for (int s = 1; s <= t.num.species_count; ++s) fractions[s] = in.C[kNumConditions + s];
    // A species loaded after the run took no part in it.
    std::fill(fractions + t.num.species_count + 1, fractions + kMaxSpecies + 1, 0.0);
    if (t.num.species_count >= 2 && t.prefs.normalize_fractions == 1) normfrac(in, t, r);
}

void solve_run(Program& p, int r) {
    clear_run_results(p.t, r);
    p.solve(p.t, p.work, r);
}

void finish_run(Program& p, int r) {
    setrname(p.t, r);
    writelog(p.in, p.t.run.run_name[r].full());
}

void run_step(Program& p, int r) {
    prepare_run(p, r);
    solve_run(p, r);
    finish_run(p, r);
}

namespace {

// One data line of RUN: a value for every VAR entry, each stored into C the
// moment it is read. False when the block ends here (end of the script, a
// value that is not a number, or too few values).
bool read_data_line(Interpreter& in) {
    if (script_read_line(in, in.S) != ReadResult::kOk) return false;
    ReadTarget targets[kMaxCurrent];
    const int count = std::min(in.var_count, kMaxCurrent);
    for (int k = 1; k <= count; ++k) targets[k - 1] = ReadTarget::of(in.C[in.IVAR[k]]);
    const std::string line = in.S.full();
    return read_free(line, std::span<const ReadTarget>(targets, count)) == ReadResult::kOk;
}

// False when the run tables are full ("Too many runs" logged).
bool one_run(Program& p) {
    if (p.t.num.run_count >= kMaxRuns) {
        writelog(p.in, "Too many runs");
        return false;
    }
    ++p.t.num.run_count;
    run_step(p, p.t.num.run_count);
    return true;
}

}  // namespace

CommandResult cmd_run(Program& p) {
    writelog_cr(p.in, "RUN");
    if (p.in.var_count <= 0) {
        one_run(p);
        return CommandResult::kNext;
    }
    while (read_data_line(p.in))
        if (!one_run(p)) break;
    return CommandResult::kNext;
}

}  // namespace kestor
