// The general, fixed, integer and text forms.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "common/forms.h"

namespace kestor {
namespace {

struct GCase {
    double value;
    const char* expected;
};

void PrintTo(const GCase& c, std::ostream* os) { *os << c.value; }

class G12_4 : public ::testing::TestWithParam<GCase> {};

TEST_P(G12_4, Writes) {
    const GCase& c = GetParam();
    const std::string s = g12_4(c.value);
    EXPECT_EQ(s, c.expected) << "value " << c.value;
    EXPECT_EQ(s.size(), 12u);
}

// clang-format off
const GCase kGeneralCases[] = {
    {1.0,        "   1.000    "},
    {0.5,        "  0.5000    "},
    {1234.0,     "   1234.    "},
    {12346.0,    "  0.1235E+05"},
    {0.01,       "  0.1000E-01"},
    {-2.5,       "  -2.500    "},
    {0.0,        "   0.000    "},
    {-0.0,       "   0.000    "},
    // Rounding decides the form.
    {9999.4,     "   9999.    "},
    {9999.5,     "  0.1000E+05"},
    {9999.6,     "  0.1000E+05"},
    {0.099994,   "  0.9999E-01"},
    {0.099996,   "  0.1000    "},
    {0.1,        "  0.1000    "},
    {999.95,     "   1000.    "},  // binary 999.95000000000005 rounds up
    {9.9996,     "   10.00    "},
    {10000.0,    "  0.1000E+05"},
    {123.456,    "   123.5    "},
    {-0.099996,  " -0.1000    "},
    {-12346.0,   " -0.1235E+05"},
    {-1234.0,    "  -1234.    "},
    {1.0e-5,     "  0.1000E-04"},
    // Exponents beyond two digits lose the letter E.
    {1.0e98,     "  0.1000E+99"},
    {1.0e99,     "  0.1000+100"},
    {1.0e100,    "  0.1000+101"},
    {1.0e-100,   "  0.1000E-99"},
    {1.0e-101,   "  0.1000-100"},
    {-1.0e-300,  " -0.1000-299"},
    {5.0e-324,   "  0.4941-323"},
    {std::numeric_limits<double>::max(), "  0.1798+309"},
    // Values without digits.
    {std::numeric_limits<double>::quiet_NaN(), "         NaN"},
    {std::numeric_limits<double>::infinity(),  "    Infinity"},
    {-std::numeric_limits<double>::infinity(), "   -Infinity"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, G12_4, ::testing::ValuesIn(kGeneralCases));

struct FormCase {
    double value;
    int w;
    int d;
    const char* expected;
};

TEST(FormG, OtherWidthsAndDigits) {
    const FormCase cases[] = {
        {0.0005, 15, 3, "      0.500E-03"},
        {12.3456, 15, 3, "       12.3    "},
        {0.0, 15, 3, "       0.00    "},
        {999.6, 15, 3, "      0.100E+04"},
        {-1.0e-20, 15, 3, "     -0.100E-19"},
        {0.5, 10, 4, "0.5000    "},
        {-0.5, 10, 4, "-.5000    "},            // no room for the zero
        {-12346.0, 10, 4, "-.1235E+05"},        // nor here
        {-123456.0, 9, 4, "*********"},         // nothing fits
        {3.0, 8, 1, "  3.    "},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " G" + std::to_string(c.w) + "." + std::to_string(c.d));
        EXPECT_EQ(form_g(c.value, c.w, c.d), c.expected);
    }
}

TEST(FormF, Writes) {
    const FormCase cases[] = {
        {1234.5, 6, 2, "******"},
        {1234.5, 7, 2, "1234.50"},
        {3.14159, 8, 2, "    3.14"},
        {-2.5, 6, 1, "  -2.5"},
        {0.5, 5, 3, "0.500"},
        {0.5, 4, 3, ".500"},     // no room for the leading zero
        {-0.5, 6, 3, "-0.500"},
        {-0.5, 5, 3, "-.500"},
        {-0.5, 4, 3, "****"},
        {0.0, 5, 2, " 0.00"},
        {-0.0, 5, 2, " 0.00"},
        {-0.001, 5, 2, "-0.00"},  // a negative value keeps its sign
        {99.994, 5, 2, "99.99"},
        {99.996, 5, 2, "*****"},  // rounds to 100.00
        {12.0, 4, 0, " 12."},
        {0.4, 2, 0, "0."},
        {0.4, 1, 0, "*"},
        {0.6, 2, 0, "1."},
        {2.675, 6, 2, "  2.67"},  // binary 2.67499999999999982236431605997495353221893310546875
        {1.0e20, 6, 1, "******"},
        {1.0e20, 25, 1, "  100000000000000000000.0"},
        {123.0, 0, 1, "123.0"},  // width 0: as narrow as the value
        {std::numeric_limits<double>::quiet_NaN(), 6, 2, "   NaN"},
        {std::numeric_limits<double>::infinity(), 6, 2, "   Inf"},
        {-std::numeric_limits<double>::infinity(), 3, 2, "***"},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " F" + std::to_string(c.w) + "." + std::to_string(c.d));
        EXPECT_EQ(form_f(c.value, c.w, c.d), c.expected);
    }
}

TEST(FormF, ExtremeValuesStayInTheirField) {
    for (double v : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                     std::numeric_limits<double>::denorm_min()}) {
        EXPECT_EQ(form_f(v, 12, 4).size(), 12u);
        EXPECT_EQ(form_g(v, 12, 4).size(), 12u);
    }
    EXPECT_EQ(form_f(1.0, 8, 300).size(), 8u);
}

TEST(FormI, Writes) {
    struct Case {
        long long value;
        int w;
        const char* expected;
    };
    const Case cases[] = {
        {1000, 3, "***"},
        {999, 3, "999"},
        {5, 3, "  5"},
        {0, 3, "  0"},
        {-99, 3, "-99"},
        {-100, 3, "***"},
        {INT_MIN, 12, " -2147483648"},
        {LLONG_MIN, 20, "-9223372036854775808"},
        {42, 0, "42"},  // width 0: as narrow as the value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " I" + std::to_string(c.w));
        EXPECT_EQ(form_i(c.value, c.w), c.expected);
    }
}

TEST(FormA, CutsOrRightAdjusts) {
    EXPECT_EQ(form_a("abcdef", 3), "abc");
    EXPECT_EQ(form_a("abc", 3), "abc");
    EXPECT_EQ(form_a("abc", 5), "  abc");
    EXPECT_EQ(form_a("ab ", 4), " ab ");
    EXPECT_EQ(form_a("", 2), "  ");
    EXPECT_EQ(form_a("abc", 0), "");
}

TEST(StripBlanks, RemovesLeadingAndTrailingBlanksOnly) {
    EXPECT_EQ(strip_blanks("  0.1000E+05"), "0.1000E+05");
    EXPECT_EQ(strip_blanks("   1.000    "), "1.000");
    EXPECT_EQ(strip_blanks("  a b  "), "a b");
    EXPECT_EQ(strip_blanks("\tx "), "\tx");
    EXPECT_EQ(strip_blanks("    "), "");
    EXPECT_EQ(strip_blanks(""), "");
}

}  // namespace
}  // namespace kestor
