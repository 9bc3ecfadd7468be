// The two-column x-y row: both numbers in G12.4 without their blanks,
// joined by one tab.
#pragma once

#include <string>

#include "common/output_file.h"

namespace kestor {

std::string tab2_row(double x, double y);
void writetab2(OutputFile& out, double x, double y);

}  // namespace kestor
