#include "textio/strings.hpp"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(CommandTail, JoinsArgumentsWithSingleBlanks) {
    EXPECT_EQ("", command_tail({}));
    EXPECT_EQ("", command_tail({""}));
    EXPECT_EQ(" ", command_tail({"", ""}));
    EXPECT_EQ("a.pal b.pal", command_tail({"a.pal", "b.pal"}));
    EXPECT_EQ("a  b", command_tail({"a", "", "b"}));
    EXPECT_EQ("my pals/sky.pal", command_tail({"my pals/sky.pal"}));
}

TEST(StrLeftRight, CountsOutOfRangeGiveEmptyOrWhole) {
    const String s = "sky.pal";
    EXPECT_EQ("", str_left(s, -4));
    EXPECT_EQ("", str_left(s, 0));
    EXPECT_EQ("", str_left("", 3));
    EXPECT_EQ("sky.pal", str_left(s, 99));
    EXPECT_EQ("sky.pa", str_left(s, str_len(s) - 1));
    EXPECT_EQ("ky.pal", str_right(s, str_len(s) - 1));
    EXPECT_EQ(".pal", str_right(s, 4));
    EXPECT_EQ("", str_right(s, -1));
    EXPECT_EQ("sky.pal", str_right(s, 7));
    EXPECT_EQ("", str_left("x", 0));
    EXPECT_EQ("", str_right("x", 0));
    // The overload that cuts in place gives the same results.
    EXPECT_EQ("ky.pal", str_right(String(s), 6));
    EXPECT_EQ("", str_right(String(s), 0));
    EXPECT_EQ("sky.pal", str_right(String(s), 99));
}

TEST(StrTrim, DropsBlanksBothEndsAndZeroBytesOnlyAtTheEnd) {
    const struct {
        String in;
        String out;
    } cases[] = {
        {"  JASC-PAL  ", "JASC-PAL"},
        {"JASC-PAL\0\0"s, "JASC-PAL"},
        {"JASC-PAL \0 \0"s, "JASC-PAL"},
        {"\0JASC-PAL"s, "\0JASC-PAL"s},
        {"\tx\t", "\tx\t"},
        {"x\r", "x\r"},
        {"    ", ""},
        {" \0 "s, ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.out, str_trim(c.in));
        EXPECT_EQ(c.out, str_trim(String(c.in)));
    }
}

TEST(StrFind, FirstMatchAtOrAfterStart) {
    const String s = "a b c";
    EXPECT_EQ(2, str_find(1, s, " "));
    EXPECT_EQ(4, str_find(3, s, " "));
    EXPECT_EQ(1, str_find(1, s, "a"));
    EXPECT_EQ(5, str_find(1, s, "c"));
    EXPECT_EQ(3, str_find(1, s, "b c"));
    EXPECT_EQ(0, str_find(1, s, "x"));
    EXPECT_EQ(0, str_find(1, "", " "));
    EXPECT_EQ(0, str_find(1, s, ""));
    EXPECT_EQ(0, str_find(1, "ab", "abc"));
    EXPECT_EQ(0, str_find(0, s, "a"));
    EXPECT_EQ(0, str_find(6, s, "c"));
    EXPECT_EQ(0, str_find(5, s, "c "));  // a match must lie wholly inside
}

TEST(StrEqual, ComparesEveryByte) {
    EXPECT_TRUE(str_equal("JASC-PAL", "JASC-PAL"));
    EXPECT_FALSE(str_equal("JASC-PAL", "jasc-pal"));
    EXPECT_FALSE(str_equal("JASC-PAL", "JASC-PAL "));
    EXPECT_FALSE(str_equal("a", "a\0"s));
    EXPECT_TRUE(str_equal("", String()));
}

TEST(StrConcatAppend, KeepEveryByte) {
    EXPECT_EQ("const u16 _pal", str_concat("const u16 ", "_pal"));
    String s = "C:\\p";
    str_append(s, ".yuv");
    EXPECT_EQ("C:\\p.yuv", s);
    str_append(s, "");
    EXPECT_EQ("C:\\p.yuv", s);
    EXPECT_EQ(3, str_len(str_concat("a\0"s, "b")));
}

}  // namespace
