#include "driver/finderg.h"

#include <algorithm>
#include <cmath>

#include "driver/run.h"

namespace kestor {

namespace {

constexpr double kLowProbe = 1.0;      // Td
constexpr double kHighProbe = 1000.0;  // Td
constexpr double kClampLow = 0.5;
constexpr double kClampHigh = 2.0;
constexpr double kNoValue = -1.0;

// A point of the search: E/N (Td) and the mean energy reached (eV); a mean
// energy that is not above 0 means no usable value.
struct Point {
    double e = 0.0;
    double w = kNoValue;
};

double& status_of(Tables& t, int r) { return t.run.run_results[r][kResStatus]; }
double mean_energy_of(const Tables& t, int r) { return t.run.run_results[r][kResMeanEnergy]; }

// Mean energy of the solve just made, negated when it failed. A failed
// solve that stored no mean energy (an early return) has no value either.
double value_of_solve(Tables& t, int r) {
    const double w = mean_energy_of(t, r);
    if (!run_failed(status_of(t, r))) return w;
    return w == 0.0 ? kNoValue : -w;
}

Point neighbour(Tables& t, int q) {
    return {t.run.run_conditions[q][kCondEN], run_failed(status_of(t, q)) ? kNoValue : mean_energy_of(t, q)};
}

Point solve_at(Program& p, int irun, double e) {
    p.t.run.run_conditions[irun][kCondEN] = e;
    // From a cleared row: a failed solve must not show the mean energy of
    // the trial before it.
    solve_run(p, irun);
    return {e, value_of_solve(p.t, irun)};
}

// A successful last solve that missed the target.
void mark_missed(Tables& t, int irun) {
    double& status = status_of(t, irun);
    if (!run_failed(status)) status = static_cast<double>(kStatusIncorrectMeanEnergy);
}

// The secant estimate held to [0.5 min, 2 max] of the two E/N values; a
// quotient that is not a number takes the lower bound.
double secant_step(double m, const Point& a, const Point& b) {
    const double lo = kClampLow * std::min(a.e, b.e);
    const double hi = kClampHigh * std::max(a.e, b.e);
    double e = ((m - a.w) * b.e - (m - b.w) * a.e) / (b.w - a.w);
    if (std::isnan(e)) return lo;
    if (e < lo) e = lo;
    if (e > hi) e = hi;
    return e;
}

void starting_points(Program& p, int irun, int istart, double m, Point& p1, Point& p2) {
    Tables& t = p.t;
    if (irun >= istart + 2) {
        p1 = neighbour(t, irun - 2);
        p2 = neighbour(t, irun - 1);
    } else if (irun <= istart - 2) {
        p1 = neighbour(t, irun + 2);
        p2 = neighbour(t, irun + 1);
    } else if (irun != istart) {
        p1 = neighbour(t, istart);
        // The E/N that would give the target if the mean energy were
        // proportional to it.
        if (p1.w > 0.0) p2 = solve_at(p, irun, p1.e * m / p1.w);
    }
    if (p1.w < 0.0) p1 = solve_at(p, irun, kLowProbe);
    if (p2.w < 0.0) p2 = solve_at(p, irun, kHighProbe);
}

// Keeps the new point in place of the one without a value, or else of the
// one farther from the target (ties replace point 2).
void replace_point(double m, Point& p1, Point& p2, const Point& fresh) {
    if (p1.w < 0.0 && p2.w > 0.0)
        p1 = fresh;
    else if (p2.w < 0.0 && p1.w > 0.0)
        p2 = fresh;
    else if (std::abs(m - p1.w) > std::abs(m - p2.w))
        p1 = fresh;
    else
        p2 = fresh;
}

}  // namespace

void finderg(Program& p, int irun, int istart, double target, double tol, int limit) {
    const double m = target;
    // A mean energy is always positive: a target of 0 or less cannot be
    // met, so the run is solved once at its E/N and marked as missed.
    if (!(m > 0.0)) {
        solve_run(p, irun);
        mark_missed(p.t, irun);
        return;
    }
    Point p1, p2;
    starting_points(p, irun, istart, m, p1, p2);

    // At least one step, so that the run holds a solve of its own.
    const int steps = std::max(limit, 1);
    double d = 0.0;
    for (int step = 0; step < steps; ++step) {
        const double e = (p1.w > 0.0 && p2.w > 0.0) ? secant_step(m, p1, p2) : (p1.e + p2.e) * 0.5;
        const Point fresh = solve_at(p, irun, e);
        replace_point(m, p1, p2, fresh);
        d = std::abs(fresh.w / m - 1.0);
        if (d < tol) return;
    }
    if (d > tol) mark_missed(p.t, irun);
}

}  // namespace kestor
