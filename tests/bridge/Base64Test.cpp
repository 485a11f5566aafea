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
    };
    for (const auto& row : cases) {
        std::string bytes = "stale";
        EXPECT_EQ(Base64Result::decoded, DecodeBase64(row.text, 16, bytes)) << row.text;
        EXPECT_EQ(row.bytes, bytes) << row.text;
    }
}

TEST(DecodeBase64, RefusesWhatIsNotStrictBase64)
{
    // Unpadded, padding inside, whitespace, the URL alphabet, stray bits in the last group.
    const char* refused[] = {"Zg", "Zg==Zg==", "Zm 9v", "Zm9v\n", "Zm-_", "====", "Zh==", "Zm9="};
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
