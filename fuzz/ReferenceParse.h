// The key/value text algorithm written the plain way, one character at a time, to check the fast
// ParseText against. Fills entries in text order up to the first error; false at an error.
#pragma once

#include <map>
#include <string>

inline bool ReferenceIsWhitespace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool ReferenceIsKeyCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

inline bool ReferenceParse(const std::string& text, std::map<std::string, std::string>& entries)
{
    std::size_t at = 0;
    const std::size_t size = text.size();
    while (at < size) {
        while (at < size && ReferenceIsWhitespace(text[at])) ++at;
        if (at == size) return true;
        std::string key;
        while (at < size && ReferenceIsKeyCharacter(text[at])) key += text[at++];
        if (key.empty()) return false;
        while (at < size && ReferenceIsWhitespace(text[at])) ++at;
        if (at == size || text[at] != '=') return false;
        ++at;
        while (at < size && ReferenceIsWhitespace(text[at])) ++at;
        if (at == size) return false;
        const bool quoted = text[at] == '"';
        if (quoted) ++at;
        std::string value;
        bool closed = false;
        while (at < size) {
            const char c = text[at];
            if (!quoted && ReferenceIsWhitespace(c)) break;
            if (c == '"') {
                if (at + 1 < size && text[at + 1] == '"') {
                    value += '"';
                    at += 2;
                    continue;
                }
                if (!quoted) return false;
                closed = true;
                break;
            }
            value += c;
            ++at;
        }
        if (quoted && !closed) return false;
        ++at;
        entries[key] = value;
    }
    return true;
}
