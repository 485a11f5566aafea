#include "client/SitePolicyStore.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "win/Owned.h"

const char* const kSitePolicyKeyPath = "Software\\Policies\\Tolvane\\Delivery";

namespace {

// One list as one root's key holds it. Empty (no entries) counts as unset, so that the list key
// Group Policy leaves behind when a list policy is switched off does not refuse every site.
struct ListReading {
    enum class State { unset, read, malformed } state = State::unset;
    std::vector<std::string> entries;
    std::string reason;
};

struct PolicyRoot {
    HKEY root;
    const char* name;
};

std::wstring Widen(const char* ascii)
{
    std::wstring wide;
    for (; *ascii; ++ascii) wide += static_cast<wchar_t>(*ascii);
    return wide;
}

std::string Utf8(const wchar_t* text, std::size_t length)
{
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &converted[0], size, nullptr, nullptr);
    return converted;
}

std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_DWORD: return "REG_DWORD";
    case REG_QWORD: return "REG_QWORD";
    case REG_BINARY: return "REG_BINARY";
    default: return "of type " + std::to_string(type);
    }
}

ListReading Malformed(std::string reason)
{
    ListReading reading;
    reading.state = ListReading::State::malformed;
    reading.reason = std::move(reason);
    return reading;
}

// A value's data, whole; read again when it grew between the size and the read.
LONG QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<wchar_t>& data)
{
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
        DWORD size = 0;
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        DWORD capacity = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &capacity);
        if (status == ERROR_SUCCESS) data.resize(capacity / sizeof(wchar_t));
    }
    return status;
}

// The strings of REG_MULTI_SZ data; the terminating empty strings are not entries, an empty string
// between two others is (and does not parse).
std::vector<std::string> MultiStringEntries(const std::vector<wchar_t>& data)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= data.size(); ++at) {
        if (at < data.size() && data[at] != L'\0') continue;
        entries.push_back(Utf8(data.data() + start, at - start));
        start = at + 1;
    }
    while (!entries.empty() && entries.back().empty()) entries.pop_back();
    return entries;
}

// A list value's name in the subkey form: 1 and up, no leading zeros.
bool IsEntryNumber(const std::wstring& name, unsigned long& number)
{
    if (name.empty() || name.size() > 9 || name[0] == L'0') return false;
    number = 0;
    for (wchar_t c : name) {
        if (c < L'0' || c > L'9') return false;
        number = number * 10 + static_cast<unsigned long>(c - L'0');
    }
    return true;
}

// One pass over the subkey's values; ERROR_MORE_DATA or ERROR_NO_MORE_ITEMS when it changed under
// the pass.
LONG ReadNumberedValues(HKEY list, const std::string& label, ListReading& reading)
{
    DWORD valueCount = 0, longestName = 0, largestData = 0;
    LONG status = RegQueryInfoKeyW(list, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                                   &longestName, &largestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) {
        reading = Malformed(label + " cannot be read: error " + std::to_string(status));
        return ERROR_SUCCESS;
    }
    std::vector<wchar_t> name(longestName + 2);
    std::vector<wchar_t> data(largestData / sizeof(wchar_t) + 2);
    std::vector<std::pair<unsigned long, std::string>> numbered;
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = REG_NONE;
        status = RegEnumValueW(list, index, name.data(), &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status == ERROR_MORE_DATA || status == ERROR_NO_MORE_ITEMS) return status;
        if (status != ERROR_SUCCESS) {
            reading = Malformed(label + " cannot be read: error " + std::to_string(status));
            return ERROR_SUCCESS;
        }
        const std::wstring valueName(name.data(), nameLength);
        unsigned long number = 0;
        if (!IsEntryNumber(valueName, number)) {
            reading = Malformed(label + " holds the value '" + TraceSafe(Utf8(valueName.data(), valueName.size())) +
                                "': its values must be named 1, 2, 3...");
            return ERROR_SUCCESS;
        }
        if (type != REG_SZ) {
            reading = Malformed(label + " value " + std::to_string(number) + " is " + TypeName(type) +
                                ", not REG_SZ");
            return ERROR_SUCCESS;
        }
        const std::size_t characters = dataSize / sizeof(wchar_t);
        const auto end = std::find(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(characters), L'\0');
        numbered.emplace_back(number, Utf8(data.data(), static_cast<std::size_t>(end - data.begin())));
    }
    std::sort(numbered.begin(), numbered.end());
    for (auto& entry : numbered) reading.entries.push_back(std::move(entry.second));
    return ERROR_SUCCESS;
}

