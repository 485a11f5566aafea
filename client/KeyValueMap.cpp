// The key="value" text form. Parsing copies whole runs of the text rather than single characters and
// finds the ends of values with memchr or a 16-byte scan, so a long value costs little more than
// reading it once.
#include "client/KeyValueMap.h"

#include <cstdio>
#include <cstring>

#include "win/AsciiText.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Character classes of the C locale, indexed by the unsigned byte: no call of isspace or isalnum
// with a negative char, and no dependence on the locale the browser may have set.
enum : unsigned char { kWhitespace = 1, kKeyCharacter = 2 };

struct CharacterTable {
    unsigned char classes[256] = {};
    CharacterTable()
    {
        for (int c = 0; c < 256; ++c)
            if (ascii::IsSpace(static_cast<char>(c))) classes[c] = kWhitespace;
        for (int c = 'A'; c <= 'Z'; ++c) classes[c] = kKeyCharacter;
        for (int c = 'a'; c <= 'z'; ++c) classes[c] = kKeyCharacter;
        for (int c = '0'; c <= '9'; ++c) classes[c] = kKeyCharacter;
        classes[static_cast<unsigned char>('_')] = kKeyCharacter;
        classes[static_cast<unsigned char>('.')] = kKeyCharacter;
    }
};

const CharacterTable characterTable;

inline bool IsWhitespace(char c) { return characterTable.classes[static_cast<unsigned char>(c)] == kWhitespace; }
inline bool IsKeyCharacter(char c) { return characterTable.classes[static_cast<unsigned char>(c)] == kKeyCharacter; }

// Whitespace and the double quote are the only bytes that stop a bare value; all of them are below
// 0x23, so a block without such a byte can be skipped whole.
inline bool MayEndBareValue(char c) { return static_cast<unsigned char>(c) <= '"'; }

const char* FindBareValueStop(const char* position, const char* end)
{
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8('"');
    while (end - position >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
        // A byte b is at most 0x22 exactly when min(b, 0x22) == b, compared unsigned.
        int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(block, limit), block));
        for (unsigned bits = static_cast<unsigned>(mask); bits != 0; bits &= bits - 1) {
            const char* candidate = position + __builtin_ctz(bits);
            if (IsWhitespace(*candidate) || *candidate == '"') return candidate;
        }
        position += 16;
    }
#endif
    for (; position != end; ++position) {
        if (MayEndBareValue(*position) && (IsWhitespace(*position) || *position == '"')) return position;
    }
    return end;
}

const char* SkipWhitespace(const char* position, const char* end)
{
    while (position != end && IsWhitespace(*position)) ++position;
    return position;
}

void AppendQuoted(std::string& out, const std::string& value)
{
    out += '"';
    const char* position = value.data();
    const char* end = position + value.size();
    while (const void* found = std::memchr(position, '"', static_cast<std::size_t>(end - position))) {
        const char* quote = static_cast<const char*>(found);
        out.append(position, static_cast<std::size_t>(quote - position) + 1);
        out += '"';
        position = quote + 1;
    }
    out.append(position, static_cast<std::size_t>(end - position));
    out += '"';
}

