// ParseText on any bytes, checked against the plain one-character-at-a-time algorithm: the same
// entries and the same failure. A parsed map also formats back into text that parses to the same
// non-empty entries.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "ReferenceParse.h"
#include "client/KeyValueMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CKeyValueMap map;
    bool parsed = true;
    try {
        map.ParseText(text);
    } catch (const FormatException&) {
        parsed = false;
    }
    std::map<std::string, std::string> expected;
    if (ReferenceParse(text, expected) != parsed) std::abort();
    if (std::map<std::string, std::string>(map.begin(), map.end()) != expected) std::abort();
    if (!parsed) return 0;

    CKeyValueMap again;
    again.ParseText(map.FormatText(" "));
    for (const auto& entry : map) {
        std::string value;
        const bool found = again.Lookup(entry.first, value);
        if (entry.second.empty() ? found : (!found || value != entry.second)) std::abort();
    }
    for (const auto& entry : again) {
        std::string value;
        if (!map.Lookup(entry.first, value)) std::abort();
    }
    return 0;
}
