// Internal interface of the results writer: the selections worked out
// before anything is written, the common header, and one writer per layout.
#pragma once

#include <string>

#include "common/output_file.h"
#include "common/tables.h"

namespace kestor {

// OutputLayout codes.
enum OutputLayout : int {
    kLayoutRunBlocks = 1,
    kLayoutRunTables = 2,
    kLayoutXYAgainstEN = 3,
    kLayoutXYAgainstEnergy = 4,
    kLayoutEpExport = 5,
    kLayoutLookup = 6,
    kLayoutCollisionData = 7,
};

// A switch or selection flag counts only when it is exactly 1; any other
// value, 2 included, counts as off.
constexpr bool is_on(int flag) { return flag == 1; }

// The writer's working selections, 1-based like the tables they describe.
struct Selections {
    int IPSELECT[kNumResults + 1];  // 1: result j is a shown result
    int ISAME[kMaxCurrent + 1];     // 1: condition j / fraction 20+s is the same in every run

    bool shown(int j) const { return is_on(IPSELECT[j]); }
    // Entry q of the current values: condition q, or the fraction of
    // species q - 20. A constant entry is written once, with the value of run 1.
    bool same(int q) const { return is_on(ISAME[q]); }
};

// The front of a run or collision name: "R" or "C" and the number in three.
constexpr int kNameTagWidth = 4;

// Counts as the writer uses them: never outside the capacity of the tables,
// so a corrupted count cannot make a layout read past a table.
int held_runs(const Tables& t);
int held_collisions(const Tables& t);
int held_species(const Tables& t);

// Grid points of run r that hold its distribution: its condition 15
// truncated, 0 when negative or not a number, at most the 1000 table points.
int run_grid_points(const Tables& t, int r);

// The first n characters of a 64-character text.
std::string first_chars(const Name& s, int n);

// A label cut to the label column, then the value in G12.4.
std::string labelled_value(const Name& label, double value);

// "Mole fraction " and the name of species s, cut to its column.
std::string fraction_label(const Tables& t, int s);

// The two empty records that end a block or table.
void two_empty_records(OutputFile& out);

// Shown results and constant entries.
void build_selections(const Tables& t, Selections& sel);

// "KESTOR+ version" header with the collision input data of every species.
void write_header(const Tables& t, OutputFile& out);

void write_run_blocks(const Tables& t, const Selections& sel, OutputFile& out);   // kLayoutRunBlocks
void write_run_tables(const Tables& t, const Selections& sel, OutputFile& out);   // kLayoutRunTables
void write_xy_tables(const Tables& t, const Selections& sel, OutputFile& out,
                     bool against_energy);  // kLayoutXYAgainstEN, kLayoutXYAgainstEnergy
void write_ep_export(const Tables& t, OutputFile& out);        // kLayoutEpExport
void write_collision_data(const Tables& t, OutputFile& out);   // kLayoutCollisionData

}  // namespace kestor