// Scans a value from its first character (after the opening quote of a quoted one), appends it to
// value and returns where the scan stopped: at the closing quote, at the whitespace after a bare
// value, or at the end of the text. The text is taken in blocks that are copied right after they
// were scanned, while they are still in the cache.
const char* ReadValue(const char* position, const char* end, bool quoted, std::string& value)
{
#ifndef KEY_VALUE_SCAN_BLOCK
#define KEY_VALUE_SCAN_BLOCK (64 * 1024)  // the fuzz build makes it small to reach the block edges
#endif
    const std::size_t kBlock = KEY_VALUE_SCAN_BLOCK;
    bool reserved = false;
    for (;;) {
        const char* blockEnd = static_cast<std::size_t>(end - position) > kBlock ? position + kBlock : end;
        const char* stop;
        if (quoted) {
            const void* found = std::memchr(position, '"', static_cast<std::size_t>(blockEnd - position));
            stop = found ? static_cast<const char*>(found) : blockEnd;
        } else {
            stop = FindBareValueStop(position, blockEnd);
        }
        // A long value, whole blocks without a stop or many doubled quotes alike: room for the rest
        // of the text at once rather than a regrowth, with its copy, at every doubling.
        if (!reserved && value.size() + static_cast<std::size_t>(stop - position) >= kBlock) {
            value.reserve(value.size() + static_cast<std::size_t>(end - position));
            reserved = true;
        }
        if (stop == blockEnd && blockEnd != end) {
            value.append(position, static_cast<std::size_t>(blockEnd - position));
            position = blockEnd;
            continue;
        }
        value.append(position, static_cast<std::size_t>(stop - position));
        position = stop;
        if (position == end || *position != '"') break;  // end of text, or whitespace after a bare value
        if (position + 1 != end && position[1] == '"') {
            value += '"';
            position += 2;
            continue;
        }
        if (!quoted) throw FormatException();
        break;  // the closing quote
    }
    if (quoted && position == end) throw FormatException();
    // The reserve above may have been far more than a value followed by much other text needs.
    if (reserved && value.capacity() / 2 > value.size()) value.shrink_to_fit();
    return position;
}

}  // namespace

bool CKeyValueMap::Lookup(const std::string& key, std::string& value) const
{
    auto found = entries.find(key);
    if (found == entries.end()) return false;
    value = found->second;
    return true;
}

void CKeyValueMap::ParseText(const std::string& text)
{
    const char* position = text.data();
    const char* const end = position + text.size();

    while (position < end) {
        position = SkipWhitespace(position, end);
        if (position == end) return;
        const char* keyStart = position;
        while (position != end && IsKeyCharacter(*position)) ++position;
        if (position == keyStart) throw FormatException();
        std::string key(keyStart, position);

        position = SkipWhitespace(position, end);
        if (position == end || *position != '=') throw FormatException();
        ++position;

        position = SkipWhitespace(position, end);
        if (position == end) throw FormatException();
        const bool quoted = *position == '"';
        if (quoted) ++position;

        std::string value;
        position = ReadValue(position, end, quoted, value);
        // Past the closing quote or the whitespace that ended the value; at the end of the text the
        // loop stops without moving beyond it.
        if (position != end) ++position;

        entries[std::move(key)] = std::move(value);
    }
}

std::string CKeyValueMap::FormatText(const std::string& separator) const
{
    std::size_t size = 0;
    for (const auto& entry : entries) {
        if (!entry.second.empty()) size += entry.first.size() + entry.second.size() + 3 + separator.size();
    }
    std::string text;
    text.reserve(size);
    for (const auto& entry : entries) {
        if (entry.second.empty()) continue;
        text += entry.first;
        text += '=';
        AppendQuoted(text, entry.second);
        text += separator;
    }
    return text;
}

std::string MapValue(const CKeyValueMap& map, const std::string& key)
{
    std::string value;
    if (!map.Lookup(key, value)) value.clear();
    return value;
}

bool IsKeyText(const char* text, std::size_t length)
{
    if (length == 0) return false;
    for (std::size_t index = 0; index < length; ++index)
        if (!IsKeyCharacter(text[index])) return false;
    return true;
}

std::string QuoteValue(const std::string& value)
{
    std::string quoted;
    quoted.reserve(value.size() + 2);
    AppendQuoted(quoted, value);
    return quoted;
}

std::string LongToText(std::int32_t number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(number));
    return text;
}

std::string BoolToText(int flag)
{
    return flag ? "TRUE" : "FALSE";
}

void SplitText(const std::string& text, CStringArray& pieces, char separator)
{
    pieces.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t found = text.find(separator, start);
        if (found == std::string::npos) {
            pieces.push_back(text.substr(start));
            return;
        }
        pieces.push_back(text.substr(start, found - start));
        start = found + 1;
    }
}
