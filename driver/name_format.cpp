#include "driver/name_format.h"

#include "common/forms.h"

namespace kestor {

static_assert(kSingleTenth == 0.10000000149011612);
static_assert(kSingleHundredth == 0.009999999776482582);
static_assert(kSingleThousandth == 0.0010000000474974513);

namespace {
constexpr int kTagNumberWidth = 3;
}  // namespace

std::string name_tag(char letter, int number) {
    return letter + strip_blanks(form_i(number, kTagNumberWidth));
}

void put_at(Name& name, int col, std::string_view text) {
    for (std::size_t i = 0; i < text.size() && col + static_cast<int>(i) <= kNameWidth; ++i)
        name.c[col - 1 + i] = text[i];
}

void put_after_gap(Name& name, std::string_view text, int gap) {
    put_at(name, static_cast<int>(name.trimmed_length()) + 1 + gap, text);
}

}  // namespace kestor
