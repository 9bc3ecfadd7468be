// Display names of the collisions: number, species, kind and threshold
// (or the size of a rotation or vibration group) in 64 columns.
#include <string>
#include <string_view>

#include "common/forms.h"
#include "driver/commands.h"
#include "driver/name_format.h"

namespace kestor {
namespace {

constexpr int kGroupGap = 2;  // blanks before the group size

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

// Two decimals from 0.1 eV, three from 0.01 eV, else four.
std::string threshold_text(double x) {
    const std::string f = x >= kSingleTenth       ? form_f(x, 6, 2)
                          : x >= kSingleHundredth ? form_f(x, 6, 3)
                                                  : form_f(x, 7, 4);
    return strip_blanks(f) + " eV";
}

// The name of collision k, its error text when a table overflowed.
void build_name(const Tables& t, int k, Name& name) {
    if (k == kMaxCollisions) {
        name.assign("Error: too many collisions");
        return;
    }
    if (t.num.species_count == kMaxSpecies && k == t.num.collision_count) {
        name.assign("Error: too many species");
        return;
    }
    name.blank();
    put_at(name, 1, name_tag('C', k));
    if (t.col.cs_npoints[k] >= kMaxCsPoints) {
        put_at(name, kNameBodyColumn, "Error: too many data points");
        return;
    }
    const int s = t.col.collision_species[k];
    if (s >= 1 && s <= kMaxSpecies) put_at(name, kNameBodyColumn, t.sp.species_name[s].full());
    put_after_gap(name, kind_text(t, k));

    const int kind = t.col.collision_kind[k];
    if (kind == kElastic || kind == kAttachment) return;
    if (kind == kRotation || kind == kVibration) {
        const int g = group_size(t, k);
        if (g > 0) {
            // The group's visible collision and its grouped processes.
            put_after_gap(name, "(" + std::to_string(g + 1) + ")", kGroupGap);
            return;
        }
    }
    put_after_gap(name, threshold_text(t.col.collision_threshold[k]));
}

}  // namespace

void setcname(Tables& t, int k) {
    if (k < 1 || k > kMaxCollisions) return;
    build_name(t, k, t.col.collision_name[k]);
}

}  // namespace kestor
