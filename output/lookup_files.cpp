// Layout 6 (kLayoutLookup): lookup tables of the mean energy against E/N
// and of the transport and rate coefficients against the mean energy.
#include "output/lookup_files.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/forms.h"
#include "common/output_file.h"
#include "common/program_stop.h"
#include "output/layouts.h"

namespace kestor {

namespace {

constexpr std::size_t kNameStartColumn = 7;  // a collision name's species, after its "C" number
constexpr std::string_view kLookupExtension = ".lut";

struct LookupFile {
    std::string name;
    const char* x_unit;
    const char* y_unit;
};

[[noreturn]] void lookup_stop(const char* what, const std::string& name, int err) {
    std::string message = std::string(what) + " on lookup file \"" + name + "\"";
    if (err != 0) message += std::string(": ") + std::strerror(err);
    throw ProgramStop{kLookupFileExitStatus, message};
}

template <class XY>
void write_lookup(const Tables& t, const LookupFile& f, XY xy) {
    OutputFile out;
    errno = 0;
    if (!out.open(f.name)) lookup_stop("open error", f.name, errno);
    out.record(std::string("XMultiplicator\t") + f.x_unit);
    out.record(std::string("YMultiplicator\t") + f.y_unit);
    out.record("XYData {");
    const int nr = held_runs(t);
    for (int r = 1; r <= nr; ++r) {
        const auto [x, y] = xy(r);
        out.record(g12_4(x) + g12_4(y));
    }
    out.record("}");
    errno = 0;
    if (!out.close()) lookup_stop("write error", f.name, errno);
}

struct XY {
    double x, y;
};

// Result j of each run against its mean energy.
auto against_mean_energy(const Tables& t, Result j) {
    return [&t, j](int r) { return XY{t.run.run_results[r][kResMeanEnergy], t.run.run_results[r][j]}; };
}

}  // namespace

std::string lookup_file_name(const Name& collision_name) {
    const std::string full = collision_name.full();
    const std::size_t end = collision_name.trimmed_length();
    std::string name;
    bool in_blanks = false;
    for (std::size_t i = kNameStartColumn - 1; i < end; ++i) {
        const char c = full[i];
        if (c == ' ') {
            if (!in_blanks) name += '_';
            in_blanks = true;
            continue;
        }
        in_blanks = false;
        // The file stays in the working directory.
        name += c == '/' ? '_' : c;
    }
    return name + std::string(kLookupExtension);
}

std::vector<std::string> lookup_file_names(const Tables& t) {
    const int nc = held_collisions(t);
    std::vector<std::string> names(static_cast<std::size_t>(nc) + 1);
    std::unordered_map<std::string, int> last;
    for (int k = 1; k <= nc; ++k) {
        names[k] = lookup_file_name(t.col.collision_name[k]);
        last[names[k]] = k;
    }
    // Collisions of one species, kind and threshold text share the plain
    // name: the last keeps it, each earlier one adds its number, which the
    // C label shows only up to 999.
    for (int k = 1; k <= nc; ++k) {
        if (last[names[k]] == k) continue;
        names[k].insert(names[k].size() - kLookupExtension.size(), "_C" + std::to_string(k));
    }
    return names;
}

void write_lookup_files(const Tables& t) {
    const auto& cond = t.run.run_conditions;
    const auto& res = t.run.run_results;
    write_lookup(t, {"energy.lut", "1E-21*V*m^2", "eV"},
                 [&](int r) { return XY{cond[r][kCondEN], res[r][kResMeanEnergy]}; });
    write_lookup(t, {"mobility.lut", "eV", "m^-1*V^-1*s^-1"}, against_mean_energy(t, kResMobility));
    write_lookup(t, {"diffusion.lut", "eV", "m^-1*s^-1"}, against_mean_energy(t, kResDiffusion));
    write_lookup(t, {"elastic_power.lut", "eV", "eV*m^3*s^-1"}, against_mean_energy(t, kResElasticPower));
    write_lookup(t, {"inelastic_power.lut", "eV", "eV*m^3*s^-1"}, against_mean_energy(t, kResInelasticPower));
    const std::vector<std::string> names = lookup_file_names(t);
    const int nc = held_collisions(t);
    for (int k = 1; k <= nc; ++k)
        write_lookup(t, {names[k], "eV", "m^3*s^-1"},
                     [&](int r) { return XY{res[r][kResMeanEnergy], t.run.run_rate_coef[r][k]}; });
}

}  // namespace kestor
