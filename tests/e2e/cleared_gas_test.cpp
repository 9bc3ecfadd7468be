// CLEARCOLLISIONS forgets the mole fractions typed for the cleared gas: a
// species loaded afterwards, and a saved run, show only what the script
// said after the clear, as in a process that never loaded the old gas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

const std::string kLoadAr = "READCOLLISIONS\ngas_ar.txt\nAr\n1\n";
const std::string kLoadHe = "READCOLLISIONS\ngas_ar.txt\nHe\n1\n";
const std::string kSave = "SAVERESULTS\nresults.txt\n1\n1\n1\n1\n1\n1\n1\n0\nEND\n";

// A mixture of Ar and He, run and cleared.
const std::string kOldGas = "READCOLLISIONS\ngas_ar.txt\nAr He\n1\n" + conditions_with({}, "0.3 0.7\n1\n") +
                            "RUN\nCLEARCOLLISIONS\n";
// Pure Ar, run; then He is loaded and the gas run again.
const std::string kNewGas = kLoadAr + conditions_with({}) + "RUN\n" + kLoadHe + "RUN\n" + kSave;

std::vector<std::string> lines_with(const std::string& text, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& l : split_lines(text))
        if (l.find(part) != std::string::npos) found.push_back(l);
    return found;
}

std::vector<std::string> run_names(const TempDir& dir) {
    std::vector<std::string> names;
    for (const std::string& l : log_lines(dir))
        if (l.rfind("R1 ", 0) == 0 || l.rfind("R2 ", 0) == 0) names.push_back(l);
    return names;
}

TEST(ClearedGas, LaterSpeciesAndSavedRunsKeepNoFractionOfTheClearedGas) {
    TempDir after_clear, fresh;
    for (TempDir* d : {&after_clear, &fresh}) d->copy_fixture("collisions/gas_ar.txt", "gas_ar.txt");
    ASSERT_EQ(run_script(after_clear, kOldGas + kNewGas).exit_status, 0);
    ASSERT_EQ(run_script(fresh, kNewGas).exit_status, 0);

    // He, loaded after the conditions of the pure gas, has no fraction; the
    // first run, made before He was loaded, has none of it either.
    const std::string saved = after_clear.read("results.txt");
    const std::vector<std::string> fractions = {
        "Mole fraction Ar                           1.000    ", "Mole fraction He                           0.000    ",
        "Mole fraction Ar                           1.000    ", "Mole fraction He                           0.000    "};
    EXPECT_EQ(lines_with(saved, "Mole fraction"), fractions);
    const std::vector<std::string> names = run_names(after_clear);
    ASSERT_EQ(names.size(), 3u);  // the mixture, then the pure gas twice
    EXPECT_EQ(names[2].substr(2), names[1].substr(2));

    EXPECT_EQ(saved, fresh.read("results.txt"));
    const std::vector<std::string> fresh_names = run_names(fresh);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()), fresh_names);
}

// Without a CONDITIONS after the clear the new species has the fraction 0
// that a process starts with, not the 0.3 typed for the cleared gas.
TEST(ClearedGas, SpeciesLoadedWithoutNewConditionsHasNoFraction) {
    TempDir dir;
    dir.copy_fixture("collisions/gas_ar.txt", "gas_ar.txt");
    ASSERT_EQ(run_script(dir, kOldGas + kLoadAr + "RUN\n" + kSave).exit_status, 0);
    EXPECT_EQ(lines_with(dir.read("results.txt"), "Mole fraction"),
              std::vector<std::string>{"Mole fraction Ar                           0.000    "});
}

}  // namespace
}  // namespace kestor::test
