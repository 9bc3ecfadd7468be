// The common header of every result file: version and collision input data.
#include <algorithm>
#include <string>

#include "common/forms.h"
#include "output/layouts.h"

namespace kestor {

namespace {

constexpr int kHeaderDashes = 50;
constexpr int kHeaderEmptyRecords = 3;

void write_rotational_states(const Tables& t, int s, OutputFile& out) {
    const int nl = std::min(t.sp.rot_level_count[s], kMaxRotLevels);
    if (nl <= 0) return;
    out.record("Rotational states:");
    for (int l = 1; l <= nl; ++l)
        out.record(form_i(l, 3) + g12_4(t.sp.rot_level_energy[s][l]) + g12_4(t.sp.rot_level_weight[s][l]));
}

}  // namespace

void write_header(const Tables& t, OutputFile& out) {
    out.record("KESTOR+ version: 03/2016");
    out.record("Collision input data:");
    const int ns = held_species(t);
    for (int s = 1; s <= ns; ++s) {
        out.record(std::string(kHeaderDashes, '-'));
        out.record(t.sp.species_name[s].full());
        // The reference keeps its carriage-return line-feed pairs, so it
        // shows as several lines of the file.
        out.record(t.sp.species_reference[s].trimmed());
        write_rotational_states(t, s, out);
    }
    for (int i = 0; i < kHeaderEmptyRecords; ++i) out.record("");
}

}  // namespace kestor
