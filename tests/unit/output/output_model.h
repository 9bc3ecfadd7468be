// Helpers of the results-writer tests: tables labelled as at start-up, a
// small model gas with two runs and two collisions, and a scratch folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/tables.h"
#include "output/writebol.h"
#include "tests/support/conditions.h"
#include "tests/support/fixtures.h"
#include "tests/support/lines.h"
#include "tests/support/model_gas.h"
#include "tests/support/scratch_dir.h"

namespace kestor::test {

namespace fs = std::filesystem;

inline void set_labels(Tables& t) {
    static const char* const kConditions[kNumConditions] = {
        "Electric field / N (Td)", "Angular frequency / N (m3/s)", "Cosine of E-B field angle",
        "Gas temperature (K)", "Excitation temperature (K)", "Transition energy (eV)", "Ionization degree",
        "Plasma density (1/m3)", "Ion charge parameter", "Ion/neutral mass ratio", "e-e momentum effects",
        "Energy sharing", "Growth model", "Maxwellian mean energy (eV)", "# of grid points", "Grid type",
        "Maximum energy", "Precision", "Convergence", "Maximum # of iterations"};
    static const char* const kResults[kNumResults] = {
        "Mean energy (eV)", "Mobility *N (1/m/V/s)", "Re/perp mobility *N (1/m/V/s)",
        "Im/Hall mobility *N (1/m/V/s)", "Bulk mobility *N (1/m/V/s)", "Diffusion coefficient *N (1/m/s)",
        "Longitud. diffusion coef. *N (1/m/s)", "Bulk T diffusion coef. *N (1/m/s)",
        "Bulk L diffusion coef. *N (1/m/s)", "", "Energy mobility *N (1/m/V/s)",
        "Energy diffusion coef. D*N (1/m/s)", "Total collision freq. /N (m3/s)", "Momentum frequency /N (m3/s)",
        "e-i momentum frequency /N (m3/s)", "Total ionization freq. /N (m3/s)", "Total attachment freq. /N (m3/s)",
        "Townsend ioniz. coef. alpha/N (m2)", "Townsend attach. coef. eta/N (m2)", "Power /N (eV m3/s)",
        "Elastic power loss /N (eV m3/s)", "Inelastic power loss /N (eV m3/s)", "Growth power /N (eV m3/s)",
        "e-i power loss /N (eV m3/s)", "Coulomb logarithm", "", "Maximum energy", "# of iterations",
        "# of grid trials", "Error code"};
    for (int j = 1; j <= kNumConditions; ++j) t.labels.condition_labels[j].assign(kConditions[j - 1]);
    for (int j = 1; j <= kNumResults; ++j) t.labels.result_labels[j].assign(kResults[j - 1]);
}

inline ZeroedPtr<Tables> labelled_tables() {
    ZeroedPtr<Tables> t = make_tables();
    set_labels(*t);
    return t;
}

// The conditions of run r: everything fixed but E/N.
inline void set_run_conditions(Tables& t, int r, double en) {
    set_conditions(t, r,
                   {{kCondEN, en}, {kCondCosEB, 1}, {kCondGasTemp, 300}, {kCondExcTemp, 300},
                    {kCondPlasmaDensity, 1e18}, {kCondIonCharge, 1}, {kCondEnergySharing, kSharingEqual},
                    {kCondGrowthModel, kGrowthTemporal}, {kCondGridPoints, 4}, {kCondGridType, kGridLinear},
                    {kCondMaxIterations, 1000}});
    t.run.run_gas_fractions[r][1] = 1.0;
}

// N2 with an elastic and an excitation process, two runs at 100 and 200 Td,
// everything selected and every switch on.
inline void fill_model(Tables& t) {
    t.num.species_count = 1;
    t.sp.species_name[1].assign("N2");
    t.sp.species_reference[1].assign("test.txt");

    add_collision(t, 1, {.kind = kElastic, .mass_ratio = 1.959e-5}, {{0.0, 1e-20}, {1.0, 2e-20}, {10000.0, 2e-20}});
    t.col.collision_name[1].assign("C1    N2    Elastic");
    add_collision(t, 1, {.kind = kExcitation, .threshold = 11.03},
                  {{0.0, 0.0}, {11.03, 0.0}, {20.0, 1e-21}, {10000.0, 1e-21}});
    t.col.upper_level_energy[2] = 11.03;
    t.col.collision_name[2].assign("C2    N2    Excitation    11.03 eV");

    t.num.run_count = 2;
    set_run_conditions(t, 1, 100.0);
    set_run_conditions(t, 2, 200.0);
    t.run.run_name[1].assign("R1    100. Td    1.50 eV");
    t.run.run_name[2].assign("R2    200. Td    3.25 eV");
    const std::vector<std::pair<int, double>> res1 = {
        {kResMeanEnergy, 1.5},       {kResMobility, 1.234e24},     {kResDiffusion, 2.5e24},
        {kResTotalCollisionFreq, 3.0e-13}, {kResPower, 4.56e-11},  {kResElasticPower, 1.0e-12},
        {kResInelasticPower, 4.46e-11},    {kResMaxEnergy, 40},    {kResIterations, 12},
        {kResGridTrials, 1}};
    const std::vector<std::pair<int, double>> res2 = {
        {kResMeanEnergy, 3.25},      {kResMobility, 1.1e24},       {kResDiffusion, 3.0e24},
        {kResTotalCollisionFreq, 3.5e-13}, {kResIonizationFreq, 2.0e-18}, {kResPower, 9.9e-11},
        {kResElasticPower, 2.0e-12}, {kResInelasticPower, 9.7e-11}, {kResMaxEnergy, 60},
        {kResIterations, 15},        {kResGridTrials, 2}};
    for (auto [j, v] : res1) t.run.run_results[1][j] = v;
    for (auto [j, v] : res2) t.run.run_results[2][j] = v;
    const double rate[3][3] = {{}, {0, 1.0e-13, 1.234e-14}, {0, 2.0e-13, 5.0e-15}};
    const double inverse[3][3] = {{}, {0, 0.0, 1e-20}, {0, 0.0, 2e-20}};
    const double loss[3][3] = {{}, {0, 3.0e-16, 1.4e-13}, {0, 6.0e-16, 5.5e-14}};
    for (int r = 1; r <= 2; ++r)
        for (int k = 1; k <= 2; ++k) {
            t.run.run_rate_coef[r][k] = rate[r][k];
            t.run.run_inverse_rate_coef[r][k] = inverse[r][k];
            t.run.run_energy_loss_coef[r][k] = loss[r][k];
        }
    // Run 1 keeps a stale fifth point beyond its 4 grid points; run 2
    // falls below its threshold at the third point.
    const double e[6] = {0, 0.5, 1.5, 2.5, 3.5, 4.5};
    const double f1[6] = {0, 0.5, 0.2, 0.05, 0.001, 0.3};
    const double a1[6] = {0, 0.1, 0.2, 0.3, 0.4, 0.5};
    const double f2[6] = {0, 0.4, 0.3, 0.0, 0.1, 0.0};
    const double a2[6] = {0, 0.5, 0.6, 0.7, 0.8, 0.0};
    for (int j = 1; j <= 5; ++j) {
        t.run.run_eedf_energy[1][j] = e[j];
        t.run.run_eedf_energy[2][j] = e[j];
        t.run.run_eedf[1][j] = f1[j];
        t.run.run_eedf[2][j] = f2[j];
        t.run.run_anisotropy[1][j] = a1[j];
        t.run.run_anisotropy[2][j] = a2[j];
    }

    for (int r = 1; r <= 2; ++r) t.sel.run_selected[r] = 1;
    for (int k = 1; k <= 2; ++k) t.sel.collision_selected[k] = 1;
    Settings& p = t.prefs;
    p.output_conditions = p.output_transport = p.output_rates = p.output_inverse_rates = 1;
    p.output_energy_loss = p.output_eedf = 1;
}

inline std::string fixture(const std::string& name) {
    return read_text(fixture_path("output/" + name));
}


// What a golden test got, also written for review under the golden's name
// (relative to tests/fixtures/output/) into the folder that the variable
// KESTOR_GOLDEN_OUT names; tests/fixtures/regenerate.sh sets it. Unset: nothing.
inline void keep_for_review(const std::string& golden, const std::string& got) {
    const char* dir = std::getenv("KESTOR_GOLDEN_OUT");
    if (dir == nullptr || *dir == '\0') return;
    const fs::path p = fs::path(dir) / golden;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << got;
}

// A fresh folder, made the working directory while the object lives.
class OutputDir : public ScratchWorkingDir {
public:
    OutputDir() : ScratchWorkingDir("kestor-output") {}
};

// Runs the writer in layout `layout` into a scratch file; its records.
inline std::vector<std::string> write_records(Tables& t, int layout, bool* written = nullptr) {
    OutputDir dir;
    t.prefs.output_format = layout;
    t.prefs.output_file_name.assign("out.txt");
    const bool ok = writebol(t);
    if (written != nullptr) *written = ok;
    return split_lines(dir.read("out.txt"));
}

// The records after the common header of `header_records` records.
inline std::vector<std::string> body(const std::vector<std::string>& lines, std::size_t header_records) {
    if (lines.size() < header_records) return {};
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(header_records), lines.end());
}

constexpr std::size_t kModelHeaderRecords = 8;

}  // namespace kestor::test
