#include "client/SettingsStore.h"

#include <vector>

#include "win/AsciiText.h"
#include "win/Registry.h"
#include "win/SystemCalls.h"

const char* const kProductKeyPath = "Software\\TOLVANE\\Tolvane Delivery\\970128";
const char* const kClientInstanceName = "970128";

namespace {

[[noreturn]] void FailWith(LONG status)
{
    SetLastError(static_cast<DWORD>(status));
    throw FormatException("settings key");
}

// One pass over the key's values; ERROR_MORE_DATA or ERROR_NO_MORE_ITEMS when the key changed
// under it, other failures thrown.
LONG ReadValues(HKEY key, CKeyValueMap& map)
{
    DWORD valueCount = 0, longestName = 0, largestData = 0;
    LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                                   &longestName, &largestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) FailWith(status);
    if (systemCalls.SettingsEnumerationStarts) systemCalls.SettingsEnumerationStarts(key);

    std::vector<char> name(longestName + 2);
    std::vector<char> data(largestData + 2);
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameLength = longestName + 1;
        DWORD dataSize = largestData + 1;
        DWORD type = REG_NONE;
        status = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status == ERROR_MORE_DATA || status == ERROR_NO_MORE_ITEMS) return status;
        if (status != ERROR_SUCCESS) FailWith(status);
        if (type != REG_SZ) FailWith(ERROR_INVALID_DATATYPE);
        if (nameLength == 0) continue;  // the key's default value is no setting
        // Whitespace around the name is dropped; what is left must be one plain key. A name such
        // as "A=1 B" would otherwise read as two entries of the key form.
        const std::string keyName = ascii::Trim(std::string(name.data(), nameLength));
        if (!IsKeyText(keyName.data(), keyName.size())) FailWith(ERROR_INVALID_DATA);
        map[keyName] = RegistryText(data.data(), dataSize);
    }
    return ERROR_SUCCESS;
}

}  // namespace

void LoadFromRegistry(CKeyValueMap& map, const std::string& keyPath, HKEY root)
{
    OwnedKey key;
    LONG status = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) FailWith(status);

    for (int attempt = 1;; ++attempt) {
        status = ReadValues(key.get(), map);
        if (status == ERROR_SUCCESS) break;
        if (attempt == 2 || (status != ERROR_MORE_DATA && status != ERROR_NO_MORE_ITEMS)) FailWith(status);
    }

    status = RegCloseKey(key.release());
    if (status != ERROR_SUCCESS) FailWith(status);
}

void SaveToRegistry(const CKeyValueMap& map, const std::string& keyPath, HKEY root)
{
    OwnedKey key;
    LONG status = CreateRegistryKey(root, keyPath, key);
    if (status != ERROR_SUCCESS) FailWith(status);

    // Empty values are never written and nothing is deleted: the registry keeps what it had.
    for (const auto& entry : map) {
        if (entry.second.empty()) continue;
        status = StoreRegistryText(key.get(), entry.first, entry.second);
        if (status != ERROR_SUCCESS) FailWith(status);
    }

    status = RegCloseKey(key.release());
    if (status != ERROR_SUCCESS) FailWith(status);
}
