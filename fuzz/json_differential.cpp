// Our JSON parser against nlohmann's, input by input.
//
// Ours is stricter than nlohmann's in exactly these ways, each checked here from nlohmann's own
// view of the input, not from ours:
//   - a byte order mark before the value (nlohmann skips it);
//   - two members of one name in an object (nlohmann keeps the last);
//   - arrays and objects nested deeper than kDeepestJsonNesting (nlohmann has no bound);
//   - a NUL byte after the value, and anything after that (nlohmann stops reading at it).
// nlohmann is stricter in one: a number beyond a double's range (ours keeps a number as written).
// Otherwise both accept and refuse the same inputs, and what both accept gives the same values,
// in the same order.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/Json.h"

namespace {

using Json = nlohmann::json;

// A value as a flat list of events, the way nlohmann's SAX interface reports it: "[", "]", "{",
// "}", "key", "string", "number" (with its text), "true", "false", "null".
struct Event {
    std::string kind;
    std::string text;
};

void Flatten(const JsonValue& value, std::vector<Event>& events)
{
    switch (value.kind) {
    case JsonValue::Kind::null: events.push_back({"null", ""}); return;
    case JsonValue::Kind::boolean: events.push_back({value.boolean ? "true" : "false", ""}); return;
    case JsonValue::Kind::number: events.push_back({"number", value.text}); return;
    case JsonValue::Kind::string: events.push_back({"string", value.text}); return;
    case JsonValue::Kind::array:
        events.push_back({"[", ""});
        for (const auto& item : value.items) Flatten(item, events);
        events.push_back({"]", ""});
        return;
    case JsonValue::Kind::object:
        events.push_back({"{", ""});
        for (const auto& member : value.members) {
            events.push_back({"key", member.first});
            Flatten(member.second, events);
        }
        events.push_back({"}", ""});
        return;
    }
}

// nlohmann's events, with what our stricter rules need: the deepest nesting and whether an object
// named a member twice.
class Recorder : public nlohmann::json_sax<Json> {
public:
    std::vector<Event> events;
    int deepest = 0;
    bool duplicateName = false;
    int errorId = 0;

    bool null() override { return Add("null"); }
    bool boolean(bool value) override { return Add(value ? "true" : "false"); }
    // An integer's text is its value in decimal; ours keeps "-0" as written.
    bool number_integer(number_integer_t value) override { return Add("number", std::to_string(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Add("number", std::to_string(value)); }
    bool number_float(number_float_t, const string_t& text) override { return Add("number", text); }
    bool string(string_t& value) override { return Add("string", value); }
    bool binary(binary_t&) override { std::abort(); }
    bool start_object(std::size_t) override
    {
        names.emplace_back();
        return Open("{");
    }
    bool key(string_t& name) override
    {
        if (!names.back().insert(name).second) duplicateName = true;
        return Add("key", name);
    }
    bool end_object() override
    {
        names.pop_back();
        return Close("}");
    }
    bool start_array(std::size_t) override { return Open("["); }
    bool end_array() override { return Close("]"); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override
    {
        errorId = error.id;
        return false;
    }

private:
    bool Add(const char* kind, const std::string& text = "")
    {
        events.push_back({kind, text});
        return true;
    }
    bool Open(const char* kind)
    {
        deepest = std::max(deepest, ++depth);
        return Add(kind);
    }
    bool Close(const char* kind)
    {
        --depth;
        return Add(kind);
    }

    int depth = 0;
    std::vector<std::set<std::string>> names;
};

bool SameEvents(const std::vector<Event>& ours, const std::vector<Event>& theirs)
{
    if (ours.size() != theirs.size()) return false;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const Event& a = ours[i];
        const Event& b = theirs[i];
        const bool negativeZero = a.kind == "number" && a.text == "-0" && b.text == "0";
        if (a.kind != b.kind || (a.text != b.text && !negativeZero)) return false;
    }
    return true;
}

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

bool HasByteOrderMark(const std::string& input)
{
    return StartsWith(input, "\xEF\xBB\xBF");
}

// Where nlohmann accepted: whether one of our stricter rules holds.
bool BreaksOneOfOurStricterRules(const std::string& input, const Recorder& theirs)
{
    return HasByteOrderMark(input) || theirs.duplicateName || theirs.deepest > kDeepestJsonNesting ||
           input.find('\0') != std::string::npos;
}

// Where nlohmann accepted: whether our reason names one of our stricter rules, and that rule holds.
bool RefusedByOneOfOurStricterRules(const std::string& input, const Recorder& theirs, const std::string& reason)
{
    if (HasByteOrderMark(input) && reason == "unexpected character at byte 0") return true;
    if (theirs.duplicateName && StartsWith(reason, "duplicate member name in the object ending at byte ")) return true;
    if (theirs.deepest > kDeepestJsonNesting && StartsWith(reason, "nesting too deep at byte ")) return true;
    // nlohmann read the input up to its first NUL, so whatever follows the value up to there is
    // whitespace; past the NUL the text need not even be UTF-8.
    const std::size_t nul = input.find('\0');
    if (nul == std::string::npos) return false;
    if (reason == "text after the value at byte " + std::to_string(nul)) return true;
    const std::string invalid = "invalid UTF-8 at byte ";
    return StartsWith(reason, invalid) && std::stoul(reason.substr(invalid.size())) > nul;
}

bool HasNumberBeyondADouble(const JsonValue& value)
{
    if (value.kind == JsonValue::Kind::number) return std::isinf(std::strtod(value.text.c_str(), nullptr));
    for (const auto& item : value.items) {
        if (HasNumberBeyondADouble(item)) return true;
    }
    for (const auto& member : value.members) {
        if (HasNumberBeyondADouble(member.second)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    JsonValue ours;
    std::string reason;
    const bool weAccept = ParseJson(input, ours, reason);
    Recorder theirs;
    const bool theyAccept = Json::sax_parse(input.begin(), input.end(), &theirs);

    if (weAccept && theyAccept) {
        std::vector<Event> events;
        Flatten(ours, events);
        if (!SameEvents(events, theirs.events) || BreaksOneOfOurStricterRules(input, theirs)) std::abort();
    } else if (weAccept) {
        const int numberOverflow = 406;
        if (theirs.errorId != numberOverflow || !HasNumberBeyondADouble(ours)) std::abort();
    } else if (theyAccept) {
        if (!RefusedByOneOfOurStricterRules(input, theirs, reason)) std::abort();
    }
    if (!weAccept && (reason.empty() || ours.kind != JsonValue::Kind::null)) std::abort();
    return 0;
}
