// The documents (README.md and docs/*.md) show scripts that run as printed
// and write the log lines shown beside them, and their links lead where
// they say.
//
// The rules by which a document is read:
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
// - The data files a script's READCOLLISIONS lines name are copied into its
//   scratch folder: modelgas.dat from examples/, any other from the shared
//   data folder (KESTOR_SHARED_DATA). The project holds no copy of those,
//   so a script that needs one is skipped where it is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kLogStart = "KESTOR+ script file: ";
const std::string kGap = "...";
const std::string kGuide = "README.md";
const std::string kDevelopersFile = "docs/developing.md";
const std::string kModelGas = "modelgas.dat";
// Where the guide's first complete script must begin.
constexpr int kFirstScriptWithin = 100;

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

// One document, by its path relative to the source folder.
struct Document {
    std::string name;
    std::vector<std::string> lines;
};

Document read_document(const std::string& name) {
    return {name, split_lines(test::read_text(std::filesystem::path(KESTOR_SOURCE_DIR) / name))};
}

// The guide, then the files of docs/ in name order.
std::vector<Document> documents() {
    std::vector<std::string> names;
    const std::filesystem::path docs = std::filesystem::path(KESTOR_SOURCE_DIR) / "docs";
    if (std::filesystem::is_directory(docs)) {
        for (const auto& e : std::filesystem::directory_iterator(docs))
            if (e.path().extension() == ".md") names.push_back("docs/" + e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    names.insert(names.begin(), kGuide);
    std::vector<Document> all;
    for (const std::string& n : names) all.push_back(read_document(n));
    return all;
}

struct Block {
    std::string where;  // document and line of the opening fence, "README.md:40"
    int line = 0;
    std::vector<std::string> lines;
};

std::vector<Block> fenced_blocks(const Document& doc) {
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (!is_fence(doc.lines[i])) continue;
        Block b;
        b.line = static_cast<int>(i) + 1;
        b.where = doc.name + ":" + std::to_string(b.line);
        for (++i; i < doc.lines.size() && !is_fence(doc.lines[i]); ++i) b.lines.push_back(doc.lines[i]);
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

struct DocScript {
    Block script;
    std::optional<Block> log;
};

std::vector<DocScript> doc_scripts(const Document& doc) {
    std::vector<DocScript> scripts;
    for (const Block& b : fenced_blocks(doc)) {
        if (is_script(b)) {
            scripts.push_back({b, std::nullopt});
        } else if (is_log(b) && !scripts.empty() && !scripts.back().log) {
            scripts.back().log = b;
        }
    }
    return scripts;
}

// The file name on a name line, as the program reads it: a quoted name
// whole, else the word up to a blank, tab, comma or slash.
std::string name_on_line(const std::string& line) {
    const std::string s = trim(line);
    if (!s.empty() && (s.front() == '\'' || s.front() == '"')) {
        const std::size_t close = s.find(s.front(), 1);
        return s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return s.substr(0, s.find_first_of(" \t,/"));
}

// The data files the script's READCOLLISIONS commands name.
std::vector<std::string> data_files(const Block& script) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i + 1 < script.lines.size(); ++i) {
        const std::string line = trim(script.lines[i]);
        if (line.empty() || line.front() == '!' || line.front() == '/') continue;
        if (line.find("READCOLLISIONS") != std::string::npos) files.push_back(name_on_line(script.lines[i + 1]));
    }
    return files;
}

std::filesystem::path shipped_data(const std::string& file) {
    return std::filesystem::path(KESTOR_SOURCE_DIR) / "examples" / file;
}

std::filesystem::path shared_data(const std::string& file) {
    return std::filesystem::path(KESTOR_SHARED_DATA) / file;
}

bool needs_shared_data(const DocScript& s) {
    const std::vector<std::string> files = data_files(s.script);
    return std::any_of(files.begin(), files.end(), [](const std::string& f) { return f != kModelGas; });
}

// The shared data files of the script that are not there.
std::vector<std::string> absent_files(const DocScript& s) {
    std::vector<std::string> absent;
    for (const std::string& f : data_files(s.script))
        if (f != kModelGas && !std::filesystem::exists(shared_data(f))) absent.push_back(f);
    return absent;
}

// A log file line as a document shows it.
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

std::string joined(const std::vector<std::string>& lines) {
    std::ostringstream s;
    for (const std::string& l : lines) s << l << "\n";
    return s.str();
}

// Runs one script in a scratch folder with its data files and checks its
// log against the block shown after it.
void run_and_compare(const DocScript& s) {
    SCOPED_TRACE("script at " + s.script.where);
    const std::string name = s.log ? s.log->lines.front().substr(kLogStart.size()) : "script.kes";
    TempDir dir;
    for (const std::string& f : data_files(s.script))
        dir.copy_in(f == kModelGas ? shipped_data(f) : shared_data(f), f);
    dir.write(name, joined(s.script.lines));
    const RunOutcome r = run_kestor(dir, {name});
    EXPECT_EQ(r.exit_status, 0) << r.err;
    std::vector<std::string> log;
    for (const std::string& l : log_lines(dir)) log.push_back(as_shown(l));
    if (s.log) {
        EXPECT_EQ(unmatched_line(log, s.log->lines), "")
            << "log block at " << s.log->where << "; the program wrote:\n" << joined(log);
    } else {
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "FINISHED") << joined(log);
    }
}

TEST(DocScripts, OnTheShippedModelGasRunAsPrintedAndWriteTheLogShown) {
    int ran = 0;
    bool some_log = false;
    for (const Document& doc : documents()) {
        for (const DocScript& s : doc_scripts(doc)) {
            if (needs_shared_data(s)) continue;
            run_and_compare(s);
            ++ran;
            some_log = some_log || s.log.has_value();
        }
    }
    EXPECT_GT(ran, 0) << "no document shows a complete script (a fenced block ending in END) on " << kModelGas;
    EXPECT_TRUE(some_log) << "no document shows a log block (a fenced block beginning with \"" << kLogStart
                          << "\")";
}

TEST(DocScripts, OnSharedDataRunAsPrintedWhereTheDataAre) {
    std::vector<std::string> skipped;
    for (const Document& doc : documents()) {
        for (const DocScript& s : doc_scripts(doc)) {
            if (!needs_shared_data(s)) continue;
            const std::vector<std::string> absent = absent_files(s);
            if (absent.empty()) {
                run_and_compare(s);
            } else {
                skipped.push_back(s.script.where + " (no " + shared_data(absent.front()).string() + ")");
            }
        }
    }
    if (!skipped.empty()) {
        std::string list;
        for (const std::string& w : skipped) list += "\n  " + w;
        GTEST_SKIP() << "scripts left out, their shared data file is absent:" << list;
    }
}

// The reading of the documents itself: which blocks are scripts, which
// files they need, what counts as a match of a log.
TEST(DocScripts, DataFilesAreTheNamesOnTheReadcollisionsLines) {
    const Block script{"x.md:1", 1,
                       {"! READCOLLISIONS in a comment names nothing", "READCOLLISIONS", "modelgas.dat   comment",
                        "Mx", "0", "  READCOLLISIONS again", "'data/N2 gas.txt'", "N2", "0", "READCOLLISIONS",
                        "gas.txt/", "X", "0", "END"}};
    EXPECT_TRUE(is_script(script));
    EXPECT_EQ(data_files(script), (std::vector<std::string>{"modelgas.dat", "data/N2 gas.txt", "gas.txt"}));
    EXPECT_TRUE(needs_shared_data({script, std::nullopt}));
    const Block excerpt{"x.md:1", 1, {"READCOLLISIONS", "modelgas.dat", "Mx", "0", "..."}};
    EXPECT_FALSE(is_script(excerpt));
}

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
    {"trailing blanks in the document are not compared",
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

class DocLogMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(DocLogMatch, FollowsTheRules) { EXPECT_EQ(unmatched_line(kLog, GetParam().shown).empty(), GetParam().matches); }

INSTANTIATE_TEST_SUITE_P(Cases, DocLogMatch, ::testing::ValuesIn(kMatchCases));

// Links and headings, outside fenced blocks: a relative link leads to a
// file of the project and, with "#anchor", to a heading of it. Anchors are
// made from the heading text as code hosts make them: lower case, spaces
// to hyphens, punctuation dropped, a repeated anchor numbered -1, -2, ...

bool is_heading(const std::string& line) {
    std::size_t n = 0;
    while (n < line.size() && line[n] == '#') ++n;
    return n >= 1 && n <= 6 && n < line.size() && line[n] == ' ';
}

int heading_level(const std::string& line) { return static_cast<int>(line.find_first_not_of('#')); }

std::string anchor_of(const std::string& heading) {
    const std::string text = trim(heading.substr(heading.find_first_not_of('#')));
    std::string a;
    for (unsigned char c : text) {
        // Bytes of other letters (UTF-8) stay as they are.
        if (c >= 0x80) a += static_cast<char>(c);
        else if (std::isalnum(c) || c == '-' || c == '_') a += static_cast<char>(std::tolower(c));
        else if (c == ' ') a += '-';
    }
    return a;
}

// The lines of a document outside its fenced blocks, with their numbers.
std::vector<std::pair<int, std::string>> prose_lines(const Document& doc) {
    std::vector<std::pair<int, std::string>> out;
    bool fenced = false;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (is_fence(doc.lines[i])) {
            fenced = !fenced;
            continue;
        }
        if (!fenced) out.emplace_back(static_cast<int>(i) + 1, doc.lines[i]);
    }
    return out;
}

struct Heading {
    int level;
    std::string anchor;
};

std::vector<Heading> headings(const Document& doc) {
    std::vector<Heading> out;
    std::map<std::string, int> seen;
    for (const auto& [number, line] : prose_lines(doc)) {
        if (!is_heading(line)) continue;
        std::string a = anchor_of(line);
        const int repeat = seen[a]++;
        if (repeat > 0) a += "-" + std::to_string(repeat);
        out.push_back({heading_level(line), a});
    }
    return out;
}

struct Link {
    std::string where;   // document and line
    std::string target;  // as written
    std::string file;    // the target's document, relative to the source folder
    std::string anchor;  // after '#', or empty
};

// The relative links of a document; links inside `code` are not links.
std::vector<Link> relative_links(const Document& doc) {
    static const std::regex code("`[^`]*`");
    static const std::regex link(R"(\[[^\]]*\]\(([^)\s]+)\))");
    const std::filesystem::path folder = std::filesystem::path(doc.name).parent_path();
    std::vector<Link> out;
    for (const auto& [number, raw] : prose_lines(doc)) {
        const std::string line = std::regex_replace(raw, code, "");
        for (std::sregex_iterator m(line.begin(), line.end(), link), end; m != end; ++m) {
            const std::string target = (*m)[1];
            if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
            const std::size_t hash = target.find('#');
            const std::string path = target.substr(0, hash);
            Link l{doc.name + ":" + std::to_string(number), target, doc.name,
                   hash == std::string::npos ? "" : target.substr(hash + 1)};
            if (!path.empty()) l.file = (folder / path).lexically_normal().generic_string();
            out.push_back(l);
        }
    }
    return out;
}

TEST(DocLinks, LeadToAFileAndHeadingThatExist) {
    int checked = 0;
    for (const Document& doc : documents()) {
        for (const Link& l : relative_links(doc)) {
            SCOPED_TRACE("link " + l.target + " at " + l.where);
            ++checked;
            const std::filesystem::path file = std::filesystem::path(KESTOR_SOURCE_DIR) / l.file;
            ASSERT_TRUE(std::filesystem::exists(file)) << "no file " << l.file;
            if (l.anchor.empty()) continue;
            ASSERT_EQ(file.extension(), ".md") << "an anchor into a file that is not a document";
            const std::vector<Heading> hs = headings(read_document(l.file));
            EXPECT_TRUE(std::any_of(hs.begin(), hs.end(), [&](const Heading& h) { return h.anchor == l.anchor; }))
                << "no heading of " << l.file << " has the anchor #" << l.anchor;
        }
    }
    EXPECT_GT(checked, 0);
}

// Every section (## and ###) of the reference files is one link away from
// the guide.
TEST(DocLinks, TheGuideLinksEverySectionOfTheReference) {
    std::set<std::string> linked;
    for (const Link& l : relative_links(read_document(kGuide))) linked.insert(l.file + "#" + l.anchor);
    int sections = 0;
    for (const Document& doc : documents()) {
        if (doc.name == kGuide || doc.name == kDevelopersFile) continue;
        for (const Heading& h : headings(doc)) {
            if (h.level < 2 || h.level > 3) continue;
            ++sections;
            EXPECT_TRUE(linked.count(doc.name + "#" + h.anchor)) << kGuide << " has no link to " << doc.name << "#"
                                                                 << h.anchor;
        }
    }
    EXPECT_GT(sections, 0) << "no reference file in docs/";
}

TEST(DocLinks, TheGuideShowsAFirstScriptOnItsFirstScreens) {
    const std::vector<DocScript> scripts = doc_scripts(read_document(kGuide));
    ASSERT_FALSE(scripts.empty());
    EXPECT_LE(scripts.front().script.line, kFirstScriptWithin) << "the first script of " << kGuide;
}

struct AnchorCase {
    const char* heading;
    const char* anchor;
};

const AnchorCase kAnchorCases[] = {
    {"## Layout 5: E/p export", "layout-5-ep-export"},
    {"### Grid type (condition 16) and the maximum energy (condition 17)",
     "grid-type-condition-16-and-the-maximum-energy-condition-17"},
    {"# Set-up", "set-up"},
    {"## RUN2D", "run2d"},
    {"## `SAVERESULTS`, snake_case", "saveresults-snake_case"},
};

TEST(DocLinks, AnchorsAreMadeAsCodeHostsMakeThem) {
    for (const AnchorCase& c : kAnchorCases) {
        EXPECT_TRUE(is_heading(c.heading)) << c.heading;
        EXPECT_EQ(anchor_of(c.heading), c.anchor) << c.heading;
    }
    EXPECT_FALSE(is_heading("#include <x>"));
    const Document doc{"docs/x.md", {"# T", "## Notes", "```", "## Not a heading: fenced", "```", "## Notes",
                                     "See [a](#notes-1), [b](../README.md#set-up), `[c](nowhere.md)`, "
                                     "[d](https://example.org/x.md)."}};
    const std::vector<Heading> hs = headings(doc);
    ASSERT_EQ(hs.size(), 3u);
    EXPECT_EQ(hs[2].anchor, "notes-1");
    const std::vector<Link> links = relative_links(doc);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].file, "docs/x.md");
    EXPECT_EQ(links[0].anchor, "notes-1");
    EXPECT_EQ(links[1].file, "README.md");
    EXPECT_EQ(links[1].anchor, "set-up");
}

