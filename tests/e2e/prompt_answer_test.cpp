// The answer typed at the prompt: read whole however far into its line the
// name stands, in bounded memory however many lines without a name come
// before it, and an input that ends before any name restarts the log
// before the end-of-file stop.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"
#include "tests/e2e/peak_memory.h"

namespace kestor::test {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
const std::string kNoName = "KESTOR+ script file: ";

// Two scripts whose names share their start, so that a name cut short
// runs the other one.
void write_scripts(const TempDir& dir) {
    dir.write("ab", "CLEARRUNS\n");
    dir.write("abcdef", "CLEARCOLLISIONS\n");
}
const std::vector<std::string> kRanAbcdef = {"KESTOR+ script file: abcdef", CR + "CLEARCOLLISIONS", CR + "FINISHED"};

struct LongAnswer {
    const char* label;
    std::string typed;
};

void PrintTo(const LongAnswer& c, std::ostream* os) { *os << c.label; }

const LongAnswer kLongAnswers[] = {
    // The name straddles the first MiB of the line.
    {"name_across_the_first_mib", std::string(kMiB - 2, ' ') + "abcdef\n"},
    {"name_across_the_third_mib", std::string(2 * kMiB + 7, '\t') + std::string(kMiB - 10, ' ') + "abcdef  more\n"},
    {"quoted_name_across_the_first_mib", std::string(kMiB - 3, ' ') + "'abcdef'\n"},
    {"name_after_lines_of_blanks", std::string(3, '\n') + std::string(kMiB + 5, ' ') + "\n" +
                                       std::string(kMiB - 1, ' ') + "abcdef\n"},
};

class PromptLongAnswer : public ::testing::TestWithParam<LongAnswer> {};

TEST_P(PromptLongAnswer, TakesTheWholeName) {
    TempDir dir;
    write_scripts(dir);
    run_kestor(dir, {}, GetParam().typed);
    EXPECT_EQ(log_lines(dir), kRanAbcdef);
}

INSTANTIATE_TEST_SUITE_P(Cases, PromptLongAnswer, ::testing::ValuesIn(kLongAnswers),
                         [](const ::testing::TestParamInfo<LongAnswer>& info) { return std::string(info.param.label); });

// No name before the input ends: the log of an earlier run gives way to
// the first line with an empty name, then the end-of-file stop.
TEST(PromptNoAnswer, RestartsTheLogThenStops) {
    for (const char* typed : {"", "\n\n   \n\t\n", "   ", "'unclosed name\n"}) {
        TempDir dir;
        dir.write("kestorlog.txt", "KESTOR+ script file: old.kes\n" + CR + "CLEARRUNS\n" + CR + "FINISHED\n");
        const RunOutcome r = run_kestor(dir, {""}, typed);
        EXPECT_EQ(r.exit_status, kEndOfFileExitStatus) << typed;
        EXPECT_EQ(r.out, "KESTOR+ script file?\n") << typed;
        EXPECT_NE(r.err.find("end-of-file during read, unit 5, file stdin"), std::string::npos) << r.err;
        EXPECT_EQ(dir.read("kestorlog.txt"), kNoName + "\n") << typed;
    }
}

// Lines without a name are not kept: 128 MiB of empty lines (as from
// `yes ''`) stay far below their own size, also with a name after them
// (kept, they cost about twice their size). The bound leaves room for an
// emulator's own memory (qemu-user adds some 40 MiB).
constexpr std::size_t kEmptyLines = 128 * kMiB;
#if defined(__SANITIZE_ADDRESS__)
constexpr long kBoundKiB = 96 * 1024;  // shadow memory and quarantine on top
#else
constexpr long kBoundKiB = 64 * 1024;
#endif

struct EndlessCase {
    const char* label;
    std::string tail;
    std::vector<std::string> log;
};

void PrintTo(const EndlessCase& c, std::ostream* os) { *os << c.label; }

const EndlessCase kEndless[] = {
    {"then_the_end", "", {kNoName}},
    {"then_a_name", "abcdef\n", kRanAbcdef},
};

class PromptEmptyLines : public ::testing::TestWithParam<EndlessCase> {};

TEST_P(PromptEmptyLines, StayInBoundedMemory) {
    const EndlessCase& c = GetParam();
    TempDir dir;
    write_scripts(dir);
    const Measured m = run_measured(dir, {}, Feed{"", "\n", kEmptyLines, c.tail});
    EXPECT_LE(m.peak_kib, kBoundKiB);
    EXPECT_EQ(log_lines(dir), c.log);
}

INSTANTIATE_TEST_SUITE_P(Cases, PromptEmptyLines, ::testing::ValuesIn(kEndless),
                         [](const ::testing::TestParamInfo<EndlessCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kestor::test
