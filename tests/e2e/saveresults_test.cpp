// SAVERESULTS end to end: two runs of a small model gas saved in every
// layout, each file compared with a hand-written template in which only
// the numbers that the solver computes are left open; the layouts must
// agree with one another, and a layout-7 file must read back as data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

// ---- templates -----------------------------------------------------------
// Each template line ends with "|". Tokens: <G> a G12.4 field, <S> a G12.4
// number without its blanks, <F> a free-format double field, <E> a
// free-format single field, <T> a tab, <CR> a carriage return. A line
// starting with "*" stands for one or more lines of its pattern.

// Number shapes. Fixed: an optional minus, 1..max_before digits, the point,
// 0..max_after digits. Exponent: an optional minus, a lead digit ('0' for
// G forms), the point, exactly `mantissa` digits, "E", a sign and
// `exp_digits` digits (G forms: also a sign and one digit more, no E).
struct Shape {
    int max_before, max_after;  // fixed form
    bool zero_lead;             // exponent form
    int mantissa, exp_digits;
    bool wide_exponent_without_e;
    std::size_t trailing_blanks;  // after a fixed number in its field
};

const Shape kGeneral{4, 4, true, 4, 2, true, 4};
const Shape kFreeDouble{17, 17, false, 15, 3, false, 5};
const Shape kFreeSingle{8, 8, false, 7, 2, false, 4};

std::size_t count_digits(std::string_view s, std::size_t i) {
    std::size_t n = 0;
    while (i + n < s.size() && std::isdigit(static_cast<unsigned char>(s[i + n]))) ++n;
    return n;
}

bool fixed_number(std::string_view s, const Shape& f) {
    std::size_t i = s.starts_with('-') ? 1 : 0;
    const std::size_t a = count_digits(s, i);
    if (a < 1 || a > static_cast<std::size_t>(f.max_before)) return false;
    i += a;
    if (i >= s.size() || s[i] != '.') return false;
    const std::size_t b = count_digits(s, ++i);
    return b <= static_cast<std::size_t>(f.max_after) && i + b == s.size();
}

bool exponent_number(std::string_view s, const Shape& f) {
    std::size_t i = s.starts_with('-') ? 1 : 0;
    if (i + 2 > s.size() || !std::isdigit(static_cast<unsigned char>(s[i])) || (f.zero_lead && s[i] != '0') ||
        s[i + 1] != '.')
        return false;
    i += 2;
    if (count_digits(s, i) != static_cast<std::size_t>(f.mantissa)) return false;
    i += static_cast<std::size_t>(f.mantissa);
    std::size_t want = static_cast<std::size_t>(f.exp_digits);
    if (i < s.size() && s[i] == 'E')
        ++i;
    else if (f.wide_exponent_without_e)
        ++want;
    else
        return false;
    if (i >= s.size() || (s[i] != '+' && s[i] != '-')) return false;
    return count_digits(s, i + 1) == want && i + 1 + want == s.size();
}

// A number alone (no blanks).
bool bare_number(std::string_view s, const Shape& f) { return fixed_number(s, f) || exponent_number(s, f); }

// A number in its field: right-adjusted, a fixed number followed by its
// trailing blanks.
bool number_field(std::string_view s, const Shape& f) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return false;
    std::string_view n = s.substr(b);
    if (n.size() > f.trailing_blanks && n.substr(n.size() - f.trailing_blanks).find_first_not_of(' ') ==
                                            std::string_view::npos &&
        fixed_number(n.substr(0, n.size() - f.trailing_blanks), f))
        return true;
    return exponent_number(n, f);
}

struct Token {
    const char* name;
    std::size_t width;  // 0: as long as the number goes
    const Shape* shape;
};

const Token kTokens[] = {{"<G>", 12, &kGeneral}, {"<S>", 0, &kGeneral}, {"<F>", 24, &kFreeDouble},
                         {"<E>", 15, &kFreeSingle}};