// The reference's table "Where a script can end" says, per line being
// read, how the script ends when it ends there and when that line cannot
// be read: each of its rows is run here, cut at that line or with a bad
// line in its place.

const std::string kEndsSection = "## Where a script can end";

struct DocumentedEnd {
    std::string row;       // the first cell
    std::string at_end;    // the second
    std::string bad_line;  // the third
};

// The rows of the table in the section of docs/script.md.
std::vector<DocumentedEnd> documented_ends() {
    const Document doc = read_document("docs/script.md");
    std::vector<DocumentedEnd> rows;
    bool in_section = false;
    for (const auto& [number, line] : prose_lines(doc)) {
        if (is_heading(line)) in_section = line == kEndsSection;
        if (!in_section || line.rfind("| ", 0) != 0) continue;
        std::vector<std::string> cells;
        std::stringstream cut(line.substr(1));
        for (std::string cell; std::getline(cut, cell, '|');) cells.push_back(trim(cell));
        if (cells.size() >= 3 && cells[0] != "line being read") rows.push_back({cells[0], cells[1], cells[2]});
    }
    return rows;
}

// The exit status a cell names; nullopt when it names none.
std::optional<int> documented_status(const std::string& cell) {
    if (cell.find("end-of-file stop") != std::string::npos) return kEndOfFileExitStatus;
    if (cell.find("ABORT exit") != std::string::npos) return kAbortExitStatus;
    if (cell.find("ends RUN") != std::string::npos) return kExitSuccess;
    return std::nullopt;
}

