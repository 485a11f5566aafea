// ASCII text rules that must not depend on the locale a browser or a tool runs under: whitespace
// as the C locale has it, and letter case folded for A-Z only. Header only and portable, so the
// plug-in, the tools and the native builds share it.
#pragma once

#include <cstddef>
#include <string>

namespace ascii {

// Space, TAB, LF, VT, FF, CR.
constexpr bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string Trim(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsSpace(text[first])) ++first;
    while (last > first && IsSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

inline bool EqualsIgnoringCase(const char* left, const char* right)
{
    for (; *left && *right; ++left, ++right)
        if (ToLower(*left) != ToLower(*right)) return false;
    return *left == *right;
}

inline bool EqualsIgnoringCase(const std::string& left, const std::string& right)
{
    if (left.size() != right.size()) return false;
    for (std::size_t index = 0; index < left.size(); ++index)
        if (ToLower(left[index]) != ToLower(right[index])) return false;
    return true;
}

inline bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

inline bool EndsWithIgnoringCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace ascii