// Matches one line against its pattern.
bool match_line(const std::string& pattern, const std::string& line) {
    std::size_t p = 0, a = 0;
    while (p < pattern.size()) {
        if (pattern.compare(p, 3, "<T>") == 0 || pattern.compare(p, 4, "<CR>") == 0) {
            const char c = pattern[p + 1] == 'T' ? '\t' : '\r';
            if (a >= line.size() || line[a] != c) return false;
            p += c == '\t' ? 3 : 4;
            ++a;
            continue;
        }
        const Token* tok = nullptr;
        for (const Token& t : kTokens)
            if (pattern.compare(p, 3, t.name) == 0) tok = &t;
        if (tok == nullptr) {
            if (a >= line.size() || line[a] != pattern[p]) return false;
            ++p;
            ++a;
            continue;
        }
        std::size_t n = tok->width;
        if (n == 0)
            while (a + n < line.size() && std::string("0123456789.E+-").find(line[a + n]) != std::string::npos) ++n;
        if (a + n > line.size()) return false;
        const std::string field = line.substr(a, n);
        if (!(tok->width == 0 ? bare_number(field, *tok->shape) : number_field(field, *tok->shape))) return false;
        p += 3;
        a += n;
    }
    return a == line.size();
}

// Empty when the lines match the template, else the first difference.
std::string match_file(const std::vector<std::string>& tpl, const std::vector<std::string>& lines) {
    std::size_t i = 0;
    for (std::size_t k = 0; k < tpl.size(); ++k) {
        const bool repeat = !tpl[k].empty() && tpl[k][0] == '*';
        const std::string pattern = repeat ? tpl[k].substr(1) : tpl[k];
        if (i >= lines.size()) return "file ends before template line " + std::to_string(k + 1);
        if (!match_line(pattern, lines[i]))
            return "line " + std::to_string(i + 1) + ": \"" + lines[i] + "\" against \"" + pattern + "\"";
        ++i;
        while (repeat && i < lines.size() && match_line(pattern, lines[i])) ++i;
    }
    if (i != lines.size()) return "extra line " + std::to_string(i + 1) + ": \"" + lines[i] + "\"";
    return "";
}

std::vector<std::string> read_template(const std::string& name) {
    std::vector<std::string> tpl;
    std::ifstream f(fixture_path("output/e2e/" + name), std::ios::binary);
    std::string line;
    while (std::getline(f, line)) {
        EXPECT_FALSE(line.empty() || line.back() != '|') << name << ": template line without its end mark";
        tpl.push_back(line.substr(0, line.size() - 1));
    }
    return tpl;
}

