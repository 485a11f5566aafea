// Single REG_SZ values, and the two steps every registry write of ours takes.
//
// Errors: the single-value calls answer false and leave the registry's status as the thread's
// last-error code; the others return the status.
#pragma once

#include <windows.h>

#include <string>

#include "win/Owned.h"

// Under HKEY_CURRENT_USER. A text ends at its first NUL; one of more than 4094 characters does not
// fit and fails with ERROR_MORE_DATA; a value of another type fails with ERROR_INVALID_DATATYPE.
bool ReadRegistryString(const std::string& keyPath, const std::string& valueName, std::string& text);
bool WriteRegistryString(const std::string& keyPath, const std::string& valueName, const std::string& text);

// Opens the key for all access, creating it when missing.
LONG CreateRegistryKey(HKEY root, const std::string& keyPath, OwnedKey& key);
// A REG_SZ value with its closing NUL.
LONG StoreRegistryText(HKEY key, const std::string& valueName, const std::string& text);
// The text of registry data: up to its first NUL, or the whole data when it has none.
std::string RegistryText(const char* data, DWORD size);
