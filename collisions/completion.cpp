#include "collisions/completion.h"

#include <cmath>

namespace kestor {
namespace {

// Growth factor of the energies appended by the ln(E)/E extrapolation.
constexpr double kExtrapolationStep = 1.5;
// ln(E)/ln(E_last) is only a decay above 1 eV; tables ending at or below
// it are extended flat instead.
constexpr double kLogExtrapolationFloor = 1.0;

struct Table {
    double* e;
    double* q;
    int n;
};

// Leading points with a cross section that is not negative (unread points
// hold -1).
int usable_points(const double* q) {
    int n = 0;
    while (n < kMaxCsPoints && !(q[n] < 0.0)) ++n;
    return n;
}

// Inserts (e, q) in front, moving every point up by one place.
// False when the table is full.
bool insert_front(Table& t, double e, double q) {
    if (t.n == kMaxCsPoints) return false;
    for (int j = t.n; j > 0; --j) {
        t.e[j] = t.e[j - 1];
        t.q[j] = t.q[j - 1];
    }
    t.e[0] = e;
    t.q[0] = q;
    ++t.n;
    return true;
}

bool append(Table& t, double e, double q) {
    if (t.n == kMaxCsPoints) return false;
    t.e[t.n] = e;
    t.q[t.n] = q;
    ++t.n;
    return true;
}

bool extends_log(const Table& t, int cs_extrapolate) {
    return !(cs_extrapolate == 0 || t.e[t.n - 1] <= kLogExtrapolationFloor);
}

// Flat extension: one point at 10000 eV with the last cross section.
bool extend_flat(Table& t) {
    if (!(t.e[t.n - 1] < kTableUpperEnergy)) return true;
    return append(t, kTableUpperEnergy, t.q[t.n - 1]);
}

// ln(E)/E extension in steps of 1.5 up to the first energy at or above
// 10000 eV.
bool extend_log(Table& t) {
    while (true) {
        const double e_last = t.e[t.n - 1];
        if (e_last >= kTableUpperEnergy) return true;
        if (t.n == kMaxCsPoints) return false;
        const double e = kExtrapolationStep * e_last;
        const double q = t.q[t.n - 1] * (e_last / e) * std::log(e) / std::log(e_last);
        append(t, e, q);
    }
}

bool extend_upper(Table& t, int cs_extrapolate) {
    return extends_log(t, cs_extrapolate) ? extend_log(t) : extend_flat(t);
}

// Points the completion puts in front of the table and after its end.
int points_to_add(const Table& t, double threshold, int cs_extrapolate) {
    // A threshold point in front is followed by the zero-energy point.
    int added = threshold > 0.0 && t.e[0] > threshold ? 2 : t.e[0] > 0.0 ? 1 : 0;
    double e_last = t.e[t.n - 1];
    if (!extends_log(t, cs_extrapolate)) return added + (e_last < kTableUpperEnergy ? 1 : 0);
    for (; e_last < kTableUpperEnergy; e_last *= kExtrapolationStep) ++added;
    return added;
}

// Twice the area of the triangle of point j and its neighbours: what
// removing the point changes in the integral of the cross section.
double removal_change(const Table& t, int j) {
    const double de_prev = t.e[j] - t.e[j - 1];
    const double de_next = t.e[j + 1] - t.e[j - 1];
    return std::fabs(de_prev * (t.q[j + 1] - t.q[j - 1]) - de_next * (t.q[j] - t.q[j - 1]));
}

// Makes room for `count` points by removing, one at a time, the inner
// point whose removal changes the table least (the first of equals).
// The first and the last point stay, so the table keeps its range and
// its end value, which the extension carries on.
void thin(Table& t, int count) {
    for (int r = 0; r < count && t.n > 2; ++r) {
        int drop = 1;
        double least = removal_change(t, 1);
        for (int j = 2; j < t.n - 1; ++j) {
            const double c = removal_change(t, j);
            if (c < least) {
                least = c;
                drop = j;
            }
        }
        for (int j = drop; j < t.n - 1; ++j) {
            t.e[j] = t.e[j + 1];
            t.q[j] = t.q[j + 1];
        }
        --t.n;
    }
}

// Nothing below the threshold: the cross sections there become 0 and the
// last point at or below the threshold moves onto it. Point 0 and the
// last point stay where they are. Point 0, at 0 eV once the points in
// front are added, lies below a threshold too: a table that starts at its
// threshold with a value above 0 would otherwise carry that value down to
// 0 eV, an excitation by electrons too slow for it.
void clear_threshold_zone(Table& t, double threshold) {
    if (threshold > 0.0 && t.q[0] > 0.0) t.q[0] = 0.0;
    for (int j = 1; j < t.n; ++j) {
        if (t.e[j] > threshold) return;
        if (t.q[j] > 0.0) t.q[j] = 0.0;
        if (j + 1 < t.n && t.e[j + 1] > threshold) t.e[j] = threshold;
    }
}

}  // namespace

void complete_table(CollisionTables& col, int k, int cs_extrapolate) {
    Table t{col.cs_energy[k], col.cs_value[k], usable_points(col.cs_value[k])};
    const double threshold = col.collision_threshold[k];
    col.cs_npoints[k] = t.n;
    if (t.n == 0) return;  // nothing read: the slot stays, empty

    // A table too long for its completion gives up read points rather than
    // the completion: without the points in front and the extension the
    // solver would carry the first and the last segment on linearly.
    const int excess = t.n + points_to_add(t, threshold, cs_extrapolate) - kMaxCsPoints;
    if (excess > 0) thin(t, excess);
    if (threshold > 0.0 && t.e[0] > threshold && !insert_front(t, threshold, 0.0)) return;
    if (t.e[0] > 0.0 && !insert_front(t, 0.0, t.q[0])) return;
    if (!extend_upper(t, cs_extrapolate)) return;
    col.cs_npoints[k] = t.n;
    if (t.n < 2) return;
    clear_threshold_zone(t, threshold);
}

}  // namespace kestor
