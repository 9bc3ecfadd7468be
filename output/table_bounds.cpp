// The parts of the shared tables that the writer reads: counts held
// within the capacity of the tables, and a run's stored grid points.
#include <algorithm>

#include "output/layouts.h"

namespace kestor {

int held_runs(const Tables& t) { return std::clamp(t.num.run_count, 0, kMaxRuns); }
int held_collisions(const Tables& t) { return std::clamp(t.num.collision_count, 0, kMaxCollisions); }
int held_species(const Tables& t) { return std::clamp(t.num.species_count, 0, kMaxSpecies); }

int run_grid_points(const Tables& t, int r) {
    const double c = t.run.run_conditions[r][kCondGridPoints];
    if (!(c > 0.0)) return 0;  // negative, zero or not a number
    if (c >= kMaxGrid) return kMaxGrid;
    return static_cast<int>(c);
}

}  // namespace kestor
