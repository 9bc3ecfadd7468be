// Layout 2: run tables, one row per selected run, short column labels
// explained by a legend above each table.
#include <string>
#include <vector>

#include "common/forms.h"
#include "output/layouts.h"

namespace kestor {

namespace {

constexpr int kLabelWidth = 40;
constexpr int kSpeciesWidth = 26;
constexpr int kFieldsPerRecord = 1000;  // a record holds at most 1000 fields or numbers
constexpr int kFieldWidth = 12;

std::string adjustl(const std::string& s) {
    const std::size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos) return std::string(s.size(), ' ');
    return s.substr(i) + std::string(i, ' ');
}

std::string adjustr(const std::string& s) {
    const std::size_t e = s.find_last_not_of(' ');
    if (e == std::string::npos) return std::string(s.size(), ' ');
    return std::string(s.size() - e - 1, ' ') + s.substr(0, e + 1);
}

// "A" and the entry number left-adjusted in 6 characters.
std::string legend_prefix(int q) { return "A" + adjustl(form_i(q, 3) + "   "); }

// A short text right-adjusted in 8 characters, then 4 blanks.
std::string column_label(const std::string& text) {
    std::string s = text.substr(0, 8);
    s.resize(8, ' ');
    return adjustr(s) + "    ";
}

std::string entry_label(int q) { return column_label("A" + strip_blanks(form_i(q, 3))); }

// The "C" and collision number at the front of the collision name.
std::string collision_label(const Tables& t, int k) { return column_label(first_chars(t.col.collision_name[k], 4)); }

// Column header: every field in 12 characters, at most 1000 fields per record.
void write_header_record(const std::vector<std::string>& fields, OutputFile& out) {
    std::string line;
    int n = 0;
    for (const std::string& f : fields) {
        if (n == kFieldsPerRecord) {
            out.record(line);
            line.clear();
            n = 0;
        }
        line += form_a(f, kFieldWidth);
        ++n;
    }
    out.record(line);
}

// Data row: the run number, then the numbers, at most 1000 per record;
// numbers beyond them go on in further records.
void write_row(int r, const std::vector<double>& values, OutputFile& out) {
    std::string line = form_i(r, kFieldWidth);
    int n = 0;
    for (double v : values) {
        if (n == kFieldsPerRecord) {
            out.record(line);
            line.clear();
            n = 0;
        }
        line += g12_4(v);
        ++n;
    }
    out.record(line);
}

void two_empty_records(OutputFile& out) {
    out.record("");
    out.record("");
}

void write_conditions_table(const Tables& t, const Selections& sel, OutputFile& out) {
    out.records(FreeRecord().text("Conditions").lines());
    const int ns = held_species(t);
    for (int j = 1; j <= kNumConditions; ++j) {
        const Name& label = t.labels.condition_labels[j];
        if (label.is_blank()) continue;
        if (sel.ISAME[j] == 0)
            out.record(legend_prefix(j) + label.full());
        else
            out.record(legend_prefix(j) + first_chars(label, kLabelWidth) + g12_4(t.run.run_conditions[1][j]));
    }
    for (int s = 1; s <= ns; ++s) {
        const int q = kNumConditions + s;
        std::string line = legend_prefix(q) + "Mole fraction " + first_chars(t.sp.species_name[s], kSpeciesWidth);
        if (sel.ISAME[q] == 1) line += g12_4(t.run.run_gas_fractions[1][s]);
        out.record(line);
    }

    std::vector<std::string> header{"R#"};
    for (int j = 1; j <= kNumConditions; ++j)
        if (sel.ISAME[j] == 0) header.push_back(entry_label(j));
    for (int s = 1; s <= ns; ++s)
        if (sel.ISAME[kNumConditions + s] == 0) header.push_back(entry_label(kNumConditions + s));
    write_header_record(header, out);

    std::vector<double> row;
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r) {
        if (t.sel.run_selected[r] != 1) continue;
        row.clear();
        for (int j = 1; j <= kNumConditions; ++j)
            if (sel.ISAME[j] == 0) row.push_back(t.run.run_conditions[r][j]);
        for (int s = 1; s <= ns; ++s)
            if (sel.ISAME[kNumConditions + s] == 0) row.push_back(t.run.run_gas_fractions[r][s]);
        write_row(r, row, out);
    }
    two_empty_records(out);
}

void write_transport_table(const Tables& t, const Selections& sel, OutputFile& out) {
    out.records(FreeRecord().text("Transport coefficients").lines());
    for (int j = 1; j <= kNumResults; ++j)
        if (sel.IPSELECT[j] == 1) out.record(legend_prefix(j) + t.labels.result_labels[j].full());

    std::vector<std::string> header{"R#", "E/N (Td)"};
    for (int j = 1; j <= kNumResults; ++j)
        if (sel.IPSELECT[j] == 1) header.push_back(entry_label(j));
    write_header_record(header, out);

    std::vector<double> row;
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r) {
        if (t.sel.run_selected[r] != 1) continue;
        row.assign(1, t.run.run_conditions[r][kCondEN]);
        for (int j = 1; j <= kNumResults; ++j)
            if (sel.IPSELECT[j] == 1) row.push_back(t.run.run_results[r][j]);
        write_row(r, row, out);
    }
    two_empty_records(out);
}

void write_coefficient_table(const Tables& t, const double (*coef)[kMaxCollisions + 1], const char* title,
                             OutputFile& out) {
    out.record(title);
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k)
        if (t.sel.collision_selected[k] == 1) out.records(FreeRecord().text(t.col.collision_name[k].full()).lines());

    std::vector<std::string> header{"R#", "E/N (Td)", "Energy (eV)"};
    for (int k = 1; k <= nc; ++k)
        if (t.sel.collision_selected[k] == 1) header.push_back(collision_label(t, k));
    write_header_record(header, out);

    std::vector<double> row;
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r) {
        if (t.sel.run_selected[r] != 1) continue;
        row.assign({t.run.run_conditions[r][kCondEN], t.run.run_results[r][1]});
        for (int k = 1; k <= nc; ++k)
            if (t.sel.collision_selected[k] == 1) row.push_back(coef[r][k]);
        write_row(r, row, out);
    }
    two_empty_records(out);
}

}  // namespace

void write_run_tables(const Tables& t, const Selections& sel, OutputFile& out) {
    const Settings& p = t.prefs;
    if (p.output_conditions == 1) write_conditions_table(t, sel, out);
    if (p.output_transport == 1) write_transport_table(t, sel, out);
    if (p.output_rates == 1) write_coefficient_table(t, t.run.run_rate_coef, "Rate coefficients (m3/s)", out);
    if (p.output_inverse_rates == 1)
        write_coefficient_table(t, t.run.run_inverse_rate_coef, "Inverse rate coefficients (m3/s)", out);
    if (p.output_energy_loss == 1)
        write_coefficient_table(t, t.run.run_energy_loss_coef, "Energy loss coefficients (eV m3/s)", out);
}

}  // namespace kestor
