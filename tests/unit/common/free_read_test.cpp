// Free-format (list-directed) reading from lines and from texts in memory.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "common/free_format.h"
#include "common/program_stop.h"

namespace kestor {
namespace {

using Text12 = FixedText<12>;

// A list of targets built from a kind string: r real, i integer, t text
// of 12 characters. Reals and integers start at -1, texts at "old", so a
// target the read leaves alone is easy to see.
class Targets {
public:
    explicit Targets(std::string_view kinds) : kinds_(kinds) {
        reals_.resize(kinds.size(), -1.0);
        ints_.resize(kinds.size(), -1);
        texts_.resize(kinds.size());
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            texts_[k].assign("old");
            switch (kinds[k]) {
            case 'r': list_.push_back(ReadTarget::of(reals_[k])); break;
            case 'i': list_.push_back(ReadTarget::of(ints_[k])); break;
            default: list_.push_back(ReadTarget::of(texts_[k])); break;
            }
        }
    }
    std::span<const ReadTarget> list() const { return list_; }

    // Each target shown as text: reals in their shortest exact form.
    std::vector<std::string> values() const {
        std::vector<std::string> out;
        for (std::size_t k = 0; k < kinds_.size(); ++k) {
            if (kinds_[k] == 'r') {
                char buf[64];
                const auto r = std::to_chars(buf, buf + sizeof buf, reals_[k]);
                out.emplace_back(buf, r.ptr);
            } else if (kinds_[k] == 'i') {
                out.push_back(std::to_string(ints_[k]));
            } else {
                out.push_back(texts_[k].trimmed());
            }
        }
        return out;
    }

private:
    std::string kinds_;
    std::vector<double> reals_;
    std::vector<int> ints_;
    std::vector<Text12> texts_;
    std::vector<ReadTarget> list_;
};

constexpr const char* kAtEnd = "<end>";

struct LineCase {
    const char* label;
    std::vector<std::string> lines;
    const char* kinds;
    ReadResult result;
    std::size_t filled;
    std::vector<std::string> values;
    const char* next;  // the line the following read starts on, or kAtEnd
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.label; }

class FreeReadLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(FreeReadLines, AssignsLeavesAndPositions) {
    const LineCase& c = GetParam();
    LineInput in;
    in.set_lines(c.lines);
    Targets t(c.kinds);
    std::size_t filled = 99;
    EXPECT_EQ(read_free(in, t.list(), &filled), c.result);
    EXPECT_EQ(filled, c.filled);
    EXPECT_EQ(t.values(), c.values);
    std::string next;
    EXPECT_EQ(in.next_line(next) ? next : std::string(kAtEnd), c.next);
}

const ReadResult kOk = ReadResult::kOk;
const ReadResult kError = ReadResult::kError;
const ReadResult kEnd = ReadResult::kEnd;

// clang-format off
const LineCase kSeparatorCases[] = {
    {"comment_after_last_value", {"100 ! comment", "next"}, "r", kOk, 1, {"100"}, "next"},
    {"blank_comma_blank_is_null", {"0.5, ,3"}, "rrr", kOk, 3, {"0.5", "-1", "3"}, kAtEnd},
    {"two_commas_are_null", {"1,,3"}, "rrr", kOk, 3, {"1", "-1", "3"}, kAtEnd},
    {"leading_comma_is_null", {",2"}, "rr", kOk, 2, {"-1", "2"}, kAtEnd},
    {"blanks_then_leading_comma", {"  , 2, 3"}, "rrr", kOk, 3, {"-1", "2", "3"}, kAtEnd},
    {"two_leading_commas", {",,5"}, "rrr", kOk, 3, {"-1", "-1", "5"}, kAtEnd},
    {"comma_with_tabs_is_one_separator", {"1 \t, \t2"}, "rr", kOk, 2, {"1", "2"}, kAtEnd},
    {"tabs_separate", {"1\t2\t\t3"}, "rrr", kOk, 3, {"1", "2", "3"}, kAtEnd},
    {"comma_before_line_end", {"1,", "2"}, "rr", kOk, 2, {"1", "2"}, kAtEnd},
    {"comma_starting_next_line", {"1", ",2"}, "rr", kOk, 2, {"1", "2"}, kAtEnd},
    {"commas_either_side_of_line_end", {"1,", ",3"}, "rrr", kOk, 3, {"1", "-1", "3"}, kAtEnd},
    {"null_then_value_on_next_line", {"1,,", "3"}, "rrr", kOk, 3, {"1", "-1", "3"}, kAtEnd},
    {"comma_after_last_value_ignored", {"1,", "next"}, "r", kOk, 1, {"1"}, "next"},
    {"rest_of_line_ignored", {"1 2 3 4", "next"}, "rr", kOk, 2, {"1", "2"}, "next"},
    {"read_over_several_lines", {"1 2", "3 4", "next"}, "rrr", kOk, 3, {"1", "2", "3"}, "next"},
    {"blank_lines_passed_over", {"", "   ", "\t", "7", "next"}, "r", kOk, 1, {"7"}, "next"},
    {"blank_lines_between_values", {"1", "", "2"}, "rr", kOk, 2, {"1", "2"}, kAtEnd},
    {"slash_alone", {"/", "5"}, "rit", kOk, 0, {"-1", "-1", "old"}, "5"},
    {"slash_after_values", {"1 2 / 3", "next"}, "rrr", kOk, 2, {"1", "2", "-1"}, "next"},
    {"slash_glued_to_value", {"1/2"}, "rr", kOk, 1, {"1", "-1"}, kAtEnd},
    {"slash_after_comma", {"1,/"}, "rr", kOk, 1, {"1", "-1"}, kAtEnd},
    {"slash_on_a_later_line", {"1", " / 9"}, "rr", kOk, 1, {"1", "-1"}, kAtEnd},
};

const LineCase kRepeatCases[] = {
    {"repeat_value", {"3*2.5"}, "rrr", kOk, 3, {"2.5", "2.5", "2.5"}, kAtEnd},
    {"repeat_into_mixed_kinds", {"2*7 1.5"}, "irr", kOk, 3, {"7", "7", "1.5"}, kAtEnd},
    {"repeat_null_blank", {"2* 4"}, "rrr", kOk, 3, {"-1", "-1", "4"}, kAtEnd},
    {"repeat_null_comma", {"2*,4"}, "rrr", kOk, 3, {"-1", "-1", "4"}, kAtEnd},
    {"repeat_null_at_line_end", {"2*", "4"}, "rrr", kOk, 3, {"-1", "-1", "4"}, kAtEnd},
    {"repeat_longer_than_targets", {"5*1", "next"}, "rr", kOk, 2, {"1", "1"}, "next"},
    {"repeat_then_slash", {"2*3/9"}, "rrr", kOk, 2, {"3", "3", "-1"}, kAtEnd},
    {"repeat_quoted_text", {"2*'a b'"}, "tt", kOk, 2, {"a b", "a b"}, kAtEnd},
    {"repeat_word", {"2*N2"}, "tt", kOk, 2, {"N2", "N2"}, kAtEnd},
    {"zero_repeat_is_error", {"0*1", "next"}, "r", kError, 0, {"-1"}, "next"},
    {"huge_repeat_is_error", {"99999999999*1"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"repeat_of_bad_value", {"2*x"}, "rr", kError, 0, {"-1", "-1"}, kAtEnd},
    {"repeat_bad_for_second_kind", {"2*1.5"}, "ri", kError, 1, {"1.5", "-1"}, kAtEnd},
    {"star_without_count_is_a_word", {"*5"}, "t", kOk, 1, {"*5"}, kAtEnd},
};

const LineCase kTextCases[] = {
    {"word_stops_at_slash", {"data/N2.txt"}, "t", kOk, 1, {"data"}, kAtEnd},
    {"quoted_path_whole", {"'data/N2.txt'"}, "t", kOk, 1, {"data/N2.txt"}, kAtEnd},
    {"word_stops_at_blank", {"my file.txt"}, "tt", kOk, 2, {"my", "file.txt"}, kAtEnd},
    {"word_stops_at_comma_and_tab", {"ab,cd\tef"}, "ttt", kOk, 3, {"ab", "cd", "ef"}, kAtEnd},
    {"word_cut_to_length", {"abcdefghijklmnop"}, "t", kOk, 1, {"abcdefghijkl"}, kAtEnd},
    {"quoted_cut_to_length", {"'abc def ghi jkl'"}, "t", kOk, 1, {"abc def ghi"}, kAtEnd},
    {"doubled_apostrophe", {"'it''s'"}, "t", kOk, 1, {"it's"}, kAtEnd},
    {"doubled_quotation_mark", {"\"a \"\"b\"\"\""}, "t", kOk, 1, {"a \"b\""}, kAtEnd},
    {"other_delimiter_inside", {"\"it's\" 'say \"x\"'"}, "tt", kOk, 2, {"it's", "say \"x\""}, kAtEnd},
    {"quoted_holds_separators", {"'a, b / c' 3"}, "ti", kOk, 2, {"a, b / c", "3"}, kAtEnd},
    {"quoted_over_line_end", {"'ab", "cd' 5", "next"}, "ti", kOk, 2, {"abcd", "5"}, "next"},
    {"empty_quoted_text", {"'' 5"}, "ti", kOk, 2, {"", "5"}, kAtEnd},
    {"quote_then_junk_is_error", {"'ab'cd"}, "t", kError, 0, {"old"}, kAtEnd},
    {"unclosed_quote_at_end", {"'abc", "def"}, "t", kEnd, 0, {"old"}, kAtEnd},
    {"apostrophe_inside_word", {"o'clock"}, "t", kOk, 1, {"o'clock"}, kAtEnd},
    {"comment_mark_is_a_word", {"! note"}, "tt", kOk, 2, {"!", "note"}, kAtEnd},
    {"digits_without_star_are_a_word", {"3abc"}, "t", kOk, 1, {"3abc"}, kAtEnd},
    {"mixed_kinds", {"N2 3 4.5"}, "tir", kOk, 3, {"N2", "3", "4.5"}, kAtEnd},
};

const LineCase kIntegerCases[] = {
    {"plain", {"42"}, "i", kOk, 1, {"42"}, kAtEnd},
    {"signed", {"+42 -7 007"}, "iii", kOk, 3, {"42", "-7", "7"}, kAtEnd},
    {"largest", {"2147483647 -2147483648"}, "ii", kOk, 2, {"2147483647", "-2147483648"}, kAtEnd},
    {"decimal_point_is_error", {"1.0", "next"}, "i", kError, 0, {"-1"}, "next"},
    {"exponent_is_error", {"2e3"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"letter_is_error", {"12a"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"sign_alone_is_error", {"+"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"above_32_bits", {"2147483648"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"below_32_bits", {"-2147483649"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"far_above_32_bits", {"99999999999999999999999"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"quoted_is_error", {"'5'"}, "i", kError, 0, {"-1"}, kAtEnd},
    {"error_keeps_earlier_values", {"1 2.5 3"}, "iii", kError, 1, {"1", "-1", "-1"}, kAtEnd},
};

const LineCase kRealCases[] = {
    {"sign_exponent", {"1.5+3 1.5-3"}, "rr", kOk, 2, {"1500", "0.0015"}, kAtEnd},
    {"d_exponent", {"2.5D2 2.5d-1 1D+1"}, "rrr", kOk, 3, {"250", "0.25", "10"}, kAtEnd},
    {"e_exponent", {"1e5 3E+2 -4.0e-1"}, "rrr", kOk, 3, {"1e+05", "300", "-0.4"}, kAtEnd},
    {"point_forms", {"-.5 5. +.25"}, "rrr", kOk, 3, {"-0.5", "5", "0.25"}, kAtEnd},
    {"integer_accepted", {"7"}, "r", kOk, 1, {"7"}, kAtEnd},
    {"correctly_rounded", {"0.1 2.2250738585072014e-308"}, "rr", kOk, 2, {"0.1", "2.2250738585072014e-308"}, kAtEnd},
    {"many_digits", {"3.14159265358979323846264338327950288"}, "r", kOk, 1, {"3.141592653589793"}, kAtEnd},
    {"underflow_is_zero", {"1e-999 -1d-400"}, "rr", kOk, 2, {"0", "-0"}, kAtEnd},
    {"overflow_is_error", {"1e999"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"large_mantissa_overflow", {"1000000e308"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"inf_is_error", {"inf"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"nan_is_error", {"nan"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"exponent_without_digits", {"1.5e"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"exponent_sign_without_digits", {"1.5e+"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"trailing_sign", {"1-"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"exponent_alone", {"e5"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"point_alone", {"."}, "r", kError, 0, {"-1"}, kAtEnd},
    {"two_points", {"1..2"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"point_in_exponent", {"1.5E3.0"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"double_sign", {"--1"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"hexadecimal", {"0x10"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"semicolon_is_no_separator", {"1;2"}, "rr", kError, 0, {"-1", "-1"}, kAtEnd},
    {"word_is_error", {"VAR"}, "r", kError, 0, {"-1"}, kAtEnd},
    {"dashes_end_a_table", {"1 2", "3 4", "-----", "next"}, "rrrrrr", kError, 4,
     {"1", "2", "3", "4", "-1", "-1"}, "next"},
    {"quoted_is_error", {"'1.5'"}, "r", kError, 0, {"-1"}, kAtEnd},
};

const LineCase kEndCases[] = {
    {"empty_input", {}, "r", kEnd, 0, {"-1"}, kAtEnd},
    {"only_blank_lines", {"", "  ", "\t"}, "r", kEnd, 0, {"-1"}, kAtEnd},
    {"end_after_some_values", {"1 2"}, "rrr", kEnd, 2, {"1", "2", "-1"}, kAtEnd},
    {"end_after_a_null", {","}, "rr", kEnd, 1, {"-1", "-1"}, kAtEnd},
    {"error_on_a_later_line", {"1", "x", "next"}, "rr", kError, 1, {"1", "-1"}, "next"},
};
// clang-format on

std::string case_name(const ::testing::TestParamInfo<LineCase>& info) { return info.param.label; }

INSTANTIATE_TEST_SUITE_P(Separators, FreeReadLines, ::testing::ValuesIn(kSeparatorCases), case_name);
INSTANTIATE_TEST_SUITE_P(Repeats, FreeReadLines, ::testing::ValuesIn(kRepeatCases), case_name);
INSTANTIATE_TEST_SUITE_P(Texts, FreeReadLines, ::testing::ValuesIn(kTextCases), case_name);
INSTANTIATE_TEST_SUITE_P(Integers, FreeReadLines, ::testing::ValuesIn(kIntegerCases), case_name);
INSTANTIATE_TEST_SUITE_P(Reals, FreeReadLines, ::testing::ValuesIn(kRealCases), case_name);
INSTANTIATE_TEST_SUITE_P(Ends, FreeReadLines, ::testing::ValuesIn(kEndCases), case_name);

// Reads from a text held in memory: a single line, never more.
struct MemoryCase {
    const char* label;
    const char* text;
    const char* kinds;
    ReadResult result;
    std::size_t filled;
    std::vector<std::string> values;
};

void PrintTo(const MemoryCase& c, std::ostream* os) { *os << c.label; }

class FreeReadMemory : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(FreeReadMemory, IsOneSingleLine) {
    const MemoryCase& c = GetParam();
    Targets t(c.kinds);
    std::size_t filled = 99;
    EXPECT_EQ(read_free(std::string_view(c.text), t.list(), &filled), c.result);
    EXPECT_EQ(filled, c.filled);
    EXPECT_EQ(t.values(), c.values);
}

// clang-format off
const MemoryCase kMemoryCases[] = {
    {"all_values", "1 2 3 4", "rrr", kOk, 3, {"1", "2", "3"}},
    {"used_up_early", "1 2", "rrr", kEnd, 2, {"1", "2", "-1"}},
    {"empty_text", "", "r", kEnd, 0, {"-1"}},
    {"blank_text", "     ", "r", kEnd, 0, {"-1"}},
    {"trailing_blanks_of_a_word", "abc      ", "t", kOk, 1, {"abc"}},
    {"slash", "/", "rr", kOk, 0, {"-1", "-1"}},
    {"species_list_up_to_slash", "N2 O2 / Ar", "ttt", kOk, 2, {"N2", "O2", "old"}},
    {"unclosed_quote", "'abc", "t", kEnd, 0, {"old"}},
    {"not_a_number", "VAR", "r", kError, 0, {"-1"}},
    {"comma_at_end", "1,", "rr", kEnd, 1, {"1", "-1"}},
    {"repeat_past_end", "2*5", "rrr", kEnd, 2, {"5", "5", "-1"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Texts, FreeReadMemory, ::testing::ValuesIn(kMemoryCases),
                         [](const ::testing::TestParamInfo<MemoryCase>& info) { return std::string(info.param.label); });

TEST(FreeRead, ConsecutiveReadsStartOnNewLines) {
    LineInput in;
    in.set_lines({"1 2 3", "4", "", "5 6"});
    double a = 0, b = 0;
    int i = 0;
    EXPECT_EQ(read_values(in, a), ReadResult::kOk);
    EXPECT_EQ(a, 1.0);
    EXPECT_EQ(read_values(in, i), ReadResult::kOk);
    EXPECT_EQ(i, 4);
    EXPECT_EQ(read_values(in, a, b), ReadResult::kOk);  // passes over the blank line
    EXPECT_EQ(a, 5.0);
    EXPECT_EQ(b, 6.0);
    EXPECT_EQ(read_values(in, a), ReadResult::kEnd);
}

TEST(FreeRead, StepBackRereadsTheLinesOfAFailedTableRead) {
    // A table that ends at its closing line: the last two lines read are
    // the last pair and the closing line, and stepping back returns to them.
    LineInput in;
    in.set_lines({"1 10", "2 20", "-----", "EXCITATION"});
    std::vector<double> v(8, -1.0);
    std::vector<ReadTarget> t;
    for (double& x : v) t.push_back(ReadTarget::of(x));
    std::size_t filled = 0;
    EXPECT_EQ(read_free(in, t, &filled), ReadResult::kError);
    EXPECT_EQ(filled, 4u);
    in.step_back(2);
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "2 20");
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "-----");
}

TEST(FreeRead, LongTextTargetTakesAWholeQuotedPath) {
    LineInput in;
    const std::string path = "/a directory/with blanks/and, commas/file.txt";
    in.set_lines({"'" + path + "' ! the data file"});
    LineText name;
    name.assign("old");
    ASSERT_EQ(read_values(in, name), ReadResult::kOk);
    EXPECT_EQ(name.trimmed(), path);
    EXPECT_EQ(name.full().size(), 256u);
    EXPECT_EQ(name.col(path.size() + 1), ' ');
}

// A file name is refused when it names no file or may name another one:
// longer than its 256 characters (trailing blanks inside quotes do not
// count), nothing assigned (the earlier name is not kept), an unquoted word
// cut at a slash that a path goes on after, or a NUL byte. A name that
// fits is taken unchanged.
struct NameCase {
    const char* label;
    std::vector<std::string> lines;
    bool refused;
    std::string name;  // the name held afterwards, without trailing blanks
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

class ReadName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ReadName, ReportsARefusedName) {
    const NameCase& c = GetParam();
    LineInput in;
    in.set_lines(c.lines);
    LineText name;
    name.assign("old");
    bool refused = !c.refused;
    EXPECT_EQ(read_name(in, name, refused), ReadResult::kOk);
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(name.trimmed(), c.name);
}

const std::string k256(256, 'a');
const std::string k254(254, 'a');
// Longer than what a delimited value keeps.
const std::string kBeyond(ReadTarget::kMaxTextLength + 10, 'b');

// clang-format off
const NameCase kNameCases[] = {
    {"word_that_fits", {k256 + " rest"}, false, k256},
    {"word_one_too_long", {k256 + "z"}, true, k256},
    {"quoted_that_fits", {"'" + k256 + "'"}, false, k256},
    {"quoted_one_too_long", {"'" + k256 + "z'"}, true, k256},
    {"quoted_trailing_blanks_fit", {"'" + k256 + std::string(300, ' ') + "'"}, false, k256},
    {"quoted_blank_then_more", {"'" + k256 + " z'"}, true, k256},
    {"leading_blanks_count", {"'  " + k254 + "z'"}, true, "  " + k254},
    {"doubled_quotes_are_one", {"'" + k254 + "''''" + "'"}, false, k254 + "''"},
    {"over_two_lines", {"'" + k254, "bcd'"}, true, k254 + "bc"},
    {"beyond_what_is_kept", {"'" + kBeyond + "'"}, true, kBeyond.substr(0, 256)},
    {"blanks_beyond_what_is_kept", {"'" + k254 + std::string(2 * kBeyond.size(), ' ') + "'"}, false, k254},
    // Nothing assigned: no name, not the earlier one.
    {"null_value", {","}, true, ""},
    {"null_repeat", {"1* gas.txt"}, true, ""},
    {"slash_line", {"/"}, true, ""},
    {"slash_first", {"  /gas.txt"}, true, ""},
    {"blank_lines_then_null", {"", "  ", ",gas.txt"}, true, ""},
    // Cut at a slash that a path goes on after.
    {"folder_and_file", {"sub/gas.txt"}, true, "sub"},
    {"dot_slash", {"./gas.txt"}, true, "."},
    {"two_slashes", {"gas.txt//x"}, true, "gas.txt"},
    {"slash_then_a_quote", {"gas.txt/'x'"}, true, "gas.txt"},
    // A slash with nothing glued to it ends the read as before.
    {"slash_at_the_line_end", {"gas.txt/"}, false, "gas.txt"},
    {"slash_then_a_blank", {"gas.txt/ comment"}, false, "gas.txt"},
    {"slash_then_a_tab", {"gas.txt/\tcomment"}, false, "gas.txt"},
    {"slash_then_a_comma", {"gas.txt/,x"}, false, "gas.txt"},
    {"blank_then_slash", {"gas.txt /comment"}, false, "gas.txt"},
    {"repeated_word", {"2*gas.txt"}, false, "gas.txt"},
    {"quoted_path", {"'sub/gas.txt'/more"}, false, "sub/gas.txt"},
    {"quoted_slash_only", {"'/'"}, false, "/"},
    {"quoted_empty", {"''"}, false, ""},
    // A NUL byte, quoted or not, wherever it stands in the value.
    {"nul_inside", {std::string("ga\0s.txt", 8)}, true, "ga s.txt"},
    {"nul_inside_quotes", {std::string("'ga\0s.txt'", 10)}, true, "ga s.txt"},
    {"nul_at_the_end", {std::string("gas.txt\0", 8)}, true, "gas.txt"},
    {"nul_after_the_value", {std::string("gas.txt \0", 9)}, false, "gas.txt"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Names, ReadName, ::testing::ValuesIn(kNameCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.label); });

// A delimited text far longer than any target is gathered only as far as
// a target can hold: its value is cut, the values after it are still read.
TEST(FreeRead, HugeQuotedValueEndsAtItsQuote) {
    LineInput in;
    in.set_lines({"'" + std::string(10'000'000, 'q') + "' 5", "next"});
    Text12 text;
    int n = 0;
    EXPECT_EQ(read_values(in, text, n), ReadResult::kOk);
    EXPECT_EQ(text.trimmed(), std::string(12, 'q'));
    EXPECT_EQ(n, 5);
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "next");
}

TEST(FreeRead, ValuesFromText) {
    double a = -1, b = -1;
    int n = -1;
    EXPECT_EQ(read_values_from("0.5 2", a, n), ReadResult::kOk);
    EXPECT_EQ(a, 0.5);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(read_values_from("3", a, b), ReadResult::kEnd);
    EXPECT_EQ(a, 3.0);
    EXPECT_EQ(b, -1.0);
}

TEST(FreeRead, NoTargetsUsesOneLine) {
    LineInput in;
    in.set_lines({"anything", "next"});
    EXPECT_EQ(read_free(in, {}), ReadResult::kOk);
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "next");
}

TEST(FreeRead, BinaryBytesDoNotBreakTheReader) {
    std::string junk;
    for (int c = 0; c < 256; ++c) junk.push_back(static_cast<char>(c));
    LineInput in;
    in.set_lines({junk, junk + "'", std::string(100000, '\'')});
    Targets t("rtit");
    std::size_t filled = 0;
    const ReadResult r = read_free(in, t.list(), &filled);
    EXPECT_NE(r, ReadResult::kOk);  // the NUL byte is no number
    EXPECT_EQ(filled, 0u);
}

TEST(EndOfFileStop, ThrowsStatus24NamingFileAndUnit) {
    LineInput in;
    in.set_lines({}, "script.kes");
    try {
        end_of_file_stop(in);
        FAIL() << "no stop thrown";
    } catch (const ProgramStop& stop) {
        EXPECT_EQ(stop.exit_status, kEndOfFileExitStatus);
        EXPECT_EQ(stop.exit_status, 24);
        EXPECT_NE(stop.message.find("end-of-file during read"), std::string::npos);
        EXPECT_NE(stop.message.find("script.kes"), std::string::npos);
        EXPECT_NE(stop.message.find("unit 0"), std::string::npos);
        EXPECT_EQ(stop.message.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace kestor
