// The results writer.
#pragma once

#include "common/tables.h"

namespace kestor {

// Writes the runs held in memory in the layout prefs.output_format (an
// OutputLayout code) to prefs.output_file_name; kLayoutLookup writes the
// lookup-table files instead. True when the results were written; false when
// the main file cannot be opened or written. A lookup file that cannot be
// opened throws ProgramStop.
bool writebol(const Tables& t);

}  // namespace kestor
