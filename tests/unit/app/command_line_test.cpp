#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

LeadByteTable NoLeadBytes = {};

std::vector<std::string> Split(const std::string& line, const LeadByteTable& lead = NoLeadBytes,
                               std::size_t storageSize = 1024) {
    std::vector<char> storage(storageSize);
    char* arguments[16] = {};
    int count = SplitArguments(line.c_str(), lead, storage.data(), storage.size(), arguments, 16);
    return std::vector<std::string>(arguments, arguments + count);
}

using Words = std::vector<std::string>;

TEST(SkipProgramNameTest, QuotedOrBareNameEndsWhereTheSimpleRuleSays) {
    const struct {
        const char* line;
        const char* rest;
    } cases[] = {
        {"korvane.exe a b", " a b"},
        {"  \tkorvane.exe\ta", "\ta"},
        {"\"C:\\Program Files\\k.exe\" a", " a"},
        {"\"C:\\k.exe\"a", "a"},
        {"\"C:\\dir\\\"x y", "x y"},  // no backslash rule here
        {"\"C:\\unclosed a b", ""},
        {"k\"a b\" c", " b\" c"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(SkipProgramName(c.line), c.rest) << c.line;
    }
}

TEST(SplitArgumentsTest, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(Split(""), Words{});
    EXPECT_EQ(Split(" \t "), Words{});
    EXPECT_EQ(Split(" a \t b  "), (Words{"a", "b"}));
    EXPECT_EQ(Split("\"C:\\My Files\\fw.bin\" - out"), (Words{"C:\\My Files\\fw.bin", "-", "out"}));
    EXPECT_EQ(Split("a\"b c\"d e"), (Words{"ab cd", "e"}));
    EXPECT_EQ(Split("\"\" x"), (Words{"", "x"}));
    EXPECT_EQ(Split("\"\"\"\""), (Words{""}));
    EXPECT_EQ(Split("\"open to the end"), (Words{"open to the end"}));
    EXPECT_EQ(Split("*.bin fw?.hex"), (Words{"*.bin", "fw?.hex"}));
}

TEST(SplitArgumentsTest, BackslashMattersOnlyBeforeAQuote) {
    EXPECT_EQ(Split("a\\\"b"), (Words{"a\"b"}));
    EXPECT_EQ(Split("C:\\dir\\\\ x"), (Words{"C:\\dir\\\\", "x"}));
    EXPECT_EQ(Split("\\\\\"a b\""), (Words{"\\\"a", "b"}));
    // A backslash before the closing quote keeps the stretch open, blanks included.
    EXPECT_EQ(Split("\"C:\\dir\\\" out x"), (Words{"C:\\dir\" out x"}));
    EXPECT_EQ(Split("\"C:\\dir\\\" out\" x"), (Words{"C:\\dir\" out", "x"}));
}

TEST(SplitArgumentsTest, LeadByteTakesItsTrailByteWhateverItIs) {
    LeadByteTable lead = {};
    lead[0x82] = true;
    // 0x82 0x5C is one character; its trail byte is no backslash, so the quote opens a stretch.
    EXPECT_EQ(Split("\x82\\\"a b\"", lead), (Words{"\x82\\a b"}));
    EXPECT_EQ(Split("\x82\\\"a b\"", NoLeadBytes), (Words{"\x82\"a", "b"}));
    EXPECT_EQ(Split("\x82\" x", lead), (Words{"\x82\"", "x"}));
    EXPECT_EQ(Split("\x82 x", lead), (Words{"\x82 x"}));
    EXPECT_EQ(Split("a \x82", lead), (Words{"a", "\x82"}));
}

TEST(SplitArgumentsTest, NeverOverrunsItsArrays) {
    EXPECT_EQ(Split("abc def", NoLeadBytes, 8), (Words{"abc", "def"}));
    EXPECT_EQ(Split("abc defg", NoLeadBytes, 8), (Words{"abc"}));
    EXPECT_EQ(Split("abcdefghijk", NoLeadBytes, 4), Words{});
    std::vector<char> storage(64);
    char* arguments[2] = {};
    EXPECT_EQ(SplitArguments("a b c d", NoLeadBytes, storage.data(), storage.size(), arguments, 2),
              2);
}

}  // namespace
