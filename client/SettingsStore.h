// The settings shared with the delivery client: the REG_SZ values of the product key under
// HKEY_CURRENT_USER, as a CKeyValueMap.
//
// Errors: LoadFromRegistry and SaveToRegistry throw FormatException and leave the registry's status
// as the thread's last-error code; nothing else throws but std::bad_alloc.
#pragma once

#include <windows.h>

#include <string>

#include "client/KeyValueMap.h"

// The key the client and its installer write, and the name of the file mapping a running client
// holds.
extern const char* const kProductKeyPath;      // "Software\TOLVANE\Tolvane Delivery\970128"
extern const char* const kClientInstanceName;  // "970128"

// Every REG_SZ value of the key into the map (entries already in the map and not in the key stay).
// A key that changes while it is read (ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS) is read again, once.
// A value of another type, or a name that is not one plain key once the blanks around it are
// dropped, fails the load.
void LoadFromRegistry(CKeyValueMap& map, const std::string& keyPath, HKEY root);
// Every non-empty entry of the map as a REG_SZ value; nothing is deleted.
void SaveToRegistry(const CKeyValueMap& map, const std::string& keyPath, HKEY root);
