// The system's string map and its key="value" text form, shared with the delivery client.
//
// Errors: a text ParseText cannot read throws FormatException (client/Errors.h). Nothing else throws
// but std::bad_alloc. The settings store (client/SettingsStore.h) loads and saves a map.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "client/Errors.h"

using CStringArray = std::vector<std::string>;

class CKeyValueMap {
public:
    using Entries = std::map<std::string, std::string>;

    // Indexing adds an absent key with an empty value; Lookup never adds.
    std::string& operator[](const std::string& key) { return entries[key]; }
    bool Lookup(const std::string& key, std::string& value) const;
    void SetAt(const std::string& key, const std::string& value) { entries[key] = value; }
    bool RemoveKey(const std::string& key) { return entries.erase(key) != 0; }
    void RemoveAll() { entries.clear(); }
    std::size_t GetCount() const { return entries.size(); }
    bool IsEmpty() const { return entries.empty(); }
    Entries::const_iterator begin() const { return entries.begin(); }
    Entries::const_iterator end() const { return entries.end(); }

    // Stores every entry of the text, in text order; throws FormatException at the first error,
    // keeping the entries stored before it.
    void ParseText(const std::string& text);
    // key=QuoteValue(value) plus the separator for every entry whose value is not empty.
    std::string FormatText(const std::string& separator) const;

private:
    Entries entries;
};

// The value under key, empty when absent; unlike indexing, never adds the key.
std::string MapValue(const CKeyValueMap& map, const std::string& key);

// True for a non-empty run of key characters (ASCII letters, digits, "_" and "."): a key that
// the text form takes as it stands.
bool IsKeyText(const char* text, std::size_t length);

std::string QuoteValue(const std::string& value);
std::string LongToText(std::int32_t number);
std::string BoolToText(int flag);
void SplitText(const std::string& text, CStringArray& pieces, char separator);