// The matcher itself must reject what the templates exclude.
TEST(SaveResultsTemplate, MatcherRejectsWrongFields) {
    struct Case {
        const char* pattern;
        const char* line;
        bool matches;
    } cases[] = {
        {"A<G>", "A   1.000    ", true},
        {"A<G>", "A  0.1234E+25", true},
        {"A<G>", "A  0.1000+100", true},   // a three-digit exponent has no E
        {"A<G>", "A  1.000     ", false},   // a blank too many
        {"A<G>", "A   1.000   ", false},    // a character short
        {"<S><T><S>", "0.1000E+05\t-2.500", true},
        {"<S><T><S>", "0.1000E+05 \t-2.500", false},
        {"<S><T><S>", "0.1000E+05-2.500", false},  // no tab
        {" <F>", " " "  1.000000000000000E-020", true},
        {" <F>", " " "   1.00000000000000     ", true},
        {" <F>", " " "   1.00000000000000    ", false},
        {" <E>", " " "   16.09000    ", true},
        {"x<CR>", "x\r", true},
        {"x<CR>", "x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(match_line(c.pattern, c.line), c.matches) << c.pattern << " / " << c.line;
}

// ---- the model gas run once for all checks --------------------------------

class SaveResults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        dir_->copy_fixture("output/e2e/modelgas.dat", "modelgas.dat");
        dir_->copy_fixture("output/e2e/saveresults.kes", "saveresults.kes");
        outcome_ = run_kestor(*dir_, {"saveresults.kes"});
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static std::vector<std::string> lines(const std::string& name) { return split_lines(dir_->read(name)); }
    // The value field of the first record starting with `label` (cut to
    // 40 characters) in a layout-1 block of run r.
    static std::string block_value(int r, const std::string& label, const std::string& after = "") {
        const auto l = lines("layout1.txt");
        std::size_t i = 0;
        const std::string name = "R" + std::to_string(r) + "  ";
        while (i < l.size() && l[i] != name) ++i;
        if (!after.empty())
            while (i < l.size() && l[i] != after) ++i;
        for (; i < l.size(); ++i)
            if (l[i].size() == 52 && l[i].compare(0, label.size(), label) == 0) return l[i].substr(40);
        return "";
    }

    static std::unique_ptr<TempDir> dir_;
    static RunOutcome outcome_;
};

std::unique_ptr<TempDir> SaveResults::dir_;
RunOutcome SaveResults::outcome_;

TEST_F(SaveResults, ScriptRunsToTheEnd) {
    EXPECT_EQ(outcome_.exit_status, 0);
    EXPECT_EQ(outcome_.err, "");
    const auto log = log_lines(*dir_);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), CR + "FINISHED");
    for (const std::string& l : log) EXPECT_NE(l, "ERROR: Cannot write to file");
    EXPECT_FALSE(dir_->exists("unused.txt"));  // layout 6 opens no main file
}

class SaveResultsFile : public SaveResults, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveResultsFile, MatchesTemplate) {
    const std::string name = GetParam();
    ASSERT_TRUE(dir_->exists(name)) << name;
    // layoutN.txt has the template layoutN.tpl, a lookup file name.lut.tpl
    const std::string tpl = name.ends_with(".txt") ? name.substr(0, name.size() - 4) + ".tpl" : name + ".tpl";
    const std::string diff = match_file(read_template(tpl), lines(name));
    EXPECT_EQ(diff, "") << name;
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, SaveResultsFile,
                         ::testing::Values("layout1.txt", "layout2.txt", "layout3.txt", "layout4.txt",
                                           "layout5.txt", "layout7.txt", "energy.lut", "mobility.lut",
                                           "diffusion.lut", "elastic_power.lut", "inelastic_power.lut",
                                           "Mx_Elastic.lut", "Mx_Excitation_10.00_eV.lut"),
                         [](const auto& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return s;
                         });