struct EndCase {
    const char* row;
    std::vector<std::string> at_end;    // scripts that end where the line is due
    std::vector<std::string> bad_line;  // scripts with a line there that cannot be read
};

const std::string kLoad = "READCOLLISIONS\nmodelgas.dat\nMx\n0\n";
const std::string kLoadTwo = "READCOLLISIONS\nmodelgas.dat\nMx Other\n0\n";
const std::string kSave = "SAVERESULTS\nr.txt\n3\n1\n1\n1\n0\n0\n0\n";

const std::vector<EndCase>& end_cases() {
    static const std::string conditions = conditions_with({});
    static const std::string var_field = conditions_with({{kCondEN, "VAR"}});
    static const std::string var_temperature = conditions_with({{kCondGasTemp, "VAR"}});
    static const std::vector<EndCase> cases = {
        {"READCOLLISIONS: file name, extrapolation switch",
         {"READCOLLISIONS\n", "READCOLLISIONS\nmodelgas.dat\nMx\n"},
         {"READCOLLISIONS\nmodelgas.dat\nMx\nx\n"}},
        {"READCOLLISIONS: species line", {"READCOLLISIONS\nmodelgas.dat\n"}, {}},
        {"CONDITIONS: the 20 condition lines", {kLoad + "CONDITIONS\n1\n2\n"}, {kLoad + "CONDITIONS\n1\nabc\n"}},
        {"CONDITIONS: composition lines, normalisation line",
         {kLoadTwo + conditions, kLoadTwo + conditions + "0.5 &\n", kLoadTwo + conditions + "0.5 0.5\n"},
         {kLoadTwo + conditions + "0.5 x\n", kLoadTwo + conditions + "0.5 0.5\nx\n"}},
        {"RUN: data lines", {kLoad + var_field + "RUN\n10\n"}, {kLoad + var_field + "RUN\nx\nEND\n"}},
        {"RUNSERIES, RUNBACK: the four lines",
         {kLoad + conditions + "RUNSERIES\n", kLoad + conditions + "RUNBACK\n1\n1 10\n2\n"},
         {kLoad + conditions + "RUNSERIES\nx\n"}},
        {"RUN2D: the five lines",
         {kLoad + var_temperature + "RUN2D\n1\n1 10 300 600\n"},
         {kLoad + var_temperature + "RUN2D\n1\n1 10 300 600\n1 x\n"}},
        {"SAVERESULTS: the nine lines", {"SAVERESULTS\n", kSave}, {"SAVERESULTS\nr.txt\n3.0\n"}},
    };
    return cases;
}

