// Fuzz target of the free-format reader and the number forms.
//
// The input's first line is a program of operations, one byte each; the
// other lines are the text read. Operations: a free-format read from the
// lines into a mix of integer, real and text targets, a whole-line read,
// a step back over lines, and a free-format read from one line held in
// memory. Every value read is written back with the number forms, and a
// real written with 15 significant digits must read back to itself.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "common/forms.h"
#include "common/free_format.h"
#include "tests/fuzz/fuzz_util.h"

namespace kestor::test {
namespace {

constexpr int kMaxTargets = 8;
constexpr int kMaxOperations = 64;
using ShortText = FixedText<8>;

struct Targets {
    int ints[kMaxTargets] = {};
    double reals[kMaxTargets] = {};
    ShortText shorts[kMaxTargets] = {};
    LineText lines[kMaxTargets] = {};
    std::vector<ReadTarget> list;
};

// Up to 8 targets; two bits of the kind byte per target choose its kind.
void choose_targets(Bytes& ops, Targets& t) {
    const int count = ops.in_range(1, kMaxTargets);
    unsigned kinds = ops.byte() | (ops.byte() << 8);
    t.list.clear();
    for (int i = 0; i < count; ++i, kinds >>= 2) {
        switch (kinds & 3) {
            case 0: t.list.push_back(ReadTarget::of(t.ints[i])); break;
            case 1: t.list.push_back(ReadTarget::of(t.reals[i])); break;
            case 2: t.list.push_back(ReadTarget::of(t.shorts[i])); break;
            default: t.list.push_back(ReadTarget::of(t.lines[i])); break;
        }
    }
}

void fail(const char* what) {
    std::fprintf(stderr, "free-format fuzz: %s\n", what);
    std::abort();
}

// A real written in the free-format double field reads back to itself
// (15 significant digits hold it to a relative 1e-14).
void check_round_trip(double v) {
    const double a = std::fabs(v);
    if (!(a == 0.0 || (a > 1e-300 && a < 1e300))) return;
    const std::string field = free_double(v);
    if (field.size() != 24) fail("free-format double field is not 24 characters");
    double back = 0.0;
    if (read_values_from(field, back) != ReadResult::kOk) fail("free-format double field does not read back");
    if (std::fabs(back - v) > 1e-14 * a) fail("free-format double field reads back to another value");
}

// Every form must give its width (or, for width 0, some text) for any value.
void write_forms(const Targets& t) {
    FreeRecord record;
    for (const ReadTarget& target : t.list) {
        if (target.kind == ReadTarget::Kind::kInt) {
            const int v = *static_cast<const int*>(target.ptr);
            if (form_i(v, 3).size() != 3 || form_i(v, 12).size() != 12) fail("Iw width");
            record.integer(v);
        } else if (target.kind == ReadTarget::Kind::kReal) {
            const double v = *static_cast<const double*>(target.ptr);
            if (g12_4(v).size() != 12 || form_g(v, 15, 3).size() != 15) fail("Gw.d width");
            for (int d : {0, 2, 5}) {
                if (form_f(v, 15, d).size() != 15) fail("Fw.d width");
            }
            (void)form_f(v, 0, 3);
            if (free_single(static_cast<float>(v)).size() != 15) fail("free-format single width");
            check_round_trip(v);
            record.real(v).single(static_cast<float>(v));
        } else {
            const std::string s(static_cast<const char*>(target.ptr), target.text_length);
            (void)form_a(s, 4);
            record.text(s);
        }
    }
    // Records begin with one blank and hold at most 80 characters.
    for (const std::string& line : record.lines())
        if (line.size() > 80 || (!line.empty() && line[0] != ' ')) fail("free-format record shape");
}

void run(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines = split_lines(
        std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string program = lines.empty() ? std::string() : lines.front();
    if (!lines.empty()) lines.erase(lines.begin());
    const std::vector<std::string> memory = lines;

    LineInput in;
    in.set_lines(lines, "fuzz");
    Bytes ops(reinterpret_cast<const std::uint8_t*>(program.data()), program.size());
    Targets t;
    for (int op = 0; op < kMaxOperations; ++op) {
        switch (ops.byte() % 4) {
            case 0: {
                choose_targets(ops, t);
                std::size_t filled = 0;
                read_free(in, t.list, &filled);
                if (filled > t.list.size()) fail("more targets filled than given");
                write_forms(t);
                break;
            }
            case 1: {
                LineText line;
                read_line(in, line);
                break;
            }
            case 2:
                in.step_back(ops.byte() % 4);
                break;
            default: {
                choose_targets(ops, t);
                const std::string text = memory.empty() ? std::string() : memory[ops.byte() % memory.size()];
                std::size_t filled = 0;
                read_free(text, t.list, &filled);
                if (filled > t.list.size()) fail("more targets filled than given");
                write_forms(t);
                break;
            }
        }
        if (ops.rest().empty()) break;
    }
}

}  // namespace
}  // namespace kestor::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestor::test::run(data, size);
    return 0;
}
