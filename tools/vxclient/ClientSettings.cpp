#include "vxclient/ClientSettings.h"

#include <windows.h>

#include "common/ToolNames.h"
#include "common/ToolText.h"
#include "win/Owned.h"

namespace {

bool ReadText(HKEY key, const char* name, std::string& text)
{
    char buffer[4096];
    DWORD type = 0, size = sizeof buffer - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    buffer[size] = 0;
    text = buffer;
    return true;
}

bool WriteText(HKEY key, const char* name, const std::string& text, std::string& problem)
{
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1));
    if (status != ERROR_SUCCESS) problem = std::string("cannot write ") + name + ": " + ErrorText(status);
    return status == ERROR_SUCCESS;
}

}  // namespace

bool ReadClientSettings(ClientSettings& settings, std::string& problem)
{
    OwnedKey key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kClientSettingsKey, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        problem = std::string("not installed: cannot open HKCU\\") + kClientSettingsKey + ": " + ErrorText(status);
        return false;
    }
    ReadText(key.get(), "ApplicationPath", settings.applicationPath);
    ReadText(key.get(), "LoadDeliveryDir", settings.deliveryDir);
    if (!ReadText(key.get(), "LoadRequestDir", settings.requestDir) || settings.requestDir.empty()) {
        problem = "the settings key has no LoadRequestDir";
        return false;
    }
    if (!ReadText(key.get(), "ClientDataDir", settings.dataDir) || settings.dataDir.empty()) {
        problem = "the settings key has no ClientDataDir";
        return false;
    }
    return true;
}

bool WriteClientSettings(const ClientSettings& settings, std::string& problem)
{
    OwnedKey key;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kClientSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
    if (status != ERROR_SUCCESS) {
        problem = std::string("cannot create HKCU\\") + kClientSettingsKey + ": " + ErrorText(status);
        return false;
    }
    return WriteText(key.get(), "ApplicationPath", settings.applicationPath, problem) &&
           WriteText(key.get(), "LoadRequestDir", settings.requestDir, problem) &&
           WriteText(key.get(), "LoadDeliveryDir", settings.deliveryDir, problem) &&
           WriteText(key.get(), "ClientDataDir", settings.dataDir, problem);
}

bool DeleteClientSettings(std::string& problem)
{
    LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, kClientSettingsKey);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        problem = std::string("cannot remove HKCU\\") + kClientSettingsKey + ": " + ErrorText(status);
        return false;
    }
    // The parents go too when nothing else lives in them.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TOLVANE\\Tolvane Delivery");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TOLVANE");
    return true;
}

std::string ReadSignalText()
{
    OwnedKey key;
    std::string path = std::string(kClientSettingsKey) + "\\" + kSignalSubKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
    std::string text;
    ReadText(key.get(), "Value", text);
    return text;
}
