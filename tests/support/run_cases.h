// Run cases shared by the benchmarks and the bit-identity check: a gas,
// the conditions of each run and, for several runs, an E/N series in which
// each run after a successful one starts from its neighbour's grid.
#pragma once

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/synthetic_gases.h"
#include "common/tables.h"
#include "solver/solvebol.h"
#include "solver/work.h"
#include "tests/support/conditions.h"

namespace kestor::test {

enum class Gas { kSmall, kLarge, kRealN2, kRealAr };

using Tweak = std::function<void(double* c)>;

struct Case {
    std::string name;
    Gas gas;
    int n;                      // grid cells
    std::vector<double> en_td;  // E/N of the runs, in run order
    Tweak tweak;                // changes to the base conditions, may be empty
};

// E/N values of an exponentially spaced series.
inline std::vector<double> en_series(double first, double last, int count) {
    std::vector<double> v;
    for (int i = 0; i < count; ++i) {
        const double x = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        v.push_back(first * std::pow(last / first, x));
    }
    return v;
}

// Growth code of density-gradient sub-mode `sub` (kGradientTemporal..).
constexpr int gradient_growth_code(int sub) { return kGrowthGradientTemporal + (sub - kGradientTemporal); }

// Base conditions: room-temperature gas, temporal growth, estimated grid.
inline void base_conditions(double* c, double en_td, int n) {
    const test::ConditionRow row = test::condition_row(
        {{kCondEN, en_td}, {kCondGasTemp, 300.0}, {kCondExcTemp, 300.0}, {kCondIonCharge, 1.0},
         {kCondEnergySharing, kSharingEqual}, {kCondGrowthModel, kGrowthTemporal}, {kCondGridPoints, n},
         {kCondGridType, kGridEstimated}});
    for (int j = 1; j <= kNumConditions; ++j) c[j] = row[static_cast<std::size_t>(j)];
}

// Data files of the synthetic gases, written once into a scratch folder of
// this process's own (several checks run side by side), removed at the end.
struct GasFiles {
    std::filesystem::path dir;
    std::filesystem::path real_data;  // folder of the real data files (may be absent)

    explicit GasFiles(std::filesystem::path real = {}) : real_data(std::move(real)) {
        dir = std::filesystem::temp_directory_path() / ("kestor-bench-gases-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        write_small_gas(dir / "small.dat");
        write_molecule(dir / "molecule.dat");
        write_attaching_gas(dir / "attaching.dat");
    }
    ~GasFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    GasFiles(const GasFiles&) = delete;
    GasFiles& operator=(const GasFiles&) = delete;
    bool has_real() const {
        return !real_data.empty() && std::filesystem::exists(real_data / "N2_Phelps_LXCat_2016-01-14.txt");
    }
};

// Loads the gas of a case into empty tables and sets the mole fractions of
// runs 1..runs. False when the gas cannot be loaded.
inline bool load_gas(Tables& t, const GasFiles& files, Gas gas, int runs) {
    std::vector<double> fractions;
    switch (gas) {
        case Gas::kSmall:
            load_species(t, files.dir / "small.dat", "Sg");
            fractions = {1.0};
            break;
        case Gas::kLarge:
            load_species(t, files.dir / "molecule.dat", "Mol");
            load_species(t, files.dir / "attaching.dat", "Att");
            fractions = {0.9, 0.1};
            break;
        case Gas::kRealN2:
            if (!files.has_real()) return false;
            load_species(t, files.real_data / "N2_Phelps_LXCat_2016-01-14.txt", "N2");
            fractions = {1.0};
            break;
        case Gas::kRealAr:
            if (!files.has_real()) return false;
            load_species(t, files.real_data / "Ar_Puech_LXCat_2026-04-25.txt", "Ar");
            fractions = {1.0};
            break;
    }
    for (int r = 1; r <= runs; ++r) {
        for (std::size_t s = 0; s < fractions.size(); ++s) t.run.run_gas_fractions[r][s + 1] = fractions[s];
    }
    return t.num.collision_count > 0;
}

// Conditions of run i (0-based) of a case into row i + 1.
inline void set_run(Tables& t, const Case& c, int i) {
    double* cond = t.run.run_conditions[i + 1];
    base_conditions(cond, c.en_td[static_cast<std::size_t>(i)], c.n);
    if (c.tweak) c.tweak(cond);
}

inline bool succeeded(const Tables& t, int r) { return !run_failed(t.run.run_results[r][kResStatus]); }

// A successful previous run hands its grid to the next run of an E/N series.
inline void hand_over_grid(Tables& t, int r) {
    if (r < 2 || !succeeded(t, r - 1)) return;
    t.run.run_conditions[r][kCondGridType] = kGridGivenThenEstimated;
    t.run.run_conditions[r][kCondMaxEnergy] = t.run.run_results[r - 1][kResMaxEnergy];
}

// Runs of a case, in order; `around` wraps each solvebol call (for timing).
template <class Around>
void run_case(Tables& t, SolverWork& w, const Case& c, Around around) {
    const int runs = static_cast<int>(c.en_td.size());
    for (int i = 0; i < runs; ++i) {
        const int r = i + 1;
        set_run(t, c, i);
        hand_over_grid(t, r);
        if (t.num.run_count < r) t.num.run_count = r;
        around(r, [&] { solvebol(t, w, r); });
    }
}

}  // namespace kestor::test
