// Layout 6 end to end: collisions whose names agree from column 7 on (one
// species, kind and threshold text) each get a lookup file; the last keeps
// the plain name, the earlier ones add their number.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

// The y column of a lookup file's rows (two G12.4 fields each).
std::vector<double> y_values(const std::string& file) {
    std::vector<double> y;
    for (const std::string& l : split_lines(file))
        if (l.size() == 24) y.push_back(std::strtod(l.substr(12).c_str(), nullptr));
    return y;
}

TEST(LookupNames, SharedNamesKeepEveryCollisionsFile) {
    TempDir dir;
    dir.copy_fixture("output/e2e/shared_threshold.dat", "nx.dat");
    const std::string script = "READCOLLISIONS\nnx.dat\nNx\n1\n" + conditions_with({{kCondEN, "VAR"}}) +
                               "RUN\n1\n10\n\nSAVERESULTS\nunused.txt\n6\n0\n0\n0\n0\n0\n0\n0\nEND\n";
    const RunOutcome r = run_script(dir, script);
    ASSERT_EQ(r.exit_status, 0) << r.err;

    std::set<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name.ends_with(".lut")) files.insert(name);
    }
    const std::set<std::string> want = {"energy.lut",          "mobility.lut",
                                        "diffusion.lut",       "elastic_power.lut",
                                        "inelastic_power.lut", "Nx_Elastic_C1.lut",
                                        "Nx_Excitation_0.29_eV_C2.lut", "Nx_Excitation_0.29_eV.lut",
                                        "Nx_Elastic.lut"};
    EXPECT_EQ(files, want);

    // C3 has twice the cross section of C2, so twice its rate coefficients.
    const std::vector<double> c2 = y_values(dir.read("Nx_Excitation_0.29_eV_C2.lut"));
    const std::vector<double> c3 = y_values(dir.read("Nx_Excitation_0.29_eV.lut"));
    ASSERT_EQ(c2.size(), 2u);
    ASSERT_EQ(c3.size(), 2u);
    for (std::size_t i = 0; i < c2.size(); ++i) {
        EXPECT_GT(c2[i], 0.0);
        EXPECT_NEAR(c3[i], 2.0 * c2[i], 1e-3 * c3[i]) << "run " << i + 1;
    }
    EXPECT_FALSE(dir.exists("unused.txt"));
}

}  // namespace
}  // namespace kestor::test
