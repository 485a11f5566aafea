#include <gtest/gtest.h>

#include <string>

#include "bridge/Base64.h"

TEST(DecodeBase64, DecodesThePaddedStandardAlphabet)
{
    const struct {
        const char* text;
        std::string bytes;
    } cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9v", "foo"},
        {"AP/+", std::string("\x00\xFF\xFE", 3)},
        {"+/+/", "\xFB\xFF\xBF"},
        // The first and last character of each range of the alphabet.
        {"AZaz", "\x01\x96\xB3"},
        {"09+/", "\xD3\xDF\xBF"},
        // The bits the padding covers are zero.
        {"QQ==", "A"},
        {"Zm8=", "fo"},
    };
    for (const auto& row : cases) {
        std::string bytes = "stale";
        EXPECT_EQ(Base64Result::decoded, DecodeBase64(row.text, 16, bytes)) << row.text;
        EXPECT_EQ(row.bytes, bytes) << row.text;
    }
}

TEST(DecodeBase64, RefusesWhatIsNotStrictBase64)
{
    const char* refused[] = {
        // Not whole groups of four, padded or not.
        "Zm9vZ", "Zg", "Zm9", "Zg=", "Zg===",
        // Padding of three or four, padding inside a group or before the last group.
        "Z===", "====", "Zm=v", "=m9v", "Zg==Zg==",
        // A character just outside each range of the alphabet, whitespace, the URL alphabet.
        "AAA*", "AAA,", "AAA.", "AAA:", "AAA@", "AAA[", "AAA`", "AAA{", "Zm 9v", "Zm9v\n", "Zm-_",
        // Stray bits under the padding: the lowest and the highest of them.
        "Zm9=", "ZmC=", "ZR==", "ZY==",
        // Refused after a whole group was read: nothing of it is left.
        "Zm9vZm9*", "Zm9vZm9=",
    };
    for (const char* text : refused) {
        std::string bytes;
        EXPECT_EQ(Base64Result::invalid, DecodeBase64(text, 16, bytes)) << text;
        EXPECT_TRUE(bytes.empty()) << text;
    }
}

TEST(DecodeBase64, RefusesMoreThanTheBoundFromTheLengthAlone)
{
    std::string bytes;
    EXPECT_EQ(Base64Result::decoded, DecodeBase64("Zm9vYg==", 4, bytes));
    EXPECT_EQ(Base64Result::tooLarge, DecodeBase64("Zm9vYmE=", 4, bytes));
    EXPECT_EQ(Base64Result::tooLarge, DecodeBase64("!!!!!!!!", 4, bytes));
}
