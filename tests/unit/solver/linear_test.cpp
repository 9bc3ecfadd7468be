// Sparse Gauss-Jordan solve, Thomas algorithm and exponential fitting.
#include "solver/linear.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/zeroed.h"
#include "solver/row_order_solve.h"

namespace kestor {

const char* isa_name(SolveIsa isa) { return isa == SolveIsa::kPortable ? "portable" : "auto"; }

// Parameters name their instruction set in test output.
void PrintTo(SolveIsa isa, std::ostream* os) { *os << isa_name(isa); }

namespace {

struct Systems {
    ZeroedPtr<SystemMatrix> a = make_zeroed<SystemMatrix>();
    ZeroedPtr<SystemMatrix> b = make_zeroed<SystemMatrix>();
    std::vector<int> columns = std::vector<int>(kMaxCells + 2, 0);  // for the row-order sweep
    ZeroedPtr<SolveWork> work = make_zeroed<SolveWork>();
};

// Dense Gaussian elimination with partial pivoting on a copy of rows and
// columns 1..n (right-hand side n+1); returns x[1..n].
std::vector<double> solve_dense(const SystemMatrix& a, int n) {
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

bool same_bits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

// Bit for bit, except that any two NaNs agree: which operand's NaN a product
// passes on is the compiler's choice of operand order, not arithmetic.
bool same_value(double x, double y) { return same_bits(x, y) || (std::isnan(x) && std::isnan(y)); }

// Both builds of the update kernels must give the row-order bits.
constexpr SolveIsa kIsas[] = {SolveIsa::kAuto, SolveIsa::kPortable};

// Solves s.a with `solve` and s.b with the row-by-row sweep; the reduced
// matrices (all their storage) and the solutions must agree bit for bit.
void expect_row_order_bits(Systems& s, int n, SolveIsa isa, double x0) {
    std::vector<double> x(n + 2, x0), y(n + 2, x0);
    solve(x.data(), *s.a, n, *s.work, isa);
    solve_row_order(y.data(), *s.b, n, s.columns.data());
    for (int i = 0; i <= n + 1; ++i) {
        ASSERT_TRUE(same_value(x[i], y[i])) << "n=" << n << " " << isa_name(isa) << " x(" << i << ")";
    }
    for (int j = 0; j <= kMaxCells + 1; ++j) {
        for (int i = 0; i <= kMaxCells; ++i) {
            ASSERT_TRUE(same_value((*s.a)(i, j), (*s.b)(i, j)))
                << "n=" << n << " " << isa_name(isa) << " (" << i << "," << j << ") " << (*s.a)(i, j) << " "
                << (*s.b)(i, j);
        }
    }
}

std::string size_and_isa_name(const ::testing::TestParamInfo<std::tuple<int, SolveIsa>>& info) {
    return "n" + std::to_string(std::get<0>(info.param)) + "_" + isa_name(std::get<1>(info.param));
}

class SolveSizes : public ::testing::TestWithParam<std::tuple<int, SolveIsa>> {};

// The blocked elimination gives the same bits as the row-by-row order, in
// the solution and in every entry of the reduced matrix, and agrees with a
// dense elimination with pivoting.
TEST_P(SolveSizes, MatchesRowOrderBitForBitAndDenseElimination) {
    const auto [n, isa] = GetParam();
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        Systems s;
        make_operator_system(*s.a, n, seed + 100u * n);
        std::memcpy(s.b->v, s.a->v, sizeof s.a->v);
        const std::vector<double> dense = solve_dense(*s.a, n);

        std::vector<double> x(n + 2, -7.0), y(n + 2, -7.0);
        solve(x.data(), *s.a, n, *s.work, isa);
        solve_row_order(y.data(), *s.b, n, s.columns.data());

        for (int i = 1; i <= n; ++i) {
            ASSERT_TRUE(same_bits(x[i], y[i])) << "n=" << n << " i=" << i;
            EXPECT_NEAR(x[i], dense[i], 1e-10 * std::fabs(dense[i]) + 1e-14) << "n=" << n << " i=" << i;
        }
        for (int j = 1; j <= n + 1; ++j) {
            for (int i = 1; i <= n; ++i) {
                ASSERT_TRUE(same_bits((*s.a)(i, j), (*s.b)(i, j))) << "n=" << n << " (" << i << "," << j << ")";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OperatorShaped, SolveSizes,
                         ::testing::Combine(::testing::Values(1, 2, 3, 10, 100, 1000),
                                            ::testing::ValuesIn(kIsas)),
                         size_and_isa_name);

// Scattered non-zeros (several densities, sizes across the pivot blocks and
// the row chunks, negative entries and zero right-hand sides): still the
// row-order bits.
TEST(SolveScattered, MatchesRowOrderBitForBit) {
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    for (int n : {4, 5, 15, 16, 17, 31, 33, 64, 101, 158}) {
        for (double density : {0.05, 0.3, 0.8, 1.0}) {
            for (SolveIsa isa : kIsas) {
                Systems s;
                for (int j = 1; j <= n + 1; ++j) {
                    for (int i = 1; i <= n; ++i) (*s.a)(i, j) = coin(rng) < density ? u(rng) : 0.0;
                }
                for (int k = 1; k <= n; ++k) {
                    double sum = 0.0;
                    for (int i = 1; i <= n; ++i) sum += i == k ? 0.0 : std::fabs((*s.a)(i, k));
                    (*s.a)(k, k) = (coin(rng) < 0.5 ? -1.0 : 1.0) * (sum + 0.5);
                }
                std::memcpy(s.b->v, s.a->v, sizeof s.a->v);
                expect_row_order_bits(s, n, isa, 3.0);
            }
        }
    }
}

// Entries the fast paths must not disturb: negative zeros, subnormal and
// huge values, infinities, NaNs, zero pivots inside a block and a matrix
// whose rows below n hold values of an earlier, larger system.
TEST(SolveSpecialValues, MatchesRowOrderBitForBit) {
    const double specials[] = {-0.0,
                               0.0,
                               std::numeric_limits<double>::denorm_min(),
                               -4.9e-320,
                               1e300,
                               -1e-300,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(specials)) - 1);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    for (int n : {9, 18, 37, 70}) {
        for (SolveIsa isa : kIsas) {
            Systems s;
            for (int j = 1; j <= kMaxCells + 1; ++j) {
                for (int i = 1; i <= kMaxCells; ++i) (*s.a)(i, j) = i > n || j > n + 1 ? u(rng) : 0.0;
            }
            for (int j = 1; j <= n + 1; ++j) {
                for (int i = 1; i <= n; ++i) {
                    const double c = coin(rng);
                    if (c < 0.6) (*s.a)(i, j) = u(rng);
                    else if (c < 0.7) (*s.a)(i, j) = specials[pick(rng)];
                }
                if (j <= n) (*s.a)(j, j) = coin(rng) < 0.1 ? 0.0 : 4.0 + u(rng);
            }
            std::memcpy(s.b->v, s.a->v, sizeof s.a->v);
            expect_row_order_bits(s, n, isa, -5.0);
        }
    }
}

// A filled-in operator, every entry non-zero, on sizes that end inside a
// row chunk and inside a pivot block.
TEST(SolveFilledIn, MatchesRowOrderBitForBit) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> u(0.01, 1.0);
    for (int n : {203, 997}) {
        for (SolveIsa isa : kIsas) {
            Systems s;
            for (int j = 1; j <= n + 1; ++j) {
                for (int i = 1; i <= n; ++i) (*s.a)(i, j) = -u(rng) / n;
            }
            for (int k = 1; k <= n; ++k) (*s.a)(k, k) = 2.0;
            std::memcpy(s.b->v, s.a->v, sizeof s.a->v);
            expect_row_order_bits(s, n, isa, 0.0);
        }
    }
}

TEST(Solve, SingleEquation) {
    Systems s;
    (*s.a)(1, 1) = 4.0;
    (*s.a)(1, 2) = 2.0;
    double x[3] = {0.0, -1.0, 0.0};
    solve(x, *s.a, 1, *s.work);
    EXPECT_EQ(x[1], 0.5);

    (*s.a)(1, 1) = 0.0;
    x[1] = -1.0;
    solve(x, *s.a, 1, *s.work);
    EXPECT_EQ(x[1], -1.0);  // zero pivot: previous value kept
}

TEST(Solve, DiagonalSystemTouchesNoOtherEntry) {
    Systems s;
    const int n = 5;
    for (int i = 1; i <= n; ++i) {
        (*s.a)(i, i) = i;
        (*s.a)(i, n + 1) = 3.0 * i;
    }
    std::memcpy(s.b->v, s.a->v, sizeof s.a->v);
    double x[7] = {};
    solve(x, *s.a, n, *s.work);
    for (int i = 1; i <= n; ++i) EXPECT_EQ(x[i], 3.0);
    EXPECT_EQ(std::memcmp(s.a->v, s.b->v, sizeof s.a->v), 0);
}

TEST(Solve, ZeroRightHandSideInPivotRowLeavesOtherRows) {
    Systems s;
    // Row 1 couples to row 2 but has a zero right-hand side: at pivot 1 the
    // right-hand side of row 2 is not changed.
    (*s.a)(1, 1) = 2.0;
    (*s.a)(1, 2) = 1.0;
    (*s.a)(2, 1) = 1.0;
    (*s.a)(2, 2) = 3.0;
    (*s.a)(2, 3) = 5.0;
    double x[4] = {};
    solve(x, *s.a, 2, *s.work);
    EXPECT_EQ((*s.a)(2, 3), 5.0);
    EXPECT_NEAR(x[1], -1.0, 1e-15);
    EXPECT_NEAR(x[2], 2.0, 1e-15);
}

TEST(Solve, OffDiagonalEntriesKeepTheirValueAtTheirPivot) {
    Systems s;
    const int n = 3;
    const double m[3][4] = {{4, 1, 0, 1}, {1, 4, 1, 2}, {0, 1, 4, 3}};
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n + 1; ++j) (*s.a)(i, j) = m[i - 1][j - 1];
    }
    double x[5] = {};
    solve(x, *s.a, n, *s.work);
    // Column 1 is never updated; column 2 at pivot 1 only.
    EXPECT_EQ((*s.a)(2, 1), 1.0);
    EXPECT_EQ((*s.a)(3, 1), 0.0);
    EXPECT_EQ((*s.a)(1, 2), 1.0);
    EXPECT_EQ((*s.a)(3, 2), 1.0);
    EXPECT_EQ((*s.a)(2, 2), 4.0 - 0.25);
    // Exact solution of the tridiagonal system.
    EXPECT_NEAR(x[1], 5.0 / 28.0, 1e-15);
    EXPECT_NEAR(x[2], 2.0 / 7.0, 1e-15);
    EXPECT_NEAR(x[3], 19.0 / 28.0, 1e-15);
}

TEST(Solve, ZeroFinalDiagonalKeepsThatSolutionEntry) {
    Systems s;
    // Rows 2 and 3 decouple from row 1; row 2 has a zero diagonal after all.
    (*s.a)(1, 1) = 2.0;
    (*s.a)(1, 4) = 4.0;
    (*s.a)(2, 2) = 0.0;
    (*s.a)(2, 4) = 1.0;
    (*s.a)(3, 3) = 5.0;
    (*s.a)(3, 4) = 10.0;
    double x[5] = {0.0, -1.0, -2.0, -3.0, 0.0};
    solve(x, *s.a, 3, *s.work);
    EXPECT_EQ(x[1], 2.0);
    EXPECT_EQ(x[2], -2.0);
    EXPECT_EQ(x[3], 2.0);
}

// A zero pivot with non-zero entries below it is skipped: nothing is
// divided by zero, the other unknowns stay finite.
TEST(Solve, ZeroPivotWithCouplingsIsSkipped) {
    Systems s;
    (*s.a)(1, 1) = 0.0;
    (*s.a)(1, 2) = 1.0;
    (*s.a)(1, 4) = 1.0;
    (*s.a)(2, 1) = 1.0;
    (*s.a)(2, 2) = 2.0;
    (*s.a)(2, 4) = 3.0;
    (*s.a)(3, 1) = 1.0;
    (*s.a)(3, 3) = 4.0;
    (*s.a)(3, 4) = 8.0;
    double x[5] = {0.0, -1.0, -1.0, -1.0, 0.0};
    solve(x, *s.a, 3, *s.work);
    EXPECT_EQ(x[1], -1.0);
    EXPECT_TRUE(std::isfinite(x[2]));
    EXPECT_TRUE(std::isfinite(x[3]));
    for (int j = 1; j <= 4; ++j) {
        for (int i = 1; i <= 3; ++i) EXPECT_TRUE(std::isfinite((*s.a)(i, j)));
    }
}

TEST(Solve, FullSizeUsesRightHandSideColumn1001) {
    Systems s;
    const int n = kMaxCells;
    for (int i = 1; i <= n; ++i) {
        (*s.a)(i, i) = 2.0;
        (*s.a)(i, n + 1) = 1.0;
    }
    std::vector<double> x(n + 2, 0.0);
    solve(x.data(), *s.a, n, *s.work);
    EXPECT_EQ(x[1], 0.5);
    EXPECT_EQ(x[n], 0.5);
}

TEST(Solve, SizesOutsideTheMatrixDoNothing) {
    Systems s;
    (*s.a)(1, 1) = 1.0;
    (*s.a)(1, 2) = 1.0;
    std::memcpy(s.b->v, s.a->v, sizeof s.a->v);
    double x[3] = {0.0, 9.0, 0.0};
    for (int n : {0, -3, kMaxCells + 1}) {
        solve(x, *s.a, n, *s.work);
        EXPECT_EQ(x[1], 9.0);
        EXPECT_EQ(std::memcmp(s.a->v, s.b->v, sizeof s.a->v), 0);
    }
}

// --- tridag ---

struct Tri {
    std::vector<double> sub, diag, super, rhs, u, gam;
    explicit Tri(int m) : sub(m + 2), diag(m + 2), super(m + 2), rhs(m + 2), u(m + 2, -9.0), gam(m + 2) {}
    void run(int m) { tridag(sub.data(), diag.data(), super.data(), rhs.data(), u.data(), m, gam.data()); }
};

TEST(Tridag, SolvesATridiagonalSystem) {
    const int m = 6;
    Tri t(m);
    std::vector<double> want = {0, 1, -2, 3, 0.5, 4, -1};
    for (int j = 1; j <= m; ++j) {
        t.sub[j] = -1.0 + 0.1 * j;
        t.diag[j] = 4.0 + j;
        t.super[j] = -0.5 * j;
    }
    t.sub[1] = 1e300;   // never read
    t.super[m] = 1e300; // never read
    for (int j = 1; j <= m; ++j) {
        double r = t.diag[j] * want[j];
        if (j > 1) r += t.sub[j] * want[j - 1];
        if (j < m) r += t.super[j] * want[j + 1];
        t.rhs[j] = r;
    }
    t.run(m);
    for (int j = 1; j <= m; ++j) EXPECT_NEAR(t.u[j], want[j], 1e-13) << j;
}

TEST(Tridag, SingleEquation) {
    Tri t(1);
    t.diag[1] = 4.0;
    t.rhs[1] = 2.0;
    t.run(1);
    EXPECT_EQ(t.u[1], 0.5);
}

TEST(Tridag, ZeroFirstDiagonalWritesNothing) {
    Tri t(3);
    t.diag = {0, 0, 1, 1, 0, 0};
    t.rhs = {0, 1, 1, 1, 0, 0};
    t.run(3);
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(t.u[j], -9.0);
}

TEST(Tridag, ZeroPivotStopsAfterTheForwardValuesBeforeIt) {
    // Row 2 eliminates to a zero pivot: u(1) keeps its forward value,
    // u(2) and u(3) keep their previous values, no back substitution.
    Tri t(3);
    t.diag[1] = 2.0;
    t.super[1] = 4.0;
    t.sub[2] = 1.0;
    t.diag[2] = 2.0;  // 2 - 1 * (4 / 2) = 0
    t.diag[3] = 1.0;
    t.rhs[1] = 6.0;
    t.rhs[2] = 1.0;
    t.rhs[3] = 1.0;
    t.run(3);
    EXPECT_EQ(t.u[1], 3.0);
    EXPECT_EQ(t.u[2], -9.0);
    EXPECT_EQ(t.u[3], -9.0);
}

// --- expsch ---

struct ExpschCase {
    double w, d, h;
    double c1, c2;
};

std::ostream& operator<<(std::ostream& os, const ExpschCase& k) {
    return os << "w " << k.w << " d " << k.d << " h " << k.h;
}

class ExpschCases : public ::testing::TestWithParam<ExpschCase> {};

TEST_P(ExpschCases, Coefficients) {
    const ExpschCase& k = GetParam();
    double c1 = -99.0, c2 = -99.0;
    expsch(c1, c2, k.w, k.d, k.h);
    EXPECT_DOUBLE_EQ(c1, k.c1);
    EXPECT_DOUBLE_EQ(c2, k.c2);
}

INSTANTIATE_TEST_SUITE_P(
    FaceCases, ExpschCases,
    ::testing::Values(
        // No diffusion: upwind.
        ExpschCase{3.0, 0.0, 0.5, 3.0, 0.0}, ExpschCase{-3.0, 0.0, 0.5, 0.0, -3.0},
        ExpschCase{0.0, 0.0, 0.5, 0.0, 0.0},
        // No drift, or |z| at most the threshold: pure diffusion.
        ExpschCase{0.0, 2.0, 0.5, 4.0, -4.0}, ExpschCase{1e-17, 1.0, 1.0, 1.0, -1.0},
        ExpschCase{1.0000000168623835e-16, 1.0, 1.0, 1.0, -1.0},
        // z = 1 and z = -1: Scharfetter-Gummel weights.
        ExpschCase{2.0, 1.0, 0.5, 2.0 / (1.0 - std::exp(-1.0)), 2.0 - 2.0 / (1.0 - std::exp(-1.0))},
        ExpschCase{-2.0, 1.0, 0.5, -2.0 - (-2.0 / (1.0 - std::exp(-1.0))), -2.0 / (1.0 - std::exp(-1.0))},
        // Strong drift: no overflow, the flux is upwind.
        ExpschCase{1e3, 1e-3, 1.0, 1e3, 0.0}, ExpschCase{-1e3, 1e-3, 1.0, 0.0, -1e3}));

TEST(Expsch, SumOfCoefficientsIsTheDrift) {
    for (double z : {1e-3, 0.7, 1.0, 5.0, 40.0, -1e-3, -0.7, -1.0, -40.0}) {
        double c1 = 0.0, c2 = 0.0;
        const double d = 0.3, h = 0.2;
        const double w = z * d / h;
        expsch(c1, c2, w, d, h);
        EXPECT_NEAR(c1 + c2, w, 1e-12 * std::fabs(w)) << z;
        // c1 = w / (1 - e^-z) = d/h * B(-z), with the Bernoulli function B.
        EXPECT_NEAR(c1, (d / h) * z / (1.0 - std::exp(-z)), 1e-9 * std::fabs(c1) + 1e-12 * std::fabs(w)) << z;
    }
}

TEST(Expsch, NotANumberDriftGivesDiffusion) {
    double c1 = 0.0, c2 = 0.0;
    expsch(c1, c2, std::numeric_limits<double>::quiet_NaN(), 2.0, 4.0);
    EXPECT_EQ(c1, 0.5);
    EXPECT_EQ(c2, -0.5);
}

}  // namespace
}  // namespace kestor
