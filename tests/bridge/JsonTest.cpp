#include <gtest/gtest.h>

#include <string>

#include "bridge/Json.h"

TEST(ParseJson, ReadsEveryKindAndEveryEscape)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(" {\"a\":[true,false,null,-0.5e+3,0,\"x\"],\"b\":{}}\r\n", value, error)) << error;
    const JsonValue* a = value.Member("a");
    ASSERT_TRUE(a != nullptr && a->items.size() == 6);
    EXPECT_TRUE(a->items[0].boolean && !a->items[1].boolean);
    EXPECT_EQ(JsonValue::Kind::null, a->items[2].kind);
    EXPECT_EQ("-0.5e+3", a->items[3].text);
    EXPECT_EQ(JsonValue::Kind::object, value.Member("b")->kind);
    EXPECT_EQ(nullptr, value.Member("c"));

    ASSERT_TRUE(ParseJson(R"("\"\\\/\b\f\n\r\t\u0000\u00e9\u20AC\ud83d\ude00 é")", value, error)) << error;
    EXPECT_EQ(std::string("\"\\/\b\f\n\r\t\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \xC3\xA9", 21), value.text);
}

TEST(ParseJson, RefusesWhatIsNotStrictJson)
{
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "end of text where a value was expected at byte 0"},
        {"{", "member name expected at byte 1"},
        {"[1,]", "unexpected character at byte 3"},
        {"{\"a\" 1}", "':' expected at byte 5"},
        {"[1 2]", "',' or ']' expected at byte 3"},
        {"01", "text after the value at byte 1"},
        {"1.", "digit expected at byte 2"},
        {"tru", "unexpected character at byte 0"},
        {"{}x", "text after the value at byte 2"},
        {std::string("[1]\0", 4), "text after the value at byte 3"},
        {"\"a\nb\"", "control character inside a string at byte 2"},
        {"\"\\x\"", "unknown escape at byte 2"},
        {"\"\\u12G4\"", "four hex digits expected after \\u at byte 3"},
        {"\"\\ud800\\u0041\"", "lone high surrogate before at byte 13"},
        {"\"\\udc00\\ud800\"", "lone low surrogate before at byte 7"},
        {"{\"a\":1,\"a\":2}", "duplicate member name in the object ending at byte 12"},
        {"\xEF\xBB\xBF{}", "unexpected character at byte 0"},  // byte order mark
        {"[\"\xC0\xAF\"]", "invalid UTF-8 at byte 2"},         // overlong
        {"\"\xED\xA0\x80\"", "invalid UTF-8 at byte 1"},       // a surrogate in UTF-8
        {"\"\xF4\x90\x80\x80\"", "invalid UTF-8 at byte 1"},   // above U+10FFFF
        {"\"\xE2\x82\"", "invalid UTF-8 at byte 1"},           // cut sequence
        {std::string(kDeepestJsonNesting + 1, '['), "nesting too deep at byte 32"},
    };
    for (const auto& row : cases) {
        JsonValue value;
        std::string error;
        EXPECT_FALSE(ParseJson(row.text, value, error)) << row.text;
        EXPECT_EQ(row.error, error) << row.text;
    }
    JsonValue value;
    std::string error;
    const std::string deepest = std::string(kDeepestJsonNesting, '[') + std::string(kDeepestJsonNesting, ']');
    EXPECT_TRUE(ParseJson(deepest, value, error)) << error;
}

TEST(AppendJsonString, EscapesReplacesWhatIsNotUtf8AndCutsAtACharacterBoundary)
{
    std::string out;
    EXPECT_TRUE(AppendJsonString(out, std::string("a\"\\\x01\x1F\x7F\n/\xC3\xA9\xFF\xE2\x82", 13)));
    EXPECT_EQ("\"a\\\"\\\\\\u0001\\u001f\x7F\\u000a/\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", out);
    // The limit counts the escaped form and the quotes.
    for (const std::string text : {"ab\x01", "ab\xE2\x82\xAC"}) {
        out.clear();
        EXPECT_FALSE(AppendJsonString(out, text, 6));
        EXPECT_EQ("\"ab\"", out);
    }
}
