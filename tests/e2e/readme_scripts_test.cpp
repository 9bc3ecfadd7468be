// The scripts of README.md run as printed and write the log lines shown
// beside them.
//
// The rules by which the README is read:
// - A block is a fenced block: from a line beginning with ``` to the next
//   such line. Indented blocks (the shell commands) are not looked at.
// - A script is a block whose last non-blank line is END: a complete
//   script, as a user would copy it. Excerpts of scripts end otherwise.
// - The log of a script is the first block after it, before the next
//   script, whose first line is the log's own first line, "KESTOR+ script
//   file: " and the script's name. The script is saved under that name. A
//   script shown without its log is saved as script.kes and must end with
//   FINISHED.
// - A log block shows log lines without the carriage return in front of a
//   command line and without trailing blanks (the log file keeps both); a
//   line "..." stands for lines left out. The shown lines must follow one
//   another in the log as they follow one another in the block, and the
//   block starts (ends) where the log starts (ends) unless "..." opens
//   (closes) it.
//
// Each script runs in a scratch folder holding a copy of
// examples/modelgas.dat, the only data file the README's scripts name.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kLogStart = "KESTOR+ script file: ";
const std::string kGap = "...";

struct Block {
    int line = 0;  // README line of the opening fence
    std::vector<std::string> lines;
};

struct ReadmeScript {
    Block script;
    std::optional<Block> log;
};

std::string trim_right(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

std::string trim(const std::string& s) {
    const std::string r = trim_right(s);
    const std::size_t first = r.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : r.substr(first);
}

bool is_fence(const std::string& line) { return line.rfind("```", 0) == 0; }

std::vector<Block> fenced_blocks(const std::vector<std::string>& readme) {
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < readme.size(); ++i) {
        if (!is_fence(readme[i])) continue;
        Block b;
        b.line = static_cast<int>(i) + 1;
        for (++i; i < readme.size() && !is_fence(readme[i]); ++i) b.lines.push_back(readme[i]);
        blocks.push_back(b);
    }
    return blocks;
}

bool is_script(const Block& b) {
    for (auto it = b.lines.rbegin(); it != b.lines.rend(); ++it)
        if (!trim(*it).empty()) return trim(*it) == "END";
    return false;
}

bool is_log(const Block& b) { return !b.lines.empty() && b.lines.front().rfind(kLogStart, 0) == 0; }

std::vector<ReadmeScript> readme_scripts(const std::vector<std::string>& readme) {
    std::vector<ReadmeScript> scripts;
    for (const Block& b : fenced_blocks(readme)) {
        if (is_script(b)) {
            scripts.push_back({b, std::nullopt});
        } else if (is_log(b) && !scripts.empty() && !scripts.back().log) {
            scripts.back().log = b;
        }
    }
    return scripts;
}

// A log file line as a README shows it.
std::string as_shown(std::string line) {
    if (!line.empty() && line.front() == '\r') line.erase(0, 1);
    return trim_right(line);
}

// Where `part` stands in `log` from position `from` on as consecutive lines.
std::optional<std::size_t> find_run(const std::vector<std::string>& log, const std::vector<std::string>& part,
                                    std::size_t from) {
    for (std::size_t at = from; at + part.size() <= log.size(); ++at) {
        bool all = true;
        for (std::size_t j = 0; j < part.size() && all; ++j) all = log[at + j] == part[j];
        if (all) return at;
    }
    return std::nullopt;
}

// The first line of `run` that differs from the log lines from `at` on.
std::string first_difference(const std::vector<std::string>& log, const std::vector<std::string>& run,
                             std::size_t at) {
    for (std::size_t j = 0; j < run.size(); ++j)
        if (at + j >= log.size() || log[at + j] != run[j]) return run[j];
    return "";
}

