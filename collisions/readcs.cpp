// The cross-section data file reader: blocks of a process keyword line, a
// target line, parameter lines, free comment lines and a table of energy
// and cross-section pairs after a line of dashes; reference blocks.
#include "collisions/readcs.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collisions/completion.h"
#include "collisions/keywords.h"
#include "collisions/rot_levels.h"
#include "collisions/target_match.h"
#include "common/free_format.h"

namespace kestor {
namespace {

constexpr int kMaxSearchLines = 100;     // lines searched for the table's dash line
constexpr int kMaxReferenceLines = 100;  // text lines of a reference block after the first
constexpr std::size_t kMaxLevelEntries = 2 * kMaxCollisions;
constexpr std::string_view kTableStart = "-----";
constexpr std::string_view kReferenceEnd = "---";
constexpr std::string_view kNoReferenceText = "References";
constexpr std::string_view kReferenceIntro = "How to reference in publications: ";
constexpr std::string_view kLineBreak = "\r\n";
constexpr double kUnreadValue = -1.0;  // marks table points the read did not fill

// State of one call: the file, the species, the rotation grouping.
struct Reader {
    Reader(Tables& tables, LineInput& input, int species, std::string name)
        : t(tables), in(input), isp(species), requested(std::move(name)) {}
    Tables& t;
    LineInput& in;
    int isp;
    std::string requested;
    bool grouping = true;  // later rotations and vibrations join their leader
    int rot_leader = 0;    // slot of the rotation group leader, 0 while none
    int vib_leader = 0;
    LevelEntries levels;
};

bool contains(const LineText& line, std::string_view word) {
    return std::string_view(line.c, LineText::size()).find(word) != std::string_view::npos;
}

// Takes the collision slot of a new process, or 0 when the slots are full.
// Rotations and vibrations after the first of their kind go to the top
// slots, carried by their leader, unless grouping is off.
int take_slot(Reader& r, int kind) {
    NumDat& num = r.t.num;
    if (num.collision_count + num.grouped_collision_count + 1 > kMaxCollisions) return 0;
    const bool groupable = kind == kRotation || kind == kVibration;
    int& leader = kind == kRotation ? r.rot_leader : r.vib_leader;
    if (groupable && r.grouping && leader != 0) {
        ++num.grouped_collision_count;
        const int k = kMaxCollisions + 1 - num.grouped_collision_count;
        r.t.col.collision_group[k] = leader;
        return k;
    }
    const int k = ++num.collision_count;
    if (groupable) {
        leader = k;
        r.t.col.collision_group[k] = k;
    }
    return k;
}

void fill_defaults(CollisionTables& col, int k, int kind, int isp, bool reversible) {
    col.collision_kind[k] = kind;
    col.collision_species[k] = isp;
    col.collision_mass_ratio[k] = 0.0;
    col.lower_level_energy[k] = 0.0;
    col.lower_level_weight[k] = 1.0;
    col.upper_level_energy[k] = 0.0;
    // The forward process of a reversible excitation gets its upper weight
    // from the de-excitation read for the other side.
    col.upper_level_weight[k] = kind == kExcitation && reversible ? 0.0 : 1.0;
    col.collision_threshold[k] = 0.0;
    col.cs_npoints[k] = 0;
}

// A parameter line must be there: the end of the file stops the program.
template <class... T>
bool read_parameters(LineInput& in, T&... targets) {
    const ReadResult res = read_values(in, targets...);
    if (res == ReadResult::kEnd) end_of_file_stop(in);
    return res == ReadResult::kOk;
}

// Reads the parameter lines of the kind; a line that is not numbers
// leaves the fields after it at their defaults.
void read_kind_parameters(LineInput& in, CollisionTables& col, int k, int kind) {
    switch (kind) {
        case kElastic:
            read_parameters(in, col.collision_mass_ratio[k]);
            break;
        case kIonization:
        case kExcitation:
            read_parameters(in, col.upper_level_energy[k]);
            break;
        case kDeexcitation:
            read_parameters(in, col.upper_level_energy[k], col.upper_level_weight[k]);
            break;
        case kRotation:
        case kVibration:
            if (read_parameters(in, col.lower_level_energy[k], col.lower_level_weight[k]))
                read_parameters(in, col.upper_level_energy[k], col.upper_level_weight[k]);
            break;
        default:
            break;
    }
}

bool has_parameter_lines(int kind) { return kind != kAttachment; }

void add_level_entries(Reader& r, int k) {
    const CollisionTables& col = r.t.col;
    if (r.levels.energy.size() + 2 > kMaxLevelEntries) return;
    r.levels.energy.push_back(col.lower_level_energy[k]);
    r.levels.weight.push_back(col.lower_level_weight[k]);
    r.levels.energy.push_back(col.upper_level_energy[k]);
    r.levels.weight.push_back(col.upper_level_weight[k]);
}

// Positions the file after the dash line that opens the table (or after
// the 100th line searched). The block's own keyword line, searched first
// when no parameter line follows the target line, never opens the table:
// the table would start on the target line and the keyword line would be
// read again as the next block. False at the end of the file.
bool find_table_start(LineInput& in, bool first_is_keyword_line) {
    LineText line;
    for (int i = 0; i < kMaxSearchLines; ++i) {
        if (read_line(in, line) != ReadResult::kOk) return false;
        if (i == 0 && first_is_keyword_line) continue;
        if (contains(line, kTableStart)) return true;
    }
    return true;
}

// One free-format read of up to 1003 (energy, cross section) pairs; it
// ends at the first item that is not a number, a slash or the end of the
// file, and what it read stays. False when it ran to the end of the file.
bool read_table(LineInput& in, CollisionTables& col, int k) {
    for (double& q : col.cs_value[k]) q = kUnreadValue;
    std::vector<ReadTarget> targets;
    targets.reserve(2 * kMaxCsPoints);
    for (int j = 0; j < kMaxCsPoints; ++j) {
        targets.push_back(ReadTarget::of(col.cs_energy[k][j]));
        targets.push_back(ReadTarget::of(col.cs_value[k][j]));
    }
    return read_free(in, targets) != ReadResult::kEnd;
}

// An accepted process block from its parameter lines to its table.
// False when the reading of the file ends.
bool read_process_block(Reader& r, const KeywordLine& kw, const TargetMatch& m) {
    const int kind = kw.kind == kExcitation && m.side == MatchSide::kSide2 ? kDeexcitation : kw.kind;
    const int k = take_slot(r, kind);
    if (k == 0) return false;
    CollisionTables& col = r.t.col;
    fill_defaults(col, k, kind, r.isp, m.reversible);
    if (kw.effective) r.t.sp.species_effective_flag[r.isp] = 1;

    read_kind_parameters(r.in, col, k, kind);
    col.collision_threshold[k] = col.upper_level_energy[k] - col.lower_level_energy[k];
    if (kind == kRotation) add_level_entries(r, k);

    // The parameter lines may be followed by comments: search the dash
    // line from the last two lines read on.
    r.in.step_back(2);
    if (!find_table_start(r.in, !has_parameter_lines(kind))) return false;
    // A table read to the end of the file leaves no line to read again.
    const bool more = read_table(r.in, col, k);
    // The line that ended the table may be the next block's keyword line.
    if (more) r.in.step_back(2);
    complete_table(col, k, r.t.prefs.cs_extrapolate);
    return more;
}

// A reference block from its first text line to its "---" line. Its
// lines join the species' reference text (1024 characters at most).
// False when the reading of the file ends (the block is then not kept).
bool read_reference_block(Reader& r) {
    LineText line;
    if (read_line(r.in, line) != ReadResult::kOk) return false;
    if (contains(line, kNoReferenceText)) line.blank();
    LineText intro;
    intro.assign(std::string(kReferenceIntro) + line.trimmed());

    RefText& reference = r.t.sp.species_reference[r.isp];
    RefText text;
    text.assign(reference.trimmed() + std::string(kLineBreak) + intro.trimmed());
    for (int i = 0; i < kMaxReferenceLines; ++i) {
        if (read_line(r.in, line) != ReadResult::kOk) return false;
        if (contains(line, kReferenceEnd)) break;
        const std::size_t len = line.trimmed_length();
        if (text.trimmed_length() + kLineBreak.size() + len < RefText::size())
            text.assign(text.trimmed() + std::string(kLineBreak) + line.trimmed());
    }
    reference.assign(text.trimmed());
    return true;
}

// Reads block after block until the file or the collision slots end.
void read_blocks(Reader& r) {
    LineText line;
    LineText target;
    while (r.t.num.collision_count < kMaxCollisions) {
        if (read_line(r.in, line) != ReadResult::kOk) return;
        const KeywordLine kw = classify_keyword_line(line.trimmed_view());
        if (kw.showrot) r.grouping = false;
        if (kw.type == BlockType::kNone) continue;
        if (read_line(r.in, target) != ReadResult::kOk) return;
        const TargetMatch m = match_target(target.full(), r.requested);
        if (m.side == MatchSide::kNone) continue;
        const bool more = kw.type == BlockType::kReference ? read_reference_block(r)
                                                            : read_process_block(r, kw, m);
        if (!more) return;
    }
}

}  // namespace

void readcs(Tables& t, int isp, const Name& name, LineInput& file) {
    if (isp < 1 || isp > kMaxSpecies) return;
    // Each species reads the file from its start.
    file.rewind();
    Reader r{t, file, isp, requested_name(name)};
    t.sp.species_effective_flag[isp] = 0;
    t.sp.species_reference[isp].assign(t.prefs.cs_file_name.trimmed());
    read_blocks(r);
    build_rot_levels(t.sp, isp, r.levels);
}

void readcs(Tables& t, int isp, const Name& name) {
    if (isp < 1 || isp > kMaxSpecies) return;
    LineInput in;
    if (!in.open_file(t.prefs.cs_file_name.trimmed(), kDataFileUnit)) return;
    readcs(t, isp, name, in);
}

}  // namespace kestor
