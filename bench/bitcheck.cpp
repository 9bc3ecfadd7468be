// Bit-identity check of the solver: runs a fixed set of cases and writes
// every stored double of every run (result row, rate, inverse-rate and
// energy-loss coefficients, distribution, cell energies, anisotropy and the
// E/N of the row) as hexadecimal bits, one value per line. A change that
// keeps the numbers of the program must leave this file byte for byte the
// same.
//
//   bitcheck OUT [--data DIR]        write the table to OUT
//   bitcheck OUT --compare REF       write OUT, then compare it with REF
//   bitcheck OUT --portable 1        the same with the baseline vector kernels
//
// DIR holds the real data files; cases that need them are left out (and
// named on standard output) when it is absent.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_cases.h"
#include "common/zeroed.h"
#include "common/fp_mode.h"

namespace {

using kestor::bench::Case;
using kestor::bench::en_series;
using kestor::bench::Gas;

std::vector<Case> cases() {
    using namespace kestor;
    std::vector<Case> v;
    const std::vector<double> series20 = en_series(1.0, 1000.0, 20);
    const std::vector<double> series6 = en_series(3.0, 600.0, 6);
    for (int n : {100, 200, 500, 1000}) {
        v.push_back({"small-series-" + std::to_string(n), Gas::kSmall, n, series20, {}});
    }
    v.push_back({"small-grid1", Gas::kSmall, 150, series6, [](double* c) {
                     c[kCondGridType] = kGridLinear;
                     c[kCondMaxEnergy] = 60;
                 }});
    v.push_back({"small-grid2", Gas::kSmall, 150, series6, [](double* c) {
                     c[kCondGridType] = kGridQuadratic;
                     c[kCondMaxEnergy] = 80;
                 }});
    v.push_back({"small-grid3", Gas::kSmall, 150, {30.0, 300.0}, [](double* c) {
                     c[kCondGridType] = kGridGivenThenEstimated;
                     c[kCondMaxEnergy] = 50;
                 }});
    v.push_back({"small-nogrowth-share2", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondGrowthModel] = kGrowthNone;
                     c[kCondEnergySharing] = kSharingSecondaryAtZero;
                 }});
    v.push_back({"small-spatial-share3", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondGrowthModel] = kGrowthSpatial;
                     c[kCondEnergySharing] = kSharingPrimaryOnly;
                 }});
    v.push_back({"small-frequency", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondFrequency] = 3e-14;
                     c[kCondCosEB] = 0.5;
                 }});
    v.push_back({"small-maxwellian", Gas::kSmall, 200, {10.0, 10.0}, [](double* c) { c[kCondMaxwellEnergy] = 3.0; }});
    v.push_back({"small-exctemp", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondExcTemp] = 5000;
                     c[kCondTransitionEnergy] = 0.1;
                 }});
    v.push_back({"small-ee", Gas::kSmall, 300, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-4;
                     c[kCondPlasmaDensity] = 1e18;
                 }});
    v.push_back({"small-ee-momentum", Gas::kSmall, 300, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-3;
                     c[kCondPlasmaDensity] = 1e18;
                     c[kCondEEMomentum] = kEEMomentumOn;
                 }});
    v.push_back({"small-ei-only", Gas::kSmall, 200, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-5;
                     c[kCondIonCharge] = -1;
                     c[kCondPlasmaDensity] = -5;
                     c[kCondIonMassRatio] = 1;
                 }});
    for (int sub = 1; sub <= 3; ++sub) {
        v.push_back({"small-gradient-" + std::to_string(sub), Gas::kSmall, 250, series6,
                     [sub](double* c) { c[kCondGrowthModel] = bench::gradient_growth_code(sub); }});
    }
    v.push_back({"small-gradient-1-n1000", Gas::kSmall, 1000, {50.0},
                 [](double* c) { c[kCondGrowthModel] = kGrowthGradientTemporal; }});
    v.push_back({"large-200", Gas::kLarge, 200, series6, {}});
    v.push_back({"large-1000", Gas::kLarge, 1000, {20.0, 200.0}, {}});
    v.push_back(
        {"large-spatial", Gas::kLarge, 300, series6, [](double* c) { c[kCondGrowthModel] = kGrowthSpatial; }});
    v.push_back({"large-ee", Gas::kLarge, 300, {5.0, 50.0}, [](double* c) {
                     c[kCondIonDegree] = 1e-5;
                     c[kCondPlasmaDensity] = 1e17;
                 }});
    v.push_back({"large-gradient-2", Gas::kLarge, 300, {10.0, 100.0},
                 [](double* c) { c[kCondGrowthModel] = kGrowthGradientSpatial; }});
    v.push_back({"real-n2", Gas::kRealN2, 400, series6, {}});
    v.push_back({"real-ar-ee", Gas::kRealAr, 300, series6, [](double* c) {
                     c[kCondIonDegree] = 1e-5;
                     c[kCondPlasmaDensity] = 1e17;
                 }});
    return v;
}

