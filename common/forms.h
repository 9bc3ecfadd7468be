// The fixed edit forms and free-format records of every output.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestor {

// Gw.d: general form, d significant digits in w characters.
std::string form_g(double v, int w, int d);
// Fw.d: fixed form, d decimals in w characters; w asterisks when it does not fit.
std::string form_f(double v, int w, int d);
// Iw: integer right-adjusted in w characters; w asterisks when it does not fit.
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

// The free-format fields on their own.
std::string free_double(double v);  // 24 characters
std::string free_single(float v);   // 15 characters
std::string free_int(int v);        // 12 characters

}  // namespace kestor
