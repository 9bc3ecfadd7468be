#include "common/forms.h"

#include <bit>
#include <cstdint>

#include <cmath>
#include <cstdlib>

namespace kestor {

namespace {

constexpr std::size_t kRecordLength = 80;
constexpr int kFreeIntWidth = 12;
constexpr int kGeneralTrailingBlanks = 4;

std::string blanks(std::size_t n) { return std::string(n, ' '); }

std::string right_adjust(const std::string& s, int w) {
    return s.size() >= static_cast<std::size_t>(w) ? s : blanks(w - s.size()) + s;
}

std::string asterisks(int w) { return std::string(w > 0 ? w : 0, '*'); }

// A value that has no digits: "NaN", "Infinity" or "Inf" with its sign,
// right-adjusted; asterisks when even the short word does not fit.
std::string non_finite(double v, int w) {
    std::string word;
    if (std::isnan(v)) {
        word = "NaN";
    } else {
        const std::string sign = v < 0 ? "-" : "";
        word = sign + "Infinity";
        if (word.size() > static_cast<std::size_t>(w)) word = sign + "Inf";
    }
    if (word.size() > static_cast<std::size_t>(w)) return asterisks(w);
    return right_adjust(word, w);
}

// A rounded magnitude: its significant digits and the exponent e of
// d.ddd times 10^e.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// printf of one double into a string of whatever length it needs.
std::string print(const char* format, int precision, double v) {
    const int n = std::snprintf(nullptr, 0, format, precision, v);
    std::string s(static_cast<std::size_t>(n), '\0');
    std::snprintf(s.data(), s.size() + 1, format, precision, v);
    return s;
}

// The magnitude rounded to `digits` significant digits, to nearest on the
// exact binary value.
Decimal round_significant(double magnitude, int digits) {
    const std::string buf = print("%.*e", digits - 1, magnitude);
    Decimal d;
    const char* p = buf.c_str();
    for (; *p != 'e'; ++p)
        if (*p != '.') d.digits.push_back(*p);
    d.exponent = std::atoi(p + 1);
    return d;
}

// Right-adjusts sign and digits in a field of w. An optional leading zero
// is dropped when the field has no room for it; asterisks when even that
// does not fit.
std::string fit(const std::string& sign, const std::string& body, bool zero_optional, int w) {
    std::string s = sign + body;
    if (s.size() <= static_cast<std::size_t>(w)) return right_adjust(s, w);
    if (zero_optional) {
        s = sign + body.substr(1);
        if (s.size() <= static_cast<std::size_t>(w)) return right_adjust(s, w);
    }
    return asterisks(w);
}

// Free-format fields take their digits in two steps: the value is first
// written with the digits that always identify it (17 for a double, 9 for
// a single), and that decimal is rounded half up to the digits shown. So
// 1.0E-20 (binary 9.99999999999999945E-21) is written 1.000000000000000E-020.
constexpr int kDoubleExactDigits = 17;
constexpr int kSingleExactDigits = 9;

Decimal round_decimal_half_up(const Decimal& exact, int digits) {
    Decimal d{exact.digits.substr(0, digits), exact.exponent};
    if (exact.digits[digits] < '5') return d;
    int i = digits - 1;
    for (; i >= 0 && d.digits[i] == '9'; --i) d.digits[i] = '0';
    if (i >= 0) {
        ++d.digits[i];
    } else {
        d.digits.insert(d.digits.begin(), '1');
        d.digits.pop_back();
        ++d.exponent;
    }
    return d;
}

// Zero and sign tests on the bits: the program runs with denormals read
// as zero, under which a stored subnormal compares equal to 0 although its
// digits are not those of 0.
bool is_exact_zero(double v) { return (std::bit_cast<std::uint64_t>(v) << 1) == 0; }
bool is_negative_nonzero(double v) { return std::signbit(v) && !is_exact_zero(v); }

struct FreeRealLayout {
    int digits;           // significant digits of the fixed form
    int exact_digits;     // digits of the first conversion
    int width;            // the whole field
    int fixed_width;      // the fixed form is right-adjusted in these
    int exponent_digits;  // digits of the exponent in the exponent form
};

constexpr FreeRealLayout kFreeDouble{15, kDoubleExactDigits, 24, 19, 3};
constexpr FreeRealLayout kFreeSingle{7, kSingleExactDigits, 15, 11, 2};

// Exponent form of a free-format field: one digit, the point, `digits`
// further digits, "E", the exponent sign and its digits.
std::string free_exponent_form(double v, const FreeRealLayout& f) {
    const Decimal d = round_decimal_half_up(round_significant(std::fabs(v), f.exact_digits), f.digits + 1);
    const int e = is_exact_zero(v) ? 0 : d.exponent;
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%0*d", e < 0 ? '-' : '+', f.exponent_digits, std::abs(e));
    const std::string sign = is_negative_nonzero(v) ? "-" : "";
    return sign + d.digits.substr(0, 1) + "." + d.digits.substr(1) + exp;
}

// A free-format real field: fixed form with the layout's significant
// digits when the rounded magnitude lies in [0.1, 10^digits), otherwise
// (and for 0) the exponent form.
std::string free_real(double v, const FreeRealLayout& f) {
    if (!std::isfinite(v)) return non_finite(v, f.width);
    if (!is_exact_zero(v)) {
        const Decimal d = round_decimal_half_up(round_significant(std::fabs(v), f.exact_digits), f.digits);
        const int n = d.exponent + 1;  // digits before the point
        if (n >= 0 && n <= f.digits) {
            const std::string sign = is_negative_nonzero(v) ? "-" : "";
            const std::string body = n == 0 ? "0." + d.digits
                                            : d.digits.substr(0, n) + "." + d.digits.substr(n);
            return right_adjust(sign + body, f.fixed_width) + blanks(f.width - f.fixed_width);
        }
    }
    return right_adjust(free_exponent_form(v, f), f.width);
}

}  // namespace

std::string form_g(double v, int w, int d) {
    if (w <= 0 || d <= 0) return asterisks(w);
    if (!std::isfinite(v)) return non_finite(v, w);
    const int fixed_width = w - kGeneralTrailingBlanks;
    if (fixed_width <= 0) return asterisks(w);
    if (is_exact_zero(v)) return form_f(0.0, fixed_width, d - 1) + blanks(kGeneralTrailingBlanks);
    const Decimal r = round_significant(std::fabs(v), d);
    const int n = r.exponent + 1;  // the rounded magnitude is 0.ddd times 10^n
    const std::string sign = is_negative_nonzero(v) ? "-" : "";
    if (n >= 0 && n <= d) {
        // Fixed form with d - n decimals, from the same rounded digits.
        const std::string body = n == 0 ? "0." + r.digits : r.digits.substr(0, n) + "." + r.digits.substr(n);
        std::string f = fit(sign, body, n == 0, fixed_width);
        if (f.empty() || f[0] == '*') return asterisks(w);
        return f + blanks(kGeneralTrailingBlanks);
    }
    char exp[16];
    if (std::abs(n) <= 99)
        std::snprintf(exp, sizeof exp, "E%c%02d", n < 0 ? '-' : '+', std::abs(n));
    else
        std::snprintf(exp, sizeof exp, "%c%03d", n < 0 ? '-' : '+', std::abs(n));
    return fit(sign, "0." + r.digits + exp, true, w);
}

std::string form_f(double v, int w, int d) {
    if (d < 0) d = 0;
    if (!std::isfinite(v)) return non_finite(v, w);
    std::string body = print("%.*f", d, std::fabs(v));
    if (d == 0) body += '.';
    const std::string sign = v < 0.0 ? "-" : "";
    const bool zero_optional = body[0] == '0' && body.size() > 1;
    if (w <= 0) return sign + body;  // minimal width
    std::string s = fit(sign, body, zero_optional, w);
    // A field left with no digit at all (F1.0 of 0.4 would be ".") does not fit.
    if (s.find_first_of("0123456789") == std::string::npos) return asterisks(w);
    return s;
}

std::string form_i(long long v, int w) {
    const std::string s = std::to_string(v);
    if (w <= 0) return s;  // minimal width
    if (s.size() > static_cast<std::size_t>(w)) return asterisks(w);
    return right_adjust(s, w);
}

std::string form_a(std::string_view s, int w) {
    if (w <= 0) return std::string();
    if (s.size() >= static_cast<std::size_t>(w)) return std::string(s.substr(0, w));
    return blanks(w - s.size()) + std::string(s);
}

std::string strip_blanks(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::string();
    const std::size_t last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string free_int(int v) { return form_i(v, kFreeIntWidth); }

std::string free_double(double v) { return free_real(v, kFreeDouble); }

std::string free_single(float v) { return free_real(static_cast<double>(v), kFreeSingle); }

// ---------------------------------------------------------------------------
// FreeRecord

FreeRecord& FreeRecord::text(std::string_view s) {
    if (lines_.empty()) lines_.emplace_back(" ");
    std::string piece = last_was_number_ ? " " + std::string(s) : std::string(s);
    any_item_ = true;
    last_was_number_ = false;
    if (lines_.back().size() + piece.size() <= kRecordLength) {
        lines_.back() += piece;
        return *this;
    }
    // Too long for the rest of this record: it starts a new one (where its
    // separating blank is not needed), and a text longer than a whole
    // record is split over as many records as it needs.
    if (lines_.back().size() > 1) {
        lines_.emplace_back(" ");
        piece = std::string(s);
    }
    for (;;) {
        std::string& cur = lines_.back();
        const std::size_t room = kRecordLength - cur.size();
        if (piece.size() <= room) {
            cur += piece;
            break;
        }
        cur += piece.substr(0, room);
        piece.erase(0, room);
        lines_.emplace_back(" ");
    }
    return *this;
}

void FreeRecord::number(const std::string& field) {
    if (lines_.empty() || lines_.back().size() + field.size() > kRecordLength) lines_.emplace_back(" ");
    lines_.back() += field;
    any_item_ = true;
    last_was_number_ = true;
}

FreeRecord& FreeRecord::integer(int v) {
    number(free_int(v));
    return *this;
}

FreeRecord& FreeRecord::real(double v) {
    number(free_double(v));
    return *this;
}

FreeRecord& FreeRecord::single(float v) {
    number(free_single(v));
    return *this;
}

std::vector<std::string> FreeRecord::lines() const {
    if (!any_item_) return {std::string()};
    return lines_;
}

}  // namespace kestor
