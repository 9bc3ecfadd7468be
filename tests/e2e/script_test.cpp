// The command loop end to end: comments, keyword order, cut lines, the
// two ends of a script and the end-of-file stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {


std::vector<std::string> after_first(const std::vector<std::string>& log) {
    return std::vector<std::string>(log.begin() + (log.empty() ? 0 : 1), log.end());
}

struct ScriptCase {
    const char* what;
    std::string script;
    std::vector<std::string> log;  // after the first line
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.what; }

const ScriptCase kScriptCases[] = {
    {"comments: ! or / as the first non-blank character",
     "  ! CLEARRUNS\n/CLEARRUNS\n!CLEARRUNS\nx ! CLEARRUNS\n",
     {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"CLEARRUNS is not RUN", "CLEARRUNS\n", {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"APPEND ends the script", "APPEND\nCLEARRUNS\n", {CR + "FINISHED"}},
    {"BACKEND ends the script", "the BACKEND\nCLEARRUNS\n", {CR + "FINISHED"}},
    {"lower-case keywords are ignored", "clearruns\nrun\nend\nCLEARRUNS\n", {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"empty script", "", {CR + "FINISHED"}},
    {"script without a final line feed", "CLEARRUNS", {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"lines written with carriage returns", "CLEARRUNS\r\n! RUN\r\nEND\r\n", {CR + "CLEARRUNS", CR + "FINISHED"}},
    {"a keyword beyond column 256 is not seen",
     std::string(241, ' ') + "CLEARCOLLISIONS\n" + std::string(242, ' ') + "CLEARCOLLISIONS\n",
     {CR + "CLEARCOLLISIONS", CR + "FINISHED"}},
    {"the cut can leave a later keyword", std::string(248, ' ') + "CLEARRUNS\nEND\n",
     {CR + "RUN", "R1    0.00 Td    Failed" + std::string(41, ' '), CR + "FINISHED"}},
    {"a line of 100000 characters", std::string(100000, 'x') + "END\nCLEARRUNS\n",
     {CR + "CLEARRUNS", CR + "FINISHED"}},
};

class Script : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Script, LogsItsCommands) {
    TempDir dir;
    const RunOutcome r = run_script(dir, GetParam().script);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(after_first(log_lines(dir)), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(Cases, Script, ::testing::ValuesIn(kScriptCases));

TEST(ScriptKeywords, MyrunIsRunAndRunbackWinsOverRunseries) {
    TempDir dir;
    const std::string script = conditions_with({}) + "MYRUN\nRUNSERIES RUNBACK\n1\n10 20\n2\n1\n";
    run_script(dir, script);
    const std::vector<std::string> log = after_first(log_lines(dir));
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], CR + "RUN");
    EXPECT_EQ(log[1].substr(0, 13), "R1    10.0 Td");
    EXPECT_EQ(log[2], CR + "RUNBACK");
    EXPECT_EQ(log[3].substr(0, 13), "R3    20.0 Td");  // backward: the last row first
    EXPECT_EQ(log[4].substr(0, 13), "R2    10.0 Td");
    EXPECT_EQ(log[5], CR + "FINISHED");
}

TEST(ScriptAbort, SeventhReadFails) {
    TempDir dir;
    // Reads: 1 SAVERESULTS, 2 the name (over two blank lines), 3..6 the
    // integers, 7 the letter.
    const RunOutcome r = run_script(dir, "SAVERESULTS\n\n\nout.txt\n1\n1\n1\n1\nx\n1\n1\nCLEARRUNS\n");
    EXPECT_EQ(r.exit_status, kAbortExitStatus);
    EXPECT_EQ(after_first(log_lines(dir)),
              (std::vector<std::string>{CR + "SAVERESULTS", "out.txt",
                                        abort_line(7)}));
    EXPECT_EQ(r.out, CR + "SAVERESULTS\nout.txt\n" + abort_line(7) + "\n");
    EXPECT_FALSE(dir.exists("out.txt"));
}

TEST(ScriptAbort, IntegerOutside32BitsIsAReadError) {
    for (const char* value : {"2147483648", "-2147483649", "99999999999999999999", "1.0", "2e3"}) {
        TempDir dir;
        run_script(dir, std::string("SAVERESULTS\nout.txt\n") + value + "\n0\n0\n0\n0\n0\n0\n0\n");
        const std::vector<std::string> log = log_lines(dir);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), abort_line(3)) << value;
    }
}

TEST(ScriptStop, EndOfFileInsideSaveresults) {
    TempDir dir;
    const RunOutcome r = run_script(dir, "CLEARRUNS\nSAVERESULTS\nout.txt\n3\n1\n");
    EXPECT_EQ(r.exit_status, kEndOfFileExitStatus);
    EXPECT_NE(r.err.find("end-of-file"), std::string::npos) << r.err;
    EXPECT_EQ(after_first(log_lines(dir)), (std::vector<std::string>{CR + "CLEARRUNS", CR + "SAVERESULTS", "out.txt"}));
}

TEST(ScriptSave, HeaderOfAnEmptyRunSet) {
    TempDir dir;
    const RunOutcome r = run_script(dir, "SAVERESULTS\n'res.txt'\n0\n1\n1\n1\n1\n1\n1\n1\nEND\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(dir.read("res.txt"), "KESTOR+ version: 03/2016\nCollision input data:\n\n\n\n");
    EXPECT_EQ(after_first(log_lines(dir)), (std::vector<std::string>{CR + "SAVERESULTS", "res.txt", CR + "FINISHED"}));
}

TEST(ScriptSave, MissingDirectoryIsReportedAndTheScriptGoesOn) {
    TempDir dir;
    run_script(dir, "SAVERESULTS\n'nodir/res.txt'\n1\n1\n1\n1\n1\n1\n1\n0\nCLEARRUNS\n");
    EXPECT_EQ(after_first(log_lines(dir)),
              (std::vector<std::string>{CR + "SAVERESULTS", "nodir/res.txt", "ERROR: Cannot write to file",
                                        CR + "CLEARRUNS", CR + "FINISHED"}));
    EXPECT_FALSE(dir.exists("nodir"));
}

// Without quotes the name is cut at the slash; the cut name is refused
// rather than written as a file named after the folder.
TEST(ScriptSave, UnquotedPathIsRefused) {
    TempDir dir;
    run_script(dir, "SAVERESULTS\nsub/res.txt\n0\n0\n0\n0\n0\n0\n0\n0\n");
    EXPECT_EQ(after_first(log_lines(dir)),
              (std::vector<std::string>{CR + "SAVERESULTS", "sub", "ERROR: Cannot write to file", CR + "FINISHED"}));
    EXPECT_FALSE(dir.exists("sub"));
}

}  // namespace
}  // namespace kestor::test
