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

}  // namespace
}  // namespace kestor
