// The selections of the writer: which results are shown and which
// conditions and mole fractions are the same in every run.
#include "output/layouts.h"

namespace kestor {

namespace {

// A result is shown when it has a label and some selected run holds a
// value other than 0 for it (a value that is not a number counts).
int shown(const Tables& t, int j) {
    if (t.labels.result_labels[j].is_blank()) return 0;
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r)
        if (is_on(t.sel.run_selected[r]) && t.run.run_results[r][j] != 0.0) return 1;
    return 0;
}

// 1 when value(r) equals value(1) exactly in every run, selected or not;
// a value that is not a number is never equal.
template <class Value>
int same_in_every_run(const Tables& t, Value value) {
    const int nr = held_runs(t);
    for (int r = 2; r <= nr; ++r)
        if (!(value(r) == value(1))) return 0;
    return 1;
}

int condition_same(const Tables& t, int j) {
    if (t.labels.condition_labels[j].is_blank()) return 1;
    return same_in_every_run(t, [&](int r) { return t.run.run_conditions[r][j]; });
}

int fraction_same(const Tables& t, int s) {
    return same_in_every_run(t, [&](int r) { return t.run.run_gas_fractions[r][s]; });
}

}  // namespace

void build_selections(const Tables& t, Selections& sel) {
    sel.IPSELECT[0] = 0;
    for (int j = 1; j <= kNumResults; ++j) sel.IPSELECT[j] = shown(t, j);
    sel.ISAME[0] = 1;
    for (int j = 1; j <= kNumConditions; ++j) sel.ISAME[j] = condition_same(t, j);
    const int ns = held_species(t);
    for (int s = 1; s <= kMaxSpecies; ++s) sel.ISAME[kNumConditions + s] = s <= ns ? fraction_same(t, s) : 1;
}

}  // namespace kestor
