// Fuzz target of the whole interpreter: a script with a tiny data file,
// conditions and runs.
//
// The script is built from a template. Its numeric fields come from the
// first bytes of the input, held to small ranges (1 to 40 grid points, 1
// to 30 iterations, a positive precision) so that every run stays fast;
// the rest of the input adds raw script lines after the template. Raw
// lines holding CONDITIONS are dropped, so no raw line can replace the
// grid, the iteration limit or the precision, and so are lines holding a
// slash, so that no file name leaves the working directory. Those three
// conditions are never given as VAR.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_util.h"

namespace kestor::test {
namespace {

constexpr const char* kDataFile = "gas.txt";
constexpr const char* kScriptFile = "script.kes";

// Two small species: X with every kind of process but rotation, R with an
// effective momentum transfer and a group of rotations.
constexpr std::string_view kGas =
    "COMMENT\nX\nSmall gas for fuzzing.\n---\n"
    "ELASTIC\nX\n 1.0e-4\n-----\n 0.0 5.0e-20\n 1.0 8.0e-20\n 10.0 1.0e-19\n 100.0 5.0e-20\n-----\n"
    "EXCITATION\nX -> X*\n 5.0\n-----\n 5.0 0.0\n 10.0 2.0e-21\n 100.0 1.0e-21\n-----\n"
    "EXCITATION\nX <-> X*\n 3.0  2\n-----\n 3.0 0.0\n 10.0 1.0e-21\n-----\n"
    "IONIZATION\nX -> X^+\n 12.0\n-----\n 12.0 0.0\n 30.0 2.0e-20\n 100.0 3.0e-20\n-----\n"
    "ATTACHMENT\nX -> X^-\n-----\n 0.0 1.0e-22\n 2.0 1.0e-22\n 3.0 0.0\n-----\n"
    "EFFECTIVE\nR\n 2.0e-5\n-----\n 0.0 1.0e-20\n 10.0 1.0e-19\n-----\n"
    "ROTATION\nR -> R(J=2)\n 0.0  1\n 0.01  5\n-----\n 0.01 0.0\n 0.1 1.0e-21\n 1.0 5.0e-21\n-----\n"
    "ROTATION\nR -> R(J=4)\n 0.01  5\n 0.03  9\n-----\n 0.03 0.0\n 0.1 1.0e-21\n 1.0 5.0e-21\n-----\n"
    "VIBRATION\nR -> R(v=1)\n 0.0  1\n 0.3  1\n-----\n 0.3 0.0\n 2.0 1.0e-20\n-----\n";

constexpr const char* kSpeciesLines[] = {"X", "R", "X R", "R X", "X X*", "X R Q"};

// Conditions that may be given as VAR: never the grid size (15) or the
// iteration limit (20), whose values must stay small, nor the precision
// (18): a precision of 0 or less has no tail level, and every estimate of
// the maximum energy then scans up to its step limit, which makes a run
// take a good part of a second (the end-to-end cases cover it).
bool may_be_var(int condition) {
    return condition != kCondGridPoints && condition != kCondMaxIterations && condition != kCondPrecision;
}

// One of a few decades: 10^(lo..hi), or 0.
std::string decade(Bytes& b, int lo, int hi) {
    const int e = b.in_range(lo - 1, hi);
    if (e < lo) return "0";
    return "1e" + std::to_string(e);
}

std::string small_int(Bytes& b, int lo, int hi) { return std::to_string(b.in_range(lo, hi)); }

// The 20 condition values, in condition order.
std::vector<std::string> conditions(Bytes& b) {
    std::vector<std::string> c(kNumConditions + 1);
    c[kCondEN] = std::to_string(b.in_range(-2, 200));
    c[kCondFrequency] = b.flag() ? decade(b, -16, -12) : "0";
    c[kCondCosEB] = std::to_string(b.in_range(-1, 1));
    c[kCondGasTemp] = std::to_string(b.in_range(0, 4) * 150);
    c[kCondExcTemp] = std::to_string(b.in_range(0, 2) * 500);
    c[kCondTransitionEnergy] = b.flag() ? "0.05" : "0";
    c[kCondIonDegree] = decade(b, -8, -2);
    c[kCondPlasmaDensity] = (b.flag() ? "-" : "") + decade(b, 14, 20);
    c[kCondIonCharge] = std::to_string(b.in_range(-1, 2));
    c[kCondIonMassRatio] = std::to_string(b.in_range(0, 3));
    c[kCondEEMomentum] = small_int(b, 0, 1);
    c[kCondEnergySharing] = small_int(b, 0, 3);
    c[kCondGrowthModel] = small_int(b, 0, 7);
    c[kCondMaxwellEnergy] = b.in_range(0, 3) == 0 ? small_int(b, 1, 5) : "0";
    c[kCondGridPoints] = small_int(b, 1, 40);
    c[kCondGridType] = small_int(b, 0, 4);
    c[kCondMaxEnergy] = small_int(b, 0, 60);
    c[kCondPrecision] = "1e" + std::to_string(b.in_range(-12, -2));
    c[kCondConvergence] = decade(b, -5, -1);
    c[kCondMaxIterations] = small_int(b, 1, 30);
    for (int i = 1; i <= kNumConditions; ++i)
        if (may_be_var(i) && b.in_range(0, 7) == 0) c[i] = "VAR";
    return c;
}

// Composition and normalisation lines for two or three species.
std::string composition(Bytes& b, int species) {
    std::string s;
    for (int i = 0; i < species; ++i) {
        const int choice = b.in_range(0, 5);
        s += choice == 0 ? "VAR" : choice == 1 ? "&\n" + std::to_string(b.in_range(0, 9) * 0.1)
                                               : std::to_string(b.in_range(0, 10) * 0.1);
        s += " ";
    }
    return s + "\n" + small_int(b, 0, 1) + "\n";
}

int species_on_line(std::string_view line) {
    int n = 0;
    bool in_word = false;
    for (char c : line) {
        const bool blank = c == ' ';
        if (!blank && !in_word) ++n;
        in_word = !blank;
    }
    return n;
}

std::string template_script(Bytes& b) {
    const std::string species = kSpeciesLines[b.in_range(0, 5)];
    std::string s = "READCOLLISIONS\n" + std::string(kDataFile) + "\n" + species + "\n" + small_int(b, 0, 1) + "\n";
    s += "CONDITIONS\n";
    const std::vector<std::string> c = conditions(b);
    for (int i = 1; i <= kNumConditions; ++i) s += c[i] + "\n";
    const int n = species_on_line(species);
    if (n >= 2) s += composition(b, n);
    return s;
}

}  // namespace
}  // namespace kestor::test

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    kestor::test::prepare_interpreter_process(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestor::test;
    constexpr std::size_t kTemplateBytes = 40;
    const std::size_t head = size < kTemplateBytes ? size : kTemplateBytes;
    Bytes b(data, head);
    std::string script = template_script(b);
    const std::string_view raw(reinterpret_cast<const char*>(data) + head, size - head);
    for (const std::string& line : without_lines_holding(split_lines(raw), {"CONDITIONS", "/"}))
        script += line + "\n";

    // A raw SAVERESULTS may have replaced the data file: every input starts
    // from the same files.
    clean_work_dir({});
    write_file(kDataFile, kGas);
    write_file(kScriptFile, script);
    run_interpreter(kScriptFile);
    return 0;
}
