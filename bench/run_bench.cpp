// Timing of whole solver runs: time per run and per iteration, the shares of
// the walk (collision integrals), of solve and of the rest, and the
// throughput of solve (entries updated per second) against a plain in-cache
// loop a[i] -= r * b[i] timed in the same process. Then the memory and
// allocation checks:
//   - peak resident memory of a 20-run series of the small gas, each in a
//     fresh process (this program started again with --memory N);
//   - calls of malloc, calloc, realloc and the aligned allocators (operator
//     new goes through malloc) made during solvebol, counted by the
//     allocator replacements below; the figure must be 0.
//
//   run_bench             all cases
//   run_bench --quick     one repetition per case
//   run_bench TEXT        only the cases whose name contains TEXT
//   run_bench --memory N  (internal) peak memory of the series at N cells
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/run_cases.h"
#include "common/zeroed.h"
#include "common/fp_mode.h"

// ---------------------------------------------------------------------------
// Counting allocator: forwards to the C library, counts while armed.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {
bool g_count_allocations = false;
long long g_allocations = 0;
inline void note_allocation() {
    if (g_count_allocations) ++g_allocations;
}
}  // namespace

extern "C" {
void* malloc(std::size_t n) {
    note_allocation();
    return __libc_malloc(n);
}
void* calloc(std::size_t m, std::size_t n) {
    note_allocation();
    return __libc_calloc(m, n);
}
void* realloc(void* p, std::size_t n) {
    note_allocation();
    return __libc_realloc(p, n);
}
void* aligned_alloc(std::size_t a, std::size_t n) {
    note_allocation();
    return __libc_memalign(a, n);
}
void* memalign(std::size_t a, std::size_t n) {
    note_allocation();
    return __libc_memalign(a, n);
}
int posix_memalign(void** p, std::size_t a, std::size_t n) {
    note_allocation();
    *p = __libc_memalign(a, n);
    return *p == nullptr ? 12 : 0;
}
void free(void* p) { __libc_free(p); }
}

namespace {

using kestor::test::Case;
using kestor::test::en_series;
using kestor::test::Gas;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------------------
// The reference loop.
constexpr int kPlainLength = 1000;  // 8 kB per array: in L1

// Loops start on a 64-byte boundary: a loop body that straddles one can run
// at half speed, which would make the reference depend on the code layout.
#define KESTOR_REFERENCE_LOOP __attribute__((noinline, optimize("align-loops=64")))

KESTOR_REFERENCE_LOOP void plain_update(double* a, const double* b, double r, int n) {
    for (int i = 0; i < n; ++i) a[i] -= r * b[i];
}

using Pair = double __attribute__((vector_size(16)));

// The same loop two entries at a time (what the vector unit gives without
// any wider instruction set).
KESTOR_REFERENCE_LOOP void pair_update(double* a, const double* b, double r, int n) {
    const Pair rv = {r, r};
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        Pair x, y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        x = x - rv * y;
        std::memcpy(a + i, &x, sizeof x);
    }
    for (; i < n; ++i) a[i] -= r * b[i];
}

// Entries per second of one of the loops, best of several timings (about
// 20 ms), taken next to each case so that both see the same clock rate.
template <class Loop>
double loop_rate(Loop loop) {
    // Both arrays in one buffer, a on a cache line, b 8320 bytes after it:
    // not a multiple of the 4 kB page, where loads would wait for unrelated
    // stores.
    std::vector<double> buffer(2 * kPlainLength + 64, 1.0);
    double* a = buffer.data();
    while (reinterpret_cast<std::uintptr_t>(a) % 64 != 0) ++a;
    double* b = a + kPlainLength + 40;
    for (int i = 0; i < kPlainLength; ++i) b[i] = 1.0 + 1e-3 * i;
    constexpr int kReps = 4000;
    double best = 1e300;
    for (int trial = 0; trial < 5; ++trial) {
        const auto start = Clock::now();
        for (int rep = 0; rep < kReps; ++rep) loop(a, b, 1e-9, kPlainLength);
        best = std::min(best, seconds_since(start));
    }
    if (a[0] == 42.0) std::printf(" ");  // keep the result alive
    return static_cast<double>(kReps) * kPlainLength / best;
}

