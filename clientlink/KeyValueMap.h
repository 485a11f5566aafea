// The system's string map and its key="value" text form, shared with the delivery client.
//
// Errors: malformed data throws FormatException (clientlink/Exceptions.h): a text ParseText cannot
// read, a settings key LoadFromRegistry cannot read or SaveToRegistry cannot write (those two also
// leave the registry status as the thread's last-error code). Nothing else throws but
// std::bad_alloc.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "clientlink/Exceptions.h"

#ifdef _WIN32
#include <windows.h>
#endif

// Where WriteTo stores its text; a submission file supplies one over its open file.
class CArchive {
public:
    virtual ~CArchive() = default;
    virtual void WriteString(const std::string& text) = 0;
};

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
    // FormatText("\n") in one WriteString call.
    void WriteTo(CArchive& archive) const;

#ifdef _WIN32
    // The settings store: every REG_SZ value of the key, and back.
    void LoadFromRegistry(const std::string& keyPath, HKEY root);
    void SaveToRegistry(const std::string& keyPath, HKEY root) const;
#endif

private:
#ifdef _WIN32
    // One pass over the key's values; ERROR_MORE_DATA or ERROR_NO_MORE_ITEMS when the key changed
    // under it, other failures thrown.
    LONG ReadValues(HKEY key);
#endif

private:
    Entries entries;
};

// True for a non-empty run of key characters (ASCII letters, digits, "_" and "."): a key that
// the text form takes as it stands.
bool IsKeyText(const char* text, std::size_t length);

std::string QuoteValue(const std::string& value);
std::string LongToText(std::int32_t number);
std::string BoolToText(int flag);
void SplitText(const std::string& text, CStringArray& pieces, char separator);
