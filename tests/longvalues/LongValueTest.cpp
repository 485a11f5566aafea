// Values longer than the codec's scan block: read whole, byte for byte, whether the block ends
// inside a run without stops or the value is broken up by many doubled quotes, and without keeping
// the room reserved for the rest of the text.
#include <gtest/gtest.h>

#include <string>

#include "client/KeyValueMap.h"

namespace {

// The stored value itself (Lookup hands out a copy, whose capacity says nothing).
const std::string* Stored(const CKeyValueMap& map, const std::string& key)
{
    for (const auto& entry : map)
        if (entry.first == key) return &entry.second;
    return nullptr;
}

// A value with a double quote every `every` bytes, and its quoted text form.
std::string ValueWithQuotes(std::size_t size, std::size_t every)
{
    std::string value;
    for (std::size_t index = 0; value.size() < size; ++index)
        value += (index % every == every - 1) ? '"' : static_cast<char>('a' + index % 26);
    return value;
}

TEST(LongValues, ParseBackExactlyWhateverSplitsThem)
{
    for (std::size_t every : {7u, 1000u, 70000u, 300000u}) {
        const std::string value = ValueWithQuotes(200000, every);
        CKeyValueMap written;
        written["LONG"] = value;
        written["AFTER"] = "x y";
        CKeyValueMap parsed;
        parsed.ParseText(written.FormatText(" "));
        const std::string* read = Stored(parsed, "LONG");
        ASSERT_NE(nullptr, read) << every;
        EXPECT_TRUE(*read == value) << "quote every " << every << ": " << read->size() << " bytes read";
        EXPECT_LE(read->capacity(), 2 * read->size()) << every;
        ASSERT_NE(nullptr, Stored(parsed, "AFTER"));
        EXPECT_EQ("x y", *Stored(parsed, "AFTER"));
    }
}

TEST(LongValues, ALongValueFollowedByMuchTextKeepsNoSpareRoom)
{
    std::string text = "A=\"" + std::string(100000, 'v') + "\"\n";
    for (int index = 0; index < 20000; ++index) text += "K" + std::to_string(index) + "=value\n";
    CKeyValueMap parsed;
    parsed.ParseText(text);
    const std::string* read = Stored(parsed, "A");
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(std::string(100000, 'v'), *read);
    EXPECT_LE(read->capacity(), 2 * read->size()) << "room kept for the text after the value";
    EXPECT_EQ(20001u, parsed.GetCount());
}

TEST(LongValues, ABareLongValueEndsAtItsWhitespaceAndALoneQuoteInItFails)
{
    const std::string bare(150000, 'b');
    CKeyValueMap parsed;
    parsed.ParseText("B=" + bare + "\tC=1");
    std::string read;
    ASSERT_TRUE(parsed.Lookup("B", read));
    EXPECT_TRUE(read == bare);
    EXPECT_TRUE(parsed.Lookup("C", read));

    CKeyValueMap failing;
    EXPECT_THROW(failing.ParseText("D=" + bare + "\"" + bare), FormatException);
    EXPECT_FALSE(failing.Lookup("D", read));
    EXPECT_THROW(failing.ParseText("E=\"" + bare + "\"\""), FormatException);
    EXPECT_FALSE(failing.Lookup("E", read));
}

}  // namespace
