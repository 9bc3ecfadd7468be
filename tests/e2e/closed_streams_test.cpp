// A run started with standard input, output or error closed (`>&-`)
// writes every file, its log included, byte for byte as with them open,
// and ends with the same status: what would have gone to a closed stream
// is lost, nothing else. A descriptor the program opens must never take a
// standard stream's number, or the echo lands in the log.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <map>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/child_process.h"

namespace kestor::test {
namespace {

const std::string kModelGas = std::string(KESTOR_SOURCE_DIR) + "/examples/modelgas.dat";

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

// Every scenario starts in a folder that holds an earlier run's log: the
// lock opens it, and a descriptor left on a standard stream's number would
// be written through.
void earlier_log(const TempDir& dir) { dir.write("kestorlog.txt", "KESTOR+ script file: older.kes\n" + CR + "FINISHED\n"); }

Played play_script(const TempDir& dir, const std::vector<std::string>& args, const std::array<bool, 3>& closed) {
    Played p;
    p.run = run_child(dir, ChildSetup(args, closed));
    p.files = folder_files(dir);
    return p;
}

Played saved_run(const TempDir& dir, const std::array<bool, 3>& closed) {
    earlier_log(dir);
    dir.copy_in(kModelGas, "modelgas.dat");
    dir.write("s.kes", saved_run_script());
    return play_script(dir, {"s.kes"}, closed);
}

Played unopenable_script(const TempDir& dir, const std::array<bool, 3>& closed) {
    earlier_log(dir);
    fs::create_directory(dir / "adir");
    return play_script(dir, {"adir"}, closed);
}

Played missing_data_file(const TempDir& dir, const std::array<bool, 3>& closed) {
    earlier_log(dir);
    dir.write("s.kes", "READCOLLISIONS\nnofile.dat\nMx\n0\nEND\n");
    return play_script(dir, {"s.kes"}, closed);
}

// A first run, with its streams open, waits inside READCOLLISIONS for its
// data file (a FIFO) while the run under test is started in the folder.
Played refused_second_run(const TempDir& dir, const std::array<bool, 3>& closed) {
    earlier_log(dir);
    dir.copy_in(kModelGas, "modelgas.dat");
    const std::string data = dir.read("modelgas.dat");
    mkfifo(dir.file("pipe.dat").c_str(), 0600);
    dir.write("a.kes", "READCOLLISIONS\npipe.dat\nMx\n0\nEND\n");
    dir.write("s.kes", saved_run_script());
    Child first(dir, ChildSetup({"a.kes"}));
    Played p;
    if (!first.read_until(CR + "READCOLLISIONS\n")) return p;
    const auto before = folder_files(dir);
    p.run = run_child(dir, ChildSetup({"s.kes"}, closed));
    if (folder_files(dir) != before) p.run.exit_status = -2;  // a refused run touched a file
    if (!feed_fifo(dir.file("pipe.dat"), first, data) || first.wait().exit_status != kExitSuccess) return p;
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
    earlier_log(dir);
    dir.copy_in(kModelGas, "modelgas.dat");
    const std::string data = dir.read("modelgas.dat");
    ASSERT_EQ(mkfifo(dir.file("pipe.dat").c_str(), 0600), 0);
    dir.write("a.kes", "READCOLLISIONS\npipe.dat\nMx\n0\nEND\n");
    Child run(dir, ChildSetup({"a.kes"}, {true, true, true}));
    // It waits for its data file once READCOLLISIONS is logged.
    while (dir.read("kestorlog.txt").find(CR + "READCOLLISIONS\n") == std::string::npos) {
        ASSERT_FALSE(run.exited());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (int fd = 0; fd < 3; ++fd) {
        const fs::path link = "/proc/" + std::to_string(run.pid()) + "/fd/" + std::to_string(fd);
        std::error_code ec;
        EXPECT_EQ(fs::read_symlink(link, ec), "/dev/null") << fd;
    }
    ASSERT_TRUE(feed_fifo(dir.file("pipe.dat"), run, data));
    EXPECT_EQ(run.wait().exit_status, kExitSuccess);
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
