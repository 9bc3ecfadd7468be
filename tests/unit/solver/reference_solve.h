// Reference eliminations and operator-shaped test systems for the sparse
// Gauss-Jordan solver (shared by its unit tests and its benchmark).
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "solver/work.h"

namespace kestor::testing {

// The elimination written row after row: for each pivot, each row with a
// non-zero entry in the pivot column is updated over the listed columns.
// With skip_zero_pivots a pivot that is exactly zero eliminates nothing,
// as solve does; otherwise its factors are divisions by zero.
inline void solve_row_order(double* x, SystemMatrix& a, int n, int* ja, bool skip_zero_pivots = false) {
    if (n < 1) return;
    for (int i = 1; i <= n; ++i) ja[i] = 0;
    for (int k = 1; k <= n; ++k) {
        int listed = 0;
        for (int j = k + 1; j <= n + 1; ++j) {
            if (a(k, j) != 0.0) ja[++listed] = j;
        }
        if (skip_zero_pivots && a(k, k) == 0.0) continue;
        for (int i = 1; i <= n; ++i) {
            if (i == k || a(i, k) == 0.0) continue;
            const double r = a(i, k) / a(k, k);
            for (int l = 1; l <= listed; ++l) {
                const int j = ja[l];
                a(i, j) = a(i, j) - r * a(k, j);
            }
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (a(i, i) != 0.0) x[i] = a(i, n + 1) / a(i, i);
    }
}

// Dense Gaussian elimination with partial pivoting on a copy of rows and
// columns 1..n (right-hand side n+1); returns x[1..n].
inline std::vector<double> solve_dense(const SystemMatrix& a, int n) {
    std::vector<std::vector<double>> m(n + 1, std::vector<double>(n + 2, 0.0));
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n + 1; ++j) m[i][j] = a(i, j);
    }
    for (int k = 1; k <= n; ++k) {
        int best = k;
        for (int i = k + 1; i <= n; ++i) {
            if (std::fabs(m[i][k]) > std::fabs(m[best][k])) best = i;
        }
        std::swap(m[k], m[best]);
        for (int i = k + 1; i <= n; ++i) {
            const double r = m[i][k] / m[k][k];
            if (r == 0.0) continue;
            for (int j = k; j <= n + 1; ++j) m[i][j] -= r * m[k][j];
        }
    }
    std::vector<double> x(n + 1, 0.0);
    for (int i = n; i >= 1; --i) {
        double s = m[i][n + 1];
        for (int j = i + 1; j <= n; ++j) s -= m[i][j] * x[j];
        x[i] = s / m[i][i];
    }
    return x;
}

// A system shaped like the Boltzmann operator of n cells: a tridiagonal
// flux band, inelastic losses with gains a random offset lower and
// superelastic gains the same offset higher (three offsets), a full normalisation row 1 and
// a right-hand side with the normalisation and a few sources. Each
// diagonal dominates its column.
inline void make_operator_system(SystemMatrix& a, int n, std::uint64_t seed) {
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
    for (int e = 0; e < 3; ++e) {
        const int s = pick(rng);
        for (int c = 1; c <= n; ++c) {
            if (c - s >= 1) add(c - s, c, -0.3 * u(rng));  // excitation gain below
            if (c + s <= n) add(c + s, c, -0.01 * u(rng)); // superelastic gain above
        }
    }
    for (int k = 1; k <= n; ++k) a(1, k) = 0.05 * u(rng);
    for (int k = 1; k <= n; ++k) {
        double s = 0.0;
        for (int i = 1; i <= n; ++i) {
            if (i != k) s += std::fabs(a(i, k));
        }
        a(k, k) = s + u(rng);
    }
    a(1, n + 1) = 1.0;
    for (int i = 2; i <= n; i += 7) a(i, n + 1) = 0.01 * u(rng);
}

}  // namespace kestor::testing
