// RUNSERIES and RUNBACK.
#include "driver/series.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "driver/commands.h"
#include "driver/finderg.h"
#include "driver/log.h"
#include "driver/run.h"

namespace kestor {

namespace {

constexpr double kStepFraction = 0.10000000149011612;  // tolerance per relative step

int intervals(int n) { return std::max(n - 1, 1); }

}  // namespace

double series_position(int i, int n) {
    const float num = static_cast<float>(i - 1);
    const float den = static_cast<float>(intervals(n));
    return static_cast<double>(num / den);
}

bool spacing_value(int spacing, double x1, double x2, double x, double& v) {
    switch (spacing) {
        case kSpacingLinear:
            v = (1.0 - x) * x1 + x2 * x;
            return true;
        case kSpacingQuadratic:
            v = (1.0 - x * x) * x1 + (x2 * x) * x;
            return true;
        case kSpacingExponential:
            v = std::exp((1.0 - x) * std::log(x1) + x * std::log(x2));
            return true;
        default:
            return false;
    }
}

double exponential_end(double x) { return x <= 0.0 ? kExponentialFloor : x; }

bool relative_step(int spacing, double x1, double x2, double x, double v, int n, double& s) {
    const double m = intervals(n);
    switch (spacing) {
        case kSpacingLinear:
            s = (x2 - x1) / v / m;
            return true;
        case kSpacingQuadratic:
            s = (x2 - x1) * (2.0 * x) / v / m;
            return true;
        case kSpacingExponential:
            // v grows by the factor (x2/x1)^(1/m) from one run to the next.
            s = std::log(x2 / x1) / m;
            return true;
        default:
            return false;
    }
}

double varied_value(Interpreter& in, int spacing, double x1, double x2, double x, int iv) {
    double v = in.series_value;
    if (spacing_value(spacing, x1, x2, x, v)) {
        in.series_value = v;
        in.series_value_set = true;
    } else if (!in.series_value_set) {
        v = iv > 0 ? in.C[iv] : 0.0;
    }
    return v;
}

namespace {

struct SeriesLines {
    int code = 0;
    double x1 = 0.0, x2 = 0.0;
    int n = 0;
    int spacing = 0;
};

bool read_series_lines(Interpreter& in, SeriesLines& l) {
    return script_read_values(in, l.code) == ReadResult::kOk &&
           script_read_values(in, l.x1, l.x2) == ReadResult::kOk &&
           script_read_values(in, l.n) == ReadResult::kOk &&
           script_read_values(in, l.spacing) == ReadResult::kOk;
}

// The varied index into C: E/N, the Maxwellian mean energy, or 0 for a
// target mean energy; the first VAR entry wins over the code.
int varied_index(const Interpreter& in, int code) {
    if (in.var_count > 0) return in.IVAR[1];
    if (code == kSeriesEN) return kCondEN;
    if (code == kSeriesMaxwellEnergy) return kCondMaxwellEnergy;
    return 0;
}

// An E/N run after a successful neighbour starts from its final grid.
void hand_over_grid(Tables& t, int r, int previous) {
    if (run_failed(t.run.run_results[previous][kResStatus])) return;
    t.run.run_conditions[r][kCondGridType] = static_cast<double>(kGridGivenThenEstimated);
    t.run.run_conditions[r][kCondMaxEnergy] = t.run.run_results[previous][kResMaxEnergy];
}

// One series after the reading of its lines: the rows, the run order and
// the varied index.
struct SeriesPlan {
    bool backward = false;
    int held = 0;    // runs held before the series
    int n = 0;       // runs of the series (after shortening)
    int iv = 0;      // varied index into C, 0 for a target mean energy
    int istart = 0;  // row of the series' first run in run order
};

// Run i of the series (1..n); `first` marks the first in run order.
void series_run(Program& p, const SeriesLines& l, const SeriesPlan& plan, int i, bool first) {
    Interpreter& in = p.in;
    const int r = plan.held + i;
    const double x = series_position(i, plan.n);
    const double v = varied_value(in, l.spacing, l.x1, l.x2, x, plan.iv);
    if (plan.iv > 0) in.C[plan.iv] = v;
    prepare_run(p, r);
    if (plan.iv == kCondEN && !first) hand_over_grid(p.t, r, plan.backward ? r + 1 : r - 1);
    if (plan.iv > 0) {
        solve_run(p, r);
    } else {
        relative_step(l.spacing, l.x1, l.x2, x, v, plan.n, in.series_step);
        const double tol = std::min(in.C[kCondConvergence], kStepFraction * std::abs(in.series_step));
        finderg(p, r, plan.istart, v, tol, kSearchLimit);
    }
    finish_run(p, r);
}

}  // namespace

CommandResult cmd_runseries(Program& p) {
    Interpreter& in = p.in;
    SeriesPlan plan;
    plan.backward = in.S.trimmed_view().find("RUNBACK") != std::string_view::npos;
    writelog_cr(in, plan.backward ? "RUNBACK" : "RUNSERIES");

    SeriesLines l;
    if (!read_series_lines(in, l)) return CommandResult::kAbort;
    if (l.spacing == kSpacingExponential) {
        l.x1 = exponential_end(l.x1);
        l.x2 = exponential_end(l.x2);
    }
    plan.held = p.t.num.run_count;
    // A count of 0 or less makes no run and leaves the runs held alone.
    plan.n = std::max(l.n, 0);
    if (static_cast<std::int64_t>(plan.held) + plan.n > kMaxRuns) {
        writelog(in, "Too many runs");
        plan.n = kMaxRuns - plan.held;
    }
    plan.iv = varied_index(in, l.code);
    plan.istart = plan.backward ? plan.held + plan.n : plan.held + 1;

    for (int step = 0; step < plan.n; ++step)
        series_run(p, l, plan, plan.backward ? plan.n - step : step + 1, step == 0);
    p.t.num.run_count = plan.held + plan.n;
    return CommandResult::kNext;
}

}  // namespace kestor
