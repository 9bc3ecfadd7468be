// Timing of the sparse Gauss-Jordan solve on systems of 1000 cells shaped
// like the Boltzmann operator: the blocked elimination (with the widest
// vectors of this processor and with the baseline ones) against the same
// elimination swept row after row on the same column-major storage
// (solve_row_order), with the entries updated per second and a check that
// all of them give the same bits.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "common/zeroed.h"
#include "solver/linear.h"
#include "solver/row_order_solve.h"

namespace {

using Clock = std::chrono::steady_clock;
using kestor::SystemMatrix;

template <class Solver>
double best_seconds(Solver solver, const SystemMatrix& source, SystemMatrix& work, std::vector<double>& x, int n,
                    int repeats) {
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) {
        std::memcpy(work.v, source.v, sizeof source.v);
        const auto start = Clock::now();
        solver(x.data(), work, n);
        const std::chrono::duration<double> took = Clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Every entry non-zero, as the operator of a mixture with many low
// thresholds becomes once the elimination has filled it in.
void make_filled_system(SystemMatrix& a, int n) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> u(0.01, 1.0);
    for (int j = 1; j <= n + 1; ++j) {
        for (int i = 1; i <= n; ++i) a(i, j) = -u(rng) / n;
    }
    for (int k = 1; k <= n; ++k) a(k, k) = 2.0;
}

bool time_system(const char* name, const SystemMatrix& source, int n, int repeats) {
    auto work = kestor::make_zeroed<SystemMatrix>();
    auto solve_work = kestor::make_zeroed<kestor::SolveWork>();
    std::vector<int> columns(kestor::kMaxCells + 2, 0);
    std::vector<double> x(n + 2, 0.0), y(n + 2, 0.0), z(n + 2, 0.0);

    std::memcpy(work->v, source.v, sizeof source.v);
    const long long updates = kestor::solve_counted(x.data(), *work, n, *solve_work);

    const double t_auto = best_seconds(
        [&](double* xs, SystemMatrix& a, int m) { kestor::solve(xs, a, m, *solve_work, kestor::SolveIsa::kAuto); },
        source, *work, x, n, repeats);
    auto reduced_auto = kestor::make_zeroed<SystemMatrix>();
    std::memcpy(reduced_auto->v, work->v, sizeof work->v);
    const double t_portable = best_seconds(
        [&](double* xs, SystemMatrix& a, int m) {
            kestor::solve(xs, a, m, *solve_work, kestor::SolveIsa::kPortable);
        },
        source, *work, z, n, repeats);
    auto reduced_portable = kestor::make_zeroed<SystemMatrix>();
    std::memcpy(reduced_portable->v, work->v, sizeof work->v);
    const double t_row = best_seconds(
        [&](double* xs, SystemMatrix& a, int m) { kestor::solve_row_order(xs, a, m, columns.data()); },
        source, *work, y, n, repeats > 3 ? 3 : repeats);

    const bool same_x = std::memcmp(x.data(), y.data(), sizeof(double) * (n + 2)) == 0 &&
                        std::memcmp(z.data(), y.data(), sizeof(double) * (n + 2)) == 0;
    const bool same_a = std::memcmp(reduced_auto->v, work->v, sizeof work->v) == 0 &&
                        std::memcmp(reduced_portable->v, work->v, sizeof work->v) == 0;
    std::printf("%s, n = %d, %lld entries updated (best of %d)\n", name, n, updates, repeats);
    std::printf("  blocked, widest vectors:  %10.3f ms  %8.0f M entries/s\n", t_auto * 1e3, updates / t_auto * 1e-6);
    std::printf("  blocked, baseline:        %10.3f ms  %8.0f M entries/s\n", t_portable * 1e3,
                updates / t_portable * 1e-6);
    std::printf("  row-by-row elimination:   %10.3f ms  %8.0f M entries/s\n", t_row * 1e3, updates / t_row * 1e-6);
    std::printf("  ratio row-by-row / blocked: %8.2f (baseline %.2f)\n", t_row / t_auto, t_row / t_portable);
    std::printf("  bit-identical solution: %s, reduced matrix: %s\n\n", same_x ? "yes" : "NO", same_a ? "yes" : "NO");
    return same_x && same_a;
}

}  // namespace

int main() {
    constexpr int n = kestor::kMaxCells;
    constexpr int repeats = 5;
    auto banded = kestor::make_zeroed<SystemMatrix>();
    kestor::make_operator_system(*banded, n, 2024u);
    auto filled = kestor::make_zeroed<SystemMatrix>();
    make_filled_system(*filled, n);
    const bool ok1 = time_system("operator-shaped system (band, full first row, inelastic couplings)", *banded, n,
                                 repeats);
    const bool ok2 = time_system("filled-in system", *filled, n, repeats);
    return ok1 && ok2 ? 0 : 1;
}
