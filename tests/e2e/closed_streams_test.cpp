// A run started with standard input, output or error closed (`>&-`)
// writes every file, its log included, byte for byte as with them open,
// and ends with the same status: what would have gone to a closed stream
// is lost, nothing else. A descriptor the program opens must never take a
// standard stream's number, or the echo lands in the log.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/child_process.h"

namespace kestor::test {
namespace {

const std::string kModelGas = std::string(KESTOR_SOURCE_DIR) + "/examples/modelgas.dat";

// Mx loaded from the FIFO pipe.dat, which a first run waits on.
const std::string kWaitingScript = "READCOLLISIONS\npipe.dat\nMx\n0\nEND\n";

// One run of Mx saved in layout 2.
std::string saved_run_script() {
    return "READCOLLISIONS\nmodelgas.dat\nMx\n0\n" + conditions_with({}) +
           "RUN\nSAVERESULTS\nres.txt\n2\n1\n1\n1\n0\n0\n0\n0\nEND\n";
}

// How a scenario went: the run under test and the folder's files at the end.
struct Played {
    RunOutcome run;
    std::map<std::string, std::string> files;
};

struct Scenario {
    const char* name;
    int exit_status;  // of the run under test
    Played (*play)(const TempDir& dir, const std::array<bool, 3>& closed);
};

Played play_script(const TempDir& dir, const std::vector<std::string>& args, const std::array<bool, 3>& closed) {
    Played p;
    p.run = run_child(dir, ChildSetup(args, closed));
    p.files = folder_files(dir);
    return p;
}

Played saved_run(const TempDir& dir, const std::array<bool, 3>& closed) {
    dir.copy_in(kModelGas, "modelgas.dat");
    dir.write("s.kes", saved_run_script());
    return play_script(dir, {"s.kes"}, closed);
}

Played unopenable_script(const TempDir& dir, const std::array<bool, 3>& closed) {
    fs::create_directory(dir / "adir");
    return play_script(dir, {"adir"}, closed);
}

Played missing_data_file(const TempDir& dir, const std::array<bool, 3>& closed) {
    dir.write("s.kes", "READCOLLISIONS\nnofile.dat\nMx\n0\nEND\n");
    return play_script(dir, {"s.kes"}, closed);
}

// A first run, with its streams open, waits inside READCOLLISIONS for its
// data file (a FIFO) while the run under test is started in the folder.
Played refused_second_run(const TempDir& dir, const std::array<bool, 3>& closed) {
    dir.copy_in(kModelGas, "modelgas.dat");
    dir.write("s.kes", saved_run_script());
    WaitingRun first(dir, "a.kes", kWaitingScript, "pipe.dat");
    Played p;
    if (!first.waiting()) return p;
    const auto before = folder_files(dir);
    p.run = run_child(dir, ChildSetup({"s.kes"}, closed));
    if (folder_files(dir) != before) p.run.exit_status = -2;  // a refused run touched a file
    if (first.finish(dir.read("modelgas.dat")).exit_status != kExitSuccess) return p;
    p.files = folder_files(dir);
    return p;
}

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

const Scenario kScenarios[] = {
    {"saved_run", kExitSuccess, saved_run},
    {"unopenable_script", kAbortExitStatus, unopenable_script},
    {"missing_data_file", kAbortExitStatus, missing_data_file},
    {"refused_second_run", kLogFileExitStatus, refused_second_run},
};

struct Closed {
    const char* name;
    std::array<bool, 3> streams;  // input, output, error
};

void PrintTo(const Closed& c, std::ostream* os) { *os << c.name; }

const Closed kClosed[] = {
    {"stdin", {true, false, false}},
    {"stdout", {false, true, false}},
    {"stderr", {false, false, true}},
    {"stdout_and_stderr", {false, true, true}},
    {"all_three", {true, true, true}},
};

class ClosedStreams : public ::testing::TestWithParam<std::tuple<Scenario, Closed>> {};

TEST_P(ClosedStreams, ChangeNoFileAndNoExitStatus) {
    const auto& [scenario, closed] = GetParam();
    TempDir open_dir, closed_dir;
    // Each starts in a folder that holds an earlier run's log: the lock
    // opens it, and a descriptor left on a standard stream's number would
    // be written through.
    for (const TempDir* d : {&open_dir, &closed_dir}) d->write("kestorlog.txt", kEarlierRunLog);
    const Played open = scenario.play(open_dir, {false, false, false});
    const Played shut = scenario.play(closed_dir, closed.streams);

    ASSERT_EQ(open.run.exit_status, scenario.exit_status);
    ASSERT_TRUE(open.files.count("kestorlog.txt"));
    EXPECT_EQ(shut.run.exit_status, open.run.exit_status);
    EXPECT_EQ(shut.files, open.files);
    if (!closed.streams[1]) {
        EXPECT_EQ(shut.run.out, open.run.out);
    }
    if (!closed.streams[2]) {
        EXPECT_EQ(shut.run.err, open.run.err);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClosedStreams,
                         ::testing::Combine(::testing::ValuesIn(kScenarios), ::testing::ValuesIn(kClosed)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

// While a run started without its standard streams works, each of the
// numbers 0, 1 and 2 stands for /dev/null, whatever the run has opened.
TEST(ClosedStreamsDescriptors, StandForDevNullWhileTheRunWorks) {
#if defined(KESTOR_EMULATED)
    GTEST_SKIP() << "the descriptors are the emulator's";
#endif
    TempDir dir;
    dir.write("kestorlog.txt", kEarlierRunLog);
    dir.copy_in(kModelGas, "modelgas.dat");
    WaitingRun run(dir, "a.kes", kWaitingScript, "pipe.dat", {true, true, true});
    ASSERT_TRUE(run.waiting());
    for (int fd = 0; fd < 3; ++fd) {
        const fs::path link = "/proc/" + std::to_string(run.pid()) + "/fd/" + std::to_string(fd);
        std::error_code ec;
        EXPECT_EQ(fs::read_symlink(link, ec), "/dev/null") << fd;
    }
    EXPECT_EQ(run.finish(dir.read("modelgas.dat")).exit_status, kExitSuccess);
}

// With standard input closed, the prompt meets the end of its input.
TEST(ClosedStreamsPrompt, StandardInputClosedIsAnEmptyAnswer) {
    TempDir open_dir, closed_dir;
    const RunOutcome open = run_child(open_dir, ChildSetup({}));
    const RunOutcome shut = run_child(closed_dir, ChildSetup({}, {true, false, false}));
    EXPECT_EQ(open.exit_status, kEndOfFileExitStatus);
    EXPECT_EQ(shut.exit_status, open.exit_status);
    EXPECT_EQ(shut.out, open.out);
    EXPECT_EQ(shut.err, open.err);
    EXPECT_EQ(folder_files(closed_dir), folder_files(open_dir));
}

}  // namespace
}  // namespace kestor::test
