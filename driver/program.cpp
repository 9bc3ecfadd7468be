#include "driver/program.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/fp_mode.h"
#include "common/program_stop.h"
#include "driver/command_loop.h"
#include "driver/labels.h"
#include "driver/log.h"
#include "driver/run_lock.h"
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

enum class ScriptName { kGiven, kRefused, kNoAnswer };

// The script name: the first argument whole, or, when it is missing or
// empty, one free-format file name typed after the prompt. A name longer
// than the 256 characters kept, or a typed one that is refused (see
// read_name), is never opened: it could only name some other file.
// kNoAnswer: standard input ended before a name.
ScriptName take_script_name(Interpreter& in, const char* first_arg, LineInput& terminal) {
    in.INPUTFILE.blank();
    if (first_arg != nullptr && first_arg[0] != '\0') {
        const std::string_view name(first_arg);
        in.INPUTFILE.assign(name);
        return without_trailing_blanks(name).size() <= kNameLength ? ScriptName::kGiven : ScriptName::kRefused;
    }
    std::fputs("KESTOR+ script file?\n", stdout);
    std::fflush(stdout);
    terminal.attach_stdin();
    bool refused = false;
    if (read_name(terminal, in.INPUTFILE, refused) == ReadResult::kEnd) return ScriptName::kNoAnswer;
    terminal.close();  // its line may be long
    return refused ? ScriptName::kRefused : ScriptName::kGiven;
}

bool file_exists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(name), ec);
}

// The script after a successful start of the log; how it ended. A missing
// script and one that cannot be opened (a folder, no permission) are
// logged alike; the second also says why on standard error.
int run_script(Program& p, bool name_usable) {
    Interpreter& in = p.in;
    const std::string script_name = in.INPUTFILE.trimmed();
    const bool found = name_usable && file_exists(script_name);
    if (!found || !in.script.open_file(script_name, kScriptUnit)) {
        if (found) {
            std::fflush(stdout);
            std::fprintf(stderr, "open error on script file \"%s\": %s\n", script_name.c_str(),
                         in.script.open_error().c_str());
        }
        writelog_cr(in, "Cannot find file " + script_name);
        return kAbortExitStatus;
    }
    in.script_line_count = 0;
    const ScriptEnd end = command_loop(p);
    in.script.close();
    return end == ScriptEnd::kAborted ? kAbortExitStatus : kExitSuccess;
}

// A stop with a status of its own wins; after FINISHED a log that failed
// comes before a result file that could not be written.
int exit_status(const Interpreter& in, int script_status) {
    if (script_status != kExitSuccess) return script_status;
    if (log_given_up(in)) return kLogFileExitStatus;
    if (in.result_file_failed) return kResultFileExitStatus;
    return kExitSuccess;
}

}  // namespace

StartUp::StartUp(Interpreter& in, const char* first_arg) {
    set_floating_point_mode();
    in.LOGFILE.assign(kLogFileName);
    // Taken before the log is restarted, and before the prompt.
    if (!lock_.take(kLogFileName)) {
        status_ = kLogFileExitStatus;
        return;
    }
    LineInput terminal;
    const ScriptName name = take_script_name(in, first_arg, terminal);
    name_usable_ = name == ScriptName::kGiven;
    // The log is restarted also without a name, so that no earlier run's
    // log is left in place to be taken for this one's.
    const bool log_started = restart_log(in, "KESTOR+ script file: " + in.INPUTFILE.trimmed());
    if (name == ScriptName::kNoAnswer) end_of_file_stop(terminal);
    // A log that cannot be started ends the program before any command.
    if (!log_started) {
        discard_earlier_log();
        status_ = kLogFileExitStatus;
    }
}

// A log that could not be restarted for want of a descriptor (a limit on
// open files) is still emptied, by name, so that an earlier run's log is
// not left in place as if it were this one's. Only under the folder's
// lock, which no other run then holds; a log that cannot be opened for
// other reasons (a folder in its place, no permission) cannot be emptied
// either.
void StartUp::discard_earlier_log() const {
    if (lock_.holds_folder()) ::truncate(kLogFileName, 0);
}

int StartUp::run(Program& p) const {
    reset_state(p);
    return exit_status(p.in, run_script(p, name_usable_));
}

int vadovararav(Program& p, const char* first_arg) {
    const StartUp start(p.in, first_arg);
    if (start.status() != kExitSuccess) return start.status();
    return start.run(p);
}

}  // namespace kestor
