#include "clientlink/SettingsStore.h"

#include <cstring>
#include <vector>

#include "win/Owned.h"

const char* const kProductKeyPath = "Software\\TOLVANE\\Tolvane Delivery\\970128";
const char* const kClientInstanceName = "970128";
std::string productKeyPath;
std::string clientInstanceName;
CKeyValueMap settingsMap;

namespace {

[[noreturn]] void FailWith(LONG status)
{
    SetLastError(static_cast<DWORD>(status));
    throw FormatException();
}

// A registry value's text ends at its first NUL; data stored without one is taken whole.
std::size_t TextLength(const char* data, DWORD size)
{
    const void* end = std::memchr(data, '\0', size);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : size;
}

std::string TextOf(const char* data, DWORD size) { return std::string(data, TextLength(data, size)); }

// Whitespace as the text form knows it: blank, TAB, LF, VT, FF, CR.
std::string TrimWhitespace(const std::string& text)
{
    const char* const whitespace = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(whitespace);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(whitespace) - first + 1);
}

LONG CreateKey(HKEY root, const std::string& keyPath, OwnedKey& key)
{
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
    if (status != ERROR_SUCCESS) return status;
    if (disposition != REG_CREATED_NEW_KEY && disposition != REG_OPENED_EXISTING_KEY)
        return ERROR_INVALID_DATA;
    return ERROR_SUCCESS;
}

LONG StoreText(HKEY key, const std::string& valueName, const std::string& text)
{
    return RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

}  // namespace

void (*settingsEnumerationStarts)(HKEY key) = nullptr;

void CKeyValueMap::LoadFromRegistry(const std::string& keyPath, HKEY root)
{
    OwnedKey key;
    LONG status = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) FailWith(status);

    // The client may change the key while it is read: a value that grew past the sizes asked for
    // (ERROR_MORE_DATA) or values deleted meanwhile (ERROR_NO_MORE_ITEMS) start the reading over,
    // once.
    for (int attempt = 1;; ++attempt) {
        status = ReadValues(key.get());
        if (status == ERROR_SUCCESS) break;
        if (attempt == 2 || (status != ERROR_MORE_DATA && status != ERROR_NO_MORE_ITEMS)) FailWith(status);
    }

    status = RegCloseKey(key.release());
    if (status != ERROR_SUCCESS) FailWith(status);
}

LONG CKeyValueMap::ReadValues(HKEY key)
{
    DWORD valueCount = 0, longestName = 0, largestData = 0;
    LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &valueCount, &longestName, &largestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) FailWith(status);
    if (settingsEnumerationStarts) settingsEnumerationStarts(key);

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
        const std::string keyName = TrimWhitespace(std::string(name.data(), nameLength));
        if (!IsKeyText(keyName.data(), keyName.size())) {
            SetLastError(ERROR_INVALID_DATA);
            throw FormatException();
        }
        entries[keyName].assign(data.data(), TextLength(data.data(), dataSize));
    }
    return ERROR_SUCCESS;
}

void CKeyValueMap::SaveToRegistry(const std::string& keyPath, HKEY root) const
{
    OwnedKey key;
    LONG status = CreateKey(root, keyPath, key);
    if (status != ERROR_SUCCESS) FailWith(status);

    // Empty values are never written and nothing is deleted: the registry keeps what it had.
    for (const auto& entry : entries) {
        if (entry.second.empty()) continue;
        status = StoreText(key.get(), entry.first, entry.second);
        if (status != ERROR_SUCCESS) FailWith(status);
    }

    status = RegCloseKey(key.release());
    if (status != ERROR_SUCCESS) FailWith(status);
}

BOOL ReadRegistryString(const std::string& keyPath, const std::string& valueName, std::string& text)
{
    OwnedKey key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return FALSE;
    }

    // One byte is held back, so a text of 4094 characters and its NUL is the most that fits.
    char buffer[4096];
    DWORD size = sizeof(buffer) - 1;
    DWORD type = REG_NONE;
    status = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return FALSE;
    }
    if (type != REG_SZ) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return FALSE;
    }
    text = TextOf(buffer, size);
    return TRUE;
}

BOOL WriteRegistryString(const std::string& keyPath, const std::string& valueName,
                         const std::string& text)
{
    OwnedKey key;
    LONG status = CreateKey(HKEY_CURRENT_USER, keyPath, key);
    if (status == ERROR_SUCCESS) status = StoreText(key.get(), valueName, text);
    if (status == ERROR_SUCCESS) status = RegCloseKey(key.release());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return FALSE;
    }
    return TRUE;
}
