#include "common/fixed_text.h"

#include <gtest/gtest.h>

#include "common/tables.h"

namespace kestor {
namespace {

TEST(FixedText, AssignPadsAndCuts) {
    FixedText<8> t;
    t.assign("abc");
    EXPECT_EQ(t.full(), "abc     ");
    EXPECT_EQ(t.trimmed(), "abc");
    t.assign("abcdefghij");
    EXPECT_EQ(t.full(), "abcdefgh");
}

TEST(FixedText, ZeroedStorageReadsAsBlank) {
    auto tables = make_tables();
    EXPECT_TRUE(tables->col.collision_name[17].is_blank());
    EXPECT_EQ(tables->col.collision_name[17].full(), std::string(64, ' '));
    EXPECT_EQ(tables->num.run_count, 0);
}

TEST(FixedText, ComparisonIgnoresTrailingBlanks) {
    Name a;
    a.assign("N2");
    EXPECT_TRUE(a.equals("N2"));
    EXPECT_TRUE(a.equals("N2   "));
    EXPECT_FALSE(a.equals("n2"));
    EXPECT_FALSE(a.equals(" N2"));
}

// The padding is passed over eight characters at a time: the last
// character that is neither a blank nor a NUL ends the text wherever it
// stands, also in a text whose length is no multiple of eight.
template <std::size_t N>
void check_trimmed_length() {
    const char kPadding[] = {' ', '\0'};
    const char kEnds[] = {'x', '\t', '\x01', '\x80', '\xa0', '!'};
    for (std::size_t last = 0; last < N; ++last) {
        for (char end : kEnds) {
            FixedText<N> t;
            for (std::size_t i = 0; i < N; ++i) t.c[i] = kPadding[(i * 7 + last) % 2];
            t.c[last] = end;
            EXPECT_EQ(t.trimmed_length(), last + 1) << "N " << N << ", character " << int(end) << " at " << last;
        }
    }
    FixedText<N> blank;
    for (std::size_t i = 0; i < N; ++i) blank.c[i] = kPadding[i % 3 == 0];
    EXPECT_EQ(blank.trimmed_length(), 0u);
    EXPECT_TRUE(blank.is_blank());
}

TEST(FixedText, TrimmedLengthStopsAtTheLastNonBlank) {
    check_trimmed_length<256>();
    check_trimmed_length<12>();
    check_trimmed_length<5>();
}

TEST(FixedText, FullShowsNulsAsBlanks) {
    FixedText<12> t;
    t.assign("a");
    t.c[3] = '\0';
    t.c[11] = '\0';
    EXPECT_EQ(t.full(), "a           ");
    t.assign("no nul here");
    EXPECT_EQ(t.full(), "no nul here ");
}

}  // namespace
}  // namespace kestor