std::string strip(const std::string& s) {
    const auto b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The same stored values show the same digits in every layout.
TEST_F(SaveResults, LayoutsAgree) {
    const auto l2 = lines("layout2.txt"), l3 = lines("layout3.txt"), lut = lines("energy.lut");
    const auto l4 = lines("layout4.txt"), rate = lines("Mx_Excitation_10.00_eV.lut");
    // the transport rows of layout 2: run number, E/N, then the shown results
    std::vector<std::string> rows;
    for (const std::string& l : l2)
        if (l.size() == 12 * 15 && (l.compare(0, 12, "           1") == 0 || l.compare(0, 12, "           2") == 0))
            rows.push_back(l);
    ASSERT_EQ(rows.size(), 2u);
    auto mean3 = std::find(l3.begin(), l3.end(), "E/N (Td)\tMean energy (eV)");
    ASSERT_NE(mean3, l3.end());
    for (int r = 1; r <= 2; ++r) {
        const std::string mean = block_value(r, "Mean energy (eV)");
        const std::string mobility = block_value(r, "Mobility *N (1/m/V/s)");
        const std::string rate2 = block_value(r, "C2    Mx    Excitation", "Rate coefficients (m3/s)");
        ASSERT_EQ(mean.size(), 12u);
        const std::string& row = rows[static_cast<std::size_t>(r - 1)];
        EXPECT_EQ(row.substr(24, 12), mean);
        EXPECT_EQ(row.substr(36, 12), mobility);
        EXPECT_EQ(lut[2 + static_cast<std::size_t>(r)].substr(12), mean);
        EXPECT_EQ(rate[2 + static_cast<std::size_t>(r)], mean + rate2);
        EXPECT_EQ(*(mean3 + r), (r == 1 ? "50.00\t" : "150.0\t") + strip(mean));
        // layout 4 puts the mean energy in front of every row
        auto en4 = std::find(l4.begin(), l4.end(), "Energy (eV) \tElectric field / N (Td)" + std::string(41, ' '));
        ASSERT_NE(en4, l4.end());
        EXPECT_EQ(*(en4 + r), strip(mean) + (r == 1 ? "\t50.00" : "\t150.0"));
    }
}

// The raw arrays after RESUME hold the values the other layouts round.
TEST_F(SaveResults, RawArraysMatchRoundedValues) {
    const auto l7 = lines("layout7.txt");
    auto resume = std::find(l7.begin(), l7.end(), "RESUME");
    ASSERT_NE(resume, l7.end());
    // run 1: 7 condition records, 1 fraction record, then 10 result records
    const std::string first_results = *(resume + 2 + 7 + 1);
    const double raw_mean = std::strtod(first_results.substr(1, 24).c_str(), nullptr);
    const double raw_mobility = std::strtod(first_results.substr(25, 24).c_str(), nullptr);
    const double mean = std::strtod(block_value(1, "Mean energy (eV)").c_str(), nullptr);
    const double mobility = std::strtod(block_value(1, "Mobility *N (1/m/V/s)").c_str(), nullptr);
    EXPECT_NEAR(raw_mean, mean, 5e-4 * mean);
    EXPECT_NEAR(raw_mobility, mobility, 5e-4 * mobility);
    // layout 5: the mean energy block in single precision, 7 digits
    const auto l5 = lines("layout5.txt");
    auto block = std::find(l5.begin(), l5.end(), " mean_electron_energy");
    ASSERT_NE(block, l5.end());
    const double single_mean = std::strtod((block + 3)->substr(1, 15).c_str(), nullptr);
    EXPECT_NEAR(single_mean, raw_mean, 1e-6 * raw_mean);
}

// The distribution rows stop at the run's own 100 grid points at the latest.
TEST_F(SaveResults, DistributionRowsWithinGrid) {
    const auto l1 = lines("layout1.txt");
    std::size_t rows = 0, longest = 0;
    for (const std::string& l : l1) {
        if (std::count(l.begin(), l.end(), '\t') == 2) {
            ++rows;
            longest = std::max(longest, rows);
        } else {
            rows = 0;
        }
    }
    EXPECT_GT(longest, 10u);
    EXPECT_LE(longest, 100u);
}

// ---- layout 7 read back as a data file ----------------------------------------

std::string collision_blocks(const std::string& file) {
    const std::size_t start = file.find("\nELASTIC\n"), end = file.find("\nRESUME\n");
    if (start == std::string::npos || end == std::string::npos) return "";
    return file.substr(start, end - start);
}

TEST(SaveResultsReadBack, LayoutSevenIsADataFile) {
    TempDir dir;
    dir.copy_fixture("output/e2e/modelgas.dat", "modelgas.dat");
    const std::string save7 = "SAVERESULTS\n%s\n7\n0\n0\n0\n0\n0\n0\n0\n";
    auto save = [&](const std::string& name) {
        std::string s = save7;
        return s.replace(s.find("%s"), 2, name);
    };
    const RunOutcome first =
        run_script(dir, "READCOLLISIONS\nmodelgas.dat\nMx\n0\n" + save("first.txt") + "END\n");
    ASSERT_EQ(first.exit_status, 0);
    dir.write("again.kes", "READCOLLISIONS\nfirst.txt\nMx\n0\n" + save("second.txt") + "END\n");
    const RunOutcome second = run_kestor(dir, {"again.kes"});
    ASSERT_EQ(second.exit_status, 0);
    const auto log = log_lines(dir);
    EXPECT_NE(std::find(log.begin(), log.end(), "C1    Mx    Elastic" + std::string(45, ' ')), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "C2    Mx    Excitation    10.00 eV" + std::string(30, ' ')),
              log.end());
    const std::string blocks = collision_blocks(dir.read("first.txt"));
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(collision_blocks(dir.read("second.txt")), blocks);
}

