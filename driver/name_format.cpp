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

int last_nonblank(const Name& name) { return static_cast<int>(name.trimmed_length()); }

void put_after_gap(Name& name, std::string_view text) { put_at(name, last_nonblank(name) + 1 + kNameGap, text); }

}  // namespace kestor
