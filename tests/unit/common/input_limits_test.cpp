// Line sources that never end or are far too large: devices and oversized
// files cannot be opened, and a stream line above the same size fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/free_format.h"
#include "tests/support/scratch_dir.h"

namespace kestor {
namespace {

namespace fs = std::filesystem;

TEST(InputLimits, DevicesCannotBeOpened) {
    for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom"}) {
        if (!fs::exists(device)) continue;
        LineInput in;
        EXPECT_FALSE(in.open_file(device, 11)) << device;
    }
}

TEST(InputLimits, FileAboveTheLimitCannotBeOpened) {
    const test::ScratchDir dir("kestor-limits");
    const std::string p = dir.write("limit.txt", std::string(999, 'x') + "\n");  // 1000 bytes
    LineInput in;
    EXPECT_FALSE(in.open_file(p, 7, 999));
    ASSERT_TRUE(in.open_file(p, 7, 1000));
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, std::string(999, 'x'));
    EXPECT_FALSE(in.next_line(line));
}

// A stream holding `bytes`, read from its start, closed at the end.
class Stream {
public:
    explicit Stream(const std::string& bytes) : f_(std::tmpfile()) {
        if (f_ == nullptr) return;
        std::fwrite(bytes.data(), 1, bytes.size(), f_);
        std::rewind(f_);
    }
    ~Stream() {
        if (f_ != nullptr) std::fclose(f_);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    std::FILE* get() const { return f_; }

private:
    std::FILE* f_;
};

// A stream (standard input) serves every line whole, however long, and
// holds only the line served last: stepping back returns to it, no further.
TEST(InputLimits, LongStreamLineIsServedWhole) {
    constexpr std::size_t kLong = (std::size_t{1} << 21) + 10;
    const std::string first(kLong, '\0');
    const Stream f(first + "\nnext\r\nlast");
    ASSERT_NE(f.get(), nullptr);
    LineInput in;
    in.attach_stream(f.get(), "tmp", 5);
    std::string line;
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, first);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "next");
    in.step_back(2);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "next");
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(in.next_line(line));
    EXPECT_FALSE(in.failed());
}

// A stream line longer than a file may be ends the input as failed; a
// line of that length itself is served.
TEST(InputLimits, StreamLineAboveTheLimitFailsTheInput) {
    constexpr std::size_t kLimit = 1000;
    for (const std::size_t length : {kLimit, kLimit + 1}) {
        const Stream f(std::string(length, ' ') + "x\nnext\n");
        ASSERT_NE(f.get(), nullptr);
        LineInput in;
        in.attach_stream(f.get(), "tmp", 5, kLimit + 1);
        std::string line;
        const bool fits = length < kLimit + 1;
        EXPECT_EQ(in.next_line(line), fits) << length;
        EXPECT_EQ(in.failed(), !fits) << length;
        EXPECT_EQ(in.next_line(line), fits) << length;
    }
}

// A carriage return at the end of a stream without a final line feed is
// removed like the one before a line feed; one before another carriage
// return stays.
TEST(InputLimits, StreamLinesLoseOneCarriageReturn) {
    const Stream f("a\r\nb\r\r\n\nlast\r");
    ASSERT_NE(f.get(), nullptr);
    LineInput in;
    in.attach_stream(f.get(), "tmp", 5);
    std::vector<std::string> lines;
    std::string line;
    while (in.next_line(line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b\r", "", "last"}));
    in.step_back(1);
    ASSERT_TRUE(in.next_line(line));
    EXPECT_EQ(line, "last");
}

// The free-format read of a name takes it whole from a long stream line,
// and fails (it does not end) on a line above the limit: an endless
// answer at the prompt cannot exhaust memory, nor be taken for no answer.
TEST(InputLimits, NameReadFromALongStreamLine) {
    constexpr std::size_t kLimit = 4000;
    for (const std::size_t blanks : {kLimit - 10, kLimit + 10}) {
        const Stream f(std::string(blanks, ' ') + "abcdef\n");
        ASSERT_NE(f.get(), nullptr);
        LineInput in;
        in.attach_stream(f.get(), "tmp", 5, kLimit);
        LineText name;
        bool refused = false;
        if (blanks < kLimit) {
            EXPECT_EQ(read_name(in, name, refused), ReadResult::kOk);
            EXPECT_EQ(name.trimmed(), "abcdef");
            EXPECT_FALSE(refused);
        } else {
            EXPECT_EQ(read_name(in, name, refused), ReadResult::kError);
            EXPECT_TRUE(refused);
        }
    }
}

}  // namespace
}  // namespace kestor
