// Building the 64-character display names of runs and collisions: a
// numbered tag in column 1, the body from column 7, further parts after
// a gap of blanks, every piece cut at the last column.
#pragma once

#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace kestor {

constexpr int kNameWidth = static_cast<int>(Name::size());
constexpr int kNameBodyColumn = 7;  // E/N, "Maxwellian", a species or an error text from here
constexpr int kNameGap = 4;         // blanks between the parts of a name

// Single-precision 0.1, 0.01 and 0.001 as doubles: the number forms of the
// names switch their decimals at these bounds.
constexpr double kSingleTenth = static_cast<double>(0.1f);
constexpr double kSingleHundredth = static_cast<double>(0.01f);
constexpr double kSingleThousandth = static_cast<double>(0.001f);

// The letter and the number in three columns without blanks: "C12", "R1";
// 1000 and above show as three asterisks.
std::string name_tag(char letter, int number);

// Writes `text` into `name` from column `col` (1-based) on, cut at the last
// column; nothing when col lies beyond it.
void put_at(Name& name, int col, std::string_view text);

// Writes `text` after the last non-blank character and a gap of blanks.
void put_after_gap(Name& name, std::string_view text, int gap = kNameGap);

}  // namespace kestor
