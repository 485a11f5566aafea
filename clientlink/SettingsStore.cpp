// PLACEHOLDER: replaced by the settings store.
#include "clientlink/SettingsStore.h"

const char* const kProductKeyPath = "Software\\TOLVANE\\Tolvane Delivery\\970128";
const char* const kClientInstanceName = "970128";
std::string productKeyPath;
std::string clientInstanceName;
CKeyValueMap settingsMap;

void CKeyValueMap::LoadFromRegistry(const std::string&, HKEY) { throw FormatException(); }
void CKeyValueMap::SaveToRegistry(const std::string&, HKEY) const { throw FormatException(); }
BOOL ReadRegistryString(const std::string&, const std::string&, std::string&) { return FALSE; }
BOOL WriteRegistryString(const std::string&, const std::string&, const std::string&) { return FALSE; }
