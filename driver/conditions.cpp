// CONDITIONS: the 20 current conditions, the gas composition and the
// normalisation switch, any of them given as VAR for the run commands.
#include <string>
#include <string_view>
#include <vector>

#include "driver/commands.h"
#include "driver/log.h"
#include "driver/text_util.h"

namespace kestor {
namespace {

constexpr std::string_view kVar = "VAR";
constexpr std::string_view kContinued = "&";

// A word held in a blank-padded text, left-adjusted, without trailing blanks.
template <std::size_t N>
std::string word_of(FixedText<N> text) {
    if (text.is_blank()) return {};
    left_adjust(text);
    return text.trimmed();
}

void add_var(Interpreter& in, int index) { in.IVAR[++in.var_count] = index; }

// A number read from a word held in memory; false when it is not one
// (an empty word included).
bool read_real_word(std::string_view word, double& v) {
    return read_values_from(word, v) == ReadResult::kOk;
}

// One condition line: its first word is a number or begins with VAR.
bool read_condition(Interpreter& in, int i) {
    if (script_read_values_or_stop(in, in.S) != ReadResult::kOk) return false;
    const std::string word = word_of(in.S);
    if (word.compare(0, kVar.size(), kVar) == 0) {
        add_var(in, i);
        return true;
    }
    return read_real_word(in.S.full(), in.C[i]);
}

enum class Composition { kComplete, kNextLine, kAbort };

// The words of one composition line, species after species from n on.
Composition read_composition_line(Interpreter& in, int species_count, int& n) {
    if (script_read_line(in, in.S) != ReadResult::kOk) return Composition::kAbort;
    std::vector<ReadTarget> targets;
    for (int j = 1; j <= species_count; ++j) {
        in.SS[j].blank();
        targets.push_back(ReadTarget::of(in.SS[j]));
    }
    read_free(in.S.full(), targets);
    for (int j = 1; j <= species_count; ++j) {
        const std::string word = word_of(in.SS[j]);
        if (word.empty()) {
            writelog(in, "Gas composition incomplete");
            return Composition::kAbort;
        }
        if (word == kContinued) return Composition::kNextLine;
        ++n;
        if (word == kVar)
            add_var(in, kNumConditions + n);
        else if (!read_real_word(word, in.C[kNumConditions + n]))
            return Composition::kAbort;
        if (n == species_count) return Composition::kComplete;
    }
    return Composition::kNextLine;
}

}  // namespace

CommandResult cmd_conditions(Program& p) {
    Interpreter& in = p.in;
    const int species_count = p.t.num.species_count;
    in.var_count = 0;
    for (int i = 1; i <= kNumConditions + species_count; ++i) in.C[i] = 0.0;

    // One line per labelled condition (all 20 are labelled at start-up).
    for (int i = 1; i <= kNumConditions; ++i) {
        if (p.t.labels.condition_labels[i].is_blank()) continue;
        if (!read_condition(in, i)) return CommandResult::kAbort;
    }

    if (species_count < 2) {
        in.C[kNumConditions + 1] = 1.0;  // the only species makes up the gas
        return CommandResult::kNext;
    }
    int n = 0;
    while (true) {
        const Composition c = read_composition_line(in, species_count, n);
        if (c == Composition::kAbort) return CommandResult::kAbort;
        if (c == Composition::kComplete) break;
    }
    if (script_read_values(in, p.t.prefs.normalize_fractions) != ReadResult::kOk) return CommandResult::kAbort;
    return CommandResult::kNext;
}

}  // namespace kestor
