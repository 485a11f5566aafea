// The Save-As and Open dialogs of the flows.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "request/ClickDialogs.h"

// The request both file dialogs are shown with: the layout without the extension fields (76 bytes,
// 136 in a 64-bit process), the one "All Files" filter, the caller's file-name buffer, title and
// flags; every other field zero.
OPENFILENAMEA FileDialogRequest(HWND owner, char* fileName, DWORD fileNameSize, const char* title, DWORD flags);

// The path chosen in the Open dialog "Select : package to deliver ..." (TitleAskedBy); empty when
// the user cancelled or the dialog failed.
std::string AskFileToSend(const ClickDialogs& dialogs);
