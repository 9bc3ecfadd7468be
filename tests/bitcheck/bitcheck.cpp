// Bit-identity check of the solver: runs the fixed cases of
// bitcheck_cases.h and compares every stored double of every run
// (E/N of the row, result row, rate, inverse-rate and energy-loss
// coefficients, distribution, cell energies, anisotropy) with a reference
// that holds each value as its 64 bits in hexadecimal, one file per case.
//
//   bitcheck --check DIR [--portable] [--data D] [CASE ...]
//        compares the cases (all when none is named) with DIR/CASE.txt and
//        says which cases and fields moved, with their largest change
//   bitcheck --write DIR [--data D] [CASE ...]
//        the same comparison, then writes DIR/CASE.txt anew
//   bitcheck --list DIR
//        the case names; fails when they and the files of DIR differ
//
// --portable runs the baseline vector kernels instead of the widest ones
// (the bits must not change); D is the folder of the real data files.
// A reference recorded on another kind of machine or C library is compared
// within stated tolerances instead: the C library's erf differs in the last
// bit there, which moves most values in their last digits.
//
// Exit status: 0 no value moved, 1 some moved, 2 usage or file error,
// 77 every case asked for was skipped (its real data file is absent).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#ifdef __GLIBC__
#include <gnu/libc-version.h>
#endif

#include "common/fp_mode.h"
#include "driver/labels.h"
#include "tests/bitcheck/bitcheck_cases.h"

