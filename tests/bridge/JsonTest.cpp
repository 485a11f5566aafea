#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

namespace {

// A row per edge of each rule: the input just inside it (accepted, with the string's or the
// number's text when it is one) and the input just outside (refused, with the reason).
struct JsonEdge {
    std::string json;
    bool accepted;
    std::string textOrError;
};

JsonEdge Accepts(std::string json, std::string text = "") { return {std::move(json), true, std::move(text)}; }
JsonEdge Refuses(std::string json, std::string error) { return {std::move(json), false, std::move(error)}; }

std::string Nested(const std::string& open, int depth, const std::string& inner, const std::string& close)
{
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    text += inner;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

void CheckEdges(const std::vector<JsonEdge>& edges)
{
    for (const auto& edge : edges) {
        JsonValue value;
        std::string error;
        const bool accepted = ParseJson(edge.json, value, error);
        EXPECT_EQ(edge.accepted, accepted) << edge.json << ": " << error;
        if (edge.accepted) {
            EXPECT_EQ(edge.textOrError, value.text) << edge.json;
        } else {
            EXPECT_EQ(edge.textOrError, error) << edge.json;
        }
    }
}

}  // namespace

TEST(ParseJson, RefusesWhatIsNotStrictJson)
{
    const std::string anyWhitespace = " \t\n\r";
    CheckEdges({
        Refuses("", "end of text where a value was expected at byte 0"),
        Refuses("[", "end of text where a value was expected at byte 1"),
        Refuses("[1", "end of text inside an array or object at byte 2"),
        Refuses("{", "member name expected at byte 1"),
        Refuses("{\"a\":1", "end of text inside an array or object at byte 6"),
        Refuses("{\"a\":1,}", "member name expected at byte 7"),
        Refuses("[1,]", "unexpected character at byte 3"),
        Refuses("{\"a\" 1}", "':' expected at byte 5"),
        Refuses("[1 2]", "',' or ']' expected at byte 3"),
        Refuses("{\"a\":1 2}", "',' or '}' expected at byte 7"),
        Refuses("tru", "unexpected character at byte 0"),
        Refuses("True", "unexpected character at byte 0"),
        Refuses("truex", "text after the value at byte 4"),
        Refuses("{}x", "text after the value at byte 2"),
        Refuses("1 2", "text after the value at byte 2"),
        Refuses(std::string("[1]\0", 4), "text after the value at byte 3"),
        // Space, tab, LF and CR wherever whitespace may stand; not VT, FF, NBSP nor a byte order mark.
        Accepts(anyWhitespace + "[" + anyWhitespace + "1" + anyWhitespace + "," + anyWhitespace + "{" + anyWhitespace +
                "\"a\"" + anyWhitespace + ":" + anyWhitespace + "null" + anyWhitespace + "}" + anyWhitespace + "]" +
                anyWhitespace),
        Refuses("\v1", "unexpected character at byte 0"),
        Refuses("1\f", "text after the value at byte 1"),
        Refuses("[1\v]", "',' or ']' expected at byte 2"),
        Refuses("\xC2\xA0" "1", "unexpected character at byte 0"),
        Refuses("{\"a\"\xC2\xA0:1}", "':' expected at byte 4"),
        Refuses("\xEF\xBB\xBF{}", "unexpected character at byte 0"),
    });
}

TEST(ParseJson, NumbersDepthAndDuplicateNames)
{
    CheckEdges({
        Accepts("0", "0"),
        Accepts("-0", "-0"),
        Accepts("9", "9"),
        Accepts("-10", "-10"),
        Accepts("1.0", "1.0"),
        Accepts("1e0", "1e0"),
        Accepts("1E+9", "1E+9"),
        Accepts("-0.5e-10", "-0.5e-10"),
        Refuses("01", "text after the value at byte 1"),
        Refuses("-01", "text after the value at byte 2"),
        Refuses("-", "digit expected at byte 1"),
        Refuses("-/", "digit expected at byte 1"),
        Refuses("-:", "digit expected at byte 1"),
        Refuses("1/", "text after the value at byte 1"),
        Refuses("1:", "text after the value at byte 1"),
        Refuses("+1", "unexpected character at byte 0"),
        Refuses(".1", "unexpected character at byte 0"),
        Refuses("1.", "digit expected at byte 2"),
        Refuses("1.e5", "digit expected at byte 2"),
        Refuses("1e", "digit expected at byte 2"),
        Refuses("1e+", "digit expected at byte 3"),
        Refuses("1E-", "digit expected at byte 3"),
        Refuses("1e+-1", "digit expected at byte 3"),

        Accepts(Nested("[", kDeepestJsonNesting, "", "]")),
        Refuses(Nested("[", kDeepestJsonNesting + 1, "", "]"), "nesting too deep at byte 32"),
        Accepts(Nested("{\"a\":", kDeepestJsonNesting, "1", "}")),
        Refuses(Nested("{\"a\":", kDeepestJsonNesting + 1, "1", "}"), "nesting too deep at byte 160"),

        // Names are compared after their escapes are read; a NUL is part of a name.
        Refuses(R"({"a":1,"a":2})", "duplicate member name in the object ending at byte 12"),
        Refuses(R"({"a":1,"b":2,"a":3})", "duplicate member name in the object ending at byte 18"),
        Refuses(R"({"a":1,"\u0061":2})", "duplicate member name in the object ending at byte 17"),
        Refuses(R"({"x":{"a":1,"a":2}})", "duplicate member name in the object ending at byte 17"),
        Refuses(R"({"":1,"":2})", "duplicate member name in the object ending at byte 10"),
        Accepts(R"({"a":1,"A":2,"ab":3,"a\u0000":4,"b":{"a":5},"c":[{"a":6},{"a":7}]})"),
    });
}

TEST(ParseJson, StringsControlBytesEscapesAndSurrogates)
{
    const std::string badHex = "four hex digits expected after \\u at byte 3";
    CheckEdges({
        Refuses(std::string("\"\0\"", 3), "control character inside a string at byte 1"),
        Refuses("\"\x1F\"", "control character inside a string at byte 1"),
        Accepts("\" \"", " "),
        Accepts("\"\x7F\"", "\x7F"),
        Refuses("\"abc", "end of text inside a string at byte 4"),
        Refuses("\"\\", "end of text inside a string at byte 2"),
        Refuses("\"\\U0041\"", "unknown escape at byte 2"),
        Refuses("\"\\'\"", "unknown escape at byte 2"),

        Accepts(R"("\u09aF\uFfA0")", "\xE0\xA6\xAF\xEF\xBE\xA0"),
        Refuses(R"("\u000/")", badHex),
        Refuses(R"("\u000:")", badHex),
        Refuses(R"("\u000@")", badHex),
        Refuses(R"("\u000G")", badHex),
        Refuses(R"("\u000`")", badHex),
        Refuses(R"("\u000g")", badHex),
        Refuses(R"("\u12")", badHex),
        Refuses(R"("\u12)", badHex),

        Accepts(R"("\uD7FF")", "\xED\x9F\xBF"),
        Refuses(R"("\uD800")", "lone high surrogate before at byte 7"),
        Refuses(R"("\uDBFF")", "lone high surrogate before at byte 7"),
        Refuses(R"("\uDC00")", "lone low surrogate before at byte 7"),
        Refuses(R"("\uDFFF")", "lone low surrogate before at byte 7"),
        Accepts(R"("\uE000")", "\xEE\x80\x80"),
        Accepts(R"("\uD800\uDC00")", "\xF0\x90\x80\x80"),
        Accepts(R"("\uD800\uDFFF")", "\xF0\x90\x8F\xBF"),
        Accepts(R"("\uDBFF\uDC00")", "\xF4\x8F\xB0\x80"),
        Accepts(R"("\udbff\udfff")", "\xF4\x8F\xBF\xBF"),
        Refuses(R"("\uD800\uD800")", "lone high surrogate before at byte 13"),
        Refuses(R"("\uD800\uDBFF")", "lone high surrogate before at byte 13"),
        Refuses(R"("\uD800\uE000")", "lone high surrogate before at byte 13"),
        Refuses(R"("\uD800\n")", "lone high surrogate before at byte 7"),
        Refuses(R"("\uD800\u12")", "four hex digits expected after \\u at byte 9"),
    });
}

TEST(ParseJson, Utf8TheFirstAndLastOfEachLengthAndRange)
{
    const std::string invalid = "invalid UTF-8 at byte 1";
    CheckEdges({
        Refuses("\"\x80\"", invalid),
        Refuses("\"\xBF\"", invalid),
        Refuses("\"\xC0\x80\"", invalid),
        Refuses("\"\xC1\xBF\"", invalid),
        Accepts("\"\xC2\x80\"", "\xC2\x80"),
        Accepts("\"\xDF\xBF\"", "\xDF\xBF"),
        Refuses("\"\xC2\x7F\"", invalid),
        Refuses("\"\xC2\xC0\"", invalid),
        Refuses("\"\xE0\x9F\xBF\"", invalid),
        Accepts("\"\xE0\xA0\x80\"", "\xE0\xA0\x80"),
        Accepts("\"\xE1\x80\x80\"", "\xE1\x80\x80"),
        Refuses("\"\xE1\x7F\x80\"", invalid),
        Refuses("\"\xE1\x80\x7F\"", invalid),
        Refuses("\"\xE1\x80\xC0\"", invalid),
        Accepts("\"\xED\x9F\xBF\"", "\xED\x9F\xBF"),
        Refuses("\"\xED\xA0\x80\"", invalid),
        Refuses("\"\xED\xBF\xBF\"", invalid),
        Accepts("\"\xEE\x80\x80\"", "\xEE\x80\x80"),
        Accepts("\"\xEF\xBF\xBF\"", "\xEF\xBF\xBF"),
        Refuses("\"\xF0\x8F\xBF\xBF\"", invalid),
        Accepts("\"\xF0\x90\x80\x80\"", "\xF0\x90\x80\x80"),
        Accepts("\"\xF3\xBF\xBF\xBF\"", "\xF3\xBF\xBF\xBF"),
        Refuses("\"\xF1\x80\x7F\x80\"", invalid),
        Refuses("\"\xF1\x80\x80\xC0\"", invalid),
        Accepts("\"\xF4\x8F\xBF\xBF\"", "\xF4\x8F\xBF\xBF"),
        Refuses("\"\xF4\x90\x80\x80\"", invalid),
        Refuses("\"\xF5\x80\x80\x80\"", invalid),
        Refuses("\"\xFF\"", invalid),
        // At the end of the text: a whole sequence, then one cut short.
        Refuses("\"\xC3\xA9", "end of text inside a string at byte 3"),
        Refuses("\"\xE2\x82", invalid),
        Refuses("[\"\xF0\x9F\x98", "invalid UTF-8 at byte 2"),
    });
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
