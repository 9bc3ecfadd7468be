// A start that fails for want of memory or descriptors does not leave an
// earlier run's complete log in place, where it would pass for this one's:
// the log is restarted before the large tables are allocated, and a log
// that cannot be opened for want of a descriptor is still emptied.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "common/program_stop.h"
#include "tests/e2e/child_process.h"

namespace kestor::test {
namespace {

struct LimitCase {
    const char* name;
    int resource;
    rlim_t limit;
    int exit_status;
    const char* err;
    const char* log;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

const LimitCase kLimits[] = {
    // Room to start (some 10 MiB) but not for the tables (about 300 MiB).
    {"address_space_100_MiB", RLIMIT_AS, rlim_t{100} << 20, kUnexpectedExitStatus, "KESTOR+: std::bad_alloc\n",
     "KESTOR+ script file: s.kes\n"},
    // The three standard streams and the folder's lock: none left for the log.
    {"four_descriptors", RLIMIT_NOFILE, 4, kLogFileExitStatus,
     "open error on log file \"kestorlog.txt\": Too many open files\n", ""},
};

class FailedStart : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FailedStart, LeavesNoEarlierRunsLog) {
    const LimitCase& c = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's shadow memory alone is far above any such limit.
    if (c.resource == RLIMIT_AS) GTEST_SKIP() << "address-space limit under AddressSanitizer";
#endif
#if defined(KESTOR_EMULATED)
    GTEST_SKIP() << "the emulator's own memory and descriptors count against the limit";
#endif
    TempDir dir;
    dir.write("kestorlog.txt", kEarlierRunLog);
    dir.write("s.kes", "CLEARRUNS\nSAVERESULTS\nres.txt\n0\n0\n0\n0\n0\n0\n0\n0\n");
    const RunOutcome r = run_child(dir, ChildSetup({"s.kes"}, {}, {{c.resource, c.limit}}));
    EXPECT_EQ(r.exit_status, c.exit_status);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.read("kestorlog.txt"), c.log);
    EXPECT_FALSE(dir.exists("res.txt"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedStart, ::testing::ValuesIn(kLimits),
                         [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestor::test
