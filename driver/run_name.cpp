// setrname: the 64-character name of a run, with its E/N (or
// "Maxwellian") and its mean energy or status text.
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "common/forms.h"
#include "driver/commands.h"

namespace kestor {

namespace {

constexpr int kNameWidth = 64;
constexpr int kValueColumn = 7;  // E/N or "Maxwellian" starts here
constexpr int kGap = 4;          // blanks before the mean energy or status
constexpr int kFormWidth = 15;

// Upper bounds of the decimal ranges: single-precision 0.001, 0.01 and 0.1.
constexpr double kFieldBound3 = 0.0010000000474974513;
constexpr double kEnergyBound2 = 0.009999999776482582;
constexpr double kBound1 = 0.10000000149011612;

// Writes `s` into `name` from column `col` on, cut at column 64.
void put_at(Name& name, int col, std::string_view s) {
    for (std::size_t i = 0; i < s.size() && col + static_cast<int>(i) <= kNameWidth; ++i)
        name.c[col - 1 + i] = s[i];
}

int last_nonblank(const Name& name) { return static_cast<int>(name.trimmed_length()); }

// Decimals by magnitude: 4 below 0.1, 3 below 1, 2 below 10, 1 below 100,
// else 0 (also for a value that is not a number).
std::string fixed_by_range(double v) {
    if (v < kBound1) return form_f(v, kFormWidth, 4);
    if (v < 1.0) return form_f(v, kFormWidth, 3);
    if (v < 10.0) return form_f(v, kFormWidth, 2);
    if (v < 100.0) return form_f(v, kFormWidth, 1);
    return form_f(v, kFormWidth, 0);
}

std::string field_text(double en) {
    if (en < kFieldBound3) return strip_blanks(form_g(en, kFormWidth, 3));
    return strip_blanks(fixed_by_range(en));
}

std::string energy_text(double e) {
    if (e < kEnergyBound2) return strip_blanks(form_f(e, kFormWidth, 5));
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
    if (!status_code(t.run.run_results[irun][kNumResults], code)) return {};
    switch (code) {
        case kStatusSuccess:
            return energy_text(t.run.run_results[irun][1]) + " eV";
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
    put_at(name, 1, "R" + strip_blanks(form_i(irun, 3)));

    const double maxwellian = t.run.run_conditions[irun][kCondMaxwellEnergy];
    if (!(maxwellian == 0.0))
        put_at(name, kValueColumn, "Maxwellian");
    else
        put_at(name, kValueColumn, field_text(t.run.run_conditions[irun][kCondEN]) + " Td");

    put_at(name, last_nonblank(name) + 1 + kGap, status_text(t, irun));
}

}  // namespace kestor
