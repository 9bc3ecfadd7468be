// The script command loop and its keyword table.
#pragma once

#include <string_view>

#include "driver/interpreter.h"

namespace kestor {

using CommandHandler = CommandResult (*)(Program&);

struct CommandEntry {
    std::string_view keyword;
    CommandHandler handler;
};

// The command a script line selects: the first entry of the keyword table
// whose keyword occurs anywhere in the line (case respected); nullptr
// when none does.
const CommandEntry* find_command(std::string_view line);

enum class ScriptEnd { kFinished, kAborted };

// Reads and runs the script until FINISHED or the ABORT exit.
ScriptEnd command_loop(Program& p);

// The ABORT exit's log line: carriage return, then the free-format record
// of "ABORT: Error in input file line:" and the read count.
void write_abort_line(Interpreter& in);

}  // namespace kestor
