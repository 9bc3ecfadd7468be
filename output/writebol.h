// The results writer.
#pragma once

#include "common/tables.h"

namespace kestor {

// Writes the runs held in memory in the layout prefs.output_format to
// prefs.output_file_name (layout 6: the lookup-table files). Returns 0 on
// success, 1 when the main file cannot be opened. A lookup file that
// cannot be opened throws ProgramStop.
int writebol(const Tables& t);

}  // namespace kestor
