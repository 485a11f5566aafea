// Helpers shared by the request-file parser, the flows and the submission-file writer.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "clientlink/KeyValueMap.h"
#include "win/Owned.h"

// The text of the bad-request box of both flows built from embed attributes.
extern const char* const kBadRequestText;

// The value under key, empty when absent; unlike indexing, never adds the key.
std::string MapValue(const CKeyValueMap& map, const std::string& key);

// The trace-log entry, then the same text in the "Tolvane Message " warning box.
void ShowRequestWarning(long line, const std::string& text);

// A local file named by the page, not chosen by the user, is handed to the client only after the
// user answers Yes in a box that names it as it is submitted, the recipients, and the server and
// port it goes to.
bool ConfirmPageNamedFile(const std::string& fullPath, const std::string& recipients,
                          const std::string& serverName, const std::string& serverPort);

// Where a path or a name is split at "\", "/" or ":": at characters of the code page (the ANSI one
// unless given), never at a trail byte of a double-byte character that happens to be 0x5C.
// std::string::npos when there is none.
std::size_t FindLastSeparator(const std::string& text, const char* separators, UINT codePage = CP_ACP);
std::size_t FindFirstSeparator(const std::string& text, const char* separators, UINT codePage = CP_ACP);

// A path that a page chose, checked before anything opens it: true, with its absolute form, when it
// resolves to a path on a local drive (a letter, a colon, a backslash; fixed, removable, CD or RAM
// disk) with no device name and no stream in it. UNC (\\server\..., //server/...), device and
// namespace paths (\\.\, \\?\, \??\) and paths of MAX_PATH or more are refused by their text
// alone, without any file-system call.
bool IsLocalPath(const std::string& path, std::string& fullPath);
// IsLocalPath, and the path names an existing plain file: no folder, device or link.
bool IsLocalRegularFile(const std::string& path, std::string& fullPath);

// The request both file dialogs are shown with: the layout without the extension fields (76 bytes,
// 136 in a 64-bit process), the one "All Files" filter, the caller's file-name buffer, title and
// flags; every other field zero.
OPENFILENAMEA FileDialogRequest(HWND owner, char* fileName, DWORD fileNameSize, const char* title,
                                DWORD flags);

// Raises the file exception with the cause that matches the system error code.
[[noreturn]] void ThrowFileError(DWORD osError, const std::string& path);
