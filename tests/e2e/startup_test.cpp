// Start-up: the script name from the argument or the prompt, the log
// restart, a missing script, and the console echo (scripts that cannot be
// read: unreadable_files_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {


TEST(Startup, MissingScriptLogsTwoLines) {
    TempDir dir;
    const RunOutcome r = run_kestor(dir, {"nofile.kes"});
    EXPECT_EQ(r.exit_status, kAbortExitStatus);
    EXPECT_EQ(dir.read("kestorlog.txt"), "KESTOR+ script file: nofile.kes\n" + CR + "Cannot find file nofile.kes\n");
    EXPECT_EQ(r.out, CR + "Cannot find file nofile.kes\n");
    EXPECT_EQ(r.err, "");
}

TEST(Startup, ArgumentIsTakenWholeWithBlanksAndSlashes) {
    TempDir dir;
    const RunOutcome r = run_kestor(dir, {"my dir/a script.kes"});
    EXPECT_EQ(r.exit_status, kAbortExitStatus);
    EXPECT_EQ(log_lines(dir), (std::vector<std::string>{"KESTOR+ script file: my dir/a script.kes",
                                                       CR + "Cannot find file my dir/a script.kes"}));
}

TEST(Startup, EmptyOrMissingArgumentLeadsToThePrompt) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{""}, std::vector<std::string>{}}) {
        TempDir dir;
        dir.write("s.kes", "CLEARRUNS\n");
        const RunOutcome r = run_kestor(dir, args, "\n   \n  s.kes and more words\n");
        EXPECT_EQ(r.exit_status, 0);
        EXPECT_EQ(r.out, "KESTOR+ script file?\n" + CR + "CLEARRUNS\n" + CR + "FINISHED\n");
        EXPECT_EQ(log_lines(dir),
                  (std::vector<std::string>{"KESTOR+ script file: s.kes", CR + "CLEARRUNS", CR + "FINISHED"}));
    }
}

struct PromptCase {
    const char* typed;
    const char* taken;
};

TEST(Startup, PromptReadsOneFreeFormatText) {
    const PromptCase cases[] = {
        {"sub/s.kes\n", "sub"},                   // a slash ends the word
        {"'sub/s.kes'\n", "sub/s.kes"},           // quoted: the whole path
        {"\"my script.kes\"\n", "my script.kes"}, // quotes keep the blank
        {"a,b\n", "a"},
        {"name\r\n", "name"},                     // carriage return before the line feed
    };
    for (const PromptCase& c : cases) {
        TempDir dir;
        run_kestor(dir, {""}, c.typed);
        const std::vector<std::string> log = log_lines(dir);
        ASSERT_EQ(log.size(), 2u) << c.typed;
        EXPECT_EQ(log[0], std::string("KESTOR+ script file: ") + c.taken) << c.typed;
    }
}

TEST(Startup, EveryStartRestartsTheLog) {
    TempDir dir;
    dir.write("a.kes", "CLEARRUNS\nCLEARRUNS\nCLEARRUNS\n");
    dir.write("b.kes", "CLEARCOLLISIONS\n");
    run_kestor(dir, {"a.kes"});
    run_kestor(dir, {"b.kes"});
    EXPECT_EQ(dir.read("kestorlog.txt"), "KESTOR+ script file: b.kes\n" + CR + "CLEARCOLLISIONS\n" + CR + "FINISHED\n");
}

TEST(Startup, NoscreenStopsTheEchoButNotTheLog) {
    TempDir dir;
    const RunOutcome r = run_script(dir, "CLEARRUNS\nNOSCREEN\nCLEARCOLLISIONS\nRUN\nEND\n");
    EXPECT_EQ(r.out, CR + "CLEARRUNS\n");
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[1], CR + "CLEARRUNS");
    EXPECT_EQ(log[2], CR + "CLEARCOLLISIONS");
    EXPECT_EQ(log[3], CR + "RUN");
    EXPECT_EQ(log[5], CR + "FINISHED");
}

TEST(Startup, EchoDropsTrailingBlanksTheLogKeepsThem) {
    // No collision data: the run fails for want of elastic collisions.
    TempDir dir;
    const RunOutcome r = run_script(dir, conditions_with({}) + "RUN\n");
    const std::string name = "R1    10.0 Td    Missing elastic collisions";
    EXPECT_EQ(r.out, CR + "RUN\n" + name + "\n" + CR + "FINISHED\n");
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], name + std::string(64 - name.size(), ' '));
}

TEST(Startup, LogRemovedDuringTheRunIsCreatedAgain) {
    // A RUN2D table file named like the log replaces it; the next lines
    // are appended to the new file.
    TempDir dir;
    const std::string script = conditions_with({{kCondGasTemp, "VAR"}}) +
                               "RUN2D\n1\n10 10 0 0\n1 1\n1 1\nkestorlog.txt\nCLEARRUNS\n";
    run_script(dir, script);
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "kestorlog.txt");
    EXPECT_EQ(log[log.size() - 2], CR + "CLEARRUNS");
    EXPECT_EQ(log.back(), CR + "FINISHED");
    EXPECT_EQ(log[0].substr(0, 7), " Rows: ");
}

}  // namespace
}  // namespace kestor::test