std::uint64_t bits(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// FNV-1a over the lines written, for a one-line summary per case.
struct Digest {
    std::uint64_t h = 1469598103934665603ull;
    void add(const std::string& s) {
        for (unsigned char ch : s) {
            h ^= ch;
            h *= 1099511628211ull;
        }
    }
};

void put(std::FILE* out, Digest& d, const std::string& tag, int r, const char* what, int i, double v) {
    char line[160];
    std::snprintf(line, sizeof line, "%s %d %s %d %016llx\n", tag.c_str(), r, what, i,
                  static_cast<unsigned long long>(bits(v)));
    std::fputs(line, out);
    d.add(line);
}

// Every stored value of run r.
void dump_run(std::FILE* out, Digest& d, const kestor::Tables& t, const std::string& tag, int r, int n) {
    const auto& run = t.run;
    put(out, d, tag, r, "en", 1, run.run_conditions[r][1]);
    for (int j = 1; j <= kestor::kNumResults; ++j) put(out, d, tag, r, "result", j, run.run_results[r][j]);
    for (int k = 1; k <= t.num.collision_count; ++k) {
        put(out, d, tag, r, "rate", k, run.run_rate_coef[r][k]);
        put(out, d, tag, r, "inverse", k, run.run_inverse_rate_coef[r][k]);
        put(out, d, tag, r, "loss", k, run.run_energy_loss_coef[r][k]);
    }
    for (int j = 1; j <= n; ++j) {
        put(out, d, tag, r, "eedf", j, run.run_eedf[r][j]);
        put(out, d, tag, r, "energy", j, run.run_eedf_energy[r][j]);
        put(out, d, tag, r, "anisotropy", j, run.run_anisotropy[r][j]);
    }
}

// Digest of the collision tables the case ran on, to tell a changed input
// from a changed solver.
std::uint64_t input_digest(const kestor::Tables& t) {
    Digest d;
    char line[96];
    for (int k = 1; k <= kestor::kMaxCollisions; ++k) {
        const int np = t.col.cs_npoints[k];
        for (int p = 0; p < np && p < kestor::kMaxCsPoints; ++p) {
            std::snprintf(line, sizeof line, "%d %016llx %016llx", k,
                          static_cast<unsigned long long>(bits(t.col.cs_energy[k][p])),
                          static_cast<unsigned long long>(bits(t.col.cs_value[k][p])));
            d.add(line);
        }
    }
    return d.h;
}

int compare(const std::string& out, const std::string& ref) {
    std::ifstream a(out), b(ref);
    if (!b) {
        std::printf("cannot read %s\n", ref.c_str());
        return 2;
    }
    std::string la, lb;
    long line = 0, differ = 0;
    for (;;) {
        const bool ga = static_cast<bool>(std::getline(a, la));
        const bool gb = static_cast<bool>(std::getline(b, lb));
        if (!ga && !gb) break;
        ++line;
        if (ga != gb || la != lb) {
            if (differ < 10) std::printf("line %ld:\n  new %s\n  ref %s\n", line, la.c_str(), lb.c_str());
            ++differ;
        }
    }
    std::printf("%ld lines compared, %ld differ: %s\n", line, differ, differ == 0 ? "IDENTICAL" : "DIFFERENT");
    return differ == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT [--data DIR] [--compare REF]\n", argv[0]);
        return 2;
    }
    kestor::set_floating_point_mode();
    const std::string out_name = argv[1];
    std::filesystem::path data = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "shared" / "data";
    std::string ref;
    bool portable = false;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--data") == 0) data = argv[i + 1];
        if (std::strcmp(argv[i], "--compare") == 0) ref = argv[i + 1];
        if (std::strcmp(argv[i], "--portable") == 0) portable = std::strcmp(argv[i + 1], "0") != 0;
    }

    std::FILE* out = std::fopen(out_name.c_str(), "w");
    if (out == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", out_name.c_str());
        return 2;
    }
    const kestor::bench::GasFiles files(data);
    for (const Case& c : cases()) {
        auto t = kestor::make_tables();
        auto w = kestor::make_solver_work();
        if (portable) w->kernel_isa = kestor::SolveIsa::kPortable;
        const int runs = static_cast<int>(c.en_td.size());
        if (!kestor::bench::load_gas(*t, files, c.gas, runs)) {
            std::printf("%-28s skipped (no data)\n", c.name.c_str());
            continue;
        }
        Digest d;
        kestor::bench::run_case(*t, *w, c, [&](int r, auto solve) {
            solve();
            dump_run(out, d, *t, c.name, r, c.n);
        });
        std::printf("%-28s runs %3d  input %016llx  output %016llx\n", c.name.c_str(), runs,
                    static_cast<unsigned long long>(input_digest(*t)), static_cast<unsigned long long>(d.h));
    }
    std::fclose(out);
    return ref.empty() ? 0 : compare(out_name, ref);
}
