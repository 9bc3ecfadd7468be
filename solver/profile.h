// Optional phase timers of the solver, read by the benchmarks. They are off
// unless `enabled` is set; then each timed phase costs one test of the flag.
// Timing never changes a number of the run.
#pragma once

#include <chrono>

namespace kestor {

struct SolverProfile {
    int enabled;               // 1: accumulate the times below
    int count_updates;         // 1: solve also counts the entries it updates
    double walk_seconds;       // collision integrals (the walk)
    double solve_seconds;      // every call of solve
    long long solve_calls;
    long long solve_updates;   // entries a(i, j) given an update (count_updates = 1)
    long long walk_pieces;     // pieces of the walk integrated with the exponential shape
    long long walk_piece_ends; // their distinct ends per cell (one exponential each)
};

inline double profile_now() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// Adds the time from construction to destruction to `*sum` when `on`.
class PhaseTimer {
public:
    PhaseTimer(int on, double& sum) : sum_(on ? &sum : nullptr), start_(on ? profile_now() : 0.0) {}
    ~PhaseTimer() {
        if (sum_ != nullptr) *sum_ += profile_now() - start_;
    }
    PhaseTimer(const PhaseTimer&) = delete;
    PhaseTimer& operator=(const PhaseTimer&) = delete;

private:
    double* sum_;
    double start_;
};

}  // namespace kestor
