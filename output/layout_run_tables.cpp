// Layout 2 (kLayoutRunTables): run tables, one row per selected run, short column labels
// explained by a legend above each table.
#include <string>
#include <vector>

#include "common/forms.h"
#include "output/layouts.h"

namespace kestor {

namespace {

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
std::string collision_label(const Tables& t, int k) {
    return column_label(first_chars(t.col.collision_name[k], kNameTagWidth));
}

// Appends each item, as `form` writes it, to `line` and writes the record,
// starting a further record after every 1000 items.
template <class Item, class Form>
void write_records(std::string line, const std::vector<Item>& items, Form form, OutputFile& out) {
    int n = 0;
    for (const Item& item : items) {
        if (n == kFieldsPerRecord) {
            out.record(line);
            line.clear();
            n = 0;
        }
        line += form(item);
        ++n;
    }
    out.record(line);
}

// Column header: every field in 12 characters.
void write_header_record(const std::vector<std::string>& fields, OutputFile& out) {
    write_records({}, fields, [](const std::string& f) { return form_a(f, kFieldWidth); }, out);
}

// Data row: the run number, then the numbers (the first record holds the
// run number besides its 1000 numbers).
void write_row(int r, const std::vector<double>& values, OutputFile& out) {
    write_records(form_i(r, kFieldWidth), values, g12_4, out);
}

// One data row per selected run: `fill` puts the run's values into the row.
template <class Fill>
void write_rows(const Tables& t, OutputFile& out, Fill fill) {
    std::vector<double> row;
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r) {
        if (!is_on(t.sel.run_selected[r])) continue;
        row.clear();
        fill(r, row);
        write_row(r, row, out);
    }
}

void write_conditions_table(const Tables& t, const Selections& sel, OutputFile& out) {
    out.records(FreeRecord().text("Conditions").lines());
    const int ns = held_species(t);
    for (int j = 1; j <= kNumConditions; ++j) {
        const Name& label = t.labels.condition_labels[j];
        if (label.is_blank()) continue;
        if (sel.same(j))
            out.record(legend_prefix(j) + labelled_value(label, t.run.run_conditions[1][j]));
        else
            out.record(legend_prefix(j) + label.full());
    }
    for (int s = 1; s <= ns; ++s) {
        const int q = kNumConditions + s;
        std::string line = legend_prefix(q) + fraction_label(t, s);
        if (sel.same(q)) line += g12_4(t.run.run_gas_fractions[1][s]);
        out.record(line);
    }

    std::vector<std::string> header{"R#"};
    for (int q = 1; q <= kNumConditions + ns; ++q)
        if (!sel.same(q)) header.push_back(entry_label(q));
    write_header_record(header, out);

    write_rows(t, out, [&](int r, std::vector<double>& row) {
        for (int j = 1; j <= kNumConditions; ++j)
            if (!sel.same(j)) row.push_back(t.run.run_conditions[r][j]);
        for (int s = 1; s <= ns; ++s)
            if (!sel.same(kNumConditions + s)) row.push_back(t.run.run_gas_fractions[r][s]);
    });
    two_empty_records(out);
}

void write_transport_table(const Tables& t, const Selections& sel, OutputFile& out) {
    out.records(FreeRecord().text("Transport coefficients").lines());
    for (int j = 1; j <= kNumResults; ++j)
        if (sel.shown(j)) out.record(legend_prefix(j) + t.labels.result_labels[j].full());

    std::vector<std::string> header{"R#", "E/N (Td)"};
    for (int j = 1; j <= kNumResults; ++j)
        if (sel.shown(j)) header.push_back(entry_label(j));
    write_header_record(header, out);

    write_rows(t, out, [&](int r, std::vector<double>& row) {
        row.push_back(t.run.run_conditions[r][kCondEN]);
        for (int j = 1; j <= kNumResults; ++j)
            if (sel.shown(j)) row.push_back(t.run.run_results[r][j]);
    });
    two_empty_records(out);
}

void write_coefficient_table(const Tables& t, const double (*coef)[kMaxCollisions + 1], const char* title,
                             OutputFile& out) {
    out.record(title);
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k)
        if (is_on(t.sel.collision_selected[k])) out.records(FreeRecord().text(t.col.collision_name[k].full()).lines());

    std::vector<std::string> header{"R#", "E/N (Td)", "Energy (eV)"};
    for (int k = 1; k <= nc; ++k)
        if (is_on(t.sel.collision_selected[k])) header.push_back(collision_label(t, k));
    write_header_record(header, out);

    write_rows(t, out, [&](int r, std::vector<double>& row) {
        row.push_back(t.run.run_conditions[r][kCondEN]);
        row.push_back(t.run.run_results[r][kResMeanEnergy]);
        for (int k = 1; k <= nc; ++k)
            if (is_on(t.sel.collision_selected[k])) row.push_back(coef[r][k]);
    });
    two_empty_records(out);
}

}  // namespace

void write_run_tables(const Tables& t, const Selections& sel, OutputFile& out) {
    const Settings& p = t.prefs;
    if (is_on(p.output_conditions)) write_conditions_table(t, sel, out);
    if (is_on(p.output_transport)) write_transport_table(t, sel, out);
    if (is_on(p.output_rates)) write_coefficient_table(t, t.run.run_rate_coef, "Rate coefficients (m3/s)", out);
    if (is_on(p.output_inverse_rates))
        write_coefficient_table(t, t.run.run_inverse_rate_coef, "Inverse rate coefficients (m3/s)", out);
    if (is_on(p.output_energy_loss))
        write_coefficient_table(t, t.run.run_energy_loss_coef, "Energy loss coefficients (eV m3/s)", out);
}

}  // namespace kestor
