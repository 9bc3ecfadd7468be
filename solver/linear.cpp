// Linear solvers: the Thomas algorithm and the exponential-fitting face
// coefficients (the elimination of the system matrix is in elimination.cpp).
#include "solver/linear.h"

#include <cmath>

namespace kestor {

void tridag(const double* sub, const double* diag, const double* super, const double* rhs,
            double* u, int m, double* gam) {
    if (m < 1) return;
    double bet = diag[1];
    if (bet == 0.0) return;
    u[1] = rhs[1] / bet;
    for (int j = 2; j <= m; ++j) {
        gam[j] = super[j - 1] / bet;
        bet = diag[j] - sub[j] * gam[j];
        if (bet == 0.0) return;
        u[j] = (rhs[j] - sub[j] * u[j - 1]) / bet;
    }
    for (int j = m - 1; j >= 1; --j) {
        u[j] = u[j] - gam[j + 1] * u[j + 1];
    }
}

void expsch(double& c1, double& c2, double w, double d, double h) {
    // Below this |z| the fitted flux is the pure diffusion flux.
    constexpr double kSmallPeclet = 1.0000000168623835e-16;
    if (d == 0.0) {
        // No diffusion: upwind value.
        c2 = w < 0.0 ? w : 0.0;
        c1 = w - c2;
        return;
    }
    const double z = (w * h) / d;
    if (z > kSmallPeclet) {
        c1 = w / (1.0 - std::exp(-z));
        c2 = w - c1;
    } else if (z < -kSmallPeclet) {
        c2 = w / (1.0 - std::exp(z));
        c1 = w - c2;
    } else {
        c1 = d / h;
        c2 = -(d / h);
    }
}

}  // namespace kestor
