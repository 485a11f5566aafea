// The settings shared with the delivery client, under HKEY_CURRENT_USER.
//
// Errors: a single value is read and written by calls that answer TRUE or FALSE and leave the
// failing registry status as the thread's last-error code. The whole map is loaded and saved by
// CKeyValueMap (KeyValueMap.h), which throws instead.
#pragma once

#include <windows.h>

#include <string>

#include "clientlink/KeyValueMap.h"

// Process-wide; set by CheckConfiguration, read by the client link.
extern std::string productKeyPath;      // "Software\TOLVANE\Tolvane Delivery\970128"
extern std::string clientInstanceName;  // "970128"
// The settings map: lives from library load to unload and is never emptied.
extern CKeyValueMap settingsMap;

extern const char* const kProductKeyPath;
extern const char* const kClientInstanceName;

// Single REG_SZ values under HKEY_CURRENT_USER. On failure: FALSE, last-error code = status.
BOOL ReadRegistryString(const std::string& keyPath, const std::string& valueName, std::string& text);
BOOL WriteRegistryString(const std::string& keyPath, const std::string& valueName,
                         const std::string& text);

// Tests only: called after the settings load has sized its buffers, before it reads the values
// (so that a test can change the key under it). Null in the product.
extern void (*settingsEnumerationStarts)(HKEY key);
