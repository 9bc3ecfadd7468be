// The row-after-row elimination and the operator-shaped systems it is
// compared with `solve` on.
#include "solver/row_order_solve.h"

#include <cmath>
#include <random>

namespace kestor {

void solve_row_order(double* x, SystemMatrix& a, int n, int* columns) {
    if (n < 1 || n > kMaxCells) return;
    for (int k = 1; k <= n; ++k) {
        int listed = 0;
        for (int j = k + 1; j <= n + 1; ++j) {
            if (a(k, j) != 0.0) columns[++listed] = j;
        }
        if (a(k, k) == 0.0) continue;
        for (int i = 1; i <= n; ++i) {
            if (i == k || a(i, k) == 0.0) continue;
            const double r = a(i, k) / a(k, k);
            for (int l = 1; l <= listed; ++l) {
                const int j = columns[l];
                a(i, j) = a(i, j) - r * a(k, j);
            }
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (a(i, i) != 0.0) x[i] = a(i, n + 1) / a(i, i);
    }
}

void make_operator_system(SystemMatrix& a, int n, std::uint64_t seed) {
    // Entries of the band and the couplings, and the relative sizes of the
    // gains below (excitation) and above (superelastic) a cell.
    constexpr int kOffsets = 3;
    constexpr double kExcitationGain = 0.3;
    constexpr double kSuperelasticGain = 0.01;
    constexpr double kNormalisation = 0.05;
    constexpr double kSource = 0.01;
    constexpr int kSourceSpacing = 7;
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    for (int j = 1; j <= n + 1; ++j) {
        for (int i = 1; i <= n; ++i) a(i, j) = 0.0;
    }
    auto add = [&](int i, int j, double v) {
        if (i >= 1 && i <= n && j >= 1 && j <= n) a(i, j) += v;
    };
    for (int i = 1; i <= n; ++i) {
        add(i, i - 1, -u(rng));
        add(i, i + 1, -u(rng));
    }
    std::uniform_int_distribution<int> pick(1, n > 2 ? n / 2 : 1);
    for (int e = 0; e < kOffsets; ++e) {
        const int s = pick(rng);
        for (int c = 1; c <= n; ++c) {
            if (c - s >= 1) add(c - s, c, -kExcitationGain * u(rng));
            if (c + s <= n) add(c + s, c, -kSuperelasticGain * u(rng));
        }
    }
    for (int k = 1; k <= n; ++k) a(1, k) = kNormalisation * u(rng);
    for (int k = 1; k <= n; ++k) {
        double s = 0.0;
        for (int i = 1; i <= n; ++i) {
            if (i != k) s += std::fabs(a(i, k));
        }
        a(k, k) = s + u(rng);
    }
    a(1, n + 1) = 1.0;
    for (int i = 2; i <= n; i += kSourceSpacing) a(i, n + 1) = kSource * u(rng);
}

}  // namespace kestor
