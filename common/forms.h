// The fixed edit forms and free-format records of every output.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestor {

// Numbers are rounded to nearest on their exact binary value (an exact tie
// goes to the even digit). A negative value keeps its minus sign even when
// it rounds to zero; zero itself, -0.0 included, has none. The leading "0"
// of a magnitude below 1 is dropped when the field has no room for it.
// NaN and infinities are written "NaN", "Infinity" or "Inf" with their
// sign, right-adjusted, or asterisks when even that does not fit.

// Gw.d: general form, d significant digits in w characters.
std::string form_g(double v, int w, int d);
// Fw.d: fixed form, d decimals in w characters; w asterisks when it does
// not fit. Width 0 writes the value as narrow as it goes.
std::string form_f(double v, int w, int d);
// Iw: integer right-adjusted in w characters; w asterisks when it does not
// fit. Width 0 writes the value as narrow as it goes.
std::string form_i(long long v, int w);
// Aw: the first w characters of s, or s right-adjusted after blanks.
std::string form_a(std::string_view s, int w);

// G12.4, the form of every result table.
inline std::string g12_4(double v) { return form_g(v, 12, 4); }

// s without leading and trailing blanks.
std::string strip_blanks(std::string_view s);

// Builder of free-format records: each record begins with one blank and
// holds at most 80 characters; a number that does not fit starts a new
// record. Integers take 12 characters, doubles 24 (15 significant digits),
// singles 15 (7 digits). A text after a number is preceded by one blank.
// A text that does not fit in the rest of a record starts a new one; a
// text longer than a whole record is split over as many as it needs.
class FreeRecord {
public:
    FreeRecord& text(std::string_view s);
    FreeRecord& integer(int v);
    FreeRecord& real(double v);
    FreeRecord& single(float v);
    // The records written; a write without any item gives one empty line.
    std::vector<std::string> lines() const;

private:
    void number(const std::string& field);
    std::vector<std::string> lines_;
    bool last_was_number_ = false;
    bool any_item_ = false;
};

// The free-format fields on their own. Their digits come from the value
// first written with 17 (double) or 9 (single) significant digits, then
// rounded half up to the digits shown, so 1.0E-20 is 1.000000000000000E-020.
std::string free_double(double v);  // 24 characters
std::string free_single(float v);   // 15 characters
std::string free_int(int v);        // 12 characters

}  // namespace kestor
