// Texts both tools print: paths and system error codes (the control-byte escapes are in
// TextEscapes.h, which builds on any platform).
#pragma once

#include <windows.h>

#include <string>

// The absolute form of path (GetFullPathNameA); path itself when it has none.
std::string FullPath(const std::string& path);

// "error N (system message)", or "error N" when the system has no message for it.
std::string ErrorText(DWORD code);

#include "common/TextEscapes.h"
