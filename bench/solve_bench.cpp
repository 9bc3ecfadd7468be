// Timing of the sparse Gauss-Jordan solve on an operator-shaped system of
// 1000 cells: the column-wise elimination against the same elimination
// swept row after row on the same column-major storage.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/zeroed.h"
#include "solver/linear.h"
#include "tests/unit/solver/reference_solve.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Solver>
double best_seconds(Solver solver, const kestor::SystemMatrix& source, kestor::SystemMatrix& work,
                    std::vector<double>& x, int n, int repeats) {
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

}  // namespace

int main() {
    constexpr int n = kestor::kMaxCells;
    constexpr int repeats = 5;
    auto source = kestor::make_zeroed<kestor::SystemMatrix>();
    auto work_a = kestor::make_zeroed<kestor::SystemMatrix>();
    auto work_b = kestor::make_zeroed<kestor::SystemMatrix>();
    kestor::testing::make_operator_system(*source, n, 2024u);

    std::vector<double> x(n + 2, 0.0), y(n + 2, 0.0);
    auto solve_work = kestor::make_zeroed<kestor::SolveWork>();
    std::vector<int> ja(kestor::kMaxCells + 2, 0);
    const double t_column = best_seconds(
        [&](double* xs, kestor::SystemMatrix& a, int m) { kestor::solve(xs, a, m, *solve_work); }, *source,
        *work_a, x, n, repeats);
    const double t_row = best_seconds(
        [&](double* xs, kestor::SystemMatrix& a, int m) { kestor::testing::solve_row_order(xs, a, m, ja.data()); },
        *source, *work_b, y, n, repeats);

    const bool same_x = std::memcmp(x.data(), y.data(), sizeof(double) * (n + 2)) == 0;
    const bool same_a = std::memcmp(work_a->v, work_b->v, sizeof work_a->v) == 0;
    std::printf("solve, n = %d, operator-shaped system (best of %d)\n", n, repeats);
    std::printf("  column-wise elimination: %10.3f ms\n", t_column * 1e3);
    std::printf("  row-by-row elimination:  %10.3f ms\n", t_row * 1e3);
    std::printf("  ratio:                   %10.2f\n", t_row / t_column);
    std::printf("  bit-identical solution: %s, reduced matrix: %s\n", same_x ? "yes" : "NO",
                same_a ? "yes" : "NO");
    return same_x && same_a ? 0 : 1;
}
