#include <gtest/gtest.h>

#include <string>

#include "bridge/AnsiText.h"

namespace {

struct Conversion {
    const char* utf8;
    bool converts;
    const char* ansi;
};

void ExpectConversions(UINT codePage, std::initializer_list<Conversion> table)
{
    for (const auto& row : table) {
        std::string ansi = "stale";
        EXPECT_EQ(row.converts, Utf8ToAnsi(row.utf8, ansi, codePage)) << codePage << ": " << row.utf8;
        EXPECT_EQ(row.ansi, ansi) << codePage << ": " << row.utf8;
    }
}

}  // namespace

TEST(Utf8ToAnsi, RefusesWhatCodePage1252LacksInsteadOfABestFit)
{
    ExpectConversions(1252, {
        {"", true, ""},
        {"C:\\a b\\pkg.zip", true, "C:\\a b\\pkg.zip"},
        {"caf\xC3\xA9 \xE2\x82\xAC", true, "caf\xE9 \x80"},
        {"a\xEF\xBC\xBC" "b", false, ""},  // U+FF3C FULLWIDTH REVERSE SOLIDUS, best fit '\'
        {"a\xE2\x88\x95" "b", false, ""},  // U+2215 DIVISION SLASH, best fit '/'
        {"\xC4\x80", false, ""},           // U+0100, best fit 'A'
        {"\xE3\x82\xBD", false, ""},       // U+30BD, no fit at all
        {"\xC3", false, ""},               // not UTF-8
        {"\xED\xA0\x80", false, ""},       // a surrogate
    });
}

TEST(Utf8ToAnsi, RefusesWhatCodePage932LacksAndKeepsItsTrailBytes)
{
    ExpectConversions(932, {
        {"\xE3\x82\xBD\\", true, "\x83\x5C\\"},  // U+30BD, whose trail byte is the backslash byte
        {"\xEF\xBC\xBC", true, "\x81\x5F"},      // U+FF3C is a character of its own here
        {"\xC2\xA5", false, ""},                 // U+00A5 YEN SIGN, best fit 0x5C
        {"\xC3\xA9", false, ""},
    });
}

TEST(AnsiText, ConvertsThePlugInsTextsAndUsesTheProcessCodePageByDefault)
{
    EXPECT_EQ("caf\xC3\xA9 \xE2\x82\xAC", AnsiToUtf8("caf\xE9 \x80", 1252));
    EXPECT_EQ("\xE3\x82\xBD\\", AnsiToUtf8("\x83\x5C\\", 932));
    EXPECT_EQ(AnsiToUtf8("\xE9\x83\x5C", GetACP()), AnsiToUtf8("\xE9\x83\x5C"));
    std::string byDefault, byNumber;
    const bool converts = Utf8ToAnsi("caf\xC3\xA9 \xE3\x82\xBD", byDefault);
    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE3\x82\xBD", byNumber, GetACP()), converts);
    EXPECT_EQ(byNumber, byDefault);
}
