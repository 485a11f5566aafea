// PLACEHOLDER: replaced by the key/value codec.
#include "clientlink/KeyValueMap.h"

bool CKeyValueMap::Lookup(const std::string& key, std::string& value) const
{
    auto found = entries.find(key);
    if (found == entries.end()) return false;
    value = found->second;
    return true;
}
void CKeyValueMap::ParseText(const std::string&) { throw FormatException(); }
std::string CKeyValueMap::FormatText(const std::string&) const { return {}; }
void CKeyValueMap::WriteTo(CArchive&) const {}
std::string QuoteValue(const std::string& v) { return "\"" + v + "\""; }
std::string LongToText(std::int32_t n) { return std::to_string(n); }
std::string BoolToText(int f) { return f ? "TRUE" : "FALSE"; }
void SplitText(const std::string&, CStringArray& p, char) { p.clear(); }
