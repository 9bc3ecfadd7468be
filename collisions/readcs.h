// Reader of cross-section data files.
#pragma once

#include "common/free_format.h"
#include "common/tables.h"

namespace kestor {

constexpr int kDataFileUnit = 11;  // the unit an end-of-file stop on a data file names

// Reads the data file named by prefs.cs_file_name for species `isp` named
// `name`, appending its processes to the collision tables (completed
// tables, reference text, effective flag, rotational levels). Writes no
// message; the caller compares collision_count before and after.
void readcs(Tables& t, int isp, const Name& name);
// The same from `file`, that data file already opened (unit kDataFileUnit)
// by the caller, read from its first line; the file stays open.
void readcs(Tables& t, int isp, const Name& name, LineInput& file);

}  // namespace kestor
