// The condition and result label tables.
#pragma once

#include "common/tables.h"

namespace kestor {

// Fills condition_labels(1..20) and result_labels(1..30);
// kResUnused10 and kResUnused26 have no label and stay blank.
void setlabels(Tables& t);

}  // namespace kestor
