// Completion of a cross-section table after it has been read.
#pragma once

#include "common/tables.h"

namespace kestor {

// Completes the table of collision slot k in place: counts the usable
// points, puts a zero point at the threshold and a point at zero energy
// in front, extends the table to 10000 eV (flat when cs_extrapolate is 0,
// as ln(E)/E otherwise) and forces the cross section to zero at and below
// the threshold. Sets cs_npoints(k).
void complete_table(CollisionTables& col, int k, int cs_extrapolate);

}  // namespace kestor