namespace {

namespace fs = std::filesystem;
using kestor::test::Case;

constexpr int kExitSame = 0;
constexpr int kExitMoved = 1;
constexpr int kExitError = 2;
constexpr int kExitSkipped = 77;  // ctest's SKIP_RETURN_CODE

// Tolerances against a reference from another machine kind or C library.
constexpr double kOtherMachineRelative = 1e-4;    // of the larger magnitude
constexpr double kOtherMachineAnisotropy = 1e-3;  // the ratio of two small terms in the tail
constexpr double kOtherMachineFloor = 1e-9;     // of the field's largest magnitude in the case
constexpr double kOtherMachineIterations = 10;  // electron-electron runs may take a few more or fewer
// A run with electron-electron or electron-ion collisions (an ionisation
// degree above 0), or one that stopped at another
// iteration, holds another iterate of a slowly contracting iteration: it
// agrees only to within what the convergence test lets through.
constexpr double kOtherIterateRelative = 2e-2;

// The machine kind and C library, which decide whether bits must agree.
std::string machine_kind() {
#if defined(__x86_64__)
    std::string kind = "x86_64";
#elif defined(__aarch64__)
    std::string kind = "aarch64";
#else
    std::string kind = "unknown-architecture";
#endif
#ifdef __GLIBC__
    kind += std::string(" glibc ") + gnu_get_libc_version();
#else
    kind += " unknown-C-library";
#endif
    return kind;
}

std::uint64_t bits_of(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

double value_of(std::uint64_t u) {
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

// FNV-1a, for the digest of the collision tables a case ran on.
struct Digest {
    std::uint64_t h = 1469598103934665603ull;
    void add(const std::string& s) {
        for (unsigned char ch : s) {
            h ^= ch;
            h *= 1099511628211ull;
        }
    }
};

// One stored double: run, field, index within the field.
using Key = std::tuple<int, std::string, int>;

struct Table {
    std::string machine;
    std::string input;            // digest of the collision tables, hexadecimal
    std::vector<Key> order;       // as written
    std::set<int> charged_runs;   // runs with an ionisation degree above 0 (not stored)
    std::map<Key, std::uint64_t> bits;

    void put(int run, const char* field, int index, double v) {
        Key k{run, field, index};
        order.push_back(k);
        bits[k] = bits_of(v);
    }
};

std::string hex(std::uint64_t u) {
    char s[20];
    std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(u));
    return s;
}

// Every stored value of run r.
void add_run(Table& tab, const kestor::Tables& t, int r, int n) {
    const auto& run = t.run;
    tab.put(r, "en", 1, run.run_conditions[r][kestor::kCondEN]);
    for (int j = 1; j <= kestor::kNumResults; ++j) tab.put(r, "result", j, run.run_results[r][j]);
    for (int k = 1; k <= t.num.collision_count; ++k) {
        tab.put(r, "rate", k, run.run_rate_coef[r][k]);
        tab.put(r, "inverse", k, run.run_inverse_rate_coef[r][k]);
        tab.put(r, "loss", k, run.run_energy_loss_coef[r][k]);
    }
    for (int j = 1; j <= n; ++j) {
        tab.put(r, "eedf", j, run.run_eedf[r][j]);
        tab.put(r, "energy", j, run.run_eedf_energy[r][j]);
        tab.put(r, "anisotropy", j, run.run_anisotropy[r][j]);
    }
}

// Digest of the collision tables the case ran on, to tell a changed input
// from a changed solver.
std::string input_digest(const kestor::Tables& t) {
    Digest d;
    char line[96];
    for (int k = 1; k <= kestor::kMaxCollisions; ++k) {
        const int np = t.col.cs_npoints[k];
        for (int p = 0; p < np && p < kestor::kMaxCsPoints; ++p) {
            std::snprintf(line, sizeof line, "%d %016llx %016llx", k,
                          static_cast<unsigned long long>(bits_of(t.col.cs_energy[k][p])),
                          static_cast<unsigned long long>(bits_of(t.col.cs_value[k][p])));
            d.add(line);
        }
    }
    return hex(d.h);
}

// Runs a case; false when its gas cannot be loaded (no real data).
bool run_case(const Case& c, const kestor::test::GasFiles& files, bool portable, Table& tab) {
    auto t = kestor::make_tables();
    auto w = kestor::make_solver_work();
    if (portable) w->kernel_isa = kestor::SolveIsa::kPortable;
    if (!kestor::test::load_gas(*t, files, c.gas, static_cast<int>(c.en_td.size()))) return false;
    kestor::test::run_case(*t, *w, c, [&](int r, auto solve) {
        solve();
        add_run(tab, *t, r, c.n);
        if (t->run.run_conditions[r][kestor::kCondIonDegree] > 0.0) tab.charged_runs.insert(r);
    });
    tab.machine = machine_kind();
    tab.input = input_digest(*t);
    return true;
}

fs::path reference_file(const fs::path& dir, const std::string& name) { return dir / (name + ".txt"); }

bool read_table(const fs::path& file, Table& tab) {
    std::ifstream in(file);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        if (line.rfind("machine ", 0) == 0) {
            tab.machine = line.substr(8);
            continue;
        }
        if (line.rfind("input ", 0) == 0) {
            tab.input = line.substr(6);
            continue;
        }
        int run = 0, index = 0;
        std::string field, h;
        if (!(s >> run >> field >> index >> h)) return false;
        Key k{run, field, index};
        tab.order.push_back(k);
        tab.bits[k] = std::stoull(h, nullptr, 16);
    }
    return true;
}

bool write_table(const fs::path& file, const std::string& name, const Table& tab) {
    std::ofstream out(file);
    out << "# Bit-identity reference of the case " << name << ": every stored double of its runs\n"
        << "# as run, field, index and the value's 64 bits in hexadecimal.\n"
        << "# Written by tests/bitcheck/regenerate.sh --write; never edit it by hand.\n"
        << "machine " << tab.machine << "\n"
        << "input " << tab.input << "\n";
    for (const Key& k : tab.order) {
        out << std::get<0>(k) << ' ' << std::get<1>(k) << ' ' << std::get<2>(k) << ' ' << hex(tab.bits.at(k))
            << '\n';
    }
    return static_cast<bool>(out);
}

// What moved in one field (a result slot, or a whole array field).
struct FieldChange {
    long values = 0;
    std::set<int> runs;
    double largest = -1.0;  // largest relative change
    int run = 0, index = 0;
    double before = 0.0, after = 0.0;
};

double relative_change(double before, double after) {
    if (before == after) return 0.0;
    const double scale = std::fabs(before);
    if (scale == 0.0 || !std::isfinite(scale) || !std::isfinite(after)) return INFINITY;
    return std::fabs(after - before) / scale;
}

// "1-6", "2, 4-5": the runs a field moved in.
std::string run_list(const std::set<int>& runs) {
    std::string s;
    auto it = runs.begin();
    while (it != runs.end()) {
        const int first = *it;
        int last = first;
        for (++it; it != runs.end() && *it == last + 1; ++it) last = *it;
        if (!s.empty()) s += ", ";
        s += std::to_string(first);
        if (last != first) s += "-" + std::to_string(last);
    }
    return s;
}

std::string field_name(const Key& k, const kestor::Tables& labels) {
    const std::string& f = std::get<1>(k);
    if (f != "result") return f;
    const int j = std::get<2>(k);
    std::string label = labels.labels.result_labels[j].trimmed();
    return "result " + std::to_string(j) + (label.empty() ? "" : " " + label);
}

// Largest magnitude of each field over the case, for the tolerance floor.
std::map<std::string, double> field_scales(const Table& ref, const kestor::Tables& labels) {
    std::map<std::string, double> scale;
    for (const auto& [k, b] : ref.bits) {
        const double v = std::fabs(value_of(b));
        double& s = scale[field_name(k, labels)];
        if (std::isfinite(v) && v > s) s = v;
    }
    return scale;
}

bool is_iteration_count(const Key& k) { return std::get<1>(k) == "result" && std::get<2>(k) == kestor::kResIterations; }

// The runs whose iteration count differs from the reference's.
std::set<int> runs_at_another_iterate(const Table& now, const Table& ref) {
    std::set<int> runs;
    for (const auto& [k, b] : now.bits) {
        if (!is_iteration_count(k)) continue;
        const auto it = ref.bits.find(k);
        if (it != ref.bits.end() && it->second != b) runs.insert(std::get<0>(k));
    }
    return runs;
}

bool within_tolerance(const Key& k, double before, double after, double field_scale, bool other_iterate) {
    if (is_iteration_count(k)) return std::fabs(after - before) <= kOtherMachineIterations;
    if (!std::isfinite(before) || !std::isfinite(after)) return false;
    const double larger = std::fmax(std::fabs(before), std::fabs(after));
    double relative = std::get<1>(k) == "anisotropy" ? kOtherMachineAnisotropy : kOtherMachineRelative;
    if (other_iterate) relative = std::fmax(relative, kOtherIterateRelative);
    return std::fabs(after - before) <= relative * larger + kOtherMachineFloor * field_scale;
}

struct Comparison {
    // By field: the result slots in their order, then the arrays by name.
    std::map<std::pair<int, std::string>, FieldChange> moved;
    long added = 0, gone = 0;
    long within = 0;  // differing values inside the tolerances (other machine)
    double largest_within = 0.0;  // their largest relative change (iteration counts aside)
    std::string largest_within_field;
    std::set<int> other_iterate;  // runs with charged-particle collisions or another iteration count
    double largest_other_iterate = 0.0;  // the largest relative change inside them
    bool any() const { return !moved.empty() || added > 0 || gone > 0; }
};

Comparison compare(const Table& now, const Table& ref, bool exact, const kestor::Tables& labels) {
    Comparison cmp;
    const std::map<std::string, double> scale = exact ? std::map<std::string, double>{} : field_scales(ref, labels);
    if (!exact) {
        cmp.other_iterate = runs_at_another_iterate(now, ref);
        cmp.other_iterate.insert(now.charged_runs.begin(), now.charged_runs.end());
    }
    for (const Key& k : now.order) {
        const auto it = ref.bits.find(k);
        if (it == ref.bits.end()) {
            ++cmp.added;
            continue;
        }
        const std::uint64_t b_now = now.bits.at(k);
        if (b_now == it->second) continue;
        const double before = value_of(it->second), after = value_of(b_now);
        const std::string name = field_name(k, labels);
        const bool other_iterate = cmp.other_iterate.count(std::get<0>(k)) > 0;
        if (!exact && within_tolerance(k, before, after, scale.at(name), other_iterate)) {
            ++cmp.within;
            const double rel = relative_change(before, after);
            if (other_iterate && !is_iteration_count(k)) cmp.largest_other_iterate = std::fmax(cmp.largest_other_iterate, rel);
            if (!is_iteration_count(k) && !other_iterate) {
                if (rel > cmp.largest_within) {
                    cmp.largest_within = rel;
                    cmp.largest_within_field = name;
                }
            }
            continue;
        }
        const int slot = std::get<1>(k) == "result" ? std::get<2>(k) : kestor::kNumResults + 1;
        FieldChange& f = cmp.moved[{slot, name}];
        ++f.values;
        f.runs.insert(std::get<0>(k));
        const double rel = relative_change(before, after);
        if (rel > f.largest || std::isnan(rel)) {
            f.largest = rel;
            f.run = std::get<0>(k);
            f.index = std::get<2>(k);
            f.before = before;
            f.after = after;
        }
    }
    for (const auto& [k, b] : ref.bits) cmp.gone += now.bits.count(k) == 0 ? 1 : 0;
    return cmp;
}

void print_comparison(const Comparison& cmp) {
    for (const auto& [order, f] : cmp.moved) {
        const std::string& field = order.second;
        // A result slot is its own field; an array field names the entry.
        const std::string where = "run " + std::to_string(f.run) +
                                  (field.rfind("result", 0) == 0 ? "" : ", index " + std::to_string(f.index));
        std::printf("  %-44s %6ld value%s in run%s %s; largest relative change %.3g (%s: %.17g -> %.17g)\n",
                    field.c_str(), f.values, f.values == 1 ? "" : "s", f.runs.size() == 1 ? "" : "s",
                    run_list(f.runs).c_str(), f.largest, where.c_str(), f.before, f.after);
    }
    if (cmp.added > 0) std::printf("  %ld values not in the reference (more runs, collisions or grid points)\n", cmp.added);
    if (cmp.gone > 0) std::printf("  %ld values of the reference no longer stored\n", cmp.gone);
}

struct Options {
    std::string mode;  // check, write, list
    fs::path dir;
    fs::path data;
    bool portable = false;
    std::vector<std::string> names;
};

bool parse(int argc, char** argv, Options& o) {
    if (argc < 3) return false;
    o.mode = argv[1];
    if (o.mode != "--check" && o.mode != "--write" && o.mode != "--list") return false;
    o.mode = o.mode.substr(2);
    o.dir = argv[2];
    o.data = fs::path(__FILE__).parent_path() / ".." / ".." / "shared" / "data";
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--portable") == 0) {
            o.portable = true;
        } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            o.data = argv[++i];
        } else {
            o.names.emplace_back(argv[i]);
        }
    }
    return true;
}

