#include "bridge/Json.h"

#include <algorithm>
#include <cstdint>

namespace {

// One pass over the text; the first error ends it with its reason and byte offset.
class Reader {
public:
    explicit Reader(std::string_view text) : text(text) {}

    bool Document(JsonValue& value)
    {
        SkipWhitespace();
        if (!Value(value, 0)) return false;
        SkipWhitespace();
        if (at != text.size()) return Fail("text after the value");
        return true;
    }

    std::string error;

private:
    bool Fail(const char* reason)
    {
        error = std::string(reason) + " at byte " + std::to_string(at);
        return false;
    }

    bool AtEnd() const { return at >= text.size(); }
    char Peek() const { return text[at]; }

    void SkipWhitespace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at;
    }

    bool Value(JsonValue& value, int depth)
    {
        if (AtEnd()) return Fail("end of text where a value was expected");
        switch (Peek()) {
        case '{': return Object(value, depth + 1);
        case '[': return Array(value, depth + 1);
        case '"': value.kind = JsonValue::Kind::string; return String(value.text);
        case 't': value.kind = JsonValue::Kind::boolean; value.boolean = true; return Word("true");
        case 'f': value.kind = JsonValue::Kind::boolean; value.boolean = false; return Word("false");
        case 'n': value.kind = JsonValue::Kind::null; return Word("null");
        default:
            if (Peek() == '-' || IsDigit(Peek())) return Number(value);
            return Fail("unexpected character");
        }
    }

    bool Word(std::string_view word)
    {
        if (text.substr(at, word.size()) != word) return Fail("unexpected character");
        at += word.size();
        return true;
    }

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    bool Digits()
    {
        if (AtEnd() || !IsDigit(Peek())) return Fail("digit expected");
        while (!AtEnd() && IsDigit(Peek())) ++at;
        return true;
    }

