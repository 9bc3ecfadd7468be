// Layout 6: lookup-table files (".lut") in the working directory.
#pragma once

#include <string>
#include <vector>

#include "common/tables.h"

namespace kestor {

// File name of a collision's lookup table: the name from column 7 on,
// each run of blanks made one "_", ".lut" appended. A "/" (which would
// lead out of the working directory) becomes "_" as well.
std::string lookup_file_name(const Name& collision_name);

// File names of the visible collisions' tables, entry k for collision k
// (entry 0 unused). Collisions whose plain names agree: the last keeps the
// plain name, each earlier one has "_C" and its number before ".lut"
// (N2_Excitation_0.29_eV_C3.lut), so that no table replaces another.
std::vector<std::string> lookup_file_names(const Tables& t);

// Writes the five fixed files and one file per visible collision.
// A file that cannot be opened or written throws ProgramStop; the files
// written before it stay.
void write_lookup_files(const Tables& t);

}  // namespace kestor