// The case names against the reference files: every case has one and
// every file belongs to a case.
int list_cases(const Options& o, const std::vector<Case>& all) {
    std::set<std::string> files, cases;
    for (const auto& e : fs::directory_iterator(o.dir)) {
        if (e.path().extension() == ".txt") files.insert(e.path().stem().string());
    }
    for (const Case& c : all) {
        cases.insert(c.name);
        std::printf("%s\n", c.name.c_str());
    }
    int status = kExitSame;
    for (const std::string& c : cases) {
        if (files.count(c) == 0) {
            std::printf("no reference file for the case %s: run tests/bitcheck/regenerate.sh --write\n", c.c_str());
            status = kExitMoved;
        }
    }
    for (const std::string& f : files) {
        if (cases.count(f) == 0) {
            std::printf("reference file %s.txt belongs to no case\n", f.c_str());
            status = kExitMoved;
        }
    }
    return status;
}

// How a reference from another machine kind or C library was compared.
void print_tolerances(const Table& ref, const Table& now, const Comparison& cmp) {
    std::printf("  reference recorded on %s, this is %s: compared within a relative %g of the larger\n"
                "  value (%g for the anisotropy) plus %g of the field's largest, iterations within %g;\n"
                "  %ld values differ inside\n",
                ref.machine.c_str(), now.machine.c_str(), kOtherMachineRelative, kOtherMachineAnisotropy,
                kOtherMachineFloor, kOtherMachineIterations, cmp.within);
    if (!cmp.largest_within_field.empty()) {
        std::printf("  largest relative change inside: %.3g in %s\n", cmp.largest_within,
                    cmp.largest_within_field.c_str());
    }
    if (!cmp.other_iterate.empty()) {
        std::printf("  run%s %s (electron-electron or electron-ion collisions, or another iteration\n"
                    "  count): compared within a relative %g; largest relative change there %.3g\n",
                    cmp.other_iterate.size() == 1 ? "" : "s", run_list(cmp.other_iterate).c_str(),
                    kOtherIterateRelative, cmp.largest_other_iterate);
    }
}