// Runs `script` and checks that it ended as `status` says: the end-of-file
// stop (message, no FINISHED or ABORT line), the ABORT line, or FINISHED.
void expect_end(const std::string& script, int status, const std::string& what) {
    SCOPED_TRACE(what + ", script:\n" + script);
    TempDir dir;
    dir.copy_in(shipped_data(kModelGas), kModelGas);
    const RunOutcome r = run_script(dir, script);
    EXPECT_EQ(r.exit_status, status) << r.err;
    const std::vector<std::string> log = log_lines(dir);
    ASSERT_FALSE(log.empty());
    const std::string last = as_shown(log.back());
    if (status == kEndOfFileExitStatus) {
        EXPECT_NE(r.err.find("end-of-file during read"), std::string::npos) << r.err;
        EXPECT_NE(last, "FINISHED");
        EXPECT_EQ(last.find("ABORT"), std::string::npos) << last;
    } else if (status == kAbortExitStatus) {
        EXPECT_EQ(last.rfind(" ABORT: Error in input file line:", 0), 0u) << last;
    } else {
        EXPECT_EQ(last, "FINISHED");
    }
}

TEST(DocScriptEnds, EveryRowOfTheTableHoldsAndIsTested) {
    const std::vector<DocumentedEnd> rows = documented_ends();
    ASSERT_FALSE(rows.empty()) << "docs/script.md has no table under \"" << kEndsSection << "\"";
    for (const EndCase& c : end_cases()) {
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const DocumentedEnd& d) { return d.row == c.row; });
        ASSERT_NE(row, rows.end()) << "the table has no row \"" << c.row << "\"";
        const std::optional<int> at_end = documented_status(row->at_end);
        ASSERT_TRUE(at_end.has_value()) << row->at_end;
        for (const std::string& script : c.at_end) expect_end(script, *at_end, std::string(c.row) + ": the end");
        const std::optional<int> bad = documented_status(row->bad_line);
        EXPECT_EQ(bad.has_value(), !c.bad_line.empty()) << row->bad_line;
        for (const std::string& script : c.bad_line)
            if (bad) expect_end(script, *bad, std::string(c.row) + ": a bad line");
    }
    for (const DocumentedEnd& d : rows) {
        const auto& cases = end_cases();
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(), [&](const EndCase& c) { return d.row == c.row; }))
            << "no case for the row \"" << d.row << "\"";
    }
}

}  // namespace
}  // namespace kestor::test
