// Reader of cross-section data files.
#pragma once

#include "common/tables.h"

namespace kestor {

// Reads the data file named by prefs.cs_file_name for species `isp` named
// `name`, appending its processes to the collision tables (completed
// tables, reference text, effective flag, rotational levels). Writes no
// message; the caller compares collision_count before and after.
void readcs(Tables& t, int isp, const Name& name);

}  // namespace kestor
