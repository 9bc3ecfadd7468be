// Memory in proportion to the input, whatever the shape of its lines: a
// data file or a script of nothing but line feeds costs the program about
// its own size, not a string per line (which took some fifty times the
// size). The peak resident memory of the child is read from wait4.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/e2e/peak_memory.h"

namespace kestor::test {
namespace {

constexpr std::size_t kInputBytes = std::size_t{10} << 20;  // 10 MiB
// Twice the input plus 64 MiB; a sanitized build carries its shadow memory
// and quarantine on top.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kBoundKiB = 2 * 10 * 1024 + 64 * 1024 + 256 * 1024;
#else
constexpr long kBoundKiB = 2 * 10 * 1024 + 64 * 1024;
#endif

struct InputCase {
    const char* name;
    bool as_script;  // else as a data file of READCOLLISIONS
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

const InputCase kInputs[] = {{"DataFileOfLineFeeds", false}, {"ScriptOfLineFeeds", true}};

class InputMemory : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputMemory, StaysWithinTwiceTheInputPlus64MiB) {
    const InputCase& c = GetParam();
    TempDir dir;
    const std::string feeds(kInputBytes, '\n');
    if (c.as_script) {
        dir.write("s.kes", "CLEARRUNS\n" + feeds + "END\n");
    } else {
        dir.write("big.txt", feeds);
        dir.write("s.kes", "READCOLLISIONS\nbig.txt\nX\n0\nEND\n");
    }
    const Measured m = run_measured(dir, {"s.kes"});
    EXPECT_EQ(m.exit_status, 0);
    EXPECT_LE(m.peak_kib, kBoundKiB);
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), CR + "FINISHED");
}

INSTANTIATE_TEST_SUITE_P(Cases, InputMemory, ::testing::ValuesIn(kInputs),
                         [](const ::testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestor::test
