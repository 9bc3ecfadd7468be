// The log file and its console echo.
#pragma once

#include <string_view>

#include "driver/interpreter.h"

namespace kestor {

constexpr char kCR = '\r';

// Appends `text` as one line to the log file (trailing blanks kept) and
// echoes it without trailing blanks while screen_echo is 1.
void writelog(Interpreter& in, std::string_view text);

}  // namespace kestor
