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
#include "tests/support/full_precision.h"
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


// The complete log of an earlier run, as a folder may hold it when a run
// starts.
inline const std::string kEarlierRunLog = "KESTOR+ script file: older.kes\n" + CR + "FINISHED\n";

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

// One run of the raw arrays that layout 7 writes after "RESUME", as the
// words written there: the numbers at full precision, to compare them as
// written. Index k of `conditions` and `results` is condition or result k
// (index 0 unused).
struct RunWords {
    std::vector<std::string> conditions;    // 20 conditions
    std::vector<std::string> fractions;     // one mole fraction per species
    std::vector<std::string> results;       // 30 results
    std::vector<std::string> coefficients;  // rate, inverse rate, energy loss per collision
    std::vector<std::string> distribution;  // per grid point: cell energy, distribution, anisotropy
};

// Every run of a layout 7 file; each run holds as many grid points as its
// condition 15. Empty when the file holds fewer words than that.
inline std::vector<RunWords> resume_runs(const std::string& file, int species, int collisions) {
    const std::size_t at = file.find("\nRESUME\n");
    if (at == std::string::npos) return {};
    std::istringstream in(file.substr(at + 8));
    int runs = 0;
    in >> runs;
    auto take = [&in](int count, bool numbered) {
        std::vector<std::string> w(static_cast<std::size_t>(count) + (numbered ? 1 : 0));
        for (std::size_t k = numbered ? 1 : 0; k < w.size(); ++k) in >> w[k];
        return w;
    };
    std::vector<RunWords> all;
    for (int r = 0; r < runs; ++r) {
        RunWords run;
        run.conditions = take(kNumConditions, true);
        run.fractions = take(species, false);
        run.results = take(kNumResults, true);
        run.coefficients = take(3 * collisions, false);
        if (!in) return {};
        run.distribution = take(3 * static_cast<int>(std::strtod(run.conditions[kCondGridPoints].c_str(), nullptr)), false);
        if (!in) return {};
        all.push_back(std::move(run));
    }
    return all;
}

// One run of a layout 7 file as numbers.
struct RawRun {
    std::vector<double> results;       // results 1..30 at their index (0 unused)
    std::vector<double> distribution;  // per grid point: cell energy, distribution, anisotropy
};

// Every run of a layout 7 file, each of `points` grid points. Empty when
// the file holds other runs.
inline std::vector<RawRun> raw_runs(const std::string& file, int species, int collisions, int points) {
    auto numbers = [](const std::vector<std::string>& words, std::size_t from) {
        std::vector<double> v(from, 0.0);
        for (std::size_t k = from; k < words.size(); ++k) v.push_back(std::strtod(words[k].c_str(), nullptr));
        return v;
    };
    std::vector<RawRun> all;
    for (const RunWords& w : resume_runs(file, species, collisions)) {
        if (w.distribution.size() != static_cast<std::size_t>(3 * points)) return {};
        all.push_back({numbers(w.results, 1), numbers(w.distribution, 0)});
    }
    return all;
}

// A data file of molecule M: elastic scattering and the rotations J -> J+1
// for J = 0 .. rotations - 1 of a rotor of 0.5 meV, each with the table
// `rotation` (lines of energy and cross section) after its threshold
// point; grouped, unless `showrot`.
inline std::string rotor_gas(int rotations, const std::string& rotation, bool showrot = false) {
    constexpr double kB = 0.0005;
    std::ostringstream s;
    if (showrot) {
        s << "SHOWROT\n\n";
    } else {
        s << "Molecule M: elastic and " << rotations << " rotations\n\n";
    }
    s << "ELASTIC\nM\n 2.0e-5\n-----\n 0.0 5.0e-20\n 1.0 8.0e-20\n 10.0 1.0e-19\n 100.0 5.0e-20\n-----\n\n";
    for (int j = 0; j < rotations; ++j) {
        const double lower = kB * j * (j + 1);
        const double upper = kB * (j + 1) * (j + 2);
        s << "ROTATION\nM -> M(J=" << j + 1 << ")\n " << lower << " " << 2 * j + 1 << "\n " << upper << " "
          << 2 * j + 3 << "\n-----\n " << upper - lower << " 0.0\n" << rotation << "-----\n\n";
    }
    return s.str();
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
