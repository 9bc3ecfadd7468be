// Synthetic gases of the benchmarks and the bit-identity check, written
// as cross-section data files and loaded through the ordinary reader, so
// that the tables (completion, grouping of rotations and vibrations, level
// table) are those a script would give. The shapes are smooth analytic curves, not measured data.
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "collisions/readcs.h"
#include "common/tables.h"

namespace kestor::test {

// A data file being written, one block at a time.
class DataFile {
public:
    explicit DataFile(const std::filesystem::path& path) : f_(std::fopen(path.c_str(), "w")) {}
    ~DataFile() {
        if (f_ != nullptr) std::fclose(f_);
    }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    bool ok() const { return f_ != nullptr; }

    // Keyword line, target line and parameter lines; the table follows.
    void begin(const char* keyword, const std::string& target, const std::string& params) {
        std::fprintf(f_, "\n%s\n%s\n%s\n-----------------------------\n", keyword, target.c_str(),
                     params.c_str());
    }
    void point(double e, double sigma) { std::fprintf(f_, "%.6e\t%.6e\n", e, sigma); }
    void end() { std::fprintf(f_, "-----------------------------\n"); }

    // `points` log-spaced points from e_lo to e_hi of sigma(e), with a zero
    // at the threshold when there is one.
    template <class Sigma>
    void table(double threshold, double e_lo, double e_hi, int points, Sigma sigma) {
        if (threshold > 0.0) point(threshold, 0.0);
        const double step = std::log(e_hi / e_lo) / (points - 1);
        for (int p = 0; p < points; ++p) {
            const double e = e_lo * std::exp(step * p);
            if (e > threshold) point(e, sigma(e));
        }
        end();
    }

private:
    std::FILE* f_;
};

inline std::string number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.8g", v);
    return buf;
}

// Elastic momentum transfer with a Ramsauer-like dip and a slow fall.
inline double elastic_shape(double e, double scale) {
    const double x = std::log(e / 0.3);
    return scale * (1.0 + 3.0 * e / (1.0 + e)) / (1.0 + 0.02 * e) * (1.0 - 0.5 * std::exp(-x * x));
}

// Born-like excitation or ionisation: rises from the threshold, falls as ln(E)/E.
inline double inelastic_shape(double e, double thr, double peak) {
    const double x = e / thr;
    return peak * (x - 1.0) / (x * x) * std::log(1.0 + 2.0 * x) * 2.0;
}

// A resonance peak (vibrational excitation, dissociative attachment).
inline double resonance_shape(double e, double centre, double width, double peak) {
    const double x = (e - centre) / width;
    return peak * std::exp(-x * x);
}

// Small gas "Sg": elastic, three excitations and an ionisation.
inline bool write_small_gas(const std::filesystem::path& path) {
    DataFile f(path);
    if (!f.ok()) return false;
    f.begin("ELASTIC", "Sg", "1.36e-5");
    f.table(0.0, 1e-3, 1e3, 60, [](double e) { return elastic_shape(e, 1.5e-20); });
    const double thresholds[3] = {11.5, 12.9, 14.0};
    const double peaks[3] = {2.2e-21, 3.3e-21, 1.5e-21};
    for (int i = 0; i < 3; ++i) {
        const double thr = thresholds[i];
        f.begin("EXCITATION", "Sg", number(thr));
        f.table(thr, thr * 1.01, 1e3, 40, [&](double e) { return inelastic_shape(e, thr, peaks[i]); });
    }
    f.begin("IONIZATION", "Sg", "15.8");
    f.table(15.8, 15.8 * 1.01, 1e3, 40, [](double e) { return inelastic_shape(e, 15.8, 3e-20); });
    return true;
}

// Molecule "Mol": elastic, 100 rotations J -> J+2 (grouped under the
// first), 20 vibrations (grouped under the first), 30 electronic
// excitations and an ionisation.
inline bool write_molecule(const std::filesystem::path& path) {
    DataFile f(path);
    if (!f.ok()) return false;
    f.begin("ELASTIC", "Mol", "1.96e-5");
    f.table(0.0, 1e-3, 1e3, 80, [](double e) { return elastic_shape(e, 1.0e-19); });
    constexpr double kRotConst = 2.5e-4;  // eV
    for (int j = 0; j < 100; ++j) {
        const double el = kRotConst * j * (j + 1);
        const double eu = kRotConst * (j + 2) * (j + 3);
        const double gl = 2.0 * j + 1.0;
        const double gu = 2.0 * j + 5.0;
        const double thr = eu - el;
        const double peak = 3e-20 * (j + 1.0) * (j + 2.0) / ((2.0 * j + 1.0) * (2.0 * j + 3.0));
        f.begin("ROTATION", "Mol", number(el) + " " + number(gl) + "\n" + number(eu) + " " + number(gu));
        f.table(thr, thr * 1.01, 1e2, 30, [&](double e) { return peak * std::sqrt(1.0 - thr / e); });
    }
    for (int v = 1; v <= 20; ++v) {
        const double eu = 0.29 * v - 0.0017 * v * v;
        const double centre = 2.0 + 0.1 * v;
        f.begin("VIBRATION", "Mol", "0 1\n" + number(eu) + " 1");
        f.table(eu, eu * 1.01, 1e2, 50,
                [&](double e) { return resonance_shape(e, centre, 0.6, 4e-21 / v) + 1e-23 * (1.0 - eu / e); });
    }
    for (int i = 0; i < 30; ++i) {
        const double thr = 6.0 + 0.27 * i;
        const double peak = 2e-22 * (1.0 + (i % 7));
        f.begin("EXCITATION", "Mol", number(thr));
        f.table(thr, thr * 1.01, 1e3, 40, [&](double e) { return inelastic_shape(e, thr, peak); });
    }
    f.begin("IONIZATION", "Mol", "15.6");
    f.table(15.6, 15.6 * 1.01, 1e3, 50, [](double e) { return inelastic_shape(e, 15.6, 2.5e-20); });
    return true;
}

// Attaching gas "Att": elastic, dissociative attachment, one excitation and
// an ionisation.
inline bool write_attaching_gas(const std::filesystem::path& path) {
    DataFile f(path);
    if (!f.ok()) return false;
    f.begin("ELASTIC", "Att", "1.1e-5");
    f.table(0.0, 1e-3, 1e3, 60, [](double e) { return elastic_shape(e, 2.0e-20); });
    f.begin("ATTACHMENT", "Att", "");
    f.table(0.0, 1e-2, 1e2, 50, [](double e) { return resonance_shape(e, 4.0, 1.2, 1.5e-21) + 2e-23 / (1.0 + e); });
    f.begin("EXCITATION", "Att", "8.0");
    f.table(8.0, 8.08, 1e3, 40, [](double e) { return inelastic_shape(e, 8.0, 4e-21); });
    f.begin("IONIZATION", "Att", "12.1");
    f.table(12.1, 12.1 * 1.01, 1e3, 40, [](double e) { return inelastic_shape(e, 12.1, 2.8e-20); });
    return true;
}

// Loads species `name` from `path` as READCOLLISIONS would; returns its index.
inline int load_species(Tables& t, const std::filesystem::path& path, const char* name) {
    const int isp = ++t.num.species_count;
    t.prefs.cs_file_name.assign(path.string());
    t.prefs.cs_extrapolate = 0;
    Name n;
    n.assign(name);
    readcs(t, isp, n);
    t.sp.species_name[isp] = n;
    return isp;
}

}  // namespace kestor::test
