#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

LeadByteTable NoLeadBytes = {};

// The line and the storage are allocated to their exact sizes, so that the sanitizers see any
// access past either end.
std::vector<std::string> Split(const std::string& line, const LeadByteTable& lead = NoLeadBytes,
                               std::size_t storageSize = 1024) {
    std::unique_ptr<char[]> exactLine(new char[line.size() + 1]);
    std::memcpy(exactLine.get(), line.c_str(), line.size() + 1);
    std::unique_ptr<char[]> storage(new char[storageSize]);
    char* arguments[16] = {};
    int count = SplitArguments(exactLine.get(), lead, storage.get(), storageSize, arguments, 16);
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
    // At the very end a lead byte stands alone: the terminator is never taken as its trail, so
    // what lies behind the terminator is never read.
    EXPECT_EQ(Split(std::string("a \x82\0 tail", 10), lead), (Words{"a", "\x82"}));
    EXPECT_EQ(Split("\x82", lead), (Words{"\x82"}));
}

TEST(SplitArgumentsTest, NeverOverrunsItsArrays) {
    EXPECT_EQ(Split("abc def", NoLeadBytes, 8), (Words{"abc", "def"}));
    EXPECT_EQ(Split("abc defg", NoLeadBytes, 8), (Words{"abc"}));
    EXPECT_EQ(Split("abcdefghijk", NoLeadBytes, 4), Words{});
    EXPECT_EQ(Split("abc \"\"", NoLeadBytes, 4), Words{"abc"});
    std::vector<char> storage(64);
    char* arguments[2] = {};
    EXPECT_EQ(SplitArguments("a b c d", NoLeadBytes, storage.data(), storage.size(), arguments, 2),
              2);
}

}  // namespace
