// Input that is not a proper script ends the way any script ends: FINISHED
// at its end, the ABORT line of a read error, or the end-of-file stop of a
// read that runs off the script (exit status 24) - never a crash or a hang -
// with the log complete up to that end.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {


// Bytes of every value, from a fixed linear congruential sequence.
std::string binary_bytes(std::size_t n, std::uint32_t seed) {
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}

struct BadCase {
    const char* what;
    std::string script;
    int exit_status;
    std::string last_log_line;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.what; }

const std::string kFinished = CR + "FINISHED";
const std::string kVarField = conditions_with({{kCondEN, "VAR"}});
const std::string kVarGasTemp = conditions_with({{kCondGasTemp, "VAR"}});

const BadCase kBadCases[] = {
    {"empty file", "", 0, kFinished},
    {"blank lines only", "\n\n   \n\t\n", 0, kFinished},
    {"binary bytes", binary_bytes(20000, 7), 0, kFinished},
    {"binary file name and switches", "SAVERESULTS\n" + binary_bytes(40, 3) + "\n\x80\xff\x01\n", kAbortExitStatus,
     abort_line(3)},
    {"NUL bytes in a parameter line", std::string("SAVERESULTS\nout.txt\n1\0 2\n", 24), kAbortExitStatus,
     abort_line(3)},
    {"overlong parameter line", "SAVERESULTS\n" + std::string(5000, 'a') + "\n" + std::string(5000, '9') + "\n",
     kAbortExitStatus, abort_line(3)},
    {"unterminated quote runs to the end", "SAVERESULTS\n'never closed\n1\n", kEndOfFileExitStatus,
     CR + "SAVERESULTS"},
    {"huge real in a data line", kVarField + "RUN\n1e99999\n-1e99999\n\n", 0, kFinished},
    {"huge series count", conditions_with({}) + "RUNSERIES\n1\n1 2\n2147483647\n1\n", 0, kFinished},
    {"lowest series count", conditions_with({}) + "RUNSERIES\n1\n1 2\n-2147483648\n1\n", 0, kFinished},
    {"series count beyond 32 bits", conditions_with({}) + "RUNSERIES\n1\n1 2\n4294967297\n1\n", kAbortExitStatus,
     abort_line(25)},
    {"huge grid", kVarGasTemp + "RUN2D\n1\n1 2 3 4\n2147483647 2147483647\n1 1\ng.txt\n", 0, kFinished},
    {"negative grid", kVarGasTemp + "RUN2D\n1\n1 2 3 4\n-5 -7\n3 3\ng.txt\n", 0, kFinished},
    {"grid spacing over non-positive values", kVarGasTemp + "RUN2D\n1\n-1 0 -3 0\n2 2\n3 3\ng.txt\n", 0, kFinished},
};

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, EndsWithFinishedAbortOrEndOfFileStop) {
    const BadCase& c = GetParam();
    TempDir dir;
    const RunOutcome r = run_script(dir, c.script);
    EXPECT_EQ(r.exit_status, c.exit_status);
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "KESTOR+ script file: script.kes");
    EXPECT_EQ(log.back(), c.last_log_line);
    if (c.exit_status == kEndOfFileExitStatus) {
        EXPECT_NE(r.err.find("end-of-file"), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInput, ::testing::ValuesIn(kBadCases));

TEST(BadInputNames, LongFileNameIsCutAt256) {
    TempDir dir;
    const std::string name(300, 'n');
    run_script(dir, "SAVERESULTS\n" + name + "\n0\n0\n0\n0\n0\n0\n0\n0\n");
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2], std::string(256, 'n'));
}

}  // namespace
}  // namespace kestor::test
