// READCOLLISIONS: loads the processes of one or more species from one
// cross-section data file and logs each species with its reference text
// and the names of its new collisions.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "collisions/readcs.h"
#include "common/forms.h"
#include "common/free_format.h"
#include "driver/commands.h"
#include "driver/log.h"
#include "driver/run.h"
#include "driver/text_util.h"

namespace kestor {
namespace {

constexpr std::string_view kKeyword = "READCOLLISIONS";

void echo(const Interpreter& in, std::string_view text) {
    if (in.screen_echo != 1) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

void echo_record(const Interpreter& in, std::string_view text) {
    FreeRecord rec;
    rec.text(text);
    for (const std::string& line : rec.lines()) echo(in, line);
}

// The species, its reference text and its new collisions c0+1..count,
// written with the log file held open. The echo does not depend on the log.
void write_species_block(Program& p, int isp, int c0) {
    {
        LogFile log(p.in, "ab");
        const auto line = [&](std::string_view text, bool as_record) {
            log.line(text);
            if (as_record) {
                echo_record(p.in, text);
            } else {
                echo(p.in, text);
            }
        };
        line(p.t.sp.species_name[isp].trimmed(), true);
        line(p.t.sp.species_reference[isp].trimmed(), false);
        for (int k = c0 + 1; k <= p.t.num.collision_count; ++k) line(p.t.col.collision_name[k].full(), true);
    }
    std::fflush(stdout);
}

// The species of that name (the last one should several match), or a new
// index after the known ones.
int find_species(const Tables& t, const Name& name) {
    for (int s = t.num.species_count; s >= 1; --s)
        if (t.sp.species_name[s].equals(name)) return s;
    return t.num.species_count + 1;
}

// Up to `room` names from the species line into SS(1..room); a slash or
// the end of the line ends the list.
void parse_species_line(Interpreter& in, int room) {
    for (Name& n : in.SS) n.blank();
    std::vector<ReadTarget> targets;
    for (int j = 1; j <= room; ++j) targets.push_back(ReadTarget::of(in.SS[j]));
    read_free(in.S.full(), targets);
}

// The line for a species that the file gives no process. With the slots
// full the reader takes none, so nothing can be said of the file then.
void log_no_collisions(Program& p, const Name& name, int c0) {
    const NumDat& num = p.t.num;
    if (num.collision_count != c0 || num.collision_count + num.grouped_collision_count >= kMaxCollisions) return;
    writelog(p.in, "No collisions for " + name.trimmed() + " in " + p.t.prefs.cs_file_name.trimmed());
}

// Loads one named species from `file`; false when the command has to end.
bool load_species(Program& p, const Name& name, LineInput& file) {
    Tables& t = p.t;
    const int isp = find_species(t, name);
    if (isp > kMaxSpecies) {
        writelog(p.in, "Too many species");
        return false;
    }
    if (isp > t.num.species_count) t.num.species_count = isp;
    const int c0 = t.num.collision_count;
    readcs(t, isp, name, file);
    t.sp.species_name[isp] = name;
    for (int k = c0 + 1; k <= t.num.collision_count; ++k) setcname(t, k);
    clear_collision_coefficients(t, c0 + 1, t.num.collision_count);
    write_species_block(p, isp, c0);
    log_no_collisions(p, name, c0);
    if (t.num.collision_count == kMaxCollisions) {
        writelog(p.in, "Too many collisions");
        return false;
    }
    return true;
}

}  // namespace

CommandResult cmd_readcollisions(Program& p) {
    Interpreter& in = p.in;
    Tables& t = p.t;
    writelog_cr(in, kKeyword);

    bool name_refused = false;
    if (script_read_name_or_stop(in, t.prefs.cs_file_name, name_refused) != ReadResult::kOk)
        return CommandResult::kAbort;
    if (!t.prefs.cs_file_name.is_blank()) left_adjust(t.prefs.cs_file_name);
    const std::string file_name = t.prefs.cs_file_name.trimmed();
    // Read once for all the species of the line. A file that cannot be
    // read whole (a directory, a device, no permission, too large) is
    // reported like a missing one, and nothing is loaded. A cut name could
    // only open some other file.
    LineInput file;
    if (name_refused || !file.open_file(file_name, kDataFileUnit)) {
        writelog_cr(in, "Cannot find file " + file_name);
        return CommandResult::kAbort;
    }
    if (script_read_line(in, in.S) != ReadResult::kOk) return CommandResult::kAbort;
    if (script_read_values_or_stop(in, t.prefs.cs_extrapolate) != ReadResult::kOk) return CommandResult::kAbort;

    // Room for one name past a full species table, so that it is refused
    // with a message.
    const int room = kMaxSpecies + 1 - t.num.species_count;
    parse_species_line(in, room);
    for (int j = 1; j <= kMaxSpecies && j <= room; ++j) {
        if (in.SS[j].is_blank()) break;
        Name name = in.SS[j];
        left_adjust(name);
        if (!load_species(p, name, file)) break;
    }
    return CommandResult::kNext;
}

}  // namespace kestor
