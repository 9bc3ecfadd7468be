// Line sources and the whole-line read.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/free_format.h"
#include "tests/support/scratch_dir.h"

namespace kestor {
namespace {

// A scratch directory of each test's own.
class LineInputFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.path().empty()) << "no scratch folder"; }

    std::string write(const std::string& name, const std::string& bytes) { return dir_.write(name, bytes); }

    static std::vector<std::string> all_lines(LineInput& in) {
        std::vector<std::string> out;
        std::string line;
        while (in.next_line(line)) out.push_back(line);
        return out;
    }

    test::ScratchDir dir_{"kestor-line-input"};
};

struct LineEndCase {
    const char* label;
    std::string bytes;
    std::vector<std::string> lines;
};

// clang-format off
const LineEndCase kLineEndCases[] = {
    {"unix", "a\nb\n", {"a", "b"}},
    {"crlf", "a\r\nb\r\n", {"a", "b"}},
    {"only_one_cr_removed", "a\r\r\nb\n", {"a\r", "b"}},
    {"cr_inside_kept", "a\rb\n", {"a\rb"}},
    {"last_line_without_line_feed", "a\nb", {"a", "b"}},
    {"last_line_cr_without_line_feed", "a\r\nb\r", {"a", "b"}},
    {"empty_file", "", {}},
    {"one_empty_line", "\n", {""}},
    {"empty_lines_kept", "\n\r\n\nx\n", {"", "", "", "x"}},
    {"tabs_and_nul_kept", std::string("a\tb\0c\n", 6), {std::string("a\tb\0c", 5)}},
};
// clang-format on

TEST_F(LineInputFiles, LineEnds) {
    for (const LineEndCase& c : kLineEndCases) {
        SCOPED_TRACE(c.label);
        LineInput in;
        ASSERT_TRUE(in.open_file(write(c.label, c.bytes), 7));
        EXPECT_EQ(in.unit(), 7);
        EXPECT_EQ(all_lines(in), c.lines);
    }
}

// Stepping back finds the lines again by their line feeds: from the end
// and from every line, stepping back k lines serves the same k lines again
// (one carriage return removed as before), and never more than were read.
TEST_F(LineInputFiles, StepBackServesTheSameLinesAgain) {
    for (const LineEndCase& c : kLineEndCases) {
        SCOPED_TRACE(c.label);
        const std::string path = write(c.label, c.bytes);
        const std::size_t n = c.lines.size();
        for (std::size_t read = 0; read <= n; ++read) {
            for (std::size_t back = 0; back <= read + 1; ++back) {
                LineInput in;
                ASSERT_TRUE(in.open_file(path, 7));
                std::string line;
                for (std::size_t i = 0; i < read; ++i) ASSERT_TRUE(in.next_line(line));
                in.step_back(back);
                const std::size_t from = back > read ? 0 : read - back;
                const std::vector<std::string> rest(c.lines.begin() + static_cast<std::ptrdiff_t>(from), c.lines.end());
                EXPECT_EQ(all_lines(in), rest) << "read " << read << ", back " << back;
            }
        }
    }
}

TEST_F(LineInputFiles, CannotOpenMissingFileOrDirectory) {
    LineInput in;
    EXPECT_FALSE(in.open_file(dir_.file("missing.txt"), 5));
    EXPECT_FALSE(in.open_file(dir_.path().string(), 5));
    std::string line;
    EXPECT_FALSE(in.next_line(line));
}

TEST_F(LineInputFiles, ReopenReplacesTheLines) {
    LineInput in;
    ASSERT_TRUE(in.open_file(write("one", "1\n2\n"), 5));
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    ASSERT_TRUE(in.open_file(write("two", "x\n"), 9));
    EXPECT_EQ(in.name(), dir_.file("two"));
    EXPECT_EQ(all_lines(in), std::vector<std::string>{"x"});
    in.close();
    EXPECT_FALSE(in.next_line(line));
}

TEST_F(LineInputFiles, BinaryBytesAndHugeLines) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes.push_back(static_cast<char>(c));  // holds one line feed
    const std::string huge(3'000'000, 'x');
    bytes += "\n" + huge + "\nlast\n";
    LineInput in;
    ASSERT_TRUE(in.open_file(write("binary", bytes), 5));
    LineText t;
    ASSERT_EQ(read_line(in, t), ReadResult::kOk);  // bytes 0 to 9
    ASSERT_EQ(read_line(in, t), ReadResult::kOk);  // bytes 11 to 255
    EXPECT_EQ(t.col(1), static_cast<char>(11));
    ASSERT_EQ(read_line(in, t), ReadResult::kOk);
    EXPECT_EQ(t.full(), std::string(256, 'x'));  // cut after 256 characters
    ASSERT_EQ(read_line(in, t), ReadResult::kOk);
    EXPECT_EQ(t.trimmed(), "last");
    EXPECT_EQ(read_line(in, t), ReadResult::kEnd);
}