    bool Number(JsonValue& value)
    {
        const std::size_t start = at;
        if (Peek() == '-') ++at;
        if (!AtEnd() && Peek() == '0') {
            ++at;
        } else if (!Digits()) {
            return false;
        }
        if (!AtEnd() && Peek() == '.') {
            ++at;
            if (!Digits()) return false;
        }
        if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
            ++at;
            if (!AtEnd() && (Peek() == '+' || Peek() == '-')) ++at;
            if (!Digits()) return false;
        }
        value.kind = JsonValue::Kind::number;
        value.text.assign(text.substr(start, at - start));
        return true;
    }

    // Past the opening bracket: false when nested too deep; `empty` when the closing one follows.
    bool Open(JsonValue& value, JsonValue::Kind kind, int depth, char closing, bool& empty)
    {
        if (depth > kDeepestJsonNesting) return Fail("nesting too deep");
        value.kind = kind;
        ++at;
        SkipWhitespace();
        empty = !AtEnd() && Peek() == closing;
        if (empty) ++at;
        return true;
    }

    // After an item: `more` when a ',' follows, not when the closing bracket does.
    bool Next(char closing, bool& more)
    {
        SkipWhitespace();
        if (AtEnd()) return Fail("end of text inside an array or object");
        more = Peek() == ',';
        if (!more && Peek() != closing) return Fail(closing == ']' ? "',' or ']' expected" : "',' or '}' expected");
        ++at;
        return true;
    }

    bool Array(JsonValue& value, int depth)
    {
        bool empty = false;
        if (!Open(value, JsonValue::Kind::array, depth, ']', empty)) return false;
        for (bool more = !empty; more;) {
            SkipWhitespace();
            value.items.emplace_back();
            if (!Value(value.items.back(), depth) || !Next(']', more)) return false;
        }
        return true;
    }

    bool Object(JsonValue& value, int depth)
    {
        bool empty = false;
        if (!Open(value, JsonValue::Kind::object, depth, '}', empty)) return false;
        for (bool more = !empty; more;) {
            SkipWhitespace();
            if (AtEnd() || Peek() != '"') return Fail("member name expected");
            value.members.emplace_back();
            auto& member = value.members.back();
            if (!String(member.first)) return false;
            SkipWhitespace();
            if (AtEnd() || Peek() != ':') return Fail("':' expected");
            ++at;
            SkipWhitespace();
            if (!Value(member.second, depth) || !Next('}', more)) return false;
        }
        return NoDuplicateNames(value);
    }

    // Two members of one name leave it open which one counts: refused.
    bool NoDuplicateNames(const JsonValue& value)
    {
        std::vector<std::string_view> names;
        names.reserve(value.members.size());
        for (const auto& member : value.members) names.push_back(member.first);
        std::sort(names.begin(), names.end());
        if (std::adjacent_find(names.begin(), names.end()) != names.end()) {
            --at;
            return Fail("duplicate member name in the object ending");
        }
        return true;
    }

    static int HexValue(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // The four hex digits after "\u" at `at`.
    bool Hex4(std::uint32_t& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = at + i < text.size() ? HexValue(text[at + i]) : -1;
            if (digit < 0) return Fail("four hex digits expected after \\u");
            unit = unit << 4 | std::uint32_t(digit);
        }
        at += 4;
        return true;
    }

    static void AppendUtf8(std::string& out, std::uint32_t point)
    {
        if (point < 0x80) {
            out += char(point);
        } else if (point < 0x800) {
            out += char(0xC0 | point >> 6);
            out += char(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += char(0xE0 | point >> 12);
            out += char(0x80 | (point >> 6 & 0x3F));
            out += char(0x80 | (point & 0x3F));
        } else {
            out += char(0xF0 | point >> 18);
            out += char(0x80 | (point >> 12 & 0x3F));
            out += char(0x80 | (point >> 6 & 0x3F));
            out += char(0x80 | (point & 0x3F));
        }
    }

    bool Escape(std::string& out)
    {
        if (AtEnd()) return Fail("end of text inside a string");
        const char c = text[at++];
        switch (c) {
        case '"': out += '"'; return true;
        case '\\': out += '\\'; return true;
        case '/': out += '/'; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'u': break;
        default: --at; return Fail("unknown escape");
        }
        std::uint32_t unit;
        if (!Hex4(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("lone low surrogate before");
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            std::uint32_t low = 0;
            if (text.substr(at, 2) != "\\u") return Fail("lone high surrogate before");
            at += 2;
            if (!Hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("lone high surrogate before");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    // The UTF-8 of the whole text was checked before, so bytes above 0x7F are copied as they are.
    bool String(std::string& out)
    {
        ++at;
        for (;;) {
            const std::size_t start = at;
            while (!AtEnd() && Peek() != '"' && Peek() != '\\' && static_cast<unsigned char>(Peek()) >= 0x20) ++at;
            out.append(text.substr(start, at - start));
            if (AtEnd()) return Fail("end of text inside a string");
            if (Peek() == '"') {
                ++at;
                return true;
            }
            if (Peek() != '\\') return Fail("control character inside a string");
            ++at;
            if (!Escape(out)) return false;
        }
    }

    std::string_view text;
    std::size_t at = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const
{
    for (const auto& member : members) {
        if (member.first == name) return &member.second;
    }
    return nullptr;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;       // overlong
        if (lead == 0xED) high = 0x9F;      // UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;       // overlong
        if (lead == 0xF4) high = 0x8F;      // above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

bool ParseJson(std::string_view text, JsonValue& value, std::string& error)
{
    value = JsonValue();
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            error = "invalid UTF-8 at byte " + std::to_string(at);
            return false;
        }
        at += length;
    }
    Reader reader(text);
    if (!reader.Document(value)) {
        error = reader.error;
        value = JsonValue();
        return false;
    }
    return true;
}

bool AppendJsonString(std::string& out, std::string_view text, std::size_t largest)
{
    static const char kHex[] = "0123456789abcdef";
    std::size_t room = largest < 2 ? 0 : largest - 2;
    out += '"';
    bool whole = true;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        char escaped[6];
        std::string_view piece;
        std::size_t consumed = 1;
        if (c == '"' || c == '\\') {
            escaped[0] = '\\';
            escaped[1] = char(c);
            piece = std::string_view(escaped, 2);
        } else if (c < 0x20) {
            escaped[0] = '\\';
            escaped[1] = 'u';
            escaped[2] = '0';
            escaped[3] = '0';
            escaped[4] = kHex[c >> 4];
            escaped[5] = kHex[c & 0xF];
            piece = std::string_view(escaped, 6);
        } else {
            consumed = Utf8SequenceLength(text, at);
            piece = consumed == 0 ? std::string_view("\xEF\xBF\xBD") : text.substr(at, consumed);
            if (consumed == 0) consumed = 1;
        }
        if (piece.size() > room) {
            whole = false;
            break;
        }
        out.append(piece);
        room -= piece.size();
        at += consumed;
    }
    out += '"';
    return whole;
}
