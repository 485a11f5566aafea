// The JSON the bridge protocol needs, read and written strictly: UTF-8 only, no byte order mark,
// no trailing text, no duplicate member names, nesting bounded. Not a general library.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object };

    Kind kind = Kind::null;
    bool boolean = false;
    // A string's value (UTF-8, may hold NUL), or a number's text as written.
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;  // in input order

    // The object member of that name, or null.
    const JsonValue* Member(std::string_view name) const;
};

// Arrays and objects nested deeper than this are refused.
constexpr int kDeepestJsonNesting = 32;

// False with a short English reason ("unexpected character at byte 17") when the text is not one
// JSON value (with whitespace around it) in valid UTF-8.
bool ParseJson(std::string_view text, JsonValue& value, std::string& error);

// Appends `text` as a JSON string literal, quotes included. `"`, `\` and control characters are
// escaped; a byte that is not part of valid UTF-8 is written as U+FFFD, so the output is always
// valid JSON. The text is cut at a character boundary so that what is appended stays within
// `largest` bytes (at least 2, for the quotes). False when it had to be cut.
bool AppendJsonString(std::string& out, std::string_view text, std::size_t largest = std::string::npos);

// The length of the valid UTF-8 sequence at `at`, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);