ListReading ReadSubkeyList(HKEY list, const std::string& label)
{
    for (int attempt = 1;; ++attempt) {
        ListReading reading;
        const LONG status = ReadNumberedValues(list, label, reading);
        if (status == ERROR_SUCCESS) return reading;
        if (attempt == 2) return Malformed(label + " changed while it was read");
    }
}

ListReading ReadList(HKEY key, const PolicyRoot& root, const char* valueName)
{
    ListReading reading;
    if (!key) return reading;
    const std::wstring name = Widen(valueName);
    const std::string label = std::string(valueName) + " (" + root.name + ")";

    DWORD type = REG_NONE;
    std::vector<wchar_t> data;
    const LONG valueStatus = QueryValue(key, name, type, data);
    if (valueStatus != ERROR_SUCCESS && valueStatus != ERROR_FILE_NOT_FOUND)
        return Malformed(label + " cannot be read: error " + std::to_string(valueStatus));

    OwnedKey list;
    const LONG listStatus = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, list.put());
    if (listStatus != ERROR_SUCCESS && listStatus != ERROR_FILE_NOT_FOUND)
        return Malformed(label + " subkey cannot be opened: error " + std::to_string(listStatus));

    if (valueStatus == ERROR_SUCCESS && listStatus == ERROR_SUCCESS)
        return Malformed(label + " is set twice, as a value and as a subkey");
    if (valueStatus == ERROR_SUCCESS) {
        if (type != REG_MULTI_SZ)
            return Malformed(label + " is a " + TypeName(type) +
                             " value: write a REG_MULTI_SZ value or a subkey of numbered REG_SZ values");
        reading.entries = MultiStringEntries(data);
    } else if (listStatus == ERROR_SUCCESS) {
        reading = ReadSubkeyList(list.get(), label + " subkey");
        if (reading.state == ListReading::State::malformed) return reading;
    }
    reading.state = reading.entries.empty() ? ListReading::State::unset : ListReading::State::read;
    return reading;
}

// The root's policy key, or none when it does not exist; a key that exists but cannot be opened
// makes the policy malformed.
OwnedKey OpenPolicyKey(const PolicyRoot& root, SitePolicy& policy)
{
    OwnedKey key;
    const LONG status = RegOpenKeyExW(root.root, Widen(kSitePolicyKeyPath).c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        MarkSitePolicyMalformed(policy, kSitePolicyKeyPath,
                                std::string(kSitePolicyKeyPath) + " (" + root.name + ") cannot be opened: error " +
                                    std::to_string(status));
    return key;
}

}  // namespace

SitePolicy ReadSitePolicy()
{
    SitePolicy policy;
    const PolicyRoot machine{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"};
    const PolicyRoot user{HKEY_CURRENT_USER, "HKEY_CURRENT_USER"};
    const OwnedKey machineKey = OpenPolicyKey(machine, policy);
    const OwnedKey userKey = OpenPolicyKey(user, policy);
    for (const char* valueName : {kAllowedSitesValue, kBlockedSitesValue, kAllowFramedSitesValue}) {
        const PolicyRoot* from = &machine;
        ListReading reading = ReadList(machineKey.get(), machine, valueName);
        if (reading.state == ListReading::State::unset) {
            from = &user;
            reading = ReadList(userKey.get(), user, valueName);
        }
        if (reading.state == ListReading::State::malformed)
            MarkSitePolicyMalformed(policy, valueName, reading.reason);
        else if (reading.state == ListReading::State::read)
            SetSitePolicyList(policy, valueName, reading.entries, from->name);
    }
    return policy;
}