// ---- failed runs and the skip switch ------------------------------------------

TEST(SaveResultsFailedRuns, SkipSwitchLeavesFailedRunsOut) {
    TempDir dir;
    dir.copy_fixture("output/e2e/modelgas.dat", "modelgas.dat");
    std::string conditions = "CONDITIONS\nVAR\n0\n0\n0\n0\n0\n0\n0\n1\n1\n0\n1\n1\n0\n100\n0\n0\n1e-10\n1e-4\n200\n";
    const std::string tail = "0\n1\n0\n0\n0\n0\n";
    const RunOutcome r = run_script(dir, "READCOLLISIONS\nmodelgas.dat\nMx\n0\n" + conditions +
                                             "RUN\n0\n50\n\n"  // E/N 0 in a gas at 0 K fails
                                             "SAVERESULTS\nkeep.txt\n2\n" + tail + "0\n"
                                             "SAVERESULTS\nskip.txt\n2\n" + tail + "1\n"
                                             "SAVERESULTS\nskip1.txt\n1\n0\n0\n0\n0\n0\n0\n1\nEND\n");
    ASSERT_EQ(r.exit_status, 0);
    const auto keep = split_lines(dir.read("keep.txt")), skip = split_lines(dir.read("skip.txt"));
    auto legend = [](const std::vector<std::string>& l) {
        return std::find(l.begin(), l.end(), "A30    Error code" + std::string(54, ' ')) != l.end();
    };
    auto rows = [](const std::vector<std::string>& l) {
        std::vector<std::string> out;
        for (const std::string& s : l)
            if (s.size() > 12 && s.compare(0, 11, std::string(11, ' ')) == 0 && std::isdigit(s[11])) out.push_back(s);
        return out;
    };
    EXPECT_TRUE(legend(keep));   // a failed run is saved: its status is shown
    EXPECT_FALSE(legend(skip));  // only successful runs: no status column
    const auto kr = rows(keep), sr = rows(skip);
    ASSERT_EQ(kr.size(), 2u);
    EXPECT_EQ(kr[0].substr(12, 12), "   0.000    ");
    EXPECT_EQ(kr[0].substr(kr[0].size() - 12), "   1.000    ");  // status 1
    ASSERT_EQ(sr.size(), 1u);
    EXPECT_EQ(sr[0].substr(0, 24), "           2   50.00    ");
    const auto blocks = split_lines(dir.read("skip1.txt"));
    EXPECT_EQ(std::count(blocks.begin(), blocks.end(), "R1  "), 0);
    EXPECT_EQ(std::count(blocks.begin(), blocks.end(), "R2  "), 1);
}

// ---- a lookup file that cannot be opened ----------------------------------------

TEST(SaveResultsLookup, OpenErrorStopsTheProgram) {
    TempDir dir;
    dir.copy_fixture("output/e2e/modelgas.dat", "modelgas.dat");
    fs::create_directory(dir.path() / "mobility.lut");
    const RunOutcome r = run_script(dir, "READCOLLISIONS\nmodelgas.dat\nMx\n0\n"
                                         "SAVERESULTS\nx.txt\n6\n0\n0\n0\n0\n0\n0\n0\nEND\n");
    EXPECT_EQ(r.exit_status, kLookupFileExitStatus);
    EXPECT_NE(r.err.find("mobility.lut"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_TRUE(dir.exists("energy.lut"));  // written before the failure
    EXPECT_FALSE(dir.exists("diffusion.lut"));
    const auto log = log_lines(dir);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "x.txt");  // no FINISHED, no ABORT line
}

}  // namespace
}  // namespace kestor::test
