// Layout 7 (kLayoutCollisionData): every visible collision in the data-file format, then the raw
// arrays of every run after "RESUME".
#include <algorithm>
#include <string>

#include "common/forms.h"
#include "output/layouts.h"
#include "output/writetab2.h"

namespace kestor {

namespace {

const std::string kTableDashes(32, '-');

bool species_is_effective(const Tables& t, int s) {
    return s >= 1 && s <= kMaxSpecies && t.sp.species_effective_flag[s] != 0;
}

std::string species_line(const Tables& t, int s) {
    if (s < 1 || s > kMaxSpecies) return std::string(Name::size(), ' ');
    return t.sp.species_name[s].full();
}

// The keyword line by kind. A de-excitation goes out as an excitation of
// its own species; a vibration carries its keyword so that the block
// reads back as a process.
const char* keyword(const Tables& t, int k) {
    switch (t.col.collision_kind[k]) {
        case kElastic: return species_is_effective(t, t.col.collision_species[k]) ? "EFFECTIVE" : "ELASTIC";
        case kAttachment: return "ATTACHMENT";
        case kIonization: return "IONIZATION";
        case kExcitation:
        case kDeexcitation: return "EXCITATION";
        case kRotation: return "ROTATION";
        case kVibration: return "VIBRATION";
        default: return nullptr;
    }
}

void write_parameters(const Tables& t, int k, OutputFile& out) {
    const CollisionTables& c = t.col;
    switch (c.collision_kind[k]) {
        case kElastic:
            // The mass ratio passes through single precision.
            out.record(g12_4(static_cast<float>(c.collision_mass_ratio[k])));
            break;
        case kIonization: out.record(g12_4(c.collision_threshold[k])); break;
        case kExcitation:
        case kDeexcitation: out.record(g12_4(c.collision_threshold[k]) + g12_4(c.upper_level_weight[k])); break;
        case kRotation:
        case kVibration:
            out.record(g12_4(c.lower_level_energy[k]) + g12_4(c.lower_level_weight[k]));
            out.record(g12_4(c.upper_level_energy[k]) + g12_4(c.upper_level_weight[k]));
            break;
        default: break;  // attachment: no parameter line
    }
}

void write_collision_block(const Tables& t, int k, OutputFile& out) {
    if (const char* kw = keyword(t, k)) out.record(kw);
    out.record(species_line(t, t.col.collision_species[k]));
    write_parameters(t, k, out);
    out.record(kTableDashes);
    const int np = std::clamp(t.col.cs_npoints[k], 0, kMaxCsPoints);
    for (int j = 0; j < np; ++j) writetab2(out, t.col.cs_energy[k][j], t.col.cs_value[k][j]);
    out.record(kTableDashes);
    two_empty_records(out);
}

// One free-format record (continued as needed) of values 1..n of a row.
void write_array(const double* row, int n, OutputFile& out) {
    FreeRecord rec;
    for (int i = 1; i <= n; ++i) rec.real(row[i]);
    out.records(rec.lines());
}

void write_run_arrays(const Tables& t, int r, OutputFile& out) {
    const RunTables& run = t.run;
    const int nc = held_collisions(t);
    const int m = run_grid_points(t, r);
    write_array(run.run_conditions[r], kNumConditions, out);
    write_array(run.run_gas_fractions[r], held_species(t), out);
    write_array(run.run_results[r], kNumResults, out);
    write_array(run.run_rate_coef[r], nc, out);
    write_array(run.run_inverse_rate_coef[r], nc, out);
    write_array(run.run_energy_loss_coef[r], nc, out);
    write_array(run.run_eedf_energy[r], m, out);
    write_array(run.run_eedf[r], m, out);
    write_array(run.run_anisotropy[r], m, out);
}

}  // namespace

void write_collision_data(const Tables& t, OutputFile& out) {
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k) write_collision_block(t, k, out);
    out.record("RESUME");
    const int nr = held_runs(t);
    out.records(FreeRecord().integer(nr).lines());
    for (int r = 1; r <= nr; ++r) write_run_arrays(t, r, out);
}

}  // namespace kestor
