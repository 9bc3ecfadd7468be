// Free-format fields and records.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/forms.h"
#include "common/fp_mode.h"

namespace kestor {
namespace {

struct DoubleCase {
    double value;
    const char* expected;
};

TEST(FreeDouble, FixedOrExponentForm) {
    // clang-format off
    const DoubleCase cases[] = {
        {1.0,                    "   1.00000000000000     "},
        {0.0,                    "  0.000000000000000E+000"},
        {-0.0,                   "  0.000000000000000E+000"},
        {1.0e-20,                "  1.000000000000000E-020"},
        {-1.0e-20,               " -1.000000000000000E-020"},
        {-1.0,                   "  -1.00000000000000     "},
        {0.1,                    "  0.100000000000000     "},
        {-0.5,                   " -0.500000000000000     "},
        {0.09999999999999999,    "  0.100000000000000     "},  // rounds up into the fixed range
        {0.0999999999999,        "  9.999999999990000E-002"},
        {3.141592653589793,      "   3.14159265358979     "},
        {-123.456,               "  -123.456000000000     "},
        {123456789012345.0,      "   123456789012345.     "},
        {999999999999999.4,      "   999999999999999.     "},
        // 15 digits round it out of the fixed range; the exponent form shows 16.
        {999999999999999.9,      "  9.999999999999999E+014"},
        {1.0e15,                 "  1.000000000000000E+015"},
        {2.220446049250313e-16,  "  2.220446049250313E-016"},
        {1.0e300,                "  1.000000000000000E+300"},
        {5.0e-324,               "  4.940656458412465E-324"},
        {std::numeric_limits<double>::infinity(), "                Infinity"},
        {std::numeric_limits<double>::quiet_NaN(), "                     NaN"},
    };
    // clang-format on
    for (const DoubleCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(free_double(c.value), c.expected);
    }
}

struct SingleCase {
    float value;
    const char* expected;
};

TEST(FreeSingle, FixedOrExponentForm) {
    // clang-format off
    const SingleCase cases[] = {
        {1.0f,        "   1.000000    "},
        {0.0f,        "  0.0000000E+00"},
        {-3.25f,      "  -3.250000    "},
        {0.1f,        "  0.1000000    "},
        {-0.1f,       " -0.1000000    "},
        {9999999.0f,  "   9999999.    "},
        {1.0e7f,      "  1.0000000E+07"},
        {-1.0e7f,     " -1.0000000E+07"},
        {0.05f,       "  5.0000001E-02"},  // binary 0.0500000007
        {1.0e-30f,    "  1.0000000E-30"},
        {3.4028235e38f, "  3.4028235E+38"},
    };
    // clang-format on
    for (const SingleCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(free_single(c.value), c.expected);
    }
}

TEST(FreeInt, TwelveCharacters) {
    EXPECT_EQ(free_int(5), "           5");
    EXPECT_EQ(free_int(-7), "          -7");
    EXPECT_EQ(free_int(INT_MIN), " -2147483648");
    EXPECT_EQ(free_int(INT_MAX), "  2147483647");
}

std::vector<std::size_t> lengths(const std::vector<std::string>& lines) {
    std::vector<std::size_t> n;
    for (const std::string& l : lines) n.push_back(l.size());
    return n;
}

TEST(FreeRecord, NumbersBreakAtEightyCharacters) {
    struct Case {
        const char* label;
        char kind;  // d double, s single, i integer
        int count;
        std::vector<std::size_t> lengths;
    };
    const Case cases[] = {
        {"ten_doubles", 'd', 10, {73, 73, 73, 25}},
        {"three_doubles", 'd', 3, {73}},
        {"five_singles", 's', 5, {76}},
        {"six_singles", 's', 6, {76, 16}},
        {"six_integers", 'i', 6, {73}},
        {"seven_integers", 'i', 7, {73, 13}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FreeRecord r;
        for (int k = 0; k < c.count; ++k) {
            if (c.kind == 'd') r.real(k + 1.0);
            if (c.kind == 's') r.single(k + 1.0f);
            if (c.kind == 'i') r.integer(k + 1);
        }
        const auto lines = r.lines();
        EXPECT_EQ(lengths(lines), c.lengths);
        for (const std::string& l : lines) EXPECT_EQ(l[0], ' ');
    }
}

TEST(FreeRecord, TenDoublesKeepTheirOrder) {
    FreeRecord r;
    for (int k = 1; k <= 10; ++k) r.real(k);
    const auto lines = r.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], " " + free_double(1) + free_double(2) + free_double(3));
    EXPECT_EQ(lines[3], " " + free_double(10));
}

TEST(FreeRecord, TextAndNumberJoins) {
    struct Case {
        const char* label;
        std::vector<std::string> lines;
    };
    const std::string name64 = "N2 elastic" + std::string(54, ' ');
    const Case cases[] = {
        {"abort_line", FreeRecord().text("ABORT: Error in input file line:").integer(7).lines()},
        {"text_after_number", FreeRecord().integer(3).text("abc").lines()},
        {"texts_joined", FreeRecord().text("ab").text("cd").lines()},
        {"trailing_blanks_kept", FreeRecord().text(name64).lines()},
        {"number_after_text", FreeRecord().text("x=").real(1.0).lines()},
        {"empty_write", FreeRecord().lines()},
        {"empty_text", FreeRecord().text("").lines()},
    };
    const std::vector<std::string> expected[] = {
        {" ABORT: Error in input file line:           7"},
        {"            3 abc"},
        {" abcd"},
        {" " + name64},
        {" x=   1.00000000000000     "},
        {""},
        {" "},
    };
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(cases[k].label);
        EXPECT_EQ(cases[k].lines, expected[k]);
    }
}

