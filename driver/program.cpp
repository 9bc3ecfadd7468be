#include "driver/program.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/fp_mode.h"
#include "common/program_stop.h"
#include "driver/command_loop.h"
#include "driver/labels.h"
#include "driver/log.h"
#include "driver/text_util.h"

namespace kestor {

namespace {

constexpr std::size_t kNameLength = LineText::size();

void reset_state(Program& p) {
    Tables& t = p.t;
    Interpreter& in = p.in;
    setlabels(t);
    t.num.species_count = 0;
    t.num.collision_count = 0;
    t.num.run_count = 0;
    for (int k = 0; k <= kMaxCurrent; ++k) in.IVAR[k] = 0;
    in.var_count = 0;
    in.screen_echo = 1;
    for (int s = 1; s <= kMaxSpecies; ++s) t.sp.species_reference[s].blank();
}

// The script name: the first argument whole, or, when it is missing or
// empty, one free-format text typed after the prompt. False when the name
// is longer than the 256 characters kept: the cut name is never opened.
bool take_script_name(Interpreter& in, const char* first_arg) {
    in.INPUTFILE.blank();
    if (first_arg != nullptr && first_arg[0] != '\0') {
        const std::string_view name(first_arg);
        in.INPUTFILE.assign(name);
        return without_trailing_blanks(name).size() <= kNameLength;
    }
    std::fputs("KESTOR+ script file?\n", stdout);
    std::fflush(stdout);
    LineInput terminal;
    terminal.attach_stdin();
    bool cut = false;
    if (read_name(terminal, in.INPUTFILE, cut) == ReadResult::kEnd) end_of_file_stop(terminal);
    return !cut;
}

bool file_exists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(name), ec);
}

// The script after a successful start of the log: a missing script is
// logged, one that cannot be opened ends it without a message.
void run_script(Program& p, bool name_fits) {
    Interpreter& in = p.in;
    const std::string script_name = in.INPUTFILE.trimmed();
    if (!name_fits || !file_exists(script_name)) {
        writelog_cr(in, "Cannot find file " + script_name);
        return;
    }
    if (!in.script.open_file(script_name, kScriptUnit)) return;
    in.script_line_count = 0;
    command_loop(p);
    in.script.close();
}

}  // namespace

int vadovararav(Program& p, const char* first_arg) {
    Interpreter& in = p.in;
    set_floating_point_mode();
    in.LOGFILE.assign(kLogFileName);
    reset_state(p);
    const bool name_fits = take_script_name(in, first_arg);
    // A log that cannot be started ends the program before any command.
    if (!restart_log(in, "KESTOR+ script file: " + in.INPUTFILE.trimmed())) return kLogFileExitStatus;
    run_script(p, name_fits);
    return log_given_up(in) ? kLogFileExitStatus : kExitSuccess;
}

}  // namespace kestor
