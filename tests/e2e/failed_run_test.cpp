// A run that the solver refuses at once (E/N 0 at 0 K, status 1) shows
// zeros in its saved results, not the numbers of a run that held the same
// row before CLEARRUNS.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kScript = "failed_after_clearruns.kes";
const std::string kRunAndClear = "RUN\nCLEARRUNS\n";

// The end of the saved run block after its conditions: only the error
// code among the results, every coefficient 0, and a distribution of 0s
// on the run's 20 grid points.
std::vector<std::string> zero_block_tail() {
    const std::string dashes(60, '-');
    const std::string zero = "   0.000    ";
    const std::vector<std::string> collisions = {"C1    Ar    Elastic", "C2    Ar    Excitation    11.50 eV",
                                                 "C3    Ar    Excitation    0.090 eV", "C4    Ar    Ionization    15.76 eV"};
    auto label = [](std::string s) { return s.append(40 - s.size(), ' '); };
    std::vector<std::string> tail = {dashes, label("Error code") + "   1.000    "};
    for (const char* title :
         {"Rate coefficients (m3/s)", "Inverse rate coefficients (m3/s)", "Energy loss coefficients (eV m3/s)"}) {
        tail.push_back(dashes);
        tail.push_back(title);
        for (const std::string& c : collisions) tail.push_back(label(c) + zero);
    }
    tail.push_back(dashes);
    tail.push_back("Energy (eV) EEDF (eV-3/2) Anisotropy");
    for (int j = 1; j <= 20; ++j) tail.push_back(zero + "\t" + zero + "\t" + zero);
    tail.push_back("");
    tail.push_back("");
    return tail;
}

class FailedRun : public ::testing::Test {
protected:
    void SetUp() override {
        for (TempDir* d : {&after_clear_, &fresh_}) d->copy_fixture("collisions/gas_ar.txt", "gas_ar.txt");
        after_clear_.copy_fixture("runs/" + kScript, kScript);
        std::string script = after_clear_.read(kScript);
        const std::size_t at = script.find(kRunAndClear);
        ASSERT_NE(at, std::string::npos);
        // The same script without the first run: its row was never used.
        fresh_.write(kScript, script.erase(at, kRunAndClear.size()));
    }
    TempDir after_clear_;
    TempDir fresh_;
};

TEST_F(FailedRun, ShowsZerosNotTheClearedRunsNumbers) {
    const RunOutcome r = run_kestor(after_clear_, {kScript});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::vector<std::string> log = log_lines(after_clear_);
    std::vector<std::string> names;
    for (const std::string& l : log)
        if (l.rfind("R1 ", 0) == 0) names.push_back(l.substr(0, 24));
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].substr(0, 17), "R1    100. Td    ");  // solved, a mean energy follows
    EXPECT_NE(names[0].find(" eV"), std::string::npos);
    EXPECT_EQ(names[1], "R1    0.00 Td    Failed ");

    const std::vector<std::string> saved = split_lines(after_clear_.read("results.txt"));
    const std::vector<std::string> tail = zero_block_tail();
    ASSERT_GE(saved.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(saved.end() - static_cast<std::ptrdiff_t>(tail.size()), saved.end()), tail);
}

TEST_F(FailedRun, SavesWhatAProcessThatNeverUsedTheRowSaves) {
    ASSERT_EQ(run_kestor(after_clear_, {kScript}).exit_status, 0);
    ASSERT_EQ(run_kestor(fresh_, {kScript}).exit_status, 0);
    EXPECT_EQ(after_clear_.read("results.txt"), fresh_.read("results.txt"));
}

}  // namespace
}  // namespace kestor::test
