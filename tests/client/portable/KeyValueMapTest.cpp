// CKeyValueMap and its text form: parsing, formatting and the value texts, with values far longer
// than the codec's scan block.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "client/KeyValueMap.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const CKeyValueMap& map)
{
    return Entries(map.begin(), map.end());
}

struct ParseCase {
    std::string text;
    Entries stored;
    bool throws;
};

void ExpectParse(const ParseCase& row)
{
    CKeyValueMap map;
    bool threw = false;
    try {
        map.ParseText(row.text);
    } catch (const FormatException&) {
        threw = true;
    }
    EXPECT_EQ(row.throws, threw) << "text: [" << row.text << "]";
    EXPECT_EQ(row.stored, EntriesOf(map)) << "text: [" << row.text << "]";
}

}  // namespace

TEST(ParseText, EdgeCaseTable)
{
    const std::vector<ParseCase> table = {
        {"", {}, false},
        {"  \r\n\t \n", {}, false},
        {"NAME=abc SERVERNAME=host1 ", {{"NAME", "abc"}, {"SERVERNAME", "host1"}}, false},
        {"NAME = \"a b\"", {{"NAME", "a b"}}, false},
        {"K==x", {{"K", "=x"}}, false},
        {"A=1B=2", {{"A", "1B=2"}}, false},
        {"A=\"1\"B=\"2\"", {{"A", "1"}, {"B", "2"}}, false},
        {"A=x\"\"y", {{"A", "x\"y"}}, false},
        {"A=x\"y", {}, true},
        {"A=\"\"", {{"A", ""}}, false},
        {"A=\"\"\"\"", {{"A", "\""}}, false},
        {"A=\"\"\"", {}, true},
        {"name=x", {{"name", "x"}}, false},
        {"a.b_c=1", {{"a.b_c", "1"}}, false},
        {"a-b=1", {}, true},
        {"=x", {}, true},
        {"A=1 B", {{"A", "1"}}, true},
        {"A=", {}, true},
        {"A=  \r\n", {}, true},
    };
    for (const auto& row : table) ExpectParse(row);
}

TEST(ParseText, ThrowsAtEachKindOfSyntaxError)
{
    const std::vector<ParseCase> table = {
        {"\"A\"=1", {}, true},              // a quote where a key belongs
        {"A=1 -B=2", {{"A", "1"}}, true},   // a character that is neither key nor whitespace
        {"A 1", {}, true},                  // key not followed by "="
        {"A", {}, true},                    // key at the end of the text
        {"A=\"abc\"\"", {}, true},          // ends in a doubled quote, so never closed
        {"A=\"abc", {}, true},              // no closing quote
        {"A=ab\"", {}, true},               // lone quote at the end of a bare value
        {"A=1 B=\"x", {{"A", "1"}}, true},  // entries before the error stay
    };
    for (const auto& row : table) ExpectParse(row);
}

TEST(ParseText, CharacterClassesAreThoseOfTheCLocale)
{
    const std::vector<ParseCase> table = {
        {"A=1\vB=2\fC=3\rD=4\tE=5\nF=6", {{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}, {"E", "5"}, {"F", "6"}}, false},
        {"\xE9=1", {}, true},                                           // no key character
        {"K\xA0=1", {}, true},                                          // 0xA0 is no blank here
        {"A=\xE9t\xE9\xA0x", {{"A", "\xE9t\xE9\xA0x"}}, false},         // high bytes are value bytes
        {std::string("A=a\0b c=d", 9), {{"A", std::string("a\0b", 3)}, {"c", "d"}}, false},
        {"A=\x01!\x1f", {{"A", "\x01!\x1f"}}, false},                   // control bytes that are no blanks
    };
    for (const auto& row : table) ExpectParse(row);
}

