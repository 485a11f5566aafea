// The C locale's blanks, whatever the process's locale and code page.
#include <gtest/gtest.h>

#include <string>

#include "win/AsciiText.h"

namespace {

TEST(AsciiText, TrimRemovesCLocaleWhitespaceAtBothEnds)
{
    const std::string nuls(" \0x\0 ", 5);
    EXPECT_EQ("a b", ascii::Trim(" \t\n\v\f\ra b\r\n\v "));
    EXPECT_EQ("", ascii::Trim(" \t\r\n"));
    EXPECT_EQ("", ascii::Trim(""));
    EXPECT_EQ("\xA0x\xA0", ascii::Trim("\xA0x\xA0"));
    EXPECT_EQ(std::string("\0x\0", 3), ascii::Trim(nuls));
    EXPECT_TRUE(ascii::IsSpace('\v'));
    EXPECT_FALSE(ascii::IsSpace('\0'));
    EXPECT_FALSE(ascii::IsSpace('\x85'));
}

}  // namespace
