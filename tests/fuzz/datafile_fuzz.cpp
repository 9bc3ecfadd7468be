// Fuzz target of the cross-section data-file reader, through READCOLLISIONS.
//
// The input is a data file. A fixed script loads it for a few species
// (twice, with both extrapolation flags), makes one small run on whatever
// was loaded and writes the collision data back in the data-file format
// (layout 7), which is then loaded again.
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_util.h"

namespace kestor::test {
namespace {

constexpr const char* kDataFile = "data.txt";
constexpr const char* kScriptFile = "script.kes";

// E/N 10 Td in a gas at 300 K on a 20-cell grid, at most 10 iterations.
constexpr std::string_view kScript =
    "READCOLLISIONS\n"
    "data.txt\n"
    "Ar N2 X ar AR\n"
    "0\n"
    "READCOLLISIONS\n"
    "data.txt\n"
    "N2 O2 CO2 e\n"
    "1\n"
    "CONDITIONS\n"
    "10\n0\n0\n300\n0\n0\n0\n0\n1\n1\n0\n0\n0\n0\n20\n0\n0\n1e-10\n1e-3\n10\n"
    "0.2 0.2 0.2 0.1 0.1 0.1 0.1 &\n"
    "0.1\n"
    "1\n"
    "RUN\n"
    "SAVERESULTS\n"
    "back.txt\n"
    "7\n1\n1\n1\n1\n1\n1\n0\n"
    "CLEARCOLLISIONS\n"
    "READCOLLISIONS\n"
    "back.txt\n"
    "Ar N2\n"
    "0\n"
    "END\n";

}  // namespace
}  // namespace kestor::test

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    kestor::test::prepare_interpreter_process(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestor::test;
    clean_work_dir({});
    write_file(kDataFile, std::string_view(reinterpret_cast<const char*>(data), size));
    write_file(kScriptFile, kScript);
    run_interpreter(kScriptFile);
    return 0;
}
