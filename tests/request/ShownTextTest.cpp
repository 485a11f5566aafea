// Whether a value the user is shown prints as what it is in the code page that shows it.
#include "request/ShownText.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct ShownTextCase {
    UINT codePage;
    const char* bytes;
    bool plain;
    const char* what;
};

const ShownTextCase kCases[] = {
    {1252, "", true, "empty"},
    {1252, "C:\\Users\\Public\\Documents\\weekly report.txt", true, "a path with a plain space"},
    {1252, "caf\xE9 \x80 \xA9", true, "letters and signs above ASCII"},
    {1252, "\xA0", false, "the non-breaking space"},
    {1252, "friend@example.com\xA0?", false, "a non-breaking space between words"},
    {1252, "soft\xADhyphen", false, "the soft hyphen prints as nothing"},
    {1252, "a\x7F", false, "DEL"},
    {1252, "a\x1F", false, "a C0 control"},
    {1252, "a\x81", false, "a byte the code page leaves undefined"},
    {1252, "a\x9D", false, "another undefined byte"},
    {932, "\x82\xA0\x83\x5C\xB1", true, "hiragana, a katakana whose second byte is 0x5C, half-width katakana"},
    {932, "\x81\x40", false, "the ideographic space"},
    {932, "to\x81\x40mallory", false, "the ideographic space between words"},
    {932, "a\x82", false, "a lead byte without its second byte"},
    {65001, "\xF0\x9F\x93\x8E clip", true, "a character beyond the BMP"},
    {65001, "\xF3\xA0\x80\x81", false, "a tag character beyond the BMP"},
    {65001, "\xED\xA0\x80", false, "an encoded surrogate is no character"},
    {65001, "a\xE2\x80\x8B", false, "U+200B, the zero-width space"},
    {65001, "a\xE2\x80\xAE", false, "U+202E, which turns the text after it around"},
    {65001, "a\xE2\x80\xA8", false, "U+2028, the line separator"},
    {65001, "a\xE2\x80\xAF", false, "U+202F, the narrow no-break space"},
    {65001, "a\xE3\x85\xA4", false, "U+3164, the Hangul filler"},
    {65001, "a\xE2\xA0\x80", false, "U+2800, the blank braille pattern"},
    {65001, "a\xEF\xBB\xBF", false, "U+FEFF, the zero-width no-break space"},
    {65001, "a\xEF\xBF\xB9", false, "U+FFF9, which hides annotated text"},
};

TEST(IsPlainShownText, RefusesEveryInvisibleOrBlankCharacterOfItsCodePage)
{
    for (const ShownTextCase& c : kCases)
        EXPECT_EQ(c.plain, IsPlainShownText(c.bytes, c.codePage)) << c.what << " (code page " << c.codePage << ")";
}

// A server name's characters beyond ASCII are letters of its code page, or it is no host name.
TEST(IsServerNameInCodePage, TakesLettersBeyondAsciiAndNothingElse)
{
    const ShownTextCase cases[] = {
        {1252, "b\xFC" "cher.example", true, "a letter with a diaeresis"},
        {1252, "files\xB7" "example", false, "the middle dot"},
        {1252, "a\xD7" "b", false, "the multiplication sign"},
        {1252, "a\x81", false, "a byte the code page leaves undefined"},
        {932, "\x83\x5C\xB1.example", true, "katakana, also half-width"},
        {932, "a\x81\x44" "b", false, "the full-width full stop"},
    };
    for (const ShownTextCase& c : cases)
        EXPECT_EQ(c.plain, IsServerNameInCodePage(c.bytes, c.codePage)) << c.what << " (code page " << c.codePage << ")";
}

// Run by the ctest entry request.cp932, in a Wine process whose ANSI code page is 932; skipped
// elsewhere.
TEST(IsPlainShownTextInCodePage932, TheAnsiCodePageIsTheDefault)
{
    if (!std::getenv("VX_CODE_PAGE_932")) GTEST_SKIP() << "only for the request.cp932 entry";
    ASSERT_EQ(932u, GetACP());
    EXPECT_FALSE(IsPlainShownText("\x81\x40"));
    EXPECT_TRUE(IsPlainShownText("\x82\xA0"));
}

}  // namespace
