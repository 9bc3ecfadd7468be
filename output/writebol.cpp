// The results writer: selections, main file, header and layout dispatch.
#include "output/writebol.h"

#include "common/output_file.h"
#include "output/layouts.h"
#include "output/lookup_files.h"

namespace kestor {

namespace {

void write_layout(const Tables& t, const Selections& sel, OutputFile& out) {
    switch (t.prefs.output_format) {
        case kLayoutRunBlocks: write_run_blocks(t, sel, out); break;
        case kLayoutRunTables: write_run_tables(t, sel, out); break;
        case kLayoutXYAgainstEN: write_xy_tables(t, sel, out, false); break;
        case kLayoutXYAgainstEnergy: write_xy_tables(t, sel, out, true); break;
        case kLayoutEpExport: write_ep_export(t, out); break;
        case kLayoutCollisionData: write_collision_data(t, out); break;
        default: break;  // any other code: the header only
    }
}

}  // namespace

bool writebol(const Tables& t) {
    Selections sel;
    build_selections(t, sel);

    if (t.prefs.output_format == kLayoutLookup) {
        write_lookup_files(t);
        return true;
    }

    OutputFile out;
    if (!out.open(t.prefs.output_file_name.trimmed())) return false;
    write_header(t, out);
    write_layout(t, sel, out);
    // A write that failed after the open (a full disk) is reported like
    // a file that cannot be written at all.
    return out.close();
}

}  // namespace kestor
