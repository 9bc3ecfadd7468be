// Layouts 3 and 4: every quantity of the selected runs as a two-column
// table against E/N (kLayoutXYAgainstEN) or the mean energy
// (kLayoutXYAgainstEnergy).
#include <string>

#include "common/forms.h"
#include "output/layouts.h"
#include "output/writetab2.h"

namespace kestor {

namespace {

struct XAxis {
    bool against_energy;
    std::string header;  // 12 characters
    std::string header_trimmed() const { return header.substr(0, header.find_last_not_of(' ') + 1); }
    double of(const Tables& t, int r) const {
        return against_energy ? t.run.run_results[r][kResMeanEnergy] : t.run.run_conditions[r][kCondEN];
    }
};

// One x-y table: header record, one row per selected run, two empty records.
template <class Value>
void write_table(const Tables& t, const XAxis& x, const std::string& header, Value value, OutputFile& out) {
    out.record(header);
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r)
        if (is_on(t.sel.run_selected[r])) writetab2(out, x.of(t, r), value(r));
    two_empty_records(out);
}

void write_conditions(const Tables& t, const Selections& sel, const XAxis& x, OutputFile& out) {
    const int ns = held_species(t);
    for (int j = 1; j <= kNumConditions; ++j)
        if (!t.labels.condition_labels[j].is_blank() && sel.same(j))
            out.record(labelled_value(t.labels.condition_labels[j], t.run.run_conditions[1][j]));
    for (int s = 1; s <= ns; ++s)
        if (sel.same(kNumConditions + s)) out.record(fraction_label(t, s) + g12_4(t.run.run_gas_fractions[1][s]));
    two_empty_records(out);

    // These headers keep the blanks of the x header and of the label.
    for (int j = 1; j <= kNumConditions; ++j)
        if (!sel.same(j))
            write_table(t, x, x.header + '\t' + t.labels.condition_labels[j].full(),
                        [&](int r) { return t.run.run_conditions[r][j]; }, out);
    for (int s = 1; s <= ns; ++s)
        if (!sel.same(kNumConditions + s))
            write_table(t, x, x.header + '\t' + "Mole fraction " + t.sp.species_name[s].full(),
                        [&](int r) { return t.run.run_gas_fractions[r][s]; }, out);
}

void write_transport(const Tables& t, const Selections& sel, const XAxis& x, OutputFile& out) {
    for (int j = 1; j <= kNumResults; ++j)
        if (sel.shown(j))
            write_table(t, x, x.header_trimmed() + '\t' + strip_blanks(t.labels.result_labels[j].full()),
                        [&](int r) { return t.run.run_results[r][j]; }, out);
}

void write_coefficients(const Tables& t, const XAxis& x, const double (*coef)[kMaxCollisions + 1],
                        const char* title, OutputFile& out) {
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k) {
        if (!is_on(t.sel.collision_selected[k])) continue;
        out.record(t.col.collision_name[k].full());
        write_table(t, x, x.header_trimmed() + '\t' + title, [&](int r) { return coef[r][k]; }, out);
    }
}

// Energy lost per species in every process but elastic momentum transfer.
double inelastic_loss(const Tables& t, int r, int s) {
    double sum = 0.0;
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k)
        if (t.col.collision_species[k] == s && is_inelastic(t.col.collision_kind[k]))
            sum += t.run.run_energy_loss_coef[r][k];
    return sum;
}

void write_inelastic_losses(const Tables& t, const XAxis& x, OutputFile& out) {
    const int ns = held_species(t);
    for (int s = 1; s <= ns; ++s) {
        out.record(t.sp.species_name[s].full());
        write_table(t, x, x.header_trimmed() + '\t' + "Inelastic energy loss coefficient (eV m3/s)",
                    [&](int r) { return inelastic_loss(t, r, s); }, out);
    }
}

}  // namespace

void write_xy_tables(const Tables& t, const Selections& sel, OutputFile& out, bool against_energy) {
    const XAxis x{against_energy, against_energy ? "Energy (eV) " : "E/N (Td)    "};
    const Settings& p = t.prefs;
    if (is_on(p.output_conditions)) write_conditions(t, sel, x, out);
    if (is_on(p.output_transport)) write_transport(t, sel, x, out);
    if (is_on(p.output_rates)) write_coefficients(t, x, t.run.run_rate_coef, "Rate coefficient (m3/s)", out);
    if (is_on(p.output_inverse_rates))
        write_coefficients(t, x, t.run.run_inverse_rate_coef, "Inverse rate coefficient (m2)", out);
    if (is_on(p.output_energy_loss))
        write_coefficients(t, x, t.run.run_energy_loss_coef, "Energy loss coefficient (eV m3/s)", out);
    // The switch values are added, not tested for 1 (wide sum: no overflow).
    const long long coefficient_switches = static_cast<long long>(p.output_rates) + p.output_inverse_rates +
                                           p.output_energy_loss;
    if (coefficient_switches > 0) write_inelastic_losses(t, x, out);
}

}  // namespace kestor
