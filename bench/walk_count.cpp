// Exponentials of the collision walk: after a run has converged, one more
// pass of the collision integrals is made with the exponential function
// counted (this program's own `exp` stands in front of the library's) and
// the walk's piece counters on. Reported per pass: the pieces integrated
// with the exponential shape, their distinct ends per cell (the fewest
// exponentials an exact evaluation needs, each end once), the exponentials
// computed (including the two per cell at the cell edges that every process
// shares), and the two per piece an evaluation piece by piece would take;
// then the time of one pass of the collision integrals (best of several).
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "tests/support/run_cases.h"
#include "common/zeroed.h"
#include "common/fp_mode.h"
#include "solver/cross_sections.h"

namespace {
bool g_count = false;
long long g_exponentials = 0;
using ExpFn = double (*)(double);

ExpFn library_exp() {
    static const ExpFn f = reinterpret_cast<ExpFn>(dlsym(RTLD_NEXT, "exp"));
    return f;
}
}  // namespace

extern "C" double exp(double x) {
    if (g_count) ++g_exponentials;
    return library_exp()(x);
}

int main() {
    using namespace kestor;
    using kestor::test::Case;
    using kestor::test::Gas;
    set_floating_point_mode();
    const kestor::test::GasFiles files;
    const Case cases[] = {
        {"small n=100", Gas::kSmall, 100, {100.0}, {}},  {"small n=1000", Gas::kSmall, 1000, {100.0}, {}},
        {"large n=200", Gas::kLarge, 200, {50.0}, {}},   {"large n=1000", Gas::kLarge, 1000, {50.0}, {}},
        {"large n=200 10 Td", Gas::kLarge, 200, {10.0}, {}},
    };
    std::printf("%-20s %10s %10s %12s %12s %8s %10s\n", "case", "pieces", "ends", "exp now", "exp before", "now/end",
                "ms/pass");
    for (const Case& c : cases) {
        auto t = make_tables();
        auto w = make_solver_work();
        if (!kestor::test::load_gas(*t, files, c.gas, 1)) continue;
        kestor::test::run_case(*t, *w, c, [](int, auto solve) { solve(); });
        w->profile.enabled = 1;
        g_exponentials = 0;
        g_count = true;
        collision_integrals(*t, *w);
        g_count = false;
        const long long pieces = w->profile.walk_pieces;
        const long long ends = w->profile.walk_piece_ends;
        w->profile.enabled = 0;
        double best = 1e300;
        for (int rep = 0; rep < 30; ++rep) {
            const auto start = std::chrono::steady_clock::now();
            collision_integrals(*t, *w);
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::printf("%-20s %10lld %10lld %12lld %12lld %8.3f %10.3f\n", c.name.c_str(), pieces, ends,
                    g_exponentials, 2 * pieces, ends > 0 ? static_cast<double>(g_exponentials) / ends : 0.0,
                    best * 1e3);
    }
    return 0;
}
