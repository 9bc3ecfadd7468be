#include "driver/command_loop.h"

#include <string>

#include "common/forms.h"
#include "driver/commands.h"
#include "driver/log.h"
#include "driver/text_util.h"

namespace kestor {

namespace {

CommandResult cmd_end(Program&) { return CommandResult::kFinish; }

// Tested in this order: a later keyword that is part of an earlier one
// (RUN in CLEARRUNS, RUNSERIES or RUN2D) is never taken for it, and END
// is found last, also inside words such as APPEND.
constexpr CommandEntry kCommands[] = {
    {"NOSCREEN", cmd_noscreen},
    {"READCOLLISIONS", cmd_readcollisions},
    {"CLEARCOLLISIONS", cmd_clearcollisions},
    {"CONDITIONS", cmd_conditions},
    {"CLEARRUNS", cmd_clearruns},
    {"RUNSERIES", cmd_runseries},
    {"RUNBACK", cmd_runseries},
    {"RUN2D", cmd_run2d},
    {"RUN", cmd_run},
    {"SAVERESULTS", cmd_saveresults},
    {"END", cmd_end},
};

bool is_comment(const LineText& s) { return s.col(1) == '!' || s.col(1) == '/'; }

void write_finished(Interpreter& in) { writelog_cr(in, "FINISHED"); }

}  // namespace

const CommandEntry* find_command(std::string_view line) {
    for (const CommandEntry& c : kCommands)
        if (line.find(c.keyword) != std::string_view::npos) return &c;
    return nullptr;
}

void write_abort_line(Interpreter& in) {
    FreeRecord record;
    record.text("ABORT: Error in input file line:").integer(in.script_line_count);
    in.S.assign(record.lines().front());
    writelog_cr(in, in.S.trimmed());
}

ScriptEnd command_loop(Program& p) {
    Interpreter& in = p.in;
    for (;;) {
        if (script_read_line(in, in.S) != ReadResult::kOk) {
            write_finished(in);
            return ScriptEnd::kFinished;
        }
        left_adjust(in.S);
        if (is_comment(in.S)) continue;
        const CommandEntry* command = find_command(in.S.trimmed_view());
        if (command == nullptr) continue;
        switch (command->handler(p)) {
            case CommandResult::kNext:
                break;
            case CommandResult::kFinish:
                write_finished(in);
                return ScriptEnd::kFinished;
            case CommandResult::kAbort:
                write_abort_line(in);
                return ScriptEnd::kAborted;
        }
    }
}

}  // namespace kestor
