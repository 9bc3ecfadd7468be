// CONDITIONS through the real program: it logs nothing itself, and its
// failures end the script through the ABORT exit or the end-of-file stop.
#include <gtest/gtest.h>

#include <string>

#include "common/program_stop.h"
#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kLogFile = "kestorlog.txt";
const std::string kHead = "KESTOR+ script file: script.kes\n";

// The 20 condition lines, each a value and a comment.
std::string conditions(const std::string& first = "VAR") {
    std::string s = first + "   Electric field / N (Td)\n";
    for (int i = 2; i <= kNumConditions; ++i) s += std::to_string(i) + "   condition " + std::to_string(i) + "\n";
    return s;
}

// Loads two species (four script reads), so that a composition is due.
std::string two_species() { return "READCOLLISIONS\ngas.txt\nAr He\n0\n"; }

std::string species_log() {
    return CR + "READCOLLISIONS\nAr\ngas.txt\r\nHow to reference in publications: Test data written for the reader "
           "tests.\r\nSecond reference line.\n"
           "C1    Ar    Elastic                                             \n"
           "C2    Ar    Excitation    11.50 eV                              \n"
           "C3    Ar    Excitation    0.090 eV                              \n"
           "C4    Ar    Ionization    15.76 eV                              \n"
           "He\ngas.txt\n"
           "C5    He    Elastic                                             \n";
}

struct RunCase {
    std::string what;
    std::string script;    // after the species are loaded
    std::string log_tail;  // after the species block
    int exit_status;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.what; }

class ConditionsRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(ConditionsRun, EndsAsExpected) {
    const RunCase& c = GetParam();
    TempDir dir;
    dir.copy_fixture("collisions/gas_ar.txt", "gas.txt");
    const RunOutcome r = run_script(dir, two_species() + c.script);
    EXPECT_EQ(r.exit_status, c.exit_status) << c.what;
    EXPECT_EQ(dir.read(kLogFile), kHead + species_log() + c.log_tail) << c.what;
    if (c.exit_status == kEndOfFileExitStatus) {
        EXPECT_NE(r.err.find("end-of-file during read"), std::string::npos) << c.what;
    }
}

// Reads: 4 for READCOLLISIONS, 1 for the CONDITIONS line, 20 condition
// lines (5 to 25), then the composition and the switch.
const RunCase kRunCases[] = {
    {"complete composition", "CONDITIONS\n" + conditions() + "0.8 0.2\n1\nEND\n", CR + "FINISHED\n", 0},
    {"composition over two lines", "CONDITIONS\n" + conditions() + "VAR &\n0.2\n1\nEND\n", CR + "FINISHED\n", 0},
    {"blank lines among the conditions are not counted",
     "CONDITIONS\n\n\n" + conditions() + "\n", "Gas composition incomplete\n" + abort_line(26) + "\n",
     kAbortExitStatus},
    {"blank composition line", "CONDITIONS\n" + conditions() + "\n0.8 0.2\n1\nEND\n",
     "Gas composition incomplete\n" + abort_line(26) + "\n", kAbortExitStatus},
    {"too few fractions", "CONDITIONS\n" + conditions() + "0.8\n1\nEND\n",
     "Gas composition incomplete\n" + abort_line(26) + "\n", kAbortExitStatus},
    {"a fraction that is no number", "CONDITIONS\n" + conditions() + "0.8 var\n1\nEND\n", abort_line(26) + "\n",
     kAbortExitStatus},
    {"end of the script at the composition", "CONDITIONS\n" + conditions(), abort_line(26) + "\n",
     kAbortExitStatus},
    {"end of the script at the switch", "CONDITIONS\n" + conditions() + "0.5 0.5\n", abort_line(27) + "\n",
     kAbortExitStatus},
    {"switch with a decimal point", "CONDITIONS\n" + conditions() + "0.5 0.5\n1.\nEND\n", abort_line(27) + "\n",
     kAbortExitStatus},
    {"comment line among the conditions", "CONDITIONS\n! field\n" + conditions() + "0.5 0.5\n1\nEND\n",
     abort_line(6) + "\n", kAbortExitStatus},
    {"condition word that is no number", "CONDITIONS\n" + conditions("field") + "0.5 0.5\n1\nEND\n",
     abort_line(6) + "\n", kAbortExitStatus},
    {"end of the script among the conditions", "CONDITIONS\n1\n2\n3\n", "", kEndOfFileExitStatus},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConditionsRun, ::testing::ValuesIn(kRunCases));

TEST(ConditionsRunOneSpecies, ReadsTwentyLinesAndLogsNothing) {
    TempDir dir;
    dir.copy_fixture("collisions/gas_ar.txt", "gas.txt");
    // With one species the line after the 20 conditions is the next
    // command: a composition line there would be ignored, so END ends.
    const RunOutcome r =
        run_script(dir, "NOSCREEN\nREADCOLLISIONS\ngas.txt\nHe\n0\nCONDITIONS\n" + conditions("12.5") + "END\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(dir.read(kLogFile), kHead + CR + "READCOLLISIONS\nHe\ngas.txt\n"
                                          "C1    He    Elastic                                             \n" +
                                          CR + "FINISHED\n");
}

}  // namespace
}  // namespace kestor::test
