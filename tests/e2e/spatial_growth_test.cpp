// Spatial growth on a grid that shrinks below the ionisation threshold: the
// first, oversized grid reaches the ionisation and gives a net Townsend
// coefficient; the final grid reaches none, so the run must not depend on
// where the grid started and must agree with a run without growth.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/e2e_util.h"

namespace kestor::test {
namespace {

struct GrowthRuns {
    int grid_points;
    std::vector<std::string> start_energies;  // eV
};

// One RUN line per growth model (0, then 2) and starting maximum energy, at
// 1 Td on grid type 1; the results of the runs in that order.
std::vector<std::vector<double>> run_both_models(TempDir& dir, const std::string& data_file,
                                                 const std::string& species, const GrowthRuns& g, int collisions) {
    std::string lines;
    for (const std::string& e : g.start_energies) lines += "0 " + e + "\n2 " + e + "\n";
    const std::string script =
        "READCOLLISIONS\n'" + data_file + "'\n" + species + "\n1\n" +
        conditions_with({{kCondEN, "1"},
                         {kCondGasTemp, "300"},
                         {kCondExcTemp, "300"},
                         {kCondGrowthModel, "VAR"},
                         {kCondGridPoints, std::to_string(g.grid_points)},
                         {kCondGridType, "1"},
                         {kCondMaxEnergy, "VAR"}}) +
        "RUN\n" + lines + "\nSAVERESULTS\nraw.txt\n7\n1\n1\n1\n1\n1\n1\n0\nEND\n";
    const RunOutcome r = run_script(dir, script);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    std::vector<std::vector<double>> results;
    for (const RawRun& run : raw_runs(dir.read("raw.txt"), 1, collisions, g.grid_points)) results.push_back(run.results);
    return results;
}

constexpr double kSameWithin = 1e-3;  // relative: the grid's discretisation, far below the fault

// Model 2 against model 0 from the same start, and against model 2 from
// the first start: mean energy and mobility.
void expect_no_trace_of_the_first_grid(const std::vector<std::vector<double>>& res, const GrowthRuns& g) {
    ASSERT_EQ(res.size(), 2 * g.start_energies.size());
    const std::vector<double>& first_spatial = res[1];
    for (std::size_t i = 0; i < g.start_energies.size(); ++i) {
        const std::vector<double>& none = res[2 * i];
        const std::vector<double>& spatial = res[2 * i + 1];
        const std::string start = "start at " + g.start_energies[i] + " eV";
        ASSERT_EQ(none[kResStatus], 0.0) << start;
        ASSERT_EQ(spatial[kResStatus], 0.0) << start;
        for (Result j : {kResMeanEnergy, kResMobility}) {
            EXPECT_NEAR(spatial[j], none[j], kSameWithin * none[j]) << start << ", result " << j;
            EXPECT_NEAR(spatial[j], first_spatial[j], kSameWithin * first_spatial[j]) << start << ", result " << j;
        }
        // No ionisation on the final grid: nothing grows.
        EXPECT_EQ(spatial[kResGrowthPower], 0.0) << start;
        EXPECT_EQ(spatial[kResTownsendAlpha], 0.0) << start;
    }
}

TEST(SpatialGrowth, ShrunkGridBelowIonisationKeepsNoEarlierTownsendCoefficient) {
    TempDir dir;
    dir.copy_fixture("runs/ionisation_out_of_reach.txt", "gi.txt");
    // 10 eV never reaches the ionisation at 15 eV; 40 and 100 eV do, and
    // their grids shrink to about 10 eV.
    const GrowthRuns g{100, {"10", "40", "100"}};
    const auto res = run_both_models(dir, "gi.txt", "Gi", g, 3);
    expect_no_trace_of_the_first_grid(res, g);
    ASSERT_EQ(res.size(), 6u);
    for (const auto& r : res) EXPECT_LT(r[kResMaxEnergy], 15.0);  // the final grids reach no ionisation
    for (std::size_t i = 2; i < res.size(); ++i) EXPECT_GT(res[i][kResGridTrials], 1.0) << i;  // they shrank
}

TEST(SpatialGrowth, ArgonAtOneTownsendDoesNotDependOnTheStartingGrid) {
    const std::filesystem::path file = std::filesystem::path(KESTOR_SHARED_DATA) / "Ar_Puech_LXCat_2026-04-25.txt";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared data file " << file;
    TempDir dir;
    const GrowthRuns g{300, {"10", "40", "60"}};
    expect_no_trace_of_the_first_grid(run_both_models(dir, file.string(), "Ar", g, 42), g);
}

}  // namespace
}  // namespace kestor::test
