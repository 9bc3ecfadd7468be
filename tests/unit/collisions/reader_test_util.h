// Helpers of the data-file reader tests: a species load into fresh tables
// (the fixture paths and scratch folders they use are in tests/support/).
#pragma once

#include <string>

#include "collisions/readcs.h"
#include "common/tables.h"
#include "tests/support/fixtures.h"
#include "tests/support/scratch_dir.h"

namespace kestor::test {

inline Name name_of(const std::string& s) {
    Name n;
    n.assign(s);
    return n;
}

// Reads `file` for the species `name` into slot isp of the tables.
inline void load(Tables& t, const std::string& file, int isp, const std::string& name, int extrapolate = 0) {
    t.prefs.cs_file_name.assign(file);
    t.prefs.cs_extrapolate = extrapolate;
    if (isp > t.num.species_count) t.num.species_count = isp;
    readcs(t, isp, name_of(name));
}

}  // namespace kestor::test