TEST_F(LineInputFiles, LargeFileServesEveryLine) {
    // About 5 MB of table lines, as a big cross-section file has.
    std::string bytes;
    const int count = 200'000;
    for (int i = 0; i < count; ++i) bytes += std::to_string(i) + " 1.2345678e-20 some padding\r\n";
    LineInput in;
    ASSERT_TRUE(in.open_file(write("large", bytes), 5));
    std::string line;
    int n = 0;
    std::string last;
    while (in.next_line(line)) {
        ++n;
        last = line;
    }
    EXPECT_EQ(n, count);
    EXPECT_EQ(last, std::to_string(count - 1) + " 1.2345678e-20 some padding");
    in.step_back(count);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "0 1.2345678e-20 some padding");
}

// Standard input is read once: only the line served last is held, so
// lines without a value before a name cost no memory.
TEST_F(LineInputFiles, StandardInputHoldsTheLineServedLast) {
    const std::string path = write("stdin", "first\r\nsecond\nthird");
    ASSERT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
    LineInput in;
    in.attach_stdin();
    EXPECT_EQ(in.unit(), 5);
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "first");
    ASSERT_TRUE(in.next_line(line));
    in.step_back(2);
    EXPECT_EQ(all_lines(in), (std::vector<std::string>{"second", "third"}));
}

TEST(LineInput, StepBackNeverGoesBeforeTheFirstLine) {
    LineInput in;
    in.set_lines({"1", "2", "3", "4"});
    std::string line;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(in.next_line(line));
    in.step_back(2);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "2");
    in.step_back(100);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "1");
    in.step_back(0);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "2");
}

TEST(LineInput, StepBackAtTheEndReturnsToTheLastLines) {
    LineInput in;
    in.set_lines({"a", "b"});
    std::string line;
    while (in.next_line(line)) {
    }
    in.step_back(1);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "b");
    EXPECT_FALSE(in.next_line(line));
}

struct WholeLineCase {
    const char* label;
    std::string line;
    std::string expected;  // before the blank padding to 256
};

TEST(ReadLine, TakesTheLineUnchangedCutOrPadded) {
    const WholeLineCase cases[] = {
        {"padded", "RUN ! one run", "RUN ! one run"},
        {"tabs_unchanged", "\tE/N\t100", "\tE/N\t100"},
        {"leading_blanks_kept", "   x", "   x"},
        {"empty", "", ""},
        {"exactly_256", std::string(256, 'a'), std::string(256, 'a')},
        {"cut_after_256", std::string(256, 'a') + "bcd", std::string(256, 'a')},
    };
    for (const WholeLineCase& c : cases) {
        SCOPED_TRACE(c.label);
        LineInput in;
        in.set_lines({c.line, "next"});
        LineText t;
        t.assign("old contents");
        ASSERT_EQ(read_line(in, t), ReadResult::kOk);
        EXPECT_EQ(t.full(), c.expected + std::string(256 - c.expected.size(), ' '));
        ASSERT_EQ(read_line(in, t), ReadResult::kOk);  // the rest of a long line is skipped
        EXPECT_EQ(t.trimmed(), "next");
    }
}

TEST(ReadLine, EndOfInput) {
    LineInput in;
    in.set_lines({});
    LineText t;
    t.assign("kept");
    EXPECT_EQ(read_line(in, t), ReadResult::kEnd);
    EXPECT_EQ(t.trimmed(), "kept");
}

TEST(ReadLine, WholeLineThenFreeReadOfTheNextLine) {
    // A command line is read whole, its parameter line free-format.
    LineInput in;
    in.set_lines({"READCOLLISIONS", "", "'N2.txt'"});
    LineText t;
    ASSERT_EQ(read_line(in, t), ReadResult::kOk);
    LineText name;
    ASSERT_EQ(read_values(in, name), ReadResult::kOk);
    EXPECT_EQ(name.trimmed(), "N2.txt");
}

}  // namespace
}  // namespace kestor
