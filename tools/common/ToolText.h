// Texts both tools print: paths, system error codes and bytes made safe for one output line.
#pragma once

#include <windows.h>

#include <string>

// The absolute form of path (GetFullPathNameA); path itself when it has none.
std::string FullPath(const std::string& path);

// "error N (system message)", or "error N" when the system has no message for it.
std::string ErrorText(DWORD code);

// For reading: LF, CR and TAB as \n, \r and \t, other control bytes (below 0x20, and 0x7F) as \xNN.
std::string EscapeControls(const std::string& text);

// For a record that other programs split at blanks and line ends: every control byte as \xNN.
std::string EscapeControlsAsHex(const std::string& text);