TEST(ParseText, LongBareValuesEndAtTheFirstBlankOrQuote)
{
    // Values longer than one 16-byte block, with the stop at every offset and bytes near the stop
    // bytes (0x21, 0x01, 0x00) before it.
    for (std::size_t length = 1; length < 50; ++length) {
        std::string value;
        for (std::size_t i = 0; i < length; ++i) value += "ab!\x01z\0xy"[i % 8];
        ExpectParse({"A=" + value + " B=2", {{"A", value}, {"B", "2"}}, false});
        ExpectParse({"A=" + value + "\"\"" + value, {{"A", value + "\"" + value}}, false});
        ExpectParse({"A=" + value + "\"x", {}, true});
        ExpectParse({"A=\"" + value + " \"\"" + value + "\"B=1", {{"A", value + " \"" + value}, {"B", "1"}}, false});
    }
}

TEST(ParseText, ValuesLongerThanTheScanBlockStayWhole)
{
    // Values of about 64 KiB, with the stop or a doubled quote on each side of the block edge, and
    // one of many blocks.
    std::vector<std::size_t> lengths = {150000};
    for (std::size_t length = 65533; length <= 65539; ++length) lengths.push_back(length);
    for (std::size_t length : lengths) {
        std::string value(length, 'v');
        value[length / 3] = ' ';
        ExpectParse({"A=\"" + value + "\" B=2", {{"A", value}, {"B", "2"}}, false});
        ExpectParse({"A=\"" + value + "\"\"x\"", {{"A", value + "\"x"}}, false});
        ExpectParse({"A=\"" + value + "\"\"", {}, true});
        ExpectParse({"A=\"" + value, {}, true});
        std::string bare(length, 'v');
        ExpectParse({"A=" + bare + "\tB=2", {{"A", bare}, {"B", "2"}}, false});
        ExpectParse({"A=" + bare + "\"\"" + bare, {{"A", bare + "\"" + bare}}, false});
        ExpectParse({"A=" + bare + "\"" + bare, {}, true});  // a lone quote inside a bare value
        ExpectParse({"A=" + bare + "\"", {}, true});
        ExpectParse({"A=" + bare, {{"A", bare}}, false});
    }
}

TEST(ParseText, QuotedValuesKeepBlanksEqualsAndLineBreaks)
{
    ExpectParse({"A=\" x = \r\ny \"", {{"A", " x = \r\ny "}}, false});
    ExpectParse({"A=\"\"\"x\"\"\"", {{"A", "\"x\""}}, false});
}

TEST(ParseText, KeepsEarlierEntriesAndTheLastValueOfARepeatedKey)
{
    CKeyValueMap map;
    map["OLD"] = "kept";
    map["A"] = "replaced";
    map.ParseText("A=1 B=2 A=3");
    EXPECT_EQ((Entries{{"A", "3"}, {"B", "2"}, {"OLD", "kept"}}), EntriesOf(map));
}

TEST(KeyValueMap, IndexingAddsAnAbsentKeyButLookupDoesNot)
{
    CKeyValueMap map;
    std::string value = "untouched";
    EXPECT_FALSE(map.Lookup("X", value));
    EXPECT_EQ("untouched", value);
    EXPECT_EQ(0u, map.GetCount());
    EXPECT_EQ("", map["X"]);
    EXPECT_EQ(1u, map.GetCount());
    EXPECT_TRUE(map.Lookup("X", value));
    EXPECT_EQ("", value);
}

// The submission form is the text with "\n": one line per non-empty entry, each ended by its LF.
TEST(FormatText, QuotesEveryValueAndLeavesOutEmptyOnes)
{
    CKeyValueMap map;
    map["NAME"] = "abc";
    map["TYPE"] = "x\"y";
    map["EMPTY"] = "";
    map["PATH"] = "C:\\a b\r\nc";
    map["Q"] = "\"";
    EXPECT_EQ("NAME=\"abc\"\nPATH=\"C:\\a b\r\nc\"\nQ=\"\"\"\"\nTYPE=\"x\"\"y\"\n", map.FormatText("\n"));
    EXPECT_EQ("NAME=\"abc\"PATH=\"C:\\a b\r\nc\"Q=\"\"\"\"TYPE=\"x\"\"y\"", map.FormatText(""));
    EXPECT_EQ("NAME=\"abc\", PATH=\"C:\\a b\r\nc\", Q=\"\"\"\", TYPE=\"x\"\"y\", ", map.FormatText(", "));
    EXPECT_EQ("", CKeyValueMap().FormatText("\n"));
}

