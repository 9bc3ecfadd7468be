// Layout 1 (kLayoutRunBlocks): one block of labelled values per selected run.
#include <string>

#include "common/forms.h"
#include "output/layouts.h"

namespace kestor {

namespace {

constexpr int kBlockDashes = 60;

const std::string kDashes(kBlockDashes, '-');

void write_conditions(const Tables& t, int r, OutputFile& out) {
    out.record(kDashes);
    for (int j = 1; j <= kNumConditions; ++j) {
        if (t.labels.condition_labels[j].is_blank()) continue;
        out.record(labelled_value(t.labels.condition_labels[j], t.run.run_conditions[r][j]));
    }
    const int ns = held_species(t);
    for (int s = 1; s <= ns; ++s) out.record(fraction_label(t, s) + g12_4(t.run.run_gas_fractions[r][s]));
}

void write_transport(const Tables& t, const Selections& sel, int r, OutputFile& out) {
    out.record(kDashes);
    for (int j = 1; j <= kNumResults; ++j)
        if (sel.shown(j)) out.record(labelled_value(t.labels.result_labels[j], t.run.run_results[r][j]));
}

void write_coefficients(const Tables& t, const double* coef, const char* title, OutputFile& out) {
    out.record(kDashes);
    out.record(title);
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k)
        if (is_on(t.sel.collision_selected[k])) out.record(labelled_value(t.col.collision_name[k], coef[k]));
}

// Rows stop where the distribution falls below the run's threshold
// (first value times the precision) and after the run's own grid points.
void write_eedf(const Tables& t, int r, OutputFile& out) {
    out.record(kDashes);
    out.record("Energy (eV) EEDF (eV-3/2) Anisotropy");
    const double* f = t.run.run_eedf[r];
    const double threshold = f[1] * t.run.run_conditions[r][kCondPrecision];
    const int np = run_grid_points(t, r);
    for (int k = 1; k <= np; ++k) {
        if (f[k] < threshold) break;
        out.record(g12_4(t.run.run_eedf_energy[r][k]) + '\t' + g12_4(f[k]) + '\t' +
                   g12_4(t.run.run_anisotropy[r][k]));
    }
}

void write_block(const Tables& t, const Selections& sel, int r, OutputFile& out) {
    const Settings& p = t.prefs;
    out.record(first_chars(t.run.run_name[r], kNameTagWidth));
    if (is_on(p.output_conditions)) write_conditions(t, r, out);
    if (is_on(p.output_transport)) write_transport(t, sel, r, out);
    if (is_on(p.output_rates)) write_coefficients(t, t.run.run_rate_coef[r], "Rate coefficients (m3/s)", out);
    if (is_on(p.output_inverse_rates))
        write_coefficients(t, t.run.run_inverse_rate_coef[r], "Inverse rate coefficients (m3/s)", out);
    if (is_on(p.output_energy_loss))
        write_coefficients(t, t.run.run_energy_loss_coef[r], "Energy loss coefficients (eV m3/s)", out);
    if (is_on(p.output_eedf)) write_eedf(t, r, out);
    two_empty_records(out);
}

}  // namespace

void write_run_blocks(const Tables& t, const Selections& sel, OutputFile& out) {
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r)
        if (is_on(t.sel.run_selected[r])) write_block(t, sel, r, out);
}

}  // namespace kestor
