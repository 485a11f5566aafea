// Paths and names split by characters of the ANSI code page, and the paths a page may name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Where a path or a name is split at "\", "/" or ":": at characters of the code page (the ANSI one
// unless given), never at a trail byte of a double-byte character that happens to be 0x5C.
// std::string::npos when there is none.
std::size_t FindLastSeparator(const std::string& text, const char* separators, UINT codePage = CP_ACP);
std::size_t FindFirstSeparator(const std::string& text, const char* separators, UINT codePage = CP_ACP);

// A path that a page chose, checked before anything opens it: true, with its absolute form, when it
// resolves to a path on a fixed local drive (a letter, a colon, a backslash) with no device name
// and no stream in it. UNC (\\server\..., //server/...), device and
// namespace paths (\\.\, \\?\, \??\) and paths of MAX_PATH or more are refused by their text
// alone, without any file-system call.
bool IsLocalPath(const std::string& path, std::string& fullPath);
// IsLocalPath, and the path names an existing plain file: no folder, device or link.
bool IsLocalRegularFile(const std::string& path, std::string& fullPath);