// Empty when `log` holds the `shown` lines as the rules above say; else
// the first shown line that has no place there.
std::string unmatched_line(const std::vector<std::string>& log, const std::vector<std::string>& shown) {
    // The shown lines cut at each "..." into runs of consecutive lines.
    std::vector<std::vector<std::string>> runs(1);
    for (const std::string& s : shown) {
        if (trim(s) == kGap) runs.emplace_back();
        else runs.back().push_back(trim_right(s));
    }
    const bool open_start = !shown.empty() && trim(shown.front()) == kGap;
    const bool open_end = !shown.empty() && trim(shown.back()) == kGap;
    std::size_t at = 0;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const std::vector<std::string>& run = runs[k];
        if (run.empty()) continue;
        const bool first = k == 0 && !open_start;
        const bool last = k + 1 == runs.size() && !open_end;
        std::size_t place = at;
        if (first) {
            place = 0;
        } else if (last) {
            // The end is fixed: the run must be the log's last lines.
            if (log.size() < run.size() + at) return run.front();
            place = log.size() - run.size();
        } else if (const auto found = find_run(log, run, at)) {
            place = *found;
        } else {
            // Not found whole: name the first line that breaks it where its
            // first line stands, or that first line itself.
            const auto head = find_run(log, {run.front()}, at);
            return head ? first_difference(log, run, *head) : run.front();
        }
        const std::string differs = first_difference(log, run, place);
        if (!differs.empty()) return differs;
        at = place + run.size();
        if (last && at != log.size()) return "(the log goes on after: " + run.back() + ")";
    }
    return "";
}

std::vector<std::string> readme_lines() {
    return split_lines(test::read_text(std::filesystem::path(KESTOR_SOURCE_DIR) / "README.md"));
}

std::string joined(const std::vector<std::string>& lines) {
    std::ostringstream s;
    for (const std::string& l : lines) s << l << "\n";
    return s.str();
}

TEST(ReadmeScripts, RunAsPrintedAndWriteTheLogShown) {
    const std::vector<ReadmeScript> scripts = readme_scripts(readme_lines());
    ASSERT_FALSE(scripts.empty()) << "README.md shows no complete script (a fenced block ending in END)";
    bool some_log = false;
    for (const ReadmeScript& s : scripts) {
        SCOPED_TRACE("README script at line " + std::to_string(s.script.line));
        std::string name = "script.kes";
        if (s.log) {
            name = s.log->lines.front().substr(kLogStart.size());
            some_log = true;
        }
        TempDir dir;
        dir.copy_in(std::filesystem::path(KESTOR_SOURCE_DIR) / "examples" / "modelgas.dat", "modelgas.dat");
        dir.write(name, joined(s.script.lines));
        const RunOutcome r = run_kestor(dir, {name});
        EXPECT_EQ(r.exit_status, 0) << r.err;
        std::vector<std::string> log;
        for (const std::string& l : log_lines(dir)) log.push_back(as_shown(l));
        if (s.log) {
            EXPECT_EQ(unmatched_line(log, s.log->lines), "")
                << "log block at README line " << s.log->line << "; the program wrote:\n" << joined(log);
        } else {
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log.back(), "FINISHED") << joined(log);
        }
    }
    EXPECT_TRUE(some_log) << "README.md shows no log block (a fenced block beginning with \"" << kLogStart << "\")";
}

// The comparison itself: a log that differs from the shown lines in any
// way the rules exclude must not pass.
struct MatchCase {
    const char* what;
    std::vector<std::string> shown;
    bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.what; }

const std::vector<std::string> kLog = {"KESTOR+ script file: a.kes", "RUN", "R1    10.0 Td    4.83 eV",
                                       "R2    100. Td    6.73 eV", "FINISHED"};

const MatchCase kMatchCases[] = {
    {"the whole log", kLog, true},
    {"trailing blanks in the README are not compared",
     {"KESTOR+ script file: a.kes  ", "RUN", "R1    10.0 Td    4.83 eV", "R2    100. Td    6.73 eV", "FINISHED"},
     true},
    {"a gap in the middle", {"KESTOR+ script file: a.kes", "...", "R2    100. Td    6.73 eV", "FINISHED"}, true},
    {"gaps at both ends", {"...", "R1    10.0 Td    4.83 eV", "..."}, true},
    {"a changed digit", {"KESTOR+ script file: a.kes", "...", "R1    10.0 Td    4.84 eV", "..."}, false},
    {"lines out of order", {"...", "R2    100. Td    6.73 eV", "...", "R1    10.0 Td    4.83 eV", "..."}, false},
    {"a line left out without a gap", {"KESTOR+ script file: a.kes", "RUN", "R2    100. Td    6.73 eV", "..."}, false},
    {"the log goes on after a closed block", {"KESTOR+ script file: a.kes", "RUN", "R1    10.0 Td    4.83 eV"}, false},
    {"the log starts before an opened block", {"RUN", "...", "FINISHED"}, false},
    {"a line the log does not hold", {"...", "FINISHED", "END"}, false},
};

class ReadmeLogMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ReadmeLogMatch, FollowsTheRules) {
    EXPECT_EQ(unmatched_line(kLog, GetParam().shown).empty(), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadmeLogMatch, ::testing::ValuesIn(kMatchCases));

}  // namespace
}  // namespace kestor::test
