// Pieces of records that several layouts write alike: labels cut to their
// columns, the mole-fraction label, the empty records after a block.
#include "common/forms.h"
#include "output/layouts.h"

namespace kestor {

namespace {

// Widths of the label columns: a label is cut to 40 characters, a species
// name after "Mole fraction " to 26, so the values line up.
constexpr int kLabelWidth = 40;
constexpr int kSpeciesWidth = 26;

}  // namespace

std::string first_chars(const Name& s, int n) { return s.full().substr(0, static_cast<std::size_t>(n)); }

std::string labelled_value(const Name& label, double value) {
    return first_chars(label, kLabelWidth) + g12_4(value);
}

std::string fraction_label(const Tables& t, int s) {
    return "Mole fraction " + first_chars(t.sp.species_name[s], kSpeciesWidth);
}

void two_empty_records(OutputFile& out) {
    out.record("");
    out.record("");
}

}  // namespace kestor