// ---------------------------------------------------------------------------
// Benchmark cases.

std::vector<Case> bench_cases() {
    using namespace kestor;
    std::vector<Case> v;
    const std::vector<double> series20 = en_series(1.0, 1000.0, 20);
    for (int n : {100, 200, 500, 1000}) {
        v.push_back({"small n=" + std::to_string(n) + " one run", Gas::kSmall, n, {100.0}, {}});
        v.push_back({"small n=" + std::to_string(n) + " series 20", Gas::kSmall, n, series20, {}});
    }
    for (int n : {200, 1000}) {
        v.push_back({"large n=" + std::to_string(n) + " one run", Gas::kLarge, n, {50.0}, {}});
        v.push_back({"large n=" + std::to_string(n) + " series 5", Gas::kLarge, n, en_series(10.0, 500.0, 5), {}});
    }
    const auto ee = [](double* c) {
        c[kCondIonDegree] = 1e-4;
        c[kCondPlasmaDensity] = 1e18;
    };
    const auto ee_momentum = [](double* c) {
        c[kCondIonDegree] = 1e-3;
        c[kCondPlasmaDensity] = 1e18;
        c[kCondEEMomentum] = kEEMomentumOn;
    };
    for (int n : {200, 1000}) {
        v.push_back({"small e-e n=" + std::to_string(n), Gas::kSmall, n, {20.0}, ee});
        v.push_back({"small e-e momentum n=" + std::to_string(n), Gas::kSmall, n, {20.0}, ee_momentum});
    }
    for (int n : {200, 1000}) {
        for (int sub = 1; sub <= 3; ++sub) {
            v.push_back({"small gradient " + std::to_string(sub) + " n=" + std::to_string(n), Gas::kSmall, n,
                         {100.0}, [sub](double* c) { c[kCondGrowthModel] = test::gradient_growth_code(sub); }});
        }
    }
    v.push_back({"large gradient 1 n=1000", Gas::kLarge, 1000, {50.0},
                 [](double* c) { c[kCondGrowthModel] = kGrowthGradientTemporal; }});
    return v;
}

struct PassFigures {
    double total = 0.0;   // seconds in solvebol
    double walk = 0.0;
    double solve = 0.0;
    long long iterations = 0;
    long long solve_calls = 0;
};

// One pass over the runs of a case with the profile as set in w.
PassFigures one_pass(kestor::Tables& t, kestor::SolverWork& w, const Case& c) {
    PassFigures f;
    kestor::SolverProfile& prof = w.profile;
    prof.walk_seconds = 0.0;
    prof.solve_seconds = 0.0;
    prof.solve_calls = 0;
    prof.solve_updates = 0;
    kestor::test::run_case(t, w, c, [&](int r, auto solve) {
        g_count_allocations = true;
        const auto start = Clock::now();
        solve();
        f.total += seconds_since(start);
        g_count_allocations = false;
        f.iterations += static_cast<long long>(t.run.run_results[r][kestor::kResIterations]);
    });
    f.walk = prof.walk_seconds;
    f.solve = prof.solve_seconds;
    f.solve_calls = prof.solve_calls;
    return f;
}

struct CaseFigures {
    PassFigures best;
    long long updates = 0;  // entries updated by solve in one pass
    int runs = 0;
    int failed = 0;
};

