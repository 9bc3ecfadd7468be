// Layout 5 (kLayoutEpExport): mobility, mean energy and the Townsend
// coefficients against E/p, in single precision, each table thinned to its
// significant points.
#include <string>
#include <vector>

#include "common/forms.h"
#include "output/gasparsel.h"
#include "output/layouts.h"

namespace kestor {

namespace {

// Gas density of 3.218e22 m-3 at 1 Torr; the single-precision values.
constexpr double kTdToVPerCmTorr = 0.3217999877072028;
constexpr double kCm2PerM2 = 10000.0;
constexpr double kDensityAt1Torr = 3.218000051121482e+22;
constexpr double kM2ToPerCmTorr = 3.2179999791935757e+20;

constexpr float kTolerance = 0.1f;
constexpr float kXLimit = 5000.0f;

struct ExportArrays {
    std::vector<float> x, mobility, energy, ionization, attachment;
};

ExportArrays fill_arrays(const Tables& t) {
    ExportArrays a;
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r) {
        if (!(t.sel.run_selected[r] > 0)) continue;  // here any positive flag selects
        const double* res = t.run.run_results[r];
        a.x.push_back(static_cast<float>(t.run.run_conditions[r][kCondEN] * kTdToVPerCmTorr));
        a.mobility.push_back(static_cast<float>(res[kResMobility] * kCm2PerM2 / kDensityAt1Torr));
        a.energy.push_back(static_cast<float>(res[kResMeanEnergy]));
        a.ionization.push_back(static_cast<float>(res[kResTownsendAlpha] * kM2ToPerCmTorr));
        a.attachment.push_back(static_cast<float>(res[kResTownsendEta] * kM2ToPerCmTorr));
    }
    return a;
}

bool has_kind(const Tables& t, int kind) {
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k)
        if (t.col.collision_kind[k] == kind) return true;
    return false;
}

void write_singles(const std::vector<float>& v, int n, OutputFile& out) {
    FreeRecord rec;
    for (int i = 0; i < n; ++i) rec.single(v[static_cast<std::size_t>(i)]);
    out.records(rec.lines());
}

void write_block(const char* keyword, const std::vector<float>& x, const std::vector<float>& y, OutputFile& out) {
    std::vector<float> xs(x.size()), ys(x.size());
    const int nout = gasparsel(kTolerance, x, y, xs, ys, kXLimit);
    out.records(FreeRecord().text(keyword).lines());
    out.records(FreeRecord().integer(nout).lines());
    write_singles(xs, nout, out);
    write_singles(ys, nout, out);
    out.record("");
}

}  // namespace

void write_ep_export(const Tables& t, OutputFile& out) {
    const ExportArrays a = fill_arrays(t);
    const int has_ionization = has_kind(t, kIonization) ? 1 : 0;
    const int has_attachment = has_kind(t, kAttachment) ? 1 : 0;

    // The gas is named by its first species.
    out.records(FreeRecord().text(t.sp.species_name[1].trimmed()).lines());
    out.record(form_i(1 + has_ionization + has_attachment, 1) + "," + form_i(has_ionization, 1) + "," +
               form_i(has_attachment, 1));
    out.record("");

    write_block("electron_mobility", a.x, a.mobility, out);
    write_block("mean_electron_energy", a.x, a.energy, out);
    write_block("ionization_coefficient", a.x, a.ionization, out);
    if (has_attachment == 1) write_block("attachment_coefficient", a.x, a.attachment, out);
}

}  // namespace kestor
