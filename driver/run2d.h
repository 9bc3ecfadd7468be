// Two-dimensional run grids and their table file.
#pragma once

#include <cstdint>

#include "common/output_file.h"
#include "common/tables.h"
#include "driver/interpreter.h"

namespace kestor {

// The shape of a computed grid: rows and columns, the row index into C (0
// for a target mean energy) and the column index; runs = rows * columns
// runs were made, numbered column by column, rows fastest.
struct GridShape {
    int rows = 0;
    int columns = 0;
    int row_index = 0;
    int column_index = 0;
    int runs() const {
        if (rows <= 0 || columns <= 0 || static_cast<std::int64_t>(rows) * columns > kMaxRuns) return 0;
        return rows * columns;
    }
};

// The rows that fit into the run tables with `columns` columns: `rows`
// itself, or 1003 / columns when rows * columns exceeds 1003.
int grid_rows_that_fit(int rows, int columns);

// Writes the table file records of a computed grid. A grid without runs
// writes the text records only.
void write_grid_table(const Tables& t, const GridShape& g, OutputFile& f);

}  // namespace kestor