TEST(FreeRecord, TextThatDoesNotFitStartsANewRecord) {
    FreeRecord r;
    r.real(1).real(2).real(3).text("abcdefghij");
    const auto lines = r.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 73u);
    EXPECT_EQ(lines[1], " abcdefghij");  // no separating blank at the start of a record

    FreeRecord label;
    const std::string species(60, 's');
    label.text("Columns: Mole fraction ").text(species);
    EXPECT_EQ(label.lines(), (std::vector<std::string>{" Columns: Mole fraction ", " " + species}));
}

TEST(FreeRecord, TextLongerThanARecordIsSplit) {
    FreeRecord r;
    r.text(std::string(100, 'x'));
    EXPECT_EQ(r.lines(), (std::vector<std::string>{" " + std::string(79, 'x'), " " + std::string(21, 'x')}));

    FreeRecord exact;
    exact.text(std::string(79, 'y'));
    EXPECT_EQ(lengths(exact.lines()), std::vector<std::size_t>{80});
}

TEST(FreeRecord, NumberAfterAFullTextStartsANewRecord) {
    FreeRecord r;
    r.text(std::string(70, 't')).integer(1);
    EXPECT_EQ(r.lines(), (std::vector<std::string>{" " + std::string(70, 't'), " " + free_int(1)}));

    FreeRecord fits;
    fits.text(std::string(67, 't')).integer(1);  // 1 + 67 + 12 = 80
    EXPECT_EQ(lengths(fits.lines()), std::vector<std::size_t>{80});
}

TEST(FreeRecord, EPExportBlock) {
    // Keyword, point count and the values continued over 80-character records.
    FreeRecord keyword;
    keyword.text("MOBILITY");
    FreeRecord count;
    count.integer(7);
    FreeRecord values;
    for (int k = 0; k < 7; ++k) values.single(0.5f * k);
    EXPECT_EQ(keyword.lines(), std::vector<std::string>{" MOBILITY"});
    EXPECT_EQ(count.lines(), std::vector<std::string>{"            7"});
    const auto v = values.lines();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0], " " + free_single(0.0f) + free_single(0.5f) + free_single(1.0f) + free_single(1.5f) +
                        free_single(2.0f));
    EXPECT_EQ(v[1], " " + free_single(2.5f) + free_single(3.0f));
}

}  // namespace
}  // namespace kestor

namespace kestor {
namespace {

// Under the program's denormals-are-zero mode a subnormal compares equal
// to 0; its field must still carry its own exponent and sign.
TEST(FreeDoubleField, SubnormalKeepsExponentAndSignUnderDenormalsAreZero) {
    const FpMode saved = save_fp_mode();
    set_floating_point_mode();  // flush-to-zero and denormals-are-zero
    const std::string pos = free_double(1e-310);
    const std::string neg = free_double(-1e-310);
    const std::string general = form_g(-1e-310, 12, 4);
    restore_fp_mode(saved);
    EXPECT_EQ(general, " -0.1000-309");
    EXPECT_EQ(pos, "  9.999999999999969E-311");  // the subnormal nearest 1e-310
    EXPECT_EQ(neg, " -9.999999999999969E-311");
}

}  // namespace
}  // namespace kestor
