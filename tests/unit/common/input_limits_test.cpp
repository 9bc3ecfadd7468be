// Line sources that never end or are far too large: devices and oversized
// files cannot be opened, and a stream without line ends comes in pieces.
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

// A line longer than the piece length is served as several lines; the
// lines after it are whole again.
TEST(InputLimits, OverlongStreamLineComesInPieces) {
    constexpr std::size_t piece = LineInput::kMaxStreamLine;
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const std::string first(2 * piece + 10, '\0');
    std::fwrite(first.data(), 1, first.size(), f);
    std::fputs("\nnext\r\n", f);
    std::rewind(f);

    LineInput in;
    in.attach_stream(f, "tmp", 5);
    std::vector<std::size_t> sizes;
    std::string line;
    while (in.next_line(line) && line != "next") sizes.push_back(line.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{piece, piece, 10}));
    EXPECT_EQ(line, "next");
    EXPECT_FALSE(in.next_line(line));
    // The pieces are kept as the lines they were served as.
    in.step_back(3);
    sizes.clear();
    while (in.next_line(line)) sizes.push_back(line.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{piece, 10, 4}));
    std::fclose(f);
}

// A carriage return at the end of a piece, or at the end of a stream
// without a final line feed, is removed like the one before a line feed;
// served again after stepping back, the lines are the same.
TEST(InputLimits, StreamLinesServedAgainAreTheSame) {
    constexpr std::size_t piece = LineInput::kMaxStreamLine;
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const std::string first = std::string(piece - 1, 'a') + "\r";
    const std::string bytes = first + "b\r\r\n\nlast\r";
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);

    LineInput in;
    in.attach_stream(f, "tmp", 5);
    const std::vector<std::string> expected = {std::string(piece - 1, 'a'), "b\r", "", "last"};
    std::vector<std::string> lines;
    std::string line;
    while (in.next_line(line)) lines.push_back(line);
    EXPECT_EQ(lines, expected);
    in.step_back(lines.size());
    lines.clear();
    while (in.next_line(line)) lines.push_back(line);
    EXPECT_EQ(lines, expected);
    std::fclose(f);
}

// The free-format read of a name from such a stream takes its first piece
// and returns: an endless answer at the prompt cannot hang the read.
TEST(InputLimits, TextReadFromAnOverlongStreamLineReturns) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const std::string endless(LineInput::kMaxStreamLine + 5, 'n');
    std::fwrite(endless.data(), 1, endless.size(), f);
    std::rewind(f);

    LineInput in;
    in.attach_stream(f, "tmp", 5);
    LineText name;
    EXPECT_EQ(read_values(in, name), ReadResult::kOk);
    EXPECT_EQ(name.trimmed(), std::string(LineText::size(), 'n'));
    std::fclose(f);
}

}  // namespace
}  // namespace kestor
