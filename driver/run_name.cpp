// setrname: the 64-character name of a run, with its E/N (or
// "Maxwellian") and its mean energy or status text.
#include <cmath>
#include <limits>
#include <string>

#include "common/forms.h"
#include "driver/commands.h"
#include "driver/name_format.h"

namespace kestor {

namespace {

constexpr int kFormWidth = 15;  // numbers are formed this wide, then stripped of blanks

// Decimals by magnitude: 4 below 0.1, 3 below 1, 2 below 10, 1 below 100,
// else 0 (also for a value that is not a number).
std::string fixed_by_range(double v) {
    if (v < kSingleTenth) return form_f(v, kFormWidth, 4);
    if (v < 1.0) return form_f(v, kFormWidth, 3);
    if (v < 10.0) return form_f(v, kFormWidth, 2);
    if (v < 100.0) return form_f(v, kFormWidth, 1);
    return form_f(v, kFormWidth, 0);
}

std::string field_text(double en) {
    if (en < kSingleThousandth) return strip_blanks(form_g(en, kFormWidth, 3));
    return strip_blanks(fixed_by_range(en));
}

std::string energy_text(double e) {
    if (e < kSingleHundredth) return strip_blanks(form_f(e, kFormWidth, 5));
    return strip_blanks(fixed_by_range(e));
}

// The integer part of a stored status; a value that has none (not a
// number, or beyond the integers) selects no text.
bool status_code(double status, int& code) {
    if (!std::isfinite(status)) return false;
    const double whole = std::trunc(status);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max()) return false;
    code = static_cast<int>(whole);
    return true;
}

std::string status_text(const Tables& t, int irun) {
    int code = 0;
    if (!status_code(t.run.run_results[irun][kResStatus], code)) return {};
    switch (code) {
        case kStatusSuccess:
            return energy_text(t.run.run_results[irun][kResMeanEnergy]) + " eV";
        case kStatusFailed:
        case kStatusFailedUnchanged:
            return "Failed";
        case kStatusIncorrectMeanEnergy:
            return "Incorrect mean energy";
        case kStatusMissingElastic:
            return "Missing elastic collisions";
        default:
            return {};
    }
}

}  // namespace

void setrname(Tables& t, int irun) {
    Name& name = t.run.run_name[irun];
    if (irun >= kMaxRuns) {
        name.assign("Error: Too many runs");
        return;
    }
    name.blank();
    put_at(name, 1, name_tag('R', irun));

    const double maxwellian = t.run.run_conditions[irun][kCondMaxwellEnergy];
    if (!(maxwellian == 0.0))
        put_at(name, kNameBodyColumn, "Maxwellian");
    else
        put_at(name, kNameBodyColumn, field_text(t.run.run_conditions[irun][kCondEN]) + " Td");

    put_after_gap(name, status_text(t, irun));
}

}  // namespace kestor
