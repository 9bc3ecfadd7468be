// Helpers of the end-to-end tests: a temporary working directory, files in
// it, and a run of the real kestor binary there.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/tables.h"
#include "tests/support/conditions.h"
#include "tests/support/fixtures.h"
#include "tests/support/lines.h"
#include "tests/support/scratch_dir.h"

namespace kestor::test {

namespace fs = std::filesystem;

// A fresh directory under the system temporary folder, removed at the end.
class TempDir : public test::ScratchDir {
public:
    TempDir() : ScratchDir("kestor-e2e") {}

    // Copies a fixture file (relative to the fixture folder) into the directory.
    void copy_fixture(const std::string& fixture, const std::string& as) const {
        copy_in(fixture_path(fixture), as);
    }
};

struct RunOutcome {
    int exit_status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// Runs the shell line `command`, which works in `dir`, with its standard
// output and error sent to .stdout and .stderr there; its outcome.
inline RunOutcome run_in(const TempDir& dir, const std::string& command) {
    const int rc = std::system((command + " > .stdout 2> .stderr").c_str());
    RunOutcome r;
    r.exit_status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = dir.read(".stdout");
    r.err = dir.read(".stderr");
    return r;
}

// Runs kestor in `dir` with the given arguments (each passed as one
// argument, possibly empty) and standard input.
inline RunOutcome run_kestor(const TempDir& dir, const std::vector<std::string>& args,
                             const std::string& stdin_text = "") {
    dir.write(".stdin", stdin_text);
    std::string cmd = "cd " + shell_quote(dir.path().string()) + " && " + shell_quote(KESTOR_BINARY);
    for (const std::string& a : args) cmd += " " + shell_quote(a);
    cmd += " < .stdin";
    return run_in(dir, cmd);
}

// Runs kestor on a script written into `dir` as script.kes.
inline RunOutcome run_script(const TempDir& dir, const std::string& script) {
    dir.write("script.kes", script);
    return run_kestor(dir, {"script.kes"});
}


// The lines of the log file in `dir`.
inline std::vector<std::string> log_lines(const TempDir& dir) { return split_lines(dir.read("kestorlog.txt")); }

// The log of a start whose script name was logged as `logged`: the
// commands of a script holding one CLEARRUNS when it ran, else the line of
// a missing script.
inline std::vector<std::string> script_name_log(const std::string& logged, bool ran) {
    std::vector<std::string> log = {"KESTOR+ script file: " + logged};
    if (ran) {
        log.insert(log.end(), {CR + "CLEARRUNS", CR + "FINISHED"});
    } else {
        log.push_back(CR + "Cannot find file " + logged);
    }
    return log;
}

constexpr int kDefaultGridPoints = 200;  // of default_conditions

// The 20 condition entries of a plain run: E/N 10 Td, gas at 0 K, 200
// grid points, no electron-electron or growth terms.
inline std::vector<std::string> default_conditions() {
    return condition_entries({{kCondEN, 10}, {kCondIonCharge, 1}, {kCondGridPoints, kDefaultGridPoints}});
}

// One run of the raw arrays that layout 7 writes after "RESUME".
struct RawRun {
    std::vector<double> results;       // results 1..30 at their index (0 unused)
    std::vector<double> distribution;  // per grid point: cell energy, distribution, anisotropy
};

// Every run of a layout 7 file: per run 20 conditions, one value per
// species, 30 results, three values per collision and three per grid
// point. Empty when the file holds fewer.
inline std::vector<RawRun> raw_runs(const std::string& file, int species, int collisions, int points) {
    const std::size_t at = file.find("\nRESUME\n");
    if (at == std::string::npos) return {};
    std::istringstream in(file.substr(at + 8));
    int runs = 0;
    in >> runs;
    auto take = [&in](int count) {
        std::vector<double> v(static_cast<std::size_t>(count));
        for (double& x : v) in >> x;
        return v;
    };
    std::vector<RawRun> all;
    for (int r = 0; r < runs; ++r) {
        take(kNumConditions + species);
        RawRun run;
        run.results = take(kNumResults);
        run.results.insert(run.results.begin(), 0.0);
        take(3 * collisions);
        run.distribution = take(3 * points);
        if (!in) return {};
        all.push_back(std::move(run));
    }
    return all;
}

// A CONDITIONS block with the given entries, then `composition` (the
// composition and normalisation lines, needed with two or more species).
inline std::string conditions_block(const std::vector<std::string>& entries, const std::string& composition = "") {
    std::string s = "CONDITIONS\n";
    for (const std::string& e : entries) s += e + "\n";
    return s + composition;
}

// Conditions with some entries replaced: {condition (kCond*), entry}.
inline std::string conditions_with(const std::vector<std::pair<int, std::string>>& changes,
                                   const std::string& composition = "") {
    std::vector<std::string> entries = default_conditions();
    for (const auto& [index, entry] : changes) entries[index - 1] = entry;
    return conditions_block(entries, composition);
}

}  // namespace kestor::test