CaseFigures measure(const kestor::test::GasFiles& files, const Case& c, double min_seconds, int min_passes) {
    CaseFigures out;
    auto t = kestor::make_tables();
    auto w = kestor::make_solver_work();
    out.runs = static_cast<int>(c.en_td.size());
    if (!kestor::test::load_gas(*t, files, c.gas, out.runs)) return out;

    // Warm-up: the first touch of the work area's pages.
    one_pass(*t, *w, c);
    // Entries updated by solve.
    w->profile.enabled = 1;
    w->profile.count_updates = 1;
    one_pass(*t, *w, c);
    out.updates = w->profile.solve_updates;
    w->profile.count_updates = 0;

    double spent = 0.0;
    out.best.total = 1e300;
    for (int pass = 0; pass < min_passes || spent < min_seconds; ++pass) {
        const PassFigures f = one_pass(*t, *w, c);
        spent += f.total;
        if (f.total < out.best.total) out.best = f;
        if (pass > 200) break;
    }
    for (int r = 1; r <= out.runs; ++r) {
        if (!kestor::test::succeeded(*t, r)) ++out.failed;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Memory of a 20-run series of the small gas in this process.

int memory_mode(int n) {
    const kestor::test::GasFiles files;
    auto t = kestor::make_tables();
    auto w = kestor::make_solver_work();
    const Case c{"memory", Gas::kSmall, n, en_series(1.0, 1000.0, 20), {}};
    if (!kestor::test::load_gas(*t, files, c.gas, 20)) return 1;
    kestor::test::run_case(*t, *w, c, [](int, auto solve) { solve(); });
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("%ld\n", u.ru_maxrss);  // kB
    return 0;
}

long peak_kb_of_series(const char* self, int n) {
    const std::string cmd = std::string(self) + " --memory " + std::to_string(n);
    std::FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    long kb = -1;
    if (std::fscanf(p, "%ld", &kb) != 1) kb = -1;
    pclose(p);
    return kb;
}

}  // namespace

int main(int argc, char** argv) {
    kestor::set_floating_point_mode();
    bool quick = false;
    std::string filter;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--memory") == 0 && i + 1 < argc) return memory_mode(std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else {
            filter = argv[i];
        }
    }

    std::printf("plain: the loop a[i] -= r*b[i] over %d entries in L1, as this build compiles it (M entries/s);\n"
                "pair: the same loop two entries per vector operation; both timed next to each case.\n\n",
                kPlainLength);
    std::printf("%-28s %4s %5s %9s %9s %6s %6s %6s %9s %7s %7s %6s %6s\n", "case", "runs", "iters", "ms/run",
                "ms/iter", "walk%", "solve%", "rest%", "solve M/s", "plain", "pair", "/plain", "/pair");
    const kestor::test::GasFiles files;
    long long allocations = 0;
    for (const Case& c : bench_cases()) {
        if (c.name.find(filter) == std::string::npos) continue;
        g_allocations = 0;
        const double plain = loop_rate(plain_update);
        const double pair = loop_rate(pair_update);
        const CaseFigures f = measure(files, c, quick ? 0.0 : 0.5, quick ? 1 : 3);
        allocations += g_allocations;
        const PassFigures& b = f.best;
        if (b.iterations == 0) {
            std::printf("%-28s skipped\n", c.name.c_str());
            continue;
        }
        const double rate = b.solve > 0.0 ? static_cast<double>(f.updates) / b.solve : 0.0;
        std::printf("%-28s %4d %5lld %9.3f %9.4f %6.1f %6.1f %6.1f %9.0f %7.0f %7.0f %6.2f %6.2f%s\n",
                    c.name.c_str(), f.runs, b.iterations, 1e3 * b.total / f.runs,
                    1e3 * b.total / static_cast<double>(b.iterations), 100.0 * b.walk / b.total,
                    100.0 * b.solve / b.total, 100.0 * (b.total - b.walk - b.solve) / b.total, rate * 1e-6,
                    plain * 1e-6, pair * 1e-6, rate / plain, rate / pair, f.failed > 0 ? "  (failed runs)" : "");
    }

    std::printf("\nallocations inside solvebol over all cases: %lld\n", allocations);
    if (!filter.empty()) return allocations == 0 ? 0 : 1;
    for (int n : {100, 1000}) {
        const long kb = peak_kb_of_series(argv[0], n);
        std::printf("peak resident memory, 20-run small-gas series at n=%d: %.1f MB\n", n, kb / 1024.0);
    }
    return allocations == 0 ? 0 : 1;
}