TEST(FormatText, AnEmptyParsedValueFormatsToNothing)
{
    CKeyValueMap map;
    map.ParseText("A=\"\"");
    EXPECT_EQ("", map.FormatText("\n"));
}

TEST(FormatText, ParsesBackWithEverySeparator)
{
    CKeyValueMap original;
    original["NAME"] = "a \"quoted\" name";
    original["SERVERNAME"] = "host1";
    original["a.b_c"] = "=\r\n\t ";
    original["Q"] = "\"";
    original["QQ"] = "\"\"";
    original["HIGH"] = "\xE9\xFF";
    original["EMPTY"] = "";
    Entries expected;
    for (const auto& entry : original) {
        if (!entry.second.empty()) expected.push_back(entry);
    }
    for (const char* separator : {"", " ", "\n", "\t", "\r\n", "\v", "\f", "\r", " \t\r\n"}) {
        CKeyValueMap parsed;
        parsed.ParseText(original.FormatText(separator));
        EXPECT_EQ(expected, EntriesOf(parsed)) << "separator [" << separator << "]";
    }
}

TEST(ValueTexts, QuoteValueDoublesEveryQuote)
{
    EXPECT_EQ("\"\"", QuoteValue(""));
    EXPECT_EQ("\"abc\"", QuoteValue("abc"));
    EXPECT_EQ("\"\"\"\"", QuoteValue("\""));
    EXPECT_EQ("\"a\"\"\"\"b\"\"\"", QuoteValue("a\"\"b\""));
}

TEST(ValueTexts, LongToTextIsSigned32BitDecimal)
{
    EXPECT_EQ("-5", LongToText(-5));
    EXPECT_EQ("0", LongToText(0));
    EXPECT_EQ("2147483647", LongToText(INT32_MAX));
    EXPECT_EQ("-2147483648", LongToText(INT32_MIN));
}

TEST(ValueTexts, BoolToTextIsTrueForAnyNonZeroFlag)
{
    EXPECT_EQ("TRUE", BoolToText(2));
    EXPECT_EQ("TRUE", BoolToText(-1));
    EXPECT_EQ("TRUE", BoolToText(1));
    EXPECT_EQ("FALSE", BoolToText(0));
}

TEST(SplitText, PiecesBetweenSeparators)
{
    const std::vector<std::pair<std::string, CStringArray>> table = {
        {"a:b", {"a", "b"}},
        {"a::b", {"a", "", "b"}},
        {":a", {"", "a"}},
        {"a:", {"a"}},
        {"", {}},
        {":", {""}},
        {"a:b:", {"a", "b"}},
        {"abc", {"abc"}},
    };
    for (const auto& row : table) {
        CStringArray pieces{"left over"};
        SplitText(row.first, pieces, ':');
        EXPECT_EQ(row.second, pieces) << "text [" << row.first << "]";
    }
}

// Values longer than the codec's scan block: read whole, byte for byte, whether the block ends
// inside a run without stops or the value is broken up by many doubled quotes, and without keeping
// the room reserved for the rest of the text.
namespace {

// The stored value itself (Lookup hands out a copy, whose capacity says nothing).
const std::string* Stored(const CKeyValueMap& map, const std::string& key)
{
    for (const auto& entry : map)
        if (entry.first == key) return &entry.second;
    return nullptr;
}

// A value with a double quote every `every` bytes.
std::string ValueWithQuotes(std::size_t size, std::size_t every)
{
    std::string value;
    for (std::size_t index = 0; value.size() < size; ++index)
        value += (index % every == every - 1) ? '"' : static_cast<char>('a' + index % 26);
    return value;
}

}  // namespace

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
