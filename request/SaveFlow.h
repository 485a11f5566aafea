// The save flow: a download request, from a page's attributes or its request file, completed with
// the user and handed to the client. The flows return 1 when a submission file was written, 0 when
// the user cancelled or the flow stopped after its own message; malformed requests raise
// FormatException, file errors CFileException.
#pragma once

#include <windows.h>

#include <string>

#include "client/KeyValueMap.h"
#include "request/PageRequest.h"

//
// confirmsEveryRequest (BrowserServices::ConfirmsEveryRequest): a request that would go without any
// dialog (TYPE RICH, and no file named by the page) goes only after ConfirmRequestedPackage.
int SubmitSaveRequest(CKeyValueMap& settings, CKeyValueMap& request, HWND owner, bool confirmsEveryRequest = false);
int SubmitSaveRequestFile(CKeyValueMap& settings, const char* fileName, HWND owner,
                          const KeptRequestFile* kept = nullptr, bool confirmsEveryRequest = false);
// The Save-As dialog "Tolvane : deliver package to ...", proposing DestBaseName in DestInitialDir;
// the chosen path (and DestBaseName, DestInitialDir from it), or empty when cancelled.
std::string AskSavePath(CKeyValueMap& request, HWND owner);
