// CLEARCOLLISIONS forgets the mole fractions typed for the cleared gas: a
// species loaded afterwards, and a saved run, show only what the script
// said after the clear, as in a process that never loaded the old gas. Nor
// does a molecule loaded again keep anything of the rotations it had.
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

// The first load: twelve rotations, with longer tables than the second's.
const std::string kManyRotations =
    rotor_gas(12, " 0.05 1.0e-21\n 0.1 3.0e-21\n 1.0 6.0e-21\n 5.0 4.0e-21\n 10.0 2.0e-21\n");
const std::string kRotationTable = " 0.1 2.0e-21\n 1.0 5.0e-21\n 10.0 2.0e-21\n";

struct ReloadCase {
    std::string what;
    int rotations;                     // of the second load
    std::vector<std::string> rates;    // C1 (elastic), C2 (the rotation group)
    std::vector<std::string> inverse;  // the same
};

// M with twelve grouped rotations, run and cleared, then M from a file with
// fewer: the rotation's folded rate coefficients are those of the second
// file alone, with its own levels and grouped processes and none of the
// first's, as in a process that never loaded the first file. With a single
// rotation nothing is grouped, and the rotation is not weighted by its
// lower level's population.
TEST(ClearedGas, MoleculeLoadedAgainWithFewerRotationsFoldsOnlyItsOwn) {
    const ReloadCase cases[] = {
        {"three rotations", 3, {"1.656083956314509E-013", "2.677469871913265E-015"},
         {"0.000000000000000E+000", "1.684741262633129E-015"}},
        {"one rotation", 1, {"1.672406813587594E-013", "4.471490614064781E-015"},
         {"0.000000000000000E+000", "1.490668578001818E-015"}},
    };
    const std::string conditions =
        conditions_with({{kCondGasTemp, "300"}, {kCondExcTemp, "300"}, {kCondGridPoints, "100"}});
    const std::string load = "READCOLLISIONS\nm.txt\nM\n0\n";
    const std::string save = "SAVERESULTS\nres.txt\n7\n1\n1\n1\n1\n1\n1\n0\nEND\n";
    for (const ReloadCase& c : cases) {
        TempDir after_clear, fresh;
        after_clear.write("many.txt", kManyRotations);
        for (TempDir* d : {&after_clear, &fresh}) d->write("m.txt", rotor_gas(c.rotations, kRotationTable));
        const std::string first = "READCOLLISIONS\nmany.txt\nM\n0\n" + conditions + "RUN\nCLEARCOLLISIONS\n";
        const RunOutcome r = run_script(after_clear, first + load + conditions + "RUN\n" + save);
        ASSERT_EQ(r.exit_status, 0) << c.what << r.err;
        ASSERT_EQ(run_script(fresh, load + conditions + "RUN\n" + save).exit_status, 0) << c.what;
        const std::string saved = after_clear.read("res.txt");
        EXPECT_EQ(saved, fresh.read("res.txt")) << c.what;

        // The rate and the inverse rate coefficients of C1 and C2.
        const std::vector<RunWords> runs = resume_runs(saved, 1, 2);
        ASSERT_EQ(runs.size(), 1u) << c.what;
        const std::vector<std::string>& coefficients = runs[0].coefficients;
        for (int k = 0; k < 2; ++k) {
            const std::string of = c.what + ", C" + std::to_string(k + 1);
            expect_full_precision(coefficients[k], c.rates[k], of + " rate coefficient");
            expect_full_precision(coefficients[2 + k], c.inverse[k], of + " inverse rate coefficient");
        }
    }
}

}  // namespace
}  // namespace kestor::test