// Checks (and in write mode rewrites) one case; its exit status.
int check_case(const Options& o, const Case& c, const kestor::test::GasFiles& files,
               const kestor::Tables& labels) {
    Table now;
    if (!run_case(c, files, o.portable, now)) {
        std::printf("%-24s skipped: its real data file is not in %s\n", c.name.c_str(), o.data.string().c_str());
        return kExitSkipped;
    }
    const fs::path file = reference_file(o.dir, c.name);
    Table ref;
    const bool have_ref = read_table(file, ref);
    int status = kExitSame;
    if (!have_ref) {
        std::printf("%-24s no reference (%s)\n", c.name.c_str(), file.string().c_str());
        status = o.mode == "write" ? kExitSame : kExitError;
    } else {
        const bool exact = ref.machine == now.machine;
        const Comparison cmp = compare(now, ref, exact, labels);
        const char* kernels = o.portable ? ", baseline vector kernels" : "";
        if (!cmp.any()) {
            std::printf("%-24s %zu values identical%s%s\n", c.name.c_str(), now.order.size(),
                        exact ? "" : " within the tolerances", kernels);
        } else {
            std::printf("%-24s MOVED%s\n", c.name.c_str(), kernels);
            print_comparison(cmp);
            status = kExitMoved;
        }
        if (!exact) print_tolerances(ref, now, cmp);
        if (ref.input != now.input) {
            std::printf("  the collision tables differ from the reference's (input %s, reference %s)\n",
                        now.input.c_str(), ref.input.c_str());
        }
    }
    if (o.mode == "write") {
        if (!write_table(file, c.name, now)) {
            std::printf("cannot write %s\n", file.string().c_str());
            return kExitError;
        }
        if (status == kExitMoved || !have_ref) std::printf("  written %s\n", file.string().c_str());
        status = kExitSame;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: %s --check DIR [--portable] [--data D] [CASE ...]\n"
                     "       %s --write DIR [--data D] [CASE ...]\n"
                     "       %s --list DIR\n",
                     argv[0], argv[0], argv[0]);
        return kExitError;
    }
    kestor::set_floating_point_mode();
    const std::vector<Case> all = kestor::test::bitcheck_cases();
    if (o.mode == "list") return list_cases(o, all);

    std::vector<const Case*> chosen;
    for (const Case& c : all) {
        bool wanted = o.names.empty();
        for (const std::string& n : o.names) wanted = wanted || n == c.name;
        if (wanted) chosen.push_back(&c);
    }
    if (chosen.size() < (o.names.empty() ? 1 : o.names.size())) {
        std::fprintf(stderr, "no such case among the names given (bitcheck --list DIR names them)\n");
        return kExitError;
    }
    if (o.mode == "write") fs::create_directories(o.dir);

    auto labels = kestor::make_tables();
    kestor::setlabels(*labels);
    const kestor::test::GasFiles files(o.data);
    int worst = kExitSame;
    bool all_skipped = true;
    for (const Case* c : chosen) {
        const int s = check_case(o, *c, files, *labels);
        if (s == kExitSkipped) continue;
        all_skipped = false;
        if (s == kExitError || (s == kExitMoved && worst != kExitError)) worst = s;
    }
    return all_skipped ? kExitSkipped : worst;
}
