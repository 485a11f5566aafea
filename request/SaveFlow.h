// The save flow: a download request, from a page's attributes or its request file, completed with
// the user and handed to the client. The flows return 1 when a submission file was written, 0 when
// the user cancelled or the flow stopped after its own message; malformed requests raise
// FormatException, file errors CFileException.
#pragma once

#include <windows.h>

#include <string>

#include "client/KeyValueMap.h"
#include "request/ClickDialogs.h"
#include "request/PageRequest.h"

// dialogs.confirmsEveryRequest: a download whose package no other confirmation named (TYPE RICH, or
// PLAIN before its Save-As; not a request file's FILE, confirmed already) goes on only after
// ConfirmRequestedPackage.
int SubmitSaveRequest(CKeyValueMap& settings, CKeyValueMap& request, const ClickDialogs& dialogs);
int SubmitSaveRequestFile(CKeyValueMap& settings, const char* fileName, const ClickDialogs& dialogs,
                          const KeptRequestFile* kept = nullptr);
// The Save-As dialog "Tolvane : deliver package to ..." (TitleAskedBy), proposing DestBaseName in
// DestInitialDir; the chosen path (and DestBaseName, DestInitialDir from it), or empty when
// cancelled.
std::string AskSavePath(CKeyValueMap& request, const ClickDialogs& dialogs);
