// Run names: the run number, the E/N or "Maxwellian", and the mean energy
// or the status text, with the number forms chosen by magnitude.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/tables.h"
#include "driver/commands.h"

namespace kestor {
namespace {

struct NameCase {
    const char* what;
    int run;
    double field;       // E/N condition, Td
    double maxwellian;  // Maxwellian mean energy condition, eV
    double mean_energy; // mean energy result, eV
    double status;      // status result (0: success)
    const char* expected;
};

const double kNaN = std::nan("");

const NameCase kNameCases[] = {
    {"success at 100 Td", 1, 100.0, 0.0, 4.567, 0.0, "R1    100. Td    4.57 eV"},
    {"Maxwellian", 2, 100.0, 1.5, 1.5, 0.0, "R2    Maxwellian    1.50 eV"},
    {"failed run", 3, 0.05, 0.0, 2.0, kStatusFailed, "R3    0.0500 Td    Failed"},
    {"status 3 also failed", 4, 10.0, 0.0, 2.0, kStatusFailedUnchanged, "R4    10.0 Td    Failed"},
    {"target missed", 5, 20.0, 0.0, 2.0, kStatusIncorrectMeanEnergy, "R5    20.0 Td    Incorrect mean energy"},
    {"no elastic data", 6, 20.0, 0.0, 0.0, kStatusMissingElastic, "R6    20.0 Td    Missing elastic collisions"},
    {"unknown status adds nothing", 7, 20.0, 0.0, 2.0, 5.0, "R7    20.0 Td"},
    {"status truncated toward zero", 8, 20.0, 0.0, 2.0, 7.9, "R8    20.0 Td    Incorrect mean energy"},
    {"status just below 1 is success", 9, 20.0, 0.0, 2.0, 0.99, "R9    20.0 Td    2.00 eV"},
    {"negative status truncates to 0", 10, 20.0, 0.0, 2.0, -0.5, "R10   20.0 Td    2.00 eV"},
    {"two-digit run", 12, 5.0, 0.0, 0.5, 0.0, "R12   5.00 Td    0.500 eV"},
    {"three-digit run", 999, 5.0, 0.0, 0.5, 0.0, "R999  5.00 Td    0.500 eV"},
    {"run 1000 does not fit I3", 1000, 5.0, 0.0, 0.5, 0.0, "R***  5.00 Td    0.500 eV"},
    {"run 1002", 1002, 5.0, 0.0, 0.5, 0.0, "R***  5.00 Td    0.500 eV"},
    {"last row", 1003, 5.0, 0.0, 0.5, 0.0, "Error: Too many runs"},
    // E/N forms and their single-precision bounds.
    {"E/N 0.001 is below its bound", 1, 0.001, 0.0, 1.0, 0.0, "R1    0.100E-02 Td    1.00 eV"},
    {"E/N 0.0011 in F15.4", 1, 0.0011, 0.0, 1.0, 0.0, "R1    0.0011 Td    1.00 eV"},
    {"E/N 0.1 is below its bound", 1, 0.1, 0.0, 1.0, 0.0, "R1    0.1000 Td    1.00 eV"},
    {"E/N 0.5 in F15.3", 1, 0.5, 0.0, 1.0, 0.0, "R1    0.500 Td    1.00 eV"},
    {"E/N 1 in F15.2", 1, 1.0, 0.0, 1.0, 0.0, "R1    1.00 Td    1.00 eV"},
    {"E/N 10 in F15.1", 1, 10.0, 0.0, 1.0, 0.0, "R1    10.0 Td    1.00 eV"},
    {"E/N 99.94 in F15.1", 1, 99.94, 0.0, 1.0, 0.0, "R1    99.9 Td    1.00 eV"},
    {"E/N 0 in G15.3", 1, 0.0, 0.0, 1.0, 0.0, "R1    0.00 Td    1.00 eV"},
    {"negative E/N in G15.3, fixed notation", 1, -5.0, 0.0, 1.0, 0.0, "R1    -5.00 Td    1.00 eV"},
    {"small negative E/N in G15.3, exponent", 1, -1e-4, 0.0, 1.0, 0.0, "R1    -0.100E-03 Td    1.00 eV"},
    {"E/N 1e14 does not fit F15.0", 1, 1e14, 0.0, 1.0, 0.0, "R1    *************** Td    1.00 eV"},
    {"E/N 9.99e13 just fits", 1, 9.99e13, 0.0, 1.0, 0.0, "R1    99900000000000. Td    1.00 eV"},
    {"E/N not a number in F15.0", 1, kNaN, 0.0, 1.0, 0.0, "R1    NaN Td    1.00 eV"},
    // Mean-energy forms.
    {"mean 0.01 is above its bound", 1, 10.0, 0.0, 0.01, 0.0, "R1    10.0 Td    0.0100 eV"},
    {"mean 0.005 in F15.5", 1, 10.0, 0.0, 0.005, 0.0, "R1    10.0 Td    0.00500 eV"},
    {"mean 0.1 is below its bound", 1, 10.0, 0.0, 0.1, 0.0, "R1    10.0 Td    0.1000 eV"},
    {"mean 55.26 in F15.1", 1, 10.0, 0.0, 55.26, 0.0, "R1    10.0 Td    55.3 eV"},
    {"mean 150 in F15.0", 1, 10.0, 0.0, 150.0, 0.0, "R1    10.0 Td    150. eV"},
    {"mean not a number", 1, 10.0, 0.0, kNaN, 0.0, "R1    10.0 Td    NaN eV"},
    // Values that are not numbers in the switches.
    {"Maxwellian not a number counts as not 0", 1, 10.0, kNaN, 1.0, 0.0, "R1    Maxwellian    1.00 eV"},
    {"status not a number adds nothing", 1, 10.0, 0.0, 1.0, kNaN, "R1    10.0 Td"},
    {"status beyond the integers adds nothing", 1, 10.0, 0.0, 1.0, 1e30, "R1    10.0 Td"},
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.what; }

class RunName : public ::testing::TestWithParam<NameCase> {};

TEST_P(RunName, IsBuiltColumnByColumn) {
    const NameCase& c = GetParam();
    auto t = make_tables();
    t->run.run_conditions[c.run][kCondEN] = c.field;
    t->run.run_conditions[c.run][kCondMaxwellEnergy] = c.maxwellian;
    t->run.run_results[c.run][kResMeanEnergy] = c.mean_energy;
    t->run.run_results[c.run][kResStatus] = c.status;
    setrname(*t, c.run);
    std::string expected = c.expected;
    expected.resize(64, ' ');
    EXPECT_EQ(t->run.run_name[c.run].full(), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunName, ::testing::ValuesIn(kNameCases));

TEST(RunNameRebuild, OverwritesAnOlderLongerName) {
    auto t = make_tables();
    t->run.run_name[4].assign(std::string(64, 'x'));
    t->run.run_conditions[4][kCondEN] = 10.0;
    t->run.run_results[4][kResStatus] = 5.0;  // no status text
    setrname(*t, 4);
    EXPECT_EQ(t->run.run_name[4].trimmed(), "R4    10.0 Td");
    EXPECT_EQ(t->run.run_name[4].full().size(), 64u);
}

}  // namespace
}  // namespace kestor
