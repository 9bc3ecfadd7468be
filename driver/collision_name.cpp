// Display names of the collisions: number, species, kind and threshold
// (or the size of a rotation or vibration group) in 64 columns.
#include <string>
#include <string_view>

#include "common/forms.h"
#include "driver/commands.h"

namespace kestor {
namespace {

constexpr std::size_t kNameWidth = 64;
constexpr std::size_t kSpeciesColumn = 7;  // species name or error text from here
constexpr std::size_t kGap = 4;            // blanks between the parts
// Single-precision 0.1 and 0.01: the threshold forms switch there.
constexpr double kTwoDecimalsFrom = 0.10000000149011612;
constexpr double kThreeDecimalsFrom = 0.009999999776482582;

// Writes `text` from column `col` (1-based) on, cut at column 64.
void put_at(std::string& name, std::size_t col, std::string_view text) {
    if (col > kNameWidth) return;
    const std::size_t room = kNameWidth - (col - 1);
    name.replace(col - 1, text.size() < room ? text.size() : room, text.substr(0, room));
}

std::size_t last_nonblank_column(const std::string& name) {
    const std::size_t p = name.find_last_not_of(' ');
    return p == std::string::npos ? 0 : p + 1;
}

void append_after_gap(std::string& name, std::string_view text) {
    put_at(name, last_nonblank_column(name) + kGap + 1, text);
}

std::string_view kind_text(const Tables& t, int k) {
    switch (t.col.collision_kind[k]) {
        case kElastic: {
            const int s = t.col.collision_species[k];
            const bool effective = s >= 1 && s <= kMaxSpecies && t.sp.species_effective_flag[s] != 0;
            return effective ? "Effective (momentum)" : "Elastic";
        }
        case kAttachment: return "Attachment";
        case kIonization: return "Ionization";
        case kExcitation: return "Excitation";
        case kDeexcitation: return "De-excitation";
        case kRotation: return "Rotation";
        case kVibration: return "Vibration";
        default: return "";
    }
}

// Grouped processes carried by the visible collision k.
int group_size(const Tables& t, int k) {
    int g = 0;
    for (int m = 1; m <= t.num.grouped_collision_count; ++m)
        if (t.col.collision_group[kMaxCollisions + 1 - m] == k) ++g;
    return g;
}

std::string threshold_text(double x) {
    const std::string f = x >= kTwoDecimalsFrom     ? form_f(x, 6, 2)
                          : x >= kThreeDecimalsFrom ? form_f(x, 6, 3)
                                                    : form_f(x, 7, 4);
    return strip_blanks(f) + " eV";
}

std::string build_name(const Tables& t, int k) {
    if (k == kMaxCollisions) return "Error: too many collisions";
    if (t.num.species_count == kMaxSpecies && k == t.num.collision_count) return "Error: too many species";

    std::string name(kNameWidth, ' ');
    put_at(name, 1, "C" + strip_blanks(form_i(k, 3)));
    if (t.col.cs_npoints[k] >= kMaxCsPoints) {
        put_at(name, kSpeciesColumn, "Error: too many data points");
        return name;
    }
    const int s = t.col.collision_species[k];
    if (s >= 1 && s <= kMaxSpecies) put_at(name, kSpeciesColumn, t.sp.species_name[s].full());
    append_after_gap(name, kind_text(t, k));

    const int kind = t.col.collision_kind[k];
    if (kind == kElastic || kind == kAttachment) return name;
    if (kind == kRotation || kind == kVibration) {
        const int g = group_size(t, k);
        if (g > 0) {
            // The group's visible collision and its grouped processes.
            return name.substr(0, last_nonblank_column(name)) + "  (" + std::to_string(g + 1) + ")";
        }
    }
    append_after_gap(name, threshold_text(t.col.collision_threshold[k]));
    return name;
}

}  // namespace

void setcname(Tables& t, int k) {
    if (k < 1 || k > kMaxCollisions) return;
    t.col.collision_name[k].assign(build_name(t, k));
}

}  // namespace kestor
