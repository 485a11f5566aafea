#include "win/Registry.h"

#include <cstring>

LONG CreateRegistryKey(HKEY root, const std::string& keyPath, OwnedKey& key)
{
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
    if (status != ERROR_SUCCESS) return status;
    if (disposition != REG_CREATED_NEW_KEY && disposition != REG_OPENED_EXISTING_KEY)
        return ERROR_INVALID_DATA;
    return ERROR_SUCCESS;
}

LONG StoreRegistryText(HKEY key, const std::string& valueName, const std::string& text)
{
    return RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

std::string RegistryText(const char* data, DWORD size)
{
    const void* end = std::memchr(data, '\0', size);
    return std::string(data, end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : size);
}

bool ReadRegistryString(const std::string& keyPath, const std::string& valueName, std::string& text)
{
    OwnedKey key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }

    // One byte is held back, so a text of 4094 characters and its NUL is the most that fits.
    char buffer[4096];
    DWORD size = sizeof(buffer) - 1;
    DWORD type = REG_NONE;
    status = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                              &size);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    if (type != REG_SZ) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return false;
    }
    text = RegistryText(buffer, size);
    return true;
}

bool WriteRegistryString(const std::string& keyPath, const std::string& valueName, const std::string& text)
{
    OwnedKey key;
    LONG status = CreateRegistryKey(HKEY_CURRENT_USER, keyPath, key);
    if (status == ERROR_SUCCESS) status = StoreRegistryText(key.get(), valueName, text);
    if (status == ERROR_SUCCESS) status = RegCloseKey(key.release());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    return true;
}
