// The exit status tells how a script ended: 0 FINISHED with every result
// file written, 2 the ABORT exit, 27 a result file that could not be
// written (the script goes on); a stop with a status of its own (2, 24, 29)
// wins over 27. The log's own failure (26) and its precedence over 27 are in
// log_failure_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

std::string save(const std::string& name, int layout = 1) {
    return "SAVERESULTS\n" + name + "\n" + std::to_string(layout) + "\n0\n0\n0\n0\n0\n0\n0\n";
}
// A result file in a folder that does not exist.
const std::string kNoFolder = save("'nofolder/res.txt'");
const std::string kCannotWrite = "ERROR: Cannot write to file";
const std::string kFinished = CR + "FINISHED";

struct StatusCase {
    const char* label;
    std::string script;
    int exit_status;
    std::string last_log_line;
    bool write_refused;  // the log holds "ERROR: Cannot write to file"
    bool lookup_blocked = false;  // a folder named energy.lut stops the lookup layout
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.label; }

const StatusCase kCases[] = {
    {"finished", "CLEARRUNS\nEND\n", kExitSuccess, kFinished, false},
    {"abort", "SAVERESULTS\nres.txt\nx\n", kAbortExitStatus, abort_line(3), false},
    {"result_file_refused", kNoFolder + "CLEARRUNS\n", kResultFileExitStatus, kFinished, true},
    // A later save that succeeds does not undo the failure.
    {"result_file_refused_then_one_written", kNoFolder + save("res.txt"), kResultFileExitStatus, kFinished, true},
    {"result_file_refused_then_abort", kNoFolder + "SAVERESULTS\nres.txt\nx\n", kAbortExitStatus, abort_line(13),
     true},
    {"result_file_refused_then_end_of_file_stop", kNoFolder + "SAVERESULTS\nres.txt\n1\n", kEndOfFileExitStatus,
     "res.txt", true},
    {"result_file_refused_then_lookup_file_stop", kNoFolder + save("x", 6), kLookupFileExitStatus, "x", true, true},
    // The lookup layout opens no main file, whatever its name.
    {"lookup_layout_with_a_name_in_no_folder", save("'nofolder/res.txt'", 6), kExitSuccess, kFinished, false},
};

class ExitStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatus, TellsHowTheScriptEnded) {
    const StatusCase& c = GetParam();
    TempDir dir;
    if (c.lookup_blocked) fs::create_directory(dir / "energy.lut");
    const RunOutcome r = run_script(dir, c.script);
    EXPECT_EQ(r.exit_status, c.exit_status) << r.err;
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), c.last_log_line);
    EXPECT_EQ(std::count(log.begin(), log.end(), kCannotWrite), c.write_refused ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExitStatus, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kestor::test
