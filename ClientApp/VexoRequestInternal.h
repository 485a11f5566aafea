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
// user answers Yes in a box that names it and its recipients.
bool ConfirmPageNamedFile(const std::string& fullPath, const std::string& recipients);

// The request both file dialogs are shown with: the 76-byte layout, the one "All Files" filter,
// the caller's file-name buffer, title and flags; every other field zero.
OPENFILENAMEA FileDialogRequest(HWND owner, char* fileName, DWORD fileNameSize, const char* title,
                                DWORD flags);

// Raises the file exception with the cause that matches the system error code.
[[noreturn]] void ThrowFileError(DWORD osError, const std::string& path);
