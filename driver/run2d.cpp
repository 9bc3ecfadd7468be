// RUN2D: a grid of runs over a row and a column quantity, computed column
// by column, and its table file.
#include "driver/run2d.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "common/forms.h"
#include "driver/commands.h"
#include "driver/finderg.h"
#include "driver/log.h"
#include "driver/run.h"
#include "driver/series.h"
#include "driver/text_util.h"

namespace kestor {

namespace {

constexpr double kRelativeTolerance = 0.0001;  // per eV of target mean energy
constexpr int kNumbersPerRecord = 1000;
constexpr int kTableResults = 20;              // results 21..30 stay out of the table

struct GridLines {
    int code = 0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    int nr = 0, nc = 0;
    int t1 = 0, t2 = 0;
    bool name_refused = false;  // the table file name names no file or another one: none is opened
};

bool read_grid_lines(Interpreter& in, Settings& s, GridLines& l) {
    if (script_read_values(in, l.code) != ReadResult::kOk) return false;
    if (script_read_values(in, l.x1, l.x2, l.y1, l.y2) != ReadResult::kOk) return false;
    if (script_read_values(in, l.nr, l.nc) != ReadResult::kOk) return false;
    if (script_read_values(in, l.t1, l.t2) != ReadResult::kOk) return false;
    if (script_read_name(in, s.output_file_name, l.name_refused) != ReadResult::kOk) return false;
    left_adjust(s.output_file_name);
    return true;
}

// The columns vary the last VAR entry, which may be neither E/N nor the
// ion/neutral mass ratio (those belong to the rows).
bool column_quantity_defined(const Interpreter& in) {
    if (in.var_count <= 0) return false;
    const int last = in.IVAR[in.var_count];
    return last != kCondEN && last != kCondIonMassRatio;
}

int row_index(const Interpreter& in, int code) {
    if (in.var_count >= 2) return in.IVAR[1];
    if (code == kRowEN) return kCondEN;
    if (code == kRowIonMassRatio) return kCondIonMassRatio;
    return 0;
}

// Exponential spacing needs positive end values, as in a series.
void floor_exponential_ends(GridLines& l) {
    if (l.t1 == kSpacingExponential) {
        l.x1 = exponential_end(l.x1);
        l.x2 = exponential_end(l.x2);
    }
    if (l.t2 == kSpacingExponential) {
        l.y1 = exponential_end(l.y1);
        l.y2 = exponential_end(l.y2);
    }
}

void set_column_value(Interpreter& in, const GridLines& l, const GridShape& g, int j) {
    double y = in.C[g.column_index];
    spacing_value(l.t2, l.y1, l.y2, series_position(j, g.columns), y);
    in.C[g.column_index] = y;
}

void compute_grid(Program& p, const GridLines& l, const GridShape& g) {
    Interpreter& in = p.in;
    if (g.runs() == 0) {
        // No row remains: the column quantity still ends at its last value,
        // without a pass over columns that make no run.
        if (g.columns >= 1) set_column_value(in, l, g, g.columns);
        return;
    }
    int r = 0;
    for (int j = 1; j <= g.columns; ++j) {
        set_column_value(in, l, g, j);
        for (int i = 1; i <= g.rows; ++i) {
            const double v = varied_value(in, l.t1, l.x1, l.x2, series_position(i, g.rows), g.row_index);
            if (g.row_index > 0) in.C[g.row_index] = v;
            ++r;
            prepare_run(p, r);
            if (g.row_index > 0)
                solve_run(p, r);
            else
                finderg(p, r, 1, v, kRelativeTolerance / v, kSearchLimit);
            finish_run(p, r);
        }
    }
}

// --- the table file ---

void text_record(OutputFile& f, std::string_view a, std::string_view b = {}) {
    // A label is kept whole on its record, also beyond 80 characters, so
    // that every header of the file is one line.
    std::string line = " ";
    line += a;
    line += b;
    f.record(line);
}

void empty_record(OutputFile& f) { f.record(""); }

// One number record of `count` G12.4 numbers, 1000 to a line.
template <class Value>
void number_record(OutputFile& f, int count, Value value) {
    std::string line;
    for (int j = 1; j <= count; ++j) {
        line += g12_4(value(j));
        if (j % kNumbersPerRecord == 0 && j < count) {
            f.record(line);
            line.clear();
        }
    }
    f.record(line);
}

// nr records, record i holding `value(run)` for the runs of row i in
// column order.
template <class Value>
void matrix_records(OutputFile& f, const GridShape& g, Value value) {
    if (g.runs() == 0) return;
    for (int i = 1; i <= g.rows; ++i)
        number_record(f, g.columns, [&](int j) { return value(i + (j - 1) * g.rows); });
}

// nr records of one number each, from the first column.
template <class Value>
void row_records(OutputFile& f, const GridShape& g, Value value) {
    if (g.runs() == 0) return;
    for (int i = 1; i <= g.rows; ++i) number_record(f, 1, [&](int) { return value(i); });
}

// One record of nc numbers, from the last row of each column.
template <class Value>
void column_record(OutputFile& f, const GridShape& g, Value value) {
    if (g.runs() == 0) return;
    number_record(f, g.columns, [&](int j) { return value(j * g.rows); });
}

void write_row_block(const Tables& t, const GridShape& g, OutputFile& f) {
    const auto& run = t.run;
    const int iv1 = g.row_index;
    if (iv1 == 0) {
        text_record(f, "Rows: Mean energy(eV)");
        row_records(f, g, [&](int r) { return run.run_results[r][kResMeanEnergy]; });
    } else if (iv1 <= kNumConditions) {
        text_record(f, "Rows: ", t.labels.condition_labels[iv1].full());
        row_records(f, g, [&](int r) { return run.run_conditions[r][iv1]; });
    } else {
        const int s = iv1 - kNumConditions;
        text_record(f, "Rows: Mole fraction ", t.sp.species_name[s].trimmed());
        row_records(f, g, [&](int r) { return run.run_gas_fractions[r][s]; });
    }
}

void write_fraction_column(const Tables& t, const GridShape& g, OutputFile& f, int s) {
    empty_record(f);
    text_record(f, "Columns: Mole fraction ", t.sp.species_name[s].trimmed());
    column_record(f, g, [&](int r) { return t.run.run_gas_fractions[r][s]; });
}

void write_column_block(const Tables& t, const GridShape& g, OutputFile& f) {
    const int iv2 = g.column_index;
    if (iv2 <= kNumConditions) {
        empty_record(f);
        text_record(f, "Columns: ", t.labels.condition_labels[iv2].full());
        column_record(f, g, [&](int r) { return t.run.run_conditions[r][iv2]; });
    } else if (t.prefs.normalize_fractions == 0) {
        write_fraction_column(t, g, f, iv2 - kNumConditions);
    } else {
        // Normalised fractions all change with the varied one.
        for (int s = 1; s <= t.num.species_count; ++s) write_fraction_column(t, g, f, s);
    }
}

}  // namespace

int grid_rows_that_fit(int rows, int columns) {
    if (static_cast<std::int64_t>(rows) * columns > kMaxRuns) return kMaxRuns / columns;
    return rows;
}

void write_grid_table(const Tables& t, const GridShape& g, OutputFile& f) {
    const auto& run = t.run;
    write_row_block(t, g, f);
    write_column_block(t, g, f);
    if (g.row_index == 0) {
        empty_record(f);
        text_record(f, t.labels.condition_labels[kCondEN].full());
        matrix_records(f, g, [&](int r) { return run.run_conditions[r][kCondEN]; });
    }
    for (int q = 1; q <= kTableResults; ++q) {
        if (t.labels.result_labels[q].is_blank()) continue;
        empty_record(f);
        text_record(f, t.labels.result_labels[q].full());
        matrix_records(f, g, [&](int r) { return run.run_results[r][q]; });
    }
    for (int k = 1; k <= t.num.collision_count; ++k) {
        empty_record(f);
        text_record(f, t.col.collision_name[k].full());
        matrix_records(f, g, [&](int r) { return run.run_rate_coef[r][k]; });
    }
}

CommandResult cmd_run2d(Program& p) {
    Interpreter& in = p.in;
    Tables& t = p.t;
    writelog_cr(in, "RUN2D");
    if (!column_quantity_defined(in)) {
        writelog(in, "Second variable undefined");
        return CommandResult::kAbort;
    }
    GridLines l;
    if (!read_grid_lines(in, t.prefs, l)) return CommandResult::kAbort;
    t.num.run_count = 0;

    GridShape g;
    g.columns = l.nc;
    g.rows = grid_rows_that_fit(l.nr, l.nc);
    if (static_cast<std::int64_t>(l.nr) * l.nc > kMaxRuns) writelog(in, "Too many runs");
    g.row_index = row_index(in, l.code);
    g.column_index = in.IVAR[in.var_count];
    floor_exponential_ends(l);

    compute_grid(p, l, g);
    t.num.run_count = g.runs();

    const std::string name = t.prefs.output_file_name.trimmed();
    OutputFile f;
    if (l.name_refused || !f.open(name)) return CommandResult::kAbort;
    write_grid_table(t, g, f);
    // A table file that cannot be written completely (a full disk) ends
    // the script like one that cannot be opened; its name is not logged.
    if (!f.close()) return CommandResult::kAbort;
    writelog(in, name);
    return CommandResult::kNext;
}

}  // namespace kestor
