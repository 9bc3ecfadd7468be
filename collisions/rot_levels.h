// The rotational level table of a species, built from the lower and
// upper levels of the rotation processes read for it.
#pragma once

#include <vector>

#include "common/tables.h"

namespace kestor {

// Level entries of the rotation processes accepted in one read, two per
// process (lower level first).
struct LevelEntries {
    std::vector<double> energy;
    std::vector<double> weight;
};

// Groups the entries into levels of ascending energy for species isp and
// stores them (count, energies, weights): every distinct level, up to the
// lowest 4003 (the room of the level table), however many collisions are
// held. An empty entry list leaves the species' levels as they were. The
// entries' energies are used up (marked taken).
void build_rot_levels(SpeciesTables& sp, int isp, LevelEntries& entries);

}  // namespace kestor
